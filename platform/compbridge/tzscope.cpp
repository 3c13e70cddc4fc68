#include "platform/compbridge/tzscope.h"

#include <QEvent>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/compbridge/library.h"
#include "platform/dialog/dialog_page.h"

namespace compbridge::host {

namespace {
std::vector<TZScope*>& registry() {
    static std::vector<TZScope*> r;
    return r;
}

QString textOf(const std::string& cp1252) { return qv::dialog::fromCp1252(cp1252); }

// Channel colours until the program sets its own: red, blue, green, fuchsia.
constexpr std::uint32_t kChannelColours[] = {0x000000FF, 0x00FF0000, 0x00008000, 0x00FF00FF};

// Values beyond this are shown off the scale rather than taken into an
// automatic range: labels of more digits would crowd out the plot itself.
constexpr double kShowable = 1e9;
// How far beyond its axis an off-scale value is drawn: far enough for the
// line to leave the plot steeply, near enough for the painter's arithmetic.
constexpr double kOffScaleSpans = 100;

int decimalsOf(const AxisNode& n) { return std::clamp(n.format.precision, 0, 15); }

// A tick step of 1, 2, 2.5 or 5 times a power of ten giving 4 to 10 ticks,
// never finer than the labels' decimals show exactly: an axis of whole
// numbers (the sample axis) steps by 1, 2, 5, 10, 20, 50, ...
double niceStep(double span, int decimals) {
    const double least = std::pow(10.0, -decimals);
    const double raw = span / 7;
    if (!(raw > least)) return least;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m == 2.5 && (decimals == 0 || p < 10 * least * 0.999)) continue;  // 2.5 p needs a decimal more than p
        if (m * p >= raw) return m * p;
    }
    return 10 * p;
}

void configureAxis(QValueAxis* a, const AxisNode& n, double lo, double hi) {
    if (!(hi > lo)) hi = lo + 1;
    if (a->min() != lo || a->max() != hi) a->setRange(lo, hi);
    if (a->tickType() != QValueAxis::TicksDynamic) a->setTickType(QValueAxis::TicksDynamic);
    const int precision = decimalsOf(n);
    const double step = niceStep(hi - lo, precision);
    // Ticks at whole multiples of the step, whatever the range's ends are.
    const double anchor = std::ceil(lo / step - 1e-9) * step + 0.0;
    if (a->tickAnchor() != anchor) a->setTickAnchor(anchor);
    if (a->tickInterval() != step) a->setTickInterval(step);
    const QString format = QStringLiteral("%.%1f").arg(precision);
    if (a->labelFormat() != format) a->setLabelFormat(format);
    const QString title = n.axisLabel.visible ? textOf(n.axisLabel.text) : QString();
    if (a->titleText() != title) a->setTitleText(title);
    if (a->isVisible() != n.visible) a->setVisible(n.visible);
    if (a->isReverse() != n.reversed) a->setReverse(n.reversed);
}
}  // namespace

namespace {
// Relative luminance and the least contrast for graphics, as WCAG has them.
double luminance(const QColor& c) {
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

bool standsOut(const QColor& line, const QColor& ground) {
    const double a = luminance(line), b = luminance(ground);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 3.0;
}
}  // namespace

QColor colourOf(std::uint32_t c) {
    if (c & 0xFF000000u) return QColor(Qt::white);  // system colours: the window's own
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void Node::changed() {
    if (scope_) scope_->changed();
}

FontNode::FontNode(TZScope* s) : Node(s) {
    publish("Charset", &charset);
    publish("Color", &color);
    publish("Height", &height);
    publish("Name", &name);
    publishEnum("Pitch", &pitch, 2);
    publish("Size", &size);
    publish("Style", &style);
}

LabelNode::LabelNode(TZScope* s, bool v) : Node(s), font(s), visible(v) {
    publish("Font", &font);
    publish("Text", &text);
    publish("Visible", &visible);
}

FormatNode::FormatNode(TZScope* s) : Node(s) {
    publishEnum("PrecisionMode", &precisionMode, 2);
    publish("Precision", &precision);
    publish("FixedPrecision", &fixedPrecision);
}

RangeNode::RangeNode(TZScope* s) : Node(s) {
    publish("Enabled", &enabled);
    publish("Low", &low);
    publish("High", &high);
}

AxisValueNode::AxisValueNode(TZScope* s, double v, bool a) : Node(s), range(s), value(v), autoScale(a) {
    publish("Range", &range);
    publish("Value", &value);
    publish("DataValue", &dataValue);
    publish("AutoScale", &autoScale);
    publishEnum("Mode", &mode, 1);
}

SpaceNode::SpaceNode(TZScope* s) : Node(s) {
    publish("Enabled", &enabled);
    publish("Value", &value);
}

AutoScalingNode::AutoScalingNode(TZScope* s) : Node(s), spaceAbove(s), spaceBelow(s) {
    publish("SpaceAbove", &spaceAbove);
    publish("SpaceBelow", &spaceBelow);
    publish("Enabled", &enabled);
    publish("MaxHistory", &maxHistory);
}

PlainNode::PlainNode(TZScope* s) : Node(s) {
    publish("Visible", &visible);
    publish("Enabled", &enabled);
    publish("Color", &color);
    publish("Count", &count);
    publish("Length", &length);
    publish("Mode", &mode);
    publish("Value", &value);
}

AxisNode::AxisNode(TZScope* s, double lo, double hi, bool autoMax)
    : Node(s), axisLabel(s, true), format(s), min(s, lo, false), max(s, hi, autoMax), autoScaling(s), font(s),
      majorTicks(s), minorTicks(s), zooming(s), cursorSettings(s) {
    publish("AxisLabel", &axisLabel);
    publish("Format", &format);
    publish("Min", &min);
    publish("Max", &max);
    publish("AutoScaling", &autoScaling);
    publish("Font", &font);
    publish("MajorTicks", &majorTicks);
    publish("MinorTicks", &minorTicks);
    publish("Zooming", &zooming);
    publish("CursorSettings", &cursorSettings);
    publish("Visible", &visible);
    publish("Reversed", &reversed);
    publish("TrackCursor", &trackCursor);
    publish("TrackColor", &trackColor);
    publish("Color", &color);
}

// An additional axis scales itself unless told otherwise.
AxisItemNode::AxisItemNode(TZScope* s) : Node(s), axis(s, 0, 100, false) {
    axis.autoScaling.enabled = true;
    publish("Axis", &axis);
}

template <class T>
CollectionNode<T>::CollectionNode(TZScope* s) : Node(s) {
    publishReadOnly("Count", &count);
}

template <class T>
HostObject* CollectionNode<T>::child(std::string_view name) {
    int index = -1;
    const auto* end = name.data() + name.size();
    auto [p, ec] = std::from_chars(name.data(), end, index);
    if (ec != std::errc() || p != end || index < 0 || index >= count) return nullptr;
    return items[static_cast<std::size_t>(index)].get();
}

template <class T>
T& CollectionNode<T>::add() {
    if constexpr (std::is_constructible_v<T, TZScope*, int>)
        items.push_back(std::make_unique<T>(scope_, count));
    else
        items.push_back(std::make_unique<T>(scope_));
    count = static_cast<std::int32_t>(items.size());
    changed();
    return *items.back();
}

template <class T>
void CollectionNode<T>::clear() {
    items.clear();
    count = 0;
    changed();
}

YAxisNode::YAxisNode(TZScope* s) : AxisNode(s, 0, 100, false), additionalAxes(s) {
    publish("AdditionalAxes", &additionalAxes);
}

XAxisNode::XAxisNode(TZScope* s) : AxisNode(s, 0, 100, true) {}

PointsNode::PointsNode(TZScope* s) : Node(s) {
    publish("Visible", &visible);
    publish("UseChannelColor", &useChannelColor);
    publish("Size", &size);
    publishEnum("Shape", &shape, 4);
}

ChannelNode::ChannelNode(TZScope* s, int index)
    : Node(s), points(s), data(s), name("Channel" + std::to_string(index)),
      color(kChannelColours[static_cast<std::size_t>(index) % std::size(kChannelColours)]) {
    publish("Points", &points);
    publish("Name", &name);
    publish("Color", &color);
    publish("Width", &width);
    publish("Tag", &tag);
    publish("Visible", &visible);
    publishEnum("ChannelMode", &channelMode, 2);
    publishEnum("ShadeMode", &shadeMode, 2);
}

LegendGroupNode::LegendGroupNode(TZScope* s) : Node(s) {
    publish("Caption", &caption);
    publish("Visible", &visible);
    publish("Cursor", &cursor);
}

BackgroundNode::BackgroundNode(TZScope* s) : Node(s) {
    publish("Color", &color);
    publish("UseControlColor", &useControlColor);
}

LegendNode::LegendNode(TZScope* s)
    : Node(s), background(s), channels(s), channelLinks(s), markerGroups(s), zones(s), ellipses(s), cursors(s),
      cursorLinks(s) {
    publish("Background", &background);
    publish("Channels", &channels);
    publish("ChannelLinks", &channelLinks);
    publish("MarkerGroups", &markerGroups);
    publish("Zones", &zones);
    publish("Ellipses", &ellipses);
    publish("Cursors", &cursors);
    publish("CursorLinks", &cursorLinks);
    publish("Visible", &visible);
    publishEnum("Align", &align, 3);
}

TitleNode::TitleNode(TZScope* s) : Node(s), background(s), font(s) {
    publish("Background", &background);
    publish("Font", &font);
    publish("Text", &text);
    publish("Visible", &visible);
    publishEnum("Align", &align, 3);
}

DataViewNode::DataViewNode(TZScope* s) : Node(s), background(s), border(s) {
    publish("Background", &background);
    publish("Border", &border);
}

// ---- the component -------------------------------------------------------------

TZScope::TZScope(QWidget* parent, bool fill)
    : Node(nullptr), channels(this), yAxis(this), xAxis(this), legend(this), title(this), dataView(this),
      trails(this), highlighting(this), toolBar(this), zoomingNode(this) {
    scope_ = this;
    publish("Channels", &channels);
    publish("YAxis", &yAxis);
    publish("XAxis", &xAxis);
    publish("Legend", &legend);
    publish("Title", &title);
    publish("DataView", &dataView);
    publish("Trails", &trails);
    publish("Highlighting", &highlighting);
    publish("ToolBar", &toolBar);
    publish("Zooming", &zoomingNode);
    publish("Color", &color);
    publish("Left", &left);
    publish("Top", &top);
    publish("Width", &width);
    publish("Height", &height);
    publishEnum("Align", &align, 6);
    publish("Vertical", &vertical);
    publish("SizeLimit", &sizeLimit);
    publish("CursorsStayInView", &cursorsStayInView);
    registry().push_back(this);
    channels.add();  // a new scope has one channel
    view_ = new TZScopeView(this, parent, fill);
    layoutDirty_ = true;
    scheduleLayout();
}

TZScope::~TZScope() {
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    if (view_) {
        view_->scope_ = nullptr;
        delete view_.data();
    }
}

void TZScope::scheduleLayout() {
    if (view_ && !view_->layoutTimer_->isActive()) view_->layoutTimer_->start();
}

void TZScope::scheduleData() {
    if (view_ && !view_->dataTimer_->isActive()) view_->dataTimer_->start(static_cast<int>(refreshInterval));
}

void TZScope::setRefreshInterval(std::uint32_t ms) { refreshInterval = std::clamp<std::uint32_t>(ms, 1, 60000); }

void TZScope::refresh() {
    if (!view_) return;
    view_->layoutTimer_->stop();
    if (layoutDirty_) applyLayout();
    if (!hold) {
        view_->dataTimer_->stop();
        applyData();
    }
}

void TZScope::applyLayout() {
    layoutDirty_ = false;
    TZScopeView* v = view_;
    QChart* c = v->chart();
    const QString titleText = title.visible ? textOf(title.text) : QString();
    if (c->title() != titleText) c->setTitle(titleText);
    QFont titleFont = c->titleFont();
    titleFont.setPointSize(std::clamp(title.font.size, 6, 48) + 3);
    titleFont.setBold(true);
    if (c->titleFont() != titleFont) c->setTitleFont(titleFont);
    if (v->accessibleName() != titleText) v->setAccessibleName(titleText);
    if (c->legend()->isVisible() != legend.visible) c->legend()->setVisible(legend.visible);
    if (!c->isPlotAreaBackgroundVisible()) c->setPlotAreaBackgroundVisible(true);
    if (c->plotAreaBackgroundBrush() != QBrush(colourOf(dataView.background.color)))
        c->setPlotAreaBackgroundBrush(colourOf(dataView.background.color));
    if (c->backgroundBrush() != QBrush(colourOf(color))) c->setBackgroundBrush(colourOf(color));

    // Axes: X at the bottom, the main Y axis left, additional Y axes right.
    if (!v->x_) {
        v->x_ = new QValueAxis(c);
        c->addAxis(v->x_, Qt::AlignBottom);
    }
    const std::size_t yCount = 1 + static_cast<std::size_t>(yAxis.additionalAxes.count);
    while (v->y_.size() < yCount) {
        auto* a = new QValueAxis(c);
        if (!v->y_.empty()) {
            // One grid, the main axis's: the others' would not line up with it.
            a->setGridLineVisible(false);
            a->setMinorGridLineVisible(false);
        }
        c->addAxis(a, v->y_.empty() ? Qt::AlignLeft : Qt::AlignRight);
        v->y_.push_back(a);
    }
    while (v->y_.size() > yCount) {
        QValueAxis* a = v->y_.back();
        v->y_.pop_back();
        for (auto*& att : v->attached_)
            if (att == a) att = nullptr;
        c->removeAxis(a);
        delete a;
    }

    // Series: one per channel, against the Y axis of its index, each over
    // its edge (a series added later is drawn over those before it).
    const std::size_t n = channels.items.size();
    while (v->series_.size() < n) {
        QLineSeries* edge = v->addUnlisted();
        auto* s = new QLineSeries(c);
        c->addSeries(s);
        s->attachAxis(v->x_);
        v->series_.push_back(s);
        v->segments_.emplace_back();
        v->edges_.push_back({edge});
        v->shown_.emplace_back();
        v->drawnRange_.emplace_back(NAN, NAN);
        v->attached_.push_back(nullptr);
        channels.items[v->series_.size() - 1]->data.dirty = true;
    }
    while (v->series_.size() > n) {
        QLineSeries* s = v->series_.back();
        for (auto* group : {&v->segments_.back(), &v->edges_.back()})
            for (QLineSeries* seg : *group) {
                c->removeSeries(seg);
                delete seg;
            }
        v->series_.pop_back();
        v->segments_.pop_back();
        v->edges_.pop_back();
        v->shown_.pop_back();
        v->drawnRange_.pop_back();
        v->attached_.pop_back();
        c->removeSeries(s);
        delete s;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const ChannelNode& ch = *channels.items[i];
        QLineSeries* s = v->series_[i];
        const QString name = textOf(ch.name);
        if (s->name() != name) s->setName(name);
        QPen pen(colourOf(ch.color));
        pen.setWidth(std::max(1, ch.width));
        if (s->pen() != pen) s->setPen(pen);
        if (s->isVisible() != ch.visible) s->setVisible(ch.visible);
        const int yi = ch.yAxisIndex >= 0 && static_cast<std::size_t>(ch.yAxisIndex) < v->y_.size() ? ch.yAxisIndex : 0;
        QValueAxis* want = v->y_[static_cast<std::size_t>(yi)];
        if (v->attached_[i] != want) {
            if (v->attached_[i]) s->detachAxis(v->attached_[i]);
            s->attachAxis(want);
            v->attached_[i] = want;
        }
        if (s->markerSize() != std::max(2, ch.points.size)) s->setMarkerSize(std::max(2, ch.points.size));
        v->styleSegments(i);
    }
    applyRanges();
}

void TZScope::applyData() {
    TZScopeView* v = view_;
    if (!v) return;
    std::vector<bool> fresh(v->series_.size(), false);
    for (std::size_t i = 0; i < channels.items.size() && i < v->series_.size(); ++i) {
        ChannelDataNode& d = channels.items[i]->data;
        if (!d.dirty) continue;
        d.dirty = false;
        v->shown_[i] = d.y;
        fresh[i] = true;
    }
    applyRanges();
    for (std::size_t i = 0; i < fresh.size(); ++i)
        if (fresh[i]) v->drawChannel(i);
}

void TZScope::applyRanges() {
    TZScopeView* v = view_;
    // X: from its minimum to the last sample (or its own maximum when fixed).
    double lastX = 0;
    for (const auto& ch : channels.items)
        if (!ch->data.y.empty())
            lastX = std::max(lastX, static_cast<double>(ch->data.y.size() - 1) /
                                        (ch->data.sampleRate > 0 ? ch->data.sampleRate : 1.0));
    const double xLo = xAxis.min.value;
    const double xHi = xAxis.max.autoScale ? std::max(lastX, xLo + 1) : xAxis.max.value;
    // A zoomed range stays where the user put it; one that ended at the
    // newest sample moves on with it.
    if (v->zoom_) {
        auto& [lo, hi] = *v->zoom_;
        if (hi >= v->fullHi_ - 0.5 && xHi > v->fullHi_) lo += xHi - v->fullHi_, hi = xHi;
        if (lo < xLo || hi - lo >= xHi - xLo) v->zoom_.reset();
    }
    v->fullLo_ = xLo, v->fullHi_ = xHi;
    if (v->zoom_) configureAxis(v->x_, xAxis, v->zoom_->first, v->zoom_->second);
    else configureAxis(v->x_, xAxis, xLo, xHi);
    v->placeCursor();

    // Y: fixed limits, or the data's where auto scaling is on for that limit.
    for (std::size_t a = 0; a < v->y_.size(); ++a) {
        const AxisNode& node = a == 0 ? static_cast<const AxisNode&>(yAxis) : yAxis.additionalAxes.items[a - 1]->axis;
        double lo = node.min.value, hi = node.max.value;
        double dLo = INFINITY, dHi = -INFINITY;
        for (std::size_t i = 0; i < channels.items.size(); ++i) {
            if (v->attached_[i] != v->y_[a]) continue;
            for (float y : v->shown_[i]) {
                if (!(std::fabs(y) <= kShowable)) continue;  // NaN fails too
                dLo = std::min(dLo, static_cast<double>(y));
                dHi = std::max(dHi, static_cast<double>(y));
            }
        }
        if (node.autoScaling.enabled && dLo <= dHi) {
            // Limits asked to follow the data fit it; the others are the
            // least range shown and grow, to a whole tick, to take the data in.
            const double fitLo = node.min.autoScale ? dLo : std::min(lo, dLo);
            const double fitHi = node.max.autoScale ? dHi : std::max(hi, dHi);
            const double step = niceStep(fitHi - fitLo, decimalsOf(node));
            lo = node.min.autoScale || fitLo >= lo ? fitLo : std::floor(fitLo / step) * step;
            hi = node.max.autoScale || fitHi <= hi ? fitHi : std::ceil(fitHi / step) * step;
        }
        configureAxis(v->y_[a], node, lo, hi);
    }
    // Off-scale values are drawn relative to the range: a new range redraws.
    for (std::size_t i = 0; i < v->series_.size(); ++i) {
        const QValueAxis* a = v->attached_[i];
        if (a && v->drawnRange_[i] != std::make_pair(a->min(), a->max())) v->drawChannel(i);
    }
}

// ---- the view ----------------------------------------------------------------------

TZScopeView::TZScopeView(TZScope* scope, QWidget* parent, bool fill)
    : QChartView(new QChart(), parent), scope_(scope), layoutTimer_(new QTimer(this)), dataTimer_(new QTimer(this)),
      fill_(fill) {
    setObjectName(QStringLiteral("TTZScope"));
    setRenderHint(QPainter::Antialiasing);
    // Its zoom and cursor by keys too, and the cursor under the mouse.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    layoutTimer_->setSingleShot(true);
    layoutTimer_->setInterval(0);
    dataTimer_->setSingleShot(true);
    connect(layoutTimer_, &QTimer::timeout, this, [this] {
        if (scope_ && scope_->layoutDirty_) scope_->applyLayout();
    });
    connect(dataTimer_, &QTimer::timeout, this, [this] {
        if (scope_ && !scope_->hold) {
            if (scope_->layoutDirty_) scope_->applyLayout();
            scope_->applyData();
        }
    });
    if (parent) {
        if (fill_) {
            setGeometry(parent->rect());
            parent->installEventFilter(this);
        }
        show();
    }
}

void TZScopeView::drawChannel(std::size_t i) {
    const QValueAxis* axis = attached_[i];
    const double lo = axis ? axis->min() : 0, hi = axis ? axis->max() : 1;
    drawnRange_[i] = {lo, hi};
    const double span = std::max(hi - lo, 1e-30);
    const double below = lo - kOffScaleSpans * span, above = hi + kOffScaleSpans * span;
    const ChannelDataNode& d = scope_->channels.items[i]->data;
    const double dx = d.sampleRate > 0 ? 1.0 / d.sampleRate : 1.0;
    const std::vector<float>& y = shown_[i];
    std::vector<QList<QPointF>> stretches(1);
    for (std::size_t k = 0; k < y.size(); ++k) {
        if (!std::isfinite(y[k])) {
            if (!stretches.back().isEmpty()) stretches.emplace_back();
            continue;
        }
        stretches.back().append(QPointF(static_cast<double>(k) * dx, std::clamp(static_cast<double>(y[k]), below, above)));
    }
    if (stretches.size() > 1 && stretches.back().isEmpty()) stretches.pop_back();
    QChart* c = chart();
    auto& extra = segments_[i];
    auto& edges = edges_[i];
    while (extra.size() + 1 < stretches.size()) {
        edges.push_back(addUnlisted());
        extra.push_back(addUnlisted());
    }
    while (extra.size() + 1 > stretches.size()) {
        for (auto* group : {&extra, &edges}) {
            c->removeSeries(group->back());
            delete group->back();
            group->pop_back();
        }
    }
    series_[i]->replace(stretches[0]);
    for (std::size_t k = 0; k < extra.size(); ++k) extra[k]->replace(stretches[k + 1]);
    for (std::size_t k = 0; k < edges.size(); ++k) edges[k]->replace(edges[k]->isVisible() ? stretches[k] : QList<QPointF>());
    styleSegments(i);
}

QLineSeries* TZScopeView::addUnlisted() {
    auto* s = new QLineSeries(chart());
    chart()->addSeries(s);
    for (QLegendMarker* m : chart()->legend()->markers(s)) m->setVisible(false);
    return s;
}

void TZScopeView::styleSegments(std::size_t i) {
    QLineSeries* first = series_[i];
    const ChannelNode& ch = *scope_->channels.items[i];
    // A lone point between gaps has no line to show it: it is drawn as a dot.
    auto dots = [&](QLineSeries* s) { return ch.points.visible || s->count() == 1; };
    if (first->pointsVisible() != dots(first)) first->setPointsVisible(dots(first));
    auto follow = [&](QLineSeries* s, const QPen& pen, bool visible, qreal markerSize, bool points) {
        if (s->pen() != pen) s->setPen(pen);
        if (s->isVisible() != visible) s->setVisible(visible);
        // The legend shows a marker again for a series made visible.
        for (QLegendMarker* m : chart()->legend()->markers(s))
            if (m->isVisible()) m->setVisible(false);
        if (s->markerSize() != markerSize) s->setMarkerSize(markerSize);
        if (s->pointsVisible() != points) s->setPointsVisible(points);
        for (QAbstractAxis* a : s->attachedAxes())
            if (!first->attachedAxes().contains(a)) s->detachAxis(a);
        for (QAbstractAxis* a : first->attachedAxes())
            if (!s->attachedAxes().contains(a)) s->attachAxis(a);
    };
    for (QLineSeries* s : segments_[i]) follow(s, first->pen(), first->isVisible(), first->markerSize(), dots(s));
    // A colour too near the data view's gets an edge one pixel wider on each
    // side, darker on a light view and lighter on a dark one.
    const QColor ground = colourOf(scope_->dataView.background.color);
    const bool edged = first->isVisible() && !standsOut(first->color(), ground);
    QPen edge = first->pen();
    edge.setColor(luminance(ground) > 0.5 ? first->color().darker(300) : first->color().lighter(300));
    edge.setWidthF(first->pen().widthF() + 2);
    edge.setCapStyle(Qt::RoundCap);
    edge.setJoinStyle(Qt::RoundJoin);
    for (std::size_t k = 0; k < edges_[i].size(); ++k) {
        QLineSeries* line = k == 0 ? first : segments_[i][k - 1];
        QLineSeries* e = edges_[i][k];
        // A hidden edge holds no points; shown, it takes its stretch's.
        if (!edged && e->count() > 0) e->clear();
        if (edged && e->count() != line->count()) e->replace(line->points());
        follow(e, edge, edged, line->markerSize() + 2, dots(line));
    }
}

std::vector<QLineSeries*> TZScopeView::edges(int channel) const {
    return channel >= 0 && static_cast<std::size_t>(channel) < edges_.size() ? edges_[static_cast<std::size_t>(channel)]
                                                                             : std::vector<QLineSeries*>();
}

TZScopeView::~TZScopeView() {
    if (parent()) parent()->removeEventFilter(this);
}

bool TZScopeView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(static_cast<QWidget*>(watched)->rect());
    return QChartView::eventFilter(watched, event);
}

void TZScopeView::refresh() {
    if (scope_) scope_->refresh();
}

void TZScopeView::zoomX(double factor, double around) {
    const double lo = x_ ? x_->min() : fullLo_, hi = x_ ? x_->max() : fullHi_;
    const double full = fullHi_ - fullLo_;
    const double span = std::clamp((hi - lo) * factor, std::min(4.0, full), full);
    const double share = hi > lo ? (around - lo) / (hi - lo) : 0.5;
    const double from = std::clamp(around - share * span, fullLo_, fullHi_ - span);
    if (span >= full - 1e-9) zoom_.reset();
    else zoom_ = std::make_pair(from, from + span);
    if (scope_) scope_->applyRanges();
}

void TZScopeView::panX(double fraction) {
    if (!zoom_) return;
    const double span = zoom_->second - zoom_->first;
    const double from = std::clamp(zoom_->first + span * fraction, fullLo_, fullHi_ - span);
    zoom_ = std::make_pair(from, from + span);
    if (scope_) scope_->applyRanges();
}

void TZScopeView::showAllX() {
    zoom_.reset();
    if (scope_) scope_->applyRanges();
}

void TZScopeView::setCursorSample(int sample) {
    int count = 0;
    for (const auto& y : shown_) count = std::max(count, static_cast<int>(y.size()));
    cursor_ = count ? std::clamp(sample, 0, count - 1) : -1;
    placeCursor();
}

QString TZScopeView::cursorText() const {
    if (cursor_ < 0 || !scope_) return {};
    QString t = textOf(scope_->xAxis.axisLabel.text) + QStringLiteral(" %1").arg(cursor_);
    for (std::size_t i = 0; i < shown_.size() && i < scope_->channels.items.size(); ++i) {
        if (static_cast<std::size_t>(cursor_) >= shown_[i].size()) continue;
        const float v = shown_[i][static_cast<std::size_t>(cursor_)];
        const int decimals = attached_[i] == (y_.empty() ? nullptr : y_[0]) ? decimalsOf(scope_->yAxis) + 1 : 3;
        t += QStringLiteral(" · ") + textOf(scope_->channels.items[i]->name) + QStringLiteral(": ") +
             (std::isfinite(v) ? QString::number(static_cast<double>(v), 'f', decimals) : QStringLiteral("-"));
    }
    return t;
}

void TZScopeView::placeCursor() {
    if (!cursorLine_) {
        cursorLine_ = new QGraphicsLineItem(chart());
        cursorLine_->setPen(QPen(QColor(0xC0, 0, 0), 1, Qt::DashLine));
        cursorLabel_ = new QGraphicsSimpleTextItem(chart());
        cursorLine_->setZValue(100);
        cursorLabel_->setZValue(100);
    }
    const QRectF area = chart()->plotArea();
    const bool shown = cursor_ >= 0 && x_ && cursor_ >= x_->min() && cursor_ <= x_->max();
    cursorLine_->setVisible(shown);
    cursorLabel_->setVisible(cursor_ >= 0);
    if (cursor_ < 0) return;
    const double x = area.left() + (cursor_ - x_->min()) / std::max(x_->max() - x_->min(), 1e-9) * area.width();
    cursorLine_->setLine(x, area.top(), x, area.bottom());
    cursorLabel_->setText(cursorText());
    cursorLabel_->setPos(area.left() + 4, area.top() + 2);
}

void TZScopeView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || !x_) return;
    const QRectF area = chart()->plotArea();
    const double at = x_->min() + (event->position().x() - area.left()) / area.width() * (x_->max() - x_->min());
    zoomX(std::pow(0.8, notches), at);
    event->accept();
}

void TZScopeView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && zoom_) {
        dragging_ = true;
        dragFrom_ = event->position();
        dragRange_ = *zoom_;
    }
    event->accept();
}

void TZScopeView::mouseMoveEvent(QMouseEvent* event) {
    const QRectF area = chart()->plotArea();
    if (!x_ || area.width() <= 0) return;
    const double perPixel = (x_->max() - x_->min()) / area.width();
    if (dragging_ && zoom_) {
        const double span = dragRange_.second - dragRange_.first;
        const double from = std::clamp(dragRange_.first - (event->position().x() - dragFrom_.x()) * perPixel, fullLo_, fullHi_ - span);
        zoom_ = std::make_pair(from, from + span);
        if (scope_) scope_->applyRanges();
    } else if (area.contains(event->position())) {
        setCursorSample(static_cast<int>(std::lround(x_->min() + (event->position().x() - area.left()) * perPixel)));
    }
}

void TZScopeView::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void TZScopeView::mouseDoubleClickEvent(QMouseEvent*) { showAllX(); }

void TZScopeView::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    const double middle = cursor_ >= 0 ? cursor_ : (x_ ? (x_->min() + x_->max()) / 2 : 0);
    switch (event->key()) {
    case Qt::Key_Left: control ? panX(-0.1) : setCursorSample(cursor_ < 0 ? static_cast<int>(x_ ? x_->min() : 0) : cursor_ - 1); break;
    case Qt::Key_Right: control ? panX(0.1) : setCursorSample(cursor_ < 0 ? static_cast<int>(x_ ? x_->min() : 0) : cursor_ + 1); break;
    case Qt::Key_Plus: case Qt::Key_Equal: zoomX(1 / 1.5, middle); break;
    case Qt::Key_Minus: zoomX(1.5, middle); break;
    case Qt::Key_Home: showAllX(); break;
    case Qt::Key_End:
        if (zoom_) panX((fullHi_ - zoom_->second) / (zoom_->second - zoom_->first));
        break;
    default: return QChartView::keyPressEvent(event);
    }
    event->accept();
}

QValueAxis* TZScopeView::yAxis(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < y_.size() ? y_[static_cast<std::size_t>(index)] : nullptr;
}

QLineSeries* TZScopeView::series(int channel) const {
    return channel >= 0 && static_cast<std::size_t>(channel) < series_.size() ? series_[static_cast<std::size_t>(channel)]
                                                                               : nullptr;
}

std::vector<TZScope*> liveScopes() { return registry(); }

template struct CollectionNode<ChannelNode>;
template struct CollectionNode<AxisItemNode>;

}  // namespace compbridge::host
