#pragma once
// The Graph page: temperature and volume flow per delivered poll cycle, on
// the hosted scope chart inside the chart frame.
#include <QImage>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "window/services/page_texts.h"
#include "core/text/settings.h"
#include "bridge/tzscope.h"
#include "core/protocol/measurement.h"
#include "platform/dialog/dialog_page.h"

class QFrame;
class QLabel;
class QResizeEvent;

namespace qv::pages {

class CGrafik : public qv::dialog::DialogPage {
public:
    static constexpr int kMaxSamples = 2000;
    enum Id { ChartFrame = 1130, PlotStart = 1131, PlotStop = 1132, Clear = 1133, Export = 1134 };

    explicit CGrafik(qv::text::AppSettings* settings);
    ~CGrafik() override;

    bool plotRunning() const { return plotRunning_ != 0; }
    void AddSample(const qv::protocol::MeasurementRecord& record);
    void OnPlotStart();
    void OnPlotStop();
    void showPlotState();
    void OnClear();
    int sampleCount() const { return sampleCount_; }
    void UpdateLanguage();
    void reloadTexts();
    // "Export…": the plotted curves as CSV for other tools (sample, ISO time,
    // values with their units, decimal point) or, for a ".png" name, the chart.
    void OnExport();
    bool exportCurves(const QString& path);
    // Where the outcome of an export is told (the status line).
    void setStatusNote(std::function<void(int text, const QStringList& args)> note) { statusNote_ = std::move(note); }

    // The text the chart frame shows when the chart failed; empty while it works.
    QString chartFault() const;
    QFrame* chartFrame() const { return chartFrame_; }
    // The service report's picture of this page: the chart, once it has plotted.
    QImage reportCurves() const;
    qv::bridge::tz::CTTZScope& scope() { return scope_; }

protected:
    void onInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;
    void layOutSmall();

private:
    // Puts the page back into a state for replay (the benchmark).
    friend struct GrafikProbe;
    struct ChartTexts {
        std::string temperature, volumeFlow, title, xAxis;  // Windows-1252
        bool defined = false;
    };
    ChartTexts chartTexts() const;
    void setUpChart();
    void layOut();
    void plotSamples(const qv::protocol::MeasurementRecord& record, int count);
    // Runs a step that drives the chart; an error it raises ends the chart,
    // never the program: the frame then tells what went wrong.
    template <class F>
    void guarded(F&& step);
    void showFault(const std::string& detail);
    void renderFault();

    qv::text::AppSettings* settings_;
    qv::window::PageTexts texts_;
    qv::bridge::tz::CTTZScope scope_;
    // The channel and axis items, kept so that the data buffers are looked up once.
    std::optional<qv::bridge::tz::CTTZScopeChannel> temperatureChannel_, flowChannel_;
    std::optional<qv::bridge::tz::CTTZScopeYAxesCollectionItem> flowAxis_;
    QFrame* chartFrame_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    QLabel* logo_ = nullptr;
    std::string faultDetail_;
    bool chartReady_ = false;
    bool faulted_ = false;
    int plotRunning_ = 0;
    int sampleCount_ = 0;
    float temperatureSamples_[kMaxSamples] = {};
    float flowSamples_[kMaxSamples] = {};
    // When each plotted sample came, and the units of the last: for the export only.
    qint64 sampleTimes_[kMaxSamples] = {};
    std::string temperatureUnit_, flowUnit_;
    std::function<void(int, const QStringList&)> statusNote_;
};

}  // namespace qv::pages
