#pragma once
// kt740-sim as a child process on a real pseudo terminal.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace qv::test {

class SimProcess {
public:
    // Starts the simulator with its link at linkPath and waits for the link.
    SimProcess(const std::string& linkPath, std::vector<std::string> args, const std::string& outputFile = "/dev/null")
        : link_(linkPath) {
        std::vector<std::string> all{QV_SIM_PATH, "--link", linkPath};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 300 && !std::filesystem::exists(link_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimProcess() { stop(); }
    bool linked() const { return std::filesystem::exists(link_); }
    // Ends the simulator at once, as a pulled cable or a crash would.
    void kill(int signal = SIGKILL) {
        if (pid_ > 0) {
            ::kill(pid_, signal);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    void stop() { kill(SIGTERM); }
    // A signal to the running simulator (SIGUSR1 toggles its faults).
    void signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);
    }

private:
    std::string link_;
    pid_t pid_ = -1;
};

}  // namespace qv::test
