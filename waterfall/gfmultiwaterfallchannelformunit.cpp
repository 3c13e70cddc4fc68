#include "waterfall/gfmultiwaterfallchannelformunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include "waterfall/gfmultiwaterfall.h"

TGFMultiWaterfallChannelForm* GFMultiWaterfallChannelForm = nullptr;

namespace {
QString plain(const QString& caption) {
    QString t = caption;
    return t.remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed();
}

// The button pictures: a normal and a greyed image each.
QIcon glyph(bool font) {
    QIcon icon;
    for (bool enabled : {true, false}) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        if (font) {
            QFont f;
            f.setPixelSize(14);
            f.setBold(true);
            p.setFont(f);
            p.setPen(enabled ? QColor(0, 0, 128) : Qt::gray);
            p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("A"));
        } else {
            const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
            for (int i = 0; i < 4; ++i) {
                QColor c = enabled ? colors[i] : QColor(160, 160, 160);
                p.fillRect(QRect((i % 2) * 8 + 1, (i / 2) * 8 + 1, 6, 6), c);
            }
        }
        p.end();
        icon.addPixmap(pm, enabled ? QIcon::Normal : QIcon::Disabled);
    }
    return icon;
}

template <class W>
W* at(W* w, int left, int top, int width, int height) {
    w->setGeometry(left, top, width, height);
    return w;
}
}  // namespace

void TGFColorPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (OnPaint)
        OnPaint(p);
    else
        p.fillRect(rect(), color_);
}

TGFMultiWaterfallChannelForm::TGFMultiWaterfallChannelForm(TGFCommonPropertiesForm* owner, int itemIndex,
                                                           TGFMultiWaterfall* waterfall)
    : TTZPropertyPageForm(owner), owner_(owner), waterfall_(waterfall) {
    setWindowTitle(QStringLiteral("Channels"));
    setObjectName(QStringLiteral("GFMultiWaterfallChannelForm"));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    setMinimumSize(338, 264);
    resize(338, 264);

    Panel1 = at(new QWidget(this), 0, 0, 161, 264);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    ChannelsListBox = at(new QListWidget(Panel1), 4, 4, 153, 256);
    ChannelsListBox->setObjectName(QStringLiteral("ChannelsListBox"));
    ChannelsListBox->setAccessibleName(QStringLiteral("Channels"));

    VisibleCheckBox = at(new QCheckBox(QStringLiteral("&Visible"), this), 168, 8, 65, 17);
    VisibleCheckBox->setObjectName(QStringLiteral("VisibleCheckBox"));
    Label1 = at(new QLabel(QStringLiteral("&Name"), this), 168, 35, 28, 13);
    Label1->setObjectName(QStringLiteral("Label1"));
    NameEdit = at(new QLineEdit(QStringLiteral("NameEdit"), this), 168, 56, 161, 21);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    Label1->setBuddy(NameEdit);

    GroupBox1 = at(new QGroupBox(QStringLiteral(" Axis "), this), 168, 88, 161, 65);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label2 = at(new QLabel(QStringLiteral("&Scale Mode:"), GroupBox1), 8, 20, 60, 13);
    Label2->setObjectName(QStringLiteral("Label2"));
    AxisVisibleCheckBox = at(new QCheckBox(QStringLiteral("V&isible"), GroupBox1), 90, 13, 65, 17);
    AxisVisibleCheckBox->setObjectName(QStringLiteral("AxisVisibleCheckBox"));
    ScaleModeComboBox = at(new QComboBox(GroupBox1), 8, 36, 145, 21);
    ScaleModeComboBox->setObjectName(QStringLiteral("ScaleModeComboBox"));
    ScaleModeComboBox->addItems({QStringLiteral("Linear"), QStringLiteral("Logarithmic"),
                                 QStringLiteral("Logarithmic Decades")});
    ScaleModeComboBox->setCurrentIndex(0);
    Label2->setBuddy(ScaleModeComboBox);

    GroupBox2 = at(new QGroupBox(QStringLiteral(" Label "), this), 168, 161, 161, 48);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    LabelVisibleCheckBox = at(new QCheckBox(QStringLiteral("Vi&sible"), GroupBox2), 10, 18, 63, 17);
    LabelVisibleCheckBox->setObjectName(QStringLiteral("LabelVisibleCheckBox"));
    BitBtn3 = at(new QPushButton(glyph(true), QStringLiteral("&Font..."), GroupBox2), 74, 14, 75, 25);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));

    // The caption sits on the frame line, as the stored positions expect.
    for (QGroupBox* g : {GroupBox1, GroupBox2})
        g->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; left: 6px; top: 0px; }"));

    ColorPanel = at(new QFrame(this), 184, 224, 41, 21);
    ColorPanel->setObjectName(QStringLiteral("ColorPanel"));
    ColorPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ColorPanel->setAccessibleName(QStringLiteral("Color"));
    ColorPaintBox = at(new TGFColorPaintBox(ColorPanel), 1, 1, 39, 19);
    ColorPaintBox->setObjectName(QStringLiteral("ColorPaintBox"));
    ColorPaintBox->setAccessibleName(QStringLiteral("Color"));
    ColorPaintBox->OnPaint = [this](QPainter& p) { ColorPaintBoxPaint(p); };
    ColorButton = at(new QPushButton(glyph(false), QStringLiteral("&Color..."), this), 232, 222, 75, 25);
    ColorButton->setObjectName(QStringLiteral("ColorButton"));

    for (QWidget* w : std::initializer_list<QWidget*>{VisibleCheckBox, AxisVisibleCheckBox, LabelVisibleCheckBox,
                                                       BitBtn3, ColorButton})
        w->setAccessibleName(plain(w->property("text").toString()));
    // The stored widths fit the host's narrow system font; ours may be wider.
    for (QWidget* w : std::initializer_list<QWidget*>{VisibleCheckBox, Label1, Label2, AxisVisibleCheckBox,
                                                       LabelVisibleCheckBox})
        w->resize(std::max(w->width(), w->sizeHint().width()), w->height());
    GroupBox1->setAccessibleName(plain(GroupBox1->title()));
    GroupBox2->setAccessibleName(plain(GroupBox2->title()));
    NameEdit->setAccessibleName(plain(Label1->text()));
    ScaleModeComboBox->setAccessibleName(plain(Label2->text()));
    Label1->setAccessibleName(plain(Label1->text()));
    Label2->setAccessibleName(plain(Label2->text()));

    // The stored tab order.
    setTabOrder(ChannelsListBox, VisibleCheckBox);
    setTabOrder(VisibleCheckBox, NameEdit);
    setTabOrder(NameEdit, AxisVisibleCheckBox);
    setTabOrder(AxisVisibleCheckBox, ScaleModeComboBox);
    setTabOrder(ScaleModeComboBox, LabelVisibleCheckBox);
    setTabOrder(LabelVisibleCheckBox, BitBtn3);
    setTabOrder(BitBtn3, ColorButton);

    connect(VisibleCheckBox, &QCheckBox::clicked, this, [this] { VisibleCheckBoxClick(); });
    connect(NameEdit, &QLineEdit::textChanged, this, [this] { NameEditChange(); });
    NameEdit->installEventFilter(this);
    connect(AxisVisibleCheckBox, &QCheckBox::toggled, this, [this] { AxisVisibleCheckBoxClick(); });
    connect(LabelVisibleCheckBox, &QCheckBox::toggled, this, [this] { LabelVisibleCheckBoxClick(); });
    connect(ScaleModeComboBox, &QComboBox::currentIndexChanged, this, [this] { ScaleModeComboBoxChange(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(ColorButton, &QPushButton::clicked, this, [this] { ColorButtonClick(); });
    connect(ChannelsListBox, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!filling_) ChannelsListBoxClickCheck(ChannelsListBox->row(item));
    });

    // Filled with the click handler detached, then one click on item i.
    filling_ = true;
    ChannelsListBox->clearSelection();
    ChannelsListBox->clear();
    auto& channels = waterfall_->Channels();
    for (int i = 0; i < channels.Count(); ++i) {
        auto* item = new QListWidgetItem(channels.GetItem(i)->Name(), ChannelsListBox);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(channels.GetItem(i)->Visible() ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
    if (itemIndex >= 0 && itemIndex < ChannelsListBox->count()) ChannelsListBox->setCurrentRow(itemIndex);
    connect(ChannelsListBox, &QListWidget::currentRowChanged, this, [this] { ChannelsListBoxClick(); });
    ChannelsListBoxClick();
}

TGFMultiWaterfallChannel* TGFMultiWaterfallChannelForm::Selected() const {
    int row = ChannelsListBox->currentRow();
    auto* item = ChannelsListBox->currentItem();
    if (row < 0 || !item || !item->isSelected()) return nullptr;
    return waterfall_->Channels().GetItem(row);
}

void TGFMultiWaterfallChannelForm::ChannelsListBoxClick() {
    auto* c = Selected();
    if (!c) return;
    updating_ = true;
    NameEdit->setText(c->Name());
    VisibleCheckBox->setChecked(c->Visible());
    AxisVisibleCheckBox->setChecked(c->Levels()->AxisVisible());
    LabelVisibleCheckBox->setChecked(c->Levels()->LevelLabel()->Visible());
    ScaleModeComboBox->setCurrentIndex(int(c->Levels()->Mode()));
    ColorPaintBox->SetColor(TColorToQColor(c->Color()));
    updating_ = false;
}

void TGFMultiWaterfallChannelForm::ChannelsListBoxClickCheck(int row) {
    if (row < 0) return;
    if (ChannelsListBox->currentRow() != row) ChannelsListBox->setCurrentRow(row);
    auto* c = Selected();
    if (!c) return;
    c->SetVisible(ChannelsListBox->item(row)->checkState() == Qt::Checked);
    VisibleCheckBox->setChecked(c->Visible());
}

void TGFMultiWaterfallChannelForm::VisibleCheckBoxClick() {
    auto* c = Selected();
    if (!c) return;
    c->SetVisible(VisibleCheckBox->isChecked());
    filling_ = true;
    ChannelsListBox->currentItem()->setCheckState(VisibleCheckBox->isChecked() ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
}

void TGFMultiWaterfallChannelForm::NameEditChange() {
    if (!updating_ && owner_) owner_->DisableOK();
}

void TGFMultiWaterfallChannelForm::NameEditExit() {
    if (auto* c = Selected()) {
        c->SetName(NameEdit->text());
        filling_ = true;
        ChannelsListBox->currentItem()->setText(NameEdit->text());
        filling_ = false;
    }
    if (owner_) owner_->EnableOK();
}

bool TGFMultiWaterfallChannelForm::NameEditKeyPress(int key) {
    if (key == 13) {
        NameEditExit();
        return true;
    }
    if (key == 27) {
        if (auto* c = Selected()) {
            updating_ = true;  // the restored text is no typing
            NameEdit->setText(c->Name());
            updating_ = false;
        }
        NameEdit->selectAll();
        if (owner_) owner_->EnableOK();
    }
    return false;
}

void TGFMultiWaterfallChannelForm::LabelVisibleCheckBoxClick() {
    if (updating_) return;
    if (auto* c = Selected()) {
        c->Levels()->LevelLabel()->SetVisible(LabelVisibleCheckBox->isChecked());
        waterfall_->RecalculateLayout();
    }
}

void TGFMultiWaterfallChannelForm::AxisVisibleCheckBoxClick() {
    if (updating_) return;
    if (auto* c = Selected()) {
        c->Levels()->SetAxisVisible(AxisVisibleCheckBox->isChecked());
        waterfall_->RecalculateLayout();
    }
}

void TGFMultiWaterfallChannelForm::ScaleModeComboBoxChange() {
    if (updating_) return;
    if (auto* c = Selected()) {
        c->Levels()->SetMode(TTZAxisDisplayLevelView::ScaleMode(ScaleModeComboBox->currentIndex()));
        waterfall_->RepopulateView();
    }
}

void TGFMultiWaterfallChannelForm::BitBtn3Click() {
    auto* c = Selected();
    if (!c) return;
    QFont font = c->Levels()->LevelLabel()->Font();
    if (formDialogs().ChooseFont(this, font)) {
        c->Levels()->LevelLabel()->SetFont(font);
        waterfall_->RecalculateLayout();
    }
}

void TGFMultiWaterfallChannelForm::ColorButtonClick() {
    auto* c = Selected();
    if (!c) return;
    QColor color = TColorToQColor(c->Color());
    if (formDialogs().ChooseColor(this, color)) {
        c->SetColor(QColorToTColor(color));
        ChannelsListBoxClick();
    }
}

void TGFMultiWaterfallChannelForm::ColorPaintBoxPaint(QPainter& painter) {
    painter.fillRect(ColorPaintBox->rect(), ColorPaintBox->Color());
}

bool TGFMultiWaterfallChannelForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NameEdit) {
        if (event->type() == QEvent::FocusOut) {
            NameEditExit();
        } else if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            int key = (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) ? 13
                      : k->key() == Qt::Key_Escape                              ? 27
                                                                                : 0;
            if (key && NameEditKeyPress(key)) return true;
            // The field does nothing with Escape; handed on it would reach
            // the dialog and close it, and the restored name would go unseen.
            if (key == 27) return true;
        }
    }
    return TTZPropertyPageForm::eventFilter(watched, event);
}

void Gfmultiwaterfallchannelformunit::initialization() { GFMultiWaterfallChannelForm = nullptr; }
void Gfmultiwaterfallchannelformunit::Finalization() { GFMultiWaterfallChannelForm = nullptr; }
