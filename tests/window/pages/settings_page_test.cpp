#include <gtest/gtest.h>

#include <QComboBox>
#include <QTabWidget>
#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

#include "window/sheet/sheet.h"
#include "window/pages/configuration/konfiguration.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "platform/serial/comm_port.h"
#include "platform/serial/ports.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"

using qv::pages::CBetrieb;
using qv::pages::Einstellungen;
namespace fs = std::filesystem;

namespace {

// A terminal nobody answers on: the port opens, the meter stays silent.
struct SilentPort {
    int master;
    std::string slave;
    SilentPort() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
    }
    ~SilentPort() { ::close(master); }
    // Whether nobody holds the port: a second open for exclusive use succeeds.
    bool free() const {
        qv::serial::CommPort probe;
        return probe.open(slave) == 0;
    }
};

const char* const kTexts[][2] = {
    {"Einstellungen_labels_de.txt", "#1005\r\nSpr\tache\r\n#1006\r\nCOM-Schnittstelle\r\n"},
    {"Einstellungen_labels_en.txt", "#1005\r\nLanguage\r\n#1006\r\nSerial port\r\n"},
    {"Einstellungen_hilfe_de.txt", "#1004\r\nSprache der Oberfl\xE4" "che.\r\nZweite Zeile.\r\n\r\n"},
    {"Einstellungen_hilfe_en.txt", "#1004\r\nUser interface language.\r\n\r\n"},
    {"Messages_de.txt", "#15\r\nSprache\r\nDeutsch gew\xE4hlt.\r\n\r\n"},
    {"Messages_en.txt", "#15\r\nLanguage\r\nEnglish selected.\r\n\r\n#119\r\nTrying again.\r\n\r\n"},
    {"Betrieb_labels_de.txt", "#1118\r\nAkt. Fehler\r\n"},
    {"Betrieb_labels_en.txt", "#1118\r\nCurrent error\r\n"},
};

struct SettingsPage : ::testing::Test {
    qv::test::TempCwd dir;
    qv::test::FakeDialogs& dialogs = qv::test::fakeDialogs();
    void SetUp() override {
        qv::test::qtApp();
        dialogs.boxes.clear();
    }
    void writeTexts(bool all = true) {
        for (auto& [name, text] : kTexts) dir.write(name, text);
        if (!all) return;
        // The rest of the set, empty, so no box is about a missing file.
        for (const char* stem : {"Betrieb_hilfe", "Betrieb_Fehlertext", "Betrieb_Fehlerhilfe", "Konfigurieren_labels",
                                 "Konfigurieren_hilfe", "Grafik_labels", "Grafik_hilfe"})
            for (const char* suffix : {"_de.txt", "_en.txt"})
                if (!fs::exists(dir.path / (std::string(stem) + suffix))) dir.write(std::string(stem) + suffix, "");
    }
    std::uint32_t now = 0;
    // ports: the system's serial ports as the test hands them over; none by default.
    std::unique_ptr<qv::window::CAllControlsSheet> sheet(const qv::serial::PortDiscovery* ports = nullptr) {
        auto s = std::make_unique<qv::window::CAllControlsSheet>([this] { return now; }, ports);
        s->show();
        s->waitForLine();  // the identification
        return s;
    }
};

}  // namespace

TEST_F(SettingsPage, PortChangeClosesTheOldLinkFirst) {
    SilentPort one, two;
    fs::create_symlink(one.slave, dir.path / "COM1");
    fs::create_symlink(two.slave, dir.path / "COM2");
    writeTexts();
    auto s = sheet();
    auto* page = s->settingsPage();
    ASSERT_TRUE(s->session().linked());  // COM1 opened, nobody answered
    EXPECT_TRUE(page->isControlVisible(Einstellungen::RedLamp));
    EXPECT_FALSE(one.free());
    auto* ports = page->controlAs<QComboBox>(Einstellungen::PortList);
    ports->setCurrentIndex(1);
    emit ports->activated(1);
    s->waitForLine();
    EXPECT_EQ(s->settings().comPort, 2);
    EXPECT_TRUE(one.free());
    EXPECT_FALSE(two.free());
    EXPECT_TRUE(s->session().linked());
    // A port that does not open: the old link is gone all the same.
    ports->setCurrentIndex(2);
    emit ports->activated(2);
    s->waitForLine();
    EXPECT_TRUE(two.free());
    EXPECT_FALSE(s->session().linked());
    EXPECT_TRUE(page->isControlVisible(Einstellungen::RedLamp));
    EXPECT_EQ(page->controlText(Einstellungen::Hardware), "------");
    EXPECT_TRUE(dialogs.boxes.empty());
}

// The system's ports as a test hands them over.
struct FakePorts : qv::serial::PortDiscovery {
    std::vector<qv::serial::SerialPortInfo> list;
    std::vector<qv::serial::SerialPortInfo> ports() const override { return list; }
};

TEST_F(SettingsPage, AReportedPortIsListedAndOpensWithoutALinkAndAFailureSaysWhy) {
    SilentPort adapter;
    FakePorts system;
    system.list = {{adapter.slave, "ttyUSB0", "FT232R USB UART"}};
    writeTexts();
    dir.write("Einstellungen_hilfe_en.txt", "#1008\r\nRed: no meter.\r\n\r\n");
    dir.write("Einstellungen_labels_en.txt", "#1900\r\nNo such device.\r\n");
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=1\r\n");
    auto s = sheet(&system);
    auto* page = s->settingsPage();
    auto* ports = page->controlAs<QComboBox>(Einstellungen::PortList);
    EXPECT_EQ(ports->itemText(0), QString::fromUtf8("COM1 \u2013 FT232R USB UART (ttyUSB0)"));
    EXPECT_EQ(ports->itemText(1), "COM2");
    EXPECT_TRUE(s->session().linked());  // opened through the discovery: no COM1 entry anywhere
    EXPECT_FALSE(adapter.free());
    EXPECT_EQ(page->helpText(Einstellungen::RedLamp), "Red: no meter.");  // open, but silent

    ports->setCurrentIndex(1);
    emit ports->activated(1);
    s->waitForLine();
    EXPECT_FALSE(s->session().linked());
    EXPECT_EQ(page->helpText(Einstellungen::RedLamp), "Red: no meter.\r\nNo such device.\r\nTrying again.");
    // The retry, two seconds on: nothing there yet, nothing changes.
    auto retry = [&] {
        now += 2000;
        s->tick();
    };
    retry();
    EXPECT_FALSE(s->session().linked());
    // An adapter plugged in later is listed the next time the list opens,
    // but gets no byte until the technician chooses it: the number reached
    // nothing when it was chosen.
    SilentPort late;
    system.list.push_back({late.slave, "ttyUSB1", "CP2102 USB to UART"});
    ports->showPopup();
    s->waitForLine();
    EXPECT_EQ(ports->itemText(1), QString::fromUtf8("COM2 \u2013 CP2102 USB to UART (ttyUSB1)"));
    ports->hidePopup();
    retry();
    EXPECT_FALSE(s->session().linked());
    EXPECT_TRUE(late.free());
    emit ports->activated(1);
    s->waitForLine();
    EXPECT_TRUE(s->session().linked());
    EXPECT_FALSE(late.free());
    EXPECT_EQ(page->helpText(Einstellungen::RedLamp), "Red: no meter.");
    EXPECT_EQ(s->settings().comPort, 2);
    EXPECT_EQ(s->settings().comDevice, late.slave);  // remembered for the next start
    // Silent there, and a link named COM2 appears: the chosen device stays.
    SilentPort linked;
    fs::create_symlink(linked.slave, dir.path / "COM2");
    retry();
    EXPECT_FALSE(late.free());
    EXPECT_TRUE(linked.free());
}

TEST_F(SettingsPage, LabelsHelpAndLanguageSwitch) {
    writeTexts();
    dir.write("COM1", "");
    auto s = sheet();
    auto* page = s->settingsPage();
    EXPECT_EQ(page->controlText(Einstellungen::LanguageLabel).remove(QLatin1Char('&')), "Sprache");  // tab removed
    EXPECT_EQ(page->helpText(Einstellungen::LanguageList),
              QString::fromUtf8("Sprache der Oberfl\u00e4che.\r\nZweite Zeile."));
    EXPECT_EQ(page->control(Einstellungen::LanguageList)->accessibleName(), "Sprache");

    // The Operation page was never shown: the switch leaves it alone.
    auto* operation = s->operationPage();
    EXPECT_EQ(operation->controlText(CBetrieb::ErrorLabel), "Akt. Fehler");
    // Qt's own texts (file dialogs, standard buttons) follow the language too.
    auto qtCancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    EXPECT_EQ(qtCancel(), "Abbrechen");
    auto* languages = page->controlAs<QComboBox>(Einstellungen::LanguageList);
    languages->setCurrentIndex(1);
    emit languages->activated(1);
    EXPECT_EQ(qtCancel(), "Cancel");
    EXPECT_EQ(page->controlText(Einstellungen::LanguageLabel).remove(QLatin1Char('&')), "Language");
    EXPECT_EQ(page->helpText(Einstellungen::LanguageList), "User interface language.");
    EXPECT_EQ(operation->pageReady(), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Language");
    EXPECT_EQ(dialogs.boxes[0].text, "English selected.\n\n\n\n");
    EXPECT_NE(dir.read("QV-GUI.ini").find("LANGUAGE=1\r\n"), std::string::npos);
    EXPECT_EQ(s->tabs()->tabText(0), "Einstellungen");  // titles keep the start-up language

    s->tabs()->setCurrentIndex(2);  // first shown now: loads the current language itself
    EXPECT_EQ(operation->controlText(CBetrieb::ErrorLabel), "Current error");
    languages->setCurrentIndex(0);
    emit languages->activated(0);
    EXPECT_EQ(operation->controlText(CBetrieb::ErrorLabel), "Akt. Fehler");
    EXPECT_EQ(qtCancel(), "Abbrechen");
    EXPECT_EQ(dialogs.boxes.back().caption, "Sprache");
    EXPECT_EQ(dialogs.boxes.back().text, QString::fromUtf8("Deutsch gew\u00e4hlt.\n\n\n\n"));
}

TEST_F(SettingsPage, MissingFilesOneBoxEachAndThePageGoesOn) {
    dir.write("COM1", "");
    auto s = sheet();
    // Settings labels and help; no messages file at initialisation. The
    // fixed words first, then which file and why.
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes.at(0).caption, "Error");
    EXPECT_EQ(dialogs.boxes.at(0).text.section('\n', 0, 0), QString::fromUtf8("Kann File nicht \u00f6ffnen!"));
    EXPECT_TRUE(dialogs.boxes.at(0).text.section('\n', 1).startsWith("Einstellungen_labels_de.txt: "))
        << dialogs.boxes.at(0).text.toStdString();
    EXPECT_EQ(s->settingsPage()->controlText(Einstellungen::PortLabel).remove(QLatin1Char('&')), "COM-Schnittstelle");
    s->tabs()->setCurrentIndex(2);  // labels, help, messages, error texts, error help
    EXPECT_EQ(dialogs.boxes.size(), 7u);
}

TEST_F(SettingsPage, LanguageOutsideTheListLoadsNothing) {
    writeTexts();
    dir.write("COM1", "");
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=5\r\n");
    auto s = sheet();
    s->tabs()->setCurrentIndex(2);
    s->tabs()->setCurrentIndex(3);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(s->settingsPage()->controlText(Einstellungen::LanguageLabel).remove(QLatin1Char('&')), "Sprache");
    EXPECT_EQ(s->settingsPage()->helpText(Einstellungen::LanguageList), "");
}
