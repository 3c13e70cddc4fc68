#pragma once
// A recording's curves on a time axis: two value axes, each scaled to what
// is shown, contacts as steps in lanes below, gaps left open and shaded.
// Per pixel column it draws the first, smallest, largest and last value, so
// a week at 1920 pixels keeps every spike and a zoomed-in line sits where
// it was recorded. Wheel and drag zoom, keys move a cursor line by line.
#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/recording/reading.h"

namespace qv::window {

class RecordingPlot : public QWidget {
public:
    struct Line {
        int curve = 0;
        int axis = 0;  // 0 left, 1 right; contacts ignore it
        QColor color;
    };
    // How times read: a full time ("dd.MM.yyyy HH:mm:ss") and a day ("dd.MM.").
    struct Formats {
        QString full = QStringLiteral("yyyy-MM-dd HH:mm:ss"), day = QStringLiteral("MM-dd");
    };

    explicit RecordingPlot(QWidget* parent = nullptr);
    // The columns drawn (not owned; they may grow, see grew()), and its gaps.
    void setRecording(const qv::recording::Recording* r, std::vector<qv::recording::Gap> gaps,
                      const qv::recording::Summaries* summaries = nullptr);
    void setLines(std::vector<Line> lines);
    void setFormats(Formats f);
    void setAxisTitles(const QString& left, const QString& right);
    // Lines were added at the end: a view that showed the newest keeps
    // showing it; the whole is shown again when the whole was shown.
    void grew(std::vector<qv::recording::Gap> gaps);

    // The shown time range, in the recording's wall seconds.
    double from() const { return t0_; }
    double to() const { return t1_; }
    void showAll();
    void setRange(double t0, double t1);
    // factor < 1 zooms in, around a time.
    void zoom(double factor, double around);
    void pan(double fraction);
    bool showsAll() const;
    // The line the cursor stands on.
    std::optional<std::size_t> cursor() const { return cursor_; }
    void setCursor(std::optional<std::size_t> line);

    std::function<void()> onRangeChanged, onCursorMoved;

    // Wall seconds of a pixel column, and back (tests, and the cursor).
    double timeAt(double x) const;
    double xAt(double t) const;
    QRect plotArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void changed();
    void limits(double& t0, double& t1) const;
    int lanes() const;
    void drawTimeAxis(class QPainter& p, const QRect& area);
    const qv::recording::Recording* rec_ = nullptr;
    const qv::recording::Summaries* summaries_ = nullptr;
    std::vector<qv::recording::Gap> gaps_;
    std::vector<std::size_t> gapAfter_;
    std::vector<Line> lines_;
    Formats formats_;
    QString axisTitle_[2];
    double t0_ = 0, t1_ = 1;
    double firstShown_ = 0, lastShown_ = 0;  // the recording's ends when last drawn
    std::optional<std::size_t> cursor_;
    enum class Drag { None, Band, Pan } drag_ = Drag::None;
    QPoint dragStart_, dragNow_;
    double panFrom_ = 0;
    std::vector<qv::recording::Column> columns_;
};

}  // namespace qv::window
