#include "core/recording/recording.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/protocol/tables.h"
#include "core/recording/format.h"
#include "platform/files/files.h"

namespace qv::recording {
namespace {

constexpr const char* kCrLf = "\r\n";

// Ten pieces, each followed by a unit, then the tail; Windows-1252 literals.
struct HeaderPieces {
    const char* pieces[10];
    const char* tail;
};
const HeaderPieces kHeaders[3] = {
    {{"Datum; Uhrzeit; Str\xF6mung Akt [", "]; Str\xF6mung Min [", "]; Str\xF6mung Max [",
      "]; Volumenstrom Akt [", "]; Volumenstrom Min [", "]; Volumenstrom Max [", "]; Temperatur Akt [",
      "]; Temperatur Min [", "]; Temperatur Max [", "]; Totalisator ["},
     "]; Schleichmenge [%]; GK1 ; GK2 ; Betrieb ; Fehler ; letzter Fehler; "},
    {{"Date; Time; actual flow velocity [", "]; min flow velocity [", "]; max flow velocity [",
      "]; actual volume flow [", "]; min volume flow [", "]; max volume flow [", "]; actual temperature [",
      "]; min temperature [", "]; max temperature [", "]; totalisator ["},
     "]; low flow suppression [%]; LS1 ; LS2 ; availability ; error ; last error; "},
    {{"Date; Heure; Vitesse d'\xE9" "coulement actuelle [", "]; Vitesse d'\xE9" "coulement minimale [",
      "]; Vitesse d'\xE9" "coulement maximale [", "]; D\xE9" "bit volum\xE9trique actuel [",
      "]; D\xE9" "bit volum\xE9trique minimal [", "]; D\xE9" "bit volum\xE9trique maximal [",
      "]; Temp\xE9rature actuelle [", "]; Temp\xE9rature minimale [", "]; Temp\xE9rature maximale [",
      "]; Totaliseur ["},
     "]; suppression du d\xE9" "bit volum\xE9trique rampant [%] ; Contact de seuil 1 ; Contact de seuil 2 ; "
     "Service ; D\xE9" "faut ; Dernier d\xE9" "faut; "},
};

class CFileSink : public RecordingSink {
public:
    ~CFileSink() override { close(); }
    int create(const std::string& path, const std::string& bytes, bool exclusive) override {
        close();
        path_ = path;
        qv::files::WriteResult made;
        fd_ = qv::files::createForAppend(path, exclusive, &made);
        if (fd_ < 0) {
            switch (made.trouble) {
                case qv::files::Trouble::NotRegular: return kNotRegularFile;
                case qv::files::Trouble::Exists: return EEXIST;
                default: return made.error ? made.error : EIO;
            }
        }
        return put(bytes);
    }
    int append(const std::string& bytes) override {
        if (fd_ < 0) return EBADF;
        struct stat st{};
        if (::fstat(fd_, &st) == 0 && st.st_nlink == 0) {
            // Removed (with its folder, say): a new file of its own at the
            // path, but never over one that has appeared there since.
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
            if (fd < 0) return ENOENT;  // gone, and another file there is not ours to write
            ::close(fd_);
            fd_ = fd;
        }
        return put(bytes);
    }
    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int put(const std::string& bytes) {
        struct stat st{};
        const off_t before = ::fstat(fd_, &st) == 0 ? st.st_size : 0;
        std::size_t done = 0;
        int error = 0;
        while (done < bytes.size()) {
            const ssize_t k = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) {
                error = k < 0 ? errno : ENOSPC;
                break;
            }
            done += static_cast<std::size_t>(k);
        }
        // On the disk before the next line: a power cut loses none that was
        // counted. One that cannot be made durable counts as not written.
        if (!error && ::fdatasync(fd_) != 0) error = errno;
        // A line that did not fit (a full disk) is cut back off, so the next
        // line is not glued onto a fragment; the earlier bytes stay. (Every
        // write goes to the end of the file, so no gap is left behind.)
        if (error) (void)::ftruncate(fd_, before);
        return error;
    }
    std::string path_;
    int fd_ = -1;
};
}  // namespace

std::string decimalComma(double value) {
    std::string out;
    for (char c : formatMeasurement(value)) {
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out.push_back(c == '.' ? ',' : c);
    }
    return out;
}

std::string modelLine(int deviceCode) { return qv::protocol::modelCodeText(deviceCode); }

std::optional<std::string> recordingHeader(int language, const qv::protocol::MeasurementRecord& r) {
    if (language < 0 || language > 2) return std::nullopt;
    const HeaderPieces& h = kHeaders[language];
    const std::string* units[10] = {&r.flowVelocityUnit, &r.flowVelocityUnit, &r.flowVelocityUnit,
                                    &r.volumeFlowUnit,   &r.volumeFlowUnit,   &r.volumeFlowUnit,
                                    &r.temperatureUnit,  &r.temperatureUnit,  &r.temperatureUnit,
                                    &r.totalizerUnit};
    std::string out;
    for (int i = 0; i < 10; ++i) out += std::string(h.pieces[i]) + *units[i];
    return out + h.tail;
}

std::string recordingDataLine(const qv::protocol::MeasurementRecord& r, const std::tm& t,
                              const std::string& lastErrorText) {
    char date[32], time[32];
    std::strftime(date, sizeof date, "%Y.%m.%d", &t);
    std::strftime(time, sizeof time, "%H:%M:%S", &t);
    std::string out = std::string(date) + "; " + time;
    // In the header's column order (actual, minimum, maximum per quantity),
    // not in the record's storage order, or the columns would be mislabelled.
    const float values[10] = {r.flowVelocity, r.flowVelocityMin, r.flowVelocityMax, r.volumeFlow,
                              r.volumeFlowMin, r.volumeFlowMax,  r.temperature,     r.temperatureMin,
                              r.temperatureMax, r.totalizer};
    for (float v : values) out += "; " + decimalComma(v);
    auto bit = [&](int b) { return (r.contactStates >> b) & 1 ? "1" : "0"; };
    out += "; " + std::to_string(r.lowFlowCutoff);
    out += std::string("; ") + bit(0) + "; " + bit(1) + "; " + bit(2);
    out += std::string("; ") + ((r.contactStates & 0x08) ? "0" : "1");  // error contact is active low
    out += "; " + lastErrorText;
    return out;
}

std::string withCsvExtension(const std::string& path) {
    const std::size_t n = path.size();
    if (n > 5 && path.compare(n - 4, 4, ".csv") != 0 && path[n - 4] != '.') return path + ".csv";
    return path;
}

std::unique_ptr<RecordingSink> makeFileSink() { return std::make_unique<CFileSink>(); }

WriteTrouble troubleOf(int error) {
    switch (error) {
    case 0: return WriteTrouble::None;
    case ENOSPC: case EDQUOT: case EFBIG: return WriteTrouble::DiskFull;
    case EROFS: return WriteTrouble::ReadOnly;
    case EACCES: case EPERM: return WriteTrouble::NoPermission;
    case ENOENT: case ENOTDIR: return WriteTrouble::Removed;
    case EEXIST: return WriteTrouble::Exists;
    case kNotRegularFile: return WriteTrouble::NotRegular;
    default: return WriteTrouble::Other;
    }
}

Recorder::Recorder() : own_(makeFileSink()), sink_(own_.get()) {}
Recorder::Recorder(RecordingSink& sink) : sink_(&sink) {}

int Recorder::start(const std::string& path, int deviceCode, bool replace) {
    stop();
    path_ = path;
    if (const int error = sink_->create(path, modelLine(deviceCode) + kCrLf, !replace)) {
        sink_->close();
        return error;
    }
    recording_ = true;
    headerPending_ = true;
    failing_ = 0;
    lines_ = 0;
    return 0;
}

void Recorder::stop() {
    if (recording_) sink_->close();
    recording_ = false;
    failing_ = 0;
}

Recorder::Outcome Recorder::writeLine(const qv::protocol::MeasurementRecord& r, int language, const std::tm& localTime,
                                      const std::string& lastErrorText) {
    std::string bytes;
    std::optional<std::string> header;
    if (headerPending_) header = recordingHeader(language, r);
    if (header) bytes = *header + kCrLf;
    bytes += recordingDataLine(r, localTime, lastErrorText) + kCrLf;
    Outcome out;
    out.error = sink_->append(bytes);
    out.written = out.error == 0;
    if (out.written) {
        if (header) headerPending_ = false;
        ++lines_;
        out.resumed = failing_ != 0;
    } else {
        out.newTrouble = failing_ == 0 || troubleOf(failing_) != troubleOf(out.error);
    }
    failing_ = out.error;
    return out;
}

namespace {

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = line.find(';', at);
        std::string f = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        while (!f.empty() && f.front() == ' ') f.erase(f.begin());
        while (!f.empty() && f.back() == ' ') f.pop_back();
        out.push_back(std::move(f));
        if (end == std::string::npos) return out;
        at = end + 1;
    }
}

bool decimal(const std::string& text, double& out) {
    std::string t = text;
    for (char& c : t) if (c == ',') c = '.';
    if (t.empty()) return false;
    char* end = nullptr;
    out = std::strtod(t.c_str(), &end);
    return end && *end == '\0';
}

bool flag(const std::string& text, int& out) {
    if (text != "0" && text != "1") return false;
    out = text[0] - '0';
    return true;
}

// "2026.03.04" "05:06:07"
bool timeOf(const std::string& date, const std::string& time, std::tm& t) {
    int y, mo, d, h, mi, se;
    char a, b, c, e;
    if (date.size() != 10 || time.size() != 8) return false;
    if (std::sscanf(date.c_str(), "%4d%c%2d%c%2d", &y, &a, &mo, &b, &d) != 5 || a != '.' || b != '.') return false;
    if (std::sscanf(time.c_str(), "%2d%c%2d%c%2d", &h, &c, &mi, &e, &se) != 5 || c != ':' || e != ':') return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60 || y < 1900) return false;
    t = {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = se;
    return true;
}

// The header of one of the three languages, its units taken out.
bool headerOf(const std::string& line, ReadRecording& r) {
    for (int lang = 0; lang < 3; ++lang) {
        const HeaderPieces& h = kHeaders[lang];
        std::size_t at = 0;
        bool ok = true;
        std::string units[10];
        for (int i = 0; i < 10 && ok; ++i) {
            const std::string piece = h.pieces[i];
            if (line.compare(at, piece.size(), piece) != 0) {
                ok = false;
                break;
            }
            at += piece.size();
            const std::string next = i < 9 ? std::string(h.pieces[i + 1]) : std::string(h.tail);
            const std::size_t end = line.find(next.substr(0, 2), at);  // "]; " closes each unit
            if (end == std::string::npos) ok = false;
            else units[i] = line.substr(at, end - at), at = end;
        }
        if (!ok || line.compare(at, std::string(h.tail).size(), h.tail) != 0) continue;
        r.language = lang;
        for (int i = 0; i < 10; ++i) r.units[i] = units[i];
        return true;
    }
    return false;
}

std::string utf8(const std::string& cp1252) {
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                      0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    std::string out;
    for (unsigned char c : cp1252) {
        const unsigned u = c < 0x80 ? c : c < 0xA0 ? high[c - 0x80] : c;
        if (u < 0x80) out.push_back(static_cast<char>(u));
        else if (u < 0x800) out += {static_cast<char>(0xC0 | u >> 6), static_cast<char>(0x80 | (u & 0x3F))};
        else out += {static_cast<char>(0xE0 | u >> 12), static_cast<char>(0x80 | (u >> 6 & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
    }
    return out;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::optional<ReadRecording> readRecording(const std::string& bytes) {
    ReadRecording r;
    std::size_t at = 0;
    long number = 0;
    bool any = false;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) break;  // a line the recorder did not end: cut off, not counted
        std::string line = bytes.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            // The model line: a model code text, or "----" for a code without one.
            if (line != "----" && line.rfind("KT740", 0) != 0) return std::nullopt;
            r.model = line;
            continue;
        }
        if (number == 2 && headerOf(line, r)) continue;
        const auto f = splitFields(line);
        RecordedLine l;
        bool ok = f.size() >= 18 && timeOf(f[0], f[1], l.time);
        for (int i = 0; ok && i < 10; ++i) ok = decimal(f[2 + i], l.values[i]);
        double low = 0;
        ok = ok && decimal(f[12], low) && low >= 0 && low <= 100 && flag(f[13], l.ls1) && flag(f[14], l.ls2) &&
             flag(f[15], l.availability) && flag(f[16], l.errorContact);
        if (!ok) {
            if (!r.unreadable++) r.firstUnreadable = number;
            continue;
        }
        l.lowFlow = static_cast<int>(low);
        l.lastError = f[17];
        for (std::size_t i = 18; i < f.size(); ++i) l.lastError += "; " + f[i];  // a text with ";" in it
        r.lines.push_back(std::move(l));
        any = true;
    }
    if (number == 0 || (!any && r.language < 0)) return std::nullopt;
    return r;
}

std::string exportCsv(const ReadRecording& r) {
    static const char* names[10] = {"flow velocity", "min flow velocity", "max flow velocity", "volume flow",
                                    "min volume flow", "max volume flow", "temperature", "min temperature",
                                    "max temperature", "totalizer"};
    std::string out = "time";
    for (int i = 0; i < 10; ++i) out += "," + csvField(std::string(names[i]) + " [" + utf8(r.units[i]) + "]");
    out += ",low flow suppression [%],LS1,LS2,availability,error contact,last error\n";
    for (const auto& l : r.lines) {
        char t[32];
        std::strftime(t, sizeof t, "%Y-%m-%dT%H:%M:%S", &l.time);
        out += t;
        for (double v : l.values) {
            char n[64];
            std::snprintf(n, sizeof n, "%.9g", v);
            out += ",";
            out += n;
        }
        out += "," + std::to_string(l.lowFlow) + "," + std::to_string(l.ls1) + "," + std::to_string(l.ls2) + "," +
               std::to_string(l.availability) + "," + std::to_string(l.errorContact) + "," + csvField(utf8(l.lastError)) +
               "\n";
    }
    return out;
}

}  // namespace qv::recording
