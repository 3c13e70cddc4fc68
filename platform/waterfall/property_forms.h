#pragma once
// The tabbed setup dialog frame and its outside pages: a tab container with
// OK and Cancel, the page form base, the marker-group page and the axes page.
// Modal showings and the font and colour choosers go through FormDialogs so a
// test can answer them without blocking.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QWidget>
#include <functional>

class QPushButton;
class QTabWidget;
class QFrame;
class TTZBasicWaterfall;

class FormDialogs {
public:
    virtual ~FormDialogs() = default;
    virtual int RunModal(QDialog& dialog) { return dialog.exec(); }
    virtual bool ChooseFont(QWidget* owner, QFont& font);
    virtual bool ChooseColor(QWidget* owner, QColor& color);
};
FormDialogs& formDialogs();
void setFormDialogs(FormDialogs* dialogs);  // nullptr: the real ones

class TTZPropertyPageForm : public QWidget {
public:
    explicit TTZPropertyPageForm(QWidget* parent = nullptr) : QWidget(parent) {}
    QString Caption() const { return windowTitle(); }
};

class TGFCommonPropertiesForm : public QDialog {
public:
    explicit TGFCommonPropertiesForm(QWidget* parent = nullptr);
    void AddForm(TTZPropertyPageForm* page);
    void EnableOK();
    void DisableOK();
    QTabWidget* PageControl() const { return pageControl_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QFrame* Panel1() const { return panel1_; }
    QFrame* Panel2() const { return panel2_; }

protected:
    // The client size and the height of the pages above the button panel;
    // derived forms adjust the layout with it.
    void ArrangeFrame(int clientWidth, int clientHeight, int pageHeight);
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabWidget* pageControl_;
    QFrame* panel1_;
    QFrame* panel2_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int panelHeight_ = 41;
};

// Lists the marker groups; item index selects one.
class TTZWaterfallMarkerGroupsForm : public TTZPropertyPageForm {
public:
    TTZWaterfallMarkerGroupsForm(QWidget* parent, int itemIndex, TTZBasicWaterfall* waterfall);
};

// The history and sample axes: reversal, depth and visibility.
class TTZWaterfallAxesForm : public TTZPropertyPageForm {
public:
    TTZWaterfallAxesForm(QWidget* parent, int itemIndex, TTZBasicWaterfall* waterfall);
};
