#include "core/link/serial_link.h"

#include "core/link/trace.h"
#include "platform/serial/comm_port.h"
#include "platform/serial/net_port.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace qv::link {

int SerialLink::openPath(const std::string& path, int portNumber) {
    close();
    failureDetail_.clear();
    if (path.empty()) {
        failure_ = qv::serial::OpenFailure::NoDevice;
        if (tell_) std::fprintf(stderr, "Kann Schnittstelle COM%d nicht \u00f6ffnen: kein Ger\u00e4t\n", portNumber);
        return -1;
    }
    const bool network = qv::serial::isNetAddress(path);
    if (network) {
        auto net = std::make_unique<qv::serial::NetPort>();
        net->setNotes([this](const std::string& text) {
            if (trace_) trace_->note(text);
        });
        port_ = std::move(net);
    } else {
        port_ = std::make_unique<qv::serial::CommPort>();
    }
    std::string why;
    if (port_->open(path, &why) != 0) {
        failure_ = port_->lastFailure();
        if (network) failureDetail_ = why;
        port_.reset();
        if (tell_) std::fprintf(stderr, "Kann Schnittstelle COM%d nicht \u00f6ffnen (%s: %s)\n", portNumber, path.c_str(),
                     why.c_str());
        return -1;
    }
    failure_ = qv::serial::OpenFailure::None;
    openFlag_ = 1;
    return 0;
}

void SerialLink::close() {
    port_.reset();
    openFlag_ = 0;
}

int SerialLink::write(const std::uint8_t* bytes, std::size_t count) {
    const int r = writeBytes(bytes, count);
    if (r == 0 && trace_) trace_->sent(bytes, count);
    return r;
}

int SerialLink::read(std::uint8_t* buffer, int& received) {
    const int r = readBytes(buffer, received);
    if (r == 0 && received > 0 && trace_) trace_->received(buffer, static_cast<std::size_t>(received));
    return r;
}

int SerialLink::writeBytes(const std::uint8_t* bytes, std::size_t count) {
    if (openFlag_ != 1) return -1;
    return port_->write(bytes, count);
}

int SerialLink::readBytes(std::uint8_t* buffer, int& received) {
    received = 0;
    if (openFlag_ != 1) return -1;
    int n = port_->read(buffer, kReadSize);
    if (n < 0) return -1;
    received = n;
    return 0;
}

void SerialLink::flush() {
    std::uint8_t dropped[kReadSize];
    int received = 0;
    read(dropped, received);
    if (received < static_cast<int>(kReadSize)) return;
    if (const std::size_t more = discardBytes(kDrainMs); more > 0 && trace_)
        trace_->note("flushed " + std::to_string(more) + " bytes more");
}

std::size_t SerialLink::discardBytes(int maxMs) { return openFlag_ == 1 && port_ ? port_->discard(maxMs) : 0; }

void SerialLink::wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace qv::link
