#pragma once
#include "core/text/words.h"
#include "window/services/journal_window.h"
// The one window: four pages on tabs, the 100 ms timer that drives the poll.
#include <QDialog>
#include <QPointer>
#include <memory>

#include "core/text/settings.h"
#include "window/services/tick.h"
#include "core/link/session.h"

class QTabWidget;
class QTimer;
class QMenuBar;

namespace qv::pages {
class Einstellungen;
class CKonfiguration;
class CBetrieb;
class CGrafik;
}  // namespace qv::pages

namespace qv::window {

using qv::text::AppSettings;

class StatusLine;
class LineTraceWindow;
class RecordingViewer;
struct ServiceReport;

// Wiring: the timer drives the connection (the session, which owns the
// meter's line), and the session's events reach the pages.
class CAllControlsSheet : public QDialog, private TickHooks, private qv::link::SessionEvents {
public:
    static constexpr int kTimerPeriodMs = 100;

    // clock: the millisecond tick count; the system's unless a test gives one.
    // ports: where the system's serial ports come from; none unless the
    // program (not a test) chooses the machine's.
    explicit CAllControlsSheet(qv::link::Session::Clock clock = qv::link::systemTickCount,
                               const qv::serial::PortDiscovery* ports = nullptr);
    ~CAllControlsSheet() override;

    AppSettings& settings() { return *settings_; }
    qv::link::Session& session() { return *session_; }
    const qv::protocol::MeasurementRecord& measurement() const { return session_->record(); }
    StatusLine* statusLine() const { return status_; }
    QTabWidget* tabs() const { return tabs_; }
    // The window size (frame not included) in which no page scrolls, as far as room allows.
    QSize unscrolledSize(const QSize& room) const;
    qv::pages::Einstellungen* settingsPage() const { return settingsPage_; }
    qv::pages::CKonfiguration* configurationPage() const { return configurationPage_; }
    qv::pages::CBetrieb* operationPage() const { return operationPage_; }
    qv::pages::CGrafik* graphPage() const { return graphPage_; }
    QMenuBar* windowMenuBar() const { return menuBar_; }

    // One timer tick as a test drives it: the tick, then a wait until the
    // connection has done what the tick gave it (the timer itself never waits).
    void tick();
    // Hands over the connection's results until nothing runs (tests, and closing).
    void waitForLine();
    void showAbout();
    // The line's diagnosis window, created at first use and kept.
    LineTraceWindow* showLineTrace();
    LineTraceWindow* lineTraceWindow() const { return traceWindow_; }
    // The service report: what it holds now, and the PDF written to a file
    // the user chooses (false when cancelled or not written).
    struct ServiceReport serviceReport(const QString& note);
    bool saveServiceReport(const QString& note);
    void showServiceReportDialog();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool pollPagesReady() const;
    // The other pages' texts again, after the Settings page chose another language.
    void languageSwitched();
    void sessionTick() override;
    bool recording() const override;
    void toggleRecordingIndicator() override;
    void settleTick() override;
    void updateStatus();
    // The session's events.
    void portOutcome(const qv::link::PortOutcome& outcome) override;
    void identified(const qv::protocol::Identification& id) override;
    void deviceTypeReceived(std::optional<int> code) override;
    void delivered(const qv::protocol::MeasurementRecord& record) override;
    void linkDown(bool down) override;
    void journalRefused(const std::string& path, int error) override;
    // The journal every change goes to: the settings file's [JOURNAL] PATH,
    // else the data folder's; captions in the language in use.
    void setUpJournal();
public:
    // "Journal...": the journal's window, read anew each time it is shown.
    void showJournal();
    JournalWindow* journalWindow() const { return journalWindow_; }
    // "Open recording…": a file dialog at the recording running or written
    // last, then the viewer (following the file while it is being recorded).
    void showRecordingViewer();
    RecordingViewer* recordingViewer() const { return recordingViewer_; }
private:

    qv::pages::Einstellungen* settingsPage_;
    qv::pages::CKonfiguration* configurationPage_;
    qv::pages::CBetrieb* operationPage_;
    qv::pages::CGrafik* graphPage_;
    std::unique_ptr<AppSettings> settings_;
    qv::link::Session::Clock clock_;
    std::unique_ptr<qv::link::Session> session_;
    std::shared_ptr<const qv::text::Words> journalWords_;  // the journal's captions and words
    JournalWindow* journalWindow_ = nullptr;
    RecordingViewer* recordingViewer_ = nullptr;
    TickDriver ticks_{*this};
    bool portKnown_ = false;  // the first identification has ended
    QString lastUpdate_;  // time of the last delivered cycle, for the stale values' tool tips
    StatusLine* status_ = nullptr;
    LineTraceWindow* traceWindow_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    // The window menu's entries, in the language in use.
    void retranslateMenu();
    QPointer<QDialog> reportDialog_;
    std::function<void()> retranslateReport_;
    QString reservedKeys() const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    struct MenuEntry {
        QAction* action;
        int text;
    };
    std::vector<MenuEntry> menuEntries_;
    QTimer* timer_ = nullptr;
};

}  // namespace qv::window
