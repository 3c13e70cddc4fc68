// The journal of changes: intent before outcome, the hash chain and what
// verify names, concurrent writers, and whatever a path may hold instead.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/journal/journal.h"
#include "tests/support/temp_dir.h"

using namespace qv::journal;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
void spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; }

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> out;
    std::stringstream ss(bytes);
    for (std::string l; std::getline(ss, l);) out.push_back(l);
    return out;
}
std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

struct Journal : ::testing::Test {
    qv::test::TempCwd dir;
    Writer w;
    void SetUp() override {
        w.path = (dir.path / "sub" / "journal.jsonl").string();  // the folder is made when missing
        w.program = "test";
        w.version = "1";
        w.caption = [](int control) { return "row " + std::to_string(control); };
    }
    Intent write() const {
        Intent i;
        i.op = Operation::ParameterWrite;
        i.target = {5, "/dev/ttyUSB0", "KT740-GX-M1D4A1S1", "1.23"};
        return i;
    }
};

}  // namespace

TEST_F(Journal, IntentThenOutcomePairedAndAnIntentAloneIsOutcomeUnknown) {
    const auto a = appendIntent(w, write());
    ASSERT_TRUE(a.ok()) << a.error;
    ASSERT_TRUE(appendOutcome(w, a.seq, {"acknowledged", "verified", {{"Pipe size", "100 mm", "150 mm"}}}).ok());
    Intent reset;
    reset.op = Operation::ResetTotalizer;
    ASSERT_EQ(appendIntent(w, reset).seq, 3);  // killed before its outcome
    const auto r = read(w.path);
    ASSERT_EQ(r.error, 0);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].intent.target.port, 5);
    EXPECT_EQ(r.entries[0].intent.operation, "parameter-write");
    EXPECT_EQ(r.entries[0].intent.user.empty(), false);
    ASSERT_TRUE(r.entries[0].outcome);
    EXPECT_EQ(r.entries[0].outcome->verdict, "verified");
    ASSERT_EQ(r.entries[0].outcome->changes.size(), 1u);
    EXPECT_EQ(r.entries[0].outcome->changes[0].to, "150 mm");
    EXPECT_EQ(r.entries[1].intent.operation, "reset-totalizer");
    EXPECT_FALSE(r.entries[1].outcome);
    EXPECT_EQ(verify(w.path).fault, Verification::Fault::None);
    EXPECT_EQ(verify(w.path).lines, 3);
}

// Every kind of tampering is found, at the line it shows.
TEST_F(Journal, VerifyNamesAChangedARemovedAndAnInsertedLine) {
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(appendIntent(w, write()).ok());
    const auto lines = linesOf(slurp(w.path));
    ASSERT_EQ(lines.size(), 4u);
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        Verification::Fault fault;
        long badLine;
    };
    auto changed = lines;
    changed[1].replace(changed[1].find("ttyUSB0"), 7, "ttyUSB9");
    auto removed = lines;
    removed.erase(removed.begin() + 1);
    auto inserted = lines;
    inserted.insert(inserted.begin() + 2, lines[1]);
    auto firstGone = lines;
    firstGone.erase(firstGone.begin());
    auto garbage = lines;
    garbage[2] = "not json";
    const Case cases[] = {
        {"intact", lines, Verification::Fault::None, 0},
        {"changed", changed, Verification::Fault::Changed, 3},
        {"removed", removed, Verification::Fault::Removed, 2},
        {"inserted", inserted, Verification::Fault::Inserted, 3},
        {"first removed", firstGone, Verification::Fault::Removed, 1},
        {"no line", garbage, Verification::Fault::NotALine, 3},
    };
    for (const auto& c : cases) {
        const auto v = verifyBytes(joined(c.lines));
        EXPECT_EQ(v.fault, c.fault) << c.what;
        EXPECT_EQ(v.badLine, c.badLine) << c.what;
    }
}

// A writer killed in the middle of a line: the fragment is no entry, and
// the next append starts a line of its own; the chain names the fragment.
TEST_F(Journal, ACutOffLineStaysItsOwnAndIsNamed) {
    ASSERT_TRUE(appendIntent(w, write()).ok());
    spit(w.path, slurp(w.path) + "{\"seq\":2,\"kind\":\"inte");
    EXPECT_EQ(read(w.path).entries.size(), 1u);
    ASSERT_TRUE(appendIntent(w, write()).ok());
    const auto r = read(w.path);
    EXPECT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.unreadable, 1);
    EXPECT_EQ(r.firstUnreadable, 2);
    EXPECT_EQ(r.entries[1].intent.seq, 2);  // counted on from the last whole line
    const auto v = verify(w.path);
    EXPECT_EQ(v.fault, Verification::Fault::NotALine);
    EXPECT_EQ(v.badLine, 2);
}

// What a path may hold instead of a journal: refused at once, named, never
// written, never a hang.
TEST_F(Journal, WhatIsNoJournalFileIsRefusedUnwritten) {
    const std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path / "folder");
    const std::string big = (dir.path / "big").string();
    {
        std::ofstream(big, std::ios::binary) << "x";
        std::filesystem::resize_file(big, kMaxJournalBytes + 1);
    }
    struct Case {
        std::string path;
        int readError;
        bool appendRefused;
    } cases[] = {{fifo, kNotRegularFile, true},
                 {(dir.path / "folder").string(), kNotRegularFile, true},
                 {"/dev/zero", kNotRegularFile, true},
                 {"/dev/full", kNotRegularFile, true},
                 {big, EFBIG, false},
                 {(dir.path / "missing").string(), ENOENT, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(read(c.path).error, c.readError) << c.path;
        EXPECT_EQ(verify(c.path).error, c.readError) << c.path;
        if (!c.appendRefused) continue;
        Writer x = w;
        x.path = c.path;
        EXPECT_NE(appendIntent(x, write()).error, 0) << c.path;
    }
    EXPECT_EQ(std::filesystem::file_size(big), kMaxJournalBytes + 1);
    // Lines that are no journal lines are counted, never a crash.
    const auto r = readBytes("\n[]\n{\"seq\":\"x\"}\n{\"kind\":\"outcome\",\"seq\":4,\"intent\":99}\n\xFF\xFE\n{{{{{{{{\n");
    EXPECT_EQ(r.entries.size(), 0u);
    EXPECT_EQ(r.unreadable, 6);
    EXPECT_EQ(r.firstUnreadable, 1);
}

// A full disk (here: the file size limit): the intent is refused, and no
// fragment of it is left for the next line to be glued onto.
TEST_F(Journal, AFullDiskRefusesTheIntentAndLeavesTheFileAsItWas) {
    ASSERT_TRUE(appendIntent(w, write()).ok());
    const std::string before = slurp(w.path);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = before.size() + 100;  // room for a part of the next line only
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const auto refused = appendIntent(w, write());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(refused.error, EFBIG);
    EXPECT_EQ(slurp(w.path), before);
    ASSERT_TRUE(appendIntent(w, write()).ok());
    EXPECT_EQ(verify(w.path).fault, Verification::Fault::None);
}

// Three programs appending at once: no line lost or interleaved, the chain whole.
TEST_F(Journal, ConcurrentWritersNeverInterleaveOrLoseALine) {
    ASSERT_TRUE(appendIntent(w, write()).ok());
    std::vector<pid_t> children;
    for (int p = 0; p < 3; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failed = 0;
            for (int i = 0; i < 20; ++i) failed += !appendIntent(w, write()).ok();
            ::_exit(failed);
        }
        children.push_back(child);
    }
    for (pid_t c : children) {
        int status = 0;
        ::waitpid(c, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto v = verify(w.path);
    EXPECT_EQ(v.fault, Verification::Fault::None) << v.badLine;
    EXPECT_EQ(v.lines, 61);
    EXPECT_EQ(read(w.path).entries.size(), 61u);
}
