#include "core/recording/format.h"

#include <cmath>
#include <cstdio>

namespace qv::recording {

std::string formatMeasurement(double x) {
    if (std::isnan(x)) return "  nan";
    const char* format = x < 10 ? "%5.3f" : x < 100 ? "%5.2f" : x < 100000 ? "%5.1f" : "%5.0f";
    char buf[64];  // a float's largest value has 39 digits
    std::snprintf(buf, sizeof buf, format, x);
    return buf;
}

std::string recordedErrorText(int code, const std::vector<std::string>& errorTexts) {
    const int p = errorPosition(code);
    if (p < 0) return std::to_string(code);
    const auto at = static_cast<std::size_t>(p);
    return at < errorTexts.size() ? errorTexts[at].substr(0, 512) : std::string();
}

int errorPosition(int code) {
    for (int p = 0; kErrorCodeTable[p] != -1; ++p)
        if (kErrorCodeTable[p] == code) return p;
    return -1;
}

}  // namespace qv::recording
