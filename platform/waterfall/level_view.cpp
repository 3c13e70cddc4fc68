#include "platform/waterfall/level_view.h"

#include <algorithm>
#include <cmath>

TTZAxisDisplayLevelView::TTZAxisDisplayLevelView(ValueAtFunction valueAt, LevelFunction maxLevel,
                                                 LevelFunction minLevel)
    : valueAt_(std::move(valueAt)), maxLevel_(std::move(maxLevel)), minLevel_(std::move(minLevel)) {}

void TTZAxisDisplayLevelView::SetRange(double min, double max) {
    min_ = min;
    max_ = max;
    ++changes_;
}

double TTZAxisDisplayLevelView::Fraction(double range, double value) {
    if (!(range > 0.0) || std::isnan(value)) return 0.0;
    return std::clamp(value / range, 0.0, 1.0);
}

TColor TTZAxisDisplayLevelView::GrayColor(double range, double value) {
    auto g = TColor(std::lround(255.0 * Fraction(range, value)));
    return g | (g << 8) | (g << 16);
}

TColor TTZAxisDisplayLevelView::PointsColor(double range, double value) const {
    if (points_.empty()) return GrayColor(range, value);
    double d = Fraction(range, value);
    auto pts = points_;
    std::sort(pts.begin(), pts.end(), [](const ColorPoint& a, const ColorPoint& b) { return a.position < b.position; });
    if (d <= pts.front().position) return pts.front().color;
    if (d >= pts.back().position) return pts.back().color;
    for (std::size_t i = 1; i < pts.size(); ++i) {
        if (d > pts[i].position) continue;
        const auto& a = pts[i - 1];
        const auto& b = pts[i];
        double t = b.position > a.position ? (d - a.position) / (b.position - a.position) : 0.0;
        TColor out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            double ca = (a.color >> shift) & 0xFF, cb = (b.color >> shift) & 0xFF;
            out |= TColor(std::lround(ca + (cb - ca) * t)) << shift;
        }
        return out;
    }
    return pts.back().color;
}

std::uint32_t TTZAxisDisplayLevelView::ValueToColorGBR(double range, double value) const {
    TColor c = gray_ ? GrayColor(range, value) : PointsColor(range, value);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

QString TTZAxisDisplayLevelView::LevelText(double value) const {
    if (std::isnan(value)) return QStringLiteral("-");
    return QString::number(value, 'g', 4);
}

void TTZAxisDisplayLevelView::MainViewScrolled(bool scrolled) {
    notifications_.fetch_add(1);
    if (scrolled) scrolled_.store(true);
}
