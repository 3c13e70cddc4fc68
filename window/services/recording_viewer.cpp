#include "window/services/recording_viewer.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/recording/format.h"
#include "core/recording/recording.h"
#include "window/services/file_places.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_page.h"
#include "platform/dialog/dialog_service.h"
#include "window/services/page_scroll.h"
#include "window/services/page_texts.h"
#include "window/services/recording_plot.h"

namespace qv::window {
namespace rec = qv::recording;
namespace msg = qv::text::msg;
namespace {

constexpr std::size_t kPiece = std::size_t(4) << 20;  // read per step: some 40 ms, the window stays responsive
enum Column { CurveColumn, AxisColumn, MinColumn, MaxColumn, MeanColumn, CursorColumn, kColumns };

// The curves' colours, contacts drawn in the lanes below.
const QColor kColours[rec::kCurves] = {
    QColor(0x1f, 0x77, 0xb4), QColor(0x6b, 0xae, 0xd6), QColor(0x08, 0x45, 0x94), QColor(0xd6, 0x27, 0x28),
    QColor(0xff, 0x98, 0x96), QColor(0x8c, 0x10, 0x10), QColor(0x2c, 0xa0, 0x2c), QColor(0x98, 0xdf, 0x8a),
    QColor(0x0b, 0x5d, 0x1e), QColor(0x94, 0x67, 0xbd), QColor(0xff, 0x7f, 0x0e), QColor(0x30, 0x30, 0x30),
    QColor(0x30, 0x30, 0x30), QColor(0x30, 0x30, 0x30), QColor(0xc0, 0x00, 0x00)};
// Velocity and flow on the left, temperature, totalizer and low flow on the right.
constexpr int kDefaultAxis[rec::kCurves] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0};

QString fromCp1252(const std::string& s) { return qv::dialog::fromCp1252(s); }

}  // namespace

RecordingViewer::RecordingViewer(std::function<QString(int)> text, std::function<int()> language, QWidget* parent)
    : QDialog(parent), text_(std::move(text)), language_(std::move(language)) {
    for (int c = 0; c < rec::kCurves; ++c) axis_[c] = kDefaultAxis[c];
    checked_[rec::VolumeFlow] = checked_[rec::Temperature] = true;  // as the Graph page plots
    info_ = new QLabel(this);
    info_->setWordWrap(true);
    info_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_ = new QLabel(this);
    notes_->setWordWrap(true);
    plot_ = new RecordingPlot(this);
    cursor_ = new QLabel(this);
    cursor_->setWordWrap(true);
    tabs_ = new QTabWidget(this);
    table_ = new QTableWidget(rec::kCurves, kColumns, this);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(CurveColumn, QHeaderView::Stretch);
    for (int c = AxisColumn; c < kColumns; ++c) table_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    for (int r = 0; r < rec::kCurves; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | (c == CurveColumn ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
            if (c >= MinColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
        table_->item(r, CurveColumn)->setCheckState(checked_[r] ? Qt::Checked : Qt::Unchecked);
        table_->item(r, CurveColumn)->setForeground(kColours[r]);
    }
    gaps_ = new QListWidget(this);
    gaps_->setUniformItemSizes(true);
    tabs_->addTab(table_, QString());
    tabs_->addTab(gaps_, QString());
    open_ = new QPushButton(this);
    export_ = new QPushButton(this);
    all_ = new QPushButton(this);
    follow_ = new QCheckBox(this);
    close_ = new QPushButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addWidget(export_);
    buttons->addWidget(all_);
    buttons->addWidget(follow_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info_);
    layout->addWidget(notes_);
    layout->addWidget(plot_, 3);
    layout->addWidget(cursor_);
    layout->addWidget(tabs_, 2);
    layout->addLayout(buttons);
    setTabOrder(plot_, tabs_);

    reading_ = new QTimer(this);
    reading_->setInterval(0);
    connect(reading_, &QTimer::timeout, this, [this] { readStep(); });
    followTimer_ = new QTimer(this);
    followTimer_->setInterval(1000);
    connect(followTimer_, &QTimer::timeout, this, [this] { readMore(); });
    statsTimer_ = new QTimer(this);
    statsTimer_->setSingleShot(true);
    statsTimer_->setInterval(60);  // the range's figures once a zoom or pan comes to rest
    connect(statsTimer_, &QTimer::timeout, this, [this] { updateStats(); });

    plot_->onRangeChanged = [this] { statsTimer_->start(); };
    plot_->onCursorMoved = [this] { updateCursor(); };
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != CurveColumn) return;
        checked_[item->row()] = item->checkState() == Qt::Checked;
        updateLines();
    });
    // Enter (or a double click) on a curve's axis puts it on the other side.
    connect(table_, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        if (item->column() != AxisColumn || rec::isContact(item->row())) return;
        axis_[item->row()] ^= 1;
        updateLines();
    });
    connect(gaps_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const auto* r = shown();
        const int i = gaps_->row(item);
        if (!r || i < 0 || static_cast<std::size_t>(i) >= gapList_.size()) return;
        const double a = static_cast<double>(r->time[gapList_[i].before]), b = static_cast<double>(r->time[gapList_[i].after]);
        plot_->setRange(a - (b - a) / 2, b + (b - a) / 2);
    });
    // A tab chosen by its access key takes the keys at once (Down walks its list).
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { tabs_->currentWidget()->setFocus(Qt::TabFocusReason); });
    connect(open_, &QPushButton::clicked, this, [this] {
        chooseFile(path_.empty() ? QString() : QFileInfo(QString::fromStdString(path_)).absolutePath());
    });
    connect(export_, &QPushButton::clicked, this, [this] { exportShown(); });
    connect(all_, &QPushButton::clicked, this, [this] { plot_->showAll(); });
    connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
        if (on && file_ && !replaced_) followTimer_->start(), readMore();
        else followTimer_->stop();
        updateNotes();
    });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    retranslate();
    fitToScreen(this, [](const QSize& room) { return QSize(1100, 760).boundedTo(room); });
}

RecordingViewer::~RecordingViewer() = default;

void RecordingViewer::retranslate() {
    const auto* r = shown();
    setWindowTitle(fillText(text_(msg::ViewerTitle),
                            {path_.empty() ? QString() : QFileInfo(QString::fromStdString(path_)).fileName()}));
    plot_->setFormats({text_(msg::ViewerTimeFormat), text_(msg::ViewerDayFormat)});
    plot_->setAccessibleName(text_(msg::ViewerPlot));
    plot_->setToolTip(text_(msg::ViewerKeys));
    tabs_->setTabText(0, text_(msg::ViewerCurves));
    tabs_->setTabText(1, fillText(text_(msg::ViewerGaps), {QString::number(gapList_.size())}));
    table_->setHorizontalHeaderLabels({text_(msg::ViewerCurve), text_(msg::ViewerAxis), text_(msg::ViewerMin),
                                       text_(msg::ViewerMax), text_(msg::ViewerMean), text_(msg::ViewerAtCursor)});
    table_->setAccessibleName(QString(text_(msg::ViewerCurves)).remove(QLatin1Char('&')));
    gaps_->setAccessibleName(QString(tabs_->tabText(1)).remove(QLatin1Char('&')));
    open_->setText(text_(msg::ViewerOpen));
    export_->setText(text_(msg::ViewerExport));
    all_->setText(text_(msg::ViewerShowAll));
    follow_->setText(text_(msg::ViewerFollow));
    close_->setText(text_(msg::TraceClose));
    follow_->setToolTip(text_(msg::ViewerFollowing));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{open_, export_, all_, follow_, close_})
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    const QSignalBlocker quiet(table_);
    for (int c = 0; c < rec::kCurves; ++c) table_->item(c, CurveColumn)->setText(curveCaption(c));
    (void)r;
    updateLines();
    refreshGaps();
    updateStats();
    updateCursor();
    updateNotes();
}

QString RecordingViewer::curveCaption(int curve) const {
    const QString name = fromCp1252(rec::curveName(curve, language_()));
    const auto* r = shown();
    QString unit;
    if (curve < rec::kValueCurves && r) unit = fromCp1252(r->units[curve]);
    else if (curve == rec::LowFlow) unit = QStringLiteral("%");
    return unit.isEmpty() ? name : name + QStringLiteral(" [") + unit + QLatin1Char(']');
}

QString RecordingViewer::number(double v) const {
    if (std::isnan(v)) return QStringLiteral("nan");
    // The display's format; German and French with the recording's decimal comma.
    return QString::fromStdString(language_() == 1 ? rec::formatMeasurement(v) : rec::decimalComma(v)).trimmed();
}

QString RecordingViewer::wall(double t) const {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(std::floor(t)), Qt::UTC).toString(text_(msg::ViewerTimeFormat));
}

QString RecordingViewer::duration(std::int64_t s) const {
    const QString clock = QStringLiteral("%1:%2:%3").arg(s / 3600 % 24).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return s >= 86400 ? QStringLiteral("%1 d %2").arg(s / 86400).arg(clock) : clock;
}

void RecordingViewer::open(const std::string& path, bool follow) {
    reading_->stop();
    auto file = std::make_unique<qv::files::GrowingFile>();
    auto opened = file->open(path);
    if (opened.ok() && opened.size > rec::kMaxRecordingBytes) opened.trouble = qv::files::Trouble::TooLarge;
    if (!opened.ok()) {
        message(fileTrouble(QString::fromStdString(path), opened.trouble, opened.error, rec::kMaxRecordingBytes, text_));
        return;
    }
    readingFile_ = std::move(file);
    readingReader_ = std::make_unique<rec::RecordingReader>(true);
    // Room for the lines its size suggests (a line is 110 to 170 bytes), so
    // the columns are not copied as they grow; what is not taken is given back.
    readingReader_->reserve(static_cast<std::size_t>(opened.size / 100 + 16));
    readingPath_ = path;
    readingFollow_ = follow;
    readStep();
    if (readingReader_) reading_->start();
}

void RecordingViewer::readStep() {
    if (!readingReader_) return reading_->stop();
    const std::uint64_t total = std::max<std::uint64_t>(readingFile_->size(), 1);
    const auto piece = readingFile_->more(kPiece);
    const QString name = QFileInfo(QString::fromStdString(readingPath_)).fileName();
    auto refuse = [&](const QString& why) {
        reading_->stop();
        readingReader_.reset();
        readingFile_.reset();
        updateNotes();
        message(why);
    };
    if (!piece.ok()) return refuse(fileTrouble(QString::fromStdString(readingPath_), piece.trouble, piece.error, 0, text_));
    if (!piece.bytes.empty() && readingFile_->offset() > rec::kMaxRecordingBytes)
        return refuse(fileTrouble(QString::fromStdString(readingPath_), qv::files::Trouble::TooLarge, 0, rec::kMaxRecordingBytes, text_));
    if (!piece.bytes.empty() && readingReader_->feed(piece.bytes)) {
        notes_->setText(fillText(text_(msg::ViewerReading),
                                 {name, QString::number(static_cast<int>(100.0 * static_cast<double>(readingFile_->offset()) / static_cast<double>(total)))}));
        return;
    }
    if (!readingReader_->isRecording())
        return refuse(fillText(text_(msg::ViewerNoRecording), {QString::fromStdString(readingPath_)}));
    reading_->stop();
    readingReader_->shrink();
    // Read whole: it takes the place of what was shown.
    shownReader_ = std::move(readingReader_);
    file_ = std::move(readingFile_);
    path_ = readingPath_;
    replaced_ = false;
    showRecording();
    const QSignalBlocker quiet(follow_);
    follow_->setChecked(readingFollow_);
    if (readingFollow_) followTimer_->start();
    else followTimer_->stop();
    updateNotes();
}

void RecordingViewer::finishReading() {
    while (readingReader_) readStep();
}

void RecordingViewer::showRecording() {
    const auto* r = shown();
    spacing_ = rec::usualSpacing(*r);
    gapList_ = rec::findGaps(*r, spacing_);
    summaries_ = rec::Summaries();
    summaries_.update(*r);
    plot_->setRecording(r, gapList_, &summaries_);
    retranslate();
}

void RecordingViewer::readMore() {
    if (!file_ || !shownReader_ || replaced_) return;
    if (file_->replaced()) {
        replaced_ = true;
        followTimer_->stop();
        updateNotes();
        return;
    }
    const std::size_t before = shown()->size();
    for (int i = 0; i < 4; ++i) {  // at most 16 MB a second: a burst is taken over a few seconds
        const auto piece = file_->more(kPiece);
        if (!piece.ok() || piece.bytes.empty() || file_->offset() > rec::kMaxRecordingBytes) break;
        shownReader_->feed(piece.bytes);
    }
    if (shown()->size() == before && shown()->unreadable == 0) return updateNotes();
    spacing_ = rec::usualSpacing(*shown());
    gapList_ = rec::findGaps(*shown(), spacing_);
    summaries_.update(*shown());
    plot_->grew(gapList_);
    refreshGaps();
    updateStats();
    updateNotes();
}

void RecordingViewer::refreshGaps() {
    tabs_->setTabText(1, fillText(text_(msg::ViewerGaps), {QString::number(gapList_.size())}));
    gaps_->setAccessibleName(QString(tabs_->tabText(1)).remove(QLatin1Char('&')));
    gaps_->clear();
    const auto* r = shown();
    if (!r) return;
    for (const auto& g : gapList_) {
        const std::int64_t a = r->time[g.before], b = r->time[g.after];
        gaps_->addItem(fillText(text_(msg::ViewerGapLine), {wall(static_cast<double>(a)), wall(static_cast<double>(b)), duration(b - a)}));
    }
    if (gapList_.empty() && r->size() > 1) {
        auto* none = new QListWidgetItem(fillText(text_(msg::ViewerNoGaps), {duration(std::max(2 * spacing_, spacing_ + 2)), duration(spacing_)}));
        none->setFlags(Qt::ItemIsEnabled);
        gaps_->addItem(none);
    }
}

void RecordingViewer::updateLines() {
    std::vector<RecordingPlot::Line> lines;
    QString titles[2];
    const QSignalBlocker quiet(table_);
    for (int c = 0; c < rec::kCurves; ++c) {
        table_->item(c, AxisColumn)->setText(rec::isContact(c) ? text_(msg::ViewerLane)
                                                               : text_(axis_[c] ? msg::ViewerRight : msg::ViewerLeft));
        if (!checked_[c]) continue;
        lines.push_back({c, axis_[c], kColours[c]});
        if (rec::isContact(c)) continue;
        QString& t = titles[axis_[c] ? 1 : 0];
        t += (t.isEmpty() ? QString() : QStringLiteral(", ")) + curveCaption(c);
    }
    plot_->setLines(std::move(lines));
    plot_->setAxisTitles(titles[0], titles[1]);
}

void RecordingViewer::updateStats() {
    const auto* r = shown();
    const QSignalBlocker quiet(table_);
    if (!r || r->size() == 0) {
        for (int c = 0; c < rec::kCurves; ++c)
            for (int k = MinColumn; k <= MeanColumn; ++k) table_->item(c, k)->setText(QString());
        return;
    }
    const auto [first, last] = rec::linesBetween(*r, plot_->from(), plot_->to());
    for (int c = 0; c < rec::kCurves; ++c) {
        const rec::Summary s = rec::summarize(*r, c, first, last);
        table_->item(c, MinColumn)->setText(s.count ? number(s.min) : QString());
        table_->item(c, MaxColumn)->setText(s.count ? number(s.max) : QString());
        table_->item(c, MeanColumn)->setText(s.count ? number(s.mean) : QString());
    }
    table_->horizontalHeaderItem(MeanColumn)->setToolTip(fillText(text_(msg::ViewerRange), {wall(plot_->from()), wall(plot_->to())}));
    tabs_->setTabToolTip(0, fillText(text_(msg::ViewerRange), {wall(plot_->from()), wall(plot_->to())}));
}

void RecordingViewer::updateCursor() {
    const auto* r = shown();
    const auto line = plot_->cursor();
    const QSignalBlocker quiet(table_);
    if (!r || !line) {
        cursor_->setText(text_(msg::ViewerKeys));
        for (int c = 0; c < rec::kCurves; ++c) table_->item(c, CursorColumn)->setText(QString());
        return;
    }
    cursor_->setText(fillText(text_(msg::ViewerCursorLine), {QString::number(r->fileLine[*line]), wall(static_cast<double>(r->time[*line]))}) +
                     QStringLiteral(" · ") + fromCp1252(r->errorTexts[r->error[*line]]));
    for (int c = 0; c < rec::kCurves; ++c) {
        const double v = r->at(c, *line);
        QString unit;
        if (c < rec::kValueCurves) unit = fromCp1252(r->units[c]);
        else if (c == rec::LowFlow) unit = QStringLiteral("%");
        table_->item(c, CursorColumn)->setText(unit.isEmpty() ? number(v) : number(v) + QLatin1Char(' ') + unit);
    }
}

void RecordingViewer::updateNotes() {
    const auto* r = shown();
    const int lang = language_();
    if (!r) {
        info_->setText(text_(msg::ViewerEmpty));
        notes_->clear();
        export_->setEnabled(false);
        all_->setEnabled(false);
        follow_->setEnabled(false);
        return;
    }
    export_->setEnabled(true);
    all_->setEnabled(true);
    follow_->setEnabled(!replaced_);
    info_->setText(fillText(text_(msg::ViewerInfo),
                            {QString::fromStdString(path_) + QStringLiteral(" · ") + fromCp1252(r->model), QString::number(r->size()),
                             r->size() ? wall(static_cast<double>(r->time.front())) : QString(),
                             r->size() ? wall(static_cast<double>(r->time.back())) : QString()}));
    QStringList notes;
    if (r->unreadable)
        notes << fillText(text_(qv::text::counted(r->unreadable, lang, msg::ViewerUnreadable, msg::ViewerUnreadableOne)),
                          {QString::number(r->unreadable), QString::number(r->firstUnreadable)});
    if (r->backwards)
        notes << fillText(text_(qv::text::counted(r->backwards, lang, msg::ViewerBackwards, msg::ViewerBackwardsOne)),
                          {QString::number(r->backwards), QString::number(r->firstBackwards)});
    if (replaced_) notes << text_(msg::ViewerReplaced);
    else if (follow_->isChecked()) notes << text_(msg::ViewerFollowing);
    notes_->setText(notes.join(QLatin1Char(' ')));
    notes_->setVisible(!notes.isEmpty());
}

bool RecordingViewer::following() const { return follow_->isChecked() && followTimer_->isActive(); }

void RecordingViewer::chooseFile(const QString& start) {
    const QString chosen = qv::dialog::dialogs().openFileName(this, QString(text_(msg::ViewerMenu)).remove(QLatin1Char('&')),
                                                              start, text_(msg::ViewerOpenFilter));
    if (!chosen.isEmpty()) open(chosen.toStdString());
}

void RecordingViewer::exportShown() {
    if (!shown()) return;
    const QString base = QFileInfo(QString::fromStdString(path_)).completeBaseName();
    const QString start = QFileInfo(QString::fromStdString(path_)).absolutePath() + QLatin1Char('/') + base +
                          QStringLiteral("_export.csv");
    const QString chosen = qv::dialog::dialogs().saveFileName(this, QString(text_(msg::ViewerExport)).remove(QLatin1Char('&')),
                                                              start, text_(msg::ViewerExportFilter));
    if (!chosen.isEmpty()) exportTo(chosen);
}

bool RecordingViewer::exportTo(const QString& path) {
    const auto* r = shown();
    if (!r) return false;
    const ExportTarget target = exportTarget(path);
    std::string bytes;
    std::size_t lines = 0;
    if (target.picture) {
        bytes = pngOf(plot_);
    } else {
        const auto [first, last] = rec::linesBetween(*r, plot_->from(), plot_->to());
        bytes = rec::exportCsv(*r, first, last);
        lines = last - first;
    }
    if (!writeChosen(this, target.path, bytes, text_)) return false;
    notes_->setVisible(true);
    notes_->setText(target.picture ? fillText(text_(msg::ViewerPictureSaved), {target.path})
                                   : fillText(text_(qv::text::counted(static_cast<long long>(lines), language_(), msg::ViewerExported,
                                                                      msg::ViewerExportedOne)),
                                              {QString::number(lines), target.path}));
    return true;
}

void RecordingViewer::message(const QString& text) {
    qv::dialog::dialogs().message(this, QStringLiteral("QV-Gui"), text);
}

QString RecordingViewer::info() const { return info_->text(); }
QString RecordingViewer::notes() const { return notes_->text(); }
QString RecordingViewer::cursorText() const { return cursor_->text(); }

}  // namespace qv::window
