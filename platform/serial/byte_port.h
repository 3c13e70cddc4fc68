#pragma once
// What the line needs of a port, whatever carries the bytes: a local serial
// device (CommPort) or a network serial server (NetPort). Reads are bounded
// by 1 ms per requested byte, so the protocol's windows hold on both.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::serial {

// Why a port did not open, as far as the user can act on it. The last five
// are a network server's: not reached (the system's reason), the connection
// refused (nothing listens there), no answer to the connection, a line
// setting refused (another value confirmed), a line setting never confirmed.
enum class OpenFailure {
    None, NoDevice, InUse, NoPermission, Other,
    NoServer, ServerRefused, ServerSilent, SettingRefused, SettingUnconfirmed
};

class BytePort {
public:
    virtual ~BytePort() = default;
    // 0, or -1 with nothing left open, the reason in *error and its kind in
    // lastFailure().
    virtual int open(const std::string& where, std::string* error = nullptr) = 0;
    virtual OpenFailure lastFailure() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Returns once n bytes have arrived or n milliseconds have passed, with
    // the count received (0 to n), or -1 when the port is not open.
    virtual int read(std::uint8_t* buffer, std::size_t n) = 0;
    // Writes all bytes; 0 or -1.
    virtual int write(const std::uint8_t* data, std::size_t n) = 0;
    // Drops every byte that has arrived, however many (the port's own buffer,
    // a network path's backlog), and what follows without a pause, for at
    // most maxMs; returns how many were dropped.
    virtual std::size_t discard(int maxMs) = 0;
    // How often the port was opened again after its other end went, and
    // whether the last attempt found it still gone.
    virtual int reopenings() const = 0;
    virtual bool lost() const = 0;
};

}  // namespace qv::serial
