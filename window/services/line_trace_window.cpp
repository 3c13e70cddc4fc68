#include "window/services/line_trace_window.h"

#include "platform/files/files.h"
#include "window/services/page_texts.h"

#include <QTextBlock>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/dialog/dialog_service.h"

namespace qv::window {
using namespace qv::text;

LineTraceWindow::LineTraceWindow(qv::link::TraceReader& trace, std::function<QString(int)> text, QWidget* parent)
    : QDialog(parent), trace_(trace), text_(std::move(text)) {
    setObjectName(QStringLiteral("lineTrace"));
    setModal(false);
    header_ = new QLabel(this);
    view_ = new QPlainTextEdit(this);
    view_->setReadOnly(true);
    view_->setUndoRedoEnabled(false);  // appended lines would pile up as undo steps
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    header_->setFont(view_->font());
    header_->setBuddy(view_);
    pause_ = new QPushButton(this);
    pause_->setCheckable(true);
    clear_ = new QPushButton(this);
    save_ = new QPushButton(this);
    close_ = new QPushButton(this);
    for (auto* b : {pause_, clear_, save_, close_}) b->setAutoDefault(false);
    connect(pause_, &QPushButton::toggled, this, [this](bool on) {
        if (!on) refresh();
    });
    connect(clear_, &QPushButton::clicked, this, [this] { clearTrace(); });
    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(close_, &QPushButton::clicked, this, [this] { hide(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear_);
    buttons->addWidget(save_);
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    QScrollBar* bar = view_->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (bar->value() >= lastMaximum_) bar->setValue(maximum);
        lastMaximum_ = maximum;
    });
    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!paused()) refresh();
    });
    retranslate();
    resize(760, 420);
}

QString LineTraceWindow::t(int id) const { return text_ ? text_(id) : QStringLiteral("#%1").arg(id); }

void LineTraceWindow::retranslate() {
    setWindowTitle(t(Title));
    header_->setText(t(Header));
    pause_->setText(t(Pause));
    clear_->setText(t(Clear));
    save_->setText(t(Save));
    close_->setText(t(Close));
    for (auto* b : {pause_, clear_, save_, close_}) b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    view_->setAccessibleName(windowTitle());
    view_->setAccessibleDescription(header_->text());
}

QString LineTraceWindow::shownText() const { return view_->toPlainText(); }
bool LineTraceWindow::paused() const { return pause_->isChecked(); }

void LineTraceWindow::refresh() {
    const std::uint64_t version = trace_.version();
    if (version == shownVersion_) return;
    shownVersion_ = version;
    const qv::link::TraceReader::Since news = trace_.since(shownLast_);
    QScrollBar* bar = view_->verticalScrollBar();
    // Following the newest lines only while the view is at its end; a reader
    // who scrolled back keeps the lines and the selection in front of him.
    const bool follow = atEnd();
    int top = bar->value();
    QTextDocument* doc = view_->document();
    if (news.firstHeld > shownFirst_) {
        const std::uint64_t gone = std::min(news.firstHeld, shownLast_ + 1) - shownFirst_;
        if (shownLast_ < news.firstHeld) {
            view_->clear();  // none of it is held any more: cleared, or passed by while paused
            top = 0;
        } else if (gone > 0) {
            QTextCursor c(doc);
            c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(gone));
            c.removeSelectedText();
            top = std::max(0, top - static_cast<int>(gone));
        }
        shownFirst_ = news.firstHeld;
        if (shownLast_ < shownFirst_) shownLast_ = shownFirst_ - 1;
    }
    if (!news.entries.empty()) {
        // The user's cursor would move with text inserted at its place, the end.
        const QTextCursor user = view_->textCursor();
        const int anchor = user.anchor(), position = user.position();
        QString lines;
        for (const auto& e : news.entries) lines += QString::fromStdString(qv::link::formatTraceEntry(e)) + '\n';
        QTextCursor c(doc);
        c.movePosition(QTextCursor::End);
        c.insertText(lines);
        shownLast_ = news.entries.back().sequence;
        if (view_->textCursor().anchor() != anchor || view_->textCursor().position() != position) {
            QTextCursor back(doc);
            back.setPosition(anchor);
            back.setPosition(position, QTextCursor::KeepAnchor);
            view_->setTextCursor(back);
        }
    }
    bar->setValue(follow ? bar->maximum() : top);
}

bool LineTraceWindow::atEnd() const {
    const QScrollBar* bar = view_->verticalScrollBar();
    if (bar->value() >= bar->maximum()) return true;
    // The newest line in view counts as the end too: after Ctrl+End the
    // scroll range can still be a few lines behind the view's own layout.
    const QTextDocument* doc = view_->document();
    const QTextBlock bottom = view_->cursorForPosition(QPoint(0, view_->viewport()->height() - 1)).block();
    return bottom.isValid() && bottom.blockNumber() >= doc->blockCount() - 2;
}

void LineTraceWindow::clearTrace() {
    trace_.clear();
    refresh();
}

bool LineTraceWindow::save() {
    const QString path = qv::dialog::dialogs().saveFileName(this, t(SaveTitle),
                                                            savePlace ? savePlace() : QString(),
                                                            QStringLiteral("(*.txt) (*.txt)"));
    if (path.isEmpty()) return false;
    const QByteArray bytes = (header_->text() + QLatin1Char('\n') + shownText()).toUtf8();
    // Written whole or not at all, never over what is not a regular file.
    const auto written = qv::files::writeWhole(QFile::encodeName(path).toStdString(),
                                               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!written.ok()) {
        qv::dialog::dialogs().message(this, QStringLiteral("Error"),
                                      QString::fromUtf8("Kann File nicht \u00f6ffnen!\n") +
                                          fileTrouble(QDir::toNativeSeparators(path), written.trouble, written.error, 0,
                                                      [this](int n) { return t(n); }));
        return false;
    }
    if (saved) saved(path);
    return true;
}

void LineTraceWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
    timer_->start();
}

void LineTraceWindow::hideEvent(QHideEvent* event) {
    timer_->stop();
    QDialog::hideEvent(event);
}

}  // namespace qv::window
