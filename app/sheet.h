#pragma once
// The one window: four pages on tabs, the 100 ms timer that drives the poll.
#include <QDialog>
#include <QPointer>
#include <memory>

#include "app/settings.h"
#include "app/tick.h"
#include "device/session.h"

class QTabWidget;
class QTimer;
class QMenuBar;

namespace qv::pages {
class Einstellungen;
class CKonfiguration;
class CBetrieb;
class CGrafik;
}  // namespace qv::pages

namespace qv::app {

class StatusLine;
class LineTraceWindow;
struct ServiceReport;

// Wiring: the timer drives the connection (the session, which owns the
// meter's line), and the session's events reach the pages.
class CAllControlsSheet : public QDialog, private TickHooks, private qv::device::SessionEvents {
public:
    static constexpr int kTimerPeriodMs = 100;

    // clock: the millisecond tick count; the system's unless a test gives one.
    explicit CAllControlsSheet(qv::device::Session::Clock clock = qv::device::systemTickCount);
    ~CAllControlsSheet() override;

    AppSettings& settings() { return *settings_; }
    qv::device::Session& session() { return *session_; }
    qv::device::LinkSlot& linkSlot() { return session_->slot(); }
    const qv::device::MeasurementRecord& measurement() const { return session_->record(); }
    qv::device::PollMachine& poll() { return session_->poll(); }
    qv::device::Line& line() { return session_->line(); }
    StatusLine* statusLine() const { return status_; }
    QTabWidget* tabs() const { return tabs_; }
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
    void sessionTick() override;
    bool recording() const override;
    void toggleRecordingIndicator() override;
    void settleTick() override;
    void updateStatus();
    // The session's events.
    void portOutcome(const qv::device::PortOutcome& outcome) override;
    void identified(const qv::device::Identification& id) override;
    void deviceTypeReceived(std::optional<int> code) override;
    void delivered(const qv::device::MeasurementRecord& record) override;
    void linkDown(bool down) override;

    qv::pages::Einstellungen* settingsPage_;
    qv::pages::CKonfiguration* configurationPage_;
    qv::pages::CBetrieb* operationPage_;
    qv::pages::CGrafik* graphPage_;
    std::unique_ptr<AppSettings> settings_;
    qv::device::Session::Clock clock_;
    std::unique_ptr<qv::device::Session> session_;
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
        const char* german;
    };
    std::vector<MenuEntry> menuEntries_;
    QTimer* timer_ = nullptr;
};

}  // namespace qv::app
