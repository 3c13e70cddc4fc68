#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace qv::test {

// A fresh directory that becomes the current one for the test's lifetime:
// the program looks up its files in the start-up directory.
struct TempCwd {
    std::filesystem::path path, previous;
    TempCwd() {
        char tmpl[] = "/tmp/qvtestXXXXXX";
        path = mkdtemp(tmpl);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~TempCwd() {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
    }
    // The installed text files (every *.txt of from, the build's run
    // directory), as the program finds them beside it.
    void copyTexts(const std::filesystem::path& from) const {
        for (const auto& e : std::filesystem::directory_iterator(from))
            if (e.path().extension() == ".txt") std::filesystem::copy_file(e.path(), path / e.path().filename());
    }
};

}  // namespace qv::test
