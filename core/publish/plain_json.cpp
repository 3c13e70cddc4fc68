#include "core/publish/plain_json.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "core/recording/reading.h"

namespace qv::publish {

std::string jsonTopic(const std::string& group, const std::string& node, const std::string& device, const std::string& leaf) {
    return "qv/" + topicLevel(group) + "/" + topicLevel(node) + "/" + topicLevel(device) + "/" + topicLevel(leaf);
}

std::string isoUtc(std::uint64_t ms) {
    const auto w = qv::recording::wallTime(static_cast<std::int64_t>(ms / 1000));
    char t[40];
    std::snprintf(t, sizeof t, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", w.year, w.month, w.day, w.hour, w.minute, w.second,
                  static_cast<int>(ms % 1000));
    return t;
}

std::string jsonState(bool online, const std::string& model, const std::string& version, const std::string& reason,
                      std::uint64_t ms) {
    nlohmann::ordered_json j;
    j["online"] = online;
    j["model"] = model;
    j["version"] = version;
    j["reason"] = reason;
    j["time"] = isoUtc(ms);
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string jsonCycle(const std::vector<Metric>& metrics, std::uint64_t ms) {
    nlohmann::ordered_json j;
    j["time"] = isoUtc(ms);
    for (const Metric& m : metrics) {
        nlohmann::ordered_json v;
        if (const auto* f = std::get_if<float>(&m.value)) v = std::isfinite(*f) ? nlohmann::ordered_json(*f) : nullptr;
        else if (const auto* d = std::get_if<double>(&m.value)) v = std::isfinite(*d) ? nlohmann::ordered_json(*d) : nullptr;
        else if (const auto* u = std::get_if<std::uint32_t>(&m.value)) v = *u;
        else if (const auto* l = std::get_if<std::uint64_t>(&m.value)) v = *l;
        else if (const auto* b = std::get_if<bool>(&m.value)) v = *b;
        else if (const auto* s = std::get_if<std::string>(&m.value)) v = *s;
        std::string unit;
        for (const auto& [key, value] : m.properties)
            if (key == "engUnit") unit = value;
        if (unit.empty()) j[m.name] = v;
        else j[m.name] = {{"value", v}, {"unit", unit}};
    }
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace qv::publish
