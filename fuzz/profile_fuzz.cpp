// The settings file: read and write over a fuzzed file. The input is the file,
// optionally followed by a NUL and a section, a key and a value (NUL-separated)
// to write. Without them the program reads its settings from the file, writes
// them back and reads them again: they must come back the same. With them:
// a refused write leaves the file as it was, an accepted plain value reads
// back equal, and every other key keeps its value.
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "core/text/settings.h"
#include "fuzz/fuzz_common.h"
#include "platform/profile/profile.h"

namespace {
namespace pf = qv::profile;

std::string dir;
std::string path;

std::string slurp() {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool untrimmed(const std::string& s) { return !s.empty() && (blank(s.front()) || blank(s.back())); }
bool breaks(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// Names and values that the file format can carry unchanged: no surrounding
// blanks, no quotes around, nothing that makes a key line a section header.
bool plainSection(const std::string& s) { return !untrimmed(s) && !breaks(s) && s.find(']') == std::string::npos; }
bool plainKey(const std::string& k) {
    return !untrimmed(k) && !breaks(k) && k.find('=') == std::string::npos && (k.empty() || k.front() != '[');
}
bool plainValue(const std::string& v) {
    if (untrimmed(v) || breaks(v) || v.size() > 511) return false;
    return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}
char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

void writeFile(const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
}

// The program's round: what it reads, it writes back, and reads again the same.
void programRound() {
    qv::text::AppSettings a;
    qv::text::setProgramDir(a, dir);
    qv::text::readSettings(a);
    qv::text::writeSettings(a);
    qv::text::AppSettings b;
    qv::text::setProgramDir(b, dir);
    qv::text::readSettings(b);
    QV_FUZZ_CHECK(a.comPort == b.comPort && a.language == b.language && a.greyOut == b.greyOut &&
                  a.refreshRate == b.refreshRate && a.portPaths == b.portPaths);
    if (plainValue(a.workingDir)) QV_FUZZ_CHECK(a.workingDir == b.workingDir);
}

void removeDir() {
    ::unlink(path.c_str());
    ::rmdir(dir.c_str());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // tmpfs where there is one: the write syncs the file and its directory.
    char tmpl[] = "/dev/shm/qv-fuzz-profile-XXXXXX";
    char tmpl2[] = "/tmp/qv-fuzz-profile-XXXXXX";
    const char* d = ::mkdtemp(tmpl);
    if (!d) d = ::mkdtemp(tmpl2);
    if (!d) std::abort();
    dir = d;
    path = dir + "/QV-GUI.ini";
    std::atexit(removeDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string file = input, section, key, value;
    const auto nul = input.find('\0');
    if (nul == std::string::npos) {
        writeFile(file);
        programRound();
        return 0;
    }
    {
        file = input.substr(0, nul);
        std::vector<std::string> parts;
        std::size_t pos = nul + 1;
        for (int i = 0; i < 3; ++i) {
            const auto end = input.find('\0', pos);
            parts.push_back(input.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
            pos = end == std::string::npos ? input.size() : end + 1;
        }
        section = parts[0], key = parts[1], value = parts[2];
    }
    writeFile(file);

    // The program's own keys and the written one: what each reads before.
    std::vector<std::pair<std::string, std::string>> probes = {
        {"COM", "COMPORT"},   {"DATEN", "LANGUAGE"}, {"DATEN", "AUSGRAUEN"}, {"DATEN", "REFRESHRATE"},
        {"PFADE", "WORKINGDIR"}, {"PORTS", "COM1"},  {"PORTS", "COM9"},      {section, key}};
    std::vector<std::string> before;
    for (const auto& [s, k] : probes) before.push_back(pf::getPrivateProfileString(s, k, "\x01missing", path));

    const bool written = pf::writePrivateProfileString(section, key, value, path);
    if (!written) {
        QV_FUZZ_CHECK(slurp() == file);
    } else if (plainSection(section) && plainKey(key)) {
        if (plainValue(value)) QV_FUZZ_CHECK(pf::getPrivateProfileString(section, key, "\x01missing", path) == value);
        for (std::size_t i = 0; i + 1 < probes.size(); ++i) {
            if (sameName(probes[i].first, section) && sameName(probes[i].second, key)) continue;
            QV_FUZZ_CHECK(pf::getPrivateProfileString(probes[i].first, probes[i].second, "\x01missing", path) ==
                          before[i]);
        }
    }

    return 0;
}
