#pragma once
// The status line at the foot of the sheet, the same on every page: port and
// meter, time since the last completed cycle, the line's health counters, and
// a short note from the last command that had nothing else to say. Its words
// are the status texts (41 to 55) of the messages file of the language in use.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "core/text/settings.h"
#include "core/text/texts.h"
#include "core/link/link_health.h"
#include "core/text/text_numbers.h"

class QLabel;
class QPushButton;
class QTimer;

namespace qv::window {

namespace msg = qv::text::msg;
using qv::text::AppSettings;
using qv::text::MessageTable;

class StatusLine : public QWidget {
public:
    enum Text {
        PortModel = msg::PortModel, SinceCycle = msg::SinceCycle, NoCycleYet = msg::NoCycleYet,
        Counters = msg::Counters, Silent = msg::Silent, Lost = msg::Lost, NoPort = msg::NoPort, NoMeter = msg::NoMeter,
        Garbled = msg::Garbled, Closed = msg::Closed, RecordingWaits = msg::RecordingWaits, Retrying = msg::Retrying,
        NotPolling = msg::NotPolling, RecordingPaused = msg::RecordingPaused, StaleSince = msg::StaleSince,
        OpenTrace = msg::TraceOpen,
        // Where a file went; the window menu's entries.
        Saved = msg::Saved, Loaded = msg::Loaded, RecordingTo = msg::RecordingTo, ReportSaved = msg::ReportSaved,
        TraceSaved = msg::TraceSaved, MenuMinimize = msg::MenuMinimize, MenuAbout = msg::MenuAbout,
        MenuClose = msg::MenuClose,
    };
    static constexpr int kNoteMs = 15000;

    struct View {
        int port = 0;
        qv::link::LinkHealth::State state = qv::link::LinkHealth::State::NoPort;
        QString model;             // empty: no meter known
        QString openFailure;       // why the port did not open, in the language in use
        bool cycleSeen = false;
        std::uint32_t sinceCycleMs = 0;
        int exchanges = 0, unanswered = 0, wrongLength = 0, reopenings = 0;
        bool recording = false;    // a recording runs (and waits while the link is down)
    };

    StatusLine(const AppSettings& settings, QWidget* parent = nullptr);
    void setView(const View& view);
    // A command's outcome, shown for a while beside the state with the time
    // it was made; args fill its placeholders %1, %2, ...
    void note(int text, const QStringList& args = {});
    // Takes a note back whose truth has gone, if it is still the one shown.
    void withdraw(int text);
    // A trouble that lasts until it is over (a recording that cannot
    // write), on a line of its own; empty: over.
    void setProblem(const QString& text);
    QString problemText() const;
    // The status text in the current language (the file is read again after a switch).
    QString text(int number);

    QString stateText() const;
    // What the button for the line's diagnosis window does.
    void setOpenTrace(std::function<void()> open) { openTrace_ = std::move(open); }
    QPushButton* traceButton() const { return traceButton_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureTexts();
    void retranslateButton();

    const AppSettings& settings_;
    MessageTable texts_{};
    int loadedLanguage_ = -2;
    void showNote();
    void fitNote();  // the note, shortened to its row's width
    QString noteFull_;
    int noteNumber_ = 0;
    QStringList noteArgs_;
    QString noteTime_;
    View view_;
    QLabel* state_;
    QLabel* note_;
    QLabel* counters_;
    QLabel* problem_;
    QTimer* noteTimer_;
    QPushButton* traceButton_;
    std::function<void()> openTrace_;
};

}  // namespace qv::window
