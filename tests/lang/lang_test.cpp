// The installed text set: 12 stems in German, English and French. Checks the
// bytes of every file, the limits of the loaders, that the three languages
// cover the same entries, and that labels name only captioned controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/text/texts.h"
#include "core/text/text_numbers.h"

using namespace qv::text;

namespace {

const char* const kStems[] = {"Einstellungen_labels", "Einstellungen_hilfe", "Konfigurieren_labels",
                              "Konfigurieren_hilfe",  "Betrieb_labels",      "Betrieb_hilfe",
                              "Betrieb_Fehlertext",   "Betrieb_Fehlerhilfe", "Grafik_labels",
                              "Grafik_hilfe",         "Messages",            "Kommandozeile_texte"};

std::string load(const std::string& stem, int language) {
    const std::string path = std::string(QV_LANG_DIR) + "/" + textFileName(stem, language);
    const auto text = readTextFile(path);
    EXPECT_TRUE(text.ok()) << path;
    return text.bytes;
}

using Ids = std::set<int>;

struct Page {
    const char* name;
    Ids captioned;  // controls whose caption a labels record may set
    Ids values;     // controls that show values: help, never a labels record
};

// Settings page: statics, the grey-out check box and the OK button carry captions;
// port and language lists, lamps, version fields, refresh-rate edit and its marker show values.
const Page kSettings{"Einstellungen",
                     {1006, 1005, 1010, 1012, 1099, 1056, 1},
                     {1001, 1004, 1007, 1008, 1009, 1011, 1098, 1122}};

// Operation page: column headings, row labels, contacts, buttons and the fixed "[%]" statics carry
// captions; value edits, the unit statics the poll fills, the low-flow combo and the recording
// indicator show values.
const Page kOperation{"Betrieb",
                      {1095, 1096, 1097, 1092, 1100, 1105, 1109, 1110, 1121, 1111, 1114, 1116, 1115,
                       1123, 1119, 1155, 1131, 1113, 1153, 1154, 1118, 1128, 1124, 1125, 1126, 1127},
                      {1091, 1093, 1094, 1098, 1099, 1101, 1102, 1103, 1104, 1106, 1107, 1108, 1120,
                       1122, 1130, 1112, 1117, 1129}};

// Configuration page: row captions, the "bar" static and the six buttons carry
// captions; parameter combos, edits and check boxes, the unit statics that follow the unit choices,
// and every row's change and error markers show values.
const Page kConfiguration{
    "Konfigurieren",
    {1034, 1030, 1054, 1058, 1067, 1071, 1074, 1079, 1083, 1087, 1095, 1099, 1103, 1107,
     1110, 1115, 1127, 1131, 1135, 1139, 1143, 1150, 1065, 1064, 1063, 1062, 1011, 1012, 1160, 1161, 1162, 1163,
     // captions of the rows without a known static, and the fixed "s"
     1005, 1015, 1018, 1023, 1007, 1009, 1013, 1151, 1047, 1051, 1119, 1123, 1152},
    {// parameters 1 to 33
     1033, 1004, 1014, 1017, 1022, 1029, 1006, 1008, 1010, 1016, 1046, 1050, 1055, 1059, 1066, 1070, 1075,
     1078, 1082, 1086, 1094, 1098, 1102, 1106, 1111, 1114, 1118, 1122, 1126, 1130, 1134, 1138, 1146,
     // unit statics
     1142, 1147, 1148, 1149, 1090, 1091, 1093, 1092, 1156,
     // change / error markers, row by row
     1025, 1026, 1021, 1028, 1020, 1032, 1019, 1035, 1024, 1036, 1031, 1037, 1027, 1038, 1039, 1040, 1041,
     1042, 1044, 1045, 1048, 1049, 1052, 1053, 1056, 1057, 1060, 1061, 1068, 1069, 1072, 1073, 1076, 1077,
     1080, 1081, 1084, 1085, 1088, 1089, 1096, 1097, 1100, 1101, 1104, 1105, 1108, 1109, 1112, 1113, 1116,
     1117, 1120, 1121, 1124, 1125, 1128, 1129, 1132, 1133, 1136, 1137, 1140, 1141, 1144, 1145}};

// Graph page: the three buttons carry captions; the chart frame holds the chart.
const Page kGraph{"Grafik", {1131, 1132, 1133, 1134}, {1130}};

const Page* const kPages[] = {&kSettings, &kOperation, &kConfiguration, &kGraph};

template <class T>
std::vector<int> idsOf(const std::vector<T>& records) {
    std::vector<int> ids;
    for (const auto& r : records) ids.push_back(r.id);
    return ids;
}

}  // namespace

TEST(LangFiles, BytesAreWindows1252WithCrLf) {
    for (int lang = 0; lang < 3; ++lang) {
        for (const char* stem : kStems) {
            const std::string text = load(stem, lang);
            SCOPED_TRACE(textFileName(stem, lang));
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
            std::size_t lineStart = 0;
            for (std::size_t i = 0; i < text.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(text[i]);
                if (c == '\r') {
                    ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "lone CR at " << i;
                } else if (c == '\n') {
                    ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
                    EXPECT_LE(i + 1 - lineStart, kLinePiece) << "line at byte " << lineStart;
                    lineStart = i + 1;
                } else {
                    EXPECT_FALSE(c < 0x20 || c == 0x7F) << "control byte " << int(c) << " at " << i;
                    EXPECT_FALSE(c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
                        << "byte undefined in Windows-1252: " << int(c) << " at " << i;
                }
            }
        }
    }
}

TEST(LangFiles, LabelsNameOnlyCaptionedControlsAndMatchAcrossLanguages) {
    for (const Page* page : kPages) {
        const std::string stem = std::string(page->name) + "_labels";
        std::vector<int> first;
        for (int lang = 0; lang < 3; ++lang) {
            SCOPED_TRACE(textFileName(stem, lang));
            auto labels = parseLabels(load(stem, lang));
            ASSERT_FALSE(labels.empty());
            for (const auto& l : labels) {
                // Ids from 1900 on are texts the page builds into others, no control's.
                EXPECT_TRUE(page->captioned.count(l.id) || l.id >= 1900) << "label for control " << l.id;
                EXPECT_FALSE(page->values.count(l.id)) << "label would overwrite value control " << l.id;
                EXPECT_FALSE(l.text.empty()) << l.id;
            }
            auto ids = idsOf(labels);
            EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size()) << "an id twice";
            if (lang == 0) first = ids;
            EXPECT_EQ(ids, first);
        }
    }
}

TEST(LangFiles, HelpTextsFitAndMatchAcrossLanguages) {
    for (const Page* page : kPages) {
        const std::string stem = std::string(page->name) + "_hilfe";
        std::vector<int> first;
        for (int lang = 0; lang < 3; ++lang) {
            SCOPED_TRACE(textFileName(stem, lang));
            auto help = parseHelp(load(stem, lang));
            ASSERT_FALSE(help.empty());
            for (const auto& h : help) {
                EXPECT_TRUE(page->captioned.count(h.id) || page->values.count(h.id)) << "unknown control " << h.id;
                EXPECT_FALSE(h.text.empty()) << h.id;
                EXPECT_LE(h.text.size(), kHelpMax) << h.id;
            }
            if (lang == 0) first = idsOf(help);
            EXPECT_EQ(idsOf(help), first);
        }
    }
}

TEST(LangFiles, MessagesOneToFifteenWithCaptionAndBodyStatusTextsFromFortyOne) {
    for (int lang = 0; lang < 3; ++lang) {
        SCOPED_TRACE(textFileName("Messages", lang));
        MessageTable table{};
        parseMessages(load("Messages", lang), table);
        // The status line's, the trace window's and the report's texts: one
        // line each, numbered without gaps from 41.
        int lastStatus = 40;
        while (lastStatus < kMessageCount && !table[lastStatus + 1][0].empty()) ++lastStatus;
        EXPECT_GE(lastStatus, 80);
        // Every number the program names has its text.
        for (int n : qv::text::msg::kUsed) EXPECT_FALSE(table[n][0].empty()) << "named text " << n;
        EXPECT_EQ(std::size(qv::text::msg::kUsed), std::size_t(15 + lastStatus - 40)) << "a text no name uses";
        for (int n = 1; n <= kMessageCount; ++n) {
            if (n <= 15) {
                EXPECT_FALSE(table[n][0].empty()) << "caption of " << n;
                EXPECT_FALSE(table[n][1].empty()) << "body of " << n;
            } else if (n >= 41 && n <= lastStatus) {
                EXPECT_FALSE(table[n][0].empty()) << "status text " << n;
                EXPECT_TRUE(table[n][1].empty()) << "status text " << n;
            } else {
                EXPECT_TRUE(std::all_of(table[n].begin(), table[n].end(), [](auto& s) { return s.empty(); }))
                    << "unexpected message " << n;
            }
        }
    }
}

// The labels files' texts that belong to no control, and qv-cli's: every
// number the program names has its text in each language, and nothing else
// stands beyond the controls.
TEST(LangFiles, EveryNamedTextOfTheLabelsFilesAndOfQvCliIsThere) {
    const struct {
        const char* stem;
        std::vector<int> named;
    } files[] = {
        {"Einstellungen_labels", {std::begin(label::kSettings), std::end(label::kSettings)}},
        {"Konfigurieren_labels", {std::begin(label::kConfiguration), std::end(label::kConfiguration)}},
        {"Betrieb_labels", {std::begin(label::kOperation), std::end(label::kOperation)}},
        {"Grafik_labels", {std::begin(label::kGraph), std::end(label::kGraph)}},
        {"Kommandozeile_texte", {std::begin(cli::kUsed), std::end(cli::kUsed)}},
    };
    for (const auto& f : files) {
        for (int lang = 0; lang < 3; ++lang) {
            SCOPED_TRACE(textFileName(f.stem, lang));
            std::set<int> present;
            for (const auto& l : parseLabels(load(f.stem, lang)))
                if (l.id >= 1900) present.insert(l.id);
            EXPECT_EQ(present, std::set<int>(f.named.begin(), f.named.end()));
        }
    }
}

TEST(LangFiles, FourteenErrorTextsAndErrorHelpEntries) {
    for (int lang = 0; lang < 3; ++lang) {
        SCOPED_TRACE(lang);
        const std::string textFile = load("Betrieb_Fehlertext", lang);
        const std::string helpFile = load("Betrieb_Fehlerhilfe", lang);
        auto texts = parseErrorTexts(textFile);
        auto help = parseErrorHelp(helpFile);
        // The records follow the error code table, the help file from its first line on.
        std::vector<int> codes;
        for (const auto& line : readPieces(textFile))
            if (line[0] == '#') codes.push_back(std::stoi(line.substr(1)));
        EXPECT_EQ(codes, (std::vector<int>{0, 255, 1, 2, 3, 4, 5, 10, 20, 21, 30, 40, 41, 60}));
        EXPECT_EQ(helpFile.substr(0, 3), "#0\r");
        ASSERT_EQ(texts.size(), 14u);
        ASSERT_EQ(help.size(), 14u);
        for (std::size_t i = 0; i < 14; ++i) {
            EXPECT_FALSE(texts[i].empty()) << i;
            EXPECT_FALSE(help[i].empty()) << i;
            EXPECT_LE(texts[i].size(), kErrorTextMax) << i;
            EXPECT_LE(help[i].size(), kErrorTextMax) << i;
        }
    }
}
