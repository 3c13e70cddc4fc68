#pragma once
// Debian's ser2net as a child process on 127.0.0.1, in front of a serial
// device (the simulator's pseudo terminal): one Telnet/RFC 2217 accepter and
// one raw TCP accepter on free ports, which it keeps across a restart.
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/support/loopback_port.h"

extern char** environ;

namespace qv::test {

class Ser2net {
public:
    // connector: what ser2net reaches, e.g. "serialdev,/path/COM1,9600n81,local".
    Ser2net(const std::filesystem::path& dir, const std::string& connector)
        : config_(dir / "ser2net.yaml"), rfc2217_(freeLoopbackPort()), tcp_(freeLoopbackPort()) {
        std::ofstream(config_) << "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217_
                               << "\n  connector: " << connector << "\n  options:\n    kickolduser: true\n"
                               << "connection: &raw\n  accepter: tcp,127.0.0.1," << tcp_ << "\n  connector: " << connector
                               << "\n  options:\n    kickolduser: true\n";
        start();
    }
    ~Ser2net() { kill(); }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Starts it and waits (at most 5 s) until both accepters listen.
    bool start() {
        std::vector<std::string> all{QV_SER2NET_PATH, "-n", "-u", "-c", config_.string()};
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed) pid_ = -1;
        for (int i = 0; i < 500 && pid_ > 0; ++i) {
            if (acceptsConnections(rfc2217_) && acceptsConnections(tcp_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // Ends it at once, as a server switched off would.
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string rfc2217() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217_); }
    std::string tcp() const { return "tcp://127.0.0.1:" + std::to_string(tcp_); }

private:
    std::filesystem::path config_;
    int rfc2217_, tcp_;
    pid_t pid_ = -1;
};

}  // namespace qv::test
