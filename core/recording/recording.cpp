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
#include "core/recording/header_pieces.h"
#include "platform/files/files.h"

namespace qv::recording {
namespace {

constexpr const char* kCrLf = "\r\n";

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

}  // namespace qv::recording
