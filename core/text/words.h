#pragma once
// The program's own words in one language, read from the same text files
// the window's pages apply to their controls: for a program without a window.
#include <map>
#include <string>
#include <vector>

#include "core/text/texts.h"

namespace qv::text {

// "#<id>": what stands where a text file lacks a text, so a missing text is
// seen as one and never passed off as another.
std::string missingText(int id);

// %1, %2, ... of a text; a text the files lack ("#n") keeps the values after it.
std::string fillWords(std::string text, const std::vector<std::string>& args);

class Words {
public:
    // dir: where the text files are; language 0 de, 1 en, 2 fr. Files that
    // cannot be read leave their texts missing.
    void load(const std::string& dir, int language);
    int language() const { return language_; }
    // A text of a labels file by the file's stem ("Konfigurieren_labels") and
    // its number, UTF-8.
    std::string label(const std::string& stem, int id) const;
    // Line 0 (the caption) or a body line of a message, UTF-8.
    std::string message(int number, int line = 0) const;
    // The error texts as the recording writes them (Windows-1252).
    const std::vector<std::string>& errorTexts() const { return errorTexts_; }

private:
    int language_ = 0;
    std::map<std::string, std::map<int, std::string>> labels_;
    MessageTable messages_{};
    std::vector<std::string> errorTexts_;
};

// The labels files the words come from.
inline constexpr const char* kSettingsLabels = "Einstellungen_labels";
inline constexpr const char* kConfigurationLabels = "Konfigurieren_labels";
inline constexpr const char* kOperationLabels = "Betrieb_labels";
inline constexpr const char* kCliTexts = "Kommandozeile_texte";

}  // namespace qv::text
