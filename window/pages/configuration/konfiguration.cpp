#include "window/pages/configuration/konfiguration.h"

#include <QApplication>
#include <QDir>
#include <QShortcut>
#include "window/services/file_places.h"
#include "window/services/status_line.h"

#include <QResizeEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTime>
#include <algorithm>
#include <memory>
#include <optional>

#include "core/params/check.h"
#include "core/protocol/commands.h"
#include "core/protocol/tables.h"
#include "platform/dialog/dialog_service.h"
#include "platform/files/files.h"
#include "platform/dialog/pictures.h"

namespace qv::pages {
namespace cfg = qv::params;
using cfg::Kind;

namespace {
constexpr std::size_t kReadBlockBytes = qv::protocol::kReadSize;
const QString kFilter = QStringLiteral("(*.*) (*.*)");
// Our own extension offered first when saving; any name still loads.
const QString kExtension = QStringLiteral("kt740");
const QString kSaveFilters = QStringLiteral("KT740 (*.kt740);;") + kFilter;
const QString kLoadFilters = kFilter + QStringLiteral(";;KT740 (*.kt740)");

// Where each row sits: two columns of rows, with a little space between the
// groups that belong together. 0 marks a gap.
constexpr int kLeftColumn[] = {cfg::Model,        cfg::Language,   cfg::Sensor,       cfg::TValue,
                               cfg::CValue,       cfg::PipeSize,   cfg::TpFitting,    cfg::BvFitting,
                               0,                 cfg::VelocityUnit, cfg::TemperatureUnit, cfg::VolumeUnit,
                               cfg::TotalUnit,    0,               cfg::Line1,        cfg::Line2,
                               cfg::Backlight,    cfg::MeasuringTime, cfg::MultFactor};
constexpr int kRightColumn[] = {cfg::FlowOffset, cfg::FlowStart, cfg::FlowEnd,   cfg::TempOffset, cfg::TempStart,
                                cfg::TempEnd,    0,              cfg::Assignment, cfg::Gk1On,     cfg::Gk1Off,
                                cfg::Gk2On,      cfg::Gk2Off,    0,              cfg::FreqOutput, cfg::PulseFrequency,
                                0,               cfg::Medium,    cfg::Pressure,  cfg::Mode};
constexpr int kTop = 8, kPitch = 17, kGap = 6;
constexpr int kLeftX = 8, kRightX = 230;
// Offsets inside a row.
constexpr int kCaptionW = 70, kControlX = 72, kControlW = 98, kUnitX = 173, kUnitW = 24, kChangedX = 198,
              kErrorX = 208, kMarkerW = 9, kRowH = 13;

// Unit statics beside the values: row control, static, fixed text (empty:
// set by updateUnitLabels).
struct UnitStatic {
    int control, id;
    const char* fixed;
};
const UnitStatic kUnitStatics[] = {
    {cfg::FlowStart, cfg::FlowStartUnit, ""}, {cfg::FlowEnd, cfg::FlowEndUnit, ""},
    {cfg::TempStart, cfg::TempStartUnit, ""}, {cfg::TempEnd, cfg::TempEndUnit, ""},
    {cfg::Gk1On, cfg::Gk1OnUnit, ""},         {cfg::Gk1Off, cfg::Gk1OffUnit, ""},
    {cfg::Gk2On, cfg::Gk2OnUnit, ""},         {cfg::Gk2Off, cfg::Gk2OffUnit, ""},
    {cfg::PulseFrequency, cfg::PulseUnit, ""}, {cfg::MeasuringTime, cfg::TimeUnit, "s"},
    {cfg::Pressure, cfg::PressureUnit, "bar"},
};
const int kVariableUnits[] = {cfg::Gk1OnUnit,    cfg::Gk1OffUnit,    cfg::Gk2OnUnit,  cfg::Gk2OffUnit, cfg::FlowStartUnit,
                              cfg::FlowEndUnit, cfg::TempStartUnit, cfg::TempEndUnit, cfg::PulseUnit};

const char* const kTabTitles[3] = {"Konfiguration", "Configuration", "Configuration"};
namespace label = qv::text::label;

QString utf8(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

CKonfiguration::CKonfiguration(qv::text::AppSettings* settings, qv::link::Session* session)
    : settings_(settings), session_(session), texts_(*this, *settings) {
    const int lang = qv::text::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());
    for (auto& b : sendBlocks_) b.assign(cfg::kFileBlockBytes, 0);
    for (auto& b : readBlocks_) b.assign(kReadBlockBytes, 0);

    auto layColumn = [this](const int* ids, std::size_t n, int x) {
        int y = kTop;
        for (std::size_t i = 0; i < n; ++i) {
            if (ids[i] == 0) {
                y += kGap;
                continue;
            }
            buildRow(*cfg::rowOf(ids[i]), x, y);
            y += kPitch;
        }
    };
    layColumn(kLeftColumn, std::size(kLeftColumn), kLeftX);
    layColumn(kRightColumn, std::size(kRightColumn), kRightX);

    auto button = [this](int id, const char* text, int y, auto handler) {
        auto* b = addControl(id, new QPushButton(QString::fromUtf8(text), this));
        b->setAutoDefault(false);
        place(b, 454, y, 84, 14);
        connect(b, &QPushButton::clicked, this, handler);
    };
    button(cfg::ReadButton, "KT740-->PC", kTop, [this] { readParameters(); });
    button(cfg::WriteButton, "PC-->KT740", kTop + 17, [this] { writeParameters(); });
    button(cfg::CheckButton, "Konfig-Check", kTop + 46, [this] { runCheck(); });
    button(cfg::SaveButton, "Speichern", kTop + 75, [this] { saveConfiguration(); });
    button(cfg::LoadButton, "Laden", kTop + 92, [this] { loadConfiguration(); });
    button(cfg::ClearButton, "Alles löschen", kTop + 121, [this] { clearAll(); });
    button(kCompareMeterButton, "Vergleich KT740", kTop + 150, [this] { compareWithMeter(); });
    button(kCompareFileButton, "Vergleich Datei", kTop + 167, [this] { compareWithFile(); });
    button(kReadBackButton, "Rücklesen", kTop + 184, [this] { readBack(); });
    enableControl(kReadBackButton, false);
    auto* diffCaption = addControl(kDifferencesCaption, new QLabel(QString::fromUtf8("Unterschiede"), this));
    place(diffCaption, kLeftX, 312, 200, 9);
    auto* diffs = addControl(kDifferencesList, new QListWidget(this));
    place(diffs, kLeftX, 322, 440, 48);
    // A long line wraps rather than hide its end beside the list.
    diffs->setWordWrap(true);
    diffs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    diffs->setResizeMode(QListView::Adjust);
    diffCaption->setBuddy(diffs);

    // The lists the page shows before any model is chosen.
    for (const auto& r : cfg::rows())
        if (r.kind == Kind::Combo && r.control != cfg::Model) fillList(r.control, cfg::listOf(r.control, -1, 0));

    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap(93, 38));
    logo->setAccessibleName(QStringLiteral("Quorvia"));
    logo->setAlignment(Qt::AlignCenter);
    place(logo, 468, 337, 62, 23);
    // Ctrl+S and Ctrl+O save and load while this page is shown.
    auto shortcut = [this](QKeySequence::StandardKey key, void (CKonfiguration::*slot)()) {
        auto* s = new QShortcut(QKeySequence(key), this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, slot] {
            // The sheet itself runs modal; only a box or dialog above it keeps the key.
            const QWidget* modal = QApplication::activeModalWidget();
            if (isVisible() && (modal == nullptr || modal == window())) (this->*slot)();
        });
    };
    shortcut(QKeySequence::Save, &CKonfiguration::saveConfiguration);
    shortcut(QKeySequence::Open, &CKonfiguration::loadConfiguration);
    // In a small window the value columns scroll, the buttons stay in view.
    flow_.setLogo(logo);
    flow_.setValues({dialogUnitsToPixels(0, 0, kRightX - 9, 310), dialogUnitsToPixels(kRightX - 9, 0, 459 - kRightX, 310)});
    flow_.setCommands(dialogUnitsToPixels(450, 0, 96, 300));
    flow_.setList(dialogUnitsToPixels(0, 310, 450, 64), diffs);
    setMinimumSize(flow_.minimumSize());
    // Tab: the commands first, as a technician starts by reading the meter,
    // then the values column by column, then the differences.
    std::vector<QWidget*> order;
    const int commands[] = {cfg::ReadButton, cfg::WriteButton, cfg::CheckButton, cfg::SaveButton, cfg::LoadButton,
                            cfg::ClearButton, kCompareMeterButton, kCompareFileButton, kReadBackButton};
    for (int id : commands) order.push_back(control(id));
    for (int id : kLeftColumn)
        if (id) order.push_back(control(id));
    for (int id : kRightColumn)
        if (id) order.push_back(control(id));
    order.push_back(diffs);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    refreshAccessibleNames();
}

void CKonfiguration::buildRow(const cfg::Row& row, int x, int y) {
    auto* caption = addControl(row.caption, new QLabel(QString::fromUtf8(row.caption0), this));
    place(caption, x, y + 2, kCaptionW, 9);
    QWidget* w = nullptr;
    const int id = row.control;
    switch (row.kind) {
        case Kind::Combo: {
            auto* c = addControl(id, new QComboBox(this));
            c->setMaxVisibleItems(16);
            if (id == cfg::Model)
                connect(c, &QComboBox::activated, this, [this] { userEdited(); onModelSelection(); });
            else
                connect(c, &QComboBox::activated, this, [this, id] { userEdited(); onParameterChanged(id); });
            w = c;
            place(c, x + kControlX, y, kControlW, kRowH);
            break;
        }
        case Kind::Check: {
            auto* c = addControl(id, new QCheckBox(this));
            connect(c, &QCheckBox::clicked, this, [this, id] { userEdited(); onParameterChanged(id); });
            w = c;
            place(c, x + kControlX, y + 1, 12, 11);
            break;
        }
        case Kind::Edit: {
            auto* e = addControl(id, new QLineEdit(this));
            e->setMaxLength(static_cast<int>(cfg::kEditTextLimit));
            connect(e, &QLineEdit::textEdited, this, [this, id] { userEdited(); onParameterChanged(id); });
            w = e;
            place(e, x + kControlX, y, kControlW, kRowH);
            break;
        }
    }
    caption->setBuddy(w);
    for (const auto& u : kUnitStatics) {
        if (u.control != id) continue;
        auto* l = addControl(u.id, new QLabel(QString::fromUtf8(u.fixed), this));
        place(l, x + kUnitX, y + 2, kUnitW, 9);
    }
    auto marker = [this, x, y](int markerId, int dx, const QPixmap& pm) {
        auto* m = addControl(markerId, new QLabel(this));
        m->setPixmap(pm);
        m->setAlignment(Qt::AlignCenter);
        place(m, x + dx, y + 1, kMarkerW, 11);
        m->hide();
    };
    marker(row.changedMarker, kChangedX, qv::dialog::changedMarkerPixmap(14));
    marker(row.errorMarker, kErrorX, qv::dialog::errorMarkerPixmap(14));
    // Left of the caption, where neither column has anything else.
    auto* cmp = addControl(compareMarker(row.control), new QLabel(this));
    cmp->setPixmap(qv::dialog::compareMarkerPixmap(11));
    cmp->setAlignment(Qt::AlignCenter);
    place(cmp, x - 8, y + 1, 7, 11);
    cmp->hide();
}

void CKonfiguration::resizeEvent(QResizeEvent* event) {
    DialogPage::resizeEvent(event);
    flow_.arrange(size());
}

void CKonfiguration::onInitDialog() {
    markReady();
    clearAll();
    reloadTexts();
    for (auto& b : sendBlocks_) std::fill(b.begin(), b.end(), 0);
    for (auto& b : readBlocks_) std::fill(b.begin(), b.end(), 0);
    std::vector<std::string> models;
    for (const auto& t : cfg::listOf(cfg::Model, -1, 0)) models.push_back(t);
    auto* model = controlAs<QComboBox>(cfg::Model);
    model->clear();
    for (const auto& t : models) model->addItem(qv::dialog::fromCp1252(t));
    model->setCurrentIndex(-1);
}

void CKonfiguration::reloadTexts() {
    texts_.loadLabels("Konfigurieren_labels");
    texts_.loadHelp("Konfigurieren_hilfe");
    texts_.loadMessages();
    fillLanguageLists();
    refreshAccessibleNames();
    // The list says again what it said, in the new language.
    if (drawList_) drawList_();
    showListTime();
}

void CKonfiguration::meterIdentified() {
    // What the list says was found with the meter as it was; another one,
    // or the same with another set, may stand there now.
    if (!drawList_ || !listStaleAt_.isEmpty()) return;
    listStaleAt_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    drawList_();
}

void CKonfiguration::showListTime() {
    // The caption tells when the list was made.
    QString caption = controlText(kDifferencesCaption);
    if (!captionSuffix_.isEmpty() && caption.endsWith(captionSuffix_)) caption.chop(captionSuffix_.size());
    captionSuffix_ = listTime_.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(listTime_);
    setControlText(kDifferencesCaption, caption + captionSuffix_);
    control(kDifferencesList)->setAccessibleDescription(listTime_);
}

void CKonfiguration::refreshAccessibleNames() {
    // What a screen reader says of a marker, after the row's caption.
    const QString changed = pageText(label::Changed), error = pageText(label::Error);
    for (const auto& r : cfg::rows()) {
        const QString caption = controlText(r.caption).remove(QLatin1Char('&')).trimmed();
        if (QWidget* w = control(r.control)) w->setAccessibleName(caption);
        if (QWidget* m = control(r.changedMarker)) m->setAccessibleName(caption + QStringLiteral(": ") + changed);
        if (QWidget* m = control(r.errorMarker)) m->setAccessibleName(caption + QStringLiteral(": ") + error);
    }
    for (int id : std::initializer_list<int>{cfg::ReadButton, cfg::WriteButton, cfg::CheckButton, cfg::SaveButton, cfg::LoadButton,
                   cfg::ClearButton, kCompareMeterButton, kCompareFileButton, kReadBackButton})
        control(id)->setAccessibleName(controlText(id).remove(QLatin1Char('&')));
    control(kDifferencesList)->setAccessibleName(controlText(kDifferencesCaption).remove(QLatin1Char('&')));
    const QString differs = pageText(label::Differs);
    for (const auto& r : cfg::rows())
        if (QWidget* m = control(compareMarker(r.control))) m->setAccessibleName(captionOf(r.control) + QStringLiteral(": ") + differs);
}

// --- lists -------------------------------------------------------------------

void CKonfiguration::fillList(int control, const std::vector<std::string>& items) {
    auto* c = controlAs<QComboBox>(control);
    c->clear();
    for (const auto& t : items) c->addItem(utf8(t));
    c->setCurrentIndex(-1);  // a filled list starts without a choice
}

void CKonfiguration::refillFamilyLists(int family) {
    for (int id : {cfg::Sensor, cfg::VolumeUnit, cfg::TotalUnit}) fillList(id, cfg::listOf(id, family, 0));
}

void CKonfiguration::fillLanguageLists() {
    // The meter does not care in which language its choices are named, so a
    // language switch keeps every selection.
    for (int id : {cfg::Medium, cfg::Line1, cfg::Line2, cfg::Mode}) {
        auto* c = controlAs<QComboBox>(id);
        const int keep = c->currentIndex();
        fillList(id, cfg::listOf(id, -1, settings_->language));
        c->setCurrentIndex(keep);
    }
}

// --- values ------------------------------------------------------------------

cfg::ControlValues CKonfiguration::values() const {
    cfg::ControlValues v;
    for (const auto& r : cfg::rows()) {
        switch (r.kind) {
            case Kind::Combo: v.index[r.control] = controlAs<QComboBox>(r.control)->currentIndex(); break;
            case Kind::Check: v.index[r.control] = controlAs<QCheckBox>(r.control)->isChecked() ? 1 : 0; break;
            case Kind::Edit: v.text[r.control] = controlAs<QLineEdit>(r.control)->text().toStdString(); break;
        }
    }
    return v;
}

void CKonfiguration::setValues(const cfg::ControlValues& v) {
    if (source_ == Source::None) source_ = Source::Hand;  // a read or load says where from, after
    for (const auto& [id, value] : v.index) {
        if (auto* c = controlAs<QComboBox>(id))
            c->setCurrentIndex(value >= 0 && value < c->count() ? value : -1);
        else if (auto* b = controlAs<QCheckBox>(id))
            b->setChecked(value != 0);
    }
    for (const auto& [id, text] : v.text)
        if (auto* e = controlAs<QLineEdit>(id)) e->setText(utf8(text));
}

void CKonfiguration::updateUnitLabels() {
    auto selected = [this](int id) {
        auto* c = controlAs<QComboBox>(id);
        return c->currentIndex() >= 0 ? c->currentText() : QString();
    };
    const QString total = selected(cfg::TotalUnit), temp = selected(cfg::TemperatureUnit),
                  flow = selected(cfg::VelocityUnit);
    setControlText(cfg::PulseUnit, total);
    setControlText(cfg::TempStartUnit, temp);
    setControlText(cfg::TempEndUnit, temp);
    setControlText(cfg::FlowStartUnit, flow);
    setControlText(cfg::FlowEndUnit, flow);
    const int a = controlAs<QComboBox>(cfg::Assignment)->currentIndex();
    const QString& first = a == 0 || a == 2 ? flow : temp;
    const QString& second = a == 0 || a == 1 ? flow : temp;
    setControlText(cfg::Gk1OnUnit, first);
    setControlText(cfg::Gk1OffUnit, first);
    setControlText(cfg::Gk2OnUnit, second);
    setControlText(cfg::Gk2OffUnit, second);
}

void CKonfiguration::hideChangedMarkers() {
    for (const auto& r : cfg::rows()) {
        showControl(r.changedMarker, false);
        parkedMarkers_.erase(r.changedMarker);
    }
}

void CKonfiguration::hideErrorMarkers() {
    for (const auto& r : cfg::rows()) {
        showControl(r.errorMarker, false);
        parkedMarkers_.erase(r.errorMarker);
    }
}

void CKonfiguration::applyConfigurationVariant(int code) {
    const int sensor = controlAs<QComboBox>(cfg::Sensor)->currentIndex();
    for (const auto& row : cfg::variantRows()) {
        const bool unavailable = cfg::isUnavailable(code, row.control, sensor);
        for (int id : row.ids) applyGreyOut(id, !unavailable, settings_->greyOut);
        // A hidden row takes its markers with it, so none floats beside
        // nothing, and brings them back when it returns.
        const cfg::Row* r = cfg::rowOf(row.control);
        for (int marker : {r->changedMarker, r->errorMarker}) {
            if (unavailable && settings_->greyOut != 1) {
                if (isControlVisible(marker)) parkedMarkers_.insert(marker);
                showControl(marker, false);
            } else if (parkedMarkers_.erase(marker)) {
                showControl(marker, true);
            }
        }
    }
}

// --- notifications -----------------------------------------------------------

void CKonfiguration::valuesEdited() {
    clearComparison();
    withdrawCheckNote();
}

void CKonfiguration::userEdited() {
    valuesEdited();
    if (source_ == Source::None) source_ = Source::Hand;
}

void CKonfiguration::clearComparison() {
    drawList_ = nullptr;
    listTime_.clear();
    listStaleAt_.clear();
    hideCompareMarkers();
    controlAs<QListWidget>(kDifferencesList)->clear();
    showListTime();
}

void CKonfiguration::keepList(std::function<void()> draw) {
    drawList_ = std::move(draw);
    listTime_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    listStaleAt_.clear();
    drawList_();
    showListTime();
}

void CKonfiguration::startList(const QString& title) {
    hideCompareMarkers();
    auto* list = controlAs<QListWidget>(kDifferencesList);
    list->clear();
    if (!listStaleAt_.isEmpty()) list->addItem(qv::window::fillText(pageText(label::BeforeIdentified), {listStaleAt_}));
    list->addItem(title);
}

void CKonfiguration::withdrawCheckNote() {
    if (withdraw_) {
        withdraw_(kNoteCheckPassed);
        withdraw_(kNoteCheckFailed);
        withdraw_(kNoteCheckFailedOne);
    }
}

void CKonfiguration::runCheck() {
    if (checkConfiguration(selectedCode_) == 1) return note(kNoteCheckPassed);
    // How many values are outside their range, and the first of them.
    QStringList failed;
    for (const auto& r : cfg::rows())
        if (isControlVisible(r.errorMarker)) failed << captionOf(r.control);
    if (!failed.isEmpty())
        note(qv::text::counted(failed.size(), settings_->language, kNoteCheckFailed, kNoteCheckFailedOne),
             {QString::number(failed.size()), failed.first()});
}

void CKonfiguration::onModelSelection() {
    if (settleCountdown_ > 0) return;
    selectedCode_ = controlAs<QComboBox>(cfg::Model)->currentIndex();
    qv::protocol::updateFamily(selectedCode_, settings_->deviceFamily);
    refillFamilyLists(settings_->deviceFamily);
    applyConfigurationVariant(selectedCode_);
    hideErrorMarkers();
    hideChangedMarkers();
}

void CKonfiguration::onParameterChanged(int control) {
    if (settleCountdown_ > 0) return;
    const cfg::Row* row = cfg::rowOf(control);
    if (!row || control == cfg::Model) return;
    showControl(row->changedMarker, cfg::differsFromRead(control, values(), readValues_));
    showControl(row->errorMarker, false);
    switch (control) {
        case cfg::VelocityUnit:
        case cfg::TemperatureUnit:
        case cfg::TotalUnit:
        case cfg::Assignment: updateUnitLabels(); break;
        case cfg::Sensor:
            // The fittings and the pipe size depend on the sensor.
            if (qv::protocol::familyOfCode(selectedCode_) >= 0) applyConfigurationVariant(selectedCode_);
            break;
        default: break;
    }
}

// --- block -------------------------------------------------------------------

void CKonfiguration::encodeParameters() {
    selectedCode_ = controlAs<QComboBox>(cfg::Model)->currentIndex();
    settings_->deviceCode = selectedCode_;
    qv::protocol::updateFamily(selectedCode_, settings_->deviceFamily);
    const int family = settings_->deviceFamily;
    if (family < 0 || family > 2) return;
    auto& block = sendBlocks_[static_cast<std::size_t>(family)];
    std::fill(block.begin(), block.end(), 0);
    const auto encoded = cfg::encodeBlock(family, values());
    std::copy(encoded.begin(), encoded.end(), block.begin());
}

void CKonfiguration::decodeParameters(const std::uint8_t* block, std::size_t size) {
    const int family = settings_->deviceFamily;
    // Without a family there is no layout to read the bytes by.
    if (family < 0 || family > 2) return;
    auto& kept = readBlocks_[static_cast<std::size_t>(family)];
    std::fill(kept.begin(), kept.end(), 0);
    std::copy_n(block, std::min(size, cfg::readBlockCopySize(family)), kept.begin());
    refillFamilyLists(family);
    const cfg::ControlValues decoded = cfg::decodeBlock(family, block, size);
    setValues(decoded);
    const cfg::ReadValues read = cfg::readValuesOf(decoded);
    for (const auto& [id, v] : read.index) readValues_.index[id] = v;
    for (const auto& [id, v] : read.number) readValues_.number[id] = v;
    for (const auto& [id, v] : decoded.index) showControl(cfg::rowOf(id)->changedMarker, false);
    for (const auto& [id, v] : decoded.text) showControl(cfg::rowOf(id)->changedMarker, false);
    updateUnitLabels();
}

qv::window::ReportRows CKonfiguration::reportRows(const qv::window::ReportTextFn& text) const {
    using namespace qv::window;
using namespace qv::text;
    const QString source = text(RSource);
    if (source_ == Source::None) return {{source, text(RNoSet)}};
    QString from = source_ == Source::Meter ? qv::window::fillText(text(RFromMeter), {sourceDetail_})
                   : source_ == Source::File ? qv::window::fillText(text(RFromFile), {sourceDetail_})
                                             : text(RByHand);
    // The change markers tell what differs from what was read or loaded.
    QStringList changed;
    for (const auto& r : cfg::rows())
        if (source_ != Source::Hand && isControlVisible(r.changedMarker)) changed << captionOf(r.control);
    if (!changed.isEmpty()) from = qv::window::fillText(text(REditedSince), {from, changed.join(QStringLiteral(", "))});
    ReportRows rows{{source, from}};
    const auto v = values();
    const int code = v.sel(cfg::Model);
    const int family = qv::protocol::familyOfCode(code);
    for (const auto& row : cfg::rows()) {
        if (code >= 1 && code <= 45 && row.control != cfg::Model && cfg::isUnavailable(code, row.control, v.sel(cfg::Sensor)))
            continue;
        const QString caption = controlText(row.caption).remove(QLatin1Char('&')).trimmed();
        const QString value = row.control == cfg::Model
                                  ? controlText(cfg::Model)
                                  : QString::fromStdString(cfg::displayValue(row.control, v, family, settings_->language));
        rows.emplace_back(caption, value);
    }
    return rows;
}

// --- transfer ----------------------------------------------------------------

void CKonfiguration::readParameters() {
    if (settings_->deviceFamily == -1) return note(kNoteNoFamily);
    session_->readSet(settings_->deviceFamily, selectedCode_, [this](const cfg::SetRead& read) {
        if (read.state == cfg::ReadState::NoLink) return note(kNoteNoLink);
        applyRead(read);
    });
}

void CKonfiguration::applyRead(const cfg::SetRead& read) {
    // Only a whole, undamaged reply changes the page, model and family
    // included: a cut one would fill the controls with zeros ready to be
    // written back, a damaged one with values the meter never held.
    if (!read.whole()) return note(read.state == cfg::ReadState::Damaged ? kNoteDamaged : kNoteNoBlock);
    if (read.typeAnswered) {
        qv::protocol::updateFamily(read.set.code, settings_->deviceFamily);
        auto* model = controlAs<QComboBox>(cfg::Model);
        model->setCurrentIndex(read.set.code >= 0 && read.set.code < model->count() ? read.set.code : -1);
        selectedCode_ = read.set.code;
        showControl(cfg::ModelChangedMarker, false);
    }
    hideErrorMarkers();
    hideChangedMarkers();
    settleCountdown_ = kSettleTicks;
    decodeParameters(read.bytes.data(), read.bytes.size());
    applyConfigurationVariant(selectedCode_);
    valuesEdited();
    source_ = Source::Meter;
    sourceDetail_ = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    readAt_ = QDateTime::currentDateTime();
    fromMeter_ = read.set;
    note(kNoteRead, {controlText(cfg::Model)});
}

void CKonfiguration::writeParameters() {
    if (checkConfiguration(selectedCode_) != 1) {
        texts_.showMessage(kMsgCheckFailed);
        return;
    }
    encodeParameters();
    const int family = settings_->deviceFamily;
    const auto& block = sendBlocks_[static_cast<std::size_t>(std::clamp(family, 0, 2))];
    cfg::WriteRequest request;
    request.set = {selectedCode_, family, std::vector<std::uint8_t>(block.begin(), block.begin() + static_cast<long>(cfg::blockSize(family)))};
    request.before = fromMeter_;
    session_->writeSet(request, [this, request](const cfg::WriteResult& result) {
        if (result.journalRefused) return;  // nothing went out; the window said why
        if (!result.linked) {  // no link: nothing went out, nothing to read back
            texts_.showMessage(kMsgNotWritten);
            return;
        }
        // The meter itself tells what it holds now: the verdict from the read-back.
        written_ = request;
        writeResult_ = result;
        enableControl(kReadBackButton, true);
        keepList([this] { showVerdict(); });
        // Shown while the line is still held: no poll step comes before it is closed.
        texts_.showMessage(result.line.acknowledged ? kMsgWritten : kMsgNotWritten);
    });
}

// --- files and check ---------------------------------------------------------

void CKonfiguration::saveConfiguration() {
    encodeParameters();
    QString chosen = qv::dialog::dialogs().saveFileName(this, texts_.messageLine(kMsgSaveTitle, 0),
                                                        qv::window::suggestedPath(*settings_, selectedCode_, kExtension),
                                                        kSaveFilters);
    if (chosen.isEmpty()) return;
    if (const QString named = qv::window::withExtension(chosen, kExtension); named != chosen) {
        // The dialog asked before overwriting the name it was given, not this one.
        if (QFileInfo::exists(named))
            return qv::dialog::dialogs().message(this, texts_.messageLine(kMsgSaveTitle, 0),
                                                 qv::window::fillText(texts_.text(qv::window::RExists), {QFileInfo(named).fileName()}));
        chosen = named;
    }
    qv::window::rememberFolder(*settings_, chosen);
    const int family = settings_->deviceFamily;
    const auto bytes = cfg::configurationFile(
        selectedCode_, family, family >= 0 && family <= 2 ? sendBlocks_[static_cast<std::size_t>(family)]
                                                          : std::vector<std::uint8_t>{});
    // Written whole or not at all, never over what is not a regular file, and
    // never passed off as saved when it was not.
    const auto written = qv::files::writeWhole(QFile::encodeName(chosen).toStdString(),
                                               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!written.ok()) {
        texts_.showMessage(kMsgFile);
        return note(msg::NotWrittenFile, {fileTroubleText(chosen, written.trouble, written.error)});
    }
    note(qv::window::StatusLine::Saved, {QDir::toNativeSeparators(chosen)});
}

void CKonfiguration::loadConfiguration() {
    encodeParameters();
    const QString chosen = qv::dialog::dialogs().openFileName(this, texts_.messageLine(kMsgLoadTitle, 0),
                                                              qv::window::startFolder(*settings_), kLoadFilters);
    if (!chosen.isEmpty()) {
        qv::window::rememberFolder(*settings_, chosen);
        // The one read of 100 bytes; a FIFO, a device or a folder is refused unread.
        const auto file = qv::files::readHead(QFile::encodeName(chosen).toStdString(), cfg::kFileBlockBytes);
        if (!file.ok()) {
            texts_.showMessage(kMsgFile);
            note(msg::NotRead, {fileTroubleText(chosen, file.trouble, file.error)});
        } else {
            const cfg::LoadedFile loaded = cfg::parseConfigurationFile(
                reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size());
            selectedCode_ = loaded.code;
            settings_->deviceCode = loaded.code;
            qv::protocol::updateFamily(loaded.code, settings_->deviceFamily);
            auto* model = controlAs<QComboBox>(cfg::Model);
            model->setCurrentIndex(loaded.code >= 0 && loaded.code < model->count() ? loaded.code : -1);
            hideErrorMarkers();
            hideChangedMarkers();
            applyConfigurationVariant(loaded.code);
            decodeParameters(loaded.block.data(), loaded.block.size());
            valuesEdited();
            source_ = Source::File;
            sourceDetail_ = QFileInfo(chosen).fileName();
            note(qv::window::StatusLine::Loaded, {QDir::toNativeSeparators(chosen)});
        }
    }
    onParameterChanged(cfg::Sensor);
}

void CKonfiguration::clearAll() {
    for (const auto& r : cfg::rows()) {
        switch (r.kind) {
            case Kind::Combo: controlAs<QComboBox>(r.control)->setCurrentIndex(-1); break;
            case Kind::Check: controlAs<QCheckBox>(r.control)->setChecked(false); break;
            case Kind::Edit: controlAs<QLineEdit>(r.control)->clear(); break;
        }
    }
    hideErrorMarkers();
    hideChangedMarkers();
    for (int id : kVariableUnits) setControlText(id, QString());
    valuesEdited();
    source_ = Source::None;
}

int CKonfiguration::checkConfiguration(int code) {
    hideErrorMarkers();
    settleCountdown_ = kSettleTicks;
    cfg::ControlValues v = values();
    const cfg::CheckOutcome outcome = cfg::checkConfiguration(code, settings_->deviceFamily, v);
    // The cleaned texts go back, so a comma reads as a point from now on.
    for (const auto& [id, text] : v.text) {
        auto* e = controlAs<QLineEdit>(id);
        if (e && e->text().toStdString() != text) e->setText(utf8(text));
    }
    for (int marker : outcome.errorMarkers) showControl(marker, true);
    if (outcome.changedMarkersHidden) hideChangedMarkers();
    return outcome.result;
}

// --- compare and read-back ---------------------------------------------------

int CKonfiguration::compareMarker(int control) {
    const auto& all = cfg::rows();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].control == control) return kCompareMarkerBase + static_cast<int>(i);
    return 0;
}

QString CKonfiguration::captionOf(int control) const {
    const cfg::Row* r = cfg::rowOf(control);
    return r ? controlText(r->caption).remove(QLatin1Char('&')).trimmed() : QString();
}

void CKonfiguration::hideCompareMarkers() {
    for (const auto& r : cfg::rows()) showControl(compareMarker(r.control), false);
}

QStringList CKonfiguration::differenceLines() const {
    QStringList out;
    auto* list = controlAs<QListWidget>(kDifferencesList);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

bool CKonfiguration::readBackOffered() const { return control(kReadBackButton)->isEnabled(); }

void CKonfiguration::showDifferences(const QString& title, const std::vector<cfg::Difference>& diffs) {
    startList(title);
    auto* list = controlAs<QListWidget>(kDifferencesList);
    for (const auto& d : diffs) {
        list->addItem(utf8(cfg::differenceLine(d, captionOf(d.control).toStdString(),
                                               pageText(label::Byte).toStdString(),
                                               pageText(label::Missing).toStdString())));
        // A row the model hides keeps its marker hidden with it; a list from
        // before the meter was identified again marks no row as it is now.
        if (d.control && isControlVisible(d.control) && listStaleAt_.isEmpty())
            showControl(compareMarker(d.control), true);
    }
    if (diffs.empty()) list->addItem(pageText(label::NoDifferences));
}

void CKonfiguration::compareWith(const QString& title, int code, const std::uint8_t* block) {
    const int pageCode = controlAs<QComboBox>(cfg::Model)->currentIndex();
    cfg::ParameterSet mine{pageCode, qv::protocol::familyOfCode(pageCode), {}};
    if (mine.family >= 0) mine.block = cfg::encodeBlock(mine.family, values());
    cfg::ParameterSet other{code, qv::protocol::familyOfCode(code), {}};
    if (other.family >= 0) other.block.assign(block, block + cfg::blockSize(other.family));
    showDifferences(title, cfg::compareSets(mine, other, settings_->language));
}

void CKonfiguration::compareWithMeter() {
    if (settings_->deviceFamily == -1) return note(kNoteNoFamily);
    session_->readSet(settings_->deviceFamily, selectedCode_, [this](const cfg::SetRead& read) {
        if (read.state == cfg::ReadState::NoLink) return note(kNoteNoLink);
        keepList([this, read] {
            const QString title = pageText(label::WithMeter);
            // Only a whole, undamaged block is compared, by the same rule as the read.
            if (!read.whole()) return showOnly(title, notComparedText(read.state == cfg::ReadState::Damaged));
            compareWith(title, read.set.code, read.set.block.data());
        });
    });
}

void CKonfiguration::compareWithFile() {
    const QString chosen = qv::dialog::dialogs().openFileName(this, texts_.messageLine(kMsgLoadTitle, 0),
                                                              qv::window::startFolder(*settings_), kLoadFilters);
    if (chosen.isEmpty()) return;
    qv::window::rememberFolder(*settings_, chosen);
    const auto file = qv::files::readHead(QFile::encodeName(chosen).toStdString(), cfg::kFileSize);
    if (!file.ok()) {
        texts_.showMessage(kMsgFile);
        return note(msg::NotRead, {fileTroubleText(chosen, file.trouble, file.error)});
    }
    const cfg::LoadedFile loaded =
        cfg::parseConfigurationFile(reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size());
    keepList([this, loaded, name = QFileInfo(chosen).fileName()] {
        compareWith(qv::window::fillText(pageText(label::WithFile), {name}), loaded.code, loaded.block.data());
    });
}

QString CKonfiguration::fileTroubleText(const QString& path, qv::files::Trouble trouble, int error) const {
    return qv::window::fileTrouble(QDir::toNativeSeparators(path), trouble, error, cfg::kFileSize,
                                   [this](int n) { return texts_.text(n); });
}

void CKonfiguration::readBack() {
    if (!written_) return;
    session_->readSet(written_->set.family, written_->set.code, [this](const cfg::SetRead& read) {
        writeResult_.back = read;
        keepList([this] { showVerdict(); });
    });
}

std::optional<cfg::WriteJudgement> CKonfiguration::lastVerdict() const {
    if (!written_) return std::nullopt;
    return cfg::judgeWrite(*written_, writeResult_, settings_->language);
}

void CKonfiguration::showOnly(const QString& title, const QString& line) {
    startList(title);
    if (!line.isEmpty()) controlAs<QListWidget>(kDifferencesList)->addItem(line);
}

QString CKonfiguration::notComparedText(bool damaged) const {
    return pageText(damaged ? label::ReadBackDamaged : label::NoWholeBlock);
}

void CKonfiguration::showVerdict() {
    const auto judgement = lastVerdict();
    if (!judgement) return;
    const cfg::VerdictWords words = cfg::verdictWords(*judgement);
    if (!judgement->differences.empty()) return showDifferences(pageText(words.title), judgement->differences);
    showOnly(pageText(words.title), words.reason ? pageText(words.reason) : QString());
}

}  // namespace qv::pages
