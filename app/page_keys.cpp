#include "app/page_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>

namespace qv::app {
namespace {

class PageKeys : public QObject {
public:
    explicit PageKeys(QTabWidget* tabs) : QObject(tabs), tabs_(tabs) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        // Only keys typed in the sheet itself: a drop-down list's popup or a
        // dialog on top keeps its own Ctrl+Tab.
        if (static_cast<QWidget*>(watched)->window() != tabs_->window()) return false;
        const int step = stepOf(*static_cast<QKeyEvent*>(event));
        const int n = tabs_->count();
        if (step == 0 || n == 0) return false;
        tabs_->setCurrentIndex((tabs_->currentIndex() + step + n) % n);
        return true;
    }

private:
    static int stepOf(const QKeyEvent& key) {
        const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
        const bool shift = mods & Qt::ShiftModifier;
        if ((mods & ~Qt::ShiftModifier) != Qt::ControlModifier) return 0;
        switch (key.key()) {
            case Qt::Key_Tab: return shift ? -1 : 1;
            case Qt::Key_Backtab: return -1;
            case Qt::Key_PageDown: return shift ? 0 : 1;
            case Qt::Key_PageUp: return shift ? 0 : -1;
            default: return 0;
        }
    }

    QTabWidget* tabs_;
};

}  // namespace

void installPageKeys(QTabWidget* tabs) { new PageKeys(tabs); }

}  // namespace qv::app
