// How long the window thread is kept from its events while a meter is polled:
// the lateness of a 10 ms timer on the window thread, over at least two poll
// cycles against kt740-sim on a pseudo terminal, beside the same figure with
// the sheet idle (no poll). Figures, not a verdict: the goal is printed beside them.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "window/sheet/sheet.h"
#include "platform/dialog/dialog_service.h"
#include "tests/support/sim_process.h"

namespace {

struct Quiet : qv::dialog::DialogService {
    void message(QWidget*, const QString&, const QString&) override {}
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

struct Figures {
    double max = 0, p99 = 0;
    std::size_t samples = 0;
};

// Runs the event loop for ms, with a 10 ms timer whose every lateness is kept.
Figures lateness(int ms) {
    std::vector<double> late;
    QElapsedTimer clock;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    qint64 last = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, (now - last) / 1e6 - 10.0));
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    clock.start();
    timer.start();
    loop.exec();
    Figures f;
    f.samples = late.size();
    if (late.empty()) return f;
    std::sort(late.begin(), late.end());
    f.max = late.back();
    f.p99 = late[std::min(late.size() - 1, static_cast<std::size_t>(late.size() * 0.99))];
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Quiet quiet;
    qv::dialog::setDialogService(&quiet);
    char tmpl[] = "/tmp/qvstallXXXXXX";
    const std::filesystem::path dir = mkdtemp(tmpl);
    std::filesystem::current_path(dir);
    constexpr int kWindowMs = 5000;  // two cycles at the smallest refresh rate, and some
    {
        qv::test::SimProcess sim((dir / "COM1").string(), {"--model", "20"});
        if (!sim.linked()) {
            std::fprintf(stderr, "simulator not reachable\n");
            return 1;
        }
        qv::window::CAllControlsSheet sheet;
        sheet.show();
        sheet.waitForLine();
        const Figures idle = lateness(kWindowMs);
        sheet.tabs()->setCurrentIndex(2);  // the Operation page: the poll runs from now on
        const int before = sheet.session().pollCounters().exchanges;
        const Figures polling = lateness(kWindowMs);
        const int exchanges = sheet.session().pollCounters().exchanges - before;
        std::printf("window thread stall, lateness of a 10 ms timer over %d ms (family 1 meter, refresh 2 s)\n",
                    kWindowMs);
        std::printf("  idle:    max %7.2f ms   p99 %7.2f ms   (%zu ticks)\n", idle.max, idle.p99, idle.samples);
        std::printf("  polling: max %7.2f ms   p99 %7.2f ms   (%zu ticks, %d poll exchanges, %.1f cycles)\n",
                    polling.max, polling.p99, polling.samples, exchanges, exchanges / 11.0);
        std::printf("  polling / idle: max %.2f, p99 %.2f\n", idle.max > 0 ? polling.max / idle.max : 0.0,
                    idle.p99 > 0 ? polling.p99 / idle.p99 : 0.0);
        std::printf("  goal: longest stall while polling <= 50 ms (an exchange on the window thread took ~200 ms)\n");
    }
    std::error_code ec;
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir, ec);
    return 0;
}
