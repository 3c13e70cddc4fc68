// The journal as it is read and verified: any bytes, as a file a plant's
// share or an editor may have left. Properties: reading and verifying never
// crash; every entry is an intent, an outcome follows its own intent; a
// verification counts every line, and one that finds a fault names a line
// the bytes have.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_common.h"
#include "core/journal/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto reading = qv::journal::readBytes(bytes);
    for (const auto& e : reading.entries) {
        QV_FUZZ_CHECK(e.intent.intent);
        if (e.outcome) QV_FUZZ_CHECK(!e.outcome->intent && e.outcome->refers == e.intent.seq);
    }
    const auto v = qv::journal::verifyBytes(bytes);
    long lines = 0;
    for (std::size_t i = 0; i < size; ++i) lines += bytes[i] == '\n';
    if (size && bytes.back() != '\n') ++lines;
    QV_FUZZ_CHECK(v.lines == lines);
    if (v.fault == qv::journal::Verification::Fault::None) {
        QV_FUZZ_CHECK(v.badLine == 0);
    } else {
        QV_FUZZ_CHECK(v.badLine >= 1 && v.badLine <= lines);
    }
    return 0;
}
