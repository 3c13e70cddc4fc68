#pragma once
// How the sheet fits a screen: every page sits in a scroll area that scrolls
// only when the window is smaller than the page's template, and the window
// opens no larger than the screen's free area.
#include <functional>
#include <QScrollArea>
#include <initializer_list>

#include "platform/dialog/dialog_page.h"

class QTabWidget;

namespace qv::window {

class PageScrollArea : public QScrollArea {
public:
    explicit PageScrollArea(QWidget* page, QWidget* parent = nullptr);
    QWidget* page() const { return widget(); }
    // The page's own size, so the sheet opens where nothing scrolls.
    QSize sizeHint() const override;

protected:
    // While the window has its natural size, the page's size there becomes
    // its baseSize: a page that grows with the window grows beyond it.
    void resizeEvent(QResizeEvent* event) override;

private:
    void focusMoved(QWidget* now);
};

// Adds the pages to tabs, each inside a PageScrollArea under its tab title.
void addScrolledPages(QTabWidget* tabs, std::initializer_list<qv::dialog::DialogPage*> pages);

// Gives a window that has not been shown yet the size wanted(room) asks
// for, room being the available area of its screen less the window frame,
// bounded by that area, and centres it there.
void fitToScreen(QWidget* window, const std::function<QSize(const QSize& room)>& wanted);

// The window's place and size when it was last closed, kept per user
// ("window-place" in the program's folder of the user's configuration) for
// the next start. restorePlace is false when none was kept or it fits no
// screen now; a place that cannot be kept is simply not kept.
bool restorePlace(QWidget* window);
void keepPlace(const QWidget* window);

}  // namespace qv::window
