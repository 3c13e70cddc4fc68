#include "core/params/transfer.h"

#include "core/params/parameters.h"
#include "core/protocol/tables.h"

namespace qv::params {

SetRead judgeRead(const qv::protocol::ParameterReplies* r, int family, int code) {
    namespace ex = qv::protocol::ex;
    SetRead out;
    out.set.code = code;
    out.set.family = family;
    if (!r) return out;
    out.state = ReadState::Incomplete;
    out.typeAnswered = r->type.received > 0;
    out.bytes.assign(r->block.bytes.begin() + 2, r->block.bytes.end());
    if (out.typeAnswered) {
        if (r->type.bytes[0] != ex::ReadType.command || r->type.received <= static_cast<int>(qv::protocol::kValueByte)) {
            out.state = ReadState::Damaged;
            return out;
        }
        out.set.code = static_cast<std::int8_t>(r->type.bytes[qv::protocol::kValueByte]);
        qv::protocol::updateFamily(out.set.code, out.set.family);
    }
    if (r->block.received > 0 && r->block.bytes[0] != ex::ReadBlock.command) {
        out.state = ReadState::Damaged;
        return out;
    }
    const std::size_t n = blockSize(out.set.family);
    if (n == 0 || static_cast<std::size_t>(r->block.received) < 2 + n) return out;
    if (!blockPlausible(out.set.family, out.bytes.data())) {
        out.state = ReadState::Damaged;
        return out;
    }
    out.state = ReadState::Whole;
    out.set.block.assign(out.bytes.begin(), out.bytes.begin() + static_cast<long>(n));
    return out;
}

}  // namespace qv::params
