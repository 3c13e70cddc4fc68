#include "platform/serial/comm_port.h"

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace qv::serial {
namespace {

using Clock = std::chrono::steady_clock;

// Rounded up, so a read window is never shorter than asked for.
int msLeft(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool configure(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Timing is done with poll(); the descriptor itself never blocks.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0) return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

OpenFailure classify(int err) {
    switch (err) {
    case ENOENT: case ENODEV: case ENXIO: case ENOTDIR: case ELOOP: return OpenFailure::NoDevice;
    case EACCES: case EPERM: case EROFS: return OpenFailure::NoPermission;
    case EBUSY: return OpenFailure::InUse;
    default: return OpenFailure::Other;
    }
}

// Opens and sets up path; returns the descriptor or -1 with nothing left open.
int openConfigured(const std::string& path, std::string& why, OpenFailure& failure) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        failure = classify(errno);
        return -1;
    }
    failure = OpenFailure::Other;
    if (!isatty(fd)) {
        why = "not a terminal";
        ::close(fd);
        return -1;
    }
    // No sharing, by a lock the kernel drops when the process ends, however
    // it ends. (The terminal's exclusive flag would outlive a killed program
    // on a terminal someone else keeps open, such as the simulator's, and
    // lock out its next start.)
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = "in use by another program";
        failure = OpenFailure::InUse;
        ::close(fd);
        return -1;
    }
    if (!configure(fd)) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    tcflush(fd, TCIOFLUSH);
    failure = OpenFailure::None;
    return fd;
}

}  // namespace

CommPort::~CommPort() { close(); }

int CommPort::open(const std::string& path, std::string* error) {
    close();
    std::string why;
    fd_ = openConfigured(path, why, failure_);
    if (fd_ < 0) {
        if (error) *error = why;
        return -1;
    }
    path_ = path;
    lost_ = false;
    return 0;
}

void CommPort::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// A terminal that hung up (an adapter pulled, a simulator restarted on the
// same link) is opened again, so the line comes back when the meter does.
bool CommPort::reopen() {
    if (path_.empty()) return false;
    std::string why;
    OpenFailure ignored;
    int fd = openConfigured(path_, why, ignored);
    if (fd < 0) {
        lost_ = true;
        return false;
    }
    ::close(fd_);
    fd_ = fd;
    ++reopenings_;
    lost_ = false;
    return true;
}

int CommPort::read(std::uint8_t* buffer, std::size_t n) {
    if (fd_ < 0) return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(n);
    std::size_t got = 0;
    bool reopened = false;
    while (got < n) {
        const int wait = msLeft(deadline);
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0 && Clock::now() < deadline) continue;
        if (r <= 0) break;  // window over
        bool hungUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLIN);
        if (!hungUp) {
            ssize_t k = ::read(fd_, buffer + got, n - got);
            if (k > 0) {
                got += static_cast<std::size_t>(k);
                continue;
            }
            if (k < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            hungUp = true;  // 0 or EIO: the other end is gone
        }
        if (hungUp) {
            if (!reopened && reopen()) {
                reopened = true;
                continue;
            }
            // Nothing to read from: sit out the window as a silent line would.
            std::this_thread::sleep_for(std::chrono::milliseconds(msLeft(deadline)));
            break;
        }
    }
    return static_cast<int>(got);
}

std::size_t CommPort::discard(int maxMs) {
    if (fd_ < 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
    std::size_t dropped = 0;
    std::uint8_t chunk[4096];
    // What the terminal holds, and whatever keeps coming without a pause of
    // a few milliseconds (at 9600 baud a byte takes about one).
    for (;;) {
        const int wait = std::min(3, msLeft(deadline));
        if (wait <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || !(p.revents & POLLIN)) break;
        const ssize_t k = ::read(fd_, chunk, sizeof chunk);
        if (k < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (k <= 0) break;
        dropped += static_cast<std::size_t>(k);
    }
    return dropped;
}

int CommPort::write(const std::uint8_t* data, std::size_t n) {
    if (fd_ < 0) return -1;
    // The meter reads every byte at once; a line that takes more than a
    // second plus the transmission time for a few bytes is dead.
    const auto deadline = Clock::now() + std::chrono::milliseconds(1000 + 2 * n);
    std::size_t sent = 0;
    bool reopened = false;
    while (sent < n) {
        ssize_t k = ::write(fd_, data + sent, n - sent);
        if (k > 0) {
            sent += static_cast<std::size_t>(k);
            continue;
        }
        if (k < 0 && errno == EINTR) continue;
        if (k < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, msLeft(deadline)) <= 0) return -1;
            continue;
        }
        if (!reopened && reopen()) {
            reopened = true;
            continue;
        }
        return -1;
    }
    tcdrain(fd_);
    return 0;
}

}  // namespace qv::serial
