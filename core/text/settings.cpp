#include "core/text/settings.h"

#include <cctype>
#include <climits>
#include <unistd.h>

#include "platform/profile/profile.h"

namespace qv::text {
namespace {
constexpr std::size_t kTextBuffer = 512;  // values are read as up to 511 characters

std::string get(const AppSettings& s, const char* section, const char* key, const char* def) {
    return qv::profile::getPrivateProfileString(section, key, def, s.iniPath, kTextBuffer);
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

void readSettings(AppSettings& s) {
    s.comPort = cDecimal(get(s, "COM", "COMPORT", "1"));
    s.comDevice = get(s, "COM", "COMDEVICE", "");
    s.language = cDecimal(get(s, "DATEN", "LANGUAGE", "0"));
    s.greyOut = cDecimal(get(s, "DATEN", "AUSGRAUEN", "0"));
    s.workingDir = get(s, "PFADE", "WORKINGDIR", "");
    s.refreshRate = cDecimal(get(s, "DATEN", "REFRESHRATE", "2"));
    s.portPaths.clear();
    for (int n = 1; n <= 9; ++n) {
        const std::string key = "COM" + std::to_string(n);
        std::string path = get(s, "PORTS", key.c_str(), "");
        if (!path.empty()) s.portPaths[n] = std::move(path);
    }
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
