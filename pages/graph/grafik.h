#pragma once
// The Graph page: temperature and volume flow per delivered poll cycle.
#include <vector>

#include "app/page_texts.h"
#include "app/settings.h"
#include "device/measurement.h"
#include "platform/dialog/dialog_page.h"

class QLabel;

namespace qv::pages {

class CGrafik : public qv::dialog::DialogPage {
public:
    static constexpr int kMaxSamples = 2000;
    enum Id { ChartFrame = 1130, PlotStart = 1131, PlotStop = 1132, Clear = 1133 };

    explicit CGrafik(qv::app::AppSettings* settings);

    bool plotRunning() const { return plotRunning_ != 0; }
    void AddSample(const qv::device::MeasurementRecord& record);
    void OnPlotStart();
    void OnPlotStop();
    void OnClear();
    int sampleCount() const { return sampleCount_; }
    void UpdateLanguage();
    void reloadTexts();

protected:
    void onInitDialog() override;

private:
    void updateSummary();
    qv::app::AppSettings* settings_;
    qv::app::PageTexts texts_;
    QLabel* summary_ = nullptr;
    int plotRunning_ = 0;
    int sampleCount_ = 0;
    std::vector<float> temperature_, volumeFlow_;
};

}  // namespace qv::pages
