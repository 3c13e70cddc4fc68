#pragma once
// What went over the line lately, for the diagnosis window (each session
// keeps one, fed by its SerialLink): every write and
// every read that brought bytes, with its time and the command it belongs to,
// and a network connection's own events (a line each, never mixed with the
// meter's bytes).
// The line's thread records, the window thread reads; a mutex keeps them
// apart, and the record is bounded so it never grows with the run time.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qv::link {

// What a reader of the trace sees: the entries it has not seen yet, whether
// there is more, and a fresh start. No writing: the line records.
class TraceReader {
public:
    enum class Direction { Sent, Received, Note };
    struct Entry {
        std::int64_t timeMs = 0;  // milliseconds since the epoch
        Direction direction = Direction::Sent;
        std::uint8_t command = 0;  // first byte of the one-byte write that began the exchange
        std::vector<std::uint8_t> bytes;  // a note's text
        // 1 for the first entry recorded; the count runs on across clears, so
        // a reader that remembers the last number it showed can ask for the rest.
        std::uint64_t sequence = 0;
    };
    // What a reader has not seen yet, and what it should no longer show.
    struct Since {
        std::uint64_t firstHeld = 1;  // the oldest held entry's number (the next one's when none is held)
        std::vector<Entry> entries;   // the held entries numbered after the one asked for
    };
    virtual ~TraceReader() = default;
    // The held entries numbered after `sequence` (0: all of them).
    virtual Since since(std::uint64_t sequence) const = 0;
    // Grows with every change, so a reader can tell whether to look again.
    virtual std::uint64_t version() const = 0;
    virtual void clear() = 0;
};

class LineTrace : public TraceReader {
public:
    static constexpr std::size_t kDefaultCapacity = 4096;  // bytes kept

    explicit LineTrace(std::size_t capacity = kDefaultCapacity);

    // Every command is a one-byte write; a longer write is the rest of the
    // command before it (the parameter frame after its 0x60).
    void sent(const std::uint8_t* bytes, std::size_t count);
    void received(const std::uint8_t* bytes, std::size_t count);
    void note(const std::string& text);
    void clear() override;
    Since since(std::uint64_t sequence) const override;
    std::uint64_t version() const override;
    // Milliseconds since the epoch; the system clock unless a test sets one.
    void setClock(std::function<std::int64_t()> clock);

private:
    void add(Direction d, const std::uint8_t* bytes, std::size_t count);

    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::size_t held_ = 0;
    std::deque<Entry> entries_;
    std::uint8_t command_ = 0;
    std::uint64_t version_ = 0;
    std::uint64_t recorded_ = 0;  // the last entry's number
    std::function<std::int64_t()> clock_;
};

// One entry as a text line: local time with milliseconds, direction, the
// command's name (its hex for a byte without one), the bytes in hex and as
// characters (others as '.').
std::string formatTraceEntry(const LineTrace::Entry& e);

}  // namespace qv::link
