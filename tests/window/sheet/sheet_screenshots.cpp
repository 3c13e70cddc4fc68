// Not a test: starts kt740-sim linked as COM1 in a scratch start-up directory
// with the installed text files, opens the whole sheet, lets it poll, and
// saves every page (and the open port list) as PNG.
//   sheet_screenshots OUTDIR LANGUAGE WIDTHxHEIGHT [SECONDS] [simulator options...]
//   sheet_screenshots --readme DOCSDIR
// QV_SHOT_INI, when set, is added to the settings file (for instance a
// [PORTS] entry naming a network serial server, and COMPORT choosing it).
// Files: OUTDIR/<page>-<de|en|fr>-<W>x<H>.png and ports-<lang>.png; with
// --readme the README's pictures under their names in DOCSDIR (the report as
// report-de.pdf, which tools/readme-pictures.sh turns into its picture).
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <QLineEdit>
#include <QPushButton>

#include "window/services/line_trace_window.h"
#include "window/services/service_report.h"
#include "window/sheet/sheet.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/configuration/konfiguration.h"
#include "platform/dialog/dialog_service.h"
#include "tests/support/fake_dialogs.h"
#include "window/pages/settings/einstellungen.h"
#include "tests/support/sim_process.h"

namespace {
void run(QApplication& app, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        app.processEvents(QEventLoop::AllEvents, 20);
        usleep(10000);
    }
}
}  // namespace

// A scratch start-up directory with the installed texts and a settings file
// in the language, a simulator linked as its COM1, and the whole sheet there.
struct Scene {
    QString dir;
    std::unique_ptr<qv::test::SimProcess> sim;
    std::unique_ptr<qv::window::CAllControlsSheet> sheet;

    Scene(QApplication& app, int language, const std::vector<std::string>& simArgs) {
        char tmpl[] = "/tmp/qvsheetXXXXXX";
        dir = QString::fromLocal8Bit(mkdtemp(tmpl));
        for (const QString& f : QDir(QStringLiteral(QV_RUN_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
            QFile::copy(QStringLiteral(QV_RUN_DIR "/") + f, dir + '/' + f);
        QFile ini(dir + QStringLiteral("/QV-GUI.ini"));
        if (ini.open(QIODevice::WriteOnly)) ini.write(QStringLiteral("[DATEN]\r\nLANGUAGE=%1\r\n").arg(language).toLatin1());
        ini.close();
        sim = std::make_unique<qv::test::SimProcess>((dir + QStringLiteral("/COM1")).toStdString(), simArgs);
        if (chdir(dir.toLocal8Bit().constData()) != 0) std::perror("chdir");
        sheet = std::make_unique<qv::window::CAllControlsSheet>();
        sheet->show();
        sheet->resize(1366, 768);
        run(app, 300);
    }
    ~Scene() {
        sheet.reset();
        sim.reset();
        QDir(dir).removeRecursively();
    }
    // The page shown, and what it shows after ms of polling.
    void show(QApplication& app, int page, int ms) {
        sheet->tabs()->setCurrentIndex(page);
        run(app, ms);
    }
    void save(const QString& path) {
        sheet->grab().save(path);
        std::fprintf(stderr, "%s\n", path.toLocal8Bit().constData());
    }
    // The meter gone, and the window told so (three refresh intervals of asking).
    void outage(QApplication& app) {
        sim->kill();
        run(app, 8000);
    }
};

// The README's pictures: each in its language, at 1366 x 768, the size of a
// technician's laptop screen.
int readme(QApplication& app, const QString& docs) {
    namespace cfg = qv::params;
    using qv::pages::CKonfiguration;
    qv::dialog::setDialogService(&qv::test::fakeDialogs());  // boxes answer themselves
    auto click = [&](Scene& s, int id) {
        s.sheet->configurationPage()->controlAs<QPushButton>(id)->click();
        s.sheet->waitForLine();
        run(app, 300);
    };
    auto type = [&](Scene& s, int id, const QString& text) {
        auto* e = s.sheet->configurationPage()->controlAs<QLineEdit>(id);
        e->setText(text);
        emit e->textEdited(text);
    };
    {
        // German: the Settings page with the meter found, the Configuration
        // page after a read and a check that found two values out of range.
        Scene s(app, 0, {});
        s.show(app, 2, 4000);
        s.show(app, 0, 600);
        s.save(docs + QStringLiteral("/settings.png"));
        s.show(app, 1, 300);
        click(s, cfg::ReadButton);
        run(app, 2500);  // the controls settle
        type(s, cfg::MeasuringTime, QStringLiteral("99"));
        type(s, cfg::Pressure, QStringLiteral("300"));
        click(s, cfg::CheckButton);
        s.save(docs + QStringLiteral("/configuration.png"));
    }
    {
        // English: a compare with one changed value, the line's trace, and
        // the Operation page while the meter is away.
        Scene s(app, 1, {});
        s.show(app, 2, 4000);
        s.show(app, 1, 300);
        click(s, cfg::ReadButton);
        run(app, 2500);
        type(s, cfg::MeasuringTime, QStringLiteral("30"));
        click(s, CKonfiguration::kCompareMeterButton);
        s.save(docs + QStringLiteral("/compare-en.png"));
        s.show(app, 2, 300);
        auto* trace = s.sheet->showLineTrace();
        run(app, 2500);
        trace->grab().save(docs + QStringLiteral("/trace-en.png"));
        trace->hide();
        s.outage(app);
        s.save(docs + QStringLiteral("/outage_operation_en.png"));
    }
    {
        // German: a write the meter stores wrongly, read back; the service
        // report; the Settings page while the meter is away.
        Scene s(app, 0, {"--store-fault", "40"});
        s.show(app, 2, 4000);
        s.show(app, 1, 300);
        click(s, cfg::ReadButton);
        run(app, 2500);
        type(s, cfg::MeasuringTime, QStringLiteral("12"));
        click(s, cfg::WriteButton);
        s.save(docs + QStringLiteral("/readback-de.png"));
        qv::window::writeServiceReport(docs + QStringLiteral("/report-de.pdf"),
                                       s.sheet->serviceReport(QString::fromUtf8("Sensor gereinigt, Nullpunkt gepr\u00fcft.")));
        s.outage(app);
        s.show(app, 0, 600);
        s.save(docs + QStringLiteral("/outage_settings_de.png"));
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--readme") {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const QString docs = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
        QApplication app(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
        return readme(app, docs);
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: sheet_screenshots OUTDIR LANGUAGE WIDTHxHEIGHT [SECONDS] [simulator options]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int language = std::atoi(argv[2]);
    int width = 0, height = 0;
    std::sscanf(argv[3], "%dx%d", &width, &height);
    const int seconds = argc > 4 ? std::atoi(argv[4]) : 6;
    std::vector<std::string> simArgs;
    for (int i = 5; i < argc; ++i) simArgs.emplace_back(argv[i]);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    char tmpl[] = "/tmp/qvsheetXXXXXX";
    const QString dir = QString::fromLocal8Bit(mkdtemp(tmpl));
    for (const QString& f : QDir(QStringLiteral(QV_RUN_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
        QFile::copy(QStringLiteral(QV_RUN_DIR "/") + f, dir + '/' + f);
    QFile ini(dir + QStringLiteral("/QV-GUI.ini"));
    if (ini.open(QIODevice::WriteOnly)) {
        ini.write(QStringLiteral("[DATEN]\r\nLANGUAGE=%1\r\n").arg(language).toLatin1());
        ini.write(qgetenv("QV_SHOT_INI").replace("\n", "\r\n"));
    }
    ini.close();
    qv::test::SimProcess sim((dir + QStringLiteral("/COM1")).toStdString(), simArgs);
    if (chdir(dir.toLocal8Bit().constData()) != 0) return 1;

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // As the program does: the machine's own serial ports fill the other numbers.
    qv::window::CAllControlsSheet sheet(qv::link::systemTickCount, &qv::serial::systemPorts());
    sheet.show();
    if (width > 0 && height > 0) sheet.resize(width, height);
    const char* lang = language == 1 ? "en" : language == 2 ? "fr" : "de";
    const char* names[4] = {"settings", "configuration", "operation", "graph"};
    // The Graph page plots from the start; the Operation page comes first,
    // so the poll runs while the others are shown.
    sheet.tabs()->setCurrentIndex(3);
    sheet.graphPage()->OnPlotStart();
    for (int page : {2, 3, 0, 1}) {
        sheet.tabs()->setCurrentIndex(page);
        // "Messung Start" pressed: the page tells what it knows of the measuring state.
        if (page == 2) sheet.operationPage()->controlAs<QPushButton>(qv::pages::CBetrieb::MeasureStart)->click();
        run(app, page == 2 ? seconds * 1000 : 600);
        const QString file = QStringLiteral("%1/%2-%3-%4x%5.png")
                                 .arg(out, QString::fromLatin1(names[page]), QString::fromLatin1(lang))
                                 .arg(sheet.width())
                                 .arg(sheet.height());
        sheet.grab().save(file);
        std::fprintf(stderr, "%s\n", file.toLocal8Bit().constData());
    }
    // The port list as a technician opens it.
    sheet.tabs()->setCurrentIndex(0);
    auto* ports = sheet.settingsPage()->controlAs<QComboBox>(qv::pages::Einstellungen::PortList);
    ports->showPopup();
    run(app, 300);
    ports->view()->window()->grab().save(QStringLiteral("%1/ports-%2.png").arg(out, QString::fromLatin1(lang)));
    ports->hidePopup();

    // The site tools: a compare with one changed value, a write the meter
    // stores wrongly when started with --store-fault, and the line's trace.
    // Boxes answer themselves, so nothing waits for a click.
    qv::dialog::setDialogService(&qv::test::fakeDialogs());
    namespace cfg = qv::params;
    using qv::pages::CKonfiguration;
    sheet.tabs()->setCurrentIndex(1);
    auto* conf = sheet.configurationPage();
    auto click = [&](int id) {
        conf->controlAs<QPushButton>(id)->click();
        sheet.waitForLine();
        run(app, 300);
    };
    click(cfg::ReadButton);
    run(app, 2500);  // the controls settle
    auto* measuringTime = conf->controlAs<QLineEdit>(cfg::MeasuringTime);
    measuringTime->setText(QStringLiteral("30"));
    emit measuringTime->textEdited(measuringTime->text());
    click(CKonfiguration::kCompareMeterButton);
    sheet.grab().save(QStringLiteral("%1/compare-%2.png").arg(out, QString::fromLatin1(lang)));
    click(cfg::WriteButton);
    click(CKonfiguration::kReadBackButton);
    sheet.grab().save(QStringLiteral("%1/readback-%2.png").arg(out, QString::fromLatin1(lang)));
    sheet.tabs()->setCurrentIndex(2);
    auto* trace = sheet.showLineTrace();
    run(app, 2500);
    trace->grab().save(QStringLiteral("%1/trace-%2.png").arg(out, QString::fromLatin1(lang)));
    // The service report as PDF (pdftoppm makes a picture of it).
    qv::window::writeServiceReport(QStringLiteral("%1/report-%2.pdf").arg(out, QString::fromLatin1(lang)),
                                sheet.serviceReport(QString::fromUtf8("Sensor gereinigt, Nullpunkt gepr\u00fcft.")));
    return 0;
}
