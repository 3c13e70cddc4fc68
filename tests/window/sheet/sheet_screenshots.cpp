// Not a test: starts kt740-sim linked as COM1 in a scratch start-up directory
// with the installed text files, opens the whole sheet, lets it poll, and
// saves every page (and the open port list) as PNG.
//   sheet_screenshots OUTDIR LANGUAGE WIDTHxHEIGHT [SECONDS] [simulator options...]
// QV_SHOT_INI, when set, is added to the settings file (for instance a
// [PORTS] entry naming a network serial server, and COMPORT choosing it).
// Files: OUTDIR/<page>-<de|en|fr>-<W>x<H>.png and ports-<lang>.png.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <cstdio>
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
#include "core/link/serial_link.h"
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

int main(int argc, char** argv) {
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
