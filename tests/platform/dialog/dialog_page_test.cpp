#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <iconv.h>

#include "platform/dialog/dialog_page.h"
#include "platform/dialog/dialog_service.h"
#include "tests/support/qt_app.h"

using qv::dialog::DialogPage;
using qv::dialog::fromCp1252;
using qv::dialog::toCp1252;

namespace {
struct Page : DialogPage {
    int inits = 0;
    Page() {
        auto* caption = addControl(10, new QLabel("Caption", this));
        auto* edit = addControl(11, new QLineEdit(this));
        caption->setBuddy(edit);
        addControl(12, new QPushButton("Button", this));
        addControl(13, new QComboBox(this));
        addControl(14, new QGroupBox(this));
        addControl(15, new QCheckBox("Check", this));
    }
    void onInitDialog() override { ++inits; markReady(); }
};
}  // namespace

TEST(Cp1252, MatchesIconvForEveryDefinedByte) {
    iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
    ASSERT_NE(cd, (iconv_t)-1);
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char32_t out = 0;
        char* ip = &in;
        char* op = reinterpret_cast<char*>(&out);
        size_t il = 1, ol = sizeof out;
        const QString ours = fromCp1252(std::string(1, in));
        ASSERT_EQ(ours.size(), 1);
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) {
            // Left open by the code page: Windows maps them to the control
            // characters of the same value.
            ++undefined;
            EXPECT_EQ(ours.at(0).unicode(), b) << b;
        } else {
            EXPECT_EQ(char32_t(ours.at(0).unicode()), out) << b;
        }
        EXPECT_EQ(toCp1252(ours), std::string(1, in)) << b;
    }
    iconv_close(cd);
    EXPECT_EQ(undefined, 5);
    EXPECT_EQ(fromCp1252("\x80\x96\x9F"), QString::fromUtf8("\u20ac\u2013\u0178"));
    EXPECT_EQ(toCp1252(QString::fromUtf8("m\u00b3 \u4e2d")), "m\xB3 ?");
}

TEST(DialogPageTest, ControlsByIdTextsAndAccessibleNames) {
    qv::test::qtApp();
    Page page;
    EXPECT_EQ(page.control(99), nullptr);
    page.setControlText(99, "ignored");  // no such control: nothing happens
    page.setControlText(10, "Sprache");
    EXPECT_EQ(page.controlText(10), "Sprache");
    EXPECT_EQ(page.control(11)->accessibleName(), "Sprache");
    page.setControlText(12, "&Start");
    EXPECT_EQ(page.control(12)->accessibleName(), "Start");
    page.setControlText(14, "Group");
    EXPECT_EQ(page.controlAs<QGroupBox>(14)->title(), "Group");
    page.setControlText(13, "not for lists");
    EXPECT_EQ(page.controlAs<QComboBox>(13)->count(), 0);
    EXPECT_EQ(page.control(15)->objectName(), "ctl15");
}

TEST(DialogPageTest, InitialisedOnceOnFirstShow) {
    qv::test::qtApp();
    Page page;
    EXPECT_EQ(page.pageReady(), 0);
    page.show();
    page.hide();
    page.show();
    EXPECT_EQ(page.inits, 1);
    EXPECT_EQ(page.pageReady(), 1);
}

TEST(DialogPageTest, GreyOutRule) {
    qv::test::qtApp();
    Page page;
    page.show();
    page.applyGreyOut(12, false, 0);
    EXPECT_FALSE(page.isControlVisible(12));
    page.applyGreyOut(12, false, 1);
    EXPECT_TRUE(page.isControlVisible(12));
    EXPECT_FALSE(page.control(12)->isEnabled());
    page.applyGreyOut(12, true, 0);
    EXPECT_TRUE(page.isControlVisible(12));
    EXPECT_TRUE(page.control(12)->isEnabled());
}

TEST(DialogPageTest, HelpTextsAsToolTips) {
    qv::test::qtApp();
    Page page;
    page.setHelpText(12, "First line\r\nSecond <line>");
    EXPECT_EQ(page.helpText(12), "First line\r\nSecond <line>");
    EXPECT_EQ(page.control(12)->accessibleDescription(), "First line\nSecond <line>");
    // Shown also while another window is active.
    EXPECT_TRUE(page.control(12)->testAttribute(Qt::WA_AlwaysShowToolTips));
    const QString tip = page.toolTipHtml(12);
    EXPECT_TRUE(tip.contains("First line<br>Second &lt;line&gt;"));
    EXPECT_FALSE(tip.contains("table"));
    page.setHelpText(11, QString(120, 'w'));  // far wider than 500 pixels
    EXPECT_TRUE(page.toolTipHtml(11).contains("width=\"500\""));
    page.setHelpText(99, "no control");
    EXPECT_EQ(page.helpText(99), "");
}

TEST(DialogServiceTest, QtFileDialogInTheProgramsLanguageWithTheFilterNamedOnce) {
    qv::test::qtApp();
    QString lookIn, filter;
    // Reads the open dialog and cancels it, as a user would.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                lookIn = d->findChild<QLabel*>("lookInLabel")->text();
                filter = d->findChild<QComboBox*>("fileTypeCombo")->currentText();
                d->reject();
            }
    });
    closer.start(10);
    qv::dialog::setDialogService(nullptr);
    const struct {
        int language;
        const char *filter, *lookIn, *shown;
    } cases[] = {{2, "(*.*) (*.*)", "Voir dans :", "(*.*)"},
                 {0, "(*.csv) (*.csv)", "Suchen in:", "(*.csv)"},
                 {1, "*.csv", "Look in:", "*.csv"}};  // a bare pattern stays visible
    for (const auto& c : cases) {
        EXPECT_TRUE(qv::dialog::setDialogLanguage(c.language));
        EXPECT_EQ(qv::dialog::dialogs().openFileName(nullptr, "Laden", QDir::tempPath(), c.filter), "");
        EXPECT_EQ(lookIn, QString::fromUtf8(c.lookIn)) << c.language;
        EXPECT_EQ(filter, c.shown) << c.language;
    }
    qv::dialog::setDialogService(&qv::test::fakeDialogs());
}
