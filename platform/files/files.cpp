#include "platform/files/files.h"

#include <algorithm>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::files {
namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Opens a regular file for reading, looking at what the path holds first:
// opening a device (a serial port, say) can itself do something, and a FIFO
// could block. -1 with the trouble in r.
int openRegular(const std::string& path, ReadResult& r) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        r.trouble = errno == ENOENT || errno == ENOTDIR ? Trouble::Missing : Trouble::Failed;
        r.error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        r.trouble = Trouble::NotRegular;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        r.trouble = errno == ENOENT ? Trouble::Missing : Trouble::Failed;
        r.error = errno;
        return -1;
    }
    // What was opened, not what the path held a moment ago.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        r.trouble = Trouble::NotRegular;
        return -1;
    }
    r.size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

// Reads up to count bytes; false with the reason in r.
bool readUpTo(int fd, std::size_t count, ReadResult& r) {
    // Room for what the file holds (and the byte that tells it grew), grown
    // as it does: a large limit costs no memory for a small file.
    r.bytes.resize(std::min<std::size_t>(count, std::max<std::uint64_t>(r.size + 1, 4096)));
    std::size_t done = 0;
    while (done < count) {
        if (done == r.bytes.size()) r.bytes.resize(std::min(count, r.bytes.size() * 2));
        const ssize_t n = ::read(fd, r.bytes.data() + done, r.bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            r.trouble = Trouble::Failed;
            r.error = errno;
            r.bytes.clear();
            return false;
        }
    }
    r.bytes.resize(done);
    return true;
}

}  // namespace

ReadResult readWhole(const std::string& path, std::size_t limit) {
    ReadResult r;
    const int fd = openRegular(path, r);
    if (fd < 0) return r;
    if (r.size > limit) {
        ::close(fd);
        r.trouble = Trouble::TooLarge;
        return r;
    }
    // One byte beyond the limit tells a file that grew since its size was taken.
    if (readUpTo(fd, limit + 1, r) && r.bytes.size() > limit) {
        r.trouble = Trouble::TooLarge;
        r.size = r.bytes.size();
        r.bytes.clear();
    }
    ::close(fd);
    return r;
}

ReadResult readHead(const std::string& path, std::size_t count) {
    ReadResult r;
    const int fd = openRegular(path, r);
    if (fd < 0) return r;
    readUpTo(fd, count, r);
    ::close(fd);
    return r;
}

std::string resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(n));
        path = !target.empty() && target.front() == '/' ? std::move(target) : directoryOf(path) + "/" + target;
    }
    return path;  // a loop: the open fails with ELOOP
}

WriteResult mayWrite(const std::string& path, bool replace) {
    WriteResult w;
    struct stat st {};
    if (::stat(resolveLinks(path).c_str(), &st) != 0) {
        if (errno != ENOENT) w = {Trouble::Failed, errno};
        return w;
    }
    if (!S_ISREG(st.st_mode))
        w.trouble = Trouble::NotRegular;
    else if (!replace)
        w.trouble = Trouble::Exists;
    return w;
}

WriteResult writeWhole(const std::string& path, std::string_view bytes, bool replace) {
    static std::atomic<unsigned> counter{0};
    const std::string target = resolveLinks(path);
    WriteResult w = mayWrite(target, replace);
    if (!w.ok()) return w;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // rename() would replace a file the user may not write; the program may not either.
    if (exists && ::access(target.c_str(), W_OK) != 0) return {Trouble::Failed, errno};

    const std::string dir = directoryOf(target);
    std::string base = nameOf(target);
    if (base.size() > 200) base.resize(200);  // stay under NAME_MAX
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        tmp = dir + "/." + base + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
              std::to_string(stamp & 0xffffff);
        // 0666: the umask decides a new file's mode, as for any file made.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return {Trouble::Failed, errno};
    }
    if (fd < 0) return {Trouble::Failed, EEXIST};
    bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && exists && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not permitted for an ordinary user on a foreign file; the content matters more.
    }
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        // Without replace a file that appeared meanwhile stays: link() never replaces.
        ok = replace ? ::rename(tmp.c_str(), target.c_str()) == 0 : ::link(tmp.c_str(), target.c_str()) == 0;
        if (!ok) error = errno;
    }
    if (!ok || !replace) ::unlink(tmp.c_str());
    if (!ok) return {error == EEXIST ? Trouble::Exists : Trouble::Failed, error};
    // The new name itself reaches the disk too; failing here undoes nothing.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

int createForAppend(const std::string& path, bool exclusive, WriteResult* result) {
    WriteResult w;
    const std::string target = resolveLinks(path);
    w = mayWrite(target, !exclusive);
    int fd = -1;
    if (w.ok()) {
        // Not O_TRUNC: what was opened is looked at first, then emptied.
        fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                                        (exclusive ? O_EXCL : 0),
                    0666);
        struct stat st {};
        if (fd < 0) {
            w = {errno == EEXIST ? Trouble::Exists : Trouble::Failed, errno};
        } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            fd = -1;
            w.trouble = Trouble::NotRegular;
        } else if (!exclusive && ::ftruncate(fd, 0) != 0) {
            w = {Trouble::Failed, errno};
            ::close(fd);
            fd = -1;
        } else {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        }
    }
    if (result) *result = w;
    return fd;
}

std::string reason(int error) { return std::strerror(error); }

GrowingFile::~GrowingFile() {
    if (fd_ >= 0) ::close(fd_);
}

ReadResult GrowingFile::open(const std::string& path) {
    if (fd_ >= 0) ::close(fd_);
    offset_ = 0;
    path_ = path;
    ReadResult r;
    fd_ = openRegular(path, r);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0) device_ = st.st_dev, inode_ = st.st_ino;
    return r;
}

ReadResult GrowingFile::more(std::size_t count) {
    ReadResult r;
    if (fd_ < 0) {
        r.trouble = Trouble::Failed;
        r.error = EBADF;
        return r;
    }
    r.bytes.resize(count);
    for (;;) {
        const ssize_t n = ::pread(fd_, r.bytes.data(), count, static_cast<off_t>(offset_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            r.trouble = Trouble::Failed;
            r.error = errno;
            r.bytes.clear();
            return r;
        }
        r.bytes.resize(static_cast<std::size_t>(n));
        offset_ += static_cast<std::uint64_t>(n);
        return r;
    }
}

std::uint64_t GrowingFile::size() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool GrowingFile::replaced() const {
    if (fd_ < 0) return true;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_) return true;
    return size() < offset_;
}

}  // namespace qv::files
