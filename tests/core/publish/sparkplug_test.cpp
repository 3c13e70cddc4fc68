// The Sparkplug B payload and one node's messages: what a plant's host
// decodes is what was meant, births and deaths carry the same bdSeq, seq
// runs 0 to 255 across the node's messages, and only this node's commands
// are taken for commands.
#include <gtest/gtest.h>

#include <cmath>

#include "core/publish/plain_json.h"
#include "core/publish/sparkplug.h"

using namespace qv::publish;

namespace {
qv::protocol::MeasurementRecord record() {
    qv::protocol::MeasurementRecord r;
    r.flowVelocity = 1.5f;
    r.volumeFlow = 12.25f;
    r.temperature = -3.5f;
    r.totalizer = 1234.5f;
    r.flowVelocityUnit = "m/s";
    r.volumeFlowUnit = "m\xB3/h";
    r.temperatureUnit = "\xB0" "C";
    r.totalizerUnit = "m\xB3";
    r.contactStates = 0x05;  // limit 1, ready; error contact not active (bit 3 clear: active low)
    r.errorCode = 20;
    r.lowFlowCutoff = 3;
    return r;
}
}  // namespace

TEST(Sparkplug, ACycleDecodesAsItWasMeantWithTypesUnitsAndTime) {
    Node node;
    node.connected();
    const auto values = measurementMetrics(record(), "Kein Fehler", 1'765'000'000'123);
    const auto bytes = encode(node.deviceData(values, 1'765'000'000'200, true));
    const auto p = decode(bytes);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->timestamp, 1'765'000'000'200u);
    ASSERT_EQ(p->metrics.size(), values.size());
    const Metric* flow = p->find("Volume flow");
    ASSERT_TRUE(flow);
    EXPECT_EQ(flow->type, DataType::Float);
    EXPECT_EQ(std::get<float>(flow->value), 12.25f);
    EXPECT_EQ(flow->timestamp, 1'765'000'000'123u);
    EXPECT_TRUE(flow->historical);
    ASSERT_EQ(flow->properties.size(), 1u);
    EXPECT_EQ(flow->properties[0], (std::pair<std::string, std::string>{"engUnit", "m\u00b3/h"}));  // UTF-8 on the wire
    struct Expect {
        const char* name;
        DataType type;
        std::variant<std::monostate, std::uint32_t, std::uint64_t, float, double, bool, std::string> value;
    } table[] = {
        {"Temperature", DataType::Float, -3.5f},         {"Totalizer", DataType::Float, 1234.5f},
        {"Contacts/Limit 1", DataType::Boolean, true},   {"Contacts/Limit 2", DataType::Boolean, false},
        {"Contacts/Ready", DataType::Boolean, true},     {"Contacts/Error", DataType::Boolean, true},
        {"Error/Code", DataType::UInt8, std::uint32_t(20)}, {"Error/Text", DataType::String, std::string("Kein Fehler")},
        {"Low flow suppression", DataType::UInt8, std::uint32_t(3)},
    };
    for (const auto& e : table) {
        const Metric* m = p->find(e.name);
        ASSERT_TRUE(m) << e.name;
        EXPECT_EQ(m->type, e.type) << e.name;
        EXPECT_EQ(m->value, e.value) << e.name;
    }
    for (const char* no : {"\xff\xff\xff", "\x0a\x05"}) EXPECT_FALSE(decode(no)) << no;
}

TEST(Sparkplug, BirthsAndDeathsShareTheirBdSeqAndSeqRunsRoundTheNode) {
    Node node(254);
    node.connected();
    EXPECT_EQ(node.bdSeq(), 254u);
    const auto will = decode(encode(node.death()));
    const auto birth = decode(encode(node.birth(1000)));
    ASSERT_TRUE(will && birth);
    EXPECT_FALSE(will->seq);  // a death has no seq
    EXPECT_EQ(std::get<std::uint64_t>(will->find(kBdSeq)->value), 254u);
    EXPECT_EQ(std::get<std::uint64_t>(birth->find(kBdSeq)->value), 254u);
    EXPECT_EQ(birth->seq, 0u);
    EXPECT_EQ(std::get<bool>(birth->find(kRebirth)->value), false);
    const auto dbirth = node.deviceBirth("KT740-M1S1", "1.23", measurementMetrics(record(), "", 1000), 1000);
    EXPECT_EQ(dbirth.seq, 1u);
    EXPECT_EQ(std::get<std::string>(dbirth.find("Properties/Model")->value), "KT740-M1S1");
    std::uint64_t last = 1;
    for (int i = 0; i < 300; ++i) {
        const auto d = node.deviceData({}, 2000);
        EXPECT_EQ(*d.seq, (last + 1) % 256);
        last = *d.seq;
    }
    EXPECT_EQ(*node.deviceDeath(3000).seq, (last + 1) % 256);
    EXPECT_EQ(node.birth(4000).seq, 0u);  // a rebirth begins the count anew
    node.connected();
    EXPECT_EQ(node.bdSeq(), 255u);
    node.connected();
    EXPECT_EQ(node.bdSeq(), 0u);
}

TEST(Sparkplug, TopicsAndCommandsOfThisNodeOnly) {
    EXPECT_EQ(topic("plant", Message::NBIRTH, "gw1"), "spBv1.0/plant/NBIRTH/gw1");
    EXPECT_EQ(topic("plant", Message::DDATA, "gw1", topicLevel("/dev/ttyUSB0")), "spBv1.0/plant/DDATA/gw1/_dev_ttyUSB0");
    EXPECT_EQ(topicLevel("tcp://a+b#c"), "tcp:__a_b_c");
    const auto ncmd = commandOf("spBv1.0/plant/NCMD/gw1", "plant", "gw1");
    ASSERT_TRUE(ncmd);
    EXPECT_EQ(ncmd->type, Message::NCMD);
    const auto dcmd = commandOf("spBv1.0/plant/DCMD/gw1/COM5", "plant", "gw1");
    ASSERT_TRUE(dcmd);
    EXPECT_EQ(dcmd->type, Message::DCMD);
    EXPECT_EQ(dcmd->device, "COM5");
    for (const char* other : {"spBv1.0/plant/NCMD/gw10", "spBv1.0/other/NCMD/gw1", "spBv1.0/plant/DCMD/gw1",
                              "spBv1.0/plant/DDATA/gw1/COM5", "plant/NCMD/gw1"})
        EXPECT_FALSE(commandOf(other, "plant", "gw1")) << other;
    Payload rebirth;
    Metric m = metric(kRebirth, DataType::Boolean);
    m.value = true;
    rebirth.metrics.push_back(m);
    EXPECT_TRUE(asksRebirth(*decode(encode(rebirth))));
    rebirth.metrics[0].value = false;
    EXPECT_FALSE(asksRebirth(rebirth));
    EXPECT_FALSE(asksRebirth(Payload{}));
}

// For tools that do not speak Sparkplug: the same metrics by name, units
// beside their values, a value that is no number as null, times in UTC.
TEST(PlainJson, StateAndCycleCarryTheSameMetrics) {
    auto r = record();
    r.temperature = std::nanf("");
    const std::string cycle = jsonCycle(measurementMetrics(r, "Sensorbruch", 1'765'353'600'123), 1'765'353'600'123);
    EXPECT_EQ(cycle.rfind("{\"time\":\"2025-12-10T08:00:00.123Z\",\"Flow velocity\":{\"value\":1.5,\"unit\":\"m/s\"}", 0), 0u)
        << cycle;
    for (const char* part : {"\"Volume flow\":{\"value\":12.25,\"unit\":\"m\u00b3/h\"}", "\"Temperature\":{\"value\":null,",
                             "\"Contacts/Error\":true", "\"Error/Code\":20", "\"Error/Text\":\"Sensorbruch\"",
                             "\"Low flow suppression\":{\"value\":3,\"unit\":\"%\"}"})
        EXPECT_NE(cycle.find(part), std::string::npos) << part << "\n" << cycle;
    EXPECT_EQ(jsonState(false, "KT740-M1S1", "1.23", "no answer for 6 s", 1'765'353'600'000),
              "{\"online\":false,\"model\":\"KT740-M1S1\",\"version\":\"1.23\",\"reason\":\"no answer for 6 s\","
              "\"time\":\"2025-12-10T08:00:00.000Z\"}");
    EXPECT_EQ(jsonTopic("plant", "gw1", "/dev/ttyUSB0", "data"), "qv/plant/gw1/_dev_ttyUSB0/data");
}
