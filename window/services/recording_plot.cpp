#include "window/services/recording_plot.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace qv::window {
namespace rec = qv::recording;
namespace {

constexpr int kLane = 16;           // a contact's lane
constexpr double kShortest = 10.0;  // seconds: the narrowest view

QString wallText(double t, const QString& format) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(t)), Qt::UTC).toString(format);
}

// 1, 2 or 5 times a power of ten, at least step.
double niceStep(double step) {
    if (!(step > 0) || !std::isfinite(step)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= step) return m * power;
    return 10 * power;
}

QString tickText(double v, double step) {
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 6);
    return QString::number(v, 'f', decimals);
}

}  // namespace

RecordingPlot::RecordingPlot(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(320, 180);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RecordingPlot::setRecording(const rec::Recording* r, std::vector<rec::Gap> gaps, const rec::Summaries* summaries) {
    rec_ = r;
    summaries_ = summaries;
    cursor_.reset();
    lastShown_ = HUGE_VAL;
    grew(std::move(gaps));
    showAll();
}

void RecordingPlot::grew(std::vector<rec::Gap> gaps) {
    gaps_ = std::move(gaps);
    gapAfter_.clear();
    for (const auto& g : gaps_) gapAfter_.push_back(g.after);
    if (rec_ && rec_->size()) {
        // A view that ended at the newest line keeps ending there; the whole stays the whole.
        const double first = static_cast<double>(rec_->time.front()), last = static_cast<double>(rec_->time.back());
        if (t1_ >= lastShown_ - 0.5) {
            const double span = t1_ - t0_;
            if (t0_ <= firstShown_ + 0.5) showAll();
            else setRange(last - span, last);
        }
        firstShown_ = first, lastShown_ = last;
    }
    update();
}

void RecordingPlot::setLines(std::vector<Line> lines) {
    lines_ = std::move(lines);
    update();
}

void RecordingPlot::setFormats(Formats f) {
    formats_ = std::move(f);
    update();
}

void RecordingPlot::setAxisTitles(const QString& left, const QString& right) {
    axisTitle_[0] = left;
    axisTitle_[1] = right;
    update();
}

void RecordingPlot::limits(double& t0, double& t1) const {
    if (!rec_ || rec_->size() == 0) {
        t0 = 0, t1 = 60;
        return;
    }
    t0 = static_cast<double>(rec_->time.front());
    t1 = static_cast<double>(rec_->time.back());
    if (t1 - t0 < kShortest) {  // a line or two: a little time around them
        const double mid = (t0 + t1) / 2;
        t0 = mid - kShortest / 2, t1 = mid + kShortest / 2;
    }
}

void RecordingPlot::showAll() {
    double lo, hi;
    limits(lo, hi);
    if (rec_ && rec_->size()) lastShown_ = static_cast<double>(rec_->time.back()), firstShown_ = static_cast<double>(rec_->time.front());
    setRange(lo, hi);
}

bool RecordingPlot::showsAll() const {
    double lo, hi;
    limits(lo, hi);
    return t0_ <= lo + 0.5 && t1_ >= hi - 0.5;
}

void RecordingPlot::setRange(double t0, double t1) {
    double lo, hi;
    limits(lo, hi);
    double span = std::clamp(t1 - t0, kShortest, hi - lo);
    if (!std::isfinite(span)) span = hi - lo;
    t0 = std::clamp(t0, lo, hi - span);
    t1 = t0 + span;
    if (t0 == t0_ && t1 == t1_) return;
    t0_ = t0, t1_ = t1;
    changed();
}

void RecordingPlot::zoom(double factor, double around) {
    const double span = (t1_ - t0_) * factor;
    const double share = (around - t0_) / (t1_ - t0_);
    setRange(around - share * span, around - share * span + span);
}

void RecordingPlot::pan(double fraction) {
    const double d = (t1_ - t0_) * fraction;
    setRange(t0_ + d, t1_ + d);
}

void RecordingPlot::changed() {
    update();
    if (onRangeChanged) onRangeChanged();
}

void RecordingPlot::setCursor(std::optional<std::size_t> line) {
    if (line && (!rec_ || *line >= rec_->size())) line.reset();
    if (line == cursor_) return;
    cursor_ = line;
    update();
    if (onCursorMoved) onCursorMoved();
}

int RecordingPlot::lanes() const {
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [](const Line& l) { return rec::isContact(l.curve); }));
}

QRect RecordingPlot::plotArea() const {
    const int text = fontMetrics().height();
    const int side = fontMetrics().horizontalAdvance(QStringLiteral("-0000.00")) + text + 8;
    const int bottom = 2 * text + 10 + lanes() * kLane;
    return QRect(side, text / 2 + 4, std::max(width() - 2 * side, 10), std::max(height() - bottom - text / 2 - 4, 10));
}

double RecordingPlot::timeAt(double x) const {
    const QRect a = plotArea();
    return t0_ + (x - a.left()) / a.width() * (t1_ - t0_);
}

double RecordingPlot::xAt(double t) const {
    const QRect a = plotArea();
    return a.left() + (t - t0_) / (t1_ - t0_) * a.width();
}

void RecordingPlot::drawTimeAxis(QPainter& p, const QRect& area) {
    static const double steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800,
                                   21600, 43200, 86400, 172800, 604800, 1209600, 2419200};
    const QFontMetrics fm = fontMetrics();
    const double perSecond = area.width() / (t1_ - t0_);
    auto xAt = [&](double t) { return area.left() + (t - t0_) * perSecond; };
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00")) + 16;
    double step = steps[std::size(steps) - 1];
    for (double s : steps)
        if (s * perSecond >= labelWidth) {
            step = s;
            break;
        }
    const QString format = step < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    const int base = area.bottom() + lanes() * kLane;
    bool dated = false;
    for (double t = std::ceil(t0_ / step) * step; t <= t1_; t += step) {
        const int x = static_cast<int>(std::lround(xAt(t)));
        p.setPen(QColor(0xE4, 0xE4, 0xE4));
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawLine(x, base, x, base + 4);
        const bool midnight = std::fmod(t, 86400.0) == 0;
        const QString label = step >= 86400 ? wallText(t, formats_.day) : wallText(t, format);
        p.drawText(QRect(x - labelWidth / 2, base + 4, labelWidth, fm.height()), Qt::AlignCenter, label);
        // The day under the first label and under each midnight: a time alone would not say which day.
        if (step < 86400 && (midnight || !dated)) {
            p.drawText(QRect(x - labelWidth, base + 4 + fm.height(), 2 * labelWidth, fm.height()), Qt::AlignCenter,
                       wallText(t, formats_.day));
            dated = true;
        }
    }
}

void RecordingPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QRect area = plotArea();
    p.fillRect(area, Qt::white);
    if (!rec_ || rec_->size() == 0) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(area.adjusted(0, 0, -1, -1));
        return;
    }
    const int columns = area.width();
    // Where a time is drawn; the area is measured once a frame (measuring
    // it asks the font, far too slow for every point).
    const double perSecond = area.width() / (t1_ - t0_);
    auto xAt = [&](double t) { return area.left() + (t - t0_) * perSecond; };
    // Gaps: shaded, no line drawn across them.
    for (const auto& g : gaps_) {
        const double a = xAt(static_cast<double>(rec_->time[g.before])), b = xAt(static_cast<double>(rec_->time[g.after]));
        if (b < area.left() || a > area.right()) continue;
        p.fillRect(QRectF(QPointF(std::max(a, double(area.left())), area.top()),
                          QPointF(std::min(b, double(area.right())), area.bottom())),
                   QColor(0xEE, 0xEE, 0xEE));
    }
    drawTimeAxis(p, area);

    // Every shown curve's columns first: each axis scales to what it shows.
    std::vector<std::vector<rec::Column>> envelopes(lines_.size());
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    for (std::size_t k = 0; k < lines_.size(); ++k) {
        rec::envelope(*rec_, lines_[k].curve, t0_, t1_, columns, envelopes[k], summaries_);
        if (rec::isContact(lines_[k].curve)) continue;
        const int axis = lines_[k].axis ? 1 : 0;
        for (const auto& c : envelopes[k])
            if (!c.empty()) lo[axis] = std::min(lo[axis], c.min), hi[axis] = std::max(hi[axis], c.max);
    }
    const QFontMetrics fm = fontMetrics();
    for (int axis = 0; axis < 2; ++axis) {
        if (lo[axis] > hi[axis]) continue;
        if (hi[axis] - lo[axis] < 1e-9 * std::max(1.0, std::fabs(hi[axis]))) lo[axis] -= 1, hi[axis] += 1;
        const double margin = (hi[axis] - lo[axis]) * 0.05;
        lo[axis] -= margin, hi[axis] += margin;
        const double step = niceStep((hi[axis] - lo[axis]) / std::max(2, area.height() / (2 * fm.height())));
        p.setPen(palette().color(QPalette::WindowText));
        for (double v = std::ceil(lo[axis] / step) * step; v <= hi[axis]; v += step) {
            const int y = static_cast<int>(std::lround(area.bottom() - (v - lo[axis]) / (hi[axis] - lo[axis]) * area.height()));
            if (axis == 0) {
                p.setPen(QColor(0xE4, 0xE4, 0xE4));
                p.drawLine(area.left(), y, area.right(), y);
                p.setPen(palette().color(QPalette::WindowText));
            }
            const QString t = tickText(std::fabs(v) < step / 2 ? 0.0 : v, step);
            if (axis == 0) p.drawText(QRect(0, y - fm.height() / 2, area.left() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter, t);
            else p.drawText(QRect(area.right() + 4, y - fm.height() / 2, width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter, t);
        }
        p.save();
        p.translate(axis == 0 ? fm.height() / 2 + 1 : width() - fm.height() / 2 - 1, area.center().y());
        p.rotate(axis == 0 ? -90 : 90);
        p.drawText(QRect(-area.height() / 2, -fm.height() / 2, area.height(), fm.height()), Qt::AlignCenter, axisTitle_[axis]);
        p.restore();
    }

    // A curve: joined column by column, broken at a gap.
    auto gapBetween = [&](std::size_t a, std::size_t b) {
        const auto it = std::upper_bound(gapAfter_.begin(), gapAfter_.end(), a);
        return it != gapAfter_.end() && *it <= b;
    };
    int lane = 0;
    p.setClipRect(QRect(area.left(), area.top(), area.width(), height() - area.top()));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t k = 0; k < lines_.size(); ++k) {
        const Line& l = lines_[k];
        const bool step = rec::isContact(l.curve);
        double base, scale;
        if (step) {
            base = area.bottom() + (lane + 1) * kLane - 3;
            scale = kLane - 6;
            ++lane;
        } else {
            const int axis = l.axis ? 1 : 0;
            base = area.bottom();
            scale = area.height() / (hi[axis] - lo[axis]);
            base += lo[axis] * scale;  // y = base - v * scale
        }
        auto y = [&](double v) { return base - v * scale; };
        QPolygonF run;
        std::size_t previous = 0;
        bool any = false;
        // One-pixel pens take the raster engine's line path; wider ones are
        // stroked as outlines, some ten times slower. A curve is drawn twice,
        // a pixel apart, to stand out as two pixels wide.
        p.setPen(QPen(l.color, 1));
        auto flush = [&] {
            if (run.size() == 1) {
                p.drawPoint(run.front());
            } else if (run.size() > 1) {
                p.drawPolyline(run);
                if (!step) {
                    run.translate(0, 1);
                    p.drawPolyline(run);
                }
            }
            run.clear();
        };
        for (int c = 0; c < columns; ++c) {
            const rec::Column& col = envelopes[k][static_cast<std::size_t>(c)];
            if (col.empty()) continue;
            if (any && gapBetween(previous, col.first)) flush();
            const double firstX = xAt(static_cast<double>(rec_->time[col.first]));
            const double lastX = xAt(static_cast<double>(rec_->time[col.last]));
            const double first = rec_->at(l.curve, col.first), last = rec_->at(l.curve, col.last);
            if (step && !run.isEmpty()) run << QPointF(firstX, run.back().y());
            run << QPointF(firstX, y(first));
            if (col.first != col.last) {
                const double mid = (firstX + lastX) / 2;
                run << QPointF(mid, y(col.min)) << QPointF(mid, y(col.max));
                if (step) run << QPointF(lastX, y(last));
                else run << QPointF(lastX, y(last));
            }
            previous = col.last;
            any = true;
        }
        flush();
    }
    p.setClipping(false);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(area.adjusted(0, 0, -1, -1));
    if (lane) p.drawRect(QRect(area.left(), area.bottom(), area.width() - 1, lane * kLane));

    if (cursor_ && *cursor_ < rec_->size()) {
        const double x = xAt(static_cast<double>(rec_->time[*cursor_]));
        if (x >= area.left() && x <= area.right()) {
            p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1, Qt::DashLine));
            p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom() + lane * kLane));
        }
    }
    if (drag_ == Drag::Band) {
        const int a = std::clamp(std::min(dragStart_.x(), dragNow_.x()), area.left(), area.right());
        const int b = std::clamp(std::max(dragStart_.x(), dragNow_.x()), area.left(), area.right());
        p.fillRect(QRect(a, area.top(), b - a, area.height()), QColor(0x30, 0x60, 0xC0, 0x40));
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void RecordingPlot::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    zoom(std::pow(0.8, notches), timeAt(event->position().x()));
    event->accept();
}

void RecordingPlot::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    dragStart_ = dragNow_ = event->pos();
    if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier)) drag_ = Drag::Band;
    else if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton || event->button() == Qt::RightButton)
        drag_ = Drag::Pan, panFrom_ = t0_;
}

void RecordingPlot::mouseMoveEvent(QMouseEvent* event) {
    if (rec_ && rec_->size() && plotArea().contains(event->pos()) && drag_ != Drag::Pan)
        setCursor(rec::nearestLine(*rec_, timeAt(event->position().x())));
    if (drag_ == Drag::None) return;
    dragNow_ = event->pos();
    if (drag_ == Drag::Pan) {
        const double d = (dragStart_.x() - dragNow_.x()) / double(plotArea().width()) * (t1_ - t0_);
        const double span = t1_ - t0_;
        setRange(panFrom_ + d, panFrom_ + d + span);
    }
    update();
}

void RecordingPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ == Drag::Band && std::abs(event->pos().x() - dragStart_.x()) > 4) {
        const double a = timeAt(std::min(dragStart_.x(), event->pos().x()));
        const double b = timeAt(std::max(dragStart_.x(), event->pos().x()));
        setRange(a, b);
    }
    drag_ = Drag::None;
    update();
}

void RecordingPlot::mouseDoubleClickEvent(QMouseEvent*) { showAll(); }

void RecordingPlot::keyPressEvent(QKeyEvent* event) {
    if (!rec_ || rec_->size() == 0) return QWidget::keyPressEvent(event);
    const bool control = event->modifiers() & Qt::ControlModifier;
    const double middle = cursor_ ? static_cast<double>(rec_->time[*cursor_]) : (t0_ + t1_) / 2;
    // The cursor moves line by line and takes the view along when it leaves it.
    auto moveCursor = [&](long by) {
        const long at = cursor_ ? static_cast<long>(*cursor_) : static_cast<long>(rec::linesBetween(*rec_, t0_, t1_).first);
        const std::size_t to = static_cast<std::size_t>(std::clamp<long>(at + (cursor_ ? by : 0), 0, static_cast<long>(rec_->size()) - 1));
        setCursor(to);
        const double t = static_cast<double>(rec_->time[to]);
        const double span = t1_ - t0_;
        if (t < t0_) setRange(t - span * 0.1, t + span * 0.9);
        else if (t > t1_) setRange(t - span * 0.9, t + span * 0.1);
    };
    switch (event->key()) {
    case Qt::Key_Left: control ? pan(-0.1) : moveCursor(-1); break;
    case Qt::Key_Right: control ? pan(0.1) : moveCursor(1); break;
    case Qt::Key_PageUp: pan(-0.9); break;
    case Qt::Key_PageDown: pan(0.9); break;
    case Qt::Key_Plus: case Qt::Key_Equal: zoom(1 / 1.5, middle); break;
    case Qt::Key_Minus: zoom(1.5, middle); break;
    case Qt::Key_Home: showAll(); break;
    case Qt::Key_End: setRange(static_cast<double>(rec_->time.back()) - (t1_ - t0_), static_cast<double>(rec_->time.back())); break;
    default: return QWidget::keyPressEvent(event);
    }
    event->accept();
}

}  // namespace qv::window
