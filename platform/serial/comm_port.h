#pragma once
// The serial port as the program needs it: open by path, fixed line settings,
// reads bounded by 1 ms per requested byte, synchronous writes. A small POSIX
// termios layer, because the program must also open pseudo terminals.
#include <string>

#include "platform/serial/byte_port.h"

namespace qv::serial {

class CommPort final : public BytePort {
public:
    CommPort() = default;
    ~CommPort() override;
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // Opens path for exclusive use, 9600 baud, 8N1, raw, no flow control.
    // Returns 0, or -1 with nothing left open, the reason in *error and its
    // kind in lastFailure().
    int open(const std::string& path, std::string* error = nullptr) override;
    OpenFailure lastFailure() const override { return failure_; }
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int fd() const { return fd_; }

    int read(std::uint8_t* buffer, std::size_t n) override;
    // Writes all bytes and waits until they have left; 0 or -1.
    int write(const std::uint8_t* data, std::size_t n) override;
    std::size_t discard(int maxMs) override;

    // Link health: how often a hung-up terminal was opened again, and whether
    // the last attempt found it gone (a pulled adapter, a stopped simulator).
    int reopenings() const override { return reopenings_; }
    bool lost() const override { return lost_; }

private:
    bool reopen();
    int fd_ = -1;
    std::string path_;
    OpenFailure failure_ = OpenFailure::None;
    int reopenings_ = 0;
    bool lost_ = false;
};

}  // namespace qv::serial
