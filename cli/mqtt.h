#pragma once
// One MQTT connection over Eclipse Paho's synchronous C client: connected
// with a will, publishing from any thread (one at a time), commands handed
// to a callback on Paho's thread, a lost connection told and noticed.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace qv::cli {

class Mqtt {
public:
    // uri: "tcp://HOST:PORT".
    Mqtt(const std::string& uri, const std::string& clientId);
    ~Mqtt();
    Mqtt(const Mqtt&) = delete;
    Mqtt& operator=(const Mqtt&) = delete;

    // A clean session whose will is willPayload on willTopic (QoS 1); false
    // with why (the broker's or the library's words).
    bool connect(const std::string& willTopic, const std::string& willPayload, std::string& why);
    // QoS 0 for data, 1 for births and deaths; false when it could not be handed over.
    bool publish(const std::string& topic, const std::string& payload, int qos, bool retained = false);
    bool subscribe(const std::string& filter, int qos);
    void disconnect();
    bool connected() const { return connected_; }

    // Runs on Paho's thread: take the bytes, return at once.
    std::function<void(const std::string& topic, const std::string& payload)> onMessage;

    // Paho's thread tells a lost connection here.
    void markLost() { connected_ = false; }

private:
    void* client_ = nullptr;
    std::mutex mutex_;
    std::atomic<bool> connected_{false};
};

// "mqtt://HOST[:PORT]" as Paho's "tcp://HOST:PORT"; empty when it is none.
std::string brokerUri(const std::string& given);

}  // namespace qv::cli
