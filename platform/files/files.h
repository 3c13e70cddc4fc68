#pragma once
// Files as the programs read and write them, safe against what a path may
// hold instead of a file: every read is bounded and never blocks (a FIFO, a
// device, a directory are refused before any byte is read, a file larger
// than its format allows before it is read), and a file is only ever
// written whole, as a regular file, through a symbolic link to its target,
// never over anything that is not a regular file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv::files {

enum class Trouble {
    None,
    Missing,      // nothing at the path (error: the system's reason)
    NotRegular,   // a directory, a FIFO, a device, a socket
    TooLarge,     // larger than the format allows (size: the file's)
    Exists,       // a file is there and the caller did not mean to replace it
    Failed,       // the system refused (error)
};

struct ReadResult {
    std::string bytes;
    Trouble trouble = Trouble::None;
    int error = 0;            // errno for Missing and Failed
    std::uint64_t size = 0;   // the file's size, for TooLarge
    bool ok() const { return trouble == Trouble::None; }
};

// The whole of a regular file of at most limit bytes.
ReadResult readWhole(const std::string& path, std::size_t limit);
// The first count bytes of a regular file of any size (a format that reads
// a fixed head and ignores the rest).
ReadResult readHead(const std::string& path, std::size_t count);

struct WriteResult {
    Trouble trouble = Trouble::None;
    int error = 0;
    bool ok() const { return trouble == Trouble::None; }
};
// Writes bytes as the whole file at path: a symbolic link is followed to its
// target, which must be a regular file when it exists (and replace must be
// true then); the bytes go to a file of their own beside the target, reach
// the disk, and are renamed over it, so a reader sees the old file or the
// new one, never a part. A replaced file keeps its permissions.
WriteResult writeWhole(const std::string& path, std::string_view bytes, bool replace = true);

// Where a symbolic link (a chain of them, dangling ones included) leads;
// the path itself when it is no link.
std::string resolveLinks(std::string path);

// Whether a new file may be made at path, or the regular file there replaced
// (replace true): the same rule as writeWhole, asked before writing begins.
WriteResult mayWrite(const std::string& path, bool replace);

// Makes the file at path for lines appended one by one and kept open (a
// recording): through links; an existing regular file is emptied, or, with
// exclusive, refused (Exists); anything else there is refused unopened.
// Returns the descriptor (append-only), or -1 with the trouble in *result.
int createForAppend(const std::string& path, bool exclusive, WriteResult* result);

// A regular file read piece by piece, also while another program appends to
// it (a recording being written): opened as readWhole opens, never blocking.
class GrowingFile {
public:
    GrowingFile() = default;
    GrowingFile(const GrowingFile&) = delete;
    GrowingFile& operator=(const GrowingFile&) = delete;
    ~GrowingFile();
    // Trouble only (bytes stay empty); size is the file's at opening.
    ReadResult open(const std::string& path);
    // Up to count bytes more from where the last read ended; none at the end.
    ReadResult more(std::size_t count);
    // Since opening, the path has come to hold another file, or none, or
    // this one was made shorter than what was read: what was read no longer
    // is the file's beginning.
    bool replaced() const;
    std::uint64_t offset() const { return offset_; }
    // The file's size now (what more() could still give is size() - offset()).
    std::uint64_t size() const;

private:
    int fd_ = -1;
    std::string path_;
    std::uint64_t offset_ = 0, device_ = 0, inode_ = 0;
};

// The system's reason for an errno, for the words that name a trouble.
std::string reason(int error);

}  // namespace qv::files
