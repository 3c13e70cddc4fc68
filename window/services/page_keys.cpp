#include "window/services/page_keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace qv::window {
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

QChar accessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toLower();
        ++i;  // "&&" is a plain ampersand
    }
    return {};
}

namespace {
// The caption a control shows, and how to give it another.
struct Captioned {
    QWidget* widget;
    QString text;
    std::function<void(const QString&)> set;
};

std::vector<Captioned> captionsOf(QWidget* page) {
    std::vector<Captioned> out;
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
        if (b->focusPolicy() == Qt::NoFocus) continue;  // display only
        out.push_back({b, b->text(), [b](const QString& t) { b->setText(t); }});
    }
    for (QLabel* l : page->findChildren<QLabel*>())
        if (l->buddy() && l->textFormat() != Qt::RichText) out.push_back({l, l->text(), [l](const QString& t) { l->setText(t); }});
    // In Tab order (a label where its buddy is): the order stays the same
    // when a small window moves controls to other parents, so each keeps its key.
    std::map<const QWidget*, int> position;
    int n = 0;
    for (QWidget* w = page->nextInFocusChain(); w && w != page && n < 100000; w = w->nextInFocusChain(), ++n)
        if (page->isAncestorOf(w)) position.emplace(w, n);
    auto rank = [&](const Captioned& c) {
        const auto* l = qobject_cast<const QLabel*>(c.widget);
        const auto it = position.find(l ? l->buddy() : c.widget);
        return it == position.end() ? n : it->second;
    };
    std::stable_sort(out.begin(), out.end(), [&](const Captioned& a, const Captioned& b) { return rank(a) < rank(b); });
    return out;
}
}  // namespace

void assignAccessKeys(QWidget* page, const QString& reserved) {
    QString used = reserved.toLower();
    std::vector<Captioned> captions = captionsOf(page);
    for (const Captioned& c : captions)
        if (const QChar key = accessKey(c.text); !key.isNull()) used += key;
    for (const Captioned& c : captions) {
        if (!accessKey(c.text).isNull() || c.text.trimmed().isEmpty()) continue;
        auto free = [&](qsizetype i) { return c.text[i].isLetterOrNumber() && !used.contains(c.text[i].toLower()); };
        qsizetype at = -1;
        for (qsizetype i = 0; i < c.text.size() && at < 0; ++i)
            if ((i == 0 || !c.text[i - 1].isLetterOrNumber()) && free(i)) at = i;
        for (qsizetype i = 0; i < c.text.size() && at < 0; ++i)
            if (free(i)) at = i;
        if (at < 0) continue;  // every letter taken: no key rather than a clash
        used += c.text[at].toLower();
        c.set(QString(c.text).insert(at, QLatin1Char('&')));
    }
}

}  // namespace qv::window
