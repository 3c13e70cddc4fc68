#pragma once
// The one window: four pages on tabs, the 100 ms timer that drives the poll.
#include <QDialog>
#include <memory>

#include "app/link_health.h"
#include "app/settings.h"
#include "app/tick.h"
#include "device/line.h"
#include "device/measurement.h"
#include "device/poll.h"
#include "device/serial_link.h"

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

class CAllControlsSheet : public QDialog, private TickHooks, private qv::device::PollListener {
public:
    static constexpr int kTimerPeriodMs = 100;

    // clock: the millisecond tick count; the system's unless a test gives one.
    explicit CAllControlsSheet(TickDriver::Clock clock = systemTickCount);
    ~CAllControlsSheet() override;

    AppSettings& settings() { return *settings_; }
    qv::device::LinkSlot& linkSlot() { return linkSlot_; }
    const qv::device::MeasurementRecord& measurement() const { return measurement_; }
    qv::device::PollMachine& poll() { return poll_; }
    qv::device::Line& line() { return *line_; }
    const LinkHealth& linkHealth() const { return health_; }
    StatusLine* statusLine() const { return status_; }
    QTabWidget* tabs() const { return tabs_; }
    qv::pages::Einstellungen* settingsPage() const { return settingsPage_; }
    qv::pages::CKonfiguration* configurationPage() const { return configurationPage_; }
    qv::pages::CBetrieb* operationPage() const { return operationPage_; }
    qv::pages::CGrafik* graphPage() const { return graphPage_; }
    QMenuBar* windowMenuBar() const { return menuBar_; }

    // One timer tick as a test drives it: the tick, then a wait until the
    // line has done what the tick gave it (the timer itself never waits).
    void tick(int timerId = TickDriver::kTimerId);
    // Hands over the line's results until it is free (tests, and closing).
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
    bool pollPagesReady() const override;
    bool recording() const override;
    void toggleRecordingIndicator() override;
    void settleTick() override;
    bool lineBusy() const override;
    void runPollStep() override;
    void onTimer(int timerId);
    void updateLinkState();
    void deviceTypeReceived(std::optional<int> code) override;
    void deliver(const qv::device::MeasurementRecord& record) override;

    qv::pages::Einstellungen* settingsPage_;
    qv::pages::CKonfiguration* configurationPage_;
    qv::pages::CBetrieb* operationPage_;
    qv::pages::CGrafik* graphPage_;
    qv::device::LinkSlot linkSlot_;
    std::unique_ptr<AppSettings> settings_;
    qv::device::MeasurementRecord measurement_;
    qv::device::PollMachine poll_;
    TickDriver::Clock clock_;
    TickDriver ticks_;
    std::unique_ptr<qv::device::Line> line_;
    LinkHealth health_;
    bool linkDown_ = false;
    bool tickOwed_ = false;
    bool portKnown_ = false;  // the first identification has ended  // a tick came while an exchange ran: it follows at once
    QString lastUpdate_;  // time of the last delivered cycle, for the stale values' tool tips
    StatusLine* status_ = nullptr;
    LineTraceWindow* traceWindow_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace qv::app
