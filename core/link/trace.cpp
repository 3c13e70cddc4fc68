#include "core/link/trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/protocol/commands.h"

namespace qv::link {

namespace {
std::int64_t systemMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
}  // namespace

LineTrace::LineTrace(std::size_t capacity) : capacity_(capacity), clock_(systemMs) {}

void LineTrace::sent(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count == 1) command_ = bytes[0];
    }
    add(Direction::Sent, bytes, count);
}

void LineTrace::received(const std::uint8_t* bytes, std::size_t count) {
    if (count > 0) add(Direction::Received, bytes, count);
}

void LineTrace::note(const std::string& text) {
    add(Direction::Note, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void LineTrace::add(Direction d, const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry e;
    e.timeMs = clock_();
    e.direction = d;
    e.command = command_;
    e.bytes.assign(bytes, bytes + count);
    e.sequence = ++recorded_;
    held_ += count;
    entries_.push_back(std::move(e));
    // The oldest go first; the newest entry stays even when it alone is larger.
    while (held_ > capacity_ && entries_.size() > 1) {
        held_ -= entries_.front().bytes.size();
        entries_.pop_front();
    }
    ++version_;
}

void LineTrace::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    held_ = 0;
    ++version_;
}

LineTrace::Since LineTrace::since(std::uint64_t sequence) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Since s;
    s.firstHeld = entries_.empty() ? recorded_ + 1 : entries_.front().sequence;
    for (const Entry& e : entries_)
        if (e.sequence > sequence) s.entries.push_back(e);
    return s;
}

std::uint64_t LineTrace::version() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return version_;
}

void LineTrace::setClock(std::function<std::int64_t()> clock) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_ = clock ? std::move(clock) : std::function<std::int64_t()>(systemMs);
}

std::string formatTraceEntry(const LineTrace::Entry& e) {
    const std::time_t secs = static_cast<std::time_t>(e.timeMs / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(e.timeMs % 1000));
    if (e.direction == LineTrace::Direction::Note)
        return std::string(time) + " net " + std::string(e.bytes.begin(), e.bytes.end());
    char hexName[4];
    std::snprintf(hexName, sizeof hexName, "%02X", e.command);
    const char* name = qv::protocol::commandName(e.command);
    char head[64];
    // One width for every name, so the bytes line up.
    std::snprintf(head, sizeof head, "%s %s %-12s ", time, e.direction == LineTrace::Direction::Sent ? "PC>" : "<KT",
                  name ? name : hexName);
    std::string hex, chars;
    for (std::uint8_t b : e.bytes) {
        char h[4];
        std::snprintf(h, sizeof h, "%02X ", b);
        hex += h;
        chars += b >= 0x20 && b < 0x7F ? char(b) : '.';
    }
    return head + hex + "|" + chars + "|";
}

}  // namespace qv::link
