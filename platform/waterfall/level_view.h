#pragma once
// Level display views: the colour scale of one data set, with its range,
// automatic or manual levels, scale mode, gray mode, colour points and label.
#include <QColor>
#include <QFont>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// The host's colour value: red in bits 0 to 7, green 8 to 15, blue 16 to 23.
using TColor = std::uint32_t;
inline QColor TColorToQColor(TColor c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
inline TColor QColorToTColor(const QColor& c) {
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

// Anything the display lays out: title, axes, level views.
class TTZDisplayView {
public:
    virtual ~TTZDisplayView() = default;
    virtual bool IsVisible() const { return true; }
    virtual QString Kind() const { return QStringLiteral("view"); }
};

class TTZBasicLevelDisplayLabel {
public:
    bool Visible() const { return visible_; }
    void SetVisible(bool v) {
        visible_ = v;
        ++changes_;
    }
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& f) {
        font_ = f;
        ++changes_;
    }
    // How often a setter ran: editors that only look must leave it alone.
    int Changes() const { return changes_; }

private:
    int changes_ = 0;
    bool visible_ = true;
    QFont font_;
};

// Settings of the small buttons a view may show.
struct TTZViewButtonSettings {
    bool visible = true;
    int size = 16;
    void Assign(const TTZViewButtonSettings& other) { *this = other; }
};

class TTZAxisDisplayLevelView : public TTZDisplayView {
public:
    enum ScaleMode { Linear = 0, Logarithmic = 1, LogarithmicDecades = 2 };
    struct ColorPoint {
        double position;  // 0 to 1 along the level range
        TColor color;
    };
    // The data set's current levels and the value under a view point.
    using LevelFunction = std::function<double()>;
    using ValueAtFunction = std::function<double(int x, int y)>;

    TTZAxisDisplayLevelView(ValueAtFunction valueAt, LevelFunction maxLevel, LevelFunction minLevel);
    QString Kind() const override { return QStringLiteral("level"); }

    // Manual levels, used when the levels are not automatic.
    double ManualMin() const { return min_; }
    double ManualMax() const { return max_; }
    void SetRange(double min, double max);
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool a) { automatic_ = a; ++changes_; }
    ScaleMode Mode() const { return mode_; }
    void SetMode(ScaleMode m) { mode_ = m; ++changes_; }
    bool IsLogarithmic() const { return mode_ != Linear; }
    bool GrayMode() const { return gray_; }
    void SetGrayMode(bool g) { gray_ = g; ++changes_; }
    const std::vector<ColorPoint>& ColorPoints() const { return points_; }
    void SetColorPoints(std::vector<ColorPoint> points) { points_ = std::move(points); ++changes_; }
    bool AxisVisible() const { return axisVisible_; }
    void SetAxisVisible(bool v) { axisVisible_ = v; ++changes_; }
    bool ViewVisible() const { return viewVisible_; }
    void SetViewVisible(bool v) { viewVisible_ = v; ++changes_; }

    double CurrentMax() const { return maxLevel_ ? maxLevel_() : max_; }
    double CurrentMin() const { return minLevel_ ? minLevel_() : min_; }
    double ValueAt(int x, int y) const { return valueAt_ ? valueAt_(x, y) : 0.0; }

    virtual TTZBasicLevelDisplayLabel* LevelLabel() const { return nullptr; }
    virtual QString GetLabelText() const { return QString(); }
    bool IsVisible() const override { return viewVisible_; }
    // The pixel colour (0x00RRGGBB, as QImage stores it) of value within range.
    virtual std::uint32_t ValueToColorGBR(double range, double value) const;
    // The level text of a value as the scale shows it.
    virtual QString LevelText(double value) const;

    // Levels moved: the picture and the scale need a redraw. Any thread.
    virtual void MainViewScrolled(bool scrolled);
    bool TakeScrolled() { return scrolled_.exchange(false); }
    int ScrollNotifications() const { return notifications_.load(); }
    // How often a setter ran: editors that only look must leave it alone.
    int Changes() const { return changes_; }

protected:
    static double Fraction(double range, double value);
    // Gray of the fraction, as a host colour.
    static TColor GrayColor(double range, double value);
    // Interpolated between the colour points, as a host colour.
    TColor PointsColor(double range, double value) const;

private:
    ValueAtFunction valueAt_;
    LevelFunction maxLevel_, minLevel_;
    double min_ = 0.0, max_ = 1.0;
    bool automatic_ = true;
    ScaleMode mode_ = Linear;
    bool gray_ = false;
    std::vector<ColorPoint> points_;
    bool axisVisible_ = true;
    bool viewVisible_ = true;
    int changes_ = 0;
    std::atomic<bool> scrolled_{false};
    std::atomic<int> notifications_{0};
};

// Cached until invalidated; the owner guards it.
template <class T>
struct TTZDisplayCachedValue {
    bool valid = false;
    T value{};
    void Invalidate() { valid = false; }
    void Set(T v) {
        value = v;
        valid = true;
    }
};
