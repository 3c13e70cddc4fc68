#include "platform/waterfall/property_forms.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/waterfall/basic_waterfall.h"

namespace {
FormDialogs* g_dialogs = nullptr;

QString caption(const QString& text) {
    QString t = text;
    return t.remove(QLatin1Char('&'));
}
}  // namespace

bool FormDialogs::ChooseFont(QWidget* owner, QFont& font) {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, font, owner);
    if (ok) font = chosen;
    return ok;
}

bool FormDialogs::ChooseColor(QWidget* owner, QColor& color) {
    QColor chosen = QColorDialog::getColor(color, owner);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

FormDialogs& formDialogs() {
    static FormDialogs real;
    return g_dialogs ? *g_dialogs : real;
}

void setFormDialogs(FormDialogs* dialogs) { g_dialogs = dialogs; }

TGFCommonPropertiesForm::TGFCommonPropertiesForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Properties"));
    pageControl_ = new QTabWidget(this);
    pageControl_->setObjectName(QStringLiteral("PageControl"));
    pageControl_->setAccessibleName(QStringLiteral("Pages"));
    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel2_ = new QFrame(panel1_);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    ok_ = new QPushButton(QStringLiteral("OK"), panel2_);
    ok_->setAccessibleName(QStringLiteral("OK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), panel2_);
    cancel_->setAccessibleName(QStringLiteral("Cancel"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(pageControl_, ok_);
    setTabOrder(ok_, cancel_);
}

void TGFCommonPropertiesForm::AddForm(TTZPropertyPageForm* page) { pageControl_->addTab(page, page->Caption()); }
void TGFCommonPropertiesForm::EnableOK() { ok_->setEnabled(true); }
void TGFCommonPropertiesForm::DisableOK() { ok_->setEnabled(false); }

void TGFCommonPropertiesForm::ArrangeFrame(int clientWidth, int clientHeight, int pageHeight) {
    panelHeight_ = clientHeight - pageHeight;
    resize(clientWidth, clientHeight);
}

void TGFCommonPropertiesForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The pages grow with the dialog; the buttons keep to the bottom right.
    int w = width(), h = height();
    int panelHeight = panelHeight_;
    pageControl_->setGeometry(0, 0, w, h - panelHeight);
    panel1_->setGeometry(0, h - panelHeight, w, panelHeight);
    int p2w = 165;
    // The button panel keeps to the right edge whatever the page widths.
    panel2_->setGeometry(w - p2w, 0, p2w, panelHeight);
    ok_->setGeometry(2, 8, 75, 25);
    cancel_->setGeometry(84, 8, 75, 25);
}

TTZWaterfallMarkerGroupsForm::TTZWaterfallMarkerGroupsForm(QWidget* parent, int itemIndex,
                                                           TTZBasicWaterfall* waterfall)
    : TTZPropertyPageForm(parent) {
    setWindowTitle(QStringLiteral("Marker Groups"));
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("MarkerGroupsListBox"));
    list->setAccessibleName(QStringLiteral("Marker Groups"));
    for (const auto& g : waterfall->MarkerGroups()) list->addItem(g.name);
    if (itemIndex >= 0 && itemIndex < list->count()) list->setCurrentRow(itemIndex);
    layout->addWidget(list);
}

TTZWaterfallAxesForm::TTZWaterfallAxesForm(QWidget* parent, int itemIndex, TTZBasicWaterfall* waterfall)
    : TTZPropertyPageForm(parent) {
    (void)itemIndex;
    setWindowTitle(QStringLiteral("Axes"));
    auto* layout = new QVBoxLayout(this);
    auto* history = new QGroupBox(QStringLiteral("History"), this);
    history->setAccessibleName(QStringLiteral("History"));
    auto* hl = new QVBoxLayout(history);
    auto* reversed = new QCheckBox(QStringLiteral("&Reversed"), history);
    reversed->setObjectName(QStringLiteral("ReversedCheckBox"));
    reversed->setAccessibleName(caption(reversed->text()));
    reversed->setChecked(waterfall->XAxis().Reversed());
    auto* depthLabel = new QLabel(QStringLiteral("&Depth:"), history);
    auto* depth = new QSpinBox(history);
    depth->setObjectName(QStringLiteral("DepthSpinBox"));
    depth->setAccessibleName(QStringLiteral("Depth"));
    depth->setRange(1, 100000);
    depth->setValue(waterfall->XAxis().BufferCapacity());
    depthLabel->setBuddy(depth);
    auto* xVisible = new QCheckBox(QStringLiteral("&Visible"), history);
    xVisible->setAccessibleName(QStringLiteral("Visible"));
    xVisible->setChecked(waterfall->XAxis().Visible());
    hl->addWidget(reversed);
    hl->addWidget(depthLabel);
    hl->addWidget(depth);
    hl->addWidget(xVisible);
    auto* samples = new QGroupBox(QStringLiteral("Samples"), this);
    samples->setAccessibleName(QStringLiteral("Samples"));
    auto* sl = new QVBoxLayout(samples);
    auto* yVisible = new QCheckBox(QStringLiteral("V&isible"), samples);
    yVisible->setAccessibleName(QStringLiteral("Visible"));
    yVisible->setChecked(waterfall->YAxis().Visible());
    sl->addWidget(yVisible);
    layout->addWidget(history);
    layout->addWidget(samples);
    layout->addStretch();
    // Changes take effect at once, as on the other pages.
    connect(reversed, &QCheckBox::toggled, this, [waterfall](bool on) {
        waterfall->XAxis().SetReversed(on);
        waterfall->RequestFullRedraw();
        waterfall->update();
    });
    connect(depth, &QSpinBox::valueChanged, this, [waterfall](int n) {
        waterfall->XAxis().SetBufferCapacity(n);
        waterfall->RequestFullRedraw();
        waterfall->update();
    });
    connect(xVisible, &QCheckBox::toggled, this, [waterfall](bool on) {
        waterfall->XAxis().SetVisible(on);
        waterfall->update();
    });
    connect(yVisible, &QCheckBox::toggled, this, [waterfall](bool on) {
        waterfall->YAxis().SetVisible(on);
        waterfall->update();
    });
}
