#include "platform/dialog/page_flow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "platform/dialog/dialog_page.h"

namespace qv::dialog {

namespace {
constexpr int kItemGap = 6;

int scrollBarWidth(const QWidget* w) { return w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w); }

bool wrappingLabel(const QWidget* w) {
    const auto* l = qobject_cast<const QLabel*>(w);
    return l && l->wordWrap();
}
}  // namespace

PageFlow::PageFlow(DialogPage* page) : page_(page) {}

PageFlow::Part PageFlow::gather(const QRect& area) {
    Part part;
    part.box = new QWidget(page_);
    part.box->setAutoFillBackground(false);
    std::vector<QWidget*> taken;
    for (QObject* o : page_->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w == logo_ || w == valuesArea_ || w == part.box) continue;
        if (w == values_ || w == commands_.box || w == list_.box) continue;
        if (area.contains(w->geometry().topLeft())) taken.push_back(w);
    }
    // Rows of the template from the top, each row from the left.
    std::stable_sort(taken.begin(), taken.end(),
                     [](QWidget* a, QWidget* b) { return a->geometry().top() < b->geometry().top(); });
    for (std::size_t start = 0; start < taken.size();) {
        std::size_t end = start + 1;
        int bottom = taken[start]->geometry().bottom();
        while (end < taken.size() && taken[end]->geometry().top() < bottom) {
            bottom = std::max(bottom, taken[end]->geometry().bottom());
            ++end;
        }
        std::stable_sort(taken.begin() + start, taken.begin() + end,
                         [](QWidget* a, QWidget* b) { return a->geometry().left() < b->geometry().left(); });
        start = end;
    }
    // The part begins where its first control does: a small window wastes no
    // room on the template's margins.
    QRect bounds;
    for (QWidget* w : taken) bounds |= w->geometry();
    for (QWidget* w : taken) {
        // A control hidden by the page stays hidden in its new parent.
        const bool hidden = w->isHidden();
        const QRect place = w->geometry().translated(-bounds.topLeft());
        w->setParent(part.box);
        w->setGeometry(place);
        w->setHidden(hidden);
        part.items.push_back(w);
        part.places.push_back(place);
    }
    part.area = bounds.isValid() ? bounds : QRect(area.topLeft(), QSize(1, 1));
    part.box->resize(part.area.size());
    templateBounds_ |= part.area;
    return part;
}

void PageFlow::setValues(const std::vector<QRect>& columns) {
    valuesArea_ = new QScrollArea(page_);
    valuesArea_->setFrameShape(QFrame::NoFrame);
    valuesArea_->setFocusPolicy(Qt::NoFocus);
    valuesArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    valuesArea_->viewport()->setAutoFillBackground(false);
    values_ = new QWidget;
    for (const QRect& area : columns) {
        columns_.push_back(gather(area));
        valuesTemplate_ |= columns_.back().area;
    }
    for (Part& c : columns_) c.box->setParent(values_);
    valuesArea_->setWidget(values_);
    values_->setAutoFillBackground(false);  // setWidget turned it on
    placeColumns(false);
    // A value reached by Tab or a mnemonic scrolls into view.
    QObject::connect(qApp, &QApplication::focusChanged, valuesArea_, [this](QWidget*, QWidget* now) {
        if (now && values_->isAncestorOf(now)) valuesArea_->ensureWidgetVisible(now, 0, kMargin);
    });
}

QSize PageFlow::columnsSize(bool stacked) const {
    QSize size;
    int y = 0;
    for (const Part& c : columns_) {
        const QPoint at = stacked ? QPoint(0, y) : c.area.topLeft() - valuesTemplate_.topLeft();
        y += c.area.height() + kGap;
        size = size.expandedTo(QSize(at.x() + c.area.width(), at.y() + c.area.height()));
    }
    return size;
}

QSize PageFlow::placeColumns(bool stacked) {
    int y = 0;
    for (Part& c : columns_) {
        const QPoint at = stacked ? QPoint(0, y) : c.area.topLeft() - valuesTemplate_.topLeft();
        c.box->setGeometry(QRect(at, c.area.size()));
        c.box->show();
        y += c.area.height() + kGap;
    }
    const QSize size = columnsSize(stacked);
    values_->resize(size);
    return size;
}

void PageFlow::setCommands(const QRect& area) { commands_ = gather(area); }

void PageFlow::setList(const QRect& area, QWidget* stretch) {
    list_ = gather(area);
    stretch_ = stretch;
    for (std::size_t i = 0; i < list_.items.size(); ++i)
        if (list_.items[i] == stretch) stretchPlace_ = list_.places[i];
}

void PageFlow::setLogo(QWidget* logo) {
    logo_ = logo;
    logoArea_ = logo->geometry();
    templateBounds_ |= logoArea_;
}

std::vector<PageFlow::Item> PageFlow::rowItems(bool withPins) const {
    std::vector<Item> items;
    for (std::size_t i = 0; i < commands_.items.size(); ++i) items.push_back({commands_.items[i], commands_.places[i]});
    if (withPins)
        for (const Pin& p : pins_) items.push_back({p.widget, p.place});
    return items;
}

std::vector<PageFlow::Item> PageFlow::pinItems() const {
    std::vector<Item> items;
    for (const Pin& p : pins_) items.push_back({p.widget, p.place});
    return items;
}

int PageFlow::rows(const std::vector<Item>& items, int width, int top, bool place) {
    int x = 0, y = top, rowH = 0;
    QRect previous;
    for (std::size_t i = 0; i < items.size(); ++i) {
        QWidget* w = items[i].widget;
        QRect t = items[i].place;
        // A hidden text takes no room; a hidden picture keeps its place, as
        // it blinks; a hidden button is not there.
        if (const auto* l = qobject_cast<const QLabel*>(w); l && w->isHidden() && l->pixmap().isNull()) continue;
        if (qobject_cast<const QAbstractButton*>(w) && w->isHidden()) continue;
        t.setWidth(std::min(t.width(), width));
        if (wrappingLabel(w)) {
            // A note takes a row of its own, as wide as the rows.
            if (x > 0) y += rowH + kItemGap;
            const int h = std::max(w->heightForWidth(width), w->fontMetrics().height());
            if (place) w->setGeometry(0, y, width, h);
            y += h + kItemGap;
            x = rowH = 0;
            previous = t;
            continue;
        }
        const bool sameRow = i > 0 && t.top() < previous.bottom();
        int gap = sameRow ? kItemGap / 2 : (t.top() - previous.bottom() > kItemGap + 2 ? kGap : kItemGap);
        if (x > 0 && x + gap + t.width() > width) {
            y += rowH + kItemGap;
            x = rowH = 0;
        }
        if (x == 0) gap = 0;
        if (place) w->setGeometry(x + gap, y + (rowH > 0 && t.height() < rowH ? (rowH - t.height()) / 2 : 0),
                                  t.width(), t.height());
        x += gap + t.width();
        rowH = std::max(rowH, t.height());
        previous = t;
    }
    return y + rowH;
}

int PageFlow::commandRows(int width, bool place, bool withPins) const {
    return rows(rowItems(withPins), width, 0, place);
}

void PageFlow::setPinned(const std::vector<QWidget*>& widgets) {
    for (QWidget* w : widgets)
        for (std::size_t c = 0; c < columns_.size(); ++c)
            for (std::size_t i = 0; i < columns_[c].items.size(); ++i)
                if (columns_[c].items[i] == w) pins_.push_back({w, c, columns_[c].places[i]});
}

void PageFlow::pin(bool on) {
    if (on == pinned_ || pins_.empty()) return;
    pinned_ = on;
    // Moving a widget to another parent takes it out of the Tab order: the
    // page's order, as it was, is laid again afterwards.
    std::vector<QWidget*> order;
    for (QWidget* w = page_->nextInFocusChain(); w && w != page_; w = w->nextInFocusChain())
        if (page_->isAncestorOf(w) && w->focusPolicy() & Qt::TabFocus) order.push_back(w);
    QWidget* focus = QApplication::focusWidget();
    for (const Pin& p : pins_) {
        const bool hidden = p.widget->isHidden();
        p.widget->setParent(on ? commands_.box : columns_[p.column].box);
        if (!on) p.widget->setGeometry(p.place);
        p.widget->setHidden(hidden);
    }
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    if (focus && !focus->hasFocus() && page_->isAncestorOf(focus)) focus->setFocus(Qt::OtherFocusReason);
}

QSize PageFlow::minimumSize() const {
    int widest = 0, narrowest = 0;
    for (const QRect& t : commands_.places) widest = std::max(widest, t.width());
    for (const Part& c : columns_) narrowest = std::max(narrowest, c.area.width());
    const int valuesW = values_ ? narrowest + scrollBarWidth(page_) : 0;
    const int width = std::max(widest, valuesW) + 2 * kMargin;
    const int rowsH = commands_.box ? commandRows(width - 2 * kMargin, false, !pins_.empty()) : 0;
    const int someValues = 4 * page_->fontMetrics().height();
    const int listH = list_.box ? list_.area.height() + kGap : 0;
    return {width, 2 * kMargin + someValues + kGap + rowsH + listH};
}

QSize PageFlow::unscrolledSize(const QSize& room) const {
    // The sizes arrange() needs to choose each of these and leave the values whole.
    const int sb = values_ ? scrollBarWidth(page_) : 0;
    const QSize side = values_ ? valuesTemplate_.size() + QSize(sb, 0) : QSize(0, 0);
    const QSize commands = commands_.area.size();
    const int listH = list_.box ? list_.area.height() : 0;
    auto after = [](int x, int width) { return width > 0 ? x + width + kGap : x; };
    const int cx = after(kMargin, side.width());
    const int contentH = 2 * kMargin + std::max(side.height(), commands.height());
    std::vector<QSize> ways{{templateBounds_.right() + kMargin, templateBounds_.bottom() + kMargin}};
    if (list_.box) ways.emplace_back(after(cx, commands.width()) + kListMinWidth + kMargin, contentH);
    ways.emplace_back(after(cx, commands.width()) - kGap + kMargin, contentH + (list_.box ? kGap + listH : 0));
    for (const QSize& s : ways)
        if (s.width() <= room.width() && s.height() <= room.height()) return s;
    return ways.back();
}

PageFlow::Plan PageFlow::plan(const QSize& room, bool withPins) const {
    Plan p;
    const int w = room.width(), h = room.height();
    // The first arrangement that fits, from the widest to the narrowest.
    const int sb = values_ ? scrollBarWidth(page_) : 0;
    const int inner = h - 2 * kMargin;
    const QSize side = valuesTemplate_.size() + QSize(sb, 0);
    int stackedW = 0;
    for (const Part& c : columns_) stackedW = std::max(stackedW, c.area.width());
    const QSize stacked(values_ ? stackedW + sb : 0, 0);
    // Pinned buttons go in rows under the command column's template places.
    QSize commands = commands_.area.size();
    if (withPins) commands.rheight() += kGap + rows(pinItems(), commands.width(), 0, false);
    int widest = 0;
    for (const QRect& t : commands_.places) widest = std::max(widest, t.width());
    const int listH = list_.box ? list_.area.height() : 0;
    const int listMin = list_.box ? kListMinWidth : 0;
    auto after = [](int x, int width) { return width > 0 ? x + width + kGap : x; };
    const bool columnFits = commands.height() <= inner;
    const int cx = after(kMargin, side.width());
    if (columnFits && list_.box && w - after(cx, commands.width()) - kMargin >= listMin)
        p.arrangement = Arrangement::SideBySide;
    else if (columnFits && w - after(cx, commands.width()) + kGap >= kMargin &&
             (!list_.box || commands.height() + kGap + listH <= inner))
        p.arrangement = Arrangement::ListBelow;
    else if (commands_.box && w - after(kMargin, stacked.width()) - kMargin >= std::max(widest, listMin))
        p.arrangement = Arrangement::SideRows, p.stack = columns_.size() > 1;
    else
        p.arrangement = Arrangement::RowsBelow, p.stack = columns_.size() > 1 && w - 2 * kMargin < side.width();
    p.values = values_ ? columnsSize(p.stack) + QSize(sb, 0) : QSize();
    const QSize& values = p.values;

    switch (p.arrangement) {
    case Arrangement::Template:
    case Arrangement::SideBySide:
    case Arrangement::ListBelow: {
        p.commandsRect = QRect(cx, kMargin, commands.width(), commands.height());
        int valuesH = inner;
        if (p.arrangement == Arrangement::SideBySide) {
            const int lx = after(cx, commands.width());
            p.listRect = QRect(lx, kMargin, w - lx - kMargin, inner);
        } else if (list_.box) {
            const int below = std::max(listH, inner - std::max(values.height(), commands.height()) - kGap);
            p.listRect = QRect(kMargin, h - kMargin - below, w - 2 * kMargin, below);
            valuesH -= below + kGap;
        }
        p.valuesRect = QRect(kMargin, kMargin, values.width(), std::min(values.height(), std::max(valuesH, 0)));
        break;
    }
    case Arrangement::SideRows: {
        const int x = after(kMargin, values.width());
        const int width = w - x - kMargin;
        const int rowsH = commandRows(width, false, withPins);
        p.commandsRect = QRect(x, kMargin, width, rowsH);
        if (list_.box) p.listRect = QRect(x, kMargin + rowsH + kGap, width, std::max(inner - rowsH - kGap, listH));
        p.valuesRect = QRect(kMargin, kMargin, values.width(), std::min(values.height(), inner));
        break;
    }
    case Arrangement::RowsBelow: {
        const int width = w - 2 * kMargin;
        const int rowsH = commands_.box ? commandRows(width, false, withPins) : 0;
        const int listMinH = list_.box ? listH + kGap : 0;
        const int valuesH = std::min(values.height(), std::max(inner - rowsH - kGap - listMinH, 0));
        p.valuesRect = QRect(kMargin, kMargin, values.width(), valuesH);
        p.commandsRect = QRect(kMargin, p.valuesRect.bottom() + 1 + kGap, width, rowsH);
        if (list_.box) {
            const int top = p.commandsRect.bottom() + 1 + kGap;
            p.listRect = QRect(kMargin, top, width, std::max(h - kMargin - top, listH));
        }
        break;
    }
    }
    p.scrolls = values_ && p.valuesRect.height() < values.height();
    return p;
}

void PageFlow::arrange(const QSize& room) {
    const int w = room.width(), h = room.height();
    if (w >= templateBounds_.right() + kMargin && h >= templateBounds_.bottom() + kMargin) {
        arrangement_ = Arrangement::Template;
        pin(false);
        placeColumns(false);
        valuesArea_ ? valuesArea_->setGeometry(valuesTemplate_) : void();
        for (Part* p : {&commands_, &list_}) {
            if (!p->box) continue;
            for (std::size_t i = 0; i < p->items.size(); ++i) p->items[i]->setGeometry(p->places[i]);
            p->box->setGeometry(p->area);
        }
        if (logo_) {
            logo_->setGeometry(logoArea_);
            logo_->show();
        }
        return;
    }
    // Where the values would scroll, the push buttons among them join the
    // commands, which never scroll.
    Plan p = plan(room, false);
    if (p.scrolls && !pins_.empty()) p = plan(room, true);
    pin(p.scrolls && !pins_.empty());
    arrangement_ = p.arrangement;
    if (values_) placeColumns(p.stack);
    const QRect valuesRect = p.valuesRect, commandsRect = p.commandsRect, listRect = p.listRect;
    if (commands_.box) {
        if (arrangement_ == Arrangement::SideRows || arrangement_ == Arrangement::RowsBelow) {
            commandRows(commandsRect.width(), true, pinned_);
        } else {
            for (std::size_t i = 0; i < commands_.items.size(); ++i) commands_.items[i]->setGeometry(commands_.places[i]);
            if (pinned_) rows(pinItems(), commandsRect.width(), commands_.area.height() + kGap, true);
        }
    }
    std::vector<QRect> taken;
    if (values_) valuesArea_->setGeometry(valuesRect), taken.push_back(valuesRect);
    if (commands_.box) commands_.box->setGeometry(commandsRect), taken.push_back(commandsRect);
    if (list_.box) {
        list_.box->setGeometry(listRect);
        taken.push_back(listRect);
        for (std::size_t i = 0; i < list_.items.size(); ++i) list_.items[i]->setGeometry(list_.places[i]);
        if (stretch_)
            stretch_->setGeometry(stretchPlace_.left(), stretchPlace_.top(), listRect.width() - stretchPlace_.left(),
                                  listRect.height() - stretchPlace_.top());
    }
    if (logo_) {
        // The logo takes the bottom right corner, or the foot of the command
        // column, when nothing else needs the place.
        const QSize size = logoArea_.size();
        std::vector<QRect> places{QRect(QPoint(w - kMargin - size.width(), h - kMargin - size.height()), size)};
        if (arrangement_ == Arrangement::SideBySide || arrangement_ == Arrangement::ListBelow)
            places.emplace_back(QPoint(commandsRect.center().x() - size.width() / 2, h - kMargin - size.height()), size);
        const auto free = std::find_if(places.begin(), places.end(), [&](const QRect& place) {
            return place.left() >= 0 && place.top() >= 0 &&
                   std::none_of(taken.begin(), taken.end(), [&](const QRect& r) { return r.intersects(place); });
        });
        logo_->setVisible(free != places.end());
        if (free != places.end()) logo_->setGeometry(*free);
    }
}

}  // namespace qv::dialog
