#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabBar>
#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <chrono>
#include <thread>

#include "core/journal/journal.h"
#include "window/services/file_places.h"
#include "window/services/line_trace_window.h"
#include "window/services/recording_plot.h"
#include "window/services/recording_viewer.h"
#include "core/recording/reading.h"
#include "core/recording/recording.h"
#include <QCheckBox>
#include <QListWidget>
#include <QTableWidget>
#include "window/services/page_keys.h"
#include "window/services/page_scroll.h"
#include "window/sheet/sheet.h"
#include "window/services/status_line.h"
#include "tests/support/temp_dir.h"
#include <QStandardPaths>
#include <filesystem>
#include "window/pages/configuration/konfiguration.h"
#include "core/params/parameters.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include <fstream>
#include <sys/stat.h>

#include "tests/support/qt_app.h"
#include "tests/support/scripted_link.h"
#include "tests/support/temp_dir.h"

using namespace qv::window;
using namespace qv::text;
using qv::pages::CKonfiguration;
using qv::pages::Einstellungen;

namespace {
struct Sheet : ::testing::Test {
    qv::test::TempCwd dir;
    std::uint32_t now = 1'000'000;
    void SetUp() override {
        qv::test::qtApp();
        // A plain file named like the port: opening it fails, no real UART is touched.
        dir.write("COM1", "not a terminal");
    }
    std::unique_ptr<CAllControlsSheet> make() {
        auto s = std::make_unique<CAllControlsSheet>([this] { return now; });
        s->show();
        s->waitForLine();  // the identification
        return s;
    }
};
}  // namespace

TEST_F(Sheet, CaptionTabsAndFirstStartFile) {
    auto sheet = make();
    EXPECT_EQ(sheet->windowTitle(), QString::fromUtf8("Quorvia \u2013 KT740 GUI"));
    QStringList titles;
    for (int i = 0; i < sheet->tabs()->count(); ++i) titles << sheet->tabs()->tabText(i);
    EXPECT_EQ(titles, (QStringList{"Einstellungen", "Konfiguration", "Betrieb", "Visualisierung"}));
    EXPECT_EQ(sheet->tabs()->currentIndex(), 0);
    // The first page constructor already created the file with the defaults.
    const std::string ini = dir.read("QV-GUI.ini");
    for (const char* line : {"COMPORT=1\r\n", "LANGUAGE=0\r\n", "AUSGRAUEN=0\r\n", "WORKINGDIR=\r\n", "REFRESHRATE=2\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    EXPECT_EQ(sheet->settings().deviceCode, 0);  // the Settings page ran its initialisation
    EXPECT_FALSE(sheet->session().linked());             // the port did not open
    auto* menu = sheet->windowMenuBar()->actions().at(0)->menu();
    QStringList items;
    for (auto* a : menu->actions())
        if (!a->isSeparator()) items << a->text();
    // No messages file here: the entries name the texts that are missing.
    EXPECT_TRUE(items.contains("#106"));
    EXPECT_TRUE(items.contains("#107"));
}

TEST_F(Sheet, TabTitlesFollowTheStartLanguageOnly) {
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=2\r\n");
    auto sheet = make();
    EXPECT_EQ(sheet->tabs()->tabText(0), QString::fromUtf8("Param\u00e8tres"));
    EXPECT_EQ(sheet->tabs()->tabText(1), "Configuration");
    EXPECT_EQ(sheet->tabs()->tabText(2), QString::fromUtf8("Op\u00e9ration"));
    EXPECT_EQ(sheet->tabs()->tabText(3), "Affichage graphique");
    sheet->settingsPage()->onLanguageChanged(1);
    EXPECT_EQ(sheet->tabs()->tabText(0), QString::fromUtf8("Param\u00e8tres"));
    EXPECT_EQ(sheet->settings().language, 1);
}

TEST_F(Sheet, LanguageOutsideTheListsGivesEmptyTitlesAndNoSelection) {
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=5\r\n[COM]\r\nCOMPORT=0\r\n");
    auto sheet = make();
    EXPECT_EQ(sheet->tabs()->tabText(0), "");
    auto* page = sheet->settingsPage();
    EXPECT_EQ(page->controlAs<QComboBox>(Einstellungen::LanguageList)->currentIndex(), -1);
    EXPECT_EQ(page->controlAs<QComboBox>(Einstellungen::PortList)->currentIndex(), -1);
    EXPECT_TRUE(page->isControlVisible(Einstellungen::RedLamp));
    EXPECT_FALSE(page->isControlVisible(Einstellungen::GreenLamp));
    EXPECT_EQ(page->controlText(Einstellungen::Hardware), "------");
}

TEST_F(Sheet, NoPollUntilOperationOrGraphPageShown) {
    auto sheet = make();
    // A meter that answers nothing: every tick of a started cycle asks again,
    // so the commands sent show whether the poll runs.
    auto* link = qv::test::attachScriptedLink(sheet->session(), [&] { sheet->waitForLine(); });
    for (int i = 0; i < 30; ++i, now += 100) sheet->tick();
    EXPECT_TRUE(link->commandsSent().empty());
    sheet->tabs()->setCurrentIndex(2);
    EXPECT_EQ(sheet->operationPage()->pageReady(), 1);
    sheet->tick();
    EXPECT_EQ(link->commandsSent(), std::vector<std::uint8_t>{0x50});
    // Another page in front: the poll goes on.
    sheet->tabs()->setCurrentIndex(0);
    for (int i = 0; i < 3; ++i, now += 100) sheet->tick();
    EXPECT_EQ(link->commandsSent(), std::vector<std::uint8_t>(4, 0x50));
}

TEST_F(Sheet, RefreshRateValidatedOnEveryKeystroke) {
    auto sheet = make();
    auto* page = sheet->settingsPage();
    auto* edit = page->controlAs<QLineEdit>(Einstellungen::RefreshRate);
    EXPECT_EQ(edit->text(), "2");
    edit->clear();
    EXPECT_TRUE(page->isControlVisible(Einstellungen::RefreshMarker));
    edit->setText("1");
    EXPECT_TRUE(page->isControlVisible(Einstellungen::RefreshMarker));
    EXPECT_EQ(sheet->settings().refreshRate, 2);
    edit->setText("10");
    EXPECT_FALSE(page->isControlVisible(Einstellungen::RefreshMarker));
    EXPECT_EQ(sheet->settings().refreshRate, 10);
    EXPECT_NE(dir.read("QV-GUI.ini").find("REFRESHRATE=10\r\n"), std::string::npos);
    for (auto [text, ok] : {std::pair{"9999", true}, {"10000", false}, {"2", true}, {"1", false}, {"0002", true}}) {
        edit->setText(text);
        EXPECT_EQ(page->isControlVisible(Einstellungen::RefreshMarker), !ok) << text;
    }
    EXPECT_EQ(sheet->settings().refreshRate, 2);
}

TEST_F(Sheet, EscapeDoesNotCloseAndClosingWritesTheFile) {
    auto sheet = make();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(sheet.get(), &esc);
    EXPECT_TRUE(sheet->isVisible());
    dir.write("QV-GUI.ini", "");  // nothing changed, and still the file is written on closing
    sheet.reset();
    EXPECT_NE(dir.read("QV-GUI.ini").find("REFRESHRATE=2\r\n"), std::string::npos);

    // Closed while a command is on the line: its outcome is not known, and said so.
    dir.copyTexts(QV_RUN_DIR);
    sheet = make();
    sheet->session().command(qv::protocol::OperatingCommand::ResetMinima, [](int) {});
    testing::internal::CaptureStderr();
    sheet.reset();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unbekannt"), std::string::npos);

    sheet = make();
    sheet->settings().comPort = 7;  // a port change reaches the file only at the next write
    EXPECT_EQ(dir.read("QV-GUI.ini").find("COMPORT=7"), std::string::npos);
    sheet.reset();
    EXPECT_NE(dir.read("QV-GUI.ini").find("COMPORT=7\r\n"), std::string::npos);
}

TEST_F(Sheet, FitsTheScreenScrollsOnlyWhenSmallAndGrowsTheChart) {
    auto sheet = make();
    const QRect free = sheet->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(sheet->frameGeometry())) << sheet->width() << "x" << sheet->height();
    auto resize = [&](QSize size) {
        sheet->resize(size);
        QApplication::processEvents();
    };
    auto area = [&](int tab) {
        sheet->tabs()->setCurrentIndex(tab);
        QApplication::processEvents();
        return qobject_cast<QScrollArea*>(sheet->tabs()->currentWidget());
    };
    resize(sheet->sizeHint());
    QScrollArea* configuration = area(1);
    ASSERT_TRUE(configuration);
    EXPECT_FALSE(configuration->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(configuration->verticalScrollBar()->isVisible());

    // Every push button of every page in view without scrolling at the
    // common small sizes, those among the values too, and no page scrolls
    // sideways. The first size for a screen with a window manager's frame:
    // at 1366 x 768 and larger no page scrolls at all, values included.
    const QSize frame(8, 30);
    const struct {
        QSize size;
        bool firstSize;
    } sizes[] = {{{800, 600}, false}, {{1024, 600}, false}, {{1366, 768}, true}, {{1920, 1080}, true}};
    for (const auto& [screen, firstSize] : sizes) {
        const QSize size = firstSize ? sheet->unscrolledSize(screen - frame).boundedTo(screen - frame) : screen;
        resize(size);
        for (int tab = 0; tab < sheet->tabs()->count(); ++tab) {
            QScrollArea* page = area(tab);
            const QString where = QStringLiteral("%1x%2 page %3").arg(screen.width()).arg(screen.height()).arg(tab);
            EXPECT_FALSE(page->horizontalScrollBar()->isVisible()) << where.toStdString();
            EXPECT_FALSE(page->verticalScrollBar()->isVisible()) << where.toStdString();
            for (QScrollArea* inner : page->widget()->findChildren<QScrollArea*>())
                if (firstSize) {
                    EXPECT_FALSE(inner->verticalScrollBar()->isVisible()) << where.toStdString();
                }
            for (QPushButton* b : page->widget()->findChildren<QPushButton*>()) {
                if (!b->isVisible()) continue;
                EXPECT_EQ(b->visibleRegion().boundingRect().size(), b->size())
                    << where.toStdString() << " " << b->text().toStdString();
            }
        }
    }
    // A note, however long, neither adds a row nor takes one away: the
    // pages above keep their height and their buttons their places.
    resize({800, 600});
    auto* status = sheet->statusLine();
    const int statusHeight = status->height(), tabsHeight = sheet->tabs()->height();
    for (const QString& path : {QStringLiteral("a.kt740"), QString(400, QLatin1Char('x')), QString()}) {
        if (path.isEmpty()) status->withdraw(StatusLine::Saved);
        else status->note(StatusLine::Saved, {path});
        QApplication::processEvents();
        EXPECT_EQ(status->height(), statusHeight) << path.size();
        EXPECT_EQ(sheet->tabs()->height(), tabsHeight) << path.size();
    }
    // A value reached by Tab scrolls into view.
    area(1);
    auto* field = sheet->configurationPage()->control(qv::params::PulseFrequency);
    // Whole and unclipped: inside the values' own scrolled view too.
    auto inView = [&] { return field->visibleRegion().boundingRect().size() == field->size(); };
    EXPECT_FALSE(inView());
    sheet->activateWindow();
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(inView());

    QScrollArea* graph = area(3);
    resize(sheet->sizeHint());
    const QSize chart = sheet->graphPage()->chartFrame()->size();
    resize(sheet->sizeHint() + QSize(300, 200));
    EXPECT_FALSE(graph->verticalScrollBar()->isVisible());
    EXPECT_EQ(sheet->graphPage()->chartFrame()->size(), chart + QSize(300, 200));
}

TEST_F(Sheet, CtrlTabAndCtrlPageKeysTurnPagesFromADropDownList) {
    auto sheet = make();
    // Modal, as the program runs it.
    sheet->hide();
    sheet->setWindowModality(Qt::ApplicationModal);
    sheet->show();
    sheet->activateWindow();
    QApplication::setActiveWindow(sheet.get());
    auto* languages = sheet->settingsPage()->controlAs<QComboBox>(Einstellungen::LanguageList);
    languages->setFocus();
    // To whatever has the focus; QTest sends the shortcut override first, as a real key press does.
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && focus->window() == sheet.get());
        QTest::keyClick(focus, key, mods);
    };
    ASSERT_EQ(QApplication::focusWidget(), languages);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet->tabs()->currentIndex(), 1);
    EXPECT_EQ(languages->currentIndex(), 0);  // the list did not take the key
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sheet->tabs()->currentIndex(), 0);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(sheet->tabs()->currentIndex(), 3);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(sheet->tabs()->currentIndex(), 0);
    EXPECT_EQ(sheet->settings().language, 0);

    // On the Configuration page, from a value's field and from a button:
    // Ctrl+S asks where to save, Ctrl+O what to load.
    auto& dialogs = qv::test::fakeDialogs();
    auto* config = sheet->configurationPage();
    sheet->tabs()->setCurrentIndex(1);
    for (QWidget* w : {config->control(qv::params::MeasuringTime), config->control(qv::params::ReadButton)}) {
        w->setFocus();
        QApplication::processEvents();
        dialogs.fileTitles.clear();
        press(Qt::Key_S, Qt::ControlModifier);
        press(Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(dialogs.fileTitles, (std::vector<QString>{config->texts().messageLine(CKonfiguration::kMsgSaveTitle, 0),
                                                   config->texts().messageLine(CKonfiguration::kMsgLoadTitle, 0)}))
            << w->objectName().toStdString();
    }
}

TEST(FilePlaces, StartWhereTheUserWorksNeverInTheProgramsFolder) {
    qv::test::TempCwd cwd;
    struct {
        std::string root;
        const std::string& path() const { return root; }
    } home{cwd.path.string()};
    qputenv("HOME", home.path().c_str());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").c_str());
    std::filesystem::create_directories(home.path() + "/Documents/runs");
    std::filesystem::create_directories(home.path() + "/data");
    qv::text::AppSettings s;
    s.programDir = home.path() + "/data/";
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    struct Case {
        std::string last;
        QString expected;
    } cases[] = {{"", documents},                            // first use
                 {home.path() + "/data/", documents},       // the program's own folder
                 {home.path() + "/gone/", documents},       // no longer there
                 {home.path() + "/Documents/runs/", QString::fromStdString(home.path() + "/Documents/runs")}};
    for (const Case& c : cases) {
        s.workingDir = c.last;
        EXPECT_EQ(qv::window::startFolder(s), c.expected) << c.last;
    }
    const QDateTime when(QDate(2026, 12, 9), QTime(11, 34));
    EXPECT_EQ(qv::window::suggestedName(-1, QStringLiteral("kt740"), when), QStringLiteral("KT740_2026-12-09.kt740"));
    EXPECT_TRUE(qv::window::suggestedName(0, QStringLiteral("csv"), when, true).endsWith(QStringLiteral("_2026-12-09_1134.csv")));
    EXPECT_EQ(qv::window::withExtension(QStringLiteral("/a.b/set"), QStringLiteral("kt740")), QStringLiteral("/a.b/set.kt740"));
    EXPECT_EQ(qv::window::withExtension(QStringLiteral("/a/set.bin"), QStringLiteral("kt740")), QStringLiteral("/a/set.bin"));
}

// The window's place and size, kept at exit, come back at the next start;
// a kept place that is damaged, or a device in its stead, is passed over.
TEST(WindowPlace, KeptAcrossStartsAndPassedOverWhenUnreadable) {
    qv::test::TempCwd cwd;
    qputenv("XDG_CONFIG_HOME", (cwd.path / "config").string().c_str());
    qv::test::qtApp();
    {
        QWidget none;
        EXPECT_FALSE(qv::window::restorePlace(&none));  // none kept yet
    }
    {
        QWidget first;
        first.setGeometry(40, 50, 640, 480);
        qv::window::keepPlace(&first);
    }
    QWidget next;
    ASSERT_TRUE(qv::window::restorePlace(&next));
    EXPECT_EQ(next.size(), QSize(640, 480));
    const auto kept = std::filesystem::path(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString()) /
                      "window-place";
    ASSERT_TRUE(std::filesystem::exists(kept));
    for (const char* damaged : {"not base64 at all\n", ""}) {
        std::ofstream(kept, std::ios::binary | std::ios::trunc) << damaged;
        QWidget other;
        EXPECT_FALSE(qv::window::restorePlace(&other)) << damaged;
    }
    std::filesystem::remove(kept);
    std::filesystem::create_symlink("/dev/zero", kept);
    QWidget other;
    EXPECT_FALSE(qv::window::restorePlace(&other));
}

TEST_F(Sheet, AccessKeysWithoutClashesAndTabSkipsShownValuesInEveryLanguage) {
    for (const QString& f : QDir(QStringLiteral(QV_RUN_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
        QFile::copy(QStringLiteral(QV_RUN_DIR "/") + f, f);
    auto sheet = make();
    auto* languages = sheet->settingsPage()->controlAs<QComboBox>(Einstellungen::LanguageList);
    for (int lang : {1, 2, 0}) {
        languages->setCurrentIndex(lang);
        emit languages->activated(lang);
        for (int tab = 0; tab < sheet->tabs()->count(); ++tab) {
            sheet->tabs()->setCurrentIndex(tab);
            QApplication::processEvents();
            QWidget* page = qobject_cast<QScrollArea*>(sheet->tabs()->currentWidget())->widget();
            QString keys = QStringLiteral("q") + accessKey(sheet->statusLine()->text(StatusLine::OpenTrace));
            const std::string where = std::to_string(lang) + "/" + std::to_string(tab);
            auto take = [&](const QString& caption, bool needed) {
                const QChar key = accessKey(caption);
                EXPECT_TRUE(key.isNull() || !keys.contains(key)) << where << " " << caption.toStdString();
                EXPECT_TRUE(!needed || !key.isNull()) << where << " " << caption.toStdString();
                if (!key.isNull()) keys += key;
            };
            for (QAbstractButton* b : page->findChildren<QAbstractButton*>())
                if (b->focusPolicy() != Qt::NoFocus) take(b->text(), qobject_cast<QPushButton*>(b));
            for (QLabel* l : page->findChildren<QLabel*>())
                if (l->buddy()) take(l->text(), false);
        }
    }
    // Tab from the page's title reaches its first command, never a shown value.
    sheet->activateWindow();
    QApplication::setActiveWindow(sheet.get());
    const std::pair<int, QWidget*> first[] = {
        {1, sheet->configurationPage()->control(qv::params::ReadButton)},
        {2, sheet->operationPage()->control(qv::pages::CBetrieb::MeasureStart)},
        {3, sheet->graphPage()->control(qv::pages::CGrafik::PlotStart)}};
    for (auto [tab, expected] : first) {
        sheet->tabs()->setCurrentIndex(tab);
        sheet->tabs()->tabBar()->setFocus();
        QTest::keyClick(sheet->tabs()->tabBar(), Qt::Key_Tab);
        QWidget* w = QApplication::focusWidget();
        EXPECT_EQ(w, expected) << tab << " " << (w ? w->objectName().toStdString() : "");
    }
    for (int id : {qv::pages::CBetrieb::ActVelocity, qv::pages::CBetrieb::Totalizer, qv::pages::CBetrieb::ErrorText})
        EXPECT_FALSE(sheet->operationPage()->control(id)->focusPolicy() & Qt::TabFocus) << id;
}

// The diagnosis window adds what the line carried since it last looked: a
// selection survives new traffic, the view follows the newest line only from
// its end, lines the trace let go leave from the top and a clear empties it.
TEST(LineTraceWindowTest, AppendsKeepsTheSelectionAndFollowsOnlyFromTheEnd) {
    qv::test::qtApp();
    qv::link::LineTrace trace(400);  // bytes: the oldest lines go after about 57 cycles
    std::int64_t ms = 0;
    trace.setClock([&] { return ms += 10; });
    auto cycles = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const std::uint8_t command = 0x41, reply[] = {0x41, 0x04, 0x00, 0x45, 0x00, 0x00};
            trace.sent(&command, 1);
            trace.received(reply, sizeof reply);
        }
    };
    LineTraceWindow window(trace, [](int n) { return QStringLiteral("#%1").arg(n); });
    window.show();
    auto* view = window.findChild<QPlainTextEdit*>();
    QScrollBar* bar = view->verticalScrollBar();
    auto topLine = [&] { return view->cursorForPosition(QPoint(2, 2)).block().text().toStdString(); };
    auto selection = [&] { return view->textCursor().selectedText().toStdString(); };
    auto lastLine = [&] { return view->document()->lastBlock().previous().text(); };
    auto newest = [&] { return QString::fromStdString(formatTraceEntry(trace.since(0).entries.back())); };
    cycles(60);
    window.refresh();
    EXPECT_EQ(view->document()->blockCount() - 1, static_cast<int>(trace.since(0).entries.size()));
    ASSERT_GT(bar->maximum(), 10);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(window.shownText().endsWith(" PC> ErrorCode    41 |A|\n" + newest() + '\n'));
    // A parameter block, wider than the view: the horizontal scroll bar that
    // comes with it takes a line's height and must not end the following.
    const std::uint8_t read = 0x30;
    const std::vector<std::uint8_t> block(100, 0x42);
    trace.sent(&read, 1);
    trace.received(block.data(), block.size());
    window.refresh();
    QApplication::processEvents();
    cycles(1);
    window.refresh();
    QApplication::processEvents();
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(lastLine(), newest());

    // Scrolled back with a line selected: the traffic moves neither.
    bar->setValue(bar->maximum() / 2);
    QTextCursor line = view->cursorForPosition(QPoint(2, 2));
    line.select(QTextCursor::LineUnderCursor);
    view->setTextCursor(line);
    bar->setValue(bar->maximum() / 2);
    const std::string selected = selection(), top = topLine();
    ASSERT_FALSE(selected.empty());
    cycles(3);  // the ring lets the three oldest cycles go
    window.refresh();
    EXPECT_EQ(selection(), selected);
    EXPECT_EQ(topLine(), top);
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_EQ(view->document()->blockCount() - 1, static_cast<int>(trace.since(0).entries.size()));

    // At the end again (Ctrl+End), it follows again.
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    cycles(2);
    window.refresh();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(lastLine(), newest());

    window.clearTrace();
    EXPECT_TRUE(window.shownText().isEmpty());
    cycles(1);
    window.refresh();
    EXPECT_EQ(window.shownText().count('\n'), 2);
}

// Text files and a settings file that are no files, or far too large: the
// window opens at once, names each with why, and leaves every one as it was.
TEST_F(Sheet, HostileFilesAreNamedAtOnceAndLeftAlone) {
    namespace fs = std::filesystem;
    dir.copyTexts(QV_RUN_DIR);
    fs::remove(dir.path / "Einstellungen_labels_de.txt");
    fs::create_symlink("/dev/zero", dir.path / "Einstellungen_labels_de.txt");
    fs::remove(dir.path / "Einstellungen_hilfe_de.txt");
    ASSERT_EQ(::mkfifo((dir.path / "Einstellungen_hilfe_de.txt").c_str(), 0600), 0);
    {
        std::ofstream ini(dir.path / "QV-GUI.ini", std::ios::binary);
        ini << "[DATEN]\r\nLANGUAGE=1\r\n";
    }
    fs::resize_file(dir.path / "QV-GUI.ini", 2ull << 30);  // two gigabytes, taking no room
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.boxes.clear();
    auto sheet = make();
    QStringList named;
    for (const auto& b : dialogs.boxes) named << b.text.section('\n', 1);
    const QString why = QString::fromUtf8(": keine gew\u00f6hnliche Datei (ein Ordner, ein Ger\u00e4t oder eine Pipe)");
    EXPECT_EQ(named.join('|').toStdString(),
              ("Einstellungen_labels_de.txt" + why + "|Einstellungen_hilfe_de.txt" + why).toStdString());
    EXPECT_TRUE(sheet->statusLine()->problemText().contains("QV-GUI.ini")) << sheet->statusLine()->problemText().toStdString();
    EXPECT_EQ(sheet->settings().language, 0);  // the defaults
    sheet.reset();
    EXPECT_EQ(fs::file_size(dir.path / "QV-GUI.ini"), 2ull << 30);  // never written over
    EXPECT_TRUE(fs::is_fifo(dir.path / "Einstellungen_hilfe_de.txt"));
}

// "Journal...": the journal's entries in the window's words, newest first,
// one port or all, the chain checked; a key press to the focused window
// opens it; a [JOURNAL] PATH in the settings file names another journal.
TEST_F(Sheet, TheJournalWindowListsTheChangesNewestFirstByPort) {
    for (const QString& f : QDir(QStringLiteral(QV_RUN_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
        QFile::copy(QStringLiteral(QV_RUN_DIR "/") + f, f);
    {
        // Before the first change: said so, not as a failure.
        auto sheet = make();
        sheet->showJournal();
        EXPECT_TRUE(sheet->journalWindow()->note().startsWith("Noch keine")) << sheet->journalWindow()->note().toStdString();
        EXPECT_TRUE(sheet->journalWindow()->shownLines().isEmpty());
    }
    qv::journal::Writer w{(dir.path / qv::journal::kFileName).string(), "test", "1", 0, nullptr};
    qv::journal::Intent write;
    write.target = {3, "/dev/ttyUSB0", "KT740-GX-M1D4A1S1", "1.23"};
    const auto a = qv::journal::appendIntent(w, write);
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(qv::journal::appendOutcome(w, a.seq, {"acknowledged", "verified", {{"Messzeit", "10 s", "12 s"}}}).ok());
    qv::journal::Intent reset;
    reset.op = qv::journal::Operation::ResetTotalizer;
    reset.target = {5, "/dev/ttyUSB1", "KT740-GX-M1D4A1S1", "1.23"};
    ASSERT_TRUE(qv::journal::appendIntent(w, reset).ok());  // no outcome: the program was killed

    auto sheet = make();
    sheet->activateWindow();
    QApplication::setActiveWindow(sheet.get());
    sheet->settingsPage()->controlAs<QComboBox>(Einstellungen::LanguageList)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
    JournalWindow* j = sheet->journalWindow();
    ASSERT_TRUE(j && j->isVisible());
    const QStringList lines = j->shownLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("COM5") && lines[0].contains("Totalisator zurückgesetzt: Ausgang unbekannt"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("COM3") && lines[1].contains("Parametersatz geschrieben: Verifiziert") &&
                lines[1].contains(QString::fromUtf8("Messzeit: 10 s \u2192 12 s")))
        << lines[1].toStdString();
    auto* ports = j->findChild<QComboBox*>();
    ASSERT_TRUE(ports);
    ports->setCurrentIndex(ports->findText("COM3"));
    EXPECT_EQ(j->shownLines().size(), 1);
    j->verifyChain();
    EXPECT_EQ(j->note(), "Journal unversehrt: 3 Zeilen");
    // Edited behind its back: the chain names the line.
    std::string body = dir.read(qv::journal::kFileName);
    body.replace(body.find("10 s"), 4, "11 s");
    dir.write(qv::journal::kFileName, body);
    j->verifyChain();
    EXPECT_EQ(j->note(), "Zeile 2 wurde verändert");
    sheet.reset();

    dir.write("QV-GUI.ini", "[JOURNAL]\r\nPATH=" + (dir.path / "plant.jsonl").string() + "\r\n");
    auto other = make();
    ASSERT_TRUE(other->session().journal());
    EXPECT_EQ(other->session().journal()->path, (dir.path / "plant.jsonl").string());
}

// "Open recording…": the viewer reached by its key from the focused window
// reads the recording, moves its cursor by keys line by line with values
// as the file holds them, exports exactly the lines of a zoomed range,
// follows a file still being recorded, and refuses what is no recording
// with its name, keeping what it showed.
TEST_F(Sheet, TheRecordingViewerReadsZoomsExportsAndFollows) {
    for (const QString& f : QDir(QStringLiteral(QV_RUN_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
        QFile::copy(QStringLiteral(QV_RUN_DIR "/") + f, f);
    namespace rec = qv::recording;
    const std::string path = (dir.path / "r.csv").string();
    rec::Recorder recorder;
    ASSERT_EQ(recorder.start(path, 1), 0);
    qv::protocol::MeasurementRecord m;
    m.volumeFlowUnit = "m\xB3/h";
    std::int64_t t = rec::wallSeconds(2026, 3, 4, 5, 0, 0);
    auto write = [&](int i) {
        m.volumeFlow = static_cast<float>(i);
        if (i == 300) t += 60;  // an outage
        const rec::WallTime w = rec::wallTime(t);
        std::tm tm{};
        tm.tm_year = w.year - 1900, tm.tm_mon = w.month - 1, tm.tm_mday = w.day;
        tm.tm_hour = w.hour, tm.tm_min = w.minute, tm.tm_sec = w.second;
        ASSERT_TRUE(recorder.writeLine(m, 0, tm, "Kein Fehler").written);
        t += 2;
    };
    for (int i = 0; i < 600; ++i) write(i);

    auto sheet = make();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.fileAnswers = {QString::fromStdString(path)};
    sheet->activateWindow();
    QApplication::setActiveWindow(sheet.get());
    sheet->settingsPage()->controlAs<QComboBox>(Einstellungen::LanguageList)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    RecordingViewer* v = sheet->recordingViewer();
    ASSERT_TRUE(v && v->isVisible());
    v->finishReading();
    ASSERT_TRUE(v->shown());
    EXPECT_EQ(v->shown()->size(), 600u);
    EXPECT_TRUE(v->info().contains("Zeilen: 600")) << v->info().toStdString();
    EXPECT_EQ(v->gapList()->count(), 1);
    EXPECT_TRUE(v->gapList()->item(0)->text().contains("0:01:02 ohne Zeile")) << v->gapList()->item(0)->text().toStdString();

    RecordingPlot* plot = v->plot();
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Right);  // onto the first line shown
    QTest::keyClick(plot, Qt::Key_Right);
    ASSERT_EQ(plot->cursor(), std::optional<std::size_t>(1));
    EXPECT_TRUE(v->cursorText().startsWith("Zeile 4 · 04.03.2026 05:00:02")) << v->cursorText().toStdString();
    EXPECT_EQ(v->table()->item(rec::VolumeFlow, 5)->text(), QString::fromUtf8("1,000 m³/h"));
    for (int i = 0; i < 3; ++i) QTest::keyClick(plot, Qt::Key_Plus);
    for (int i = 0; i < 3; ++i) QTest::keyClick(plot, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(plot->showsAll());
    const auto [first, last] = rec::linesBetween(*v->shown(), plot->from(), plot->to());
    ASSERT_GT(first, 0u);
    ASSERT_LT(last, 600u);
    ASSERT_TRUE(v->exportTo(QString::fromStdString((dir.path / "range.csv").string())));
    const std::string csv = dir.read("range.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(last - first + 1));  // and the header
    const rec::WallTime w = rec::wallTime(v->shown()->time[first]);
    char expected[40];
    std::snprintf(expected, sizeof expected, "\n%04d-%02d-%02dT%02d:%02d:%02d,0,0,0,%zu,", w.year, w.month, w.day, w.hour,
                  w.minute, w.second, first);
    EXPECT_EQ(csv.find(expected), csv.find('\n')) << expected << csv.substr(0, 400);
    EXPECT_TRUE(v->notes().contains(QString("Exportiert: %1 Zeilen").arg(last - first))) << v->notes().toStdString();
    ASSERT_TRUE(v->exportTo(QString::fromStdString((dir.path / "range.png").string())));
    EXPECT_EQ(dir.read("range.png").substr(0, 4), "\x89PNG");

    // Still being recorded: what is appended appears, the whole stays the whole.
    dialogs.fileAnswers = {QString::fromStdString(path)};
    sheet->showRecordingViewer();
    v->finishReading();
    plot->showAll();
    v->findChild<QCheckBox*>()->setChecked(true);
    for (int i = 600; i < 610; ++i) write(i);
    v->readMore();
    EXPECT_EQ(v->shown()->size(), 610u);
    EXPECT_EQ(plot->to(), static_cast<double>(v->shown()->time.back()));
    EXPECT_TRUE(v->notes().startsWith("Folgt der Datei")) << v->notes().toStdString();

    // What is no recording: named with why, the recording shown stays.
    ::mkfifo((dir.path / "fifo").c_str(), 0600);
    dir.write("binary.csv", std::string("\x7F" "ELF\x02\x01\x01", 7) + std::string(100000, '\0'));
    dialogs.boxes.clear();
    for (const std::string& no : {std::string("/dev/zero"), (dir.path / "fifo").string(), dir.path.string(),
                                 (dir.path / "binary.csv").string(), (dir.path / "missing.csv").string()}) {
        v->open(no);
        v->finishReading();
        ASSERT_FALSE(dialogs.boxes.empty()) << no;
        EXPECT_TRUE(dialogs.boxes.back().text.contains(QString::fromStdString(no))) << dialogs.boxes.back().text.toStdString();
        EXPECT_EQ(v->shown()->size(), 610u);
    }
    EXPECT_EQ(dialogs.boxes.size(), 5u);

    // In the language switched to, at once.
    sheet->settingsPage()->onLanguageChanged(1);
    EXPECT_EQ(v->table()->item(rec::VolumeFlow, 0)->text(), QString::fromUtf8("actual volume flow [m³/h]"));
    EXPECT_TRUE(v->info().contains("lines: 610")) << v->info().toStdString();
    recorder.stop();
}
