#include "window/services/status_line.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QLabel>
#include <QTime>
#include <QTimer>

#include "core/link/link_health.h"
#include "platform/dialog/dialog_page.h"
#include "window/services/page_texts.h"

namespace qv::window {
using namespace qv::text;

StatusLine::StatusLine(const AppSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    setObjectName(QStringLiteral("statusLine"));
    auto make = [this] {
        auto* l = new QLabel(this);
        // Long texts wrap rather than widen the window.
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        return l;
    };
    state_ = make();
    note_ = make();
    counters_ = make();
    problem_ = make();
    problem_->setObjectName(QStringLiteral("statusProblem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    problem_->hide();
    state_->setObjectName(QStringLiteral("statusState"));
    note_->setObjectName(QStringLiteral("statusNote"));
    counters_->setObjectName(QStringLiteral("statusCounters"));
    QFont bold = note_->font();
    bold.setBold(true);
    note_->setFont(bold);
    // A fixed height: the note's row is there with or without a note (one
    // line, shortened in its middle), the state has room for two lines, so
    // nothing above moves when a note comes or goes.
    note_->setWordWrap(false);
    note_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    note_->setFixedHeight(note_->fontMetrics().height());
    state_->setMinimumHeight(2 * state_->fontMetrics().lineSpacing());
    state_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The state, a command's note (only while there is one), the counters.
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 2, 8, 2);
    auto* rows = new QVBoxLayout;
    outer->addLayout(rows, 1);
    traceButton_ = new QPushButton(this);
    traceButton_->setObjectName(QStringLiteral("statusTrace"));
    traceButton_->setAutoDefault(false);
    outer->addWidget(traceButton_, 0, Qt::AlignVCenter);
    connect(traceButton_, &QPushButton::clicked, this, [this] {
        if (openTrace_) openTrace_();
    });
    retranslateButton();
    rows->setSpacing(1);
    rows->addWidget(state_);
    rows->addWidget(note_);
    rows->addWidget(problem_);
    rows->addWidget(counters_);
    noteTimer_ = new QTimer(this);
    noteTimer_->setSingleShot(true);
    connect(noteTimer_, &QTimer::timeout, this, [this] {
        noteNumber_ = 0;
        showNote();
    });
}

void StatusLine::ensureTexts() {
    if (loadedLanguage_ == settings_.language) return;
    loadedLanguage_ = settings_.language;
    texts_ = {};
    // A missing file is reported by the pages that load it; here it only leaves the words out.
    const std::string name = textFileName("Messages", settings_.language);
    if (!name.empty())
        if (const auto file = readTextFile(settings_.programDir + name); file.ok()) parseMessages(file.bytes, texts_);
}

QString StatusLine::text(int number) {
    ensureTexts();
    const std::string& t = number >= 1 && number <= kMessageCount ? texts_[static_cast<std::size_t>(number)][0] : "";
    // A text the file lacks is seen as missing, never passed off as another.
    return t.empty() ? QStringLiteral("#%1").arg(number) : qv::dialog::fromCp1252(t);
}


void StatusLine::setView(const View& v) {
    view_ = v;
    const QString port = QStringLiteral("COM%1").arg(v.port);
    QString state;
    using S = qv::link::LinkHealth::State;
    switch (v.state) {
        case S::NoPort:
            state = fillText(text(NoPort), {port});
            if (!v.openFailure.isEmpty()) state += QLatin1Char(' ') + v.openFailure;
            break;
        case S::Lost: state = fillText(text(Lost), {port}); break;
        case S::Silent: state = fillText(text(Silent), {port}); break;
        case S::Garbled: state = fillText(text(Garbled), {port}); break;
        case S::Closed: state = fillText(text(Closed), {port}); break;
        case S::Idle:
        case S::Up: {
            state = fillText(text(PortModel), {port, v.model.isEmpty() ? text(NoMeter) : v.model});
            QString cycle = v.state == S::Idle ? text(NotPolling)
                            : v.cycleSeen ? fillText(text(SinceCycle), {QString::number(v.sinceCycleMs / 1000)})
                                          : text(NoCycleYet);
            state += QStringLiteral(" \u2013 ") + cycle;
            break;
        }
    }
    const bool pollFound = v.state == S::Silent || v.state == S::Garbled || v.state == S::Closed;
    if (pollFound && v.cycleSeen)
        state += QLatin1Char(' ') + fillText(text(SinceCycle), {QString::number(v.sinceCycleMs / 1000)});
    // Only a recording that runs waits; without one there is none to pause.
    if (qv::link::LinkHealth::isDown(v.state) && v.recording) state += QLatin1Char(' ') + text(RecordingWaits);
    if (state_->text() != state) state_->setText(state);
    const QString counters = fillText(text(Counters), {QString::number(v.exchanges), QString::number(v.unanswered),
                                                     QString::number(v.wrongLength), QString::number(v.reopenings)});
    if (counters_->text() != counters) counters_->setText(counters);
    // The link's trouble stands out; the rest reads as ordinary text.
    const bool down = qv::link::LinkHealth::isDown(v.state);
    const QString style = down ? QStringLiteral("color: #b00000; font-weight: bold;") : QString();
    if (state_->styleSheet() != style) state_->setStyleSheet(style);
    if (noteNumber_) showNote();  // in the language now in use
    retranslateButton();
}

void StatusLine::note(int number, const QStringList& args) {
    noteNumber_ = number;
    noteArgs_ = args;
    noteTime_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    showNote();
    noteTimer_->start(kNoteMs);
}

void StatusLine::withdraw(int number) {
    if (noteNumber_ != number) return;
    noteTimer_->stop();
    noteNumber_ = 0;
    showNote();
}

void StatusLine::showNote() {
    noteFull_ = noteNumber_ ? noteTime_ + QStringLiteral(" \u2013 ") + fillText(text(noteNumber_), noteArgs_) : QString();
    note_->setToolTip(noteFull_);
    note_->setAccessibleName(noteFull_);
    fitNote();
}

void StatusLine::fitNote() {
    const int room = note_->contentsRect().width();
    note_->setText(room > 0 ? note_->fontMetrics().elidedText(noteFull_, Qt::ElideMiddle, room) : noteFull_);
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitNote();
}

void StatusLine::retranslateButton() {
    QString caption = text(OpenTrace);
    if (traceButton_->text() == caption) return;
    traceButton_->setText(caption);
    traceButton_->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    traceButton_->setToolTip(QStringLiteral("Ctrl+Shift+D"));
}

QString StatusLine::stateText() const { return state_->text(); }
QString StatusLine::problemText() const { return problem_->text(); }

void StatusLine::setProblem(const QString& text) {
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

}  // namespace qv::window
