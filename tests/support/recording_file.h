#pragma once
// Reading a recording file back: CR LF lines, "; " fields, decimal commas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {

inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        out.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return out;
}

inline std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = line.find("; ", start)) != std::string::npos; start = end + 2)
        out.push_back(line.substr(start, end - start));
    out.push_back(line.substr(start));
    return out;
}

inline double commaNumber(std::string field) {
    for (char& c : field)
        if (c == ',') c = '.';
    return std::stod(field);
}

}  // namespace qv::test
