#include "platform/profile/profile.h"

#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"

namespace qv::profile {
namespace {

// The file is treated as plain bytes throughout: no locale, no encoding, so
// whatever a Windows build or a text editor left in it passes through intact.

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section name or key, trimmed
    std::string_view value;  // keys only, trimmed
};

ParsedLine parseLine(std::string_view line) {
    const std::string_view t = trim(line);
    if (!t.empty() && t.front() == '[') {
        const auto close = t.find(']');
        // "[abc" without a closing bracket is not a header; Windows then
        // reads it like any other line.
        if (close != std::string_view::npos)
            return {LineKind::Section, trim(t.substr(1, close - 1)), {}};
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return {};
    return {LineKind::Key, trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// Splits on LF; a CR right before it belongs to the line ending, any other CR
// is content. A final line without a newline still counts.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        if (nl < text.size() && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        pos = nl + 1;
    }
    return lines;
}

}  // namespace

std::string profileString(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize) {
    const std::size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
    auto cut = [limit](std::string_view s) { return std::string(s.substr(0, limit)); };
    section = trim(section);
    key = trim(key);
    bool inSection = false;
    bool seenSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        const ParsedLine line = parseLine(text.substr(pos, nl - pos));
        pos = nl + 1;

        if (line.kind == LineKind::Section) {
            // Only the first section of that name is looked at.
            if (seenSection) break;
            inSection = equalsNoCase(line.name, section);
            seenSection = inSection;
        } else if (inSection && line.kind == LineKind::Key && equalsNoCase(line.name, key)) {
            std::string_view v = line.value;
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return cut(v);
        }
    }
    return cut(def);
}

qv::files::ReadResult readProfile(const std::string& path) { return qv::files::readWhole(path, kMaxFileBytes); }

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& path,
                                    std::size_t bufferSize) {
    const auto file = readProfile(path);
    return profileString(file.ok() ? std::string_view(file.bytes) : std::string_view(), section, key, def, bufferSize);
}

bool writePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    // A line break in any part would write several lines: other keys and
    // sections than the caller meant. Refused, the file stays as it was.
    for (std::string_view part : {section, key, value})
        if (part.find_first_of("\r\n") != std::string_view::npos) return false;
    const auto file = readProfile(path);
    // Never clobber what could not be read: too large, no file, unreadable.
    if (!file.ok() && file.trouble != qv::files::Trouble::Missing) return false;
    const std::string& text = file.bytes;

    section = trim(section);
    key = trim(key);
    const std::vector<std::string_view> lines = splitLines(text);

    // Locate the first matching section, the key in it, and where it ends.
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t header = none, keyLine = none, lastFilled = none;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine line = parseLine(lines[i]);
        if (line.kind == LineKind::Section) {
            if (header != none) break;
            if (equalsNoCase(line.name, section)) header = lastFilled = i;
        } else if (header != none) {
            if (line.kind == LineKind::Key && equalsNoCase(line.name, key)) {
                keyLine = i;
                break;
            }
            if (!trim(lines[i]).empty()) lastFilled = i;
        }
    }

    std::string entry;
    entry.reserve(key.size() + 1 + value.size());
    entry.append(key).append("=").append(value);

    std::string out;
    out.reserve(text.size() + lines.size() + entry.size() + section.size() + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.append(i == keyLine ? std::string_view(entry) : lines[i]).append("\r\n");
        if (keyLine == none && i == lastFilled) out.append(entry).append("\r\n");
    }
    if (header == none) {
        out.append("[").append(section).append("]\r\n");
        out.append(entry).append("\r\n");
    }
    return qv::files::writeWhole(path, out).ok();
}

}  // namespace qv::profile
