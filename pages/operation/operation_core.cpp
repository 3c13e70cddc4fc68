#include "pages/operation/operation_core.h"

#include <cmath>
#include <cstdio>

namespace qv::operation {

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

const char* operationAvailability(int v) {
    // Built once from the rule: low-flow only on family 1, the contacts by option.
    static const auto table = [] {
        std::array<std::array<char, 6>, 46> t{};
        for (int code = 1; code <= 45; ++code) {
            const int k = (code - 1) % 15 + 1, g = (code - 1) / 15;
            const char* contacts = (k == 1 || (k >= 4 && k <= 7))    ? "1111"
                                   : (k == 2 || (k >= 8 && k <= 11)) ? "0011"
                                                                     : "0000";
            auto& row = t[static_cast<std::size_t>(code)];
            row[0] = g == 1 ? '0' : '1';
            for (int c = 0; c < 4; ++c) row[static_cast<std::size_t>(c + 1)] = contacts[c];
            row[5] = '\0';
        }
        return t;
    }();
    if (v < 1 || v > 45) return nullptr;
    return table[static_cast<std::size_t>(v)].data();
}

bool groupAvailable(int deviceCode, Group group) {
    const char* row = operationAvailability(deviceCode);
    return !row || row[static_cast<int>(group)] != '1';
}

std::array<std::uint8_t, 3> lowFlowBlock(int value) {
    const auto v = static_cast<std::uint8_t>(value);
    return {0x04, v, static_cast<std::uint8_t>(kLowFlowCommand + 0x04 + v)};
}

void runLowFlowExchange(qv::device::SerialLink& link, const std::function<int()>& selection,
                        const std::function<void(int)>& show) {
    const int value = selection();
    // Without a choice there is no value to send (the buttons are disabled then).
    if (value < 0 || value > 10) return;
    const auto block = lowFlowBlock(value);
    std::uint8_t buffer[qv::device::kReadSize] = {};
    int received = 0;
    auto acknowledged = [&] { return received > 0 && buffer[0] == kAck; };

    link.wait(kLowFlowWaitMs);
    link.read(buffer, received);  // late bytes go

    link.write(&kLowFlowCommand, 1);
    link.wait(kLowFlowWaitMs);
    received = 0;
    link.read(buffer, received);
    if (!acknowledged()) return show(kMsgNoAck);

    link.write(block.data(), block.size());
    link.wait(kLowFlowWaitMs);
    received = 0;
    link.read(buffer, received);
    if (!acknowledged()) return show(kMsgNoAck);

    if (selection() != 0) return show(kMsgLowFlowSet);

    // Zero point: the meter reports the adjustment's result afterwards.
    link.wait(kZeroPointWaitMs);
    received = 0;
    link.read(buffer, received);
    if (received == 0) return show(kMsgNoZeroResult);
    switch (buffer[0]) {
        case 0x9E: show(kMsgZero9E); break;
        case 0x9D: show(kMsgZero9D); break;
        case 0x9F: show(kMsgZero9F); break;
        default: break;  // any other byte: nothing to report
    }
}

}  // namespace qv::operation
