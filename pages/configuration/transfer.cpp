#include "pages/configuration/transfer.h"

#include "device/tables.h"

namespace qv::configuration {

namespace {
using qv::device::SerialLink;

// Every read, write and flush happens only while the port is open.
void flush(SerialLink& link) {
    if (!link.isOpen()) return;
    Reply dropped;
    link.read(dropped.bytes.data(), dropped.received);
}
void send(SerialLink& link, const std::uint8_t* bytes, std::size_t n) {
    if (link.isOpen()) link.write(bytes, n);
}
Reply receive(SerialLink& link) {
    Reply r;
    if (link.isOpen()) link.read(r.bytes.data(), r.received);
    if (r.received < 0) r.received = 0;
    return r;
}
}  // namespace

ParameterReplies requestParameters(SerialLink& link) {
    ParameterReplies out;
    flush(link);
    send(link, &kTypeRequest, 1);
    link.wait(kReadWaitMs);
    out.type = receive(link);
    send(link, &kBlockRequest, 1);
    link.wait(kReadWaitMs);
    out.block = receive(link);
    return out;
}

ReadOutcome judgeParameters(const ParameterReplies& r, int family, int code) {
    ReadOutcome out;
    out.code = code;
    out.family = family;
    if (r.type.received > 0) {
        if (r.type.bytes[0] != kTypeRequest || r.type.received < 3) {
            out.state = ReadState::Damaged;
            return out;
        }
        out.code = static_cast<std::int8_t>(r.type.bytes[2]);
        qv::device::updateFamily(out.code, out.family);
    }
    if (r.block.received > 0 && r.block.bytes[0] != kBlockRequest) {
        out.state = ReadState::Damaged;
        return out;
    }
    const std::size_t n = blockSize(out.family);
    if (n == 0 || static_cast<std::size_t>(r.block.received) < 2 + n) return out;
    if (!blockPlausible(out.family, r.block.bytes.data() + 2)) {
        out.state = ReadState::Damaged;
        return out;
    }
    out.state = ReadState::Whole;
    out.block = r.block.bytes.data() + 2;
    return out;
}

WriteOutcome sendParameterFrame(SerialLink& link, const std::vector<std::uint8_t>& frame) {
    WriteOutcome out;
    if (frame.empty() || !link.isOpen()) return out;
    flush(link);
    send(link, frame.data(), 1);
    link.wait(kWriteWaitMs);
    receive(link);  // the answer to the lone first byte is not examined
    // A late answer to it would pass for the frame's: the line must be
    // quiet (one empty read, 80 ms) before the rest goes out.
    bool quiet = false;
    for (int i = 0; i < kQuietReads && !quiet; ++i) quiet = receive(link).received == 0;
    if (!quiet) return out;
    send(link, frame.data() + 1, frame.size() - 1);
    out.sent = true;
    link.wait(kWriteWaitMs);
    const Reply answer = receive(link);
    out.acknowledged = answer.received > 0 && answer.bytes[0] == kWriteAck;
    return out;
}

}  // namespace qv::configuration
