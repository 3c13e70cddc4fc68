#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qv::sim {

namespace {

// Bytes the PC has not fetched beyond this mean nobody has the port open;
// they are discarded so a program that opens it later does not read stale replies.
constexpr int kStaleInputBytes = 1024;

int64_t monotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

PtyServer::PtyServer(Meter& meter, std::string linkPath, bool trace, std::FILE* traceOut)
    : meter_(meter),
      linkPath_(std::move(linkPath)),
      trace_(trace),
      traceOut_(traceOut),
      startNs_(monotonicNs()) {}

PtyServer::~PtyServer() { close(); }

uint64_t PtyServer::nowMs() const { return uint64_t((monotonicNs() - startNs_) / 1000000); }

bool PtyServer::open(std::string& error) {
  close();
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) {
    error = errnoText("posix_openpt");
    return false;
  }
  char name[128];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
    error = errnoText("pseudo terminal setup");
    close();
    return false;
  }
  slavePath_ = name;
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    error = errnoText(std::string("open ") + name);
    close();
    return false;
  }
  // Raw, so no byte of the binary protocol is echoed, translated or held back.
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) {
    error = errnoText("tcgetattr");
    close();
    return false;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) {
    error = errnoText("tcsetattr");
    close();
    return false;
  }

  struct stat st;
  if (lstat(linkPath_.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = "refusing to replace " + linkPath_ + ": it exists and is not a symbolic link";
      close();
      return false;
    }
    if (unlink(linkPath_.c_str()) != 0) {
      error = errnoText("remove old link " + linkPath_);
      close();
      return false;
    }
  }
  if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) {
    error = errnoText("create link " + linkPath_);
    close();
    return false;
  }
  linked_ = true;
  writeMarker();
  return true;
}

void PtyServer::writeMarker() {
  // Without the marker the link still works; the program then names the
  // port by its terminal, so a failure here is not fatal.
  struct stat st;
  if (fstat(slave_, &st) != 0) return;
  char text[160];
  const int n = std::snprintf(text, sizeof text, "%s\n%lld.%09ld\n", slavePath_.c_str(),
                              static_cast<long long>(st.st_ctim.tv_sec), static_cast<long>(st.st_ctim.tv_nsec));
  if (n <= 0 || std::size_t(n) >= sizeof text) return;
  const std::string path = markerPath();
  // Never through a symbolic link: the marker is written where it is named.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return;
  marked_ = ::write(fd, text, std::size_t(n)) == n;
  ::close(fd);
  if (!marked_) unlink(path.c_str());
}

bool PtyServer::markerIsOurs() const {
  int fd = ::open(markerPath().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  char text[160];
  const ssize_t n = ::read(fd, text, sizeof text);
  ::close(fd);
  const std::string first = slavePath_ + '\n';
  return n > 0 && std::string(text, std::size_t(n)).rfind(first, 0) == 0;
}

void PtyServer::close() {
  // Leave a marker alone that another simulator has since written.
  if (marked_ && markerIsOurs()) unlink(markerPath().c_str());
  marked_ = false;
  if (linked_) {
    // Leave a link alone that another simulator has since taken over.
    char target[256];
    ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, std::size_t(n)) == slavePath_) unlink(linkPath_.c_str());
    linked_ = false;
  }
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
  pendingOut_.clear();
}

void PtyServer::traceLine(const char* dir, const uint8_t* data, std::size_t n) {
  if (!trace_ || !traceOut_) return;
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t secs = system_clock::to_time_t(now);
  int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm tm{};
  localtime_r(&secs, &tm);
  std::string line(64 + 3 * n, '\0');
  int len = std::snprintf(line.data(), line.size(), "%02d:%02d:%02d.%03d %s", tm.tm_hour, tm.tm_min,
                          tm.tm_sec, ms, dir);
  for (std::size_t i = 0; i < n; ++i)
    len += std::snprintf(line.data() + len, line.size() - std::size_t(len), " %02X", data[i]);
  line.resize(std::size_t(len));
  line += '\n';
  std::fputs(line.c_str(), traceOut_);
  std::fflush(traceOut_);
}

void PtyServer::sendDue() {
  std::vector<uint8_t> out;
  meter_.collectDue(nowMs(), out);
  if (out.empty()) return;
  traceLine("TX", out.data(), out.size());
  int unread = 0;
  if (ioctl(slave_, FIONREAD, &unread) == 0 && unread > kStaleInputBytes) tcflush(slave_, TCIFLUSH);
  pendingOut_.insert(pendingOut_.end(), out.begin(), out.end());
  writePending();
}

void PtyServer::writePending() {
  while (!pendingOut_.empty()) {
    ssize_t n = ::write(master_, pendingOut_.data(), pendingOut_.size());
    if (n > 0) {
      pendingOut_.erase(pendingOut_.begin(), pendingOut_.begin() + n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) pendingOut_.clear();
      return;   // the terminal's buffer is full; poll tells when it drains
    }
  }
}

bool PtyServer::serveOnce(int maxWaitMs) {
  if (master_ < 0) return false;
  sendDue();
  const uint64_t now = nowMs();
  const uint64_t next = meter_.nextDue();
  int timeout = std::max(0, maxWaitMs);
  if (next != Meter::kNever) timeout = next <= now ? 0 : int(std::min<uint64_t>(uint64_t(timeout), next - now));

  pollfd pfd{master_, short(POLLIN | (pendingOut_.empty() ? 0 : POLLOUT)), 0};
  int r = ::poll(&pfd, 1, timeout);
  if (r < 0) return errno == EINTR;
  if (pfd.revents & POLLIN) {
    uint8_t buf[512];
    for (;;) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        traceLine("RX", buf, std::size_t(n));
        meter_.receive(buf, std::size_t(n), nowMs());
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      break;   // EAGAIN: all read
    }
  } else if (pfd.revents & (POLLHUP | POLLERR)) {
    // Should not happen while our slave descriptor is open; avoid spinning if it does.
    ::poll(nullptr, 0, 10);
  }
  if (pfd.revents & POLLOUT) writePending();
  sendDue();
  return true;
}

int PtyServer::run(const std::atomic<bool>& stop, std::atomic<bool>* toggle) {
  while (!stop.load()) {
    if (toggle && toggle->exchange(false)) meter_.toggleFaults();
    if (!serveOnce(100)) return 1;
  }
  return 0;
}

}  // namespace qv::sim
