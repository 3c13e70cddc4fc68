#include "window/pages/graph/grafik.h"

#include <algorithm>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <climits>
#include <exception>
#include <utility>

#include "bridge/imports.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_service.h"
#include "platform/dialog/pictures.h"
#include "window/services/file_places.h"

namespace qv::pages {
namespace {
const char* const kTabTitles[3] = {"Visualisierung", "Visualization", "Affichage graphique"};
const char* const kTemperature[3] = {"Temperatur", "Temperature", "Température"};
const char* const kVolumeFlow[3] = {"Volumenstrom", "Volume Flow", "Débit Volumétrique"};
const char* const kChartTitle[3] = {"Temperatur/Volumenstrom", "Temperature/Volume Flow",
                                    "Température/Débit Volumétrique"};
const char* const kXAxis[3] = {"Messwert", "Measured Value", "Valeur Mesurée"};

std::string cp1252(const char* utf8) { return qv::dialog::toCp1252(QString::fromUtf8(utf8)); }

// "%s [%s]"; a language without texts shows the unit alone.
std::string withUnit(const std::string& text, const std::string& unit) {
    return text.empty() ? "[" + unit + "]" : text + " [" + unit + "]";
}

constexpr unsigned int kWhite = 0x00FFFFFF;
constexpr unsigned int kYellow = 0x0000FFFF;
}  // namespace

CGrafik::CGrafik(qv::text::AppSettings* settings) : settings_(settings), texts_(*this, *settings) {
    const int lang = qv::text::languageForTabTitle();
    setTabTitle(lang >= 0 && lang <= 2 ? QString::fromUtf8(kTabTitles[lang]) : QString());
    chartFrame_ = addControl(ChartFrame, new QFrame(this));
    chartFrame_->setFrameShape(QFrame::StyledPanel);
    auto button = [this](int id, const char* text) {
        return addControl(id, new QPushButton(QString::fromUtf8(text), this));
    };
    connect(button(PlotStart, "Plot Start"), &QPushButton::clicked, this, [this] { OnPlotStart(); });
    connect(button(PlotStop, "Plot Stop"), &QPushButton::clicked, this, [this] { OnPlotStop(); });
    connect(button(Clear, "Clear"), &QPushButton::clicked, this, [this] { OnClear(); });
    connect(button(Export, "Export..."), &QPushButton::clicked, this, [this] { OnExport(); });
    faultLabel_ = new QLabel(chartFrame_);
    faultLabel_->setAlignment(Qt::AlignCenter);
    faultLabel_->setWordWrap(true);
    faultLabel_->setAutoFillBackground(true);
    faultLabel_->hide();
    auto* frameLayout = new QVBoxLayout(chartFrame_);
    frameLayout->setContentsMargins(0, 0, 0, 0);  // the text covers the whole frame
    frameLayout->addWidget(faultLabel_);
    logo_ = new QLabel(this);
    logo_->setPixmap(qv::dialog::logoPixmap());
    logo_->setAlignment(Qt::AlignCenter);
    setMinimumSize(dialogUnitsToPixels(0, 0, 240, 150).size());
    layOut();
}

void CGrafik::layOut() {
    if (!chartFrame_) return;  // being destroyed
    // The template's places up to the size the page has in a sheet of its
    // natural size (baseSize, when the sheet gives one); room beyond it goes
    // to the chart, the buttons stay centred below it and the logo in the corner.
    const QSize natural = dialogUnitsToPixels(0, 0, 546, 374).size().expandedTo(baseSize());
    if (width() < natural.width() || height() < natural.height()) {
        layOutSmall();
        return;
    }
    logo_->show();
    const QSize extra = size() - natural;
    const int dx = extra.width(), dy = extra.height();
    chartFrame_->setGeometry(dialogUnitsToPixels(7, 8, 521, 286).adjusted(0, 0, dx, dy));
    const std::pair<int, int> buttons[] = {{PlotStart, 308}, {PlotStop, 327}, {Clear, 346}};
    for (auto [id, y] : buttons) control(id)->setGeometry(dialogUnitsToPixels(197, y, 150, 14).translated(dx / 2, dy));
    // Beside the three of the template, between them and the logo.
    control(Export)->setGeometry(dialogUnitsToPixels(355, 346, 100, 14).translated(dx / 2, dy));
    logo_->setGeometry(dialogUnitsToPixels(468, 337, 62, 23).translated(dx, dy));
}

void CGrafik::layOutSmall() {
    // Less room than the template: the chart shrinks, the buttons go side by
    // side below it, the logo stays only where it does not crowd them.
    constexpr int kMargin = 8, kGap = 6;
    const QSize button = dialogUnitsToPixels(0, 0, 150, 14).size();
    const QSize logo = logo_->sizeHint();
    const int bw = std::min(button.width(), (width() - 2 * kMargin - 3 * kGap) / 4);
    const int rowW = 4 * bw + 3 * kGap;
    const int rowX = std::max(kMargin, (width() - rowW) / 2);
    const bool logoFits = width() - kMargin - logo.width() > rowX + rowW + kGap;
    const int band = logoFits ? std::max(button.height(), logo.height()) : button.height();
    const int bandY = height() - kMargin - band;
    chartFrame_->setGeometry(kMargin, kMargin, width() - 2 * kMargin, std::max(bandY - kGap - kMargin, 0));
    int x = rowX;
    for (int id : {PlotStart, PlotStop, Clear, Export}) {
        control(id)->setGeometry(x, bandY + (band - button.height()) / 2, bw, button.height());
        x += bw + kGap;
    }
    logo_->setGeometry(width() - kMargin - logo.width(), bandY + (band - logo.height()) / 2, logo.width(), logo.height());
    logo_->setVisible(logoFits);
}

void CGrafik::resizeEvent(QResizeEvent* event) {
    DialogPage::resizeEvent(event);
    layOut();
}

// The chart frame (and the chart window in it) goes first, then the scope
// proxy frees the component through the bridge.
CGrafik::~CGrafik() {
    delete chartFrame_;
    chartFrame_ = nullptr;
    faultLabel_ = nullptr;
}

void CGrafik::onInitDialog() {
    reloadTexts();
    guarded([this] { setUpChart(); });
    sampleCount_ = 0;
    showPlotState();
    markReady();
}

void CGrafik::reloadTexts() {
    texts_.loadLabels("Grafik_labels");
    texts_.loadHelp("Grafik_hilfe");
    if (faulted_) renderFault();  // in the new language
}

CGrafik::ChartTexts CGrafik::chartTexts() const {
    const int lang = settings_->language;
    if (lang < 0 || lang > 2) return {};
    return {cp1252(kTemperature[lang]), cp1252(kVolumeFlow[lang]), cp1252(kChartTitle[lang]), cp1252(kXAxis[lang]), true};
}

void CGrafik::setUpChart() {
    const ChartTexts t = chartTexts();
    compbridge::imports().attachWindow(static_cast<compbridge::Window>(static_cast<QWidget*>(this)));
    scope_.CreateInWindow(static_cast<compbridge::Window>(static_cast<QWidget*>(chartFrame_)));
    if (!scope_.hasComponent()) throw std::runtime_error(std::string("Unable to create component : ") +
                                                         qv::bridge::tz::CTTZScope::kClassName);
    scope_.Channels->Add();  // the new scope has one channel: now two
    temperatureChannel_.emplace(scope_.Channels->Item(0));
    flowChannel_.emplace(scope_.Channels->Item(1));
    if (t.defined) {
        temperatureChannel_->Name.Set(t.temperature);
        flowChannel_->Name.Set(t.volumeFlow);
        scope_.Title.Text.Set(t.title);
    }
    scope_.RefreshInterval.Set(100);
    scope_.Legend.Visible.Set(true);
    scope_.Legend.MarkerGroups.Visible.Set(false);
    scope_.DataView.Background.Color.Set(kWhite);
    scope_.YAxis.AutoScaling.Enabled.Set(true);
    scope_.YAxis.Max.Value.Set(100.0);
    scope_.YAxis.Min.Value.Set(-40.0);
    scope_.YAxis.Format.Precision.Set(1);
    scope_.YAxis.AdditionalAxes.Add();
    flowAxis_.emplace(scope_.YAxis.AdditionalAxes.Item(0));
    flowAxis_->Axis.Max.Value.Set(10.0);
    flowAxis_->Axis.Min.Value.Set(0.0);
    flowAxis_->Axis.Format.FixedPrecision.Set(true);
    flowAxis_->Axis.Format.Precision.Set(2);
    temperatureChannel_->YAxisIndex.Set(0);
    flowChannel_->YAxisIndex.Set(1);
    scope_.YAxis.AxisLabel.Text.Set(t.temperature);
    flowAxis_->Axis.AxisLabel.Text.Set(t.volumeFlow);
    scope_.XAxis.AxisLabel.Text.Set(t.xAxis);
    flowChannel_->Color.Set(kYellow);
    scope_.Index.Set(1);
    compbridge::imports().configured();
    chartReady_ = true;
}

void CGrafik::AddSample(const qv::protocol::MeasurementRecord& r) {
    // The curves hold 2000 points; later samples are counted, not drawn.
    if (sampleCount_ < kMaxSamples) {
        flowSamples_[sampleCount_] = r.volumeFlow;
        temperatureSamples_[sampleCount_] = r.temperature;
        sampleTimes_[sampleCount_] = QDateTime::currentMSecsSinceEpoch();
        temperatureUnit_ = r.temperatureUnit;
        flowUnit_ = r.volumeFlowUnit;
        const int count = sampleCount_ + 1;
        if (chartReady_) guarded([&] { plotSamples(r, count); });
    }
    if (sampleCount_ < INT_MAX) ++sampleCount_;
}

void CGrafik::plotSamples(const qv::protocol::MeasurementRecord& r, int count) {
    const ChartTexts t = chartTexts();
    scope_.YAxis.AxisLabel.Text.Set(withUnit(t.temperature, r.temperatureUnit));
    flowAxis_->Axis.AxisLabel.Text.Set(withUnit(t.volumeFlow, r.volumeFlowUnit));
    scope_.XAxis.Format.FixedPrecision.Set(false);
    scope_.XAxis.Format.Precision.Set(0);
    flowAxis_->Axis.Min.Value.Set(0.0);
    // The whole curve each time, as Y values only.
    temperatureChannel_->Data->SetYData(temperatureSamples_, static_cast<unsigned int>(count));
    flowChannel_->Data->SetYData(flowSamples_, static_cast<unsigned int>(count));
}

void CGrafik::OnPlotStart() {
    plotRunning_ = 1;
    showPlotState();
}

void CGrafik::OnPlotStop() {
    plotRunning_ = 0;
    showPlotState();
}

void CGrafik::showPlotState() {
    // The button that would change nothing is off, so either tells whether
    // plotting runs; the other is enabled first and takes the focus.
    enableControl(plotRunning_ ? PlotStop : PlotStart, true);
    enableControl(plotRunning_ ? PlotStart : PlotStop, false);
}

void CGrafik::OnClear() {
    if (chartReady_) {
        guarded([this] {
            temperatureChannel_->Data->Clear();
            flowChannel_->Data->Clear();
            scope_.Hold.Set(false);
        });
    }
    plotRunning_ = 0;
    sampleCount_ = 0;
    showPlotState();
}

void CGrafik::UpdateLanguage() {
    if (!pageReady()) return;
    if (faulted_) {
        renderFault();
        return;
    }
    if (!chartReady_) return;
    guarded([this] {
        const ChartTexts t = chartTexts();
        scope_.YAxis.AxisLabel.Text.Set(t.temperature);
        flowAxis_->Axis.AxisLabel.Text.Set(t.volumeFlow);
        scope_.XAxis.AxisLabel.Text.Set(t.xAxis);
        if (t.defined) {
            scope_.Title.Text.Set(t.title);
            temperatureChannel_->Name.Set(t.temperature);
            flowChannel_->Name.Set(t.volumeFlow);
        }
    });
}

template <class F>
void CGrafik::guarded(F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        showFault(e.what());
    } catch (...) {
        showFault("");
    }
}

void CGrafik::showFault(const std::string& detail) {
    // The first fault stays: later ones follow from it.
    chartReady_ = false;
    if (faulted_) return;
    faulted_ = true;
    faultDetail_ = detail;
    renderFault();
}

void CGrafik::renderFault() {
    if (!faultLabel_) return;
    QString text = pageText(qv::text::label::ChartFault);
    if (!faultDetail_.empty()) text += QLatin1Char('\n') + qv::dialog::fromCp1252(faultDetail_);
    faultLabel_->setText(text);
    faultLabel_->setAccessibleName(text);
    faultLabel_->show();
    faultLabel_->raise();
}

void CGrafik::OnExport() {
    const QString title = texts_.text(qv::text::msg::ViewerExport).remove(QLatin1Char('&'));
    const QString chosen = qv::dialog::dialogs().saveFileName(
        this, title, QDir::home().filePath(QStringLiteral("QV-Gui_%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HHmmss")))),
        texts_.text(qv::text::msg::ViewerExportFilter));
    if (!chosen.isEmpty()) exportCurves(chosen);
}

bool CGrafik::exportCurves(const QString& path) {
    const int count = std::min(sampleCount_, kMaxSamples);
    const qv::window::ExportTarget target = qv::window::exportTarget(path);
    std::string bytes;
    if (target.picture) {
        bytes = qv::window::pngOf(chartFrame_);
    } else {
        // As a recording's export: UTF-8, ISO 8601 local time, decimal point, units in the header.
        bytes = "sample,time,temperature [" + qv::dialog::fromCp1252(temperatureUnit_).toStdString() + "],volume flow [" +
                qv::dialog::fromCp1252(flowUnit_).toStdString() + "]\n";
        for (int i = 0; i < count; ++i) {
            char t[32], f[32];
            const auto te = std::to_chars(t, t + sizeof t, temperatureSamples_[i]).ptr;
            const auto fe = std::to_chars(f, f + sizeof f, flowSamples_[i]).ptr;
            bytes += std::to_string(i) + ',' +
                     QDateTime::fromMSecsSinceEpoch(sampleTimes_[i]).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() +
                     ',' + std::string(t, te) + ',' + std::string(f, fe) + '\n';
        }
    }
    if (!qv::window::writeChosen(this, target.path, bytes, [this](int n) { return texts_.text(n); })) return false;
    if (statusNote_) {
        if (target.picture) statusNote_(qv::text::msg::ViewerPictureSaved, {target.path});
        else statusNote_(qv::text::counted(count, settings_->language, qv::text::msg::GraphExported, qv::text::msg::GraphExportedOne),
                         {QString::number(count), target.path});
    }
    return true;
}

QString CGrafik::chartFault() const { return faulted_ && faultLabel_ ? faultLabel_->text() : QString(); }

QImage CGrafik::reportCurves() const { return sampleCount_ > 0 ? chartFrame_->grab().toImage() : QImage(); }

}  // namespace qv::pages
