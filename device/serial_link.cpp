#include "device/serial_link.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace qv::device {
namespace {
std::string& portDir() {
    static std::string dir = [] {
        char buf[4096];
        return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
    }();
    return dir;
}
}  // namespace

void SerialLink::setPortDirectory(const std::string& dir) { portDir() = dir; }
const std::string& SerialLink::portDirectory() { return portDir(); }

int SerialLink::open(int portNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "COM%d", portNumber);
    openFlag_ = 0;
    std::string why;
    const std::string path = qv::serial::resolvePortPath(portDir(), portNumber);
    if (port_.open(path, &why) != 0) {
        std::fprintf(stderr, "Kann Schnittstelle %s nicht öffnen (%s: %s)\n", name, path.c_str(),
                     why.c_str());
        return -1;
    }
    openFlag_ = 1;
    return 0;
}

void SerialLink::close() {
    port_.close();
    openFlag_ = 0;
}

int SerialLink::write(const std::uint8_t* bytes, std::size_t count) {
    if (openFlag_ != 1) return -1;
    return port_.write(bytes, count);
}

int SerialLink::read(std::uint8_t* buffer, int& received) {
    received = 0;
    if (openFlag_ != 1) return -1;
    int n = port_.read(buffer, kReadSize);
    if (n < 0) return -1;
    received = n;
    return 0;
}

void SerialLink::wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace qv::device
