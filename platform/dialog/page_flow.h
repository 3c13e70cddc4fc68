#pragma once
// A page laid out at template places that still fits a small window: when
// the page has less room than its template needs, parts of the template move
// as wholes (their controls keep their places inside them), the value part
// scrolls vertically, the command buttons go beside it or in rows below it and
// never scroll away, and a list goes beside the commands or below them.
#include <QRect>
#include <QSize>
#include <vector>

class QScrollArea;
class QWidget;

namespace qv::dialog {

class DialogPage;

class PageFlow {
public:
    explicit PageFlow(DialogPage* page);

    // Each call takes the page's children whose places begin inside an area
    // (pixels) and that no earlier part took. Call once the page is built.
    // Value columns stand side by side as the template has them, or one
    // below the other when the window is narrow.
    void setValues(const std::vector<QRect>& columns);
    void setCommands(const QRect& area);
    // `stretch` (one of the list's widgets) takes the list part's room.
    void setList(const QRect& area, QWidget* stretch);
    void setLogo(QWidget* logo);
    // Push buttons among the values that must never scroll out of view:
    // where the values scroll, they stand in rows with the commands.
    void setPinned(const std::vector<QWidget*>& buttons);

    // The smallest room in which every command is reachable without scrolling.
    QSize minimumSize() const;
    // The smallest room in which nothing scrolls, in the first arrangement
    // (template, side by side, list below) that fits room; the narrowest of
    // them when none does.
    QSize unscrolledSize(const QSize& room) const;
    // Places the parts in `room`; the template's places when it all fits.
    void arrange(const QSize& room);

    static constexpr int kMargin = 8;
    static constexpr int kGap = 12;
    static constexpr int kListMinWidth = 300;

private:
    // How the parts stand: as the template places them; values, commands
    // and list side by side; the list below values and commands; values
    // beside commands in rows with the list below them; commands in rows
    // below the values.
    enum class Arrangement { Template, SideBySide, ListBelow, SideRows, RowsBelow };

    struct Part {
        QWidget* box = nullptr;
        QRect area;  // where the template places it
        std::vector<QWidget*> items;
        std::vector<QRect> places;  // the items' template places inside the part
    };
    struct Item {
        QWidget* widget;
        QRect place;  // its template place, for its size and rows
    };
    struct Pin {
        QWidget* widget;
        std::size_t column;  // the values column it belongs to
        QRect place;         // its place there
    };
    // Where each part goes in a room, and whether the values scroll there.
    struct Plan {
        Arrangement arrangement = Arrangement::Template;
        bool stack = false;
        QSize values;
        QRect valuesRect, commandsRect, listRect;
        bool scrolls = false;
    };
    Part gather(const QRect& area);
    std::vector<Item> rowItems(bool withPins) const;
    std::vector<Item> pinItems() const;
    // Lays items out in rows width wide from top; returns the bottom.
    static int rows(const std::vector<Item>& items, int width, int top, bool place);
    int commandRows(int width, bool place, bool withPins) const;
    Plan plan(const QSize& room, bool withPins) const;
    void pin(bool on);
    QSize columnsSize(bool stacked) const;
    QSize placeColumns(bool stacked);

    DialogPage* page_;
    std::vector<Part> columns_;
    QWidget* values_ = nullptr;  // holds the columns, scrolls in valuesArea_
    QRect valuesTemplate_;
    Part commands_, list_;
    QWidget* stretch_ = nullptr;
    QRect stretchPlace_;
    QWidget* logo_ = nullptr;
    QRect logoArea_;
    QScrollArea* valuesArea_ = nullptr;
    QRect templateBounds_;
    Arrangement arrangement_ = Arrangement::Template;
    std::vector<Pin> pins_;
    bool pinned_ = false;
};

}  // namespace qv::dialog
