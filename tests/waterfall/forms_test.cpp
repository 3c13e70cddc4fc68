// The setup dialog and its channel page.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "tests/waterfall/wf_app.h"
#include "waterfall/gfmultiwaterfall.h"
#include "waterfall/gfmultiwaterfallchannelformunit.h"
#include "waterfall/gfmultiwaterfallpropertiesformunit.h"

namespace {
// Answers the dialogs from the test; records what was shown modally.
struct ScriptedDialogs : FormDialogs {
    std::vector<QString> shown;
    std::vector<int> startTabs;
    QPoint position;
    QColor color;
    QFont font;
    bool answer = true;
    int RunModal(QDialog& d) override {
        shown.push_back(d.windowTitle());
        position = d.pos();
        if (auto* f = dynamic_cast<TGFMultiWaterfallPropertiesForm*>(&d)) startTabs.push_back(f->StartTab());
        return QDialog::Rejected;
    }
    bool ChooseFont(QWidget*, QFont& f) override {
        if (answer) f = font;
        return answer;
    }
    bool ChooseColor(QWidget*, QColor& c) override {
        if (answer) c = color;
        return answer;
    }
};

struct Forms : ::testing::Test, wf::test::WithApp {
    TGFMultiWaterfall w;
    ScriptedDialogs dialogs;
    Forms() {
        wf::test::qtApp();
        setFormDialogs(&dialogs);
        w.resize(700, 400);
        for (int i = 0; i < 3; ++i) w.Channels().Add();
    }
    ~Forms() override { setFormDialogs(nullptr); }
    std::unique_ptr<TGFMultiWaterfallPropertiesForm> Open(int item, TTZMultiWaterfallPropertiesStartPage page) {
        return std::make_unique<TGFMultiWaterfallPropertiesForm>(&w, item, page);
    }
    static void Key(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
};

TEST_F(Forms, StartPageIsLoweredWithoutMarkerGroups) {
    auto f = Open(0, mwpspAxis);
    EXPECT_EQ(f->PageControl()->count(), 2);
    EXPECT_EQ(f->PageControl()->currentIndex(), 1);
    EXPECT_EQ(f->PageControl()->tabText(1), "Axes");
    w.MarkerGroups().push_back({"Peaks", {3}, Qt::yellow});
    f = Open(0, mwpspAxis);
    EXPECT_EQ(f->PageControl()->count(), 3);
    EXPECT_EQ(f->PageControl()->currentIndex(), 2);
    f = Open(2, mwpspMarkerGroups);
    EXPECT_EQ(f->PageControl()->currentIndex(), 1);
    EXPECT_EQ(f->ChannelPage()->ChannelsListBox->currentRow(), 0);  // the item index went to the marker page
    f = Open(2, mwpspChannels);
    EXPECT_EQ(f->ChannelPage()->ChannelsListBox->currentRow(), 2);
    EXPECT_EQ(f->PageControl()->tabText(0), "Channels");
}

TEST_F(Forms, LegendAxisAndColourClicksOpenTheRightPageBesideTheComponent) {
    w.DoLegendClick(-1, 1);
    w.DoAxisClick(0);
    w.DoColorChannelClick(2);
    w.ShowSetupDialog();
    EXPECT_EQ(dialogs.startTabs, (std::vector<int>{0, 1, 0, 0}));
    ASSERT_EQ(dialogs.shown.size(), 4u);
    TGFMultiWaterfallPropertiesForm probe(&w, 0, mwpspChannels);
    QPoint expected = w.mapToGlobal(QPoint(w.width() - probe.width() - 20, 20));
    EXPECT_EQ(w.LastSetupPosition(), expected);
    EXPECT_TRUE(w.ToolBarVisible());
    EXPECT_TRUE(w.GetSetupEnabled());
    // From the keyboard: the tool bar's buttons.
    QToolButton* setup = nullptr;
    QToolButton* hold = nullptr;
    for (auto* b : w.findChildren<QToolButton*>()) {
        if (b->accessibleName() == "Setup...") setup = b;
        if (b->accessibleName() == "Hold") hold = b;
    }
    ASSERT_TRUE(setup && hold);
    setup->click();
    EXPECT_EQ(dialogs.shown.size(), 5u);
    hold->click();
    EXPECT_TRUE(w.HoldSwitch());
    w.SetHoldSwitch(false);
    EXPECT_FALSE(hold->isChecked());
}

TEST_F(Forms, FillingThePageWritesNothingBack) {
    auto* c = w.Channels().GetItem(1);
    c->Levels()->SetAxisVisible(false);
    c->Levels()->LevelLabel()->SetVisible(false);
    c->Levels()->SetMode(TTZAxisDisplayLevelView::Logarithmic);
    int levelChanges = c->Levels()->Changes(), labelChanges = c->Levels()->LevelLabel()->Changes();
    auto f = Open(1, mwpspChannels);
    auto* page = f->ChannelPage();
    EXPECT_EQ(page->NameEdit->text(), "Channel1");
    EXPECT_FALSE(page->AxisVisibleCheckBox->isChecked());
    EXPECT_FALSE(page->LabelVisibleCheckBox->isChecked());
    EXPECT_EQ(page->ScaleModeComboBox->currentText(), "Logarithmic");
    EXPECT_EQ(page->ColorPaintBox->Color(), TColorToQColor(c->Color()));
    page->ChannelsListBox->setCurrentRow(0);  // and filling from another channel
    page->ChannelsListBox->setCurrentRow(1);
    EXPECT_EQ(c->Levels()->Changes(), levelChanges);
    EXPECT_EQ(c->Levels()->LevelLabel()->Changes(), labelChanges);
    EXPECT_TRUE(f->OkButton()->isEnabled());
    EXPECT_FALSE(page->Updating());
}

TEST_F(Forms, NameEditingWithEnterAndEscape) {
    auto f = Open(0, mwpspChannels);
    auto* page = f->ChannelPage();
    page->NameEdit->setText("Inlet");
    EXPECT_FALSE(f->OkButton()->isEnabled());  // a name is being typed
    Key(page->NameEdit, Qt::Key_Return);
    EXPECT_EQ(w.Channels().GetItem(0)->Name(), "Inlet");
    EXPECT_EQ(page->ChannelsListBox->item(0)->text(), "Inlet");
    EXPECT_EQ(w.InputPins().Name(0), "Inlet");
    EXPECT_TRUE(f->OkButton()->isEnabled());

    // Escape in the field restores the name and leaves the dialog open;
    // Escape elsewhere closes it as usual.
    f->show();
    page->NameEdit->setText("Outl");
    EXPECT_FALSE(f->OkButton()->isEnabled());
    Key(page->NameEdit, Qt::Key_Escape);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(page->NameEdit->text(), "Inlet");
    EXPECT_EQ(page->NameEdit->selectedText(), "Inlet");
    EXPECT_TRUE(f->OkButton()->isEnabled());
    EXPECT_EQ(w.Channels().GetItem(0)->Name(), "Inlet");
    EXPECT_FALSE(page->NameEditKeyPress('a'));
    Key(page->ChannelsListBox, Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
}

TEST_F(Forms, ChecksAndControlsChangeTheComponentAtOnce) {
    auto f = Open(2, mwpspChannels);
    auto* page = f->ChannelPage();
    auto* c = w.Channels().GetItem(2);
    page->ChannelsListBox->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(c->Visible());
    EXPECT_FALSE(page->VisibleCheckBox->isChecked());
    page->VisibleCheckBox->click();
    EXPECT_TRUE(c->Visible());
    EXPECT_EQ(page->ChannelsListBox->item(2)->checkState(), Qt::Checked);
    page->AxisVisibleCheckBox->click();
    EXPECT_FALSE(c->Levels()->AxisVisible());
    page->LabelVisibleCheckBox->click();
    EXPECT_FALSE(c->Levels()->LevelLabel()->Visible());
    page->ScaleModeComboBox->setCurrentIndex(2);
    EXPECT_EQ(c->Levels()->Mode(), TTZAxisDisplayLevelView::LogarithmicDecades);

    dialogs.color = QColor(1, 2, 3);
    page->ColorButton->click();
    EXPECT_EQ(c->Color(), TColor(0x030201));
    EXPECT_EQ(page->ColorPaintBox->Color(), QColor(1, 2, 3));
    dialogs.font = QFont("DejaVu Sans", 15);
    page->BitBtn3->click();
    EXPECT_EQ(c->Levels()->LevelLabel()->Font().pointSize(), 15);
    dialogs.answer = false;
    dialogs.color = QColor(9, 9, 9);
    page->ColorButton->click();
    EXPECT_EQ(c->Color(), TColor(0x030201));
}

TEST_F(Forms, WithoutASelectionNothingChanges) {
    TGFMultiWaterfall empty;
    TGFMultiWaterfallPropertiesForm f(&empty, 0, mwpspChannels);
    auto* page = f.ChannelPage();
    EXPECT_EQ(page->ChannelsListBox->count(), 0);
    page->VisibleCheckBox->click();
    page->NameEdit->setText("x");
    page->NameEditExit();
    EXPECT_TRUE(f.OkButton()->isEnabled());  // enabled also without a selection
    page->ColorButton->click();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Forms, ControlsCarryTheStoredLayoutCaptionsAndAccessibleNames) {
    auto f = Open(0, mwpspChannels);
    auto* page = f->ChannelPage();
    EXPECT_EQ(page->Caption(), "Channels");
    EXPECT_EQ(page->NameEdit->geometry(), QRect(168, 56, 161, 21));
    EXPECT_EQ(page->ColorButton->geometry(), QRect(232, 222, 75, 25));
    EXPECT_EQ(page->ScaleModeComboBox->count(), 3);
    EXPECT_EQ(page->ScaleModeComboBox->itemText(2), "Logarithmic Decades");
    EXPECT_EQ(page->Label1->buddy(), page->NameEdit);
    EXPECT_EQ(page->GroupBox1->title(), " Axis ");
    for (auto* w : page->findChildren<QWidget*>()) {
        bool control = qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                       qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w);
        if (control) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
    EXPECT_EQ(page->VisibleCheckBox->accessibleName(), "Visible");
    EXPECT_EQ(page->BitBtn3->accessibleName(), "Font...");
    EXPECT_EQ(page->NameEdit->accessibleName(), "Name");
    EXPECT_EQ(f->OkButton()->accessibleName(), "OK");
    // The dialog holds the whole page and both buttons.
    f->show();
    QApplication::processEvents();
    EXPECT_EQ(f->Panel1()->height(), 41);
    EXPECT_GE(f->PageControl()->currentWidget()->width(), 338);
    EXPECT_GE(f->PageControl()->currentWidget()->height(), 264);
    EXPECT_LE(f->CancelButton()->mapTo(f.get(), QPoint(f->CancelButton()->width(), 0)).x(), f->width());
    // Tab goes list, visible, name, axis, scale, label, font, colour.
    std::vector<QWidget*> order{page->ChannelsListBox, page->VisibleCheckBox, page->NameEdit,
                                page->AxisVisibleCheckBox, page->ScaleModeComboBox, page->LabelVisibleCheckBox,
                                page->BitBtn3, page->ColorButton};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }
}
}  // namespace
