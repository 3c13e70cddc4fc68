// Compare and read-back of two parameter blocks, as "Vergleich" and
// "Rücklesen" run them. The input: a family byte, a model byte, then the two
// blocks one after the other (short input leaves zero bytes). Properties: a
// block compared with itself differs nowhere; a byte-for-byte comparison
// accounts for every byte that differs, names no byte that does not, and
// names each row once; a compare lists only rows the model has.
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "core/params/compare.h"
#include "core/params/parameters.h"

namespace cfg = qv::params;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int family = data[0] % 3;
    const int code = 1 + data[1] % 45;
    const std::size_t n = cfg::blockSize(family);
    std::vector<std::uint8_t> a(n, 0), b(n, 0);
    const std::size_t rest = size - 2;
    std::memcpy(a.data(), data + 2, std::min(n, rest));
    if (rest > n) std::memcpy(b.data(), data + 2 + n, std::min(n, rest - n));

    for (int ui : {0, 2}) {
        QV_FUZZ_CHECK(cfg::compareBlocks(family, code, ui, a.data(), a.data(), true).empty());
        const auto all = cfg::compareBlocks(family, code, ui, a.data(), b.data(), true);
        std::set<int> rowsNamed;
        std::set<std::size_t> covered;
        for (const auto& d : all) {
            if (d.control && d.byte < 0) QV_FUZZ_CHECK(rowsNamed.insert(d.control).second);
            if (d.byte >= 0) {
                QV_FUZZ_CHECK(static_cast<std::size_t>(d.byte) < n && a[d.byte] != b[d.byte]);
                covered.insert(static_cast<std::size_t>(d.byte));
            } else if (const cfg::BlockField* f = cfg::fieldOf(family, d.control)) {
                for (std::size_t i = f->offset; i < f->offset + f->width; ++i) covered.insert(i);
            }
        }
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) QV_FUZZ_CHECK(covered.count(i));
        for (const auto& d : cfg::compareBlocks(family, code, ui, a.data(), b.data(), false))
            QV_FUZZ_CHECK(d.control != 0 && !d.missing);
    }
    return 0;
}
