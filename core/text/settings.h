#pragma once
// The five persistent settings and the run-time facts about the meter.
#include <map>
#include <string>

#include "platform/files/files.h"

namespace qv::text {

constexpr const char* kIniFileName = "QV-GUI.ini";
// A settings file beyond this is refused, never read nor written over.
std::size_t settingsFileLimit();

struct AppSettings {
    std::string iniPath;     // programDir + "QV-GUI.ini"
    std::string workingDir;  // last file-dialog directory, with its trailing separator
    std::string programDir;  // start-up directory, with a trailing separator
    int deviceCode = -1;     // model code reported by the meter
    int deviceFamily = -1;   // 0, 1 or 2; -1 until a model code arrived
    int comPort = 1;
    // [COM] COMDEVICE: the device the system's numbering gave comPort when it
    // was chosen, so the number keeps meaning that adapter across restarts
    // when another one is plugged in; empty for any other kind of port.
    std::string comDevice;
    int language = 0;        // 0 German, 1 English, 2 French
    int greyOut = 0;         // 1: missing controls greyed, 0: hidden
    int refreshRate = 2;     // seconds between the starts of two poll cycles
    // [PORTS] COM<n>=<device path>: read only, the user's own mapping of a
    // port number to an adapter.
    std::map<int, std::string> portPaths;
    // [JOURNAL] PATH=<file>: read only, a journal of changes other than the
    // data folder's (a plant's shared one); empty for that.
    std::string journalPath;
};

// The C library's decimal conversion (leading blanks, optional sign, stops at
// the first non-digit, no digits give 0), without its overflow hazard:
// values beyond int saturate.
int cDecimal(const std::string& text);

// The current directory with a trailing separator.
std::string currentDirectory();

// Sets programDir and iniPath from a directory.
void setProgramDir(AppSettings& s, const std::string& dir);

// Reads the stored fields from s.iniPath; missing keys give the defaults and
// no range is enforced (the pages decide what to do with odd values). The
// file's trouble when it was not read (Missing: a first start, the defaults
// are right); such a file is never written over (writeSettings).
qv::files::ReadResult readSettings(AppSettings& s);
// Writes the stored fields to s.iniPath, creating file and sections.
void writeSettings(const AppSettings& s);

// workingDir from a chosen file: the path up to and including its last separator.
std::string directoryOf(const std::string& filePath);

// What a page constructor does for its tab title: read the settings file of
// the current directory, take its language, write the file back.
int languageForTabTitle();

}  // namespace qv::text
