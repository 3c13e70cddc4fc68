#include "core/text/texts.h"

#include "core/text/text_numbers.h"


#include "core/text/settings.h"

namespace qv::text {
namespace {

bool startsWithHash(std::string_view s) { return !s.empty() && s.front() == '#'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// The number after '#', read like the C library's atoi.
int numberAfterHash(std::string_view line) { return cDecimal(std::string(line.substr(1))); }

void dropTrailingLineEnd(std::string& s) {
    if (!s.empty() && s.back() == '\n') s.pop_back();
    if (!s.empty() && s.back() == '\r') s.pop_back();
}

// One help-style record after its '#' line: text lines up to the empty line.
// The text keeps its inner line breaks, loses the last one, and is cut to max.
std::string readRecord(const std::vector<std::string>& pieces, std::size_t& i, std::size_t max) {
    std::string text;
    while (i < pieces.size()) {
        const std::string& p = pieces[i++];
        // The empty line ends the record. An LF-only file (edited on Linux)
        // ends its records the same way rather than running into the next.
        if (!p.empty() && isLineEnd(p.front())) break;
        text += p;
    }
    dropTrailingLineEnd(text);
    if (text.size() > max) text.resize(max);
    return text;
}

}  // namespace

std::string languageSuffix(int language) {
    switch (language) {
        case 0: return "de";
        case 1: return "en";
        case 2: return "fr";
    }
    return {};
}

std::string textFileName(const std::string& stem, int language) {
    const std::string suffix = languageSuffix(language);
    return suffix.empty() ? std::string() : stem + "_" + suffix + ".txt";
}

std::vector<std::string> readPieces(std::string_view file) {
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pos < file.size()) {
        std::size_t end = pos;
        while (end < file.size() && end - pos < kLinePiece) {
            if (file[end++] == '\n') break;
        }
        pieces.emplace_back(file.substr(pos, end - pos));
        pos = end;
    }
    return pieces;
}

std::string strip(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line)
        if (static_cast<unsigned char>(c) >= 0x20) out.push_back(c);
    return out;
}

std::string trim(std::string_view line) {
    std::string s = strip(line);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::vector<IdText> parseLabels(std::string_view file) {
    const auto pieces = readPieces(file);
    std::vector<IdText> out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!startsWithHash(pieces[i])) continue;
        const int id = numberAfterHash(pieces[i]);
        if (++i >= pieces.size()) break;
        out.push_back({id, strip(pieces[i])});
    }
    return out;
}

std::vector<IdText> parseHelp(std::string_view file) {
    const auto pieces = readPieces(file);
    std::vector<IdText> out;
    std::size_t i = 0;
    while (i < pieces.size()) {
        const std::string& p = pieces[i++];
        if (!startsWithHash(p)) continue;
        const int id = numberAfterHash(p);
        out.push_back({id, readRecord(pieces, i, kHelpMax)});
    }
    return out;
}

void parseMessages(std::string_view file, MessageTable& table) {
    const auto pieces = readPieces(file);
    std::size_t i = 0;
    while (i < pieces.size()) {
        const std::string head = trim(pieces[i++]);
        if (!startsWithHash(head) || head.size() == 1) continue;
        const int n = numberAfterHash(head);
        if (n < 1 || n > kMessageCount) continue;
        MessageEntry& entry = table[static_cast<std::size_t>(n)];
        entry = {};
        int line = 0;
        while (i < pieces.size()) {
            std::string t = trim(pieces[i]);
            if (t.empty()) {
                ++i;
                break;
            }
            if (startsWithHash(t)) break;  // the next block begins here
            ++i;
            if (line < kMessageLines) entry[static_cast<std::size_t>(line++)] = std::move(t);
        }
    }
}

std::vector<std::string> parseErrorTexts(std::string_view file) {
    const auto pieces = readPieces(file);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < pieces.size() && out.size() < kErrorEntries; ++i) {
        if (!startsWithHash(pieces[i])) continue;
        if (++i >= pieces.size()) break;
        std::string text = strip(pieces[i]);
        if (text.size() > kErrorTextMax) text.resize(kErrorTextMax);
        out.push_back(std::move(text));
    }
    return out;
}

std::vector<std::string> parseErrorHelp(std::string_view file) {
    const auto pieces = readPieces(file);
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < pieces.size() && out.size() < kErrorEntries) {
        if (!startsWithHash(pieces[i++])) continue;
        out.push_back(readRecord(pieces, i, kErrorTextMax));
    }
    return out;
}

qv::files::ReadResult readTextFile(const std::string& path) { return qv::files::readWhole(path, kTextFileMax); }

int troubleMessage(qv::files::Trouble trouble) {
    switch (trouble) {
        case qv::files::Trouble::NotRegular: return msg::NotRegularFile;
        case qv::files::Trouble::TooLarge: return msg::FileTooLarge;
        case qv::files::Trouble::Exists: return msg::FileExists;
        default: return 0;
    }
}

}  // namespace qv::text
