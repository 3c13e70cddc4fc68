#include "platform/waterfall/basic_waterfall.h"
#include "platform/waterfall/cpu.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace {
constexpr int kToolBarHeight = 26;
constexpr int kHistoryAxisWidth = 46;
constexpr int kSampleAxisHeight = 28;
constexpr int kLevelViewWidth = 74;
constexpr int kLabelHeight = 18;
constexpr int kMargin = 6;
const QColor kBackground(32, 32, 36);

#ifdef QV_WF_X86
// The unchecked linear row, four columns at a time where the processor has
// the instructions: the same operations in the same order as the plain loop
// (the vector maximum and minimum answer their second operand for NaN, as
// the plain tests do), so the pixels are the same bits. The samples and the
// colours are fetched one by one; the processors' gather instructions are
// slower here than plain loads. Answers how many columns it did.
__attribute__((target("avx2"))) int mapLinearAvx2(const double* d, const int* sampleOf, std::uint32_t* out,
                                                   int width, double lo, double k, const std::uint32_t* table) {
    const __m256d vlo = _mm256_set1_pd(lo), vk = _mm256_set1_pd(k);
    const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
    alignas(16) std::int32_t idx[4];
    int c = 0;
    for (; c + 4 <= width; c += 4) {
        const __m256d v = _mm256_setr_pd(d[sampleOf[c]], d[sampleOf[c + 1]], d[sampleOf[c + 2]], d[sampleOf[c + 3]]);
        __m256d x = _mm256_mul_pd(_mm256_sub_pd(v, vlo), vk);
        x = _mm256_min_pd(_mm256_max_pd(x, zero), top);
        _mm_store_si128(reinterpret_cast<__m128i*>(idx), _mm256_cvttpd_epi32(x));
        const int number = _mm256_movemask_pd(_mm256_cmp_pd(v, v, _CMP_ORD_Q));
        out[c] = number & 1 ? table[idx[0]] : 0u;
        out[c + 1] = number & 2 ? table[idx[1]] : 0u;
        out[c + 2] = number & 4 ? table[idx[2]] : 0u;
        out[c + 3] = number & 8 ? table[idx[3]] : 0u;
    }
    return c;
}
#endif

// One buffer into one row of pixels: the sample of each pixel column, its
// fraction of the levels, its colour. NaN and samples past a short buffer's
// end give 0, drawn as nothing. Checked: some columns may lie past the end.
template <bool Logarithmic, bool Checked>
void mapRowImpl(const TTZRealBuffer& b, const int* sampleOf, std::uint32_t* out, int width, double lo, double k,
                const std::array<std::uint32_t, 256>& table) {
    const double* d = b.Data();
    const long long size = static_cast<long long>(b.Size());
    int c = 0;
#ifdef QV_WF_X86
    if (!Logarithmic && !Checked && HasAvx2()) c = mapLinearAvx2(d, sampleOf, out, width, lo, k, table.data());
#endif
    for (; c < width; ++c) {
        const int s = sampleOf[c];
        if (Checked && (s < 0 || s >= size)) {
            out[c] = 0;
            continue;
        }
        double v = d[s];
        if (Logarithmic) v = v > 0 ? std::log10(v) : -HUGE_VAL;
        // Clamped without branches (NaN fails the first test and gives 0),
        // then truncated: the same index as a test against each end.
        double idx = (v - lo) * k;
        idx = idx > 0.0 ? idx : 0.0;
        idx = idx < 255.0 ? idx : 255.0;
        const std::uint32_t colour = table[std::size_t(int(idx))];
        out[c] = v == v ? colour : 0u;
    }
}

// Runs a job over stripes of rows on every core: the calling thread and a
// few workers that sleep between jobs. One job at a time; the caller returns
// only when no worker is left inside it.
class StripePool {
public:
    using Job = std::function<void(int, int)>;
    static StripePool& Instance() {
        static StripePool pool;
        return pool;
    }
    // fn(begin, end) over [0, n) in stripes of at least minStripe.
    void Run(int n, int minStripe, const Job& fn) {
        if (n <= 0) return;
        if (workers_.empty() || n < 2 * minStripe) {
            fn(0, n);
            return;
        }
        std::lock_guard<std::mutex> one(runMutex_);
        // More stripes than threads, so a core busy elsewhere delays little.
        const int stripes = std::min(n / minStripe, int(workers_.size() + 1) * 4);
        {
            std::lock_guard<std::mutex> l(m_);
            job_ = &fn;
            n_ = n;
            stripes_ = stripes;
            next_.store(0);
            left_ = stripes;
            ++generation_;
        }
        wake_.notify_all();
        Work(fn, n, stripes);
        std::unique_lock<std::mutex> l(m_);
        done_.wait(l, [&] { return left_ == 0 && active_ == 0; });
        job_ = nullptr;
    }

private:
    StripePool() {
        const int extra = std::clamp(int(std::thread::hardware_concurrency()) - 1, 0, 7);
        for (int i = 0; i < extra; ++i) workers_.emplace_back([this] { Loop(); });
    }
    ~StripePool() {
        {
            std::lock_guard<std::mutex> l(m_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& t : workers_) t.join();
    }
    void Work(const Job& fn, int n, int stripes) {
        int finished = 0;
        for (int c; (c = next_.fetch_add(1)) < stripes; ++finished)
            fn(int(std::int64_t(n) * c / stripes), int(std::int64_t(n) * (c + 1) / stripes));
        if (finished == 0) return;
        std::lock_guard<std::mutex> l(m_);
        left_ -= finished;
        if (left_ == 0) done_.notify_all();
    }
    void Loop() {
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> l(m_);
        for (;;) {
            wake_.wait(l, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
            if (!job_) continue;  // woke after the job was done
            const Job* fn = job_;
            const int n = n_, stripes = stripes_;
            ++active_;
            l.unlock();
            Work(*fn, n, stripes);
            l.lock();
            if (--active_ == 0) done_.notify_all();
        }
    }

    std::vector<std::thread> workers_;
    std::mutex runMutex_, m_;
    std::condition_variable wake_, done_;
    const Job* job_ = nullptr;
    int n_ = 0, stripes_ = 0, left_ = 0, active_ = 0;
    std::atomic<int> next_{0};
    std::uint64_t generation_ = 0;
    bool stop_ = false;
};

// Per byte the larger of two rows: each colour component's maximum.
void maxBytes(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = dst[i] > src[i] ? dst[i] : src[i];
}

struct OwnView : TTZDisplayView {
    QString kind;
    explicit OwnView(QString k) : kind(std::move(k)) {}
    QString Kind() const override { return kind; }
};
}  // namespace

void TTZWaterfallXAxis::SetRange(int min, int max) {
    if (max <= min) return;
    min_ = min;
    max_ = max;
    zoomed_ = true;
}

void TTZWaterfallYAxis::SetRange(int min, int max) {
    if (max <= min) return;
    min_ = min;
    max_ = max;
    zoomed_ = true;
}

QString TTZWaterfallYAxis::Text(int s) const {
    QString t = QString::number(offset_ + s * scale_, 'g', 5);
    return unit_.isEmpty() ? t : t + QLatin1Char(' ') + unit_;
}

void TTZWaterfallBuffers::ClearHistory() {
    history.clear();
    maxQueue.Clear();
    minQueue.Clear();
    runningMax = runningMin = std::numeric_limits<double>::quiet_NaN();
    layer.valid = false;
}

void TTZWaterfallBuffers::Clear(bool keepPending) {
    ClearHistory();
    if (!keepPending) {
        pendingAdditions.clear();
        pendingReplacements.clear();
    }
    newBufferCount = 0;
}

// ---- data view ----

TTZBasicWaterfallDataView::TTZBasicWaterfallDataView(TTZBasicWaterfall* owner) : owner_(owner) {}

int TTZBasicWaterfallDataView::HistoryIndexAt(int pixel) const {
    if (pixel < 0 || pixel >= int(historyOf_.size())) return -1;
    return historyOf_[std::size_t(pixel)];
}

int TTZBasicWaterfallDataView::SampleIndexAt(int pixel) const {
    if (pixel < 0 || pixel >= int(sampleOf_.size())) return -1;
    return sampleOf_[std::size_t(pixel)];
}

void TTZBasicWaterfallDataView::PrepareGeometry() {
    const auto& x = owner_->XAxis();
    const auto& y = owner_->YAxis();
    bool vertical = owner_->GetLayout() == TTZBasicWaterfall::Vertical;
    int samplePixels = vertical ? Width() : Height();
    int historyPixels = vertical ? Height() : Width();
    int key[7] = {samplePixels, historyPixels, x.Min(), x.Max(), x.Reversed() ? 1 : 0, y.Min(), y.Max() * 2 + vertical};
    if (std::equal(std::begin(key), std::end(key), std::begin(geometryKey_)) && !frame_.isNull()) return;
    std::copy(std::begin(key), std::end(key), std::begin(geometryKey_));
    full_ = true;
    frame_ = QImage(std::max(samplePixels, 1), std::max(historyPixels, 1), QImage::Format_RGB32);
    frame_.fill(kBackground);
    // The same integer arithmetic as the value under the mouse uses.
    sampleOf_.assign(std::size_t(std::max(samplePixels, 0)), -1);
    maxSample_ = -1;
    gaps_ = false;
    long long ymin = y.Min(), ymax = y.Max();
    for (int c = 0; c < samplePixels; ++c) {
        long long s = ymin + (ymax - ymin) * c / samplePixels;
        if (!vertical) s = ymax + ymin - s - 1;  // the sample axis grows upwards
        sampleOf_[std::size_t(c)] = (s >= ymin && s < ymax) ? int(s) : -1;
        maxSample_ = std::max(maxSample_, sampleOf_[std::size_t(c)]);
        gaps_ = gaps_ || sampleOf_[std::size_t(c)] < 0;
    }
    historyOf_.assign(std::size_t(std::max(historyPixels, 0)), -1);
    long long xmin = x.Min(), xmax = x.Max();
    for (int r = 0; r < historyPixels; ++r) {
        long long along = x.Reversed() ? historyPixels - r : r;
        long long h = xmin + (xmax - xmin) * along / historyPixels;
        historyOf_[std::size_t(r)] = (h >= xmin && h < xmax) ? int(h) : -1;
    }
    shownHistory_.clear();
    for (int h : historyOf_)
        if (h >= 0) shownHistory_.push_back(h);
    std::sort(shownHistory_.begin(), shownHistory_.end());
    shownHistory_.erase(std::unique(shownHistory_.begin(), shownHistory_.end()), shownHistory_.end());
}

void TTZBasicWaterfallDataView::Refresh() {
    // While held the picture under the mouse stays put: parked data waits.
    const bool held = owner_->GetHold();
    mappedRows_ = 0;
    if (!held) owner_->PopulateDrawBuffers();
    if (!HasSize()) return;
    PrepareGeometry();
    if (TestSetNeedsRedraw()) full_ = true;
    if (owner_->TakeFullRedraw() || DrawnColumns() == 0) full_ = true;
    bool newData = !held && owner_->TakeNewData();
    int n = full_ ? std::max(1, owner_->GetBuffersCount()) : (newData ? std::max(1, owner_->GetNewBuffersCount()) : 0);
    lastFull_ = full_;
    if (n == 0) return;
    populated_.clear();
    layerRedrawn_ = false;
    Populate(n);
    Compose();
    owner_->ResetNewBuffersCount();
    drawnColumns_.store(std::max(1, owner_->GetBuffersCount()));
    full_ = false;
}

void TTZBasicWaterfallDataView::DirectDraw(int n) {
    (void)n;
    Refresh();
    owner_->repaint();
}

bool TTZBasicWaterfallDataView::HitTest(QPoint p) {
    highlighted_ = rect_.contains(p);
    return highlighted_;
}

template <bool Logarithmic, bool Checked>
void TTZBasicWaterfallDataView::mapRow(const TTZRealBuffer& b, std::uint32_t* out, int width, double lo, double k,
                                       const std::array<std::uint32_t, 256>& table) const {
    mapRowImpl<Logarithmic, Checked>(b, sampleOf_.data(), out, width, lo, k, table);
}

void TTZBasicWaterfallDataView::PopulateChannel(TTZWaterfallBuffers& set, bool logarithmic, bool combine,
                                                const TTZAxisDisplayLevelView& view, double maxLevel,
                                                double minLevel) {
    const int capacity = owner_->XAxis().BufferCapacity();
    const int width = frame_.width();
    auto& layer = set.layer;

    std::array<std::uint32_t, 256> table;
    for (int i = 0; i < 256; ++i) table[std::size_t(i)] = view.ValueToColorGBR(255.0, i) & 0xFFFFFF;
    bool full = full_ || !layer.valid || layer.rows.width() != width || layer.rows.height() != capacity ||
                table != layer.table;
    if (layer.rows.width() != width || layer.rows.height() != capacity)
        layer.rows = QImage(width, capacity, QImage::Format_RGB32);
    layer.table = table;

    double lo = minLevel, hi = maxLevel;
    if (logarithmic) {
        lo = lo > 0 ? std::log10(lo) : -300.0;
        hi = hi > 0 ? std::log10(hi) : -300.0;
    }
    const double k = (hi > lo && std::isfinite(hi - lo)) ? 255.0 / (hi - lo) : 0.0;

    // Never more rows than the ring holds, should the history be longer.
    const std::uint64_t len = std::min<std::uint64_t>(set.history.size(), std::uint64_t(capacity));
    const std::uint64_t skipped = set.history.size() - len;
    const std::uint64_t first = set.added - len;
    // Only the rows the view shows are mapped: a row keeps the serial of the
    // buffer it holds, so each buffer is mapped once, when it first comes
    // into view, and a redraw maps no more rows than there are pixels.
    if (full || layer.rowSerial.size() != std::size_t(capacity)) layer.rowSerial.assign(std::size_t(capacity), 0);
    std::vector<std::uint64_t> wanted;
    for (int h : shownHistory_) {
        if (std::uint64_t(h) >= len) break;
        const std::uint64_t serial = first + std::uint64_t(h);
        if (layer.rowSerial[std::size_t(serial % std::uint64_t(capacity))] != serial + 1) wanted.push_back(serial);
    }
    // Rows are independent: they are mapped on every core. The row
    // addresses are taken here, since scanLine() is no call for other threads.
    uchar* bits = layer.rows.bits();
    const qsizetype bpl = layer.rows.bytesPerLine();
    const auto& history = set.history;
    const int needed = std::max(0, maxSample_ + 1);
    const bool gaps = gaps_;
    auto rows = [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const std::uint64_t serial = wanted[std::size_t(i)];
            const TTZRealBuffer& b = *history[std::size_t(serial - first + skipped)];
            const auto slot = std::size_t(serial % std::uint64_t(capacity));
            auto* out = reinterpret_cast<std::uint32_t*>(bits + bpl * qsizetype(slot));
            const bool whole = !gaps && b.Size() >= std::size_t(needed);
            if (logarithmic) {
                if (whole) mapRow<true, false>(b, out, width, lo, k, table);
                else mapRow<true, true>(b, out, width, lo, k, table);
            } else {
                if (whole) mapRow<false, false>(b, out, width, lo, k, table);
                else mapRow<false, true>(b, out, width, lo, k, table);
            }
            layer.rowSerial[slot] = serial + 1;
        }
    };
    StripePool::Instance().Run(int(wanted.size()), 16, rows);
    mappedRows_ += int(wanted.size());
    layer.valid = true;

    populated_.push_back({&layer, first, len, combine});
    if (full) layerRedrawn_ = true;
}

void TTZBasicWaterfallDataView::Compose() {
    const int capacity = owner_->XAxis().BufferCapacity();
    const int width = frame_.width();
    const std::uint32_t background = kBackground.rgb() & 0xFFFFFF;
    if (combined_.width() != width || combined_.height() != capacity) {
        combined_ = QImage(width, capacity, QImage::Format_RGB32);
        lastComposed_.clear();
    }
    std::uint64_t maxLen = 0;
    for (const auto& p : populated_) maxLen = std::max(maxLen, p.len);

    // When every set is full and moved on by the same count, the combined
    // rows move with them and only the new ones need combining.
    bool incremental = !full_ && !layerRedrawn_ && !populated_.empty() && lastComposed_.size() == populated_.size();
    std::uint64_t shift = 0;
    for (std::size_t i = 0; incremental && i < populated_.size(); ++i) {
        const auto& now = populated_[i];
        const auto& then = lastComposed_[i];
        std::uint64_t d = now.first - then.first;
        incremental = now.layer == then.layer && now.len == std::uint64_t(capacity) &&
                      then.len == std::uint64_t(capacity) && now.first >= then.first && d < std::uint64_t(capacity) &&
                      (i == 0 || d == shift);
        shift = d;
    }
    const std::uint64_t generation = populated_.empty() ? 0 : populated_[0].first;
    // Addresses taken once here: the rows are then combined on every core.
    uchar* combinedBits = combined_.bits();
    const qsizetype combinedBpl = combined_.bytesPerLine();
    std::vector<const uchar*> layerBits;
    for (const auto& p : populated_) layerBits.push_back(p.layer->rows.constBits());
    const qsizetype layerBpl = qsizetype(width) * 4;
    auto combinedRow = [&](std::uint64_t h) {
        return reinterpret_cast<std::uint32_t*>(combinedBits +
                                                combinedBpl * qsizetype((generation + h) % std::uint64_t(capacity)));
    };
    auto composeRow = [&](std::uint64_t h) {
        std::uint32_t* dst = combinedRow(h);
        bool any = false;
        for (std::size_t i = 0; i < populated_.size(); ++i) {
            const auto& p = populated_[i];
            if (h >= p.len) {
                if (!p.combine) std::fill(dst, dst + width, background);
                continue;
            }
            const auto* src = reinterpret_cast<const std::uint32_t*>(
                layerBits[i] + layerBpl * qsizetype((p.first + h) % std::uint64_t(capacity)));
            if (!p.combine || !any) {
                std::memcpy(dst, src, std::size_t(width) * 4);
            } else {
                maxBytes(reinterpret_cast<std::uint8_t*>(dst), reinterpret_cast<const std::uint8_t*>(src),
                         std::size_t(width) * 4);
            }
            any = true;
        }
    };
    // Only the rows the view shows are combined; a combined row keeps the
    // generation it was made for, so an update combines the rows that came
    // into view since, and a redraw starts afresh.
    if (!incremental || combinedSerial_.size() != std::size_t(capacity))
        combinedSerial_.assign(std::size_t(capacity), 0);
    std::vector<std::uint64_t> wanted;
    for (int h : shownHistory_) {
        if (std::uint64_t(h) >= maxLen) break;
        const std::uint64_t serial = generation + std::uint64_t(h);
        if (combinedSerial_[std::size_t(serial % std::uint64_t(capacity))] != serial + 1) wanted.push_back(h);
    }
    StripePool::Instance().Run(int(wanted.size()), 16, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const std::uint64_t h = wanted[std::size_t(i)];
            composeRow(h);
            combinedSerial_[std::size_t((generation + h) % std::uint64_t(capacity))] = generation + h + 1;
        }
    });
    lastIncremental_ = incremental;
    lastComposed_ = populated_;

    uchar* frameBits = frame_.bits();
    const qsizetype frameBpl = frame_.bytesPerLine();
    StripePool::Instance().Run(frame_.height(), 64, [&](int begin, int end) {
        for (int r = begin; r < end; ++r) {
            auto* dst = reinterpret_cast<std::uint32_t*>(frameBits + frameBpl * r);
            int h = historyOf_[std::size_t(r)];
            if (h < 0 || std::uint64_t(h) >= maxLen) std::fill(dst, dst + width, background);
            else std::memcpy(dst, combinedRow(std::uint64_t(h)), std::size_t(width) * 4);
        }
    });
}

// ---- component ----

TTZBasicWaterfall::TTZBasicWaterfall(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 150);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    for (const char* k : {"title", "toolbar", "history axis", "sample axis"}) {
        ownViews_.push_back(new OwnView(QString::fromLatin1(k)));
        views_.push_back(ownViews_.back());
    }
    toolBar_ = new QWidget(this);
    auto* bar = new QHBoxLayout(toolBar_);
    bar->setContentsMargins(2, 2, 2, 2);
    holdButton_ = new QToolButton(toolBar_);
    holdButton_->setText(QStringLiteral("Hold"));
    holdButton_->setAccessibleName(QStringLiteral("Hold"));
    holdButton_->setCheckable(true);
    connect(holdButton_, &QToolButton::toggled, this, [this](bool on) { SetHoldSwitch(on); });
    auto* unzoom = new QToolButton(toolBar_);
    unzoom->setText(QStringLiteral("Zoom out"));
    unzoom->setAccessibleName(QStringLiteral("Zoom out"));
    connect(unzoom, &QToolButton::clicked, this, [this] {
        xAxis_.ResetRange();
        yAxis_.ResetRange();
        update();
    });
    // The keyboard's way to the setup that a click on the legend opens.
    auto* setup = new QToolButton(toolBar_);
    setup->setText(QStringLiteral("Setup..."));
    setup->setAccessibleName(QStringLiteral("Setup..."));
    connect(setup, &QToolButton::clicked, this, [this] { DoLegendClick(-1, 0); });
    bar->addWidget(holdButton_);
    bar->addWidget(unzoom);
    bar->addWidget(setup);
    bar->addStretch();
    refresh_ = new QTimer(this);
    refresh_->setInterval(40);
    connect(refresh_, &QTimer::timeout, this, [this] {
        OnRefreshTimer();
        for (auto* v : views_)
            if (auto* lv = dynamic_cast<TTZAxisDisplayLevelView*>(v); lv && lv->TakeScrolled()) update();
    });
    refresh_->start();
}

TTZBasicWaterfall::~TTZBasicWaterfall() {
    for (auto* v : ownViews_) delete v;
}

void TTZBasicWaterfall::SetLayout(enum Layout l) {
    layout_ = l;
    RecalculateLayout();
}

void TTZBasicWaterfall::SetHoldSwitch(bool on) {
    hold_.store(on);
    if (holdButton_ && holdButton_->isChecked() != on) holdButton_->setChecked(on);
    if (!on) update();
}

bool TTZBasicWaterfall::GetHold() const { return hold_.load() || (dataView_ && dataView_->Zooming()); }

void TTZBasicWaterfall::RecalculateLayout() {
    layoutDirty_ = true;
    update();
}

void TTZBasicWaterfall::CloseMouseTracking() {
    if (dataView_) {
        dataView_->SetZooming(false);
        dataView_->SetMouseInside(false);
        dataView_->ClearHitPoint();
    }
}

void TTZBasicWaterfall::HideToolBar() { toolBar_->hide(); }
void TTZBasicWaterfall::ShowToolBar() { toolBar_->show(); }
bool TTZBasicWaterfall::ToolBarVisible() const { return !toolBar_->isHidden(); }

void TTZBasicWaterfall::Layout(const QSize& size) {
    int top = (toolBar_->isHidden() ? 0 : kToolBarHeight) + kMargin;
    levelPlaces_.clear();
    int right = size.width() - kMargin;
    std::vector<const TTZAxisDisplayLevelView*> levels;
    for (auto* v : views_)
        if (auto* lv = dynamic_cast<const TTZAxisDisplayLevelView*>(v); lv && lv->IsVisible()) levels.push_back(lv);
    int bottom = size.height() - kMargin - kSampleAxisHeight;
    // The first in the list sits at the right edge.
    for (const auto* lv : levels) {
        QRect col(right - kLevelViewWidth, top, kLevelViewWidth, bottom - top);
        QRect label(col.left(), col.top(), col.width(), kLabelHeight);
        QRect bar(col.left() + 4, col.top() + kLabelHeight + 4, 14, col.height() - kLabelHeight - 4);
        QRect scale(bar.right() + 3, bar.top(), col.right() - bar.right() - 3, bar.height());
        levelPlaces_.push_back({lv, label, bar, scale});
        right -= kLevelViewWidth;
    }
    int left = kMargin + kHistoryAxisWidth;
    QRect data(left, top + kLabelHeight + 4, std::max(0, right - kMargin - left),
               std::max(0, bottom - top - kLabelHeight - 4));
    if (layout_ == Horizontal) {
        historyAxisRect_ = QRect(data.left(), data.bottom() + 1, data.width(), kSampleAxisHeight);
        sampleAxisRect_ = QRect(kMargin, data.top(), kHistoryAxisWidth - 2, data.height());
    } else {
        historyAxisRect_ = QRect(kMargin, data.top(), kHistoryAxisWidth - 2, data.height());
        sampleAxisRect_ = QRect(data.left(), data.bottom() + 1, data.width(), kSampleAxisHeight);
    }
    if (dataView_) dataView_->SetRect(data);
    toolBar_->setGeometry(0, 0, size.width(), kToolBarHeight);
}

QRect TTZBasicWaterfall::LevelViewRect(const TTZAxisDisplayLevelView* view, bool labelOnly) const {
    for (const auto& p : levelPlaces_)
        if (p.view == view) return labelOnly ? p.label : p.label.united(p.bar).united(p.scale);
    return {};
}

QRect TTZBasicWaterfall::AxisRect(int axis) const { return axis == 0 ? historyAxisRect_ : sampleAxisRect_; }

void TTZBasicWaterfall::Render(QPainter& p, const QSize& size) {
    Layout(size);
    layoutDirty_ = false;
    p.fillRect(QRect(QPoint(0, 0), size), QColor(240, 240, 240));
    if (!dataView_) return;
    dataView_->Refresh();
    const QRect r = dataView_->Rect();
    p.fillRect(r, kBackground);
    if (dataView_->HasSize()) {
        if (layout_ == Vertical) {
            p.drawImage(r.topLeft(), dataView_->Frame());
        } else {
            p.save();
            p.setTransform(QTransform(0, 1, 1, 0, r.left(), r.top()), true);
            p.drawImage(QPoint(0, 0), dataView_->Frame());
            p.restore();
        }
    }
    p.setClipRect(r);
    DrawMarkers(p);
    DrawHitPoint(p);
    p.setClipping(false);
    PrepareAxes();
    PaintAxes(p);
    PaintLevelViews(p);
    PaintHover(p);
    if (dataView_->Zooming()) {
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(zoomOrigin_, zoomNow_).normalized());
    }
}

void TTZBasicWaterfall::PaintAxes(QPainter& p) {
    p.setPen(Qt::black);
    QFont f = font();
    f.setPointSizeF(7.5);
    p.setFont(f);
    const QRect r = dataView_->Rect();
    bool vertical = layout_ == Vertical;
    auto historyAt = [&](int pixel) { return dataView_->HistoryIndexAt(pixel); };
    auto sampleAt = [&](int pixel) { return dataView_->SampleIndexAt(pixel); };
    const int ticks = 5;
    if (xAxis_.Visible()) {
        for (int i = 0; i <= ticks; ++i) {
            int len = vertical ? r.height() : r.width();
            int pix = std::min(len - 1, len * i / ticks);
            int h = historyAt(pix);
            if (h < 0) continue;
            QString t = xAxis_.Text(h);
            if (vertical)
                p.drawText(QRect(historyAxisRect_.left(), r.top() + pix - 7, historyAxisRect_.width() - 4, 14),
                           Qt::AlignRight | Qt::AlignVCenter, t);
            else
                p.drawText(QRect(r.left() + pix - 30, historyAxisRect_.top() + 2, 60, 14), Qt::AlignCenter, t);
        }
    }
    if (yAxis_.Visible()) {
        for (int i = 0; i <= ticks; ++i) {
            int len = vertical ? r.width() : r.height();
            int pix = std::min(len - 1, len * i / ticks);
            int s = sampleAt(pix);
            if (s < 0) continue;
            QString t = yAxis_.Text(s);
            if (vertical)
                p.drawText(QRect(r.left() + pix - 40, sampleAxisRect_.top() + 2, 80, 14), Qt::AlignCenter, t);
            else
                p.drawText(QRect(sampleAxisRect_.left(), r.top() + pix - 7, sampleAxisRect_.width() - 4, 14),
                           Qt::AlignRight | Qt::AlignVCenter, t);
        }
    }
}

void TTZBasicWaterfall::PaintLevelViews(QPainter& p) {
    for (const auto& place : levelPlaces_) {
        const auto* v = place.view;
        if (auto* label = v->LevelLabel(); label && label->Visible()) {
            p.setFont(label->Font());
            p.setPen(Qt::black);
            p.drawText(place.label, Qt::AlignLeft | Qt::AlignVCenter,
                       p.fontMetrics().elidedText(v->GetLabelText(), Qt::ElideRight, place.label.width()));
        }
        QImage bar(1, std::max(1, place.bar.height()), QImage::Format_RGB32);
        for (int y = 0; y < bar.height(); ++y)
            bar.setPixel(0, y, 0xFF000000u | v->ValueToColorGBR(1.0, 1.0 - double(y) / std::max(1, bar.height() - 1)));
        p.drawImage(place.bar, bar);
        p.setPen(Qt::gray);
        p.setBrush(Qt::NoBrush);
        p.drawRect(place.bar.adjusted(0, 0, -1, -1));
        if (v->AxisVisible()) {
            QFont f = font();
            f.setPointSizeF(7);
            p.setFont(f);
            p.setPen(Qt::black);
            double hi = v->CurrentMax(), lo = v->CurrentMin();
            const QRect& sc = place.scale;
            auto tick = [&](double fraction, double value, int align) {
                int y = sc.bottom() - int(std::lround(fraction * sc.height()));
                QRect box(sc.left(), y - 7, sc.width(), 14);
                if (align & Qt::AlignTop) box.moveTop(sc.top());
                if (align & Qt::AlignBottom) box.moveBottom(sc.bottom());
                p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, v->LevelText(value));
            };
            if (v->Mode() == TTZAxisDisplayLevelView::LogarithmicDecades && lo > 0 && hi > lo) {
                // A tick on every power of ten inside the levels.
                const double l0 = std::log10(lo), l1 = std::log10(hi);
                for (double e = std::ceil(l0); e <= l1 && e - l0 < 40; e += 1)
                    tick((e - l0) / (l1 - l0), std::pow(10.0, e), 0);
            } else {
                double mid = v->IsLogarithmic() && hi > 0 && lo > 0 ? std::sqrt(hi * lo) : (hi + lo) / 2;
                tick(1, hi, Qt::AlignTop);
                tick(0.5, mid, 0);
                tick(0, lo, Qt::AlignBottom);
            }
        }
    }
}

void TTZBasicWaterfall::PaintHover(QPainter& p) {
    if (!dataView_->MouseInside() || !dataView_->HasHitPoint() || dataView_->Zooming()) return;
    QString text = GetFormatedLabelText();
    if (text.isEmpty()) return;
    QFont f = font();
    f.setPointSizeF(8);
    p.setFont(f);
    QRect box = p.fontMetrics().boundingRect(QRect(0, 0, 400, 100), Qt::AlignLeft, text).adjusted(-4, -3, 4, 3);
    box.moveTopLeft(dataView_->HitPoint() + QPoint(12, 12));
    if (box.right() > width()) box.moveRight(dataView_->HitPoint().x() - 12);
    if (box.bottom() > height()) box.moveBottom(dataView_->HitPoint().y() - 12);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 225));
    p.drawRect(box);
    p.drawText(box.adjusted(4, 3, -4, -3), Qt::AlignLeft, text);
}

void TTZBasicWaterfall::DrawHitTest(QPainter& p, const QColor& pen) {
    if (!dataView_ || !dataView_->HasHitPoint()) return;
    p.setPen(QPen(pen, 2));
    p.drawEllipse(dataView_->HitPoint(), 4, 4);
}

void TTZBasicWaterfall::DrawHitPoint(QPainter& p) {
    if (!dataView_ || !dataView_->HasHitPoint() || !dataView_->hitPointVisible) return;
    p.setBrush(hitColor);
    DrawHitTest(p, dataView_->hitPointColor);
}

void TTZBasicWaterfall::DrawMarkers(QPainter& p) {
    const QRect r = dataView_->Rect();
    bool vertical = layout_ == Vertical;
    int len = vertical ? r.width() : r.height();
    for (const auto& g : markerGroups_) {
        p.setPen(QPen(g.color, 1, Qt::DotLine));
        for (int s : g.samples)
            for (int pix = 0; pix < len; ++pix)
                if (dataView_->SampleIndexAt(pix) == s) {
                    if (vertical)
                        p.drawLine(r.left() + pix, r.top(), r.left() + pix, r.bottom());
                    else
                        p.drawLine(r.left(), r.top() + pix, r.right(), r.top() + pix);
                    break;
                }
    }
}

void TTZBasicWaterfall::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Render(p, size());
}

void TTZBasicWaterfall::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RecalculateLayout();
}

void TTZBasicWaterfall::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (dataView_ && dataView_->Rect().contains(pos)) {
        if (event->button() == Qt::LeftButton) {
            zoomOrigin_ = zoomNow_ = pos;
            dataView_->SetZooming(true);
        } else if (event->button() == Qt::RightButton) {
            xAxis_.ResetRange();
            yAxis_.ResetRange();
            update();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    for (const auto& place : levelPlaces_) {
        if (place.label.contains(pos)) {
            DoLegendClick(-1, GetColorChannelIndex(place.view));
            return;
        }
        if (place.bar.united(place.scale).contains(pos)) {
            DoColorChannelClick(GetColorChannelIndex(place.view));
            return;
        }
    }
    if (historyAxisRect_.contains(pos)) DoAxisClick(0);
    else if (sampleAxisRect_.contains(pos)) DoAxisClick(1);
}

void TTZBasicWaterfall::mouseMoveEvent(QMouseEvent* event) {
    if (!dataView_) return;
    const QPoint pos = event->position().toPoint();
    bool inside = dataView_->Rect().contains(pos);
    dataView_->SetMouseInside(inside);
    dataView_->SetMousePosition(pos);
    if (inside) {
        dataView_->SetHitPoint(pos);
        dataView_->GetCurrentMouseValue();
    } else {
        dataView_->ClearHitPoint();
    }
    if (dataView_->Zooming()) zoomNow_ = pos;
    update();
}

void TTZBasicWaterfall::mouseReleaseEvent(QMouseEvent* event) {
    if (!dataView_ || !dataView_->Zooming() || event->button() != Qt::LeftButton) return;
    const QRect r = dataView_->Rect();
    QRect z = QRect(zoomOrigin_, event->position().toPoint()).normalized().intersected(r);
    dataView_->SetZooming(false);
    if (z.width() > 4 && z.height() > 4) {
        bool vertical = layout_ == Vertical;
        auto span = [](int a, int b) { return std::pair(std::min(a, b), std::max(a, b)); };
        int hp0 = vertical ? z.top() - r.top() : z.left() - r.left();
        int hp1 = vertical ? z.bottom() - r.top() : z.right() - r.left();
        int sp0 = vertical ? z.left() - r.left() : z.top() - r.top();
        int sp1 = vertical ? z.right() - r.left() : z.bottom() - r.top();
        auto [h0, h1] = span(dataView_->HistoryIndexAt(hp0), dataView_->HistoryIndexAt(hp1));
        auto [s0, s1] = span(dataView_->SampleIndexAt(sp0), dataView_->SampleIndexAt(sp1));
        if (h0 >= 0 && h1 > h0) xAxis_.SetRange(h0, h1 + 1);
        if (s0 >= 0 && s1 > s0) yAxis_.SetRange(s0, s1 + 1);
    }
    update();
}

void TTZBasicWaterfall::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (dataView_) {
        dataView_->SetMouseInside(false);
        dataView_->ClearHitPoint();
    }
    update();
}
