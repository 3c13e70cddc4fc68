#include "window/services/page_scroll.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QResizeEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QWindow>

#include "platform/files/files.h"

namespace qv::window {

PageScrollArea::PageScrollArea(QWidget* page, QWidget* parent) : QScrollArea(parent) {
    // Invisible until needed: no frame, no background of its own, no tab stop.
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);
    setWidget(page);
    page->setAutoFillBackground(false);  // setWidget turned it on
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
}

QSize PageScrollArea::sizeHint() const {
    const QWidget* p = widget();
    if (!p) return QScrollArea::sizeHint();
    const QSize hint = p->sizeHint();
    return hint.isValid() ? p->minimumSize().expandedTo(hint) : p->minimumSize();
}

void PageScrollArea::resizeEvent(QResizeEvent* event) {
    QWidget* page = widget();
    if (page && window()->size() == window()->sizeHint() && page->baseSize() != event->size()) {
        page->setBaseSize(event->size());  // no frame: the page fills the area
        // A page that has this size already lays itself out anew.
        if (page->size() == event->size()) {
            QResizeEvent again(page->size(), page->size());
            QCoreApplication::sendEvent(page, &again);
        }
    }
    QScrollArea::resizeEvent(event);
}

void PageScrollArea::focusMoved(QWidget* now) {
    // A control reached by Tab, a mnemonic or the program itself comes into view.
    if (now && widget() && widget()->isAncestorOf(now)) ensureWidgetVisible(now);
}

void addScrolledPages(QTabWidget* tabs, std::initializer_list<qv::dialog::DialogPage*> pages) {
    for (qv::dialog::DialogPage* page : pages) {
        auto* area = new PageScrollArea(page);
        area->setAccessibleName(page->tabTitle());
        tabs->addTab(area, page->tabTitle());
    }
}

void fitToScreen(QWidget* window, const std::function<QSize(const QSize& room)>& wanted) {
    window->ensurePolished();
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    // The window manager's frame is known only once the window is shown:
    // until then allow for a title bar and a thin border.
    QMargins frame;
    if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull()) {
        frame = handle->frameMargins();
    } else {
        const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
        const int title = qMax(window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window),
                               2 * window->fontMetrics().height());
        frame = QMargins(border, title, border, border);
    }
    const QSize room(free.width() - frame.left() - frame.right(), free.height() - frame.top() - frame.bottom());
    const QSize size = wanted(room).boundedTo(room).expandedTo(window->minimumSizeHint());
    window->resize(size);
    const int outerW = size.width() + frame.left() + frame.right();
    const int outerH = size.height() + frame.top() + frame.bottom();
    window->move(free.x() + qMax(0, (free.width() - outerW) / 2), free.y() + qMax(0, (free.height() - outerH) / 2));
}

namespace {
QString placeFile() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/window-place");
}
}  // namespace

bool restorePlace(QWidget* window) {
    const QString file = placeFile();
    if (file.isEmpty()) return false;
    const auto read = qv::files::readWhole(QFile::encodeName(file).toStdString(), 4096);
    if (!read.ok()) return false;
    return window->restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(read.bytes).trimmed()));
}

void keepPlace(const QWidget* window) {
    const QString file = placeFile();
    if (file.isEmpty() || !QDir().mkpath(QFileInfo(file).path())) return;
    const QByteArray line = window->saveGeometry().toBase64() + '\n';
    qv::files::writeWhole(QFile::encodeName(file).toStdString(), std::string_view(line.constData(), line.size()));
}

}  // namespace qv::window
