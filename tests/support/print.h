#pragma once
// The core's outcomes as GoogleTest prints them: by name, not as bytes.
#include <ostream>

#include "core/link/link_health.h"
#include "core/params/verdict.h"
#include "core/protocol/replies.h"

namespace qv::params {
inline void PrintTo(WriteVerdict v, std::ostream* os) { *os << verdictName(v); }
inline void PrintTo(ReadState s, std::ostream* os) {
    const char* names[] = {"whole", "incomplete", "damaged", "no link"};
    *os << names[static_cast<int>(s)];
}
}  // namespace qv::params

namespace qv::protocol {
inline void PrintTo(LowFlowResult r, std::ostream* os) {
    const char* names[] = {"not sent", "no acknowledge", "set", "9E", "9D", "9F", "no zero result", "other"};
    *os << names[static_cast<int>(r)];
}
}  // namespace qv::protocol

namespace qv::link {
inline void PrintTo(LinkHealth::State s, std::ostream* os) {
    const char* names[] = {"up", "idle", "no port", "lost", "silent"};
    *os << names[static_cast<int>(s)];
}
}  // namespace qv::link
