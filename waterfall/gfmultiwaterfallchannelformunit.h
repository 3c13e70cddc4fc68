#pragma once
// The channel page of the setup dialog: the channel list with check marks
// for visibility, and the selected channel's name, level axis, label and
// colour. Every change takes effect on the component at once.
#include <QColor>
#include <QWidget>
#include <functional>

#include "platform/waterfall/property_forms.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QFrame;
class TGFCommonPropertiesForm;
class TGFMultiWaterfall;
class TGFMultiWaterfallChannel;

// A box that paints itself in one colour.
class TGFColorPaintBox : public QWidget {
public:
    explicit TGFColorPaintBox(QWidget* parent) : QWidget(parent) {}
    std::function<void(QPainter&)> OnPaint;  // fills it with its colour when unset
    QColor Color() const { return color_; }
    void SetColor(const QColor& c) {
        color_ = c;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::black;
};

class TGFMultiWaterfallChannelForm : public TTZPropertyPageForm {
public:
    TGFMultiWaterfallChannelForm(TGFCommonPropertiesForm* owner, int itemIndex, TGFMultiWaterfall* waterfall);

    // The handlers, named as the form stores them.
    void ChannelsListBoxClick();
    void ChannelsListBoxClickCheck(int row);
    void VisibleCheckBoxClick();
    void NameEditChange();
    void NameEditExit();
    // True when the key was consumed.
    bool NameEditKeyPress(int key);
    void LabelVisibleCheckBoxClick();
    void AxisVisibleCheckBoxClick();
    void ScaleModeComboBoxChange();
    void BitBtn3Click();
    void ColorButtonClick();
    void ColorPaintBoxPaint(QPainter& painter);

    QWidget* Panel1;
    QListWidget* ChannelsListBox;
    QCheckBox* VisibleCheckBox;
    QLabel* Label1;
    QLineEdit* NameEdit;
    QGroupBox* GroupBox1;
    QLabel* Label2;
    QCheckBox* AxisVisibleCheckBox;
    QComboBox* ScaleModeComboBox;
    QGroupBox* GroupBox2;
    QCheckBox* LabelVisibleCheckBox;
    QPushButton* BitBtn3;
    QFrame* ColorPanel;
    TGFColorPaintBox* ColorPaintBox;
    QPushButton* ColorButton;

    bool Updating() const { return updating_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TGFMultiWaterfallChannel* Selected() const;
    TGFCommonPropertiesForm* owner_;
    TGFMultiWaterfall* waterfall_;
    bool updating_ = false;
    bool filling_ = false;  // list items being added: their check marks are no clicks
};

// Set by the unit's initialisation, as the form variable of the host.
extern TGFMultiWaterfallChannelForm* GFMultiWaterfallChannelForm;

namespace Gfmultiwaterfallchannelformunit {
void initialization();
void Finalization();
}  // namespace Gfmultiwaterfallchannelformunit
