#include "window/pages/settings/einstellungen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <functional>

#include "core/protocol/tables.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"

namespace qv::pages {
namespace {
const char* const kTabTitles[3] = {"Einstellungen", "Settings", "Param\xC3\xA8tres"};
const char* const kNoValue = "------";

// Looks again for adapters each time the list opens: one may have been
// plugged in since.
class PortList : public QComboBox {
public:
    PortList(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
    void showPopup() override {
        beforePopup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};
}  // namespace

Einstellungen::Einstellungen(qv::text::AppSettings* settings, qv::link::Session* session)
    : settings_(settings), session_(session), texts_(*this, *settings) {
    const int lang = qv::text::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());

    auto caption = [this](int id, const char* text, QWidget* buddy) {
        auto* l = addControl(id, new QLabel(QString::fromUtf8(text), this));
        l->setBuddy(buddy);
        buddy->setAccessibleName(l->text());
        return l;
    };
    auto* ports = addControl(PortList, new class PortList(this, [this] { refreshPortList(); }));
    for (int i = 1; i <= 9; ++i) ports->addItem(QStringLiteral("COM%1").arg(i));
    // Entries name their device; the list keeps its width whatever they say.
    ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ports->setMinimumContentsLength(26);
    auto* languages = addControl(LanguageList, new QComboBox(this));
    // The language named as its speakers write it.
    languages->addItems({QStringLiteral("Deutsch"), QStringLiteral("English"), QStringLiteral("Fran\u00e7ais")});
    auto* hardware = addControl(Hardware, new QLineEdit(this));
    auto* software = addControl(Software, new QLineEdit(this));
    for (auto* e : {hardware, software}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);  // shown, not edited: Tab passes by
        e->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("KT740-FX-M1P2I2S1")) + 24);
    }
    auto* refresh = addControl(RefreshRate, new QLineEdit(this));
    refresh->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), refresh));
    refresh->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);

    auto* green = addControl(GreenLamp, new QLabel(this));
    green->setPixmap(qv::dialog::lampPixmap(true));
    auto* red = addControl(RedLamp, new QLabel(this));
    red->setPixmap(qv::dialog::lampPixmap(false));
    green->hide();
    auto* marker = addControl(RefreshMarker, new QLabel(this));
    marker->setPixmap(qv::dialog::errorMarkerPixmap());
    marker->hide();
    auto* greyOut = addControl(GreyOut, new QCheckBox(QStringLiteral("Ausgrauen statt Ausblenden"), this));
    greyOut->hide();
    auto* ok = addControl(OkButton, new QPushButton(QStringLiteral("OK"), this));
    ok->hide();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    int row = 0;
    auto lampCell = new QHBoxLayout;
    lampCell->addWidget(green);
    lampCell->addWidget(red);
    lampCell->addStretch();
    grid->addWidget(caption(PortLabel, "COM-Schnittstelle", ports), row, 0);
    grid->addWidget(ports, row, 1);
    grid->addLayout(lampCell, row++, 2);
    grid->addWidget(caption(HardwareLabel, "HW-Version", hardware), row, 0);
    grid->addWidget(hardware, row++, 1);
    grid->addWidget(caption(SoftwareLabel, "SW-Version", software), row, 0);
    grid->addWidget(software, row++, 1);
    grid->setRowMinimumHeight(row++, 12);
    grid->addWidget(caption(LanguageLabel, "Sprache", languages), row, 0);
    grid->addWidget(languages, row++, 1);
    grid->setRowMinimumHeight(row++, 12);
    auto* refreshCell = new QHBoxLayout;
    refreshCell->setSpacing(6);
    refreshCell->addWidget(refresh);
    refreshCell->addWidget(new QLabel(QStringLiteral("s"), this));
    refreshCell->addWidget(marker);
    refreshCell->addStretch();
    grid->addWidget(caption(RefreshLabel, "Refreshrate Betrieb", refresh), row, 0);
    grid->addLayout(refreshCell, row++, 1);
    grid->addWidget(greyOut, row++, 1);
    grid->setColumnStretch(2, 1);

    auto* picture = new QLabel(this);
    picture->setPixmap(qv::dialog::meterPixmap(220, 150));
    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap());

    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(logo);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 16);
    outer->addLayout(top);
    outer->addStretch();
    outer->addLayout(bottom);

    // The order a technician works through the page.
    setTabOrder(ports, languages);
    setTabOrder(languages, refresh);
    setTabOrder(refresh, hardware);
    setTabOrder(hardware, software);
}

void Einstellungen::onInitDialog() {
    markReady();
    settings_->deviceCode = 0;
    settings_->deviceFamily = -1;
    // The page's messages are loaded only with a language switch.
    loadTexts();

    auto* languages = controlAs<QComboBox>(LanguageList);
    auto* ports = controlAs<QComboBox>(PortList);
    // Values outside the lists leave them without a selection.
    languages->setCurrentIndex(settings_->language >= 0 && settings_->language < languages->count()
                                   ? settings_->language : -1);
    ports->setCurrentIndex(settings_->comPort >= 1 && settings_->comPort <= ports->count()
                               ? settings_->comPort - 1 : -1);
    controlAs<QCheckBox>(GreyOut)->setChecked(settings_->greyOut == 1);
    auto* refresh = controlAs<QLineEdit>(RefreshRate);
    connect(refresh, &QLineEdit::textChanged, this, [this] { validateRefreshRate(); });
    refresh->setText(QString::number(settings_->refreshRate));  // runs the validation once

    connect(ports, &QComboBox::activated, this, [this](int index) {
        settings_->comPort = index + 1;  // reaches the file with its next write
        settings_->comDevice.clear();    // the number as the list shows it now
        identifyDevice(settings_->comPort);
    });
    connect(languages, &QComboBox::activated, this, [this](int index) { onLanguageChanged(index); });
    connect(controlAs<QCheckBox>(GreyOut), &QCheckBox::clicked, this, [this](bool checked) {
        settings_->greyOut = checked ? 1 : 0;
        qv::text::writeSettings(*settings_);
    });

    identifyDevice(settings_->comPort);
}

void Einstellungen::loadTexts() {
    texts_.loadLabels("Einstellungen_labels");
    // The pictures are named by the labels file; a help text read next names them by its first line.
    control(GreenLamp)->setAccessibleName(pageText(qv::text::label::Connected));
    control(RedLamp)->setAccessibleName(pageText(qv::text::label::NotConnected));
    control(RefreshMarker)->setAccessibleName(pageText(qv::text::label::RefreshInvalid));
    texts_.loadHelp("Einstellungen_hilfe");
    // A help file that was read replaced the lamp's tool tip: that is its base.
    if (helpText(RedLamp) != lampTip_) lampHelp_ = helpText(RedLamp);
    showOpenFailure();
}

void Einstellungen::refreshPortList() {
    auto* ports = controlAs<QComboBox>(PortList);
    session_->listPorts(ports->count(), [this](const std::vector<qv::serial::ResolvedPort>& resolved) {
        auto* ports = controlAs<QComboBox>(PortList);
        for (int i = 0; i < ports->count() && i < static_cast<int>(resolved.size()); ++i)
            ports->setItemText(i, QString::fromStdString(qv::serial::portLabel(i + 1, resolved[static_cast<std::size_t>(i)])));
    });
}

QString Einstellungen::openFailureText() const {
    const int label = qv::link::openFailureLabel(openFailure_);
    if (!label) return {};
    QString text = pageText(label);
    // Only a server's texts have the places; arg() on the others would warn.
    if (text.contains(QStringLiteral("%2"))) return text.arg(openFailureServer_, openFailureDetail_);
    return text.contains(QStringLiteral("%1")) ? text.arg(openFailureServer_) : text;
}

void Einstellungen::showOpenFailure() {
    const QString reason = openFailureText();
    // The help file's text stays first; the reason follows on its own line.
    lampTip_ = lampHelp_;
    for (const QString& line : {reason, lampNote_})
        if (!line.isEmpty()) lampTip_ += (lampTip_.isEmpty() ? QString() : QStringLiteral("\r\n")) + line;
    if (lampTip_ != helpText(RedLamp)) setHelpText(RedLamp, lampTip_);
}

void Einstellungen::setLampNote(const QString& note) {
    if (note == lampNote_) return;
    lampNote_ = note;
    showOpenFailure();
}

void Einstellungen::setLamp(bool answered) {
    showControl(GreenLamp, answered);
    showControl(RedLamp, !answered);
}

void Einstellungen::identifyDevice(int port) {
    setControlText(Hardware, QString::fromLatin1(kNoValue));
    setControlText(Software, QString::fromLatin1(kNoValue));
    session_->choosePort(port, settings_->comDevice);
}

void Einstellungen::showPortOutcome(const qv::link::PortOutcome& outcome) {
    identifiedCode_ = -1;
    identifiedVersion_.reset();
    openFailure_ = outcome.failure;
    openFailureServer_ = QString::fromStdString(outcome.resolved.deviceName);
    openFailureDetail_ = QString::fromStdString(outcome.failureDetail);
    if (!outcome.retried)
        settings_->comDevice = outcome.resolved.source == qv::serial::PortSource::System ? outcome.resolved.path : "";
    showOpenFailure();
    refreshPortList();
    if (!outcome.opened || !outcome.meter) {
        // Not opened: the slot is empty. Opened but silent: the port stays
        // open, so the poll can use it once the meter answers.
        setLamp(false);
        setControlText(Hardware, QString::fromLatin1(kNoValue));
        setControlText(Software, QString::fromLatin1(kNoValue));
        return;
    }
    showIdentified(*outcome.meter);
}

void Einstellungen::showIdentified(const qv::protocol::Identification& id) {
    settings_->deviceCode = id.deviceCode;
    identifiedCode_ = id.deviceCode;
    identifiedVersion_ = id.version;
    setLamp(true);
    showMeter(id.deviceCode, id.version);
}

void Einstellungen::showMeter(int code, const std::optional<float>& version) {
    setControlText(Hardware, qv::dialog::fromCp1252(qv::protocol::modelCodeText(code)));
    if (version) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%5.2f", static_cast<double>(*version));
        setControlText(Software, QString::fromLatin1(buf));
    } else {
        setControlText(Software, QString::fromLatin1(kNoValue));
    }
}

void Einstellungen::showPolledModel(int code) {
    const QString model = qv::dialog::fromCp1252(qv::protocol::modelCodeText(code));
    if (meterShown() && controlText(Hardware) == model) return;
    setLamp(true);
    // The version is known only of the meter identified, and only while it kept answering.
    showMeter(code, code == identifiedCode_ ? identifiedVersion_ : std::nullopt);
}

qv::window::ReportRows Einstellungen::reportRows(const qv::window::ReportTextFn& text) const {
    using namespace qv::window;
using namespace qv::text;
    return {{text(RPort), QStringLiteral("COM%1").arg(settings_->comPort)},
            {text(RModel), controlText(Hardware)},
            {text(RSoftware), controlText(Software)}};
}

void Einstellungen::showNoAnswer() {
    identifiedVersion_.reset();
    setLamp(false);
    setControlText(Hardware, QString::fromLatin1(kNoValue));
    setControlText(Software, QString::fromLatin1(kNoValue));
}

void Einstellungen::onLanguageChanged(int index) {
    settings_->language = index;
    qv::text::writeSettings(*settings_);
    qv::dialog::setDialogLanguage(index);
    loadTexts();
    texts_.loadMessages();
    if (languageSwitched_) languageSwitched_();
    texts_.showMessage(qv::text::msg::LanguageChanged);
}

void Einstellungen::validateRefreshRate() {
    QString text = controlText(RefreshRate).left(99).trimmed();
    const int value = qv::text::cDecimal(text.toStdString());
    const bool valid = !text.isEmpty() && value >= 2 && value <= 9999;
    showControl(RefreshMarker, !valid);
    if (!valid) return;
    settings_->refreshRate = value;
    qv::text::writeSettings(*settings_);
}

}  // namespace qv::pages
