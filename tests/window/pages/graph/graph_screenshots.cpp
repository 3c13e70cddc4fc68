// Not a test: polls kt740-sim for a number of cycles, hands every record to
// a Graph page per language, as the sheet would, and saves the pages as PNG.
//   graph_screenshots CYCLES OUTDIR [RECORDS]
// With RECORDS, the records are kept in that file: an existing file is
// replayed instead of polling again.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "core/text/settings.h"
#include "core/protocol/poll.h"
#include "window/pages/graph/grafik.h"
#include "platform/compbridge/tzscope.h"
#include "tests/support/poll_step.h"
#include "tests/support/sim_process.h"

using namespace qv::link;
using namespace qv::protocol;

namespace {
struct Sink : PollListener {
    std::vector<MeasurementRecord>* out;
    const MeasurementRecord* record;
    void deviceTypeReceived(std::optional<int>) override {}
    void deliver(const MeasurementRecord& r) override { out->push_back(r); }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: graph_screenshots CYCLES OUTDIR\n");
        return 2;
    }
    const int cycles = std::atoi(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    std::vector<MeasurementRecord> records;
    const std::string keep = argc > 3 ? argv[3] : "";
    if (std::ifstream in(keep); !keep.empty() && in) {
        MeasurementRecord r;
        while (in >> r.temperature >> r.volumeFlow >> r.temperatureUnit >> r.volumeFlowUnit) records.push_back(r);
    } else {
        char tmpl[] = "/tmp/qvshotXXXXXX";
        const std::string dir = mkdtemp(tmpl);
        qv::test::SimProcess sim(dir + "/COM1", {"--model", "1", "--seed", "7"});
        LinkSlot slot = std::make_unique<SerialLink>();
        if (!sim.linked() || slot->openPath(dir + "/COM1", 1) != 0) {
            std::fprintf(stderr, "simulator not reachable\n");
            return 1;
        }
        int family = -1;
        MeasurementRecord record;
        Sink sink;
        sink.out = &records;
        PollMachine poll(family, record, sink);
        for (int i = 0; i < cycles; ++i) {
            poll.start();
            while (!poll.idle()) qv::test::runPollStep(poll, slot);
            if (i % 25 == 0) std::fprintf(stderr, "%d records\n", static_cast<int>(records.size()));
        }
        if (!keep.empty()) {
            std::ofstream out(keep);
            for (const auto& r : records)
                out << r.temperature << ' ' << r.volumeFlow << ' ' << r.temperatureUnit << ' ' << r.volumeFlowUnit << '\n';
        }
    }

    if (!records.empty())
        std::fprintf(stderr, "first: %.3f %s, %.3f %s\n", records[0].temperature, records[0].temperatureUnit.c_str(),
                     records[0].volumeFlow, records[0].volumeFlowUnit.c_str());
    const char* names[3] = {"graph-de.png", "graph-en.png", "graph-fr.png"};
    for (int lang = 0; lang < 3; ++lang) {
        qv::text::AppSettings settings;
        qv::text::setProgramDir(settings, QDir::currentPath().toStdString() + "/");
        settings.language = lang;
        qv::pages::CGrafik page(&settings);
        page.resize(page.minimumSize());
        page.show();
        page.OnPlotStart();
        for (const auto& r : records) page.AddSample(r);
        if (auto* v = page.chartFrame()->findChild<compbridge::host::TZScopeView*>()) v->refresh();
        app.processEvents();
        page.grab().save(outDir + "/" + names[lang]);
        std::fprintf(stderr, "%s: %d samples%s\n", names[lang], page.sampleCount(),
                     page.chartFault().isEmpty() ? "" : " (chart fault)");
    }
    return 0;
}
