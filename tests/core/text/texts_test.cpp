#include <gtest/gtest.h>

#include "core/text/text_numbers.h"
#include "core/text/texts.h"
#include "core/text/words.h"

using namespace qv::text;

TEST(TextFiles, NamesBySuffix) {
    EXPECT_EQ(textFileName("Betrieb_labels", 0), "Betrieb_labels_de.txt");
    EXPECT_EQ(textFileName("Messages", 2), "Messages_fr.txt");
    EXPECT_EQ(textFileName("Messages", 3), "");
    EXPECT_EQ(textFileName("Messages", -1), "");
}

TEST(TextFiles, PiecesOf511AndCleaning) {
    const std::string longLine(1200, 'a');
    auto pieces = readPieces(longLine + "\r\nb\r\nlast");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0].size(), 511u);
    EXPECT_EQ(pieces[2].size(), 1200u - 1022u + 2u);
    EXPECT_EQ(pieces[3], "b\r\n");
    EXPECT_EQ(pieces[4], "last");
    EXPECT_EQ(strip("\tSpr\x01" "ache\r\n"), "Sprache");
    EXPECT_EQ(trim("  \t Caption  \r\n"), "Caption");
    EXPECT_EQ(trim(" \r\n"), "");
}

TEST(Labels, RecordsByIdAndGarbage) {
    auto labels = parseLabels("#1006\r\nCOM-Schnittstelle\r\nnoise\r\n#1005\r\nSpr\tache\r\n#abc\r\nX\r\n#1007");
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].id, 1006);
    EXPECT_EQ(labels[0].text, "COM-Schnittstelle");
    EXPECT_EQ(labels[1].text, "Sprache");  // the tab is gone
    EXPECT_EQ(labels[2].id, 0);           // names no control: the page skips it
    // The caption line is taken whatever it holds, even a '#'.
    labels = parseLabels("#1\r\n#2\r\n");
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].text, "#2");
    // UTF-8 by mistake: the bytes pass as they are, to be shown as Windows-1252.
    labels = parseLabels("#1092\r\nStr\xC3\xB6mung\r\n");
    EXPECT_EQ(labels.at(0).text, "Str\xC3\xB6mung");
    // Binary garbage never breaks the loader.
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>((i * 37) & 0xFF));
    parseLabels(junk);
    parseHelp(junk);
    MessageTable t{};
    parseMessages(junk, t);
    parseErrorHelp(junk);
}

TEST(Help, MultiLineRecordsWithoutTrailingBreak) {
    auto help = parseHelp("#1001\r\nFirst line\r\nSecond line\r\n\r\n#1004\r\nOne\r\n\r\n");
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].id, 1001);
    EXPECT_EQ(help[0].text, "First line\r\nSecond line");
    EXPECT_EQ(help[1].text, "One");
}

TEST(Help, LastRecordWithoutEmptyLineAndLfFilesKeepTheirText) {
    auto help = parseHelp("#1\r\nAlpha\r\nBeta\r\n");
    EXPECT_EQ(help.at(0).text, "Alpha\r\nBeta");
    help = parseHelp("#1\nAlpha\nBeta\n\n#2\nGamma\n\n");
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].text, "Alpha\nBeta");
    EXPECT_EQ(help[1].text, "Gamma");
}

TEST(Help, LongTextsAreCut) {
    std::string file = "#5\r\n";
    for (int i = 0; i < 20; ++i) file += std::string(60, 'x') + "\r\n";
    file += "\r\n";
    EXPECT_EQ(parseHelp(file).at(0).text.size(), kHelpMax);
}

TEST(Messages, BlocksNumbersAndLimits) {
    MessageTable t{};
    parseMessages("#0\r\nzero\r\n\r\n#201\r\nbig\r\n\r\n#x\r\nletter\r\n\r\n"
                  "  #15  \r\n Caption \r\nBody 1\r\n\r\n"
                  "#7\r\nC\r\n1\r\n2\r\n3\r\n4\r\n5 dropped\r\n#8\r\nNext\r\n",
                  t);
    EXPECT_EQ(t[15][0], "Caption");
    EXPECT_EQ(t[15][1], "Body 1");
    EXPECT_EQ(t[15][2], "");
    EXPECT_EQ(t[7][4], "4");  // a sixth line is dropped
    EXPECT_EQ(t[8][0], "Next");  // the '#' line that ended block 7 starts block 8
    EXPECT_EQ(t[0][0], "");
    for (const auto& e : t) EXPECT_NE(e[0], "big");
}

TEST(Messages, MissingNumbersKeepThePreviousLanguage) {
    MessageTable t{};
    parseMessages("#12\r\nFehler\r\nNicht quittiert\r\n\r\n#13\r\nAufzeichnung\r\n\r\n", t);
    parseMessages("#13\r\nRecording\r\n\r\n", t);
    EXPECT_EQ(t[12][0], "Fehler");
    EXPECT_EQ(t[13][0], "Recording");
    // A number that comes again clears its block before it is filled.
    parseMessages("#12\r\nOnly a caption\r\n\r\n", t);
    EXPECT_EQ(t[12][1], "");
}

TEST(ErrorFiles, FileOrderAtMostTwentyAndLimits) {
    std::string texts, help;
    for (int i = 0; i < 25; ++i) {
        const std::string n = std::to_string(i);
        texts += "#" + n + "\r\nText " + n + "\r\n";
        help += "#" + n + "\r\nHelp " + n + "\r\nline two\r\n\r\n";
    }
    auto t = parseErrorTexts(texts);
    auto h = parseErrorHelp(help);
    ASSERT_EQ(t.size(), 20u);
    ASSERT_EQ(h.size(), 20u);
    EXPECT_EQ(t[0], "Text 0");
    EXPECT_EQ(t[19], "Text 19");
    EXPECT_EQ(h[3], "Help 3\r\nline two");
    std::string big = "#0\r\n";
    for (int i = 0; i < 60; ++i) big += std::string(100, 'e') + "\r\n";
    EXPECT_EQ(parseErrorHelp(big + "\r\n").at(0).size(), kErrorTextMax);
    // A 3000-byte error text line is read in pieces; the first piece is the text.
    EXPECT_EQ(parseErrorTexts("#0\r\n" + std::string(3000, 'z') + "\r\n").at(0).size(), kLinePiece);
}

TEST(ErrorFiles, EmptyAndMissing) {
    EXPECT_TRUE(parseErrorTexts("").empty());
    EXPECT_TRUE(parseErrorHelp("").empty());
    EXPECT_EQ(readTextFile("/nonexistent/file.txt").trouble, qv::files::Trouble::Missing);
    EXPECT_EQ(readTextFile("/dev/null").trouble, qv::files::Trouble::NotRegular);  // a device, never read
}

TEST(Counted, OneFormForOneAndInFrenchForNone) {
    const struct {
        long long n;
        int language;
        bool one;
    } cases[] = {{1, 0, true}, {1, 1, true}, {1, 2, true}, {0, 0, false}, {0, 1, false},
                 {0, 2, true}, {2, 0, false}, {2, 2, false}, {21, 1, false}, {-1, 2, false}};
    for (const auto& c : cases)
        EXPECT_EQ(qv::text::counted(c.n, c.language, 10, 11), c.one ? 11 : 10) << c.n << " in " << c.language;
}

// Places filled once each, in one pass; a text the files lack keeps its values.
TEST(Words, PlacesFilledOnceAndMissingTextsKeepTheirValues) {
    const struct {
        const char* text;
        std::vector<std::string> args;
        const char* filled;
    } cases[] = {
        {"%1 – %2 Zeilen", {"a.csv", "3"}, "a.csv – 3 Zeilen"},
        {"%2 vor %1, %1", {"x", "y"}, "y vor x, x"},
        {"%1 und %2", {"%2", "z"}, "%2 und z"},  // a value is never filled again
        {"100 % sicher: %1", {"ja"}, "100 % sicher: ja"},
        {"#2041", {"a", "b"}, "#2041 a b"},
        {"%3", {"a"}, "%3 a"},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::text::fillWords(c.text, c.args), c.filled) << c.text;
}
