#include "pages/operation/betrieb.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "platform/dialog/pictures.h"

namespace qv::pages {
using qv::dialog::fromCp1252;

namespace {
const char* const kTabTitles[3] = {"Betrieb", "Operation", "Op\xC3\xA9ration"};
}

CBetrieb::CBetrieb(qv::app::AppSettings* settings, qv::device::LinkSlot* link, qv::device::LinkLock* lock)
    : settings_(settings), link_(link), lock_(lock), texts_(*this, *settings) {
    const int lang = qv::app::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());

    auto* values = new QGroupBox(this);
    place(values, 75, 15, 333, 150);
    auto label = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* l = addControl(id, new QLabel(QString::fromUtf8(text), this));
        place(l, x, y, w, h);
        return l;
    };
    auto field = [this](int id, int x, int y, int w, int h, QLabel* caption, const QString& column) {
        auto* e = addControl(id, new QLineEdit(this));
        e->setReadOnly(true);
        e->setAlignment(Qt::AlignRight);
        e->setAccessibleName(caption ? caption->text() + QLatin1Char(' ') + column : column);
        place(e, x, y, w, h);
        return e;
    };
    label(ColumnAct, "Akt", 181, 22, 29, 8);
    label(ColumnMax, "Max", 251, 22, 32, 8);
    label(ColumnMin, "Min", 321, 22, 35, 8);
    auto* v = label(VelocityLabel, "Strömungsgeschwindigkeit", 85, 39, 92, 8);
    field(ActVelocity, 179, 36, 40, 14, v, "Akt");
    field(MaxVelocity, 249, 37, 40, 14, v, "Max");
    field(MinVelocity, 319, 37, 40, 14, v, "Min");
    label(VelocityUnit, "m/s", 365, 40, 37, 8);
    auto* q = label(VolumeLabel, "Volumenstrom", 85, 59, 92, 8);
    field(ActVolume, 179, 56, 40, 14, q, "Akt");
    field(MaxVolume, 249, 57, 40, 14, q, "Max");
    field(MinVolume, 319, 57, 40, 14, q, "Min");
    label(VolumeUnit, "l/s", 365, 60, 37, 8);
    auto* t = label(TemperatureLabel, "Temperatur", 85, 80, 92, 8);
    field(ActTemperature, 179, 78, 40, 14, t, "Akt");
    field(MaxTemperature, 249, 78, 40, 14, t, "Max");
    field(MinTemperature, 319, 78, 40, 14, t, "Min");
    label(TemperatureUnit, "Celsius", 365, 81, 36, 8);
    auto* tot = label(TotalizerLabel, "Totalisator", 85, 123, 53, 8);
    field(Totalizer, 179, 121, 40, 14, tot, QString());
    label(TotalizerUnit, "[%]", 224, 123, 14, 8);

    auto check = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* c = addControl(id, new QCheckBox(QString::fromUtf8(text), this));
        // Display only: the meter's contacts, not a choice of the user.
        c->setAttribute(Qt::WA_TransparentForMouseEvents);
        c->setFocusPolicy(Qt::NoFocus);
        place(c, x, y, w, h);
    };
    check(Limit1, "Grenzkontakt 1", 85, 174, 78, 10);
    check(Limit2, "Grenzkontakt 2", 85, 188, 81, 10);
    check(Ready, "Betriebsbereit", 189, 174, 157, 10);
    check(ErrorContact, "FehlerKontakt", 189, 188, 158, 10);

    auto* lowGroup = new QGroupBox(this);
    place(lowGroup, 75, 204, 333, 91);
    auto* lowCaption = label(LowFlowLabel, "Schl.-Menge Akt", 128, 220, 154, 8);
    field(LowFlow, 83, 217, 21, 14, lowCaption, QString());
    label(LowFlowUnit, "[%]", 109, 220, 14, 8);
    auto* errCaption = label(ErrorLabel, "Akt. Fehler", 86, 303, 156, 8);
    auto* err = field(ErrorText, 84, 314, 159, 14, errCaption, QString());
    err->setAlignment(Qt::AlignLeft);

    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap());
    place(logo, 468, 337, 62, 23);
    logo->setAlignment(Qt::AlignCenter);
    setMinimumSize(dialogUnitsToPixels(0, 0, 546, 374).size());
}

void CBetrieb::onInitDialog() {
    markReady();
    recording_ = 0;
    reloadTexts();
    errorTexts_ = texts_.loadErrorTexts();
    errorHelpTexts_ = texts_.loadErrorHelp();
}

void CBetrieb::reloadTexts() {
    texts_.loadLabels("Betrieb_labels");
    texts_.loadHelp("Betrieb_hilfe");
    texts_.loadMessages();
}

void CBetrieb::applyVariant(int deviceCode) { variantCode_ = deviceCode; }

QString CBetrieb::formatMeasurement(float value) {
    const char* format = value < 10 ? "%5.3f" : value < 100 ? "%5.2f" : value < 100000 ? "%5.1f" : "%5.0f";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, static_cast<double>(value));
    return QString::fromLatin1(buf);
}

void CBetrieb::showMeasurement(const qv::device::MeasurementRecord& r) {
    const std::pair<int, float> values[] = {
        {ActVelocity, r.flowVelocity},       {MaxVelocity, r.flowVelocityMax}, {MinVelocity, r.flowVelocityMin},
        {ActVolume, r.volumeFlow},           {MaxVolume, r.volumeFlowMax},     {MinVolume, r.volumeFlowMin},
        {ActTemperature, r.temperature},     {MaxTemperature, r.temperatureMax},
        {MinTemperature, r.temperatureMin},  {Totalizer, r.totalizer}};
    for (const auto& [id, value] : values) setControlText(id, formatMeasurement(value));
    setControlText(VelocityUnit, fromCp1252(r.flowVelocityUnit));
    setControlText(VolumeUnit, fromCp1252(r.volumeFlowUnit));
    setControlText(TemperatureUnit, fromCp1252(r.temperatureUnit));
    setControlText(TotalizerUnit, fromCp1252(r.totalizerUnit));
    controlAs<QCheckBox>(Limit1)->setChecked(r.contactStates & 0x01);
    controlAs<QCheckBox>(Limit2)->setChecked(r.contactStates & 0x02);
    controlAs<QCheckBox>(Ready)->setChecked(r.contactStates & 0x04);
    controlAs<QCheckBox>(ErrorContact)->setChecked(!(r.contactStates & 0x08));
    setControlText(LowFlow, QString::number(r.lowFlowCutoff));
    setControlText(ErrorText, QString::number(r.errorCode));
}

void CBetrieb::toggleRecordingIndicator() {}

bool CBetrieb::recordStartEnabled() const { return recordStartEnabled_; }
void CBetrieb::enableRecordStart() { recordStartEnabled_ = true; }

}  // namespace qv::pages
