#pragma once
// Debian's mosquitto on 127.0.0.1 at a free port, for as long as the test
// needs it; and a subscriber that keeps what it receives.
#include <MQTTClient.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_port.h"

extern char** environ;

namespace qv::test {

class Mosquitto {
public:
    explicit Mosquitto(const std::filesystem::path& dir) : port_(freeLoopbackPort()), conf_((dir / "mosquitto.conf").string()) {
        std::ofstream(conf_) << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\npersistence false\n";
        start();
    }
    ~Mosquitto() { stop(); }
    int port() const { return port_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }
    void start() {
        std::string bin = MOSQUITTO_PATH, c = "-c";
        char* argv[] = {bin.data(), c.data(), conf_.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        // Until it listens.
        for (int i = 0; i < 200 && !acceptsConnections(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    int port_;
    std::string conf_;
    pid_t pid_ = -1;
};

// Keeps every message on the filter, in the order of arrival.
class Subscriber {
public:
    struct Message {
        std::string topic, payload;
    };
    Subscriber(int port, const std::string& filter) {
        const std::string uri = "tcp://127.0.0.1:" + std::to_string(port);
        MQTTClient_create(&client_, uri.c_str(), "qv-test-subscriber", MQTTCLIENT_PERSISTENCE_NONE, nullptr);
        MQTTClient_setCallbacks(client_, this, nullptr, &Subscriber::arrived, nullptr);
        MQTTClient_connectOptions o = MQTTClient_connectOptions_initializer;
        o.cleansession = 1;
        connected_ = MQTTClient_connect(client_, &o) == MQTTCLIENT_SUCCESS &&
                     MQTTClient_subscribe(client_, filter.c_str(), 1) == MQTTCLIENT_SUCCESS;
    }
    ~Subscriber() {
        MQTTClient_disconnect(client_, 500);
        MQTTClient_destroy(&client_);
    }
    bool connected() const { return connected_; }
    std::vector<Message> messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    // Waits (at most seconds) until a message satisfies want; its index, or -1.
    int waitFor(const std::function<bool(const Message&)>& want, double seconds, std::size_t from = 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (std::size_t i = from; i < messages_.size(); ++i)
                    if (want(messages_[i])) return static_cast<int>(i);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void publish(const std::string& topic, const std::string& payload) {
        MQTTClient_deliveryToken t = 0;
        MQTTClient_publish(client_, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, 0, &t);
        MQTTClient_waitForCompletion(client_, t, 2000);
    }

private:
    static int arrived(void* context, char* topic, int length, MQTTClient_message* m) {
        auto* self = static_cast<Subscriber*>(context);
        Message out{length > 0 ? std::string(topic, static_cast<std::size_t>(length)) : std::string(topic),
                    std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen))};
        MQTTClient_freeMessage(&m);
        MQTTClient_free(topic);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->messages_.push_back(std::move(out));
        return 1;
    }
    MQTTClient client_ = nullptr;
    bool connected_ = false;
    std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace qv::test
