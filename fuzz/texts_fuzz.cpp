// The five text-file loaders over one fuzzed file each run: labels, help,
// messages, error texts and error help. Properties: the limits the pages rely
// on hold (at most 20 error entries, help and error texts within their
// sizes, no control bytes in labels, messages within their five lines).
#include <cstdint>
#include <string_view>

#include "core/text/texts.h"
#include "fuzz/fuzz_common.h"

namespace app = qv::text;

namespace {
bool hasControlBytes(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);

    for (const auto& label : app::parseLabels(file)) QV_FUZZ_CHECK(!hasControlBytes(label.text));
    for (const auto& help : app::parseHelp(file)) QV_FUZZ_CHECK(help.text.size() <= app::kHelpMax);

    app::MessageTable table;
    table[1][0] = "kept";
    app::parseMessages(file, table);
    QV_FUZZ_CHECK(table[0] == app::MessageEntry{});  // index 0 names no message
    for (const auto& entry : table)
        for (const auto& line : entry) QV_FUZZ_CHECK(!hasControlBytes(line));

    const auto errors = app::parseErrorTexts(file);
    QV_FUZZ_CHECK(errors.size() <= static_cast<std::size_t>(app::kErrorEntries));
    for (const auto& e : errors) QV_FUZZ_CHECK(e.size() <= app::kErrorTextMax && !hasControlBytes(e));
    const auto help = app::parseErrorHelp(file);
    QV_FUZZ_CHECK(help.size() <= static_cast<std::size_t>(app::kErrorEntries));
    for (const auto& h : help) QV_FUZZ_CHECK(h.size() <= app::kErrorTextMax);
    return 0;
}
