// A recording as the viewer and qv-cli convert read it: any bytes, as an
// editor, a cut transfer or a wrong file may leave them. Properties: never a
// crash; the same columns whether the bytes come whole or in two pieces cut
// anywhere; lines taken in file order, in time order when asked; what waits
// for its line end stays bounded; the export has a line per line taken; a
// viewer's columns hold every value that is a number exactly once.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_common.h"
#include "core/recording/reading.h"

namespace rec = qv::recording;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    rec::RecordingReader whole(true), pieces(true);
    whole.feed(bytes);
    const std::size_t cut = size ? data[0] % (size + 1) : 0;
    pieces.feed(bytes.substr(0, cut));
    pieces.feed(bytes.substr(cut));
    QV_FUZZ_CHECK(whole.isRecording() == pieces.isRecording());
    QV_FUZZ_CHECK(whole.pending() <= (std::size_t(1) << 16) + size);
    const rec::Recording& a = whole.recording();
    const rec::Recording& b = pieces.recording();
    QV_FUZZ_CHECK(a.size() == b.size() && a.unreadable == b.unreadable && a.backwards == b.backwards);
    for (std::size_t i = 0; i < a.size(); ++i) {
        QV_FUZZ_CHECK(a.time[i] == b.time[i] && a.fileLine[i] == b.fileLine[i]);
        QV_FUZZ_CHECK(std::memcmp(&a.values[3][i], &b.values[3][i], sizeof(double)) == 0);
        QV_FUZZ_CHECK(a.errorTexts[a.error[i]] == b.errorTexts[b.error[i]]);
        if (i) QV_FUZZ_CHECK(a.fileLine[i] > a.fileLine[i - 1] && a.time[i] >= a.time[i - 1]);
    }
    if (!whole.isRecording()) return 0;
    const std::string csv = rec::exportCsv(a);
    std::size_t lines = 0;
    for (char c : csv) lines += c == '\n';
    QV_FUZZ_CHECK(lines == a.size() + 1);
    if (a.size()) {
        std::vector<rec::Column> columns;
        for (int curve : {int(rec::VolumeFlow), int(rec::Ls1)}) {
            rec::envelope(a, curve, static_cast<double>(a.time.front()), static_cast<double>(a.time.back()) + 1, 64, columns);
            std::size_t held = 0, numbers = 0;
            for (const auto& c : columns) {
                if (c.empty()) continue;
                QV_FUZZ_CHECK(c.min <= c.max);
                held += c.last - c.first + 1;
            }
            for (std::size_t i = 0; i < a.size(); ++i) numbers += std::isfinite(a.at(curve, i));
            // A column spans its first to last line; lines that are no number lie within it too.
            QV_FUZZ_CHECK(held >= numbers && held <= a.size());
        }
        (void)rec::findGaps(a, rec::usualSpacing(a));
    }
    return 0;
}
