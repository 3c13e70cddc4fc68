#include "window/sheet/sheet.h"

#include "core/journal/journal.h"
#include "core/journal/wording.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
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
#include <cstdio>

#include "window/services/line_qt.h"
#include "window/services/line_trace_window.h"
#include "window/services/recording_viewer.h"
#include "window/services/service_report.h"
#include "core/params/compare.h"
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include "window/services/file_places.h"
#include "window/services/page_keys.h"
#include "window/services/page_scroll.h"
#include "window/services/status_line.h"
#include "core/link/exchange.h"
#include "core/protocol/tables.h"
#include "window/pages/configuration/konfiguration.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"

namespace qv::window {
using namespace qv::text;

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

CAllControlsSheet::CAllControlsSheet(qv::link::Session::Clock clock, const qv::serial::PortDiscovery* ports)
    : QDialog(nullptr),
      settingsPage_(nullptr),
      configurationPage_(nullptr),
      operationPage_(nullptr),
      graphPage_(nullptr),
      settings_(makeSettings()),
      clock_(std::move(clock)),
      session_(std::make_unique<qv::link::Session>(settings_->deviceFamily, settings_->refreshRate, postTo(this),
                                                     clock_)) {
    session_->setEvents(this);
    setWindowTitle(QString::fromUtf8("Quorvia \u2013 KT740 GUI"));
    setWindowIcon(qv::dialog::programIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    // Pages first: each reads and writes back the settings file for its tab title.
    settingsPage_ = new qv::pages::Einstellungen(settings_.get(), session_.get());
    configurationPage_ = new qv::pages::CKonfiguration(settings_.get(), session_.get());
    operationPage_ = new qv::pages::CBetrieb(settings_.get(), session_.get());
    graphPage_ = new qv::pages::CGrafik(settings_.get());
    const auto settingsFile = readSettings(*settings_);
    qv::dialog::setDialogLanguage(settings_->language);
    // "COM<n>" entries are looked up where the program was started.
    qv::link::PortSetup portSetup;
    portSetup.startDirectory = settings_->programDir;
    portSetup.configured = settings_->portPaths;
    if (ports) portSetup.discovery = ports;
    session_->setPorts(std::move(portSetup));
    setUpJournal();
    status_ = new StatusLine(*settings_, this);
    // A settings file that is there but was refused: said for as long as it lasts.
    if (!settingsFile.ok() && settingsFile.trouble != qv::files::Trouble::Missing)
        status_->setProblem(fillText(status_->text(msg::SettingsRefused),
                                     {fileTrouble(QString::fromStdString(settings_->iniPath), settingsFile.trouble,
                                                  settingsFile.error, qv::text::settingsFileLimit(),
                                                  [this](int n) { return status_->text(n); })}));
    configurationPage_->setStatusNote([this](int text, const QStringList& args) { status_->note(text, args); },
                                      [this](int text) { status_->withdraw(text); });
    status_->setOpenTrace([this] { showLineTrace(); });
    operationPage_->setRecordingProblem([this](const QString& text) { status_->setProblem(text); });
    operationPage_->setStatusNote([this](int text, const QStringList& args) { status_->note(text, args); });
    graphPage_->setStatusNote([this](int text, const QStringList& args) { status_->note(text, args); });
    auto* traceKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), this);
    traceKey->setContext(Qt::WindowShortcut);
    connect(traceKey, &QShortcut::activated, this, [this] { showLineTrace(); });

    // A window menu of our own stands in for the system menu.
    menuBar_ = new QMenuBar(this);
    QMenu* window = menuBar_->addMenu(QStringLiteral("&QV-Gui"));
    QAction* minimize = window->addAction(QString(), this, [this] { showMinimized(); });
    window->addSeparator();
    QAction* about = window->addAction(QString(), this, [this] { showAbout(); });
    QAction* report = window->addAction(QString(), this, [this] { showServiceReportDialog(); });
    report->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    QAction* journal = window->addAction(QString(), this, [this] { showJournal(); });
    journal->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J));
    QAction* viewer = window->addAction(QString(), this, [this] { showRecordingViewer(); });
    viewer->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    window->addSeparator();
    QAction* close = window->addAction(QString(), this, [this] { reject(); });
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    menuEntries_ = {{minimize, StatusLine::MenuMinimize},
                    {about, StatusLine::MenuAbout},
                    {report, RAction},
                    {journal, msg::JournalMenu},
                    {viewer, msg::ViewerMenu},
                    {close, StatusLine::MenuClose}};
    retranslateMenu();
    settingsPage_->setLanguageSwitched([this] {
        languageSwitched();
        retranslateMenu();
        for (QWidget* page : std::initializer_list<QWidget*>{settingsPage_, configurationPage_, operationPage_, graphPage_})
            assignAccessKeys(page, reservedKeys());
        if (traceWindow_) traceWindow_->retranslate();
        if (reportDialog_) retranslateReport_();
        if (journalWindow_) journalWindow_->retranslate();
        if (recordingViewer_) recordingViewer_->retranslate();
    });

    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(false);
    addScrolledPages(tabs_, {settingsPage_, configurationPage_, operationPage_, graphPage_});
    installPageKeys(tabs_);
    // Access keys once a page shows its texts, and again in a new language.
    for (int i = 0; i < tabs_->count(); ++i)
        if (auto* area = qobject_cast<QScrollArea*>(tabs_->widget(i))) area->widget()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addWidget(tabs_);
    layout->addWidget(status_);
    // Last: the window is sized from the finished layout, status line
    // included: as large as its pages need to show everything unscrolled,
    // where the screen has the room.
    fitToScreen(this, [this](const QSize& room) { return unscrolledSize(room); });

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, [this] { ticks_.onTimer(); });
    timer_->start();
    updateStatus();
}

CAllControlsSheet::~CAllControlsSheet() {
    timer_->stop();
    // The exchange that runs ends first; nothing is handed back any more, so
    // a command's outcome is not shown: said, rather than left to look done.
    if (session_->commandPending())
        std::fprintf(stderr, "%s\n", status_->text(msg::CommandUnfinished).toLocal8Bit().constData());
    session_->setEvents(nullptr);
    writeSettings(*settings_);
    session_.reset();  // the port is closed with it
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
    // Named as the menu entry that opens it.
    about.setWindowTitle(status_->text(StatusLine::MenuAbout).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    auto* logo = new QLabel(&about);
    logo->setPixmap(qv::dialog::logoPixmap(140, 57));
    auto* text = new QLabel(QString::fromUtf8("QV-Gui Version " QV_VERSION "\nQuorvia \u2013 KT740 GUI"), &about);
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
    if (!traceWindow_) {
        traceWindow_ = new LineTraceWindow(session_->trace(), [this](int n) { return status_->text(n); }, this);
        traceWindow_->savePlace = [this] {
            return startFolder(*settings_) + QStringLiteral("/QV-Gui_") +
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HHmm")) + QStringLiteral(".txt");
        };
        traceWindow_->saved = [this](const QString& path) {
            rememberFolder(*settings_, path);
            status_->note(StatusLine::TraceSaved, {QDir::toNativeSeparators(path)});
        };
    }
    traceWindow_->retranslate();  // the language may have changed since it was last open
    traceWindow_->show();
    traceWindow_->raise();
    traceWindow_->activateWindow();
    return traceWindow_;
}

ServiceReport CAllControlsSheet::serviceReport(const QString& note) {
    const ReportTextFn t = [this](int n) { return status_->text(n); };
    // Each page tells what it knows.
    ServiceReport r;
    r.title = t(RTitle);
    r.when = QDateTime::currentDateTime();
    r.head = settingsPage_->reportRows(t);
    r.parametersTitle = t(RParameters);
    r.parameters = configurationPage_->reportRows(t);
    r.measurementTitle = t(RMeasurement);
    r.measurement = operationPage_->reportRows(t);
    // The journal's changes to this meter since the report's day began, or
    // since its set was last read, whichever is earlier.
    if (const auto& journal = session_->journal(); journal && session_->identification()) {
        QDateTime since = r.when;
        since.setTime(QTime(0, 0));
        const QDateTime read = configurationPage_->lastReadAt();
        if (read.isValid() && read < since) since = read;
        const std::string from = since.toUTC().toString(Qt::ISODate).toStdString();
        const std::string model = qv::protocol::modelCodeText(session_->identification()->deviceCode);
        const int port = session_->pin() ? session_->pin()->number : 0;
        r.changesTitle = t(msg::ReportChanges);
        const auto reading = qv::journal::read(journal->path);
        if (reading.error)
            r.changes.push_back(QString::fromStdString(journal->path + ": " + qv::journal::troubleWords(*journalWords_, reading.error)));
        for (const auto& e : reading.entries)
            if (e.intent.target.model == model && e.intent.target.port == port && e.intent.time >= from)
                r.changes.push_back(QString::fromStdString(qv::journal::entryLine(*journalWords_, e)));
        if (r.changes.empty()) r.changes.push_back(fillText(t(msg::ReportNoChanges), {QLocale().toString(since, QStringLiteral("yyyy-MM-dd HH:mm"))}));
    }
    r.noteTitle = t(RNote).remove(QLatin1Char('&'));
    r.note = note;
    r.curves = graphPage_->reportCurves();
    // The package carries the program's version.
    r.footer = QStringLiteral("QV-Gui " QV_VERSION " \u2013 qv-gui " QV_VERSION);
    return r;
}

QString CAllControlsSheet::reservedKeys() const {
    // The window menu's and the status line's keys work from every page.
    QString keys = QStringLiteral("q");
    if (const QChar trace = accessKey(status_->text(StatusLine::OpenTrace)); !trace.isNull()) keys += trace;
    return keys;
}

bool CAllControlsSheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show)
        if (auto* page = qobject_cast<QWidget*>(watched))
            // After the page's first show has loaded its texts.
            QMetaObject::invokeMethod(this, [this, page] { assignAccessKeys(page, reservedKeys()); }, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}

void CAllControlsSheet::retranslateMenu() {
    for (const MenuEntry& e : menuEntries_) e.action->setText(status_->text(e.text));
}

bool CAllControlsSheet::saveServiceReport(const QString& note) {
    QString path = qv::dialog::dialogs().saveFileName(
        this, status_->text(RSaveTitle), suggestedPath(*settings_, settings_->deviceCode, QStringLiteral("pdf")),
        QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return false;
    if (const QString named = withExtension(path, QStringLiteral("pdf")); named != path) {
        // The dialog asked before overwriting the name it was given, not this one.
        if (QFileInfo::exists(named)) {
            qv::dialog::dialogs().message(this, status_->text(RTitle), fillText(status_->text(RExists), {QFileInfo(named).fileName()}));
            return false;
        }
        path = named;
    }
    const auto written = writeServiceReport(path, serviceReport(note));
    if (written.ok()) {
        rememberFolder(*settings_, path);
        status_->note(StatusLine::ReportSaved, {QDir::toNativeSeparators(path)});
        return true;
    }
    qv::dialog::dialogs().message(this, QStringLiteral("Error"),
                                  QString::fromUtf8("Kann File nicht \u00f6ffnen!\n") +
                                      fileTrouble(QDir::toNativeSeparators(path), written.trouble, written.error, 0,
                                                  [this](int n) { return status_->text(n); }));
    return false;
}

void CAllControlsSheet::showServiceReportDialog() {
    // Non-modal, so the poll goes on and the last measurement stays fresh.
    if (reportDialog_) return reportDialog_->raise(), reportDialog_->activateWindow();
    auto* d = new QDialog(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto* caption = new QLabel(d);
    auto* note = new QPlainTextEdit(d);
    note->setTabChangesFocus(true);  // Tab goes on to the button
    caption->setBuddy(note);
    auto* save = new QPushButton(d);
    // Its words follow a language switch while it is open.
    retranslateReport_ = [this, d, caption, note, save] {
        d->setWindowTitle(status_->text(RTitle));
        caption->setText(status_->text(RNote));
        note->setAccessibleName(caption->text().remove(QLatin1Char('&')));
        save->setText(status_->text(RSave));
        save->setAccessibleName(save->text().remove(QLatin1Char('&')));
    };
    retranslateReport_();
    reportDialog_ = d;
    connect(save, &QPushButton::clicked, d, [this, d, note] {
        if (saveServiceReport(note->toPlainText())) d->close();
    });
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(caption);
    layout->addWidget(note);
    layout->addWidget(save);
    d->resize(480, 320);
    d->show();
}

void CAllControlsSheet::tick() {
    ticks_.onTimer();
    waitForLine();
}

void CAllControlsSheet::waitForLine() { qv::window::waitForLine(*session_, this); }

void CAllControlsSheet::setUpJournal() {
    // Words of their own for each language: the line's thread names a
    // change's rows with the set it was given while a new one is made here.
    auto words = std::make_shared<qv::text::Words>();
    words->load(settings_->programDir, settings_->language);
    journalWords_ = words;
    if (journalWindow_) journalWindow_->setWords(words);
    const std::string path =
        settings_->journalPath.empty() ? settings_->programDir + qv::journal::kFileName : settings_->journalPath;
    session_->setJournal(qv::journal::Writer{path, "QV-Gui", QV_VERSION, settings_->language,
                                             [words](int control) { return qv::params::rowCaption(*words, control); }});
}

void CAllControlsSheet::showJournal() {
    const std::string path = session_->journal() ? session_->journal()->path : std::string();
    if (!journalWindow_)
        journalWindow_ = new JournalWindow(path, journalWords_, [this](int n) { return status_->text(n); }, this);
    journalWindow_->setPath(path);
    journalWindow_->reload();
    journalWindow_->show();
    journalWindow_->raise();
    journalWindow_->activateWindow();
}

void CAllControlsSheet::showRecordingViewer() {
    if (!recordingViewer_)
        recordingViewer_ = new RecordingViewer([this](int n) { return status_->text(n); }, [this] { return settings_->language; }, this);
    const QString recording = QString::fromStdString(operationPage_->recordingPath());
    const QString chosen = qv::dialog::dialogs().openFileName(
        this, status_->text(msg::ViewerMenu).remove(QLatin1Char('&')), recording.isEmpty() ? startFolder(*settings_) : recording,
        status_->text(msg::ViewerOpenFilter));
    if (chosen.isEmpty()) return;
    const bool beingRecorded = operationPage_->recording() && !recording.isEmpty() &&
                               QFileInfo(chosen).canonicalFilePath() == QFileInfo(recording).canonicalFilePath();
    recordingViewer_->open(chosen.toStdString(), beingRecorded);
    recordingViewer_->show();
    recordingViewer_->raise();
    recordingViewer_->activateWindow();
}

void CAllControlsSheet::journalRefused(const std::string& path, int error) {
    using qv::journal::kLastLineTooLong;
    using qv::journal::kLocked;
    using qv::journal::kNotRegularFile;
    const QString why = error == kLocked            ? status_->text(msg::JournalLocked)
                        : error == kLastLineTooLong ? status_->text(msg::JournalLastLine)
                        : error == kNotRegularFile  ? status_->text(msg::NotRegularFile)
                                                    : QString::fromStdString(qv::files::reason(error));
    qv::dialog::dialogs().message(this, status_->text(msg::JournalTitle),
                                  fillText(status_->text(msg::JournalRefused), {QString::fromStdString(path), why}));
}

void CAllControlsSheet::languageSwitched() {
    setUpJournal();
    // Pages never shown load the new language themselves when first shown.
    if (configurationPage_->pageReady()) configurationPage_->reloadTexts();
    if (operationPage_->pageReady()) operationPage_->reloadTexts();
    if (graphPage_->pageReady()) {
        graphPage_->UpdateLanguage();
        graphPage_->reloadTexts();
    }
}

bool CAllControlsSheet::pollPagesReady() const {
    return operationPage_->pageReady() == 1 || graphPage_->pageReady() == 1;
}

void CAllControlsSheet::sessionTick() {
    session_->setPolling(pollPagesReady());
    session_->tick();
    updateStatus();
}

// While the link is down nothing is written, so the indicator stops blinking.
bool CAllControlsSheet::recording() const {
    return operationPage_->recording() && !session_->linkDown() && !operationPage_->recordingFailed();
}
void CAllControlsSheet::toggleRecordingIndicator() { operationPage_->toggleRecordingIndicator(); }
void CAllControlsSheet::settleTick() { configurationPage_->settleTick(); }

QSize CAllControlsSheet::unscrolledSize(const QSize& room) const {
    QSize pagesHint;
    for (int i = 0; i < tabs_->count(); ++i) pagesHint = pagesHint.expandedTo(tabs_->widget(i)->sizeHint());
    const QSize chrome = sizeHint() - pagesHint;
    QSize need;
    for (const qv::dialog::DialogPage* page : std::initializer_list<const qv::dialog::DialogPage*>{
             settingsPage_, configurationPage_, operationPage_, graphPage_})
        need = need.expandedTo(page->unscrolledSize(room - chrome));
    return need + chrome;
}

void CAllControlsSheet::updateStatus() {
    if (!portKnown_) return;  // nothing to tell before the first identification has ended
    const auto& health = session_->health();
    StatusLine::View v;
    v.port = health.port();
    v.state = health.state();
    if (settingsPage_->meterShown()) v.model = settingsPage_->controlText(qv::pages::Einstellungen::Hardware);
    if (v.state == qv::link::LinkHealth::State::NoPort) v.openFailure = settingsPage_->openFailureText();
    v.cycleSeen = health.cycleSeen();
    v.sinceCycleMs = health.sinceCycle(clock_());
    const auto& counters = session_->pollCounters();
    v.exchanges = counters.exchanges;
    v.unanswered = counters.unanswered;
    v.wrongLength = counters.wrongLength;
    v.reopenings = health.reopenings();
    v.recording = operationPage_->recording();
    status_->setView(v);
    // The red lamp says what the status line says, and that nothing needs choosing again.
    QStringList note;
    if (health.down() && v.state != qv::link::LinkHealth::State::NoPort) note << status_->stateText();
    if (health.down() && session_->retrying()) note << status_->text(StatusLine::Retrying);
    settingsPage_->setLampNote(note.join(QStringLiteral("\r\n")));
}

void CAllControlsSheet::portOutcome(const qv::link::PortOutcome& outcome) {
    settingsPage_->showPortOutcome(outcome);
    if (outcome.meter) configurationPage_->meterIdentified();
    portKnown_ = true;
    updateStatus();
}

void CAllControlsSheet::identified(const qv::protocol::Identification& id) {
    settingsPage_->showIdentified(id);
    configurationPage_->meterIdentified();
    updateStatus();
}

void CAllControlsSheet::deviceTypeReceived(std::optional<int> code) {
    if (code) operationPage_->setDeviceCode(*code);
    // The meter answers the poll: the Settings page shows it, plugged in late or not.
    settingsPage_->showPolledModel(code ? *code : operationPage_->deviceCode());
    if (operationPage_->pageReady()) operationPage_->applyVariant(operationPage_->deviceCode());
}

void CAllControlsSheet::linkDown(bool down) {
    operationPage_->setStale(down, fillText(status_->text(StatusLine::StaleSince), {lastUpdate_}),
                             status_->text(StatusLine::RecordingPaused));
    if (!down) return;
    settingsPage_->showNoAnswer();
    // The curves break here rather than joining both sides of the outage.
    if (graphPage_->pageReady() && graphPage_->plotRunning()) {
        qv::protocol::MeasurementRecord gap = session_->record();
        gap.temperature = gap.volumeFlow = std::nanf("");
        graphPage_->AddSample(gap);
    }
}

void CAllControlsSheet::delivered(const qv::protocol::MeasurementRecord& record) {
    lastUpdate_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    updateStatus();
    if (operationPage_->pageReady()) {
        operationPage_->showMeasurement(record);
        if (!operationPage_->recording() && !operationPage_->recordStartEnabled())
            operationPage_->enableRecordStart();
    }
    if (graphPage_->pageReady() && graphPage_->plotRunning()) graphPage_->AddSample(record);
}

}  // namespace qv::window
