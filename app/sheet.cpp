#include "app/sheet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <QTime>
#include <cmath>

#include "app/line_qt.h"
#include "app/line_trace_window.h"
#include "app/service_report.h"
#include "pages/configuration/compare.h"
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include "app/page_keys.h"
#include "app/page_scroll.h"
#include "app/status_line.h"
#include "device/exchange.h"
#include "device/tables.h"
#include "pages/configuration/konfiguration.h"
#include "pages/graph/grafik.h"
#include "pages/operation/betrieb.h"
#include "pages/settings/einstellungen.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"

namespace qv::app {

namespace {
// Created before the pages, so their constructors find the start-up
// directory's settings file; pages create it with defaults when missing.
AppSettings* makeSettings() {
    auto* s = new AppSettings;
    setProgramDir(*s, currentDirectory());
    s->deviceCode = -1;
    return s;
}
}  // namespace

CAllControlsSheet::CAllControlsSheet(TickDriver::Clock clock)
    : QDialog(nullptr),
      settingsPage_(nullptr),
      configurationPage_(nullptr),
      operationPage_(nullptr),
      graphPage_(nullptr),
      settings_(makeSettings()),
      poll_(linkSlot_, settings_->deviceFamily, measurement_, *this),
      clock_(std::move(clock)),
      ticks_(clock_, settings_->refreshRate, poll_, *this),
      line_(std::make_unique<qv::device::Line>(linkSlot_, postTo(this))) {
    setWindowTitle(QString::fromUtf8("Quorvia \u2013 KT740 GUI"));
    setWindowIcon(qv::dialog::programIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    // Pages first: each reads and writes back the settings file for its tab title.
    settingsPage_ = new qv::pages::Einstellungen(settings_.get(), line_.get());
    configurationPage_ = new qv::pages::CKonfiguration(settings_.get(), line_.get());
    operationPage_ = new qv::pages::CBetrieb(settings_.get(), line_.get());
    graphPage_ = new qv::pages::CGrafik(settings_.get());
    readSettings(*settings_);
    qv::dialog::setDialogLanguage(settings_->language);
    // "COM<n>" entries are looked up where the program was started.
    qv::device::SerialLink::setPortDirectory(settings_->programDir);
    qv::device::SerialLink::setConfiguredPorts(settings_->portPaths);
    settingsPage_->setPages(configurationPage_, operationPage_, graphPage_);
    settingsPage_->setPortChosen([this](int port, bool opened) {
        health_.portChosen(port, opened, clock_());
        portKnown_ = true;
        updateLinkState();
    });
    status_ = new StatusLine(*settings_, this);
    line_->setOnFree([this] {
        if (!tickOwed_) return;
        tickOwed_ = false;
        onTimer(TickDriver::kTimerId);
    });
    configurationPage_->setStatusNote([this](int text) { status_->note(text); });
    status_->setOpenTrace([this] { showLineTrace(); });
    auto* traceKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), this);
    traceKey->setContext(Qt::WindowShortcut);
    connect(traceKey, &QShortcut::activated, this, [this] { showLineTrace(); });

    // A window menu of our own stands in for the system menu.
    menuBar_ = new QMenuBar(this);
    QMenu* window = menuBar_->addMenu(QStringLiteral("&QV-Gui"));
    window->addAction(QStringLiteral("Minimieren"), this, [this] { showMinimized(); });
    window->addSeparator();
    window->addAction(QString::fromUtf8("&Info \u00fcber QV-Gui..."), this, [this] { showAbout(); });
    QAction* report = window->addAction(status_->text(64).isEmpty() ? QStringLiteral("Servicebericht...") : status_->text(71), this, [this] { showServiceReportDialog(); });
    report->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    window->addSeparator();
    QAction* close = window->addAction(QString::fromUtf8("Schlie\u00dfen"), this, [this] { reject(); });
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(false);
    addScrolledPages(tabs_, {settingsPage_, configurationPage_, operationPage_, graphPage_});
    installPageKeys(tabs_);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addWidget(tabs_);
    layout->addWidget(status_);
    // Last: the window is sized from the finished layout, status line included.
    fitToScreen(this);

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, [this] { onTimer(TickDriver::kTimerId); });
    timer_->start();
    updateLinkState();
}

CAllControlsSheet::~CAllControlsSheet() {
    timer_->stop();
    // The exchange that runs ends first; nothing is handed back any more.
    line_.reset();
    writeSettings(*settings_);
    if (linkSlot_) linkSlot_->close();
    linkSlot_.reset();
    // Pages go in reverse order of their creation.
    delete graphPage_;
    delete operationPage_;
    delete configurationPage_;
    delete settingsPage_;
}

void CAllControlsSheet::keyPressEvent(QKeyEvent* event) {
    // The sheet has no Cancel button: Escape must not end the program.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAllControlsSheet::showAbout() {
    QDialog about(this);
    about.setWindowTitle(QString::fromUtf8("Info \u00fcber QV-Gui"));
    auto* logo = new QLabel(&about);
    logo->setPixmap(qv::dialog::logoPixmap(140, 57));
    auto* text = new QLabel(QString::fromUtf8("QV-Gui Version 1.0\nQuorvia \u2013 KT740 GUI"), &about);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(logo);
    row->addSpacing(12);
    row->addWidget(text);
    auto* layout = new QVBoxLayout(&about);
    layout->addLayout(row);
    layout->addWidget(buttons);
    about.exec();
}

LineTraceWindow* CAllControlsSheet::showLineTrace() {
    if (!traceWindow_)
        traceWindow_ = new LineTraceWindow(qv::device::lineTrace(), [this](int n) { return status_->text(n); }, this);
    traceWindow_->retranslate();  // the language may have changed since it was last open
    traceWindow_->show();
    traceWindow_->raise();
    traceWindow_->activateWindow();
    return traceWindow_;
}

namespace {
// Status texts of the service report (messages file).
enum ReportText {
    RTitle = 64, RPort, RModel, RSoftware, RParameters, RMeasurement, RNote, RAction, RSave, RFlow, RVolume,
    RTemperature, RTotal, RContacts, RError, RSaveTitle
};
}  // namespace

ServiceReport CAllControlsSheet::serviceReport(const QString& note) {
    auto t = [this](int n, const char* fallback) {
        const QString s = status_->text(n);
        return s.isEmpty() ? QString::fromUtf8(fallback) : s;
    };
    ServiceReport r;
    r.title = t(RTitle, "Servicebericht KT740");
    r.when = QDateTime::currentDateTime();
    r.head = {{t(RPort, "Schnittstelle"), QStringLiteral("COM%1").arg(settings_->comPort)},
              {t(RModel, "Modell"), settingsPage_->controlText(qv::pages::Einstellungen::Hardware)},
              {t(RSoftware, "Software-Version"), settingsPage_->controlText(qv::pages::Einstellungen::Software)}};
    r.parametersTitle = t(RParameters, "Parametersatz");
    namespace cfg = qv::configuration;
    const auto values = configurationPage_->values();
    const int code = values.sel(cfg::Model);
    const int family = qv::device::familyOfCode(code);
    for (const auto& row : cfg::rows()) {
        // Parameters the model does not have are left out.
        if (code >= 1 && code <= 45 && row.control != cfg::Model &&
            cfg::isUnavailable(code, row.control, values.sel(cfg::Sensor)))
            continue;
        const QString caption = configurationPage_->controlText(row.caption).remove(QLatin1Char('&')).trimmed();
        const QString value = row.control == cfg::Model
                                  ? configurationPage_->controlText(cfg::Model)
                                  : QString::fromStdString(cfg::displayValue(row.control, values, family, settings_->language));
        r.parameters.emplace_back(caption, value);
    }
    r.measurementTitle = t(RMeasurement, "Letzte Messung");
    const auto& m = measurement_;
    using qv::pages::CBetrieb;
    auto three = [](float a, float lo, float hi, const std::string& unit) {
        return QStringLiteral("%1 / %2 / %3 %4")
            .arg(CBetrieb::formatMeasurement(a).trimmed(), CBetrieb::formatMeasurement(lo).trimmed(),
                 CBetrieb::formatMeasurement(hi).trimmed(), qv::dialog::fromCp1252(unit));
    };
    const int c = m.contactStates;
    r.measurement = {
        {t(RFlow, "Str\u00f6mung akt. / min. / max."), three(m.flowVelocity, m.flowVelocityMin, m.flowVelocityMax, m.flowVelocityUnit)},
        {t(RVolume, "Volumenstrom akt. / min. / max."), three(m.volumeFlow, m.volumeFlowMin, m.volumeFlowMax, m.volumeFlowUnit)},
        {t(RTemperature, "Temperatur akt. / min. / max."),
         three(m.temperature, m.temperatureMin, m.temperatureMax, m.temperatureUnit)},
        {t(RTotal, "Totalisator"), CBetrieb::formatMeasurement(m.totalizer).trimmed() + QLatin1Char(' ') +
                                       qv::dialog::fromCp1252(m.totalizerUnit)},
        {t(RContacts, "Kontakte GK1, GK2, Bereit, Fehler"),
         QStringLiteral("%1 %2 %3 %4").arg(c & 1).arg((c >> 1) & 1).arg((c >> 2) & 1).arg((c & 8) ? 0 : 1)},
        {t(RError, "Fehler"), qv::dialog::fromCp1252(operationPage_->lastErrorText())},
    };
    r.noteTitle = t(RNote, "Notiz des Technikers").remove(QLatin1Char('&'));
    r.note = note;
    if (graphPage_->sampleCount() > 0) r.curves = graphPage_->chartFrame()->grab().toImage();
    return r;
}

bool CAllControlsSheet::saveServiceReport(const QString& note) {
    const QString path = qv::dialog::dialogs().saveFileName(this, status_->text(RSaveTitle), QString(),
                                                            QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return false;
    if (writeServiceReport(path, serviceReport(note))) return true;
    qv::dialog::dialogs().message(this, QStringLiteral("Error"), QString::fromUtf8("Kann File nicht \u00f6ffnen!"));
    return false;
}

void CAllControlsSheet::showServiceReportDialog() {
    // Non-modal, so the poll goes on and the last measurement stays fresh.
    auto* d = new QDialog(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(status_->text(RTitle));
    auto* caption = new QLabel(status_->text(RNote), d);
    auto* note = new QLineEdit(d);
    note->setAccessibleName(caption->text().remove(QLatin1Char('&')));
    caption->setBuddy(note);
    auto* save = new QPushButton(status_->text(RSave), d);
    save->setAccessibleName(save->text().remove(QLatin1Char('&')));
    connect(save, &QPushButton::clicked, d, [this, d, note] {
        if (saveServiceReport(note->text())) d->close();
    });
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(caption);
    layout->addWidget(note);
    layout->addWidget(save);
    d->resize(420, d->sizeHint().height());
    d->show();
}

void CAllControlsSheet::onTimer(int timerId) {
    // Ticks that come while an exchange runs are one owed tick, served the
    // moment the line is free: the poll keeps the pace it had when every
    // exchange held up the window thread and its timer. A tick during a
    // command's message box is skipped, as it always was.
    if (timerId == TickDriver::kTimerId && line_->busy() && !line_->inThen()) {
        tickOwed_ = true;
        return;
    }
    ticks_.onTimer(timerId);
    updateLinkState();
}

void CAllControlsSheet::tick(int timerId) {
    onTimer(timerId);
    waitForLine();
}

void CAllControlsSheet::waitForLine() { qv::app::waitForLine(*line_, this); }

bool CAllControlsSheet::pollPagesReady() const {
    return operationPage_->pageReady() == 1 || graphPage_->pageReady() == 1;
}
// While the link is down nothing is written, so the indicator stops blinking.
bool CAllControlsSheet::recording() const { return operationPage_->recording() && !linkDown_; }
void CAllControlsSheet::toggleRecordingIndicator() { operationPage_->toggleRecordingIndicator(); }
void CAllControlsSheet::settleTick() { configurationPage_->settleTick(); }
bool CAllControlsSheet::lineBusy() const { return line_->busy(); }

namespace {
struct PollReply {
    bool exchanged = false;
    int received = 0;
    std::uint8_t bytes[qv::device::kReadSize] = {};
    int reopenings = 0;
    bool lost = false;
};
}  // namespace

void CAllControlsSheet::runPollStep() {
    // The window thread decides what the step sends and what its reply
    // means; the line's thread only does the exchange.
    auto reply = std::make_shared<PollReply>();
    const auto request = poll_.request();
    line_->tryRun(
        [request, reply](qv::device::LinkSlot& slot) {
            if (!request || !slot) return;
            reply->received = qv::device::exchangeCommand(slot.get(), request->command, request->waitMs, reply->bytes);
            reply->reopenings = slot->reopenings();
            reply->lost = slot->lost();
            reply->exchanged = true;
        },
        [this, reply] {
            poll_.finishStep(reply->exchanged ? reply->bytes : nullptr, reply->received);
            if (!reply->exchanged) return;
            // The port went away (and maybe came back) during this cycle: what
            // it gathered before belongs to the other side of the outage.
            const bool outage = reply->lost || reply->reopenings != health_.reopenings();
            health_.portReport(reply->reopenings, reply->lost);
            if (outage) poll_.restart();
        });
}

void CAllControlsSheet::updateLinkState() {
    const std::uint32_t now = clock_();
    health_.update(now, pollPagesReady(), ticks_.outageInterval());
    const bool down = health_.down() && pollPagesReady();
    if (down != linkDown_) {
        linkDown_ = down;
        operationPage_->setStale(down, status_->text(StatusLine::StaleSince).arg(lastUpdate_),
                                 status_->text(StatusLine::RecordingPaused));
        if (down) {
            settingsPage_->showNoAnswer();
            // The curves break here rather than joining both sides of the outage.
            if (graphPage_->pageReady() && graphPage_->plotRunning()) {
                qv::device::MeasurementRecord gap = measurement_;
                gap.temperature = gap.volumeFlow = std::nanf("");
                graphPage_->AddSample(gap);
            }
        }
    }
    if (!portKnown_) return;  // nothing to tell before the first identification has ended
    StatusLine::View v;
    v.port = health_.port();
    v.state = static_cast<int>(health_.state());
    if (settingsPage_->meterShown()) v.model = settingsPage_->controlText(qv::pages::Einstellungen::Hardware);
    v.cycleSeen = health_.cycleSeen();
    v.sinceCycleMs = health_.sinceCycle(now);
    v.exchanges = poll_.exchanges();
    v.unanswered = poll_.unanswered();
    v.wrongLength = poll_.wrongLength();
    v.reopenings = health_.reopenings();
    status_->setView(v);
}

void CAllControlsSheet::deviceTypeReceived(std::optional<int> code) {
    if (code) operationPage_->setDeviceCode(*code);
    // The meter answers the poll: the Settings page shows it, plugged in late or not.
    settingsPage_->showPolledModel(code ? *code : operationPage_->deviceCode());
    if (operationPage_->pageReady()) operationPage_->applyVariant(operationPage_->deviceCode());
}

void CAllControlsSheet::deliver(const qv::device::MeasurementRecord& record) {
    health_.cycleDelivered(clock_());
    lastUpdate_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    updateLinkState();  // values are fresh again before they are shown and written
    if (operationPage_->pageReady()) {
        operationPage_->showMeasurement(record);
        if (!operationPage_->recording() && !operationPage_->recordStartEnabled())
            operationPage_->enableRecordStart();
    }
    if (graphPage_->pageReady() && graphPage_->plotRunning()) graphPage_->AddSample(record);
}

}  // namespace qv::app
