#pragma once
// The per-page, per-language text files: labels, help, messages, error texts
// and error help. Parsed here into data, byte for byte (Windows-1252); the
// pages apply the data to their controls.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/files.h"


namespace qv::text {

constexpr int kMessageCount = 200;  // numbers 1 to 200
constexpr int kMessageLines = 5;    // caption and four body lines
constexpr int kErrorEntries = 20;
constexpr std::size_t kLinePiece = 511;   // lines are read in pieces of this size
constexpr std::size_t kHelpMax = 512;     // a help text, line breaks included
constexpr std::size_t kErrorTextMax = 2560;

using MessageEntry = std::array<std::string, kMessageLines>;
// Index 0 is never used, so a message's number is its index.
using MessageTable = std::array<MessageEntry, kMessageCount + 1>;

struct IdText {
    int id;
    std::string text;
};

// "de", "en", "fr" for languages 0 to 2; empty for any other value.
std::string languageSuffix(int language);
// stem + "_" + suffix + ".txt", or empty when the language has no suffix.
std::string textFileName(const std::string& stem, int language);

// Lines as the loaders see them: pieces of at most 511 bytes, each with the
// line end it ended on (CR LF stays part of the line).
std::vector<std::string> readPieces(std::string_view file);
// Removes every byte below 0x20.
std::string strip(std::string_view line);
// strip, then leading and trailing blanks.
std::string trim(std::string_view line);

// "#<id>" then the caption on the next line.
std::vector<IdText> parseLabels(std::string_view file);
// "#<id>", text lines, one empty line. Texts keep their inner CR LF.
std::vector<IdText> parseHelp(std::string_view file);
// Fills the blocks the file holds into table; other entries keep their text.
void parseMessages(std::string_view file, MessageTable& table);
// At most 20 entries each, in file order.
std::vector<std::string> parseErrorTexts(std::string_view file);
std::vector<std::string> parseErrorHelp(std::string_view file);

// A text file far beyond any real one is refused, never read.
constexpr std::size_t kTextFileMax = 1 << 20;
// The whole text file, bounded and never blocking (see qv::files): a file
// that is missing, is no regular file or is too large gives its trouble.
qv::files::ReadResult readTextFile(const std::string& path);

// Why a file was not read or written, as the words say it: a message number
// (its %1 the limit, for a file too large), or 0 where the system's reason
// (qv::files::reason of the errno) says it.
int troubleMessage(qv::files::Trouble trouble);

}  // namespace qv::text
