#include "cli/mqtt.h"

#include <MQTTClient.h>
#include <cstring>

namespace qv::cli {
namespace {

int arrived(void* context, char* topic, int length, MQTTClient_message* m) {
    auto* self = static_cast<Mqtt*>(context);
    const std::string t = length > 0 ? std::string(topic, static_cast<std::size_t>(length)) : std::string(topic);
    const std::string payload(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
    MQTTClient_freeMessage(&m);
    MQTTClient_free(topic);
    if (self->onMessage) self->onMessage(t, payload);
    return 1;
}

void lost(void* context, char*) { static_cast<Mqtt*>(context)->markLost(); }

}  // namespace

std::string brokerUri(const std::string& given) {
    const std::string scheme = "mqtt://";
    if (given.compare(0, scheme.size(), scheme) != 0) return {};
    std::string rest = given.substr(scheme.size());
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.empty() || rest.find_first_of("/?#@ ") != std::string::npos) return {};
    const auto colon = rest.rfind(':');
    if (colon == std::string::npos || rest.find(']', colon) != std::string::npos) return "tcp://" + rest + ":1883";
    const std::string port = rest.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535)
        return {};
    return "tcp://" + rest;
}

Mqtt::Mqtt(const std::string& uri, const std::string& clientId) {
    MQTTClient c = nullptr;
    if (MQTTClient_create(&c, uri.c_str(), clientId.c_str(), MQTTCLIENT_PERSISTENCE_NONE, nullptr) == MQTTCLIENT_SUCCESS) {
        client_ = c;
        MQTTClient_setCallbacks(c, this, &lost, &arrived, nullptr);
    }
}

Mqtt::~Mqtt() {
    if (!client_) return;
    MQTTClient c = client_;
    MQTTClient_destroy(&c);
}

bool Mqtt::connect(const std::string& willTopic, const std::string& willPayload, std::string& why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!client_) {
        why = "the broker address is no MQTT address";
        return false;
    }
    MQTTClient_connectOptions o = MQTTClient_connectOptions_initializer;
    MQTTClient_willOptions will = MQTTClient_willOptions_initializer;
    will.topicName = willTopic.c_str();
    will.message = nullptr;  // the binary payload below
    will.payload.data = willPayload.data();
    will.payload.len = static_cast<int>(willPayload.size());
    will.qos = 1;
    o.will = &will;
    o.keepAliveInterval = 5;  // a vanished publisher is declared dead within some 8 s
    o.cleansession = 1;
    o.connectTimeout = 5;
    const int rc = MQTTClient_connect(client_, &o);
    connected_ = rc == MQTTCLIENT_SUCCESS;
    if (!connected_) why = MQTTClient_strerror(rc) ? MQTTClient_strerror(rc) : "refused";
    return connected_;
}

bool Mqtt::publish(const std::string& topic, const std::string& payload, int qos, bool retained) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!client_ || !connected_) return false;
    MQTTClient_deliveryToken token = 0;
    const int rc = MQTTClient_publish(client_, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos,
                                      retained ? 1 : 0, &token);
    if (rc != MQTTCLIENT_SUCCESS) return false;
    return qos == 0 || MQTTClient_waitForCompletion(client_, token, 5000) == MQTTCLIENT_SUCCESS;
}

bool Mqtt::subscribe(const std::string& filter, int qos) {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_ && connected_ && MQTTClient_subscribe(client_, filter.c_str(), qos) == MQTTCLIENT_SUCCESS;
}

void Mqtt::disconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (client_ && connected_) MQTTClient_disconnect(client_, 2000);
    connected_ = false;
}

}  // namespace qv::cli
