#include "platform/dialog/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace qv::dialog {
namespace {
const QColor kBrand(0, 84, 147);
const QColor kBrandLight(0, 150, 199);

QPixmap blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}
}  // namespace

QPixmap lampPixmap(bool green, int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor base = green ? QColor(30, 170, 60) : QColor(210, 30, 30);
    QRadialGradient g(size * 0.35, size * 0.35, size * 0.6);
    g.setColorAt(0, base.lighter(170));
    g.setColorAt(1, base.darker(130));
    p.setBrush(g);
    p.setPen(QPen(base.darker(200), 1));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pm;
}

QPixmap errorMarkerPixmap(int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(210, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.setPen(QPen(Qt::white, size / 7.0, Qt::SolidLine, Qt::RoundCap));
    const double m = size * 0.3;
    p.drawLine(QPointF(m, m), QPointF(size - m, size - m));
    p.drawLine(QPointF(size - m, m), QPointF(m, size - m));
    return pm;
}

QPixmap changedMarkerPixmap(int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 110, 200));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
    // A slanted pencil: body, then its tip.
    const double m = size * 0.25;
    p.setPen(QPen(Qt::white, size / 6.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(size - m, m), QPointF(m + size * 0.12, size - m - size * 0.12));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QPointF tip[3] = {QPointF(m - size * 0.04, size - m + size * 0.04), QPointF(m + size * 0.02, size - m - size * 0.2),
                            QPointF(m + size * 0.2, size - m - size * 0.02)};
    p.drawPolygon(tip, 3);
    return pm;
}

QPixmap compareMarkerPixmap(int size) {
    // An amber diamond with two arrows that point apart: "differs from the other set".
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(230, 150, 20));
    p.setPen(Qt::NoPen);
    const double c = size / 2.0;
    const QPointF diamond[4] = {QPointF(c, 0.3), QPointF(size - 0.3, c), QPointF(c, size - 0.3), QPointF(0.3, c)};
    p.drawPolygon(diamond, 4);
    p.setPen(QPen(Qt::black, size / 9.0, Qt::SolidLine, Qt::RoundCap));
    const double w = size * 0.26, y1 = c - size * 0.12, y2 = c + size * 0.12;
    p.drawLine(QPointF(c - w, y1), QPointF(c + w, y1));
    p.drawLine(QPointF(c + w - size * 0.1, y1 - size * 0.08), QPointF(c + w, y1));
    p.drawLine(QPointF(c - w, y2), QPointF(c + w, y2));
    p.drawLine(QPointF(c - w + size * 0.1, y2 + size * 0.08), QPointF(c - w, y2));
    return pm;
}

QPixmap logoPixmap(int w, int h) {
    QPixmap pm = blank(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, kBrand);
    g.setColorAt(1, kBrandLight);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, w, h), 4, 4);
    // Three waves: the flowing medium.
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
    for (int i = 0; i < 3; ++i) {
        QPainterPath wave;
        const double y = h * 0.70 + i * 3;
        wave.moveTo(4, y);
        for (int x = 4; x <= w - 4; x += 2) wave.lineTo(x, y + 1.6 * std::sin((x + i * 7) / 5.0));
        p.drawPath(wave);
    }
    QFont f;
    f.setPixelSize(h * 0.42);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 2, w, h * 0.6), Qt::AlignCenter, QStringLiteral("Quorvia"));
    return pm;
}

QPixmap meterPixmap(int w, int h) {
    QPixmap pm = blank(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Pipe with flanges, a transmitter head on top.
    const double pipeY = h * 0.62, pipeH = h * 0.22;
    QLinearGradient pipe(0, pipeY, 0, pipeY + pipeH);
    pipe.setColorAt(0, QColor(200, 205, 212));
    pipe.setColorAt(0.5, QColor(240, 242, 245));
    pipe.setColorAt(1, QColor(150, 155, 165));
    p.setPen(QPen(QColor(110, 115, 125), 1));
    p.setBrush(pipe);
    p.drawRect(QRectF(2, pipeY, w - 4, pipeH));
    for (double fx : {w * 0.22, w * 0.72}) p.drawRoundedRect(QRectF(fx, pipeY - 5, w * 0.06, pipeH + 10), 2, 2);
    const QRectF head(w * 0.32, h * 0.08, w * 0.36, h * 0.42);
    p.setBrush(kBrand);
    p.drawRoundedRect(head, 6, 6);
    p.setBrush(QColor(225, 240, 230));
    const QRectF display = head.adjusted(head.width() * 0.15, head.height() * 0.18, -head.width() * 0.15,
                                         -head.height() * 0.45);
    p.drawRect(display);
    p.setPen(QColor(20, 60, 30));
    QFont f;
    f.setPixelSize(qMax(6, int(display.height() * 0.6)));
    p.setFont(f);
    p.drawText(display, Qt::AlignCenter, QStringLiteral("2.50"));
    p.setPen(QPen(QColor(110, 115, 125), 1));
    p.setBrush(QColor(170, 175, 185));
    p.drawRect(QRectF(w * 0.46, head.bottom(), w * 0.08, pipeY - head.bottom()));
    return pm;
}

QIcon programIcon() {
    QIcon icon;
    for (int s : {16, 32, 48, 64}) {
        QPixmap pm = blank(s, s);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(kBrand);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0, 0, s, s), s / 6.0, s / 6.0);
        QFont f;
        f.setPixelSize(int(s * 0.62));
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("Q"));
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap recordingPixmap(int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A ring around the dot keeps it visible on a red-tinted theme too.
    p.setPen(QPen(QColor(90, 0, 0), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    QRadialGradient g(size * 0.4, size * 0.4, size * 0.45);
    g.setColorAt(0, QColor(255, 110, 110));
    g.setColorAt(1, QColor(200, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    const double m = size * 0.2;
    p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
    return pm;
}

QPixmap pausedRecordingPixmap(int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    const double w = size * 0.14, h = size * 0.45, top = (size - h) / 2;
    p.drawRect(QRectF(size * 0.5 - w * 1.6, top, w, h));
    p.drawRect(QRectF(size * 0.5 + w * 0.6, top, w, h));
    return pm;
}

}  // namespace qv::dialog
