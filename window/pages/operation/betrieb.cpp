#include "window/pages/operation/betrieb.h"

#include <QDir>
#include "window/services/file_places.h"
#include "window/services/status_line.h"

#include <QResizeEvent>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "core/protocol/tables.h"
#include "core/recording/format.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"

namespace qv::pages {
using qv::dialog::fromCp1252;
using qv::protocol::Group;

namespace {
const char* const kTabTitles[3] = {"Betrieb", "Operation", "Op\xC3\xA9ration"};

// The controls of each column of the availability mask.
struct GroupControls {
    Group group;
    std::vector<int> ids;
};
const GroupControls kGroups[] = {
    {Group::LowFlow, {CBetrieb::LowFlow, CBetrieb::NewLowFlow, CBetrieb::NewLowFlowLabel, CBetrieb::LowFlowLabel,
                      CBetrieb::LowFlowUnit, CBetrieb::NewLowFlowUnit}},
    {Group::Limit1, {CBetrieb::Limit1}},
    {Group::Limit2, {CBetrieb::Limit2}},
    {Group::Ready, {CBetrieb::Ready}},
    {Group::ErrorContact, {CBetrieb::ErrorContact}},
};

// Value edits and the captions their accessible names are made of.
struct FieldName {
    int id, row, column;  // column 0: the row caption alone
};
const FieldName kFieldNames[] = {
    {CBetrieb::ActVelocity, CBetrieb::VelocityLabel, CBetrieb::ColumnAct},
    {CBetrieb::MaxVelocity, CBetrieb::VelocityLabel, CBetrieb::ColumnMax},
    {CBetrieb::MinVelocity, CBetrieb::VelocityLabel, CBetrieb::ColumnMin},
    {CBetrieb::ActVolume, CBetrieb::VolumeLabel, CBetrieb::ColumnAct},
    {CBetrieb::MaxVolume, CBetrieb::VolumeLabel, CBetrieb::ColumnMax},
    {CBetrieb::MinVolume, CBetrieb::VolumeLabel, CBetrieb::ColumnMin},
    {CBetrieb::ActTemperature, CBetrieb::TemperatureLabel, CBetrieb::ColumnAct},
    {CBetrieb::MaxTemperature, CBetrieb::TemperatureLabel, CBetrieb::ColumnMax},
    {CBetrieb::MinTemperature, CBetrieb::TemperatureLabel, CBetrieb::ColumnMin},
    {CBetrieb::Totalizer, CBetrieb::TotalizerLabel, 0},
    {CBetrieb::LowFlow, CBetrieb::LowFlowLabel, 0},
    {CBetrieb::ErrorText, CBetrieb::ErrorLabel, 0},
    {CBetrieb::NewLowFlow, CBetrieb::NewLowFlowLabel, 0},
};
}  // namespace

CBetrieb::CBetrieb(qv::text::AppSettings* settings, qv::link::Session* session)
    : settings_(settings), session_(session), texts_(*this, *settings) {
    const int lang = qv::text::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());

    // Group boxes first, so the controls they frame lie above them.
    auto* values = new QGroupBox(this);
    place(values, 75, 15, 333, 150);
    auto* lowGroup = new QGroupBox(this);
    place(lowGroup, 75, 204, 333, 91);

    auto label = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* l = addControl(id, new QLabel(QString::fromUtf8(text), this));
        place(l, x, y, w, h);
        return l;
    };
    auto field = [this](int id, int x, int y, int w, int h) {
        auto* e = addControl(id, new QLineEdit(this));
        e->setReadOnly(true);  // display field: overwritten with every measurement
        // Tab walks what a technician can do; a click still selects a value to copy.
        e->setFocusPolicy(Qt::ClickFocus);
        e->setAlignment(Qt::AlignRight);
        place(e, x, y, w, h);
        return e;
    };
    auto button = [this](int id, const char* text, int x, int y, int w, int h, auto handler) {
        auto* b = addControl(id, new QPushButton(QString::fromUtf8(text), this));
        b->setAccessibleName(b->text());
        b->setAutoDefault(false);
        place(b, x, y, w, h);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    using qv::protocol::OperatingCommand;
    auto command = [this](OperatingCommand c) { return [this, c] { sendOperatingCommand(c); }; };

    label(ColumnAct, "Akt", 181, 22, 29, 8);
    label(ColumnMax, "Max", 251, 22, 32, 8);
    label(ColumnMin, "Min", 321, 22, 35, 8);
    // Row captions a little wider than the template's 86: the German word fits.
    label(VelocityLabel, "Strömungsgeschwindigkeit", 85, 39, 92, 8);
    auto* actV = field(ActVelocity, 179, 36, 40, 14);
    auto* maxV = field(MaxVelocity, 249, 37, 40, 14);
    auto* minV = field(MinVelocity, 319, 37, 40, 14);
    label(VelocityUnit, "m/s", 365, 40, 37, 8);
    label(VolumeLabel, "Volumenstrom", 85, 59, 92, 8);
    auto* actQ = field(ActVolume, 179, 56, 40, 14);
    auto* maxQ = field(MaxVolume, 249, 57, 40, 14);
    auto* minQ = field(MinVolume, 319, 57, 40, 14);
    label(VolumeUnit, "l/s", 365, 60, 37, 8);
    label(TemperatureLabel, "Temperatur", 85, 80, 92, 8);
    auto* actT = field(ActTemperature, 179, 78, 40, 14);
    auto* maxT = field(MaxTemperature, 249, 78, 40, 14);
    auto* minT = field(MinTemperature, 319, 78, 40, 14);
    label(TemperatureUnit, "Celsius", 365, 81, 36, 8);
    auto* resetMax = button(ResetMax, "Reset Max", 244, 97, 52, 14, command(OperatingCommand::ResetMaxima));
    auto* resetMin = button(ResetMin, "Reset Min", 314, 97, 52, 14, command(OperatingCommand::ResetMinima));
    label(TotalizerLabel, "Totalisator", 85, 123, 53, 8);
    auto* total = field(Totalizer, 179, 121, 40, 14);
    label(TotalizerUnit, "[%]", 224, 123, 14, 8);
    auto* resetTotal = button(ResetTotal, "Reset Tot.", 174, 140, 52, 14, command(OperatingCommand::ResetTotalizer));

    auto check = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* c = addControl(id, new QCheckBox(QString::fromUtf8(text), this));
        c->setAccessibleName(c->text());
        // Display only: the meter's contacts, not a choice of the user.
        c->setAttribute(Qt::WA_TransparentForMouseEvents);
        c->setFocusPolicy(Qt::NoFocus);
        place(c, x, y, w, h);
    };
    check(Limit1, "Grenzkontakt 1", 85, 174, 78, 10);
    check(Limit2, "Grenzkontakt 2", 85, 188, 81, 10);
    check(Ready, "Betriebsbereit", 189, 174, 157, 10);
    check(ErrorContact, "FehlerKontakt", 189, 188, 158, 10);

    auto* lowFlow = field(LowFlow, 83, 217, 21, 14);
    label(LowFlowUnit, "[%]", 109, 220, 14, 8);
    label(LowFlowLabel, "Schl.-Menge Akt", 128, 220, 154, 8);
    auto* combo = addControl(NewLowFlow, new QComboBox(this));
    for (int i = 0; i <= 10; ++i) combo->addItem(QString::number(i));
    combo->setCurrentIndex(-1);  // no value chosen: neither button can be pressed
    // The template's 57 units include the open list; the closed box is one line.
    place(combo, 84, 233, 31, 14);
    combo->setMaxVisibleItems(11);
    connect(combo, &QComboBox::currentIndexChanged, this, [this] { onLowFlowSelection(); });
    label(NewLowFlowUnit, "[%]", 119, 235, 14, 8);
    label(NewLowFlowLabel, "Schleichmenge Neu", 138, 235, 150, 8);
    auto* setLowFlow = button(SetLowFlow, "Schl.Menge setzen", 84, 253, 213, 14, [this] { runLowFlowExchange(); });
    auto* zeroPoint = button(ZeroPoint, "NullpunktAbgl.", 84, 271, 213, 14, [this] { runLowFlowExchange(); });
    setLowFlow->setEnabled(false);
    zeroPoint->setEnabled(false);

    label(ErrorLabel, "Akt. Fehler", 86, 303, 156, 8);
    auto* err = field(ErrorText, 84, 314, 159, 14);
    err->setAlignment(Qt::AlignLeft);
    auto* resetError = button(ResetError, "Reset Fehler.", 84, 332, 119, 14, command(OperatingCommand::ResetError));

    auto* measureStart = button(MeasureStart, "Messung Start", 429, 19, 102, 14, command(OperatingCommand::StartMeasurement));
    auto* measureStop = button(MeasureStop, "Messung Stop", 429, 36, 102, 14, command(OperatingCommand::StopMeasurement));
    auto* recordStart = button(RecordStart, "Aufzeichnung Start", 429, 62, 102, 14, [this] { startRecording(); });
    auto* recordStop = button(RecordStop, "Aufzeichnung Stop", 429, 79, 102, 14, [this] { stopRecording(); });
    auto* info = label(RecordInfo, "", 429, 95, 110, 9);
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    info->hide();  // until there is a recording to speak of
    auto* measuring = label(MeasureState, "", 429, 107, 110, 34);
    measuring->setWordWrap(true);
    measuring->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    recordStart->setEnabled(false);
    recordStop->setEnabled(false);

    auto* indicator = addControl(RecordIndicator, new QLabel(this));
    indicator->setPixmap(qv::dialog::recordingPixmap(20));
    indicator->setAlignment(Qt::AlignCenter);
    place(indicator, 414, 63, 13, 12);
    indicator->hide();

    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap(93, 38));
    logo->setAccessibleName(QStringLiteral("Quorvia"));
    place(logo, 468, 337, 62, 23);
    logo->setAlignment(Qt::AlignCenter);
    // In a small window the values scroll, the commands stay in view.
    flow_.setLogo(logo);
    flow_.setValues({dialogUnitsToPixels(70, 10, 345, 345)});
    flow_.setCommands(dialogUnitsToPixels(410, 15, 136, 125));
    flow_.setPinned({resetMax, resetMin, resetTotal, setLowFlow, zeroPoint, resetError});
    setMinimumSize(flow_.minimumSize());

    // Commands on the right first, then the page from top to bottom, row by row.
    QWidget* order[] = {measureStart, measureStop, recordStart, recordStop, actV,     maxV,     minV,
                        actQ,         maxQ,        minQ,        actT,       maxT,     minT,     resetMax,
                        resetMin,     total,       resetTotal,  lowFlow,    combo,    setLowFlow,
                        zeroPoint,    err,         resetError};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    refreshAccessibleNames();
}

void CBetrieb::resizeEvent(QResizeEvent* event) {
    DialogPage::resizeEvent(event);
    flow_.arrange(size());
}

void CBetrieb::onInitDialog() {
    markReady();
    recorder_.stop();
    reloadTexts();
    errorTexts_ = reportErrorTexts_;
    errorHelpTexts_ = texts_.loadErrorHelp();
}

void CBetrieb::reloadTexts() {
    texts_.loadLabels("Betrieb_labels");
    texts_.loadHelp("Betrieb_hilfe");
    texts_.loadMessages();
    // The page keeps the error texts of its start; the service report
    // speaks the language now chosen.
    reportErrorTexts_ = texts_.loadErrorTexts();
    refreshAccessibleNames();
    showMeasuringState();  // in the new language
    showRecordInfo();
}

void CBetrieb::refreshAccessibleNames() {
    for (const auto& f : kFieldNames) {
        QString name = controlText(f.row);
        if (f.column) name += QLatin1Char(' ') + controlText(f.column);
        if (QWidget* w = control(f.id)) w->setAccessibleName(name.remove(QLatin1Char('&')));
    }
    // A picture without help is named by the labels file.
    if (helpText(RecordIndicator).isEmpty()) control(RecordIndicator)->setAccessibleName(pageText(qv::text::label::Recording));
}

void CBetrieb::applyVariant(int code) {
    for (const auto& g : kGroups) {
        const bool available = qv::protocol::groupAvailable(code, g.group);
        for (int id : g.ids) applyGreyOut(id, available, settings_->greyOut);
    }
}

QString CBetrieb::displayValue(float value) const {
    // A value no meter means (a damaged reply that had the right length)
    // is said to be one, never shown as the last digits of a huge number.
    if (!std::isfinite(value)) return QStringLiteral("----");
    if (std::fabs(value) > kLargestShown) return pageText(qv::text::label::Overflow);
    return formatMeasurement(value);
}

QString CBetrieb::formatMeasurement(float value) {
    return QString::fromLatin1(qv::recording::formatMeasurement(static_cast<double>(value)));
}

void CBetrieb::showMeasurement(const qv::protocol::MeasurementRecord& r) {
    lastShown_ = r;
    auto number = [this](int id, float v) { setControlText(id, displayValue(v)); };
    number(ActVelocity, r.flowVelocity);
    setControlText(VelocityUnit, fromCp1252(r.flowVelocityUnit));
    number(MinVelocity, r.flowVelocityMin);
    number(MaxVelocity, r.flowVelocityMax);
    number(ActVolume, r.volumeFlow);
    setControlText(VolumeUnit, fromCp1252(r.volumeFlowUnit));
    number(MinVolume, r.volumeFlowMin);
    number(MaxVolume, r.volumeFlowMax);
    number(ActTemperature, r.temperature);
    setControlText(TemperatureUnit, fromCp1252(r.temperatureUnit));
    number(Totalizer, r.totalizer);
    setControlText(TotalizerUnit, fromCp1252(r.totalizerUnit));
    number(MaxTemperature, r.temperatureMax);
    number(MinTemperature, r.temperatureMin);
    showError(r.errorCode);
    setControlText(LowFlow, QString::number(r.lowFlowCutoff));
    controlAs<QCheckBox>(Limit1)->setChecked(r.contactStates & 0x01);
    controlAs<QCheckBox>(Limit2)->setChecked(r.contactStates & 0x02);
    controlAs<QCheckBox>(Ready)->setChecked(r.contactStates & 0x04);
    controlAs<QCheckBox>(ErrorContact)->setChecked(!(r.contactStates & 0x08));  // active low
    if (recording()) writeRecordLine(r);
}

void CBetrieb::showError(std::uint8_t code) {
    lastErrorText_ = qv::recording::recordedErrorText(code, errorTexts_);
    const int p = qv::recording::errorPosition(code);
    if (p < 0) {
        // A code our files do not know: its number, rather than a stale text
        // (such as "no error") on screen and in the recording.
        const std::string number = std::to_string(code);
        setHelpText(ErrorText, QString());
        setControlText(ErrorText, QString::fromLatin1(number));
        return;
    }
    // Error files with fewer entries than the table leave the rest empty.
    auto entry = [p](const std::vector<std::string>& v) {
        return static_cast<std::size_t>(p) < v.size() ? v[static_cast<std::size_t>(p)] : std::string();
    };
    setHelpText(ErrorText, fromCp1252(entry(errorHelpTexts_)));
    setControlText(ErrorText, fromCp1252(entry(errorTexts_)));
}

qv::window::ReportRows CBetrieb::reportRows(const qv::window::ReportTextFn& text) const {
    using namespace qv::window;
using namespace qv::text;
    using qv::dialog::fromCp1252;
    const QString none = QStringLiteral("------");
    const auto* m = lastShown_ ? &*lastShown_ : nullptr;
    auto three = [this, m, &none](float a, float lo, float hi, const std::string& unit) {
        if (!m) return none;
        return QStringLiteral("%1 / %2 / %3 %4")
            .arg(displayValue(a).trimmed(), displayValue(lo).trimmed(), displayValue(hi).trimmed(), fromCp1252(unit));
    };
    const qv::protocol::MeasurementRecord r = m ? *m : qv::protocol::MeasurementRecord{};
    const int c = r.contactStates;
    qv::window::ReportRows rows{
        {text(RFlow), three(r.flowVelocity, r.flowVelocityMin, r.flowVelocityMax, r.flowVelocityUnit)},
        {text(RVolume), three(r.volumeFlow, r.volumeFlowMin, r.volumeFlowMax, r.volumeFlowUnit)},
        {text(RTemperature),
         three(r.temperature, r.temperatureMin, r.temperatureMax, r.temperatureUnit)},
        {text(RTotal),
         m ? displayValue(r.totalizer).trimmed() + QLatin1Char(' ') + fromCp1252(r.totalizerUnit) : none},
        {text(RError), m ? fromCp1252(qv::recording::recordedErrorText(r.errorCode, reportErrorTexts_)) : none},
    };
    // One row for each contact the model has, named as on the page (the error contact is active low).
    const struct {
        Group group;
        int id, bit;
    } contacts[] = {{Group::Limit1, Limit1, 0}, {Group::Limit2, Limit2, 1}, {Group::Ready, Ready, 2},
                    {Group::ErrorContact, ErrorContact, 3}};
    for (const auto& [group, id, bit] : contacts) {
        if (!qv::protocol::groupAvailable(deviceCode_, group)) continue;
        const bool on = ((c >> bit) & 1) != (id == ErrorContact);
        rows.emplace_back(controlText(id).remove(QLatin1Char('&')).trimmed(), m ? QString::number(on ? 1 : 0) : none);
    }
    return rows;
}

// --- recording ---------------------------------------------------------------

void CBetrieb::toggleRecordingIndicator() { showControl(RecordIndicator, !isControlVisible(RecordIndicator)); }

bool CBetrieb::staleHelp(int id, const QString& first) {
    if (stale_) {
        const QString help = helpText(id);
        helpWhileFresh_[id] = help;
        setHelpText(id, help.isEmpty() ? first : first + QStringLiteral("\r\n") + help);
        return false;
    }
    auto it = helpWhileFresh_.find(id);
    if (it == helpWhileFresh_.end()) return false;
    setHelpText(id, it->second);
    return true;
}

void CBetrieb::setStale(bool stale, const QString& tip, const QString& paused) {
    stale_ = stale;
    static const int kValues[] = {ActVelocity, MaxVelocity, MinVelocity, ActVolume, MaxVolume, MinVolume,
                                  ActTemperature, MaxTemperature, MinTemperature, Totalizer, LowFlow, ErrorText,
                                  Limit1, Limit2, Ready, ErrorContact};
    for (int id : kValues) {
        QWidget* w = control(id);
        QPalette p = w->palette();
        for (auto role : {QPalette::Text, QPalette::WindowText})
            p.setColor(role, stale ? p.color(QPalette::Disabled, role) : QApplication::palette(w).color(role));
        w->setPalette(p);
        // The tool tip (and what a screen reader says) begins with the age of the value.
        staleHelp(id, tip);
    }
    auto* indicator = controlAs<QLabel>(RecordIndicator);
    showRecordingPaused();
    // Its help names it (first line) and is its tool tip: while paused, it says so first.
    if (staleHelp(RecordIndicator, paused) && helpText(RecordIndicator).isEmpty())
        indicator->setAccessibleName(pageText(qv::text::label::Recording));
    if (!stale) helpWhileFresh_.clear();
    // Standing still: shown while a recording waits, hidden otherwise.
    if (recording()) showControl(RecordIndicator, true);
}

bool CBetrieb::recordStartEnabled() const { return control(RecordStart)->isEnabled(); }
void CBetrieb::enableRecordStart() { enableControl(RecordStart, !recording()); }

void CBetrieb::startRecording() {
    if (recording()) return;
    const QString chosen =
        qv::dialog::dialogs().saveFileName(this, texts_.messageLine(kMsgRecordTitle, 0),
                                           qv::window::suggestedPath(*settings_, deviceCode_, QStringLiteral("csv"), true),
                                           QStringLiteral("(*.csv) (*.csv)"));
    if (chosen.isEmpty()) return;
    // The file system's own encoding; no length cut, which would name another file.
    std::string path = QFile::encodeName(chosen).toStdString();
    qv::window::rememberFolder(*settings_, chosen);
    const std::string chosenPath = path;
    path = qv::recording::withCsvExtension(path);
    // The dialog asked before overwriting the name it was given, not the one
    // with ".csv" added: an existing file of that name is not destroyed unasked.
    if (path != chosenPath && std::filesystem::exists(path)) {
        texts_.showMessage(kMsgRecordFile);
        return;
    }
    if (const int error = recorder_.start(path, deviceCode_)) {
        showRecordingTrouble(kTextNotStarted, error);
        texts_.showMessage(kMsgRecordFile);
        return;
    }
    showRecordingTrouble(0, 0);
    showRecordingPaused();
    enableControl(RecordStart, false);
    enableControl(RecordStop, true);
    showRecordInfo();
    if (statusNote_) statusNote_(qv::window::StatusLine::RecordingTo, {QDir::toNativeSeparators(QFile::decodeName(path.c_str()))});
    if (stale_) showControl(RecordIndicator, true);  // waiting for the meter: shown paused
}

void CBetrieb::stopRecording() {
    recorder_.stop();
    showRecordingTrouble(0, 0);
    showRecordingPaused();
    enableControl(RecordStart, true);
    enableControl(RecordStop, false);
    showControl(RecordIndicator, false);
    showRecordInfo();  // what the file holds stays said
}

void CBetrieb::showRecordInfo() {
    auto* info = controlAs<QLabel>(RecordInfo);
    if (info->isHidden() == !recorder_.path().empty()) {
        info->setVisible(!recorder_.path().empty());
        flow_.arrange(size());  // in a small window it takes a place of its own
    }
    if (recorder_.path().empty()) return info->clear();
    const QString path = QFile::decodeName(QByteArray::fromStdString(recorder_.path()));
    const auto lines = recorder_.lines();
    const QString form = pageText(qv::text::counted(static_cast<long long>(lines), settings_->language,
                                                    qv::text::label::RecordInfo, qv::text::label::RecordInfoOne));
    const QString name = QFileInfo(path).fileName(), count = QString::number(lines);
    const QString text = qv::window::fillText(form, {name, count});
    // The line count stays whole; the name gives way in its middle, where
    // its date and extension are not.
    const QFontMetrics fm = info->fontMetrics();
    const int room = info->width() - fm.horizontalAdvance(qv::window::fillText(form, {QString(), count}));
    info->setText(qv::window::fillText(form, {fm.elidedText(name, Qt::ElideMiddle, std::max(room, 0)), count}));
    info->setToolTip(path);
    info->setAccessibleName(text);
    info->setAccessibleDescription(path);
}

void CBetrieb::writeRecordLine(const qv::protocol::MeasurementRecord& record) {
    // One reading of the clock for the line's date and time.
    const std::time_t now = wallClock_();
    std::tm local{};
    localtime_r(&now, &local);
    const auto out = recorder_.writeLine(record, settings_->language, local, lastErrorText_);
    showRecordInfo();
    if (out.written && !out.resumed) return;
    // A failure is told once, with its cause; the recording waits, paused,
    // and goes on by itself with the first line that can be written again.
    showRecordingTrouble(out.written ? 0 : kTextPaused, out.error);
    showRecordingPaused();
    // Runs inside the poll's step: the box keeps the line until closed.
    if (out.newTrouble) texts_.showMessage(kMsgRecordFile);
}

void CBetrieb::showRecordingPaused() {
    const bool paused = stale_ || recordingFailed();
    controlAs<QLabel>(RecordIndicator)
        ->setPixmap(paused ? qv::dialog::pausedRecordingPixmap(20) : qv::dialog::recordingPixmap(20));
    if (recording() && paused) showControl(RecordIndicator, true);  // standing still
}

void CBetrieb::showRecordingTrouble(int text, int error) {
    if (!recordingProblem_) return;
    if (!text) return recordingProblem_(QString());
    using qv::recording::WriteTrouble;
    QString reason;
    switch (qv::recording::troubleOf(error)) {
        case WriteTrouble::DiskFull: reason = texts_.text(kTextDiskFull); break;
        case WriteTrouble::ReadOnly: reason = texts_.text(kTextReadOnly); break;
        case WriteTrouble::NoPermission: reason = texts_.text(kTextNoPermission); break;
        case WriteTrouble::Removed: reason = texts_.text(kTextRemoved); break;
        case WriteTrouble::NotRegular: reason = texts_.text(msg::NotRegularFile); break;
        case WriteTrouble::Exists: reason = texts_.text(msg::FileExists); break;
        default: break;
    }
    if (reason.isEmpty()) reason = QString::fromLocal8Bit(std::strerror(error));
    const QString line = texts_.text(text);
    const QString file = QFileInfo(QFile::decodeName(QByteArray::fromStdString(recorder_.path()))).fileName();
    recordingProblem_(qv::window::fillText(line, {reason, file}));
}

// --- operating commands ----------------------------------------------------------

void CBetrieb::sendOperatingCommand(qv::protocol::OperatingCommand command) {
    session_->command(command, [this, command](int received) { commandDone(command, received); });
}

void CBetrieb::commandDone(qv::protocol::OperatingCommand command, int received) {
    using qv::protocol::OperatingCommand;
    static const std::pair<OperatingCommand, int> kButtons[] = {
        {OperatingCommand::StartMeasurement, MeasureStart}, {OperatingCommand::StopMeasurement, MeasureStop},
        {OperatingCommand::ResetTotalizer, ResetTotal},     {OperatingCommand::ResetMaxima, ResetMax},
        {OperatingCommand::ResetMinima, ResetMin},          {OperatingCommand::ResetError, ResetError}};
    int button = 0;
    for (const auto& [c, id] : kButtons)
        if (c == command) button = id;
    const QString caption = controlText(button).remove(QLatin1Char('&')).trimmed();
    const int text = received == qv::link::Session::kJournalRefused ? msg::CommandNotJournaled
                     : received < 0                                  ? kTextNotSent
                     : received > 0                                  ? kTextAnswered
                                                                     : kTextNoAnswer;
    if (statusNote_) statusNote_(text, {caption});
    const bool measuring = command == OperatingCommand::StartMeasurement || command == OperatingCommand::StopMeasurement;
    if (received < 0 || !measuring) return;
    // The protocol has no question for it: what the last command asked for,
    // said as such, or that nobody knows.
    const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    const int state = received == 0                                   ? kTextMeasuringUnknown
                      : command == OperatingCommand::StartMeasurement ? kTextMeasuringRuns
                                                                      : kTextMeasuringStopped;
    measuringState_ = {state, at};
    showMeasuringState();
}

void CBetrieb::showMeasuringState() {
    if (!measuringState_.first) return setControlText(MeasureState, QString());
    const QString t = texts_.text(measuringState_.first);
    setControlText(MeasureState, t.contains(QStringLiteral("%1")) ? t.arg(measuringState_.second) : t);
}

void CBetrieb::runLowFlowExchange() {
    // The value chosen when the button was pressed is the one sent and the
    // one whose outcome is reported, whatever the combo shows meanwhile.
    const int value = controlAs<QComboBox>(NewLowFlow)->currentIndex();
    // Shown while the line is still held: no poll step comes before it is closed.
    auto show = [this](qv::protocol::LowFlowResult result) {
        using qv::protocol::LowFlowResult;
        switch (result) {
            case LowFlowResult::NoAck: return texts_.showMessage(msg::NoAck);
            case LowFlowResult::Set: return texts_.showMessage(msg::LowFlowSet);
            case LowFlowResult::Zero9E: return texts_.showMessage(msg::Zero9E);
            case LowFlowResult::Zero9D: return texts_.showMessage(msg::Zero9D);
            case LowFlowResult::Zero9F: return texts_.showMessage(msg::Zero9F);
            case LowFlowResult::NoZeroResult: return texts_.showMessage(msg::NoZeroResult);
            case LowFlowResult::NotSent:
            case LowFlowResult::ZeroOther: return;  // nothing to report
        }
    };
    if (value < 0 || value > 10) return;  // no value chosen (the buttons are disabled then)
    if (value == 0)
        session_->adjustZeroPoint(show);
    else
        session_->setLowFlow(value, show);
}

void CBetrieb::onLowFlowSelection() {
    const int index = controlAs<QComboBox>(NewLowFlow)->currentIndex();
    if (index < 0) {
        enableControl(SetLowFlow, false);
        enableControl(ZeroPoint, false);
        return;
    }
    enableControl(ZeroPoint, index == 0);
    enableControl(SetLowFlow, index != 0);
}

}  // namespace qv::pages
