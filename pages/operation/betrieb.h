#pragma once
// The Operation page: the live values of each delivered poll cycle.
#include <QString>

#include "app/page_texts.h"
#include "app/settings.h"
#include "device/link_lock.h"
#include "device/measurement.h"
#include "device/serial_link.h"
#include "platform/dialog/dialog_page.h"

class QLabel;
class QLineEdit;
class QCheckBox;

namespace qv::pages {

class CBetrieb : public qv::dialog::DialogPage {
public:
    enum Id {
        ActVelocity = 1091, MaxVelocity = 1093, MinVelocity = 1094, VelocityUnit = 1098,
        ActVolume = 1099, MaxVolume = 1101, MinVolume = 1102, VolumeUnit = 1103,
        ActTemperature = 1104, MaxTemperature = 1106, MinTemperature = 1107, TemperatureUnit = 1108,
        Totalizer = 1120, TotalizerUnit = 1122,
        Limit1 = 1114, Limit2 = 1116, Ready = 1115, ErrorContact = 1123,
        LowFlow = 1130, ErrorText = 1117,
        ColumnAct = 1095, ColumnMax = 1096, ColumnMin = 1097,
        VelocityLabel = 1092, VolumeLabel = 1100, TemperatureLabel = 1105, TotalizerLabel = 1121,
        LowFlowUnit = 1119, LowFlowLabel = 1155, ErrorLabel = 1118,
        RecordStart = 1126, RecordIndicator = 1129,
    };

    CBetrieb(qv::app::AppSettings* settings, qv::device::LinkSlot* link, qv::device::LinkLock* lock);

    // Entry points of the poll.
    void applyVariant(int deviceCode);
    void showMeasurement(const qv::device::MeasurementRecord& record);
    void setDeviceCode(int code) { deviceCode_ = code; }
    int deviceCode() const { return deviceCode_; }

    bool recording() const { return recording_ != 0; }
    void toggleRecordingIndicator();
    bool recordStartEnabled() const;
    void enableRecordStart();

    // Display rule of the values: precision by magnitude.
    static QString formatMeasurement(float value);

    // Labels, help and messages again, after a language switch. The error
    // texts keep the language of the page's initialisation.
    void reloadTexts();
    const qv::app::PageTexts& texts() const { return texts_; }
    const std::vector<std::string>& errorTexts() const { return errorTexts_; }
    const std::vector<std::string>& errorHelpTexts() const { return errorHelpTexts_; }

protected:
    void onInitDialog() override;

private:
    qv::app::AppSettings* settings_;
    qv::device::LinkSlot* link_;
    qv::device::LinkLock* lock_;
    qv::app::PageTexts texts_;
    std::vector<std::string> errorTexts_, errorHelpTexts_;
    int deviceCode_ = 0;
    int variantCode_ = 0;
    int recording_ = 0;
    bool recordStartEnabled_ = false;  // "Aufzeichnung Start" arrives with the recording
};

}  // namespace qv::pages
