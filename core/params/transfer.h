#pragma once
// A parameter set as it travels between the page, a file and the meter, and
// what a read of it from the meter gave. No I/O: the session reads, this judges.
#include <cstdint>
#include <vector>

#include "core/protocol/replies.h"

namespace qv::params {

// Model code, its family and the family's block.
struct ParameterSet {
    int code = 0;
    int family = -1;
    std::vector<std::uint8_t> block;
    bool operator==(const ParameterSet&) const = default;
};

// What a read's two replies hold. Whole: a block of the family, its reply
// led by the echo of its request, every value one a meter can hold (bytes
// after the block change nothing). Incomplete: no reply, or one cut short.
// Damaged: a reply not led by its echo, or values no meter holds. NoLink:
// nothing could be asked.
enum class ReadState { Whole, Incomplete, Damaged, NoLink };
struct SetRead {
    ReadState state = ReadState::NoLink;
    bool typeAnswered = false;  // the type request was answered: the model is the meter's
    ParameterSet set;           // the code and family the replies say (the asker's without a type
                                // answer); the block when whole
    std::vector<std::uint8_t> bytes;  // the block reply from its block on (what the page keeps)
    bool whole() const { return state == ReadState::Whole; }
};
// family, code: the asker's, for a type request that got no answer at all;
// replies null: there was no link.
SetRead judgeRead(const qv::protocol::ParameterReplies* replies, int family, int code);

}  // namespace qv::params
