#pragma once
// A recording read back: its curves on a time axis, chosen by check boxes,
// the shown range's minimum, maximum and mean and the values at a cursor in
// one table, the gaps listed, the shown range exported for other tools. It
// only reads the file (a piece at a time, the window kept responsive) and
// can follow one that is still being recorded.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/recording/reading.h"
#include "platform/files/files.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTimer;

namespace qv::window {

class RecordingPlot;

class RecordingViewer : public QDialog {
public:
    // text: our texts by number in the language in use; language: 0, 1, 2.
    RecordingViewer(std::function<QString(int)> text, std::function<int()> language, QWidget* parent = nullptr);
    ~RecordingViewer() override;
    // Reads the file, a piece at a time; follow: keep reading what is appended.
    // The view shown stays until the new file has been read as a recording.
    void open(const std::string& path, bool follow = false);
    // Runs the reading to its end at once (tests, and the benchmark).
    void finishReading();
    // Asks for a file (starting at start) and opens it.
    void chooseFile(const QString& start);
    void exportShown();
    // Writes the shown range: CSV (lines in it) or, for a ".png" name, the picture.
    bool exportTo(const QString& path);
    void retranslate();
    // Reads what was appended (the follow timer's step).
    void readMore();

    // What is shown (tests).
    const qv::recording::Recording* shown() const { return shownReader_ ? &shownReader_->recording() : nullptr; }
    RecordingPlot* plot() const { return plot_; }
    QTableWidget* table() const { return table_; }
    QListWidget* gapList() const { return gaps_; }
    QString info() const;
    QString notes() const;
    QString cursorText() const;
    bool following() const;

private:
    void readStep();
    void showRecording();
    void refreshGaps();
    void updateLines();
    void updateStats();
    void updateCursor();
    void updateNotes();
    void message(const QString& text);
    QString number(double v) const;
    QString wall(double t) const;
    QString duration(std::int64_t seconds) const;
    QString curveCaption(int curve) const;

    std::function<QString(int)> text_;
    std::function<int()> language_;
    // What is shown, and what is being read.
    std::unique_ptr<qv::recording::RecordingReader> shownReader_, readingReader_;
    std::unique_ptr<qv::files::GrowingFile> file_, readingFile_;
    std::string path_, readingPath_;
    bool readingFollow_ = false;
    bool replaced_ = false;
    std::int64_t spacing_ = 1;
    qv::recording::Summaries summaries_;
    std::vector<qv::recording::Gap> gapList_;
    int axis_[qv::recording::kCurves] = {};
    bool checked_[qv::recording::kCurves] = {};

    QLabel* info_ = nullptr;
    QLabel* notes_ = nullptr;
    QLabel* cursor_ = nullptr;
    RecordingPlot* plot_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* table_ = nullptr;
    QListWidget* gaps_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* all_ = nullptr;
    QCheckBox* follow_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* reading_ = nullptr;
    QTimer* followTimer_ = nullptr;
    QTimer* statsTimer_ = nullptr;
    bool filling_ = false;
};

}  // namespace qv::window
