#pragma once
// The Operation page: the live values of each delivered poll cycle, the
// operating commands and the measurement recording.
#include <QString>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/link/session.h"
#include "core/protocol/commands.h"
#include "core/protocol/measurement.h"
#include "core/recording/recording.h"
#include "core/text/settings.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_page.h"
#include "platform/dialog/page_flow.h"
#include "window/services/page_texts.h"
#include "window/services/service_report.h"

namespace qv::pages {

namespace msg = qv::text::msg;

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
        NewLowFlow = 1112, NewLowFlowUnit = 1131, NewLowFlowLabel = 1113,
        SetLowFlow = 1153, ZeroPoint = 1154,
        ResetMax = 1109, ResetMin = 1110, ResetTotal = 1111, ResetError = 1128,
        MeasureStart = 1124, MeasureStop = 1125,
        RecordStart = 1126, RecordStop = 1127, RecordIndicator = 1129,
        MeasureState = 1190,  // whether measuring runs, as far as the page knows
        RecordInfo = 1191,    // the recording's file and how many lines it holds
    };

    static constexpr int kMsgRecordTitle = msg::RecordTitle, kMsgRecordFile = msg::RecordFile;
    // Status texts of a recording that cannot write.
    static constexpr int kTextPaused = msg::RecordingPausedBy, kTextDiskFull = msg::DiskFull,
                         kTextReadOnly = msg::ReadOnly, kTextNoPermission = msg::NoPermission,
                         kTextRemoved = msg::Removed, kTextNotStarted = msg::NotStarted;
    // Status texts of the one-byte commands, and of the measuring state.
    static constexpr int kTextAnswered = msg::Answered, kTextNoAnswer = msg::NoAnswer, kTextNotSent = msg::NotSent,
                         kTextMeasuringRuns = msg::MeasuringRuns, kTextMeasuringStopped = msg::MeasuringStopped,
                         kTextMeasuringUnknown = msg::MeasuringUnknown;

    CBetrieb(qv::text::AppSettings* settings, qv::link::Session* session);

    // Entry points of the poll.
    void applyVariant(int deviceCode);
    void showMeasurement(const qv::protocol::MeasurementRecord& record);
    void setDeviceCode(int code) { deviceCode_ = code; }
    int deviceCode() const { return deviceCode_; }

    // Recording; the sheet's timer blinks the indicator and, after a
    // completed cycle, enables "Aufzeichnung Start" (button 1126).
    bool recording() const { return recorder_.recording(); }
    // Lines cannot be written at the moment: the recording waits, paused.
    bool recordingFailed() const { return recorder_.failing() != 0; }
    // Where the reason goes while it lasts (the sheet's status line); an
    // empty text takes it away.
    void setRecordingProblem(std::function<void(const QString&)> show) { recordingProblem_ = std::move(show); }
    // Where a command's outcome goes (the sheet's status line).
    void setStatusNote(std::function<void(int text, const QStringList& args)> note) { statusNote_ = std::move(note); }
    bool headerPending() const { return recorder_.headerPending(); }
    const std::string& recordingPath() const { return recorder_.path(); }
    void toggleRecordingIndicator();
    // The link is down: the values are greyed with tip (the time of their
    // last update) as tool tip, and a running recording's indicator stands
    // still, showing paused, that nothing is written. All returns with false.
    void setStale(bool stale, const QString& tip, const QString& paused);
    bool stale() const { return stale_; }
    bool recordStartEnabled() const;
    void enableRecordStart();
    void startRecording();
    void stopRecording();

    // Operating commands.
    void sendOperatingCommand(qv::protocol::OperatingCommand command);
    void runLowFlowExchange();
    void onLowFlowSelection();

    const std::string& lastErrorText() const { return lastErrorText_; }
    // The service report's rows of this page: the last measurement it showed
    // with minima, maxima, totalizer, contacts and error ("------" before any).
    qv::window::ReportRows reportRows(const qv::window::ReportTextFn& text) const;

    // Display rule of the values: precision by magnitude.
    static QString formatMeasurement(float value);
    // What the page shows of a value: formatMeasurement, but "----" for one
    // that is not a number and the word for overflow beyond kLargestShown.
    QString displayValue(float value) const;
    static constexpr float kLargestShown = 1e9f;

    // Labels, help and messages again, after a language switch. The error
    // texts keep the language of the page's initialisation.
    void reloadTexts();
    const qv::window::PageTexts& texts() const { return texts_; }
    const std::vector<std::string>& errorTexts() const { return errorTexts_; }

    // Tests: the wall clock of the recorded lines, and the recording's file layer.
    void setWallClock(std::function<std::time_t()> clock) { wallClock_ = std::move(clock); }
    void setRecordingSink(qv::recording::RecordingSink& sink) { recorder_.setSink(sink); }

    QSize unscrolledSize(const QSize& room) const override {
        return flow_.unscrolledSize(room).expandedTo(minimumSize());
    }

protected:
    void onInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // While stale, first goes before the control's help; when fresh again the
    // help comes back (true then).
    bool staleHelp(int id, const QString& first);
    void writeRecordLine(const qv::protocol::MeasurementRecord& record);
    void showRecordingPaused();
    void showRecordInfo();
    void showRecordingTrouble(int text, int error);
    void commandDone(qv::protocol::OperatingCommand command, int received);
    void showMeasuringState();
    void showError(std::uint8_t code);
    void refreshAccessibleNames();

    qv::text::AppSettings* settings_;
    qv::link::Session* session_;
    std::optional<qv::protocol::MeasurementRecord> lastShown_;
    std::function<void(const QString&)> recordingProblem_;
    std::function<void(int, const QStringList&)> statusNote_;
    std::pair<int, QString> measuringState_;  // its text and the time of the command it rests on
    bool stale_ = false;
    std::map<int, QString> helpWhileFresh_;
    qv::window::PageTexts texts_;
    std::vector<std::string> errorTexts_, errorHelpTexts_;
    std::vector<std::string> reportErrorTexts_;  // in the language now chosen
    std::string lastErrorText_;
    int deviceCode_ = 0;
    qv::recording::Recorder recorder_;
    std::function<std::time_t()> wallClock_ = [] { return std::time(nullptr); };
    qv::dialog::PageFlow flow_{this};
};

}  // namespace qv::pages
