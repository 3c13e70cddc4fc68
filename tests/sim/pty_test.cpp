// The simulator behind a real pseudo terminal: the PC side opens the link the
// way the serial port layer does and exchanges bytes with the meter.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/meter.h"
#include "sim/pty_server.h"

using qv::sim::Meter;
using qv::sim::MeterConfig;
using qv::sim::PtyServer;
using Bytes = std::vector<uint8_t>;

namespace {

std::string makeTempDir() {
  char tmpl[] = "/tmp/kt740_pty_test_XXXXXX";
  const char* dir = mkdtemp(tmpl);
  return dir ? dir : "";
}

int openPort(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

// Reads until want bytes arrived or timeoutMs passed.
Bytes readUpTo(int fd, std::size_t want, int timeoutMs) {
  Bytes got;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < want) {
    int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, left) <= 0) break;
    uint8_t buf[128];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

class PtyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir();
    ASSERT_FALSE(dir_.empty());
    link_ = dir_ + "/COM1";
  }
  void TearDown() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    server_.reset();
    ::unlink(link_.c_str());
    ::unlink((link_ + ".sim").c_str());
    ::rmdir(dir_.c_str());
  }
  void start(MeterConfig c, std::FILE* trace = nullptr) {
    meter_ = std::make_unique<Meter>(c, 0);
    server_ = std::make_unique<PtyServer>(*meter_, link_, trace != nullptr, trace);
    std::string error;
    ASSERT_TRUE(server_->open(error)) << error;
    thread_ = std::thread([this] { server_->run(stop_); });
  }

  std::string dir_, link_;
  std::atomic<bool> stop_{false};
  std::unique_ptr<Meter> meter_;
  std::unique_ptr<PtyServer> server_;
  std::thread thread_;
};

}  // namespace

TEST_F(PtyFixture, TypeRequestRoundTrip) {
  std::FILE* trace = std::tmpfile();
  ASSERT_NE(trace, nullptr);
  MeterConfig c;
  c.modelCode = 17;
  start(c, trace);

  char target[256];
  ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::string(target, std::size_t(n)), server_->slavePath());

  int fd = openPort(link_);
  ASSERT_GE(fd, 0);
  uint8_t cmd = 0x50;
  ASSERT_EQ(::write(fd, &cmd, 1), 1);
  Bytes r = readUpTo(fd, 4, 100);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], 0x50);
  EXPECT_EQ(r[2], 17);
  EXPECT_TRUE(readUpTo(fd, 1, 30).empty());   // nothing beyond the 4 bytes
  ::close(fd);

  // Closing and reopening the port, as the program does on a port change.
  fd = openPort(link_);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, &cmd, 1), 1);
  EXPECT_EQ(readUpTo(fd, 4, 100).size(), 4u);
  ::close(fd);

  stop_ = true;
  thread_.join();
  std::string text;
  std::rewind(trace);
  for (int ch; (ch = std::fgetc(trace)) != EOF;) text += char(ch);
  std::fclose(trace);
  EXPECT_NE(text.find(" RX 50\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" TX 50 04 11 65\n"), std::string::npos) << text;
  EXPECT_EQ(text[2], ':');
  EXPECT_EQ(text[8], '.');   // hh:mm:ss.mmm
}

TEST_F(PtyFixture, ParameterWriteOverTheTerminal) {
  start(MeterConfig{});
  int fd = openPort(link_);
  ASSERT_GE(fd, 0);
  uint8_t cmd = 0x60;
  ASSERT_EQ(::write(fd, &cmd, 1), 1);
  EXPECT_EQ(readUpTo(fd, 1, 100), Bytes{0x96});
  Bytes frame{'B'};
  Bytes block = qv::sim::factoryBlock(0);
  block[2] = 42;
  frame.insert(frame.end(), block.begin(), block.end());
  unsigned s = 0x60;
  for (uint8_t b : frame) s += b;
  frame.push_back(uint8_t(s));
  ASSERT_EQ(::write(fd, frame.data(), frame.size()), ssize_t(frame.size()));
  EXPECT_EQ(readUpTo(fd, 1, 100), Bytes{0x96});
  ::close(fd);
  stop_ = true;
  thread_.join();
  EXPECT_EQ(meter_->block(0), block);
}

TEST_F(PtyFixture, RemovesLinkAndMarkerOnClose) {
  start(MeterConfig{});
  struct stat st;
  ASSERT_EQ(lstat(link_.c_str(), &st), 0);
  ASSERT_EQ(lstat(server_->markerPath().c_str(), &st), 0);
  stop_ = true;
  thread_.join();
  server_->close();
  EXPECT_NE(lstat(link_.c_str(), &st), 0);
  EXPECT_NE(lstat(server_->markerPath().c_str(), &st), 0);
}

TEST_F(PtyFixture, ReplacesOldLinkButNotARegularFile) {
  ASSERT_EQ(symlink("/nonexistent/pts", link_.c_str()), 0);
  Meter meter;
  {
    PtyServer server(meter, link_);
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    char target[256];
    ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(target, std::size_t(n)), server.slavePath());
  }
  std::FILE* f = std::fopen(link_.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("keep me", f);
  std::fclose(f);
  PtyServer server(meter, link_);
  std::string error;
  EXPECT_FALSE(server.open(error));
  EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
  struct stat st;
  ASSERT_EQ(lstat(link_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 7);
}
