// A node command as any client of the broker may send it: any bytes on
// "spBv1.0/GROUP/NCMD/NODE". Properties: decoding never crashes; what
// decodes encodes again and decodes to the same metrics; a rebirth request
// is read the same from both.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_common.h"
#include "core/publish/sparkplug.h"

namespace sp = qv::publish;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto p = sp::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!p) return 0;
    const auto again = sp::decode(sp::encode(*p));
    QV_FUZZ_CHECK(again.has_value());
    QV_FUZZ_CHECK(again->metrics.size() == p->metrics.size() && again->seq == p->seq && again->timestamp == p->timestamp);
    for (std::size_t i = 0; i < p->metrics.size(); ++i) {
        const auto& a = p->metrics[i];
        const auto& b = again->metrics[i];
        QV_FUZZ_CHECK(a.name == b.name && a.type == b.type && a.properties == b.properties);
        QV_FUZZ_CHECK(a.value.index() == b.value.index());
        if (const auto* f = std::get_if<float>(&a.value)) QV_FUZZ_CHECK(std::memcmp(f, &std::get<float>(b.value), sizeof *f) == 0);
    }
    QV_FUZZ_CHECK(sp::asksRebirth(*p) == sp::asksRebirth(*again));
    return 0;
}
