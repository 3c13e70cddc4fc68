#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/text/settings.h"

using namespace qv::text;
namespace fs = std::filesystem;

namespace {
struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/qvsettingsXXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
    }
};
}  // namespace

TEST(CDecimal, BehavesLikeTheCLibrary) {
    EXPECT_EQ(cDecimal("12"), 12);
    EXPECT_EQ(cDecimal("  7x"), 7);
    EXPECT_EQ(cDecimal("-3"), -3);
    EXPECT_EQ(cDecimal("+4"), 4);
    EXPECT_EQ(cDecimal("zwei"), 0);
    EXPECT_EQ(cDecimal(""), 0);
    EXPECT_EQ(cDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(cDecimal("-99999999999999999999"), -2147483648LL);
}

TEST(Settings, EmptyDirectoryGivesDefaultsAndTheFile) {
    TempDir dir;
    AppSettings s;
    setProgramDir(s, dir.path.string());
    EXPECT_EQ(s.iniPath, dir.path.string() + "/QV-GUI.ini");
    readSettings(s);
    EXPECT_EQ(s.comPort, 1);
    EXPECT_EQ(s.language, 0);
    EXPECT_EQ(s.greyOut, 0);
    EXPECT_EQ(s.refreshRate, 2);
    EXPECT_EQ(s.workingDir, "");
    writeSettings(s);
    const std::string text = dir.read("QV-GUI.ini");
    EXPECT_EQ(text,
              "[COM]\r\nCOMPORT=1\r\n[DATEN]\r\nLANGUAGE=0\r\nAUSGRAUEN=0\r\nREFRESHRATE=2\r\n"
              "[PFADE]\r\nWORKINGDIR=\r\n");
}

TEST(Settings, RoundTripAndForeignLinesKept) {
    TempDir dir;
    dir.write("QV-GUI.ini", "; written by hand\n[daten]\nlanguage=2\nOTHER=x\n[Mine]\nk=v\n");
    AppSettings s;
    setProgramDir(s, dir.path.string() + "/");
    readSettings(s);
    EXPECT_EQ(s.language, 2);
    s.comPort = 4;
    s.workingDir = "/home/tech/records/";
    s.refreshRate = 15;
    writeSettings(s);
    AppSettings t;
    setProgramDir(t, dir.path.string());
    readSettings(t);
    EXPECT_EQ(t.comPort, 4);
    EXPECT_EQ(t.language, 2);
    EXPECT_EQ(t.workingDir, "/home/tech/records/");
    EXPECT_EQ(t.refreshRate, 15);
    const std::string text = dir.read("QV-GUI.ini");
    EXPECT_NE(text.find("; written by hand\r\n"), std::string::npos);
    EXPECT_NE(text.find("OTHER=x\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Mine]\r\nk=v\r\n"), std::string::npos);
}

TEST(Settings, AbsurdValuesReachThePagesUnchanged) {
    TempDir dir;
    dir.write("QV-GUI.ini", "[COM]\r\nCOMPORT=12\r\n[DATEN]\r\nLANGUAGE=5\r\nREFRESHRATE=0\r\nAUSGRAUEN=ja\r\n"
                            "[PFADE]\r\nWORKINGDIR=" + std::string(10000, 'x') + "\r\n\x01\x02\xff garbage\r\n");
    AppSettings s;
    setProgramDir(s, dir.path.string());
    readSettings(s);
    EXPECT_EQ(s.comPort, 12);
    EXPECT_EQ(s.language, 5);
    EXPECT_EQ(s.refreshRate, 0);
    EXPECT_EQ(s.greyOut, 0);
    EXPECT_EQ(s.workingDir.size(), 511u);
}

TEST(Settings, DirectoryOfAChosenFile) {
    EXPECT_EQ(directoryOf("/home/tech/rec/run1.csv"), "/home/tech/rec/");
    EXPECT_EQ(directoryOf("/run1.csv"), "/");
    EXPECT_EQ(directoryOf("run1.csv"), "");
}
