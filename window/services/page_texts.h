#pragma once
// Loads a page's text files from the program directory and applies them to
// the page's controls; keeps the page's own message table.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/text/settings.h"
#include "core/text/texts.h"

namespace qv::dialog {
class DialogPage;
}

namespace qv::window {

using qv::text::AppSettings;
using qv::text::MessageTable;


// One of our texts with its places %1, %2, ... filled; a text the files lack
// ("#<n>", without places) keeps the values after it, so they are still said.
QString fillText(const QString& pattern, const QStringList& args);

// "<name>: <why>" for a file not read or written: our words for a file that
// is no regular file, too large (limit: the most its kind may hold) or there
// already, the system's for the rest.
QString fileTrouble(const QString& name, qv::files::Trouble trouble, int error, std::uint64_t limit,
                    const std::function<QString(int)>& text);

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
    const qv::text::MessageTable& messages() const { return messages_; }
    QString messageLine(int number, int line) const;
    // One of our own texts (a message's caption line): "#<number>" when the
    // file lacks it, so it is seen as missing.
    QString text(int number) const;

private:
    std::optional<std::string> open(const std::string& stem);
    // One of our texts, from the page's messages or, not loaded yet, the file's.
    QString reasonText(int number) const;

    qv::dialog::DialogPage& page_;
    const AppSettings& settings_;
    qv::text::MessageTable messages_{};
};

}  // namespace qv::window
