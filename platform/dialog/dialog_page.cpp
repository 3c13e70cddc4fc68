#include "platform/dialog/dialog_page.h"

#include "platform/profile/cp1252.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QHelpEvent>
#include <QShowEvent>
#include <QToolTip>

namespace qv::dialog {

DialogPage::DialogPage(QWidget* parent) : QWidget(parent) {}

void DialogPage::registerControl(int id, QWidget* w) {
    controls_[id] = w;
    w->setObjectName(QStringLiteral("ctl%1").arg(id));
}

QSize DialogPage::unscrolledSize(const QSize&) const { return minimumSize().expandedTo(minimumSizeHint()); }

QSize DialogPage::sizeHint() const { return QWidget::sizeHint().expandedTo(dialogUnitsToPixels(0, 0, 546, 374).size()); }

QWidget* DialogPage::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void DialogPage::setControlText(int id, const QString& text) {
    QWidget* w = control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
        if (l->buddy()) l->buddy()->setAccessibleName(QString(text).remove('&'));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
        b->setAccessibleName(QString(text).remove('&'));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (w && !qobject_cast<QComboBox*>(w)) {
        w->setWindowTitle(text);
    }
}

QString DialogPage::controlText(int id) const {
    QWidget* w = control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    return w ? w->windowTitle() : QString();
}

void DialogPage::showControl(int id, bool visible) {
    if (QWidget* w = control(id)) w->setVisible(visible);
}

void DialogPage::enableControl(int id, bool enabled) {
    if (QWidget* w = control(id)) w->setEnabled(enabled);
}

bool DialogPage::isControlVisible(int id) const {
    QWidget* w = control(id);
    return w && !w->isHidden();
}

QRect DialogPage::dialogUnitsToPixels(int x, int y, int w, int h) const {
    const QFontMetrics fm(font());
    // The framework's average width: the letters A-Z and a-z, halved and rounded.
    const int avg = (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int height = fm.height();
    auto hx = [avg](int v) { return (v * avg + 2) / 4; };
    auto vy = [height](int v) { return (v * height + 4) / 8; };
    return QRect(hx(x), vy(y), hx(w), vy(h));
}

void DialogPage::place(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(dialogUnitsToPixels(x, y, width, height));
}

void DialogPage::applyGreyOut(int id, bool available, int greyOut) {
    QWidget* w = control(id);
    if (!w) return;
    if (available || greyOut == 1) {
        w->setVisible(true);
        w->setEnabled(available);
    } else {
        w->setVisible(false);
    }
}

void DialogPage::setHelpText(int id, const QString& text) {
    QWidget* w = control(id);
    if (!w) return;
    if (help_.emplace(id, text).second) {
        w->installEventFilter(this);
        // Help appears over an inactive window too, as a tool-tip control's always-show style does.
        w->setAttribute(Qt::WA_AlwaysShowToolTips);
    } else {
        help_[id] = text;
    }
    w->setAccessibleDescription(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    // A picture has no caption to be named by: its help's first line names it.
    if (auto* l = qobject_cast<QLabel*>(w); l && l->text().isEmpty())
        w->setAccessibleName(text.section(QLatin1String("\r\n"), 0, 0));
}

QString DialogPage::helpText(int id) const {
    auto it = help_.find(id);
    return it == help_.end() ? QString() : it->second;
}

QString DialogPage::toolTipHtml(int id) const {
    const QStringList lines = helpText(id).split(QLatin1String("\r\n"));
    const QFontMetrics fm(QToolTip::font());
    bool wide = false;
    QStringList escaped;
    for (const QString& line : lines) {
        wide = wide || fm.horizontalAdvance(line) > kToolTipWidth;
        escaped << line.toHtmlEscaped();
    }
    const QString body = escaped.join(QLatin1String("<br>"));
    // Qt wraps rich text only inside a given width; a table gives it one.
    return wide ? QStringLiteral("<table width=\"%1\"><tr><td>%2</td></tr></table>").arg(kToolTipWidth).arg(body)
                : QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(body);
}

bool DialogPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        for (const auto& [id, text] : help_) {
            QWidget* w = control(id);
            if (w != watched || text.isEmpty()) continue;
            auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), toolTipHtml(id), w, w->rect(), kToolTipMs);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DialogPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (initialised_) return;
    initialised_ = true;
    onInitDialog();
}

QString fromCp1252(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char c : bytes) out.append(QChar(qv::profile::cp1252Char(c)));
    return out;
}

std::string toCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int c = 0x80; c < 0xA0; ++c)
            if (qv::profile::cp1252Char(static_cast<unsigned char>(c)) == u) mapped = static_cast<char>(c);
        out.push_back(mapped);
    }
    return out;
}

}  // namespace qv::dialog
