#pragma once
// The Settings page: port, meter identification, language, refresh rate.
#include "app/page_texts.h"
#include "app/settings.h"
#include <functional>
#include <optional>

#include "device/line.h"
#include "platform/dialog/dialog_page.h"

class QTimer;

namespace qv::pages {

class CKonfiguration;
class CBetrieb;
class CGrafik;

class Einstellungen : public qv::dialog::DialogPage {
public:
    enum Id {
        PortList = 1001, PortLabel = 1006, LanguageList = 1004, LanguageLabel = 1005,
        GreenLamp = 1007, RedLamp = 1008, Hardware = 1009, HardwareLabel = 1010,
        Software = 1011, SoftwareLabel = 1012, RefreshRate = 1098, RefreshLabel = 1099,
        RefreshMarker = 1122, GreyOut = 1056, OkButton = 1,
    };
    // Labels-file texts without a control: why a port did not open.
    enum Text { NoDeviceText = 1900, InUseText = 1901, NoPermissionText = 1902, SetupFailedText = 1903 };

    Einstellungen(qv::app::AppSettings* settings, qv::device::Line* line);
    void setPages(CKonfiguration* configuration, CBetrieb* operation, CGrafik* graph);
    // Told after each identification which port was chosen and whether it opened.
    void setPortChosen(std::function<void(int port, bool opened)> f) { portChosen_ = std::move(f); }

    // Replaces the link by a new one on port, opens it and asks the meter
    // who it is; the lamps and the version fields show the outcome.
    void identifyDevice(int port);
    // The poll's type request was answered: green lamp and the model, also
    // for a meter plugged in after the identification.
    void showPolledModel(int code);
    // The meter stopped answering (or the port is gone): red lamp, no model.
    void showNoAnswer();
    bool meterShown() const { return isControlVisible(GreenLamp); }
    void onLanguageChanged(int index);
    void validateRefreshRate();
    const qv::app::PageTexts& texts() const { return texts_; }
    // Writes into each port entry the device it reaches now.
    void refreshPortList();
    // The chosen port number follows the device it reaches (an adapter
    // plugged in after the start): when nothing was there, or the meter is
    // silent and the number now reaches another device, the meter is
    // identified there as after a port change. Asked every two seconds. A
    // port in use or without permission waits for the technician, and a
    // meter that answers is never left.
    void retryPort();

protected:
    void onInitDialog() override;

private:
    void setLamp(bool answered);
    void loadTexts();
    // The red lamp's tool tip: its help, then why the port did not open.
    void showOpenFailure();

    qv::app::AppSettings* settings_;
    qv::device::Line* line_;
    std::function<void(int, bool)> portChosen_;
    // The identified meter's code and version, forgotten once it stops answering.
    int identifiedCode_ = -1;
    std::optional<float> identifiedVersion_;
    qv::app::PageTexts texts_;
    qv::serial::OpenFailure openFailure_ = qv::serial::OpenFailure::None;
    QString lampHelp_;  // the red lamp's help as the help file has it
    QString lampTip_;   // what the lamp shows: that help and the reason
    QTimer* portRetry_ = nullptr;
    std::string openedPath_;  // the device the chosen port reached when identified
    CKonfiguration* configuration_ = nullptr;
    CBetrieb* operation_ = nullptr;
    CGrafik* graph_ = nullptr;
};

}  // namespace qv::pages
