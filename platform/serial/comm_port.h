#pragma once
// The serial port as the program needs it: open by path, fixed line settings,
// reads bounded by 1 ms per requested byte, synchronous writes. A small POSIX
// termios layer, because the program must also open pseudo terminals.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::serial {

// Why a port did not open, as far as the user can act on it.
enum class OpenFailure { None, NoDevice, InUse, NoPermission, Other };

class CommPort {
public:
    CommPort() = default;
    ~CommPort();
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // Opens path for exclusive use, 9600 baud, 8N1, raw, no flow control.
    // Returns 0, or -1 with nothing left open, the reason in *error and its
    // kind in lastFailure().
    int open(const std::string& path, std::string* error = nullptr);
    OpenFailure lastFailure() const { return failure_; }
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Returns once n bytes have arrived or n milliseconds have passed, with
    // the count received (0 to n), or -1 when the port is not open.
    int read(std::uint8_t* buffer, std::size_t n);
    // Writes all bytes and waits until they have left; 0 or -1.
    int write(const std::uint8_t* data, std::size_t n);

    // Link health: how often a hung-up terminal was opened again, and whether
    // the last attempt found it gone (a pulled adapter, a stopped simulator).
    int reopenings() const { return reopenings_; }
    bool lost() const { return lost_; }

private:
    bool reopen();
    int fd_ = -1;
    std::string path_;
    OpenFailure failure_ = OpenFailure::None;
    int reopenings_ = 0;
    bool lost_ = false;
};

}  // namespace qv::serial
