#pragma once
// A meter's values for a plant's control system as Sparkplug B: the
// payload (our own schema, encoded with protobuf-c), the topics, and one
// node's births, data and deaths with their sequence numbers. Plain C++:
// the MQTT connection is the publisher's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/protocol/measurement.h"

namespace qv::publish {

// Sparkplug B's data type numbers, those a meter's metrics use.
enum class DataType : std::uint32_t {
    Int8 = 1, Int16 = 2, Int32 = 3, Int64 = 4, UInt8 = 5, UInt16 = 6, UInt32 = 7, UInt64 = 8,
    Float = 9, Double = 10, Boolean = 11, String = 12, DateTime = 13, Text = 14,
};

struct Metric {
    std::string name;
    DataType type = DataType::Float;
    std::optional<std::uint64_t> timestamp;  // ms since the epoch, UTC
    bool historical = false;
    bool isNull = false;
    // The value as the wire holds it: UInt32 for the small integer types,
    // UInt64 for Int64, UInt64 and DateTime.
    std::variant<std::monostate, std::uint32_t, std::uint64_t, float, double, bool, std::string> value;
    // String properties (the unit: "engUnit").
    std::vector<std::pair<std::string, std::string>> properties;
};

Metric metric(std::string name, DataType type, std::optional<std::uint64_t> timestampMs = {});

struct Payload {
    std::optional<std::uint64_t> timestamp;
    std::optional<std::uint64_t> seq;
    std::vector<Metric> metrics;
    const Metric* find(std::string_view name) const;
};

std::string encode(const Payload& p);
// nullopt for bytes that are no payload.
std::optional<Payload> decode(std::string_view bytes);

enum class Message { NBIRTH, NDEATH, DBIRTH, DDATA, DDEATH, NCMD, DCMD };
const char* messageName(Message m);
// "spBv1.0/GROUP/TYPE/NODE[/DEVICE]"
std::string topic(const std::string& group, Message m, const std::string& node, const std::string& device = {});
// A name fit for a topic level: '/', '+', '#' and control bytes become '_'
// (a port "/dev/ttyUSB0" is "_dev_ttyUSB0", "tcp://host:4001" "tcp:__host:4001").
std::string topicLevel(std::string_view name);
// What a command topic names, when it is one of this node's.
struct Command {
    Message type;
    std::string device;  // empty for NCMD
};
std::optional<Command> commandOf(std::string_view topic, const std::string& group, const std::string& node);

inline constexpr const char* kBdSeq = "bdSeq";
inline constexpr const char* kRebirth = "Node Control/Rebirth";

// Whether a node command asks for every birth again.
bool asksRebirth(const Payload& ncmd);

// The metrics of one completed cycle, each with its data type, the
// measurement's own time and its unit as a property. The meter's texts
// (units, error text; model and version below) are Windows-1252; the
// payload carries them as UTF-8, as protobuf strings must be.
std::vector<Metric> measurementMetrics(const qv::protocol::MeasurementRecord& r, const std::string& errorText,
                                       std::uint64_t timestampMs);

// One node's sequence: bdSeq counts its MQTT sessions (the death registered
// as the will carries the one its birth carries), seq runs 0 to 255 across
// the node's messages, NBIRTH starting at 0.
class Node {
public:
    // first: the bdSeq of the first connection (0 to 255).
    explicit Node(std::uint64_t first = 0) : next_(first % 256) {}
    // A new connection: the next bdSeq (0 to 255 and round); its death is the will.
    void connected();
    std::uint64_t bdSeq() const { return bdSeq_; }
    Payload death() const;
    Payload birth(std::uint64_t nowMs);
    Payload deviceBirth(const std::string& model, const std::string& version, const std::vector<Metric>& values,
                        std::uint64_t nowMs);
    Payload deviceData(std::vector<Metric> values, std::uint64_t nowMs, bool historical = false);
    Payload deviceDeath(std::uint64_t nowMs);

private:
    std::uint64_t next();
    std::uint64_t next_;
    std::uint64_t bdSeq_ = 0;
    std::uint64_t seq_ = 0;
};

}  // namespace qv::publish
