#include "app/service_report.h"

#include <QFile>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QLocale>
#include <QPdfWriter>

namespace qv::app {

bool writeServiceReport(const QString& path, const ServiceReport& r) {
    {
        // QPdfWriter says nothing when it cannot write: look first.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    }
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    pdf.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
    pdf.setTitle(r.title);
    pdf.setCreator(QStringLiteral("QV-Gui"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    const int width = pdf.width(), height = pdf.height();
    QFont body(QStringLiteral("DejaVu Sans"), 10), bold = body, big = body;
    bold.setBold(true);
    big.setPointSize(16);
    big.setBold(true);
    int y = 0;
    auto line = [&](const QFont& f) {
        p.setFont(f);
        const int h = QFontMetrics(f, &pdf).lineSpacing();
        if (y + h > height) {
            pdf.newPage();
            y = 0;
        }
        y += h;
        return y;
    };
    auto text = [&](const QString& s, const QFont& f) { p.drawText(0, line(f) - QFontMetrics(f, &pdf).descent(), s); };
    auto pairs = [&](const std::vector<std::pair<QString, QString>>& rows) {
        const int column = width * 2 / 5;
        for (const auto& [label, value] : rows) {
            const int base = line(body) - QFontMetrics(body, &pdf).descent();
            p.drawText(0, base, label);
            p.drawText(column, base, value);
        }
    };
    auto rule = [&] {
        y += 20;
        p.drawLine(0, y, width, y);
        y += 20;
    };
    text(r.title, big);
    text(QLocale().toString(r.when, QStringLiteral("yyyy-MM-dd HH:mm:ss")), body);
    rule();
    pairs(r.head);
    rule();
    text(r.parametersTitle, bold);
    pairs(r.parameters);
    rule();
    text(r.measurementTitle, bold);
    pairs(r.measurement);
    rule();
    text(r.noteTitle, bold);
    text(r.note, body);
    if (!r.curves.isNull()) {
        // The chart at the page's width, on a page of its own when it no longer fits.
        const QSize size = r.curves.size().scaled(width, height, Qt::KeepAspectRatio);
        rule();
        if (y + size.height() > height) {
            pdf.newPage();
            y = 0;
        }
        p.drawImage(QRect(QPoint(0, y), size), r.curves);
        y += size.height();
    }
    return p.end();
}

}  // namespace qv::app
