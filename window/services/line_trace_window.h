#pragma once
// The diagnosis window: the bytes the line carried lately, as the trace
// recorded them. It only reads the trace, so opening it changes nothing on
// the wire. Non-modal; the sheet keeps one and shows it again.
#include <QDialog>
#include <functional>

#include "core/link/trace.h"
#include "core/text/text_numbers.h"

class QPlainTextEdit;
class QPushButton;
class QLabel;
class QTimer;

namespace qv::window {

namespace msg = qv::text::msg;

class LineTraceWindow : public QDialog {
public:
    // Status texts of the messages file.
    enum Text {
        Title = msg::TraceTitle, Pause = msg::TracePause, Clear = msg::TraceClear, Save = msg::TraceSave,
        Close = msg::TraceClose, Open = msg::TraceOpen, Header = msg::TraceHeader, SaveTitle = msg::TraceSaveTitle
    };
    static constexpr int kRefreshMs = 250;

    // text: a status text in the language in use.
    LineTraceWindow(qv::link::TraceReader& trace, std::function<QString(int)> text, QWidget* parent = nullptr);
    // Where saving starts (a folder or a suggested path), and who hears where it went.
    std::function<QString()> savePlace;
    std::function<void(const QString&)> saved;

    void retranslate();
    // What the window shows now (tests and the save).
    QString shownText() const;
    bool paused() const;
    void refresh();
    void clearTrace();
    // Asks for a file and writes the shown text there; false when nothing was written.
    bool save();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString t(int id) const;
    // The view shows its newest line: new lines are followed.
    bool atEnd() const;

    qv::link::TraceReader& trace_;
    std::function<QString(int)> text_;
    std::uint64_t shownVersion_ = ~std::uint64_t{0};
    // The view holds one line per entry, numbered shownFirst_ to shownLast_
    // (none when shownLast_ < shownFirst_): new entries are appended, those
    // the trace dropped or cleared leave from the top.
    std::uint64_t shownFirst_ = 1, shownLast_ = 0;
    // The vertical scroll bar's last maximum: a view at its end stays there
    // when the range changes, as when a long line brings the horizontal
    // scroll bar and the viewport loses a line.
    int lastMaximum_ = 0;
    QLabel* header_;
    QPlainTextEdit* view_;
    QPushButton *pause_, *clear_, *save_, *close_;
    QTimer* timer_;
};

}  // namespace qv::window
