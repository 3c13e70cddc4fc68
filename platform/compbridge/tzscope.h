#pragma once
// The scope component of our own: the published object tree that property
// paths address, drawn with Qt Charts inside the window it was created in.
#include <QChartView>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/compbridge/host_object.h"

class QLineSeries;
class QValueAxis;
class QTimer;

namespace compbridge::host {

class TZScope;

// A node of the tree: tells its component about every change.
class Node : public HostObject {
public:
    explicit Node(TZScope* scope) : scope_(scope) {}
    TZScope* scope() const { return scope_; }

protected:
    void changed() override;
    TZScope* scope_;
};

struct FontNode : Node {
    explicit FontNode(TZScope* s);
    std::string name = "Arial";
    std::int32_t size = 8, height = -11, pitch = 0, style = 0, charset = 1;
    std::uint32_t color = 0;
};

struct LabelNode : Node {
    LabelNode(TZScope* s, bool visible);
    FontNode font;
    std::string text;
    bool visible;
};

struct FormatNode : Node {
    explicit FormatNode(TZScope* s);
    std::int32_t precisionMode = 0, precision = 2;
    bool fixedPrecision = false;
};

struct RangeNode : Node {
    explicit RangeNode(TZScope* s);
    bool enabled = false;
    double low = 0, high = 0;
};

struct AxisValueNode : Node {
    AxisValueNode(TZScope* s, double value, bool autoScale);
    RangeNode range;
    double value, dataValue = 0;
    bool autoScale;
    std::int32_t mode = 0;
};

struct SpaceNode : Node {
    explicit SpaceNode(TZScope* s);
    bool enabled = true;
    double value = 5;
};

struct AutoScalingNode : Node {
    explicit AutoScalingNode(TZScope* s);
    SpaceNode spaceAbove, spaceBelow;
    bool enabled = false;
    std::int32_t maxHistory = 1;
};

// The settings an axis publishes that the drawing does not use.
struct PlainNode : Node {
    explicit PlainNode(TZScope* s);
    bool visible = true, enabled = false;
    std::uint32_t color = 0;
    std::int32_t count = 0, length = 0, mode = 0;
    double value = 0;
};

struct AxisNode : Node {
    AxisNode(TZScope* s, double min, double max, bool autoMax);
    LabelNode axisLabel;
    FormatNode format;
    AxisValueNode min, max;
    AutoScalingNode autoScaling;
    FontNode font;
    PlainNode majorTicks, minorTicks, zooming, cursorSettings;
    bool visible = true, reversed = false, trackCursor = false, trackColor = false;
    std::uint32_t color = 0x00000000;
};

struct AxisItemNode : Node {
    explicit AxisItemNode(TZScope* s);
    AxisNode axis;
};

// A collection: items by decimal index, a read-only Count.
template <class T>
struct CollectionNode : Node {
    explicit CollectionNode(TZScope* s);
    HostObject* child(std::string_view name) override;
    T& add();
    void clear();
    std::vector<std::unique_ptr<T>> items;
    std::int32_t count = 0;
};

struct YAxisNode : AxisNode {
    explicit YAxisNode(TZScope* s);
    CollectionNode<AxisItemNode> additionalAxes;
};

struct XAxisNode : AxisNode {
    explicit XAxisNode(TZScope* s);
};

struct ChannelDataNode : Node {
    explicit ChannelDataNode(TZScope* s) : Node(s) {}
    std::vector<float> y;
    double sampleRate = 1.0;
    bool dirty = true;
};

struct PointsNode : Node {
    explicit PointsNode(TZScope* s);
    bool visible = false, useChannelColor = true;
    std::int32_t size = 5, shape = 0;
};

struct ChannelNode : Node {
    ChannelNode(TZScope* s, int index);
    PointsNode points;
    ChannelDataNode data;
    std::string name;
    std::uint32_t color;
    std::int32_t width = 2, tag = 0, channelMode = 0, shadeMode = 0;
    std::int32_t xAxisIndex = 0, yAxisIndex = 0;
    bool visible = true;
};

struct LegendGroupNode : Node {
    explicit LegendGroupNode(TZScope* s);
    std::string caption;
    bool visible = true;
    std::int32_t cursor = 0;
};

struct BackgroundNode : Node {
    explicit BackgroundNode(TZScope* s);
    std::uint32_t color = 0x00000000;  // black, the scope's own look
    bool useControlColor = false;
};

struct LegendNode : Node {
    explicit LegendNode(TZScope* s);
    BackgroundNode background;
    LegendGroupNode channels, channelLinks, markerGroups, zones, ellipses, cursors, cursorLinks;
    bool visible = false;
    std::int32_t align = 3;
};

struct TitleNode : Node {
    explicit TitleNode(TZScope* s);
    BackgroundNode background;
    FontNode font;
    std::string text = "Scope";
    bool visible = true;
    std::int32_t align = 0;
};

struct DataViewNode : Node {
    explicit DataViewNode(TZScope* s);
    BackgroundNode background;
    PlainNode border;
};

class TZScopeView;

// One created scope: the root of its tree, and its view while that lives.
class TZScope : public Node {
public:
    TZScope(QWidget* parent, bool fill);
    ~TZScope() override;

    // The view goes with its parent window; the tree stays until freed.
    TZScopeView* view() const { return view_; }
    void changed() { layoutDirty_ = true; scheduleLayout(); }
    void dataChanged() { scheduleData(); }

    std::int32_t index = 0;
    bool hold = false;
    std::uint32_t refreshInterval = 50;

    CollectionNode<ChannelNode> channels;
    YAxisNode yAxis;
    XAxisNode xAxis;
    LegendNode legend;
    TitleNode title;
    DataViewNode dataView;
    PlainNode trails, highlighting, toolBar, zoomingNode;
    std::uint32_t color = 0x00FFFFFF;
    std::int32_t left = 0, top = 0, width = 0, height = 0, align = 0, sizeLimit = 0;
    bool vertical = false, cursorsStayInView = false;

    // Draws what is due now: the settings, and the data unless held.
    void refresh();
    void setRefreshInterval(std::uint32_t ms);

private:
    friend class TZScopeView;
    void scheduleLayout();
    void scheduleData();
    void applyLayout();
    void applyData();
    void applyRanges();

    QPointer<TZScopeView> view_;
    bool layoutDirty_ = true;
};

// The chart widget: a Qt Charts view a test or tool can find under the window.
class TZScopeView : public QChartView {
public:
    TZScopeView(TZScope* scope, QWidget* parent, bool fill);
    ~TZScopeView() override;
    // Applies pending settings and data at once.
    void refresh();
    QValueAxis* yAxis(int index) const;  // 0 main, 1.. additional
    QValueAxis* xAxis() const { return x_; }
    QLineSeries* series(int channel) const;
    int seriesCount() const { return static_cast<int>(series_.size()); }
    // The dark (or light) edges drawn under a channel's stretches, shown while
    // its colour alone stands too little apart from the data view's.
    std::vector<QLineSeries*> edges(int channel) const;

    // The scope's own zoom on its X axis: the wheel, a drag, + and -, Ctrl
    // with the arrow keys; Home (or a double click) shows every sample and
    // follows the newest again, as does a zoomed range that ends at it.
    bool zoomed() const { return zoom_.has_value(); }
    void zoomX(double factor, double around);
    void panX(double fraction);
    void showAllX();
    // The sample under the cursor line and the text beside it (-1, empty: none).
    int cursorSample() const { return cursor_; }
    QString cursorText() const;
    void setCursorSample(int sample);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TZScope;
    TZScope* scope_;
    QTimer* layoutTimer_;
    QTimer* dataTimer_;
    // Draws channel i from the values last applied: a value that is not a
    // number ends a stretch of the curve, one off the axis is drawn off it.
    void drawChannel(std::size_t i);
    void styleSegments(std::size_t i);
    // A series the legend does not list.
    QLineSeries* addUnlisted();

    QValueAxis* x_ = nullptr;
    std::vector<QValueAxis*> y_;
    std::vector<QLineSeries*> series_;  // per channel its first stretch, the one in the legend
    std::vector<std::vector<QLineSeries*>> segments_;  // its further stretches
    std::vector<std::vector<QLineSeries*>> edges_;     // under its first, then under each further stretch
    std::vector<std::vector<float>> shown_;            // the values drawn
    std::vector<std::pair<double, double>> drawnRange_;
    std::vector<QValueAxis*> attached_;
    bool fill_;
    // The whole X range the data spans, and the zoomed part of it.
    double fullLo_ = 0, fullHi_ = 1;
    std::optional<std::pair<double, double>> zoom_;
    bool dragging_ = false;
    QPointF dragFrom_;
    std::pair<double, double> dragRange_;
    int cursor_ = -1;
    class QGraphicsLineItem* cursorLine_ = nullptr;
    class QGraphicsSimpleTextItem* cursorLabel_ = nullptr;
    void placeCursor();
};

// TColor (0x00BBGGRR) to Qt.
QColor colourOf(std::uint32_t tcolor);

}  // namespace compbridge::host
