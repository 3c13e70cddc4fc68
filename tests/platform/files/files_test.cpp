// What a path may hold instead of a file, read and written: every read ends
// at once with the trouble named, nothing is ever written over what is not a
// regular file, a symbolic link is written through to its target.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"
#include "tests/support/temp_dir.h"

using qv::files::Trouble;
namespace fs = std::filesystem;

namespace {

struct Files : ::testing::Test {
    qv::test::TempCwd dir;
    std::string at(const std::string& name) const { return (dir.path / name).string(); }
    void SetUp() override {
        dir.write("small", "abc");
        ::mkfifo(at("fifo").c_str(), 0600);
        fs::create_directory(dir.path / "folder");
        fs::create_symlink("/dev/zero", dir.path / "zero");
        fs::create_symlink("small", dir.path / "to-small");
        fs::create_symlink("made-by-link", dir.path / "dangling");
        // Two gigabytes that take no room: refused by their size, never read.
        const int fd = ::open(at("huge").c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(::ftruncate(fd, 2LL << 30), 0);
        ::close(fd);
    }
};

}  // namespace

TEST_F(Files, ReadsAreBoundedAndNeverBlock) {
    const struct {
        const char* path;
        Trouble whole, head;
    } cases[] = {
        {"small", Trouble::None, Trouble::None},           {"absent", Trouble::Missing, Trouble::Missing},
        {"folder", Trouble::NotRegular, Trouble::NotRegular}, {"fifo", Trouble::NotRegular, Trouble::NotRegular},
        {"zero", Trouble::NotRegular, Trouble::NotRegular},   {"/dev/zero", Trouble::NotRegular, Trouble::NotRegular},
        {"huge", Trouble::TooLarge, Trouble::None},         {"to-small", Trouble::None, Trouble::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string path = c.path[0] == '/' ? c.path : at(c.path);
        const auto whole = qv::files::readWhole(path, 1 << 20);
        EXPECT_EQ(whole.trouble, c.whole);
        EXPECT_LE(whole.bytes.size(), 3u);
        const auto head = qv::files::readHead(path, 101);
        EXPECT_EQ(head.trouble, c.head);
        EXPECT_LE(head.bytes.size(), 101u);
    }
    EXPECT_EQ(qv::files::readWhole(at("small"), 2).trouble, Trouble::TooLarge);
    EXPECT_EQ(qv::files::readWhole(at("to-small"), 3).bytes, "abc");
    // A limit far beyond the file costs no memory beyond the file's bytes.
    EXPECT_LE(qv::files::readWhole(at("to-small"), std::size_t(1) << 30).bytes.capacity(), 1u << 16);
    EXPECT_EQ(qv::files::readWhole(at("huge"), 1 << 20).size, 2ull << 30);
    EXPECT_EQ(qv::files::readHead(at("huge"), 101).bytes, std::string(101, '\0'));
}

TEST_F(Files, AFileIsWrittenWholeAndOnlyOverARegularFileThroughItsLinks) {
    const struct {
        const char* path;
        bool replace;
        Trouble trouble;
    } cases[] = {
        {"new", false, Trouble::None},          {"small", false, Trouble::Exists}, {"small", true, Trouble::None},
        {"fifo", true, Trouble::NotRegular},    {"folder", true, Trouble::NotRegular},
        {"zero", true, Trouble::NotRegular},    {"/dev/full", true, Trouble::NotRegular},
        {"to-small", true, Trouble::None},      {"dangling", false, Trouble::None},
        {"absent/sub", true, Trouble::Failed},
    };
    ::chmod(at("small").c_str(), 0640);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string path = c.path[0] == '/' ? c.path : at(c.path);
        EXPECT_EQ(qv::files::mayWrite(path, c.replace).trouble, c.trouble == Trouble::Failed ? Trouble::None : c.trouble);
        EXPECT_EQ(qv::files::writeWhole(path, "written", c.replace).trouble, c.trouble);
    }
    EXPECT_EQ(dir.read("new"), "written");
    EXPECT_EQ(dir.read("small"), "written");
    EXPECT_EQ(fs::status(dir.path / "small").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // The links are links still, their targets written.
    EXPECT_TRUE(fs::is_symlink(dir.path / "to-small"));
    EXPECT_TRUE(fs::is_symlink(dir.path / "dangling"));
    EXPECT_EQ(dir.read("made-by-link"), "written");
    EXPECT_TRUE(fs::is_fifo(dir.path / "fifo"));
    // Nothing left beside any of them, nor beside the device.
    for (const auto& e : fs::directory_iterator(dir.path))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
    for (const auto& e : fs::directory_iterator("/dev"))
        EXPECT_EQ(e.path().filename().string().find("full.part"), std::string::npos) << e.path();
}

TEST_F(Files, ARecordingsFileIsMadeOnlyAsARegularFile) {
    qv::files::WriteResult w;
    int fd = qv::files::createForAppend(at("to-small"), false, &w);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, "xy", 2), 2);
    ::close(fd);
    EXPECT_EQ(dir.read("small"), "xy");  // emptied, then written, through the link
    EXPECT_TRUE(fs::is_symlink(dir.path / "to-small"));
    EXPECT_EQ(qv::files::createForAppend(at("small"), true, &w), -1);
    EXPECT_EQ(w.trouble, Trouble::Exists);
    EXPECT_EQ(dir.read("small"), "xy");
    for (const char* path : {"/dev/null", "fifo", "folder"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(qv::files::createForAppend(path[0] == '/' ? path : at(path), false, &w), -1);
        EXPECT_EQ(w.trouble, Trouble::NotRegular);
    }
    fd = qv::files::createForAppend(at("fresh"), true, &w);
    EXPECT_GE(fd, 0);
    ::close(fd);
}
