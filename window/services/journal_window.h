#pragma once
// The journal of changes, as the window shows it: every entry in the same
// words as qv-cli's list, newest first, one port or all, and the chain
// checked on request. It only reads the journal; opening it changes nothing.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/journal/journal.h"
#include "core/text/text_numbers.h"
#include "core/text/words.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace qv::window {

class JournalWindow : public QDialog {
public:
    enum Text {
        Title = qv::text::msg::JournalTitle, PortLabel = qv::text::msg::JournalPort,
        AllPorts = qv::text::msg::JournalAllPorts, Verify = qv::text::msg::JournalVerify,
        Reload = qv::text::msg::JournalReload, Close = qv::text::msg::TraceClose
    };
    // words: the journal's words in the language in use; text: a status text.
    JournalWindow(std::string path, std::shared_ptr<const qv::text::Words> words, std::function<QString(int)> text,
                  QWidget* parent = nullptr);
    void setPath(std::string path) { path_ = std::move(path); }
    // Another language's words (shown with the next retranslate).
    void setWords(std::shared_ptr<const qv::text::Words> words) { words_ = std::move(words); }
    // Reads the journal again (it may have grown) and shows it.
    void reload();
    void retranslate();
    // What is shown (tests).
    QStringList shownLines() const;
    QString note() const;
    void verifyChain();

private:
    void showEntries(const qv::journal::Reading& reading);
    std::string path_;
    std::shared_ptr<const qv::text::Words> words_;
    std::function<QString(int)> text_;
    qv::journal::Reading reading_;
    QLabel* file_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QComboBox* port_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* reload_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace qv::window
