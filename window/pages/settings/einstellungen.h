#pragma once
// The Settings page: port, meter identification, language, refresh rate.
#include <functional>
#include <optional>

#include "core/link/session.h"
#include "core/text/settings.h"
#include "platform/dialog/dialog_page.h"
#include "window/services/page_texts.h"
#include "window/services/service_report.h"

namespace qv::pages {

class Einstellungen : public qv::dialog::DialogPage {
public:
    enum Id {
        PortList = 1001, PortLabel = 1006, LanguageList = 1004, LanguageLabel = 1005,
        GreenLamp = 1007, RedLamp = 1008, Hardware = 1009, HardwareLabel = 1010,
        Software = 1011, SoftwareLabel = 1012, RefreshRate = 1098, RefreshLabel = 1099,
        RefreshMarker = 1122, GreyOut = 1056, OkButton = 1,
    };
    // Labels-file texts without a control (1900 to 1908, why a port did not
    // open) are numbered in qv::link::openFailureLabel.

    Einstellungen(qv::text::AppSettings* settings, qv::link::Session* session);
    // Told after the user chose another language, before its message: the
    // sheet has the other pages load their texts again.
    void setLanguageSwitched(std::function<void()> switched) { languageSwitched_ = std::move(switched); }

    // "------" in the version fields, and the connection told to use port
    // n: it replaces the link, opens the port and asks the meter who it is.
    void identifyDevice(int port);
    // What the connection found: the lamps, the version fields and the
    // lamp's tool tip (why a port did not open) show it.
    void showPortOutcome(const qv::link::PortOutcome& outcome);
    // The meter identified itself again (back after an outage, or another model).
    void showIdentified(const qv::protocol::Identification& id);
    // The poll's type request was answered: green lamp and the model, also
    // for a meter plugged in after the identification.
    void showPolledModel(int code);
    // The meter stopped answering (or the port is gone): red lamp, no model.
    void showNoAnswer();
    bool meterShown() const { return isControlVisible(GreenLamp); }
    void onLanguageChanged(int index);
    void validateRefreshRate();
    const qv::window::PageTexts& texts() const { return texts_; }
    // Asks which device each port number reaches now and writes it into the
    // entries when the answer comes (the look happens off the window thread).
    void refreshPortList();
    // Why the chosen port did not open, in the language in use; empty when it did.
    QString openFailureText() const;
    // What the red lamp's tool tip says after the reason a port did not
    // open: the outage on an open port, that the program tries again.
    void setLampNote(const QString& note);
    // The service report's rows of this page: port, model, software version.
    qv::window::ReportRows reportRows(const qv::window::ReportTextFn& text) const;

protected:
    void onInitDialog() override;

private:
    std::function<void()> languageSwitched_;
    void setLamp(bool answered);
    void loadTexts();
    // The red lamp's tool tip: its help, then why the port did not open.
    void showOpenFailure();
    void showMeter(int code, const std::optional<float>& version);

    qv::text::AppSettings* settings_;
    qv::link::Session* session_;
    // The identified meter's code and version, forgotten once it stops answering.
    int identifiedCode_ = -1;
    std::optional<float> identifiedVersion_;
    qv::window::PageTexts texts_;
    qv::serial::OpenFailure openFailure_ = qv::serial::OpenFailure::None;
    QString openFailureServer_, openFailureDetail_;  // a network server's name and answer
    QString lampHelp_;  // the red lamp's help as the help file has it
    QString lampTip_;   // what the lamp shows: that help, the reason and the note
    QString lampNote_;
};

}  // namespace qv::pages
