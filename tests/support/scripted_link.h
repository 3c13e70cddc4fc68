#pragma once
// A link whose meter is a script: every write is answered by a function of
// the bytes written, and every read, write and wait is logged in order.
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/link/serial_link.h"
#include "core/link/session.h"

namespace qv::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedLink : public qv::link::SerialLink {
public:
    std::function<Bytes(const Bytes& written)> respond = [](const Bytes&) { return Bytes{}; };
    std::vector<std::string> log;
    std::deque<Bytes> pending;  // what the next reads return
    std::function<void()> beforeRead;  // a late reply may be put into pending here
    bool open = true;
    // What opening a path gives (a session opens the links it makes).
    std::function<qv::serial::OpenFailure(const std::string& path)> openResult = [](const std::string&) {
        return qv::serial::OpenFailure::None;
    };
    std::string openedPath;

    int openPath(const std::string& path, int) override {
        const auto failure = path.empty() ? qv::serial::OpenFailure::NoDevice : openResult(path);
        setLastFailure(failure);
        open = failure == qv::serial::OpenFailure::None;
        if (open) openedPath = path;
        return open ? 0 : -1;
    }

    bool isOpen() const override { return open; }
    int writeBytes(const std::uint8_t* bytes, std::size_t count) override {
        if (!open) return -1;
        Bytes w(bytes, bytes + count);
        std::string entry = "W";
        for (auto b : w) entry += ' ' + hex(b);
        log.push_back(entry);
        Bytes r = respond(w);
        if (!r.empty()) pending.push_back(r);
        return 0;
    }
    int readBytes(std::uint8_t* buffer, int& received) override {
        received = 0;
        if (!open) return -1;
        log.push_back("R");
        if (beforeRead) beforeRead();
        if (pending.empty()) return 0;
        Bytes r = pending.front();
        pending.pop_front();
        // Like the port: at most 80 bytes a read, the rest waits.
        std::size_t n = std::min<std::size_t>(r.size(), qv::link::kReadSize);
        std::memcpy(buffer, r.data(), n);
        if (n < r.size()) pending.push_front(Bytes(r.begin() + n, r.end()));
        received = static_cast<int>(n);
        return 0;
    }
    void wait(int ms) override { log.push_back("S " + std::to_string(ms)); }
    // A flush that came back full drops the rest of what is waiting.
    std::size_t discardBytes(int) override {
        std::size_t n = 0;
        for (const auto& b : pending) n += b.size();
        pending.clear();
        log.push_back("D " + std::to_string(n));
        return n;
    }

    std::vector<std::uint8_t> commandsSent() const {
        std::vector<std::uint8_t> out;
        for (const auto& e : log)
            if (e.size() >= 4 && e[0] == 'W') out.push_back(std::uint8_t(std::stoi(e.substr(2, 2), nullptr, 16)));
        return out;
    }

    static std::string hex(std::uint8_t b) {
        const char* d = "0123456789ABCDEF";
        return std::string{d[b >> 4], d[b & 15]};
    }
};

// Makes a scripted link the one the session's next chosen device gives, and
// chooses it: opened, asked who it is (answered by respond, silent by
// default), then handed back with that traffic out of its log. drain runs
// the owner's thread until the session is idle.
template <class Drain>
ScriptedLink* attachScriptedLink(qv::link::Session& session, Drain drain) {
    auto made = std::make_shared<ScriptedLink*>(nullptr);
    session.setDevices(
        [made] {
            auto l = std::make_unique<ScriptedLink>();
            *made = l.get();
            return l;
        },
        [](const std::string&) { return true; });
    session.chooseDevice("scripted");
    drain();
    if (*made) (*made)->log.clear();
    return *made;
}

// The session's link gone, as when a chosen port does not open.
template <class Drain>
void detachLink(qv::link::Session& session, Drain drain) {
    session.chooseDevice("");
    drain();
}

}  // namespace qv::test
