#include "window/services/service_report.h"

#include <QBuffer>
#include <QFile>
#include <cerrno>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QLocale>
#include <QPdfWriter>

namespace qv::window {
using namespace qv::text;

QString cleanNote(const QString& note) {
    QString out;
    out.reserve(note.size());
    for (const QChar c : note) {
        const char16_t u = c.unicode();
        // Direction controls could make the printed text read otherwise than typed.
        const bool direction = u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
                               (u >= 0x2066 && u <= 0x2069);
        if (direction || (c.category() == QChar::Other_Control && u != '\n' && u != '\t')) continue;
        out += u == '\t' ? QChar(' ') : c;
    }
    return out;
}

qv::files::WriteResult writeServiceReport(const QString& path, const ServiceReport& r) {
    // Drawn in memory first, then written whole: QPdfWriter itself says
    // nothing when it cannot write, and would write over whatever is there.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!drawServiceReport(buffer, r)) return {qv::files::Trouble::Failed, EIO};
    const QByteArray& bytes = buffer.data();
    return qv::files::writeWhole(QFile::encodeName(path).toStdString(),
                                 std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool drawServiceReport(QIODevice& device, const ServiceReport& r) {
    QPdfWriter pdf(&device);
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
    QFont small = body;
    small.setPointSize(8);
    // The footer stands at the foot of every page, below the room for text.
    const int footerHeight = QFontMetrics(small, &pdf).lineSpacing() * 2;
    const int bottom = height - footerHeight;
    auto footer = [&] {
        if (r.footer.isEmpty()) return;
        p.setFont(small);
        p.drawText(0, height - QFontMetrics(small, &pdf).descent(), r.footer);
    };
    auto newPage = [&] {
        footer();
        pdf.newPage();
    };
    int y = 0;
    auto line = [&](const QFont& f) {
        p.setFont(f);
        const int h = QFontMetrics(f, &pdf).lineSpacing();
        if (y + h > bottom) {
            newPage();
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
    // Long lines wrapped at words, over as many pages as it takes.
    const QFontMetrics fm(body, &pdf);
    auto wrapped = [&](const QString& paragraph) {
        QString rest = paragraph;
        do {
            // The longest head that fits (at least one character), then back to a blank.
            int lo = 1, hi = static_cast<int>(rest.size());
            while (lo < hi) {
                const int mid = (lo + hi + 1) / 2;
                if (fm.horizontalAdvance(rest.left(mid)) <= width) lo = mid; else hi = mid - 1;
            }
            int n = lo;
            if (n < rest.size()) {
                const int space = static_cast<int>(rest.lastIndexOf(QLatin1Char(' '), n));
                if (space > 0) n = space;
            }
            text(rest.left(n), body);
            rest = rest.mid(n).trimmed();
        } while (!rest.isEmpty());
    };
    if (!r.changesTitle.isEmpty()) {
        text(r.changesTitle, bold);
        for (const QString& change : r.changes) wrapped(change);
        rule();
    }
    text(r.noteTitle, bold);
    // The whole note, its own line breaks kept.
    for (const QString& paragraph : cleanNote(r.note).split(QLatin1Char('\n'))) wrapped(paragraph);
    if (!r.curves.isNull()) {
        // The chart at the page's width, on a page of its own when it no longer fits.
        const QSize size = r.curves.size().scaled(width, bottom, Qt::KeepAspectRatio);
        rule();
        if (y + size.height() > bottom) {
            newPage();
            y = 0;
        }
        p.drawImage(QRect(QPoint(0, y), size.boundedTo(QSize(width, bottom))), r.curves);
        y += size.height();
    }
    footer();
    return p.end();
}

}  // namespace qv::window
