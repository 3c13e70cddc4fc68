#pragma once
// The program's one connection to the meter. It knows nothing of the
// protocol; framing and waits belong to the exchanges, and the session
// decides who may use it when.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/protocol/commands.h"
#include "platform/serial/byte_port.h"

namespace qv::link {

class LineTrace;
using qv::protocol::kReadSize;  // every read asks for this many bytes

class SerialLink {
public:
    SerialLink() = default;
    virtual ~SerialLink() = default;
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Opens the device a port number was resolved to (portNumber only names
    // it in the failure text): a device path, or a network serial server's
    // "tcp://HOST:PORT" or "rfc2217://HOST:PORT"; an empty path is "no such
    // device". 0 or -1; on failure nothing stays open and lastFailure() tells why.
    virtual int openPath(const std::string& path, int portNumber);
    // Where the bytes on the line, and a network connection's own events,
    // are recorded; none unless set.
    void setTrace(LineTrace* trace) { trace_ = trace; }
    // Whether a port that did not open is also told on stderr (the window's
    // way; a program that reports the failure itself turns it off).
    void setTellFailures(bool on) { tell_ = on; }
    void close();
    qv::serial::OpenFailure lastFailure() const { return failure_; }
    // What a network server answered or refused ("SET-BAUDRATE 9600 → 19200",
    // "Connection refused"); empty for a local port.
    const std::string& failureDetail() const { return failureDetail_; }

    virtual bool isOpen() const { return openFlag_ == 1; }
    // One synchronous write of count bytes; 0 or -1 (nothing written when closed).
    // Both go through here, so the line's trace sees every byte.
    int write(const std::uint8_t* bytes, std::size_t count);
    // One read asking for kReadSize bytes into a buffer of at least that
    // size; received holds what arrived. -1 with 0 bytes when not open.
    int read(std::uint8_t* buffer, int& received);
    // The flush before a command: one read whose bytes are dropped (late or
    // unsolicited bytes go, within the read's window); when it came back
    // full, more may be waiting, however much (the port's buffer, a network
    // path's backlog of a babbling line): that is dropped too, for at most
    // kDrainMs, so no backlog is left for the reply that follows.
    void flush();
    static constexpr int kDrainMs = 100;
    // The protocol's fixed waits, here so a scripted link can record them.
    virtual void wait(int ms);
    // How often the port was opened again after a hang-up, and whether it is
    // gone right now (read on the line's thread, with the exchange).
    virtual int reopenings() const { return port_ ? port_->reopenings() : 0; }
    virtual bool lost() const { return port_ && port_->lost(); }

protected:
    void setLastFailure(qv::serial::OpenFailure failure) { failure_ = failure; }
    // The port itself (a scripted link stands in here).
    virtual int writeBytes(const std::uint8_t* bytes, std::size_t count);
    virtual int readBytes(std::uint8_t* buffer, int& received);
    // Drops what has arrived and follows without a pause; how many bytes.
    virtual std::size_t discardBytes(int maxMs);

private:
    std::unique_ptr<qv::serial::BytePort> port_;
    LineTrace* trace_ = nullptr;
    bool tell_ = true;
    int openFlag_ = 0;
    qv::serial::OpenFailure failure_ = qv::serial::OpenFailure::None;
    std::string failureDetail_;
};

// The session's slot for the one link; only the session and its line's
// thread touch it.
using LinkSlot = std::unique_ptr<SerialLink>;

}  // namespace qv::link
