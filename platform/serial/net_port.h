#pragma once
// A meter behind a network serial server, through libgensio: raw TCP
// ("tcp://HOST:PORT", the server's line settings as configured there) or
// Telnet with the COM-PORT-OPTION ("rfc2217://HOST:PORT": 9600 baud, 8 data
// bits, no parity, 1 stop bit, no flow control are asked for, and each must
// be confirmed as asked). Reads and writes keep the serial port's contract,
// so the protocol's windows hold; a connection that breaks is made again, at
// most once a second, as a hung-up terminal is opened again.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial/byte_port.h"

namespace qv::serial {

struct NetAddress {
    enum class Kind { Tcp, Rfc2217 };
    Kind kind = Kind::Tcp;
    std::string host;
    int port = 0;
};
// Whether text names a network port at all (by its scheme).
bool isNetAddress(const std::string& text);
// "tcp://host:port" or "rfc2217://host:port" ("[::1]:4001" for IPv6);
// nothing for anything else, a port outside 1..65535 included.
std::optional<NetAddress> parseNetAddress(const std::string& text);
// "rfc2217 plant-gw:4001", as the port list shows it.
std::string netLabel(const NetAddress& address);

class NetPort final : public BytePort {
public:
    static constexpr int kConnectMs = 3000;  // for the first connection
    static constexpr int kConfirmMs = 1000;  // for each line setting's confirmation
    static constexpr int kRetryMs = 1000;    // between attempts to connect again

    NetPort();
    ~NetPort() override;
    NetPort(const NetPort&) = delete;
    NetPort& operator=(const NetPort&) = delete;

    int open(const std::string& address, std::string* error = nullptr) override;
    OpenFailure lastFailure() const override;
    void close() override;
    bool isOpen() const override;
    int read(std::uint8_t* buffer, std::size_t n) override;
    // Hands all bytes to the connection (Telnet's 0xFF doubled by the library).
    int write(const std::uint8_t* data, std::size_t n) override;
    std::size_t discard(int maxMs) override;
    int reopenings() const override;
    bool lost() const override;

    // Where the connection's own events go, one line each: connected,
    // every line setting asked for with the server's answer, closed.
    void setNotes(std::function<void(const std::string&)> notes);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace qv::serial
