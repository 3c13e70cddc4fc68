#include "pages/graph/grafik.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/dialog/pictures.h"

namespace qv::pages {
namespace {
const char* const kTabTitles[3] = {"Visualisierung", "Visualization", "Affichage graphique"};
}

CGrafik::CGrafik(qv::app::AppSettings* settings) : settings_(settings), texts_(*this, *settings) {
    const int lang = qv::app::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());
    auto* frame = addControl(ChartFrame, new QFrame(this));
    frame->setFrameShape(QFrame::StyledPanel);
    place(frame, 7, 8, 521, 286);
    auto button = [this](int id, const char* text, int y) {
        auto* b = addControl(id, new QPushButton(QString::fromUtf8(text), this));
        place(b, 197, y, 150, 14);
        return b;
    };
    connect(button(PlotStart, "Plot Start", 308), &QPushButton::clicked, this, [this] { OnPlotStart(); });
    connect(button(PlotStop, "Plot Stop", 327), &QPushButton::clicked, this, [this] { OnPlotStop(); });
    connect(button(Clear, "Clear", 346), &QPushButton::clicked, this, [this] { OnClear(); });
    summary_ = new QLabel(frame);
    summary_->setAlignment(Qt::AlignCenter);
    summary_->setGeometry(frame->rect());
    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap());
    logo->setAlignment(Qt::AlignCenter);
    place(logo, 468, 337, 62, 23);
    setMinimumSize(dialogUnitsToPixels(0, 0, 546, 374).size());
    temperature_.reserve(kMaxSamples);
    volumeFlow_.reserve(kMaxSamples);
}

void CGrafik::onInitDialog() {
    reloadTexts();
    sampleCount_ = 0;
    markReady();
    updateSummary();
}

void CGrafik::reloadTexts() {
    texts_.loadLabels("Grafik_labels");
    texts_.loadHelp("Grafik_hilfe");
}

// The chart's own texts follow with the chart; nothing to relabel yet.
void CGrafik::UpdateLanguage() {}

void CGrafik::AddSample(const qv::device::MeasurementRecord& r) {
    // The curves hold 2000 points; later samples are counted, not drawn.
    if (sampleCount_ < kMaxSamples) {
        temperature_.push_back(r.temperature);
        volumeFlow_.push_back(r.volumeFlow);
    }
    ++sampleCount_;
    updateSummary();
}

void CGrafik::OnPlotStart() { plotRunning_ = 1; updateSummary(); }
void CGrafik::OnPlotStop() { plotRunning_ = 0; updateSummary(); }

void CGrafik::OnClear() {
    plotRunning_ = 0;
    sampleCount_ = 0;
    temperature_.clear();
    volumeFlow_.clear();
    updateSummary();
}

void CGrafik::updateSummary() {
    if (!summary_) return;
    summary_->setGeometry(summary_->parentWidget()->rect());
    if (temperature_.empty()) {
        summary_->setText(QString());
        return;
    }
    summary_->setText(QStringLiteral("%1 / %2\n%3   %4")
                          .arg(temperature_.size())
                          .arg(sampleCount_)
                          .arg(temperature_.back(), 0, 'f', 2)
                          .arg(volumeFlow_.back(), 0, 'f', 3));
}

}  // namespace qv::pages
