#include "pages/configuration/transfer.h"

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

bool sendParameterFrame(SerialLink& link, const std::vector<std::uint8_t>& frame) {
    if (frame.empty()) return false;
    flush(link);
    send(link, frame.data(), 1);
    link.wait(kWriteWaitMs);
    receive(link);  // the answer to the lone first byte is not examined
    send(link, frame.data() + 1, frame.size() - 1);
    link.wait(kWriteWaitMs);
    const Reply answer = receive(link);
    return answer.received > 0 && answer.bytes[0] == kWriteAck;
}

}  // namespace qv::configuration
