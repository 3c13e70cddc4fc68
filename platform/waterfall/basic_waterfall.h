#pragma once
// The single-channel waterfall machinery the package builds on: the history
// axis (one step per buffer), the sample axis, the data view that turns
// buffers into pixels, the level views, mouse zoom and hold, and painting.
//
// Pictures are kept per data set as a ring of rows, one row per history slot,
// so a new buffer costs one row of colour mapping; the rows of all data sets
// are then combined into the view's frame.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

#include "platform/waterfall/level_view.h"
#include "platform/waterfall/real_buffer.h"

class QPainter;
class QTimer;
class QToolButton;
class TTZBasicWaterfall;

// The axis over the buffers in arrival order.
class TTZWaterfallXAxis {
public:
    int Min() const { return zoomed_ ? min_ : 0; }
    int Max() const { return zoomed_ ? max_ : capacity_.load(); }
    void SetRange(int min, int max);
    void ResetRange() { zoomed_ = false; }
    bool Zoomed() const { return zoomed_; }
    bool Reversed() const { return reversed_; }
    void SetReversed(bool r) { reversed_ = r; }
    // The history depth: how many buffers the display keeps.
    int BufferCapacity() const { return capacity_.load(); }
    void SetBufferCapacity(int n) { capacity_.store(n < 1 ? 1 : n); }
    virtual ~TTZWaterfallXAxis() = default;
    virtual QString Text(int h) const { return QString::number(h); }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }

private:
    int min_ = 0, max_ = 100;
    bool zoomed_ = false, reversed_ = false, visible_ = true;
    std::atomic<int> capacity_{100};
};

// The axis over the sample index inside a buffer.
class TTZWaterfallYAxis {
public:
    int Min() const { return zoomed_ ? min_ : 0; }
    int Max() const { return zoomed_ ? max_ : sampleCount_.load(); }
    void SetRange(int min, int max);
    void ResetRange() { zoomed_ = false; }
    bool Zoomed() const { return zoomed_; }
    int SampleCount() const { return sampleCount_.load(); }
    // Any thread: the data side sets it as buffers arrive.
    void SetSampleCount(int n) { sampleCount_.store(n < 0 ? 0 : n); }
    // Sample i is shown as offset + i * scale, with the unit after it.
    void SetScale(double perSample, const QString& unit, double offset = 0.0) {
        scale_ = perSample;
        unit_ = unit;
        offset_ = offset;
    }
    virtual ~TTZWaterfallYAxis() = default;
    virtual QString Text(int s) const;
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }

private:
    int min_ = 0, max_ = 0;
    bool zoomed_ = false, visible_ = true;
    std::atomic<int> sampleCount_{0};
    double scale_ = 1.0, offset_ = 0.0;
    QString unit_;
};

// One data set's buffers as the display keeps them.
struct TTZWaterfallBuffers {
    TTZRing<ITZRealBuffer> history;               // oldest first
    // The last buffer to leave the history, kept for the next copy to go into.
    std::shared_ptr<TTZRealBuffer> spare;
    std::deque<ITZRealBuffer> pendingAdditions;   // parked while held
    std::vector<ITZRealBuffer> pendingReplacements;
    TTZRealQueue maxQueue{TTZRealQueue::LargestOnly};  // one entry per history buffer
    TTZRealQueue minQueue{TTZRealQueue::SmallestOnly};
    double runningMax = std::numeric_limits<double>::quiet_NaN();
    double runningMin = std::numeric_limits<double>::quiet_NaN();
    int newBufferCount = 0;
    bool clearPending = false;
    // What was drawn last, for redraw decisions.
    double drawnMax = std::numeric_limits<double>::quiet_NaN();
    double drawnMin = std::numeric_limits<double>::quiet_NaN();
    bool drawnLog = false;
    // Serial of the next buffer to enter the history.
    std::uint64_t added = 0;

    // The picture of this set: row (serial mod capacity) holds that buffer,
    // once mapped; rowSerial tells which serial (plus one, 0: none) it holds.
    struct Layer {
        QImage rows;
        std::vector<std::uint64_t> rowSerial;
        bool valid = false;
        std::array<std::uint32_t, 256> table{};
    } layer;

    void ClearHistory();
    // Everything; pending lists too unless keepPending.
    void Clear(bool keepPending);
};

class TTZBasicWaterfallDataView {
public:
    explicit TTZBasicWaterfallDataView(TTZBasicWaterfall* owner);
    virtual ~TTZBasicWaterfallDataView() = default;
    TTZBasicWaterfall* Owner() const { return owner_; }

    // Position and size inside the component.
    const QRect& Rect() const { return rect_; }
    int Left() const { return rect_.left(); }
    int Top() const { return rect_.top(); }
    int Width() const { return rect_.width(); }
    int Height() const { return rect_.height(); }
    bool HasSize() const { return rect_.width() > 0 && rect_.height() > 0; }
    void SetRect(const QRect& r) { rect_ = r; }

    QPoint MousePosition() const { return mouse_; }
    void SetMousePosition(QPoint p) { mouse_ = p; }
    bool MouseInside() const { return mouseInside_; }
    void SetMouseInside(bool in) { mouseInside_ = in; }

    // The hit point follows the mouse inside the view.
    bool HasHitPoint() const { return hasHitPoint_; }
    void SetHitPoint(QPoint p) {
        hitPoint_ = p;
        hasHitPoint_ = true;
    }
    void ClearHitPoint() { hasHitPoint_ = false; }
    QPoint HitPoint() const { return hitPoint_; }
    bool hitPointVisible = true;
    bool hitPointUsesChannelColors = true;
    QColor hitPointColor = Qt::white;

    bool Zooming() const { return zooming_.load(); }
    void SetZooming(bool z) { zooming_.store(z); }

    // Columns (history rows) drawn so far; 0 forces a full redraw. Any thread.
    int DrawnColumns() const { return drawnColumns_.load(); }
    void ResetDrawnColumns() { drawnColumns_.store(0); }

    // Brings the frame up to date: merges parked data, decides between a full
    // redraw and an update, and populates. Window thread.
    void Refresh();
    // Populates n columns now and repaints at once.
    void DirectDraw(int n);
    // True when p lies in the view; remembers it for highlighting.
    bool HitTest(QPoint p);
    bool Highlighted() const { return highlighted_; }
    const QImage& Frame() const { return frame_; }
    // Whether the last Refresh redrew everything, and whether it combined
    // only the new rows.
    bool LastWasFull() const { return lastFull_; }
    bool LastComposeWasIncremental() const { return lastIncremental_; }
    // How many buffers the last Refresh mapped to pixels, over all sets.
    int LastMappedRows() const { return mappedRows_; }

    // The history index shown at a pixel along the history direction, and the
    // sample index at a pixel along the sample direction (-1: none).
    int HistoryIndexAt(int pixel) const;
    int SampleIndexAt(int pixel) const;

    virtual void Populate(int n) { (void)n; }
    virtual bool TestSetNeedsRedraw() { return false; }
    virtual void GetCurrentMouseValue() {}

protected:
    // Maps the set's buffers that are in view and not yet mapped (all of
    // them on a full redraw) through the view's colours, for Compose to
    // combine: copied for the first set, per-component maximum for the
    // following ones.
    void PopulateChannel(TTZWaterfallBuffers& set, bool logarithmic, bool combine, const TTZAxisDisplayLevelView& view,
                         double maxLevel, double minLevel);

private:
    void PrepareGeometry();
    template <bool Logarithmic, bool Checked>
    void mapRow(const TTZRealBuffer& b, std::uint32_t* out, int width, double lo, double k,
                const std::array<std::uint32_t, 256>& table) const;
    int maxSample_ = -1;  // the largest sample index any pixel shows
    bool gaps_ = false;   // some pixels show no sample
    // Combines the rows of the sets populated this time into the frame.
    void Compose();
    struct Populated {
        const TTZWaterfallBuffers::Layer* layer;
        std::uint64_t first, len;
        bool combine;
    };
    std::vector<Populated> populated_, lastComposed_;
    QImage combined_;  // the combined rows, a ring like the sets' own
    std::vector<std::uint64_t> combinedSerial_;  // per combined row: generation + index + 1, 0: none
    bool lastIncremental_ = false, layerRedrawn_ = false;
    int mappedRows_ = 0;

    TTZBasicWaterfall* owner_;
    QRect rect_;
    QPoint mouse_, hitPoint_;
    bool mouseInside_ = false, hasHitPoint_ = false, highlighted_ = false;
    std::atomic<bool> zooming_{false};
    std::atomic<int> drawnColumns_{0};
    QImage frame_;                 // one row per history pixel, one column per sample pixel
    std::vector<int> sampleOf_;    // per sample pixel
    std::vector<int> historyOf_;   // per history pixel
    std::vector<int> shownHistory_;  // the history indices some pixel shows, ascending, once each
    int geometryKey_[7] = {};
    bool full_ = true, lastFull_ = true;
};

class TTZBasicWaterfall : public QWidget {
public:
    enum Layout { Vertical, Horizontal };  // Vertical: history along the view's height
    explicit TTZBasicWaterfall(QWidget* parent = nullptr);
    ~TTZBasicWaterfall() override;

    TTZWaterfallXAxis& XAxis() { return xAxis_; }
    TTZWaterfallYAxis& YAxis() { return yAxis_; }
    const TTZWaterfallXAxis& XAxis() const { return xAxis_; }
    const TTZWaterfallYAxis& YAxis() const { return yAxis_; }
    Layout GetLayout() const { return layout_; }
    void SetLayout(Layout l);

    bool HoldSwitch() const { return hold_.load(); }
    void SetHoldSwitch(bool on);
    virtual bool GetHold() const;

    TTZBasicWaterfallDataView* BaseDataView() const { return dataView_; }
    // Views in layout order; the base's own four come first.
    std::vector<TTZDisplayView*>& DisplayViews() { return views_; }
    void RecalculateLayout();

    struct MarkerGroup {
        QString name;
        std::vector<int> samples;
        QColor color = Qt::yellow;
    };
    std::vector<MarkerGroup>& MarkerGroups() { return markerGroups_; }
    QColor hitColor = QColor(255, 255, 255);
    QString hitPointLabelFormat;  // empty: the component's default

    // Set by the data side whenever a buffer enters a history. Any thread.
    // The buffers themselves are guarded by the component lock; the flag only
    // needs to be seen, and a flag already set is not written again (a full
    // barrier on every buffer costs more than the bookkeeping around it).
    void SetNewData() {
        if (!newData_.load(std::memory_order_relaxed)) newData_.store(true, std::memory_order_release);
    }
    bool TakeNewData() { return newData_.exchange(false, std::memory_order_acq_rel); }
    void RequestFullRedraw() { fullRedraw_.store(true); }
    bool TakeFullRedraw() { return fullRedraw_.exchange(false); }

    // The whole component into any painter at any size (elements and layers).
    void Render(QPainter& painter, const QSize& size);
    void CloseMouseTracking();
    void HideToolBar();
    void ShowToolBar();
    bool ToolBarVisible() const;
    // The level view area and axis areas of the last layout, for hit tests.
    QRect LevelViewRect(const TTZAxisDisplayLevelView* view, bool labelOnly) const;
    QRect AxisRect(int axis) const;  // 0 history, 1 samples

    virtual void PopulateDrawBuffers() {}
    virtual int GetBufferSize() { return 0; }
    virtual int GetBuffersCount() { return 0; }
    virtual int GetNewBuffersCount() { return 0; }
    virtual void ResetNewBuffersCount() {}
    virtual void OnRefreshTimer() {}
    // Before the axes are drawn: lets the component set their scales.
    virtual void PrepareAxes() {}
    virtual void DrawHitPoint(QPainter& canvas);
    virtual void DrawMarkers(QPainter& canvas);
    virtual QString GetFormatedLabelText() { return QString(); }
    virtual void DoLegendClick(int page, int index) { (void)page, (void)index; }
    virtual void DoColorChannelClick(int index) { (void)index; }
    virtual void DoAxisClick(int index) { (void)index; }
    virtual int GetColorChannelIndex(const TTZAxisDisplayLevelView* view) { (void)view; return 0; }

protected:
    // The component's data view, owned by the derived class.
    void InstallDataView(TTZBasicWaterfallDataView* view) { dataView_ = view; }
    // The base part of drawing the hit point: a small ring at it.
    void DrawHitTest(QPainter& canvas, const QColor& pen);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct LevelPlace {
        const TTZAxisDisplayLevelView* view;
        QRect label, bar, scale;
    };
    void Layout(const QSize& size);
    void PaintAxes(QPainter& p);
    void PaintLevelViews(QPainter& p);
    void PaintHover(QPainter& p);

    TTZWaterfallXAxis xAxis_;
    TTZWaterfallYAxis yAxis_;
    enum Layout layout_ = Vertical;
    std::atomic<bool> hold_{false}, newData_{false}, fullRedraw_{true};
    TTZBasicWaterfallDataView* dataView_ = nullptr;
    std::vector<TTZDisplayView*> views_;
    std::vector<TTZDisplayView*> ownViews_;
    std::vector<MarkerGroup> markerGroups_;
    std::vector<LevelPlace> levelPlaces_;
    QRect historyAxisRect_, sampleAxisRect_;
    QWidget* toolBar_ = nullptr;
    QToolButton* holdButton_ = nullptr;
    QTimer* refresh_ = nullptr;
    QPoint zoomOrigin_, zoomNow_;
    bool layoutDirty_ = true;
};
