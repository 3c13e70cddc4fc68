// AddSample with 2000 samples plotted (the whole curve handed over, then
// drawn into the chart's series), against a bare Qt Charts replace of the
// same points in two series, measured in the same loop; reported as a ratio.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLineSeries>
#include <QValueAxis>
#include <chrono>
#include <cmath>

#include "core/text/settings.h"
#include "window/pages/graph/grafik.h"
#include "platform/compbridge/tzscope.h"

namespace qv::pages {
struct GrafikProbe {
    static void setSampleCount(CGrafik& page, int n) { page.sampleCount_ = n; }
};
}  // namespace qv::pages

namespace {

using Clock = std::chrono::steady_clock;

QApplication& app() {
    static int argc = 1;
    static char name[] = "graph-bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

qv::protocol::MeasurementRecord record(int i) {
    qv::protocol::MeasurementRecord r;
    r.temperature = 20.0f + std::sin(i * 0.01f);
    r.volumeFlow = 5.0f + std::cos(i * 0.02f);
    r.temperatureUnit = "\xB0" "C";
    r.volumeFlowUnit = "m3/h";
    return r;
}

void addSampleAt2000(benchmark::State& state) {
    app();
    qv::text::AppSettings settings;
    qv::text::setProgramDir(settings, QDir::currentPath().toStdString() + "/");
    qv::pages::CGrafik page(&settings);
    page.resize(page.minimumSize());
    page.show();
    page.OnPlotStart();
    for (int i = 0; i < qv::pages::CGrafik::kMaxSamples - 1; ++i) page.AddSample(record(i));
    auto* view = page.chartFrame()->findChild<compbridge::host::TZScopeView*>();
    if (!view || !page.chartFault().isEmpty()) {
        state.SkipWithError("chart not available");
        return;
    }
    view->refresh();

    // The baseline: a chart of the same size, shown, with two series on two
    // axes, given the same points.
    QChartView bareView;
    QChart& bareChart = *bareView.chart();
    bareView.resize(view->size());
    bareView.show();
    QLineSeries bare[2];
    QValueAxis x, y0, y1;
    x.setRange(0, 1999);
    y0.setRange(-40, 100);
    y1.setRange(0, 10);
    bareChart.addAxis(&x, Qt::AlignBottom);
    bareChart.addAxis(&y0, Qt::AlignLeft);
    bareChart.addAxis(&y1, Qt::AlignRight);
    for (auto* s : {&bare[0], &bare[1]}) {
        bareChart.addSeries(s);
        s->attachAxis(&x);
    }
    bare[0].attachAxis(&y0);
    bare[1].attachAxis(&y1);
    std::vector<float> t(2000), q(2000);
    for (int i = 0; i < 2000; ++i) {
        t[static_cast<std::size_t>(i)] = record(i).temperature;
        q[static_cast<std::size_t>(i)] = record(i).volumeFlow;
    }

    double pageNs = 0, bareNs = 0, handOverNs = 0;
    long n = 0;
    const auto r = record(1999);
    for (auto _ : state) {
        qv::pages::GrafikProbe::setSampleCount(page, qv::pages::CGrafik::kMaxSamples - 1);
        const auto a = Clock::now();
        page.AddSample(r);
        const auto b = Clock::now();
        view->refresh();
        const auto c = Clock::now();
        for (int k = 0; k < 2; ++k) {
            const std::vector<float>& src = k ? q : t;
            QList<QPointF> points;
            points.reserve(2000);
            for (std::size_t i = 0; i < src.size(); ++i) points.append(QPointF(static_cast<double>(i), src[i]));
            bare[k].replace(points);
        }
        const auto d = Clock::now();
        handOverNs += std::chrono::duration<double, std::nano>(b - a).count();
        pageNs += std::chrono::duration<double, std::nano>(c - a).count();
        bareNs += std::chrono::duration<double, std::nano>(d - c).count();
        ++n;
        state.SetIterationTime(std::chrono::duration<double>(c - a).count());
    }
    for (auto* s : {&bare[0], &bare[1]}) bareChart.removeSeries(s);
    for (auto* a : {&x, &y0, &y1}) bareChart.removeAxis(a);
    if (page.sampleCount() != qv::pages::CGrafik::kMaxSamples || view->series(0)->count() != 2000)
        state.SkipWithError("the curve was not plotted");
    state.counters["addsample_us"] = pageNs / n / 1000;
    state.counters["handover_us"] = handOverNs / n / 1000;
    state.counters["bare_replace_us"] = bareNs / n / 1000;
    state.counters["ratio_to_bare"] = bareNs > 0 ? pageNs / bareNs : 0;
}

}  // namespace

BENCHMARK(addSampleAt2000)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
