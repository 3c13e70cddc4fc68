#pragma once
// How the sheet fits a screen: every page sits in a scroll area that scrolls
// only when the window is smaller than the page's template, and the window
// opens no larger than the screen's free area.
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

// Gives a window that has not been shown yet its natural size, bounded by
// the available area of its screen (window frame included), and centres it there.
void fitToScreen(QWidget* window);

}  // namespace qv::window
