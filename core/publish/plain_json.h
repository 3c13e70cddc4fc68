#pragma once
// The same metrics for tools that do not speak Sparkplug (Node-RED,
// Telegraf, a time-series database): plain JSON on "qv/GROUP/NODE/DEVICE/…",
// a retained state message and one message per completed cycle.
#include <cstdint>
#include <string>
#include <vector>

#include "core/publish/sparkplug.h"

namespace qv::publish {

// "qv/GROUP/NODE/DEVICE/LEAF", each level made fit for a topic.
std::string jsonTopic(const std::string& group, const std::string& node, const std::string& device, const std::string& leaf);
// {"online":true,"model":"KT740-M1S1","version":"1.23","reason":"","time":"2026-12-10T08:00:00.123Z"}
// model, version, reason as UTF-8.
std::string jsonState(bool online, const std::string& model, const std::string& version, const std::string& reason,
                      std::uint64_t timestampMs);
// {"time":"…Z","Volume flow":{"value":12.25,"unit":"m³/h"},"Contacts/Ready":true,…}: every metric by its
// name, a value that is no number as null.
std::string jsonCycle(const std::vector<Metric>& metrics, std::uint64_t timestampMs);
// Milliseconds since the epoch as ISO 8601 UTC with milliseconds.
std::string isoUtc(std::uint64_t timestampMs);

}  // namespace qv::publish
