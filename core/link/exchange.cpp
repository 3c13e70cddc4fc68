#include "core/link/exchange.h"

#include "core/params/parameters.h"
#include "core/protocol/tables.h"

#include <algorithm>
#include <cstring>

namespace qv::link {

namespace ex = qv::protocol::ex;
using qv::protocol::Reply;

namespace {
// Every read, write and flush of the set's exchanges happens only while the
// port is open.
void flush(SerialLink& link) {
    if (link.isOpen()) link.flush();
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

int exchangeCommand(SerialLink* link, std::uint8_t command, const qv::protocol::Exchange& how, std::uint8_t* buffer) {
    std::memset(buffer, 0, kReadSize);
    if (!link) return 0;
    link->flush();  // late or unsolicited bytes go
    link->write(&command, 1);
    link->wait(how.waitMs);
    int received = 0;
    link->read(buffer, received);
    return received;
}

bool identifyMeter(SerialLink& link, qv::protocol::Identification& result) {
    std::uint8_t buf[kReadSize] = {};
    int received = 0;
    link.write(&ex::IdentifyType.command, 1);
    link.wait(ex::IdentifyType.waitMs);
    link.read(buf, received);
    const auto code = qv::protocol::identificationCode(buf, received);
    if (!code) return false;

    qv::protocol::Identification id;
    id.deviceCode = *code;
    std::memset(buf, 0, sizeof buf);
    received = 0;
    link.write(&ex::IdentifyVersion.command, 1);
    link.wait(ex::IdentifyVersion.waitMs);
    link.read(buf, received);
    id.version = qv::protocol::identificationVersion(buf, received);
    result = id;
    return true;
}

qv::protocol::ParameterReplies requestParameters(SerialLink& link) {
    qv::protocol::ParameterReplies out;
    flush(link);
    send(link, &ex::ReadType.command, 1);
    link.wait(ex::ReadType.waitMs);
    out.type = receive(link);
    send(link, &ex::ReadBlock.command, 1);
    link.wait(ex::ReadBlock.waitMs);
    out.block = receive(link);
    // A block begun but not finished within its window (a slow network
    // server, a loaded machine) gets one more read for the rest of the
    // meter's own bytes; nothing more is asked of the meter.
    int family = -1;
    if (out.type.received > static_cast<int>(qv::protocol::kValueByte))
        qv::protocol::updateFamily(static_cast<std::int8_t>(out.type.bytes[qv::protocol::kValueByte]), family);
    const int whole = family < 0 ? 0 : 2 + static_cast<int>(qv::params::blockSize(family));
    if (out.block.received > 0 && out.block.received < whole && out.block.bytes[0] == ex::ReadBlock.command) {
        std::uint8_t rest[kReadSize];
        int more = 0;
        link.read(rest, more);
        more = std::min(std::max(more, 0), static_cast<int>(kReadSize) - out.block.received);
        std::memcpy(out.block.bytes.data() + out.block.received, rest, static_cast<std::size_t>(more));
        out.block.received += more;
    }
    return out;
}

qv::protocol::WriteOutcome sendParameterFrame(SerialLink& link, const std::vector<std::uint8_t>& frame) {
    qv::protocol::WriteOutcome out;
    if (frame.empty() || !link.isOpen()) return out;
    flush(link);
    send(link, frame.data(), 1);
    link.wait(ex::WriteStart.waitMs);
    receive(link);  // the answer to the lone first byte is not examined
    // A late answer to it would pass for the frame's: the line must be
    // quiet (one empty read, 80 ms) before the rest goes out.
    bool quiet = false;
    for (int i = 0; i < qv::protocol::kWriteQuietReads && !quiet; ++i) quiet = receive(link).received == 0;
    if (!quiet) return out;
    send(link, frame.data() + 1, frame.size() - 1);
    out.sent = true;
    link.wait(ex::WriteFrame.waitMs);
    const Reply answer = receive(link);
    out.acknowledged = qv::protocol::acknowledged(answer.bytes.data(), answer.received);
    return out;
}

qv::protocol::LowFlowResult lowFlowExchange(SerialLink& link, int value) {
    using qv::protocol::LowFlowResult;
    // Without a choice there is no value to send (the buttons are disabled then).
    if (value < 0 || value > 10) return LowFlowResult::NotSent;
    const auto block = qv::protocol::lowFlowBlock(value);
    std::uint8_t buffer[kReadSize] = {};
    int received = 0;
    auto next = [&](const qv::protocol::Exchange& how) {
        link.wait(how.waitMs);
        received = 0;
        link.read(buffer, received);
    };

    link.wait(ex::LowFlowLead.waitMs);
    link.flush();  // late bytes go
    link.write(&ex::LowFlowCommand.command, 1);
    next(ex::LowFlowCommand);
    if (!qv::protocol::acknowledged(buffer, received)) return LowFlowResult::NoAck;
    link.write(block.data(), block.size());
    next(ex::LowFlowBlock);
    if (!qv::protocol::acknowledged(buffer, received)) return LowFlowResult::NoAck;
    if (value != 0) return LowFlowResult::Set;
    // Zero point: the meter reports the adjustment's result afterwards.
    next(ex::ZeroPointResult);
    return qv::protocol::zeroPointResult(buffer, received);
}

}  // namespace qv::link
