#include "platform/profile/profile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

enum class ReadResult { Ok, Missing, Failed };

ReadResult readFile(const std::string& path, std::string& out) {
    out.clear();
    // O_NONBLOCK so a FIFO at the path cannot block us before the type check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return ReadResult::Failed;
        }
    }
    ::close(fd);
    return ReadResult::Ok;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Follows a chain of symlinks, dangling ones included, so the rename replaces
// the real file and the link stays a link. Relative targets are relative to
// the link's own directory.
std::string resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096,
                           '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(n));
        if (!target.empty() && target.front() == '/')
            path = std::move(target);
        else
            path = directoryOf(path) + "/" + target;
    }
    return path;  // a loop: let the open fail with ELOOP
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes data next to target under a unique name and renames it into place:
// readers see either the old file or the new one, never a partial one.
bool replaceFile(const std::string& target, std::string_view data, const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    const std::string dir = directoryOf(target);
    std::string base = target.substr(target.rfind('/') == std::string::npos
                                         ? 0
                                         : target.rfind('/') + 1);
    if (base.size() > 200) base.resize(200);  // stay under NAME_MAX

    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        tmp = dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
              std::to_string(counter++) + "-" + std::to_string(stamp & 0xffffff);
        // 0666 lets the umask decide the mode of a new file, as for any
        // ordinary file creation.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (old) {
        // Keep the replaced file's permissions; ownership only where allowed.
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
        if (ok && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Not permitted for an ordinary user on a foreign file; keeping
            // the content matters more than the owner.
        }
    }
    ok = ok && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; failure here does not undo the write.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& path,
                                    std::size_t bufferSize) {
    const std::size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
    auto cut = [limit](std::string_view s) { return std::string(s.substr(0, limit)); };

    std::string text;
    if (readFile(path, text) != ReadResult::Ok) return cut(def);

    section = trim(section);
    key = trim(key);
    bool inSection = false;
    bool seenSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        const ParsedLine line = parseLine(std::string_view(text).substr(pos, nl - pos));
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

bool writePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    // A line break in any part would write several lines: other keys and
    // sections than the caller meant. Refused, the file stays as it was.
    for (std::string_view part : {section, key, value})
        if (part.find_first_of("\r\n") != std::string_view::npos) return false;
    const std::string target = resolveLinks(path);

    std::string text;
    struct stat st {};
    const ReadResult rr = readFile(target, text);
    if (rr == ReadResult::Failed) return false;  // never clobber what we could not read
    const bool exists = rr == ReadResult::Ok;
    if (exists) {
        if (::stat(target.c_str(), &st) != 0) return false;
        // rename() would happily replace a read-only file; Windows refuses.
        if (::access(target.c_str(), W_OK) != 0) return false;
    }

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
    return replaceFile(target, out, exists ? &st : nullptr);
}

}  // namespace qv::profile
