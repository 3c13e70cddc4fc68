#include "app/sheet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/page_keys.h"
#include "app/page_scroll.h"
#include "pages/configuration/konfiguration.h"
#include "pages/graph/grafik.h"
#include "pages/operation/betrieb.h"
#include "pages/settings/einstellungen.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"

namespace qv::app {

qv::device::LinkLock& linkLock() {
    static qv::device::LinkLock lock;
    return lock;
}

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
      ticks_(std::move(clock), settings_->refreshRate, linkLock(), poll_, *this) {
    setWindowTitle(QString::fromUtf8("Quorvia \u2013 KT740 GUI"));
    setWindowIcon(qv::dialog::programIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    // Pages first: each reads and writes back the settings file for its tab title.
    settingsPage_ = new qv::pages::Einstellungen(settings_.get(), &linkSlot_);
    configurationPage_ = new qv::pages::CKonfiguration(settings_.get(), &linkSlot_, &linkLock());
    operationPage_ = new qv::pages::CBetrieb(settings_.get(), &linkSlot_, &linkLock());
    graphPage_ = new qv::pages::CGrafik(settings_.get());
    readSettings(*settings_);
    qv::dialog::setDialogLanguage(settings_->language);
    // "COM<n>" entries are looked up where the program was started.
    qv::device::SerialLink::setPortDirectory(settings_->programDir);
    qv::device::SerialLink::setConfiguredPorts(settings_->portPaths);
    settingsPage_->setPages(configurationPage_, operationPage_, graphPage_);

    // A window menu of our own stands in for the system menu.
    menuBar_ = new QMenuBar(this);
    QMenu* window = menuBar_->addMenu(QStringLiteral("&QV-Gui"));
    window->addAction(QStringLiteral("Minimieren"), this, [this] { showMinimized(); });
    window->addSeparator();
    window->addAction(QString::fromUtf8("&Info \u00fcber QV-Gui..."), this, [this] { showAbout(); });
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
    fitToScreen(this);

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, [this] { tick(TickDriver::kTimerId); });
    timer_->start();
}

CAllControlsSheet::~CAllControlsSheet() {
    timer_->stop();
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

bool CAllControlsSheet::pollPagesReady() const {
    return operationPage_->pageReady() == 1 || graphPage_->pageReady() == 1;
}
bool CAllControlsSheet::recording() const { return operationPage_->recording(); }
void CAllControlsSheet::toggleRecordingIndicator() { operationPage_->toggleRecordingIndicator(); }
void CAllControlsSheet::settleTick() { configurationPage_->settleTick(); }

void CAllControlsSheet::deviceTypeReceived(std::optional<int> code) {
    if (code) operationPage_->setDeviceCode(*code);
    if (operationPage_->pageReady()) operationPage_->applyVariant(operationPage_->deviceCode());
}

void CAllControlsSheet::deliver(const qv::device::MeasurementRecord& record) {
    if (operationPage_->pageReady()) {
        operationPage_->showMeasurement(record);
        if (!operationPage_->recording() && !operationPage_->recordStartEnabled())
            operationPage_->enableRecordStart();
    }
    if (graphPage_->pageReady() && graphPage_->plotRunning()) graphPage_->AddSample(record);
}

}  // namespace qv::app
