#include "platform/profile/profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using qv::profile::getPrivateProfileString;
using qv::profile::writePrivateProfileString;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "qv_profile_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }

    void TearDown() override {
        // Tests may leave read-only directories behind; make them removable.
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec))
            if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all,
                                                   fs::perm_options::add, ec);
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    std::string path(const std::string& name = "qv.ini") const { return (dir_ / name).string(); }

    static void put(const std::string& p, const std::string& bytes) {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(f.good());
    }

    static std::string slurp(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string get(const std::string& sec, const std::string& key, const std::string& p,
                    std::size_t size = 512) const {
        return getPrivateProfileString(sec, key, "<def>", p, size);
    }

    fs::path dir_;
};

bool isRoot() { return ::geteuid() == 0; }

std::string withoutCR(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

// ---------------------------------------------------------------- reading

TEST_F(ProfileTest, MissingFileSectionOrKeyGiveDefault) {
    EXPECT_EQ(get("Port", "Baud", path("absent.ini")), "<def>");
    EXPECT_EQ(getPrivateProfileString("Port", "Baud", "", path("absent.ini")), "");

    put(path(), "[Port]\r\nBaud=9600\r\n[Other]\r\nParity=N\r\n");
    EXPECT_EQ(get("Nope", "Baud", path()), "<def>");
    EXPECT_EQ(get("Port", "Parity", path()), "<def>") << "key of another section leaked";
    EXPECT_EQ(get("Port", "Bau", path()), "<def>") << "prefix must not match";
    EXPECT_EQ(get("Por", "Baud", path()), "<def>");
    EXPECT_EQ(get("Port", "Baud", path()), "9600");

    // The default goes through the same buffer as a found value.
    EXPECT_EQ(getPrivateProfileString("Port", "x", "abcdef", path(), 4), "abc");
}

TEST_F(ProfileTest, LookupIgnoresAsciiCaseAndSurroundingBlanks) {
    put(path(), "  [ Serial Port ]  \r\n\t BaudRate \t=\t 19200 \t\r\n");
    EXPECT_EQ(get("serial port", "baudrate", path()), "19200");
    EXPECT_EQ(get("SERIAL PORT", "BAUDRATE", path()), "19200");
    EXPECT_EQ(get("  Serial Port ", " BaudRate ", path()), "19200");
    EXPECT_EQ(get("SerialPort", "BaudRate", path()), "<def>") << "inner blanks are significant";
}

TEST_F(ProfileTest, QuotedValuesLoseOneMatchingPair) {
    put(path(),
        "[Q]\n"
        "dq=\"  padded  \"\n"
        "sq= 'single' \n"
        "mixed=\"abc'\n"
        "lone=\"\n"
        "empty=\"\"\n"
        "inner=a \"b\" c\n"
        "nested=\"'x'\"\n");
    EXPECT_EQ(get("Q", "dq", path()), "  padded  ");
    EXPECT_EQ(get("Q", "sq", path()), "single");
    EXPECT_EQ(get("Q", "mixed", path()), "\"abc'");
    EXPECT_EQ(get("Q", "lone", path()), "\"");
    EXPECT_EQ(get("Q", "empty", path()), "");
    EXPECT_EQ(get("Q", "inner", path()), "a \"b\" c");
    EXPECT_EQ(get("Q", "nested", path()), "'x'");
    // Cut after the quotes are gone, like the Windows buffer.
    EXPECT_EQ(get("Q", "dq", path(), 5), "  pa");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin) {
    put(path(),
        "[A]\r\nk=first\r\nK=second\r\n"
        "[B]\r\nonlyB=1\r\n"
        "[a]\r\nk=third\r\nlate=4\r\n");
    EXPECT_EQ(get("A", "k", path()), "first");
    // Windows looks in the first [A] only; a key of a later duplicate is unseen.
    EXPECT_EQ(get("A", "late", path()), "<def>");

    ASSERT_TRUE(writePrivateProfileString("a", "late", "5", path()));
    EXPECT_EQ(slurp(path()),
              "[A]\r\nk=first\r\nK=second\r\nlate=5\r\n"
              "[B]\r\nonlyB=1\r\n"
              "[a]\r\nk=third\r\nlate=4\r\n");
}

TEST_F(ProfileTest, LinesWithoutEqualsAndKeysOutsideSectionsAreNotKeys) {
    put(path(),
        "orphan=outside\r\n"
        "[S]\r\n"
        "; comment=not really\r\n"
        "justaword\r\n"
        "[broken header\r\n"
        "k=v\r\n");
    EXPECT_EQ(get("S", "orphan", path()), "<def>");
    EXPECT_EQ(get("", "orphan", path()), "<def>");
    EXPECT_EQ(get("S", "justaword", path()), "<def>");
    EXPECT_EQ(get("S", "comment", path()), "<def>");
    // A '[' without ']' does not open a section, so k still belongs to [S].
    EXPECT_EQ(get("S", "k", path()), "v");
}

TEST_F(ProfileTest, LineEndingsCrlfLfMixedAndMissingFinalNewlineReadAlike) {
    const std::vector<std::string> variants = {
        "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3",
        "[S]\na=1\nb=2\n[T]\nc=3",
        "[S]\r\na=1\nb=2\r\n[T]\nc=3\n",
        "[S]\na=1\r\nb=2\n[T]\r\nc=3\r\n",
    };
    for (const auto& text : variants) {
        SCOPED_TRACE(::testing::PrintToString(text));
        put(path(), text);
        EXPECT_EQ(get("S", "a", path()), "1");
        EXPECT_EQ(get("S", "b", path()), "2");
        EXPECT_EQ(get("T", "c", path()), "3");
    }
}

TEST_F(ProfileTest, ValueIsCutToBufferSizeMinusOne) {
    put(path(), "[S]\r\nk=0123456789\r\n");
    EXPECT_EQ(get("S", "k", path(), 0), "");
    EXPECT_EQ(get("S", "k", path(), 1), "");
    EXPECT_EQ(get("S", "k", path(), 2), "0");
    EXPECT_EQ(get("S", "k", path(), 10), "012345678");
    EXPECT_EQ(get("S", "k", path(), 11), "0123456789");
    EXPECT_EQ(get("S", "k", path(), 1000), "0123456789");
}

TEST_F(ProfileTest, HugeLinesAndBinaryGarbageAreReadSafely) {
    const std::string tenK(10 * 1024, 'x');
    std::string mega(512 * 1024, '\0');
    for (std::size_t i = 0; i < mega.size(); ++i)
        mega[i] = static_cast<char>((i * 131 + 7) % 256 == '\n' ? 0x80 : (i * 131 + 7) % 256);

    std::string text = "[Bin]\r\n";
    text += mega + "\r\n";  // half a megabyte line, no newline inside
    text += "long=" + tenK + "\r\n";
    text += "nul=a\0b\xff\xfe\r\n"s;
    text += "high=\xc3\x28\xa0\xa1\r\n";
    text += "cr=mid\rdle\r\n";
    put(path(), text);

    EXPECT_EQ(get("Bin", "long", path(), 100), tenK.substr(0, 99));
    EXPECT_EQ(get("Bin", "long", path(), 20000), tenK);
    EXPECT_EQ(get("Bin", "nul", path()), "a\0b\xff\xfe"s);
    EXPECT_EQ(get("Bin", "nul", path(), 3), "a\0"s);
    EXPECT_EQ(get("Bin", "high", path()), "\xc3\x28\xa0\xa1");
    EXPECT_EQ(get("Bin", "cr", path()), "mid\rdle");

    // A write keeps all of it byte for byte.
    ASSERT_TRUE(writePrivateProfileString("Bin", "added", "1", path()));
    EXPECT_EQ(slurp(path()), text + "added=1\r\n");
    EXPECT_EQ(get("Bin", "long", path(), 20000), tenK);
}

// A file far beyond any settings file is not read (defaults), and a write
// leaves it as it is rather than replace it with the one key.
TEST_F(ProfileTest, AFileBeyondTheLimitIsRefusedAndNeverWrittenOver) {
    const std::string text = "[S]\r\nk=v\r\n" + std::string(qv::profile::kMaxFileBytes, ';');
    put(path(), text);
    EXPECT_EQ(get("S", "k", path()), "<def>");
    EXPECT_FALSE(writePrivateProfileString("S", "k", "w", path()));
    EXPECT_EQ(slurp(path()).size(), text.size());
}

TEST_F(ProfileTest, RandomBytesNeverBreakReadOrWrite) {
    std::mt19937 rng(740);
    std::uniform_int_distribution<int> byte(0, 255), len(0, 4096);
    const std::string alphabet = "[]=;'\" \t\r\n\0\x80\xff"s + "abcS";
    for (int round = 0; round < 200; ++round) {
        std::string garbage(static_cast<std::size_t>(len(rng)), '\0');
        for (auto& c : garbage)
            c = (byte(rng) & 1) ? static_cast<char>(byte(rng))
                                : alphabet[static_cast<std::size_t>(byte(rng)) % alphabet.size()];
        SCOPED_TRACE(round);
        put(path(), garbage);
        (void)get("S", "a", path());
        (void)get("", "", path());

        ASSERT_TRUE(writePrivateProfileString("Zq9Fuzz", "key", "value", path()));
        EXPECT_EQ(get("zq9fuzz", "KEY", path()), "value");
        // Nothing lost or reordered: only line endings may differ.
        std::string expect = withoutCR(garbage);
        if (!garbage.empty() && garbage.back() != '\n') expect += '\n';
        expect += "[Zq9Fuzz]\nkey=value\n";
        EXPECT_EQ(withoutCR(slurp(path())), expect);
    }
}

// ---------------------------------------------------------------- writing

TEST_F(ProfileTest, WriteCreatesFileWithCrlf) {
    ASSERT_TRUE(writePrivateProfileString("Port", "Baud", "9600", path()));
    EXPECT_EQ(slurp(path()), "[Port]\r\nBaud=9600\r\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"qv.ini"}) << "temporary file left behind";
}

TEST_F(ProfileTest, RoundTripOfSeveralSections) {
    const std::string p = path();
    ASSERT_TRUE(writePrivateProfileString("Port", "Name", "/dev/ttyUSB0", p));
    ASSERT_TRUE(writePrivateProfileString("Meter", "Address", "1", p));
    ASSERT_TRUE(writePrivateProfileString("Port", "Baud", "9600", p));
    ASSERT_TRUE(writePrivateProfileString("Graph", "Colour", "#ff0000", p));
    ASSERT_TRUE(writePrivateProfileString("Meter", "Unit", "m3/h", p));
    ASSERT_TRUE(writePrivateProfileString("Port", "Baud", "115200", p));
    ASSERT_TRUE(writePrivateProfileString("Meter", "Empty", "", p));

    EXPECT_EQ(get("Port", "Name", p), "/dev/ttyUSB0");
    EXPECT_EQ(get("Port", "Baud", p), "115200");
    EXPECT_EQ(get("Meter", "Address", p), "1");
    EXPECT_EQ(get("Meter", "Unit", p), "m3/h");
    EXPECT_EQ(get("Meter", "Empty", p), "") << "an empty value is not a missing key";
    EXPECT_EQ(get("Graph", "Colour", p), "#ff0000");
    EXPECT_EQ(slurp(p),
              "[Port]\r\nName=/dev/ttyUSB0\r\nBaud=115200\r\n"
              "[Meter]\r\nAddress=1\r\nUnit=m3/h\r\nEmpty=\r\n"
              "[Graph]\r\nColour=#ff0000\r\n");

    // A line break would split the file into other keys and sections: such a
    // value is refused and the file stays as it was; any other reads back as written.
    const std::string before = slurp(p);
    EXPECT_FALSE(writePrivateProfileString("PFADE", "WORKINGDIR", "/home/a\n[COM]\nCOMPORT=9/", p));
    EXPECT_FALSE(writePrivateProfileString("PFADE", "WORKINGDIR", "/home/a\r/", p));
    EXPECT_FALSE(writePrivateProfileString("PF\nADE", "WORKINGDIR", "/", p));
    EXPECT_EQ(slurp(p), before);
    const std::string odd = "/home/t\xE9st; a=b [x] \"q\" \t/";
    ASSERT_TRUE(writePrivateProfileString("PFADE", "WORKINGDIR", odd, p));
    EXPECT_EQ(get("PFADE", "WORKINGDIR", p), odd);
}

TEST_F(ProfileTest, ReplacingKeepsPositionAndTakesCallersSpelling) {
    put(path(), "[port]\r\n  baud = 9600  \r\nparity=N\r\n[Next]\r\nbaud=1\r\n");
    ASSERT_TRUE(writePrivateProfileString("PORT", "Baud", "19200", path()));
    EXPECT_EQ(slurp(path()), "[port]\r\nBaud=19200\r\nparity=N\r\n[Next]\r\nbaud=1\r\n");
    EXPECT_EQ(get("port", "baud", path()), "19200");
    EXPECT_EQ(get("next", "baud", path()), "1");
}

TEST_F(ProfileTest, NewKeyGoesAfterLastNonBlankLineOfItsSection) {
    put(path(),
        "[A]\r\n"
        "x=1\r\n"
        "; trailing comment\r\n"
        "\r\n"
        "  \t\r\n"
        "[B]\r\n"
        "y=2\r\n"
        "[Empty]\r\n"
        "\r\n"
        "[Last]\r\n"
        "z=3");
    ASSERT_TRUE(writePrivateProfileString("a", "new", "n", path()));
    ASSERT_TRUE(writePrivateProfileString("empty", "e", "v", path()));
    ASSERT_TRUE(writePrivateProfileString("Last", "w", "4", path()));
    EXPECT_EQ(slurp(path()),
              "[A]\r\n"
              "x=1\r\n"
              "; trailing comment\r\n"
              "new=n\r\n"
              "\r\n"
              "  \t\r\n"
              "[B]\r\n"
              "y=2\r\n"
              "[Empty]\r\n"
              "e=v\r\n"
              "\r\n"
              "[Last]\r\n"
              "z=3\r\n"
              "w=4\r\n");
}

TEST_F(ProfileTest, MissingSectionIsAppendedAtEnd) {
    put(path(), "[A]\r\nx=1\r\n\r\n");
    ASSERT_TRUE(writePrivateProfileString("B", "y", "2", path()));
    EXPECT_EQ(slurp(path()), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");

    put(path(), "[A]\r\nx=1");  // no final newline
    ASSERT_TRUE(writePrivateProfileString("B", "y", "2", path()));
    EXPECT_EQ(slurp(path()), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");

    put(path(), "");
    ASSERT_TRUE(writePrivateProfileString("B", "y", "2", path()));
    EXPECT_EQ(slurp(path()), "[B]\r\ny=2\r\n");
}

TEST_F(ProfileTest, ForeignContentKeptAndLfFileRewrittenWithCrlf) {
    const std::string foreign =
        "; written by someone else\n"
        "top=level\n"
        "\n"
        "[Foreign]\n"
        "  Spaced Key =  spaced value  \n"
        "quoted=\"q\"\n"
        "# hash comment\n"
        "[Port]\r\n"
        "Baud=9600\n"
        "\n"
        "[Tail]\n"
        "end=1";
    put(path(), foreign);
    EXPECT_EQ(get("Port", "Baud", path()), "9600");
    EXPECT_EQ(get("Foreign", "spaced key", path()), "spaced value");

    ASSERT_TRUE(writePrivateProfileString("Port", "Parity", "E", path()));
    EXPECT_EQ(slurp(path()),
              "; written by someone else\r\n"
              "top=level\r\n"
              "\r\n"
              "[Foreign]\r\n"
              "  Spaced Key =  spaced value  \r\n"
              "quoted=\"q\"\r\n"
              "# hash comment\r\n"
              "[Port]\r\n"
              "Baud=9600\r\n"
              "Parity=E\r\n"
              "\r\n"
              "[Tail]\r\n"
              "end=1\r\n");
}

TEST_F(ProfileTest, ExistingPermissionsKeptAndNewFileFollowsUmask) {
    put(path(), "[A]\r\nx=1\r\n");
    ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
    ASSERT_TRUE(writePrivateProfileString("A", "x", "2", path()));
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const mode_t old = ::umask(022);
    const bool ok = writePrivateProfileString("A", "x", "1", path("new.ini"));
    ::umask(old);
    ASSERT_TRUE(ok);
    ASSERT_EQ(::stat(path("new.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(ProfileTest, WriteThroughSymlinkKeepsTheLink) {
    fs::create_directory(dir_ / "real");
    put(path("real/target.ini"), "[A]\nx=1\n");
    fs::create_symlink("real/target.ini", dir_ / "link.ini");  // relative target

    ASSERT_TRUE(writePrivateProfileString("A", "y", "2", path("link.ini")));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
    EXPECT_EQ(fs::read_symlink(dir_ / "link.ini"), "real/target.ini");
    EXPECT_EQ(slurp(path("real/target.ini")), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(get("A", "y", path("link.ini")), "2");
    EXPECT_EQ(entries(), (std::vector<std::string>{"link.ini", "real"}));

    // A chain of links ending in a file that does not exist yet creates it.
    fs::create_symlink(dir_ / "real" / "later.ini", dir_ / "hop2");
    fs::create_symlink("hop2", dir_ / "hop1");
    ASSERT_TRUE(writePrivateProfileString("B", "z", "3", path("hop1")));
    EXPECT_TRUE(fs::is_symlink(dir_ / "hop1"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "hop2"));
    EXPECT_EQ(slurp(path("real/later.ini")), "[B]\r\nz=3\r\n");
}

// ---------------------------------------------------------------- failures

TEST_F(ProfileTest, WriteFailsCleanlyWhereNothingCanBeWritten) {
    EXPECT_FALSE(writePrivateProfileString("A", "x", "1", path("no/such/dir/qv.ini")));
    put(path("plain"), "data");
    EXPECT_FALSE(writePrivateProfileString("A", "x", "1", path("plain/qv.ini")));
    fs::create_directory(dir_ / "isdir");
    EXPECT_FALSE(writePrivateProfileString("A", "x", "1", path("isdir")));
    fs::create_symlink("loop", dir_ / "loop");
    EXPECT_FALSE(writePrivateProfileString("A", "x", "1", path("loop")));

    EXPECT_EQ(slurp(path("plain")), "data");
    EXPECT_TRUE(fs::is_empty(dir_ / "isdir"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"isdir", "loop", "plain"}));
}

TEST_F(ProfileTest, WriteFailsInReadOnlyDirectoryOrOnReadOnlyFile) {
    if (isRoot()) GTEST_SKIP() << "root ignores permission bits";
    fs::create_directory(dir_ / "ro");
    put(path("ro/qv.ini"), "[A]\nx=1\n");
    ASSERT_EQ(::chmod((dir_ / "ro").c_str(), 0555), 0);
    EXPECT_FALSE(writePrivateProfileString("A", "x", "2", path("ro/qv.ini")));
    EXPECT_FALSE(writePrivateProfileString("A", "x", "2", path("ro/new.ini")));
    EXPECT_EQ(slurp(path("ro/qv.ini")), "[A]\nx=1\n");
    std::vector<std::string> inRo;
    for (const auto& e : fs::directory_iterator(dir_ / "ro")) inRo.push_back(e.path().filename());
    EXPECT_EQ(inRo, std::vector<std::string>{"qv.ini"});

    put(path(), "[A]\nx=1\n");
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    EXPECT_FALSE(writePrivateProfileString("A", "x", "2", path()));
    EXPECT_EQ(slurp(path()), "[A]\nx=1\n");
}

}  // namespace
