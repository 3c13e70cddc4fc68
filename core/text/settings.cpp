#include "core/text/settings.h"

#include <cctype>
#include <climits>
#include <unistd.h>

#include "platform/files/files.h"
#include "platform/profile/profile.h"

namespace qv::text {
namespace {
constexpr std::size_t kTextBuffer = 512;  // values are read as up to 511 characters

std::string get(const AppSettings& s, const char* section, const char* key, const char* def) {
    return qv::profile::getPrivateProfileString(section, key, def, s.iniPath, kTextBuffer);
}
std::string get(std::string_view text, const char* section, const char* key, const char* def) {
    return qv::profile::profileString(text, section, key, def, kTextBuffer);
}
void put(const AppSettings& s, const char* section, const char* key, const std::string& value) {
    // Write failures are not reported anywhere; the next write tries again.
    qv::profile::writePrivateProfileString(section, key, value, s.iniPath);
}
}  // namespace

int cDecimal(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

std::string currentDirectory() {
    char buf[4096];
    std::string dir = getcwd(buf, sizeof buf) ? buf : ".";
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

void setProgramDir(AppSettings& s, const std::string& dir) {
    s.programDir = dir;
    if (s.programDir.empty() || s.programDir.back() != '/') s.programDir += '/';
    s.iniPath = s.programDir + kIniFileName;
}

std::size_t settingsFileLimit() { return qv::profile::kMaxFileBytes; }

qv::files::ReadResult readSettings(AppSettings& s) {
    // Read once, bounded: a settings file far beyond any real one is refused,
    // and its keys take their defaults.
    auto file = qv::profile::readProfile(s.iniPath);
    const std::string_view text = file.ok() ? std::string_view(file.bytes) : std::string_view();
    s.comPort = cDecimal(get(text, "COM", "COMPORT", "1"));
    s.comDevice = get(text, "COM", "COMDEVICE", "");
    s.language = cDecimal(get(text, "DATEN", "LANGUAGE", "0"));
    s.greyOut = cDecimal(get(text, "DATEN", "AUSGRAUEN", "0"));
    s.workingDir = get(text, "PFADE", "WORKINGDIR", "");
    s.refreshRate = cDecimal(get(text, "DATEN", "REFRESHRATE", "2"));
    s.portPaths.clear();
    for (int n = 1; n <= 9; ++n) {
        const std::string key = "COM" + std::to_string(n);
        std::string path = get(text, "PORTS", key.c_str(), "");
        if (!path.empty()) s.portPaths[n] = std::move(path);
    }
    s.journalPath = get(text, "JOURNAL", "PATH", "");
    file.bytes.clear();
    return file;
}

void writeSettings(const AppSettings& s) {
    put(s, "COM", "COMPORT", std::to_string(s.comPort));
    // Only once a system port was chosen, and then kept true.
    if (!s.comDevice.empty() || !get(s, "COM", "COMDEVICE", "").empty()) put(s, "COM", "COMDEVICE", s.comDevice);
    put(s, "DATEN", "LANGUAGE", std::to_string(s.language));
    put(s, "DATEN", "AUSGRAUEN", std::to_string(s.greyOut));
    put(s, "PFADE", "WORKINGDIR", s.workingDir);
    put(s, "DATEN", "REFRESHRATE", std::to_string(s.refreshRate));
}

std::string directoryOf(const std::string& filePath) {
    auto pos = filePath.find_last_of('/');
    return pos == std::string::npos ? std::string() : filePath.substr(0, pos + 1);
}

int languageForTabTitle() {
    AppSettings temp;
    setProgramDir(temp, currentDirectory());
    readSettings(temp);
    writeSettings(temp);
    return temp.language;
}

}  // namespace qv::text
