#pragma once
// Loads a page's text files from the program directory and applies them to
// the page's controls; keeps the page's own message table.
#include <QString>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/texts.h"

namespace qv::dialog {
class DialogPage;
}

namespace qv::app {

class PageTexts {
public:
    PageTexts(qv::dialog::DialogPage& page, const AppSettings& settings) : page_(page), settings_(settings) {}

    // Each shows "Kann File nicht öffnen!" when its file cannot be opened and
    // then leaves the page as it was. A language without files loads nothing.
    void loadLabels(const std::string& stem);
    void loadHelp(const std::string& stem);
    void loadMessages();
    std::vector<std::string> loadErrorTexts();
    std::vector<std::string> loadErrorHelp();

    // Caption line 0, body lines 1 to 4 each followed by a line break.
    void showMessage(int number);
    const MessageTable& messages() const { return messages_; }
    QString messageLine(int number, int line) const;

private:
    std::optional<std::string> open(const std::string& stem);

    qv::dialog::DialogPage& page_;
    const AppSettings& settings_;
    MessageTable messages_{};
};

}  // namespace qv::app
