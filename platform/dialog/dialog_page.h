#pragma once
// What every page needs of the dialog framework: controls addressed by their
// numeric identifiers, as the text files address them, and a dialog
// initialisation that runs when the page is first shown.
#include <QString>
#include <QWidget>
#include <map>

class QShowEvent;

namespace qv::dialog {

class DialogPage : public QWidget {
public:
    explicit DialogPage(QWidget* parent = nullptr);

    int pageReady() const { return pageReady_; }
    const QString& tabTitle() const { return tabTitle_; }

    // The template's size: what the page would like to have.
    QSize sizeHint() const override;
    // The smallest size, within room where one is, in which the page shows
    // everything without scrolling.
    virtual QSize unscrolledSize(const QSize& room) const;

    QWidget* control(int id) const;
    template <class T>
    T* controlAs(int id) const {
        return qobject_cast<T*>(control(id));
    }
    void setControlText(int id, const QString& text);
    QString controlText(int id) const;
    void showControl(int id, bool visible);
    void enableControl(int id, bool enabled);
    bool isControlVisible(int id) const;  // by the page's own flag, not the window's

    // Texts of the labels file that belong to no control: captions the page
    // builds into other texts (a reason in a tool tip, say). One the file
    // lacks shows as "#<id>", seen as missing rather than passed off as another.
    void setPageText(int id, const QString& text) { pageTexts_[id] = text; }
    QString pageText(int id) const {
        auto it = pageTexts_.find(id);
        return it == pageTexts_.end() ? QStringLiteral("#%1").arg(id) : it->second;
    }

    // Dialog units as the dialog framework measures them: a horizontal unit
    // is a quarter of the font's average character width, a vertical unit an
    // eighth of its height, so a template keeps its proportions at any size.
    QRect dialogUnitsToPixels(int x, int y, int w, int h) const;
    void place(QWidget* w, int x, int y, int width, int height);

    // The grey-out rule, the one routine for all pages: a control the model
    // has is shown and enabled; one it lacks is greyed (shown, disabled) when
    // greyOut is 1 and hidden otherwise.
    void applyGreyOut(int id, bool available, int greyOut);

    // The help text shown as the control's tool tip: multi-line as given,
    // wrapped at 500 pixels, shown for 30 s. Also its accessible description.
    void setHelpText(int id, const QString& text);
    QString helpText(int id) const;
    static constexpr int kToolTipMs = 30000;
    static constexpr int kToolTipWidth = 500;
    // The tool tip as rich text, wrapped when a line is wider than the limit.
    QString toolTipHtml(int id) const;

protected:
    // Registers w under id; its object name becomes "ctl<id>" so tests and
    // assistive tools can find it.
    template <class T>
    T* addControl(int id, T* w) {
        registerControl(id, w);
        return w;
    }
    void registerControl(int id, QWidget* w);
    void setTabTitle(const QString& title) { tabTitle_ = title; }
    void markReady() { pageReady_ = 1; }

    // Runs once, when the page is first shown.
    virtual void onInitDialog() {}
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, QWidget*> controls_;
    std::map<int, QString> help_;
    std::map<int, QString> pageTexts_;
    QString tabTitle_;
    int pageReady_ = 0;
    bool initialised_ = false;
};

// Windows-1252 bytes to what Qt shows, and back (characters outside the code
// page become '?').
QString fromCp1252(const std::string& bytes);
std::string toCp1252(const QString& text);

}  // namespace qv::dialog
