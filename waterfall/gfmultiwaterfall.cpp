#include "waterfall/gfmultiwaterfall.h"

#include <QApplication>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/waterfall/component_host.h"
#include "waterfall/gfmultiwaterfallpropertiesformunit.h"

const TColor kChannelPalette[14] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0xF0FBFF, 0x008080,
                                    0xFFFFFF, 0xC0C0C0, 0x800080, 0xFF00FF, 0xFFFF00, 0x808000, 0x800000};

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The history's extremes follow the numbers in it; NaN means none yet.
bool higher(double candidate, double current) {
    return !std::isnan(candidate) && (std::isnan(current) || candidate > current);
}
bool lower(double candidate, double current) {
    return !std::isnan(candidate) && (std::isnan(current) || candidate < current);
}

ITZRealBuffer memoryToReal(const TLWMemoryBuffer& m) {
    std::vector<double> v(m.bytes.size() / sizeof(double));
    if (!v.empty()) std::memcpy(v.data(), m.bytes.data(), v.size() * sizeof(double));
    return std::make_shared<TTZRealBuffer>(std::move(v));
}
}  // namespace

// ---- data interface ----

void TTZMultiWaterfallChannelData::IntAddData(const ITZRealBuffer& b) { channel_->AddBuffer(b); }
void TTZMultiWaterfallChannelData::IntAddData(const std::uint16_t* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntAddData(const std::int32_t* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntAddData(const std::int16_t* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntAddData(const std::uint32_t* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntAddData(const float* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntAddData(const double* v, std::size_t n) { channel_->AddBuffer(TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const ITZRealBuffer& b) { channel_->SetBuffer(i, b); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const std::uint16_t* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const std::int32_t* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const std::int16_t* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const std::uint32_t* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const float* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::IntSetData(int i, const double* v, std::size_t n) { channel_->SetBuffer(i, TTZRealBuffer::FromValues(v, n)); }
void TTZMultiWaterfallChannelData::Clear() { channel_->Clear(); }
std::vector<ITZRealBuffer> TTZMultiWaterfallChannelData::IntGetData() { return channel_->GetData(); }
std::vector<ITZRealBuffer> TTZMultiWaterfallChannelData::IntGetDrawData() { return channel_->GetDrawData(); }
double TTZMultiWaterfallChannelData::GetSampleRate() { return channel_->SampleRate(); }
void TTZMultiWaterfallChannelData::SetSampleRate(double rate) { channel_->SetSampleRate(rate); }

// ---- level view ----

TTZChannelDisplayLevelView::TTZChannelDisplayLevelView(TGFMultiWaterfallChannel* channel, ValueAtFunction valueAt,
                                                       LevelFunction maxLevel, LevelFunction minLevel)
    : TTZAxisDisplayLevelView(std::move(valueAt), std::move(maxLevel), std::move(minLevel)),
      channel_(channel),
      label_(std::make_unique<TTZBasicLevelDisplayLabel>()) {}

TTZChannelDisplayLevelView::~TTZChannelDisplayLevelView() = default;

QString TTZChannelDisplayLevelView::GetLabelText() const { return channel_->Name(); }

TColor TTZChannelDisplayLevelView::CalculateDefault(double range, double value) const {
    double d = Fraction(range, value);
    TColor c = channel_->Color();
    auto part = [&](int shift) { return TColor(std::lround(double((c >> shift) & 0xFF) * d)) << shift; };
    return part(0) | part(8) | part(16);
}

const TTZViewButtonSettings& TTZChannelDisplayLevelView::GetButtonSettings() const {
    return channel_->Waterfall()->ChannelButtons();
}

bool TTZChannelDisplayLevelView::IsVisible() const { return channel_->Visible() && TTZAxisDisplayLevelView::IsVisible(); }

std::uint32_t TTZChannelDisplayLevelView::ValueToColorGBR(double range, double value) const {
    if (GrayMode()) return GrayColor(range, value);
    auto swapRB = [](TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); };
    if (ColorPoints().size() > 1) return swapRB(PointsColor(range, value));
    return swapRB(CalculateDefault(range, value));
}

void TTZChannelDisplayLevelView::AssignLevels(const TTZAxisDisplayLevelView& other) {
    SetRange(other.ManualMin(), other.ManualMax());
    SetAutomatic(other.Automatic());
    SetMode(other.Mode());
    SetGrayMode(other.GrayMode());
    SetColorPoints(other.ColorPoints());
    SetAxisVisible(other.AxisVisible());
    SetViewVisible(other.ViewVisible());
    if (other.LevelLabel()) SetLevelLabel(*other.LevelLabel());
}

// ---- channel ----

TGFMultiWaterfallChannel::TGFMultiWaterfallChannel(TGFMultiWaterfallChannels* collection)
    : TTZOptionalDisplayCollectionItem(collection),
      channels_(collection),
      data_(std::make_unique<TTZMultiWaterfallChannelData>(this)),
      buffers_(std::make_unique<TTZWaterfallBuffers>()) {
    levels_ = std::make_unique<TTZChannelDisplayLevelView>(
        this, [this](int x, int y) { return GetValueAt(x, y); }, [this] { return GetCurrentMaxLevel(); },
        [this] { return GetCurrentMinLevel(); });
    auto& views = Waterfall()->DisplayViews();
    views.erase(std::remove(views.begin(), views.end(), levels_.get()), views.end());
    views.insert(views.begin() + std::min<std::ptrdiff_t>(4, std::ptrdiff_t(views.size())), levels_.get());
    Waterfall()->RecalculateLayout();
}

TGFMultiWaterfallChannel::~TGFMultiWaterfallChannel() {
    TGFMultiWaterfall* w = Waterfall();
    if (pin_) {
        pin_->Disconnect();
        w->InputPins().Remove(pin_.get());
    }
    auto& views = w->DisplayViews();
    views.erase(std::remove(views.begin(), views.end(), levels_.get()), views.end());
    w->SetChanged();
    w->RecalculateLayout();
}

TGFMultiWaterfall* TGFMultiWaterfallChannel::Waterfall() const { return channels_->Waterfall(); }

void TGFMultiWaterfallChannel::AfterConstruction() {
    pin_ = std::make_unique<TTZLWComboRealIntMatrixSinkPin>(
        [this](TTZLWComboRealIntMatrixSinkPin& pin, TLWDataType type, const TLWOperation& op) {
            SinkDispatch(pin, type, op);
        });
    auto& pins = Waterfall()->InputPins();
    StoreName(QStringLiteral("Channel") + QString::number(pins.Count()));
    pins.Add(Name(), pin_.get());
}

void TGFMultiWaterfallChannel::SinkDispatch(TTZLWComboRealIntMatrixSinkPin&, TLWDataType type, const TLWOperation& op) {
    TGFMultiWaterfall* w = Waterfall();
    if (!w->LockObject()) return;
    if (const auto* start = std::get_if<TLWStartOperation>(&op)) {
        {
            Guard g(w->Lock());
            sampleRate_ = start->rate ? *start->rate : kDefaultSampleRate;
            spectrum_ = start->kind == TLWStartOperation::Spectrum;
            intensity_ = start->kind == TLWStartOperation::Intensity;
        }
        Clear();
        w->InvalidateFreq();
        return;
    }
    const auto* supplied = std::get_if<TLWSuppliedBuffer>(&op);
    if (!supplied) return;
    const auto& payload = supplied->payload;
    switch (type) {
    case TLWDataType::RealBuffer:
        if (const auto* b = std::get_if<ITZRealBuffer>(&payload)) AddBuffer(*b);
        break;
    case TLWDataType::TypedBuffer:
        if (const auto* b = std::get_if<TLWTypedBuffer>(&payload)) AddBuffer(b->ToReal());
        break;
    case TLWDataType::BufferList:
        if (const auto* list = std::get_if<std::vector<ITZRealBuffer>>(&payload))
            for (const auto& b : *list) AddBuffer(b);
        break;
    case TLWDataType::RealMatrix:
        if (const auto* m = std::get_if<TLWRealMatrix>(&payload))
            for (std::size_t r = 0; r < m->Rows(); ++r)
                AddBuffer(std::make_shared<TTZRealBuffer>(m->values.data() + r * m->columns, m->columns));
        break;
    case TLWDataType::Memory:
        if (const auto* mem = std::get_if<TLWMemoryBuffer>(&payload)) AddBuffer(memoryToReal(*mem));
        break;
    }
}

void TGFMultiWaterfallChannel::Clear() {
    TGFMultiWaterfall* w = Waterfall();
    {
        Guard g(w->Lock());
        if (w->GetHold()) {
            // The picture under the mouse stays until the next drawing.
            buffers_->pendingAdditions.clear();
            buffers_->pendingReplacements.clear();
            buffers_->newBufferCount = 0;
            buffers_->clearPending = true;
        } else {
            buffers_->Clear(false);
        }
        w->GetDataView()->ResetDrawnColumns();
        w->SetChanged();
    }
    w->Recalculate();
}

std::vector<ITZRealBuffer> TGFMultiWaterfallChannel::GetData() {
    Guard g(Waterfall()->Lock());
    const auto& b = *buffers_;
    // What the next drawing shows: a pending clear empties the history, and
    // a pending replacement takes the place of the pending addition it names.
    // Copies throughout: a history buffer is never shared, so the one that
    // leaves can take the next copy.
    std::vector<ITZRealBuffer> out;
    out.reserve(b.history.size() + b.pendingAdditions.size());
    if (!b.clearPending)
        for (const auto& h : b.history) out.push_back(TTZRealBuffer::CopyOf(h));
    for (std::size_t p = 0; p < b.pendingAdditions.size(); ++p)
        out.push_back(TTZRealBuffer::CopyOf(p < b.pendingReplacements.size() && b.pendingReplacements[p]
                                                ? b.pendingReplacements[p]
                                                : b.pendingAdditions[p]));
    return out;
}

std::vector<ITZRealBuffer> TGFMultiWaterfallChannel::GetDrawData() {
    Guard g(Waterfall()->Lock());
    std::vector<ITZRealBuffer> out;
    for (const auto& h : buffers_->history) out.push_back(TTZRealBuffer::CopyOf(h));
    return out;
}

void TGFMultiWaterfallChannel::AddBuffer(const ITZRealBuffer& buffer) {
    TGFMultiWaterfall* w = Waterfall();
    // The copy goes into the buffer that last left the history, so a full
    // history takes buffers without allocating; it is made outside the lock.
    std::shared_ptr<TTZRealBuffer> copy;
    {
        Guard g(w->Lock());
        copy = std::move(buffers_->spare);
    }
    if (!copy) copy = std::make_shared<TTZRealBuffer>();
    double bmin, bmax;
    copy->AssignCopy(buffer ? buffer->Data() : nullptr, buffer ? buffer->Size() : 0, bmin, bmax);
    Guard g(w->Lock());
    if (w->GetHold()) {
        buffers_->pendingAdditions.push_back(std::move(copy));
        // A loop, not one step: the depth may have been lowered meanwhile.
        while (int(buffers_->pendingAdditions.size()) > w->XAxis().BufferCapacity())
            buffers_->pendingAdditions.pop_front();
    } else {
        // Whatever was parked during a hold goes in first, in order.
        MergePending();
        AddToHistory(std::move(copy), bmin, bmax);
    }
}

void TGFMultiWaterfallChannel::MergePending() {
    Guard g(Waterfall()->Lock());
    auto& b = *buffers_;
    if (b.clearPending) {
        b.ClearHistory();
        b.clearPending = false;
        Waterfall()->SetChanged();
    }
    for (std::size_t r = 0; r < b.pendingReplacements.size(); ++r)
        if (b.pendingReplacements[r]) ReplaceHoldBuffer(int(r), b.pendingReplacements[r]);
    b.pendingReplacements.clear();
    if (b.pendingAdditions.empty()) return;
    auto additions = std::move(b.pendingAdditions);
    b.pendingAdditions.clear();
    for (const auto& a : additions) AddHoldBuffer(a);
}

void TGFMultiWaterfallChannel::AddHoldBuffer(const ITZRealBuffer& given) {
    // Called from outside too: a null buffer is taken as an empty one.
    const ITZRealBuffer buffer = given ? given : std::make_shared<TTZRealBuffer>();
    double bmin, bmax;
    buffer->Extremes(bmin, bmax);
    Guard g(Waterfall()->Lock());
    AddToHistory(buffer, bmin, bmax);
}

void TGFMultiWaterfallChannel::AddToHistory(ITZRealBuffer buffer, double bmin, double bmax) {
    TGFMultiWaterfall* w = Waterfall();
    auto& b = *buffers_;
    // A clear still pending from a hold happens before anything new enters.
    if (b.clearPending) {
        b.ClearHistory();
        b.clearPending = false;
        w->SetChanged();
    }
    w->SetNewData();
    b.history.push_back(std::move(buffer));
    ++b.added;
    b.maxQueue.Add(bmax);
    b.minQueue.Add(bmin);
    if (b.history.size() == 1) {
        b.runningMax = bmax;
        b.runningMin = bmin;
    } else {
        if (lower(bmin, b.runningMin)) {
            b.runningMin = bmin;
            levels_->MainViewScrolled(true);
        }
        if (higher(bmax, b.runningMax)) {
            b.runningMax = bmax;
            levels_->MainViewScrolled(true);
        }
    }
    // A loop, not one step: after the depth was lowered the history shrinks
    // to it at once instead of staying too long for ever.
    while (int(b.history.size()) > w->XAxis().BufferCapacity()) {
        ITZRealBuffer gone = b.history.take_front();
        if (!b.spare && gone.use_count() == 1) b.spare = std::const_pointer_cast<TTZRealBuffer>(std::move(gone));
        // The largest after the first is the maximum of what stays.
        if (b.maxQueue.Count() > 1 && same(b.maxQueue.Item(0), b.runningMax)) {
            b.runningMax = b.maxQueue.LargestAfterFirst();
            levels_->MainViewScrolled(true);
        }
        b.maxQueue.RemoveFirst();
        if (b.minQueue.Count() > 1 && same(b.minQueue.Item(0), b.runningMin)) {
            b.runningMin = b.minQueue.SmallestAfterFirst();
            levels_->MainViewScrolled(true);
        }
        b.minQueue.RemoveFirst();
    }
    w->YAxis().SetSampleCount(int(b.history.front()->Size()));
    // The buffer that becomes the oldest at the next addition is read then
    // (its size, and whether it can take the next copy); by now it has long
    // left the cache, so it is fetched while the caller does other work.
    if (b.history.size() > 1) __builtin_prefetch(b.history[1].get());
    ++b.newBufferCount;
}

void TGFMultiWaterfallChannel::SetBuffer(int index, const ITZRealBuffer& buffer) {
    TGFMultiWaterfall* w = Waterfall();
    Guard g(w->Lock());
    auto& b = *buffers_;
    const auto P = std::size_t(b.pendingAdditions.size());
    // A history with a clear pending is empty for the next drawing.
    const auto H = b.clearPending ? std::size_t(0) : std::size_t(b.history.size());
    const auto i = std::size_t(std::max(index, 0));
    if (index < 0 || i >= P) {
        if (index < 0 || i - P >= H)
            throw ERangeError(QStringLiteral("Index out of range = %1").arg(unsigned(index)).toStdString());
        std::size_t h = i - P;
        b.history[h] = TTZRealBuffer::CopyOf(buffer);
        // The queues and extremes must keep describing what the history holds,
        // or a replaced peak would stay in the levels until it scrolled out.
        b.maxQueue.Clear();
        b.minQueue.Clear();
        b.runningMax = b.runningMin = std::numeric_limits<double>::quiet_NaN();
        for (const auto& e : b.history) {
            double mx = e->Maximum(), mn = e->Minimum();
            b.maxQueue.Add(mx);
            b.minQueue.Add(mn);
            if (higher(mx, b.runningMax)) b.runningMax = mx;
            if (lower(mn, b.runningMin)) b.runningMin = mn;
        }
        levels_->MainViewScrolled(true);
        b.layer.valid = false;
        w->SetChanged();
        return;
    }
    ITZRealBuffer copy = TTZRealBuffer::CopyOf(buffer);
    if (w->GetHold()) {
        if (b.pendingReplacements.size() <= i) b.pendingReplacements.resize(i + 1);
        b.pendingReplacements[i] = copy;
    } else {
        b.pendingAdditions[i] = copy;
    }
}

void TGFMultiWaterfallChannel::ReplaceHoldBuffer(int index, const ITZRealBuffer& buffer) {
    Guard g(Waterfall()->Lock());
    auto& pending = buffers_->pendingAdditions;
    // An index the pending list has since lost is dropped.
    if (index >= 0 && std::size_t(index) < pending.size()) pending[std::size_t(index)] = TTZRealBuffer::CopyOf(buffer);
}

void TGFMultiWaterfallChannel::SetLevels(const TTZAxisDisplayLevelView& levels) {
    levels_->AssignLevels(levels);
    Waterfall()->RequestFullRedraw();
    Invalidate();
}

void TGFMultiWaterfallChannel::SetColor(TColor color) {
    if (color_.exchange(color) == color) return;
    Changed();
    Waterfall()->RequestFullRedraw();
    Waterfall()->update();
}

double TGFMultiWaterfallChannel::GetCurrentMaxLevel() {
    Guard g(Waterfall()->Lock());
    if (levels_->Automatic() && buffers_->maxQueue.Count() > 0 && !std::isnan(buffers_->runningMax))
        return buffers_->runningMax;
    return levels_->ManualMax();
}

double TGFMultiWaterfallChannel::GetCurrentMinLevel() {
    Guard g(Waterfall()->Lock());
    if (levels_->Automatic() && buffers_->minQueue.Count() > 0 && !std::isnan(buffers_->runningMin))
        return buffers_->runningMin;
    return levels_->ManualMin();
}

double TGFMultiWaterfallChannel::GetValueAt(int x, int y) {
    bool inView = false;
    return GetValueAtInt(x, y, inView);
}

double TGFMultiWaterfallChannel::GetValueAtInt(int x, int y, bool& inView) {
    double result = -1000000.0;
    inView = false;
    TGFMultiWaterfall* w = Waterfall();
    const TTZBasicWaterfallDataView* view = w->GetDataView();
    if (!view->HasSize()) return result;
    x -= view->Left();
    y -= view->Top();
    inView = true;
    Guard g(w->Lock());
    const auto& history = buffers_->history;
    const long long xmin = w->XAxis().Min(), xmax = w->XAxis().Max();
    const long long ymin = w->YAxis().Min(), ymax = w->YAxis().Max();
    const bool vertical = w->GetLayout() == TTZBasicWaterfall::Vertical;
    const long long along = vertical ? y : x, across = vertical ? x : y;
    const long long length = vertical ? view->Height() : view->Width();
    const long long extent = vertical ? view->Width() : view->Height();
    const long long h = xmin + (xmax - xmin) * (w->XAxis().Reversed() ? length - along : along) / length;
    if (h < xmin || h > xmax) return result;
    if (h >= 0 && std::size_t(h) < history.size()) {
        const TTZRealBuffer& buffer = *history[std::size_t(h)];
        long long s = ymin + (ymax - ymin) * across / extent;
        if (!vertical) {
            if (s < ymin || s > ymax) return result;
            s = ymax + ymin - s - 1;  // the sample axis grows upwards
        }
        // Checked against this buffer itself: buffers may differ in size, and
        // the upward index can leave the buffer at either end.
        if (s >= 0 && s < static_cast<long long>(buffer.Size())) return buffer.Item(std::size_t(s));
    }
    inView = false;
    return GetCurrentMinLevel();
}

double TGFMultiWaterfallChannel::GetValueAtScale(double fx, double fy) {
    TGFMultiWaterfall* w = Waterfall();
    Guard g(w->Lock());
    const auto& history = buffers_->history;
    const int xmin = w->XAxis().Min(), xmax = w->XAxis().Max();
    const int ymin = w->YAxis().Min(), ymax = w->YAxis().Max();
    const long long h = std::llround(xmin + (xmax - xmin) * fx);
    const long long s = std::llround(ymin + (ymax - ymin) * fy);
    if (h < xmin || h > xmax || h < 0) return -100000.0;
    if (std::size_t(h) >= history.size()) return GetCurrentMinLevel();
    const TTZRealBuffer& buffer = *history[std::size_t(h)];
    if (s < 0 || s >= static_cast<long long>(buffer.Size())) return -100000.0;
    return buffer.Item(std::size_t(s));
}

void TGFMultiWaterfallChannel::Invalidate() { Waterfall()->update(); }

void TGFMultiWaterfallChannel::InvalidateItem() {
    Waterfall()->InputPins().SetName(Index(), Name());
    Invalidate();
}

void TGFMultiWaterfallChannel::SetIndex(int index) {
    TGFMultiWaterfall* w = Waterfall();
    int from = Index();
    index = std::clamp(index, 0, channels_->Count() - 1);
    if (from == index) return;
    auto& pins = w->InputPins();
    auto& views = w->DisplayViews();
    // Step by step, so pin i and level view i always follow item i.
    int step = index > from ? 1 : -1;
    for (int i = from; i != index; i += step) {
        auto* other = channels_->GetItem(i + step);
        channels_->Move(i, i + step);
        pins.Swap(i, i + step);
        auto a = std::find(views.begin(), views.end(), levels_.get());
        auto b = std::find(views.begin(), views.end(), other->Levels());
        if (a != views.end() && b != views.end()) std::iter_swap(a, b);
    }
    w->RecalculateLayout();
}

void TGFMultiWaterfallChannel::SetVisible(bool visible) {
    TTZOptionalDisplayCollectionItem::SetVisible(visible);
    Waterfall()->SetChanged();
    Waterfall()->RecalculateLayout();
}

void TGFMultiWaterfallChannel::SetName(const QString& name) {
    StoreName(name);
    InvalidateItem();
    Changed();
}

QString TGFMultiWaterfallChannel::GetDisplayName() const { return Name(); }

double TGFMultiWaterfallChannel::SampleRate() {
    Guard g(Waterfall()->Lock());
    return sampleRate_;
}
void TGFMultiWaterfallChannel::SetSampleRate(double rate) {
    {
        Guard g(Waterfall()->Lock());
        sampleRate_ = rate;
    }
    Waterfall()->InvalidateFreq();
}
bool TGFMultiWaterfallChannel::IsSpectrum() {
    Guard g(Waterfall()->Lock());
    return spectrum_;
}
bool TGFMultiWaterfallChannel::IsIntensity() {
    Guard g(Waterfall()->Lock());
    return intensity_;
}
int TGFMultiWaterfallChannel::HistoryCount() {
    Guard g(Waterfall()->Lock());
    return int(buffers_->history.size());
}
int TGFMultiWaterfallChannel::PendingCount() {
    Guard g(Waterfall()->Lock());
    return int(buffers_->pendingAdditions.size());
}
int TGFMultiWaterfallChannel::NewBufferCount() {
    Guard g(Waterfall()->Lock());
    return buffers_->newBufferCount;
}
double TGFMultiWaterfallChannel::RunningMax() {
    Guard g(Waterfall()->Lock());
    return buffers_->runningMax;
}
double TGFMultiWaterfallChannel::RunningMin() {
    Guard g(Waterfall()->Lock());
    return buffers_->runningMin;
}

// ---- channels ----

TGFMultiWaterfallChannels::~TGFMultiWaterfallChannels() { Clear(); }

TTZOptionalDisplayCollectionItem* TGFMultiWaterfallChannels::CreateItem() { return new TGFMultiWaterfallChannel(this); }

TGFMultiWaterfallChannel* TGFMultiWaterfallChannels::GetItem(int index) const {
    return static_cast<TGFMultiWaterfallChannel*>(Item(index));
}

TGFMultiWaterfallChannel* TGFMultiWaterfallChannels::Add() { return static_cast<TGFMultiWaterfallChannel*>(AddItem()); }

void TGFMultiWaterfallChannels::Update(TTZOptionalDisplayCollectionItem*) { waterfall_->update(); }

void TGFMultiWaterfallChannels::NewItemCreated(TTZOptionalDisplayCollectionItem* item) {
    auto* channel = static_cast<TGFMultiWaterfallChannel*>(item);
    channel->SetColor(GetNewColor(kChannelPalette, 14, item));
    waterfall_->Recalculate();
}

int TGFMultiWaterfallChannels::GetCountOfColor(TColor color, const TTZOptionalDisplayCollectionItem* except) const {
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        if (Item(i) != except && GetItem(i)->Color() == color) ++n;
    return n;
}

TColor TGFMultiWaterfallChannels::GetNewColor(const TColor* colors, int n,
                                              const TTZOptionalDisplayCollectionItem* except) const {
    int best = 0, fewest = -1;
    for (int i = 0; i < n; ++i) {
        int c = GetCountOfColor(colors[i], except);
        if (fewest < 0 || c < fewest) {
            fewest = c;
            best = i;
        }
    }
    return colors[best];
}

void TGFMultiWaterfallChannels::Assign(const TGFMultiWaterfallChannels& other) {
    while (Count() > other.Count()) Delete(Count() - 1);
    while (Count() < other.Count()) Add();
    for (int i = 0; i < Count(); ++i) {
        auto* mine = GetItem(i);
        auto* theirs = other.GetItem(i);
        mine->SetName(theirs->Name());
        mine->SetVisible(theirs->Visible());
        mine->SetColor(theirs->Color());
        mine->SetLevels(*theirs->Levels());
    }
}

// ---- data view ----

TGFMultiWaterfallDataView::TGFMultiWaterfallDataView(TGFMultiWaterfall* waterfall)
    : TTZBasicWaterfallDataView(waterfall), waterfall_(waterfall) {}

void TGFMultiWaterfallDataView::Populate(int n) {
    if (n <= 0) return;
    Guard g(waterfall_->Lock());
    auto& channels = waterfall_->Channels();
    bool combine = false;
    for (int i = 0; i < channels.Count(); ++i) {
        auto* c = channels.GetItem(i);
        if (!c->Visible()) continue;
        PopulateChannel(c->Buffers(), c->Levels()->IsLogarithmic(), combine, *c->Levels(), c->GetCurrentMaxLevel(),
                        c->GetCurrentMinLevel());
        combine = true;
    }
}

void TGFMultiWaterfallDataView::GetCurrentMouseValue() {
    auto& channels = waterfall_->Channels();
    mouseValues_.resize(std::size_t(channels.Count()));
    for (int i = 0; i < channels.Count(); ++i) {
        bool inView = false;
        mouseValues_[std::size_t(i)] =
            channels.GetItem(i)->GetValueAtInt(MousePosition().x(), MousePosition().y(), inView);
    }
}

bool TGFMultiWaterfallDataView::TestSetNeedsRedraw() {
    Guard g(waterfall_->Lock());
    auto& channels = waterfall_->Channels();
    bool needed = waterfall_->Changed();
    for (int i = 0; i < channels.Count() && !needed; ++i) {
        auto* c = channels.GetItem(i);
        if (!c->Visible()) continue;
        const auto& b = c->Buffers();
        needed = b.drawnLog != c->Levels()->IsLogarithmic() || !same(b.drawnMax, c->GetCurrentMaxLevel()) ||
                 !same(b.drawnMin, c->GetCurrentMinLevel());
    }
    if (!needed) return false;
    waterfall_->TakeChanged();
    for (int i = 0; i < channels.Count(); ++i) {
        auto* c = channels.GetItem(i);
        if (!c->Visible()) continue;
        auto& b = c->Buffers();
        b.drawnLog = c->Levels()->IsLogarithmic();
        b.drawnMax = c->GetCurrentMaxLevel();
        b.drawnMin = c->GetCurrentMinLevel();
    }
    return true;
}

// ---- component ----

TGFMultiWaterfall::TGFMultiWaterfall(QWidget* owner)
    : TTZBasicWaterfall(owner),
      pins_(std::make_unique<TLWPinList>()),
      buttons_(std::make_unique<TTZViewButtonSettings>()),
      dataView_(std::make_unique<TGFMultiWaterfallDataView>(this)),
      sampleRate_(std::make_unique<TTZDisplayCachedValue<double>>()) {
    channels_ = std::make_unique<TGFMultiWaterfallChannels>(this);
    InstallDataView(dataView_.get());
    setAccessibleName(QStringLiteral("Multi waterfall"));
}

TGFMultiWaterfall::~TGFMultiWaterfall() {
    destroying_.store(true);
    pins_->DisconnectAll();
    InstallDataView(nullptr);
    channels_.reset();
    dataView_.reset();
    sampleRate_.reset();
    buttons_.reset();
    pins_.reset();
}

void TGFMultiWaterfall::SetChannels(const TGFMultiWaterfallChannels& channels) { channels_->Assign(channels); }
void TGFMultiWaterfall::SetChannelButtons(const TTZViewButtonSettings& settings) { buttons_->Assign(settings); }

void TGFMultiWaterfall::SetListOwner(QObject* owner) {
    if (!owner) pins_->DisconnectAll();
}

void TGFMultiWaterfall::DirectDataView(int n) { dataView_->DirectDraw(n); }
bool TGFMultiWaterfall::HitTestDataView(QPoint p) { return dataView_->HitTest(p); }

int TGFMultiWaterfall::GetColorChannelIndex(const TTZAxisDisplayLevelView* view) {
    for (int i = 0; i < channels_->Count(); ++i)
        if (channels_->GetItem(i)->Levels() == view) return i;
    return 0;
}

void TGFMultiWaterfall::DoColorChannelClick(int index) { DoLegendClick(-1, index); }
void TGFMultiWaterfall::ShowSetupDialog() { DoLegendClick(-1, 0); }
void TGFMultiWaterfall::DoAxisClick(int index) { DoLegendClick(1, index); }

void TGFMultiWaterfall::DoLegendClick(int page, int index) {
    CloseMouseTracking();
    bool toolBar = ToolBarVisible();
    HideToolBar();
    {
        TGFMultiWaterfallPropertiesForm form(this, index, TTZMultiWaterfallPropertiesStartPage(page + 1));
        lastSetupPosition_ = mapToGlobal(QPoint(width() - form.width() - 20, 20));
        form.move(lastSetupPosition_);
        formDialogs().RunModal(form);
    }
    // Our tool bar is a fixed strip rather than a hover bar: it comes back.
    if (toolBar) ShowToolBar();
    update();
}

bool TGFMultiWaterfall::GetSetupEnabled() { return !MarkerGroups().empty() || channels_->Count() > 0; }

void TGFMultiWaterfall::InvalidateFreq() {
    Guard g(lock_);
    sampleRate_->Invalidate();
    domainsKnown_ = false;
}

void TGFMultiWaterfall::ObtainDomains() {
    Guard g(lock_);
    frequencyDomain_ = intensityDomain_ = false;
    for (int i = 0; i < channels_->Count(); ++i) {
        auto* c = channels_->GetItem(i);
        if (!c->Visible()) continue;
        if (c->IsSpectrum()) {
            frequencyDomain_ = true;
            break;
        }
        if (c->IsIntensity()) {
            intensityDomain_ = true;
            break;
        }
    }
    domainsKnown_ = true;
}

bool TGFMultiWaterfall::IsFrequencyDomain() {
    Guard g(lock_);
    if (!domainsKnown_) ObtainDomains();
    return frequencyDomain_;
}

bool TGFMultiWaterfall::IsIntensityDomain() {
    Guard g(lock_);
    if (!domainsKnown_) ObtainDomains();
    return intensityDomain_;
}

double TGFMultiWaterfall::CalcMinFreq() { return 0.0; }

double TGFMultiWaterfall::CalcMaxFreq() {
    double rate = GetSampleRate();
    int k = int(std::trunc(std::log10(rate) / 3));
    return rate / 2 / std::pow(10.0, 3 * k);
}

void TGFMultiWaterfall::PrepareAxes() {
    const int samples = YAxis().SampleCount();
    if (!IsFrequencyDomain() || samples <= 0) {
        YAxis().SetScale(1.0, QString());
        return;
    }
    // The same thousands exponent as the maximum frequency is given in.
    const int k = int(std::trunc(std::log10(GetSampleRate()) / 3));
    static const char* const kUnits[] = {"mHz", "Hz", "kHz", "MHz", "GHz", "THz"};
    const QString unit = k >= -1 && k <= 4 ? QString::fromLatin1(kUnits[k + 1])
                                           : QStringLiteral("e%1 Hz").arg(3 * k);
    const double lo = CalcMinFreq(), hi = CalcMaxFreq();
    YAxis().SetScale((hi - lo) / samples, unit, lo);
}

double TGFMultiWaterfall::GetSampleRate() {
    Guard g(lock_);
    if (sampleRate_->valid) return sampleRate_->value;
    double rate = 0;
    for (int i = 0; i < channels_->Count(); ++i) {
        auto* c = channels_->GetItem(i);
        if (c->Visible() && c->SampleRate() > rate) rate = c->SampleRate();
    }
    if (rate == 0) rate = kDefaultSampleRate;
    sampleRate_->Set(rate);
    return rate;
}

int TGFMultiWaterfall::GetBufferSize() {
    Guard g(lock_);
    int size = -1;
    for (int i = 0; i < channels_->Count(); ++i) {
        auto* c = channels_->GetItem(i);
        if (!c->Visible() || c->Buffers().history.empty()) continue;
        int s = int(c->Buffers().history.front()->Size());
        if (size < 0 || s < size) size = s;
    }
    return size < 0 ? 0 : size;
}

int TGFMultiWaterfall::GetBuffersCount() {
    Guard g(lock_);
    int n = -1;
    for (int i = 0; i < channels_->Count(); ++i) {
        auto* c = channels_->GetItem(i);
        if (!c->Visible()) continue;
        int h = int(c->Buffers().history.size());
        if (n < 0 || h < n) n = h;
    }
    return n < 0 ? 0 : n;
}

int TGFMultiWaterfall::GetNewBuffersCount() {
    Guard g(lock_);
    int n = -1;
    for (int i = 0; i < channels_->Count(); ++i) {
        auto* c = channels_->GetItem(i);
        if (!c->Visible()) continue;
        int h = c->Buffers().newBufferCount;
        if (n < 0 || h < n) n = h;
    }
    return n < 0 ? 0 : n;
}

void TGFMultiWaterfall::ResetNewBuffersCount() {
    Guard g(lock_);
    for (int i = 0; i < channels_->Count(); ++i) channels_->GetItem(i)->Buffers().newBufferCount = 0;
}

void TGFMultiWaterfall::PopulateDrawBuffers() {
    std::recursive_mutex* lock = LockObject();
    if (!lock) return;
    Guard g(*lock);
    for (int i = 0; i < channels_->Count(); ++i) channels_->GetItem(i)->MergePending();
}

void TGFMultiWaterfall::OnRefreshTimer() {
    if (recalc_.exchange(false)) RecalculateLayout();
    bool any = false;
    {
        Guard g(lock_);
        for (int i = 0; i < channels_->Count() && !any; ++i) any = channels_->GetItem(i)->Buffers().newBufferCount > 0;
    }
    if (any || Changed()) update();
}

double TGFMultiWaterfall::GetCurrentMinLevel(int channel) {
    auto* c = channels_->GetItem(channel);
    return c ? c->GetCurrentMinLevel() : 0.0;
}

double TGFMultiWaterfall::GetCurrentMaxLevel(int channel) {
    auto* c = channels_->GetItem(channel);
    return c ? c->GetCurrentMaxLevel() : 0.0;
}

double TGFMultiWaterfall::GetToolTipZValue(int channel) {
    const auto& v = dataView_->MouseValues();
    if (channel < 0 || std::size_t(channel) >= v.size()) return 0.0;
    return v[std::size_t(channel)];
}

void TGFMultiWaterfall::DrawHitPoint(QPainter& canvas) {
    if (!dataView_->HasHitPoint() || !dataView_->hitPointVisible) return;
    canvas.setBrush(hitColor);
    QColor pen = dataView_->hitPointColor;
    if (dataView_->hitPointUsesChannelColors) {
        int r = 0, gr = 0, b = 0;
        const QPoint p = dataView_->HitPoint();
        for (int i = 0; i < channels_->Count(); ++i) {
            auto* c = channels_->GetItem(i);
            if (!c->Visible()) continue;
            double value = c->GetValueAt(p.x(), p.y());
            double lo = c->GetCurrentMinLevel(), hi = c->GetCurrentMaxLevel();
            if (c->Levels()->IsLogarithmic()) {
                value = value > 0 ? std::log10(value) : -HUGE_VAL;
                lo = lo > 0 ? std::log10(lo) : -300.0;
                hi = hi > 0 ? std::log10(hi) : -300.0;
            }
            std::uint32_t rgb = c->Levels()->ValueToColorGBR(hi - lo, value - lo);
            r = std::max(r, int((rgb >> 16) & 0xFF));
            gr = std::max(gr, int((rgb >> 8) & 0xFF));
            b = std::max(b, int(rgb & 0xFF));
        }
        pen = QColor(r, gr, b);
    }
    DrawHitTest(canvas, pen);
}

void TGFMultiWaterfall::DrawMarkers(QPainter& canvas) { TTZBasicWaterfall::DrawMarkers(canvas); }

QString TGFMultiWaterfall::GetFormatedLabelText() {
    return GetFormatLabelText(dataView_->HitPoint(), hitPointLabelFormat, QStringLiteral("%X : %Y : %Z"));
}

QString TGFMultiWaterfall::GetFormatLabelText(QPoint point, const QString& format, const QString& defaultFormat) {
    PrepareAxes();
    auto& values = dataView_->MouseValues();
    values.resize(std::size_t(channels_->Count()));
    for (int i = 0; i < channels_->Count(); ++i) values[std::size_t(i)] = channels_->GetItem(i)->GetValueAt(point.x(), point.y());
    auto levelText = [&](int i) { return channels_->GetItem(i)->Levels()->LevelText(values[std::size_t(i)]); };
    const bool vertical = GetLayout() == Vertical;
    const QPoint local = point - dataView_->Rect().topLeft();
    const int h = dataView_->HistoryIndexAt(vertical ? local.y() : local.x());
    const int s = dataView_->SampleIndexAt(vertical ? local.x() : local.y());

    std::function<QString(const QString&, bool)> expand = [&](const QString& text, bool allowDefault) {
        QString out;
        for (int i = 0; i < text.size(); ++i) {
            QChar ch = text[i];
            if (ch != QLatin1Char('%')) {
                out += ch;
                continue;
            }
            if (i + 1 >= text.size()) break;  // a lone "%" at the end names nothing
            QChar k = text[i + 1].toUpper();
            if (k == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
            } else if (k == QLatin1Char('D')) {
                // Inserted once: a "%D" inside the default itself would never end.
                if (allowDefault) out += expand(defaultFormat, false);
                ++i;
            } else if (k == QLatin1Char('X')) {
                if (h >= 0) out += XAxis().Text(h);
                ++i;
            } else if (k == QLatin1Char('Y')) {
                if (s >= 0) out += YAxis().Text(s);
                ++i;
            } else if (k == QLatin1Char('Z')) {
                QStringList parts;
                for (int c = 0; c < channels_->Count(); ++c) parts << levelText(c);
                out += parts.join(QStringLiteral(" / "));
                ++i;
            } else if (k.isDigit()) {
                int j = i + 1;
                long long n = 0;
                while (j < text.size() && text[j].isDigit()) {
                    if (n < 1000000) n = n * 10 + text[j].digitValue();
                    ++j;
                }
                // A number that names no channel gives nothing.
                if (n < channels_->Count()) out += levelText(int(n));
                i = j - 1;
            } else {
                ++i;  // both dropped
            }
        }
        return out;
    };
    return expand(format.isEmpty() ? defaultFormat : format, true);
}

bool TGFMultiWaterfall::GetHold() const { return TTZBasicWaterfall::GetHold(); }

void TGFMultiWaterfall::HighlightingChanged() {
    HitTestDataView(dataView_->MousePosition());
    update();
}

void TGFMultiWaterfall::RepopulateView() {
    RequestFullRedraw();
    update();
}

void TGFMultiWaterfall::MainViewScrolled(bool scrolled) {
    for (int i = 0; i < channels_->Count(); ++i) channels_->GetItem(i)->Levels()->MainViewScrolled(scrolled);
}

void TGFMultiWaterfall::Recalculate() {
    if (QThread::currentThread() == thread()) RecalculateLayout();
    else recalc_.store(true);
}

// ---- variants ----

void TGFMultiWaterfallLayer::DrawLayer(QPainter& painter, const QRect& area) {
    painter.save();
    painter.translate(area.topLeft());
    Render(painter, area.size());
    painter.restore();
}

TGFExternalMultiWaterfallElement::TGFExternalMultiWaterfallElement(QWidget* owner) : TGFMultiWaterfall(owner) {}
TGFExternalMultiWaterfallElement::~TGFExternalMultiWaterfallElement() = default;

void TGFExternalMultiWaterfallElement::Invalidate() {
    update();
    if (elements_) elements_->Invalidate();
}

void TGFExternalMultiWaterfallElement::SetPosition(const TKQElementOffsets& p) {
    position_ = p;
    Invalidate();
}

void TGFExternalMultiWaterfallElement::SetSize(const TKQElement2DSize& s) {
    size_ = s;
    InvalidateSize();
}

void TGFExternalMultiWaterfallElement::InvalidateSize() {
    ++sizeInvalidations_;
    Invalidate();
}

void TGFExternalMultiWaterfallElement::SetElementVisible(bool visible) {
    if (elementVisible_ == visible) return;
    elementVisible_ = visible;
    CMVisibleChanged();
}

void TGFExternalMultiWaterfallElement::CMVisibleChanged() { InvalidateSize(); }

void TGFExternalMultiWaterfallElement::Draw(QPainter& graphics, bool flag, double rw, double rh, double aw, double ah,
                                            int p1, int p2) {
    (void)flag, (void)p1, (void)p2;
    if (!elementVisible_) return;
    graphics.save();
    const double W = size_.Width().Get(2 * rw), H = size_.Height().Get(2 * rh);
    const double X = position_.Horizontal().Get(rw) + (aw - 1) / 2 - W / 2;
    const double Y = position_.Vertical().Get(rh) + (ah - 1) / 2 - H / 2;
    graphics.translate(X, Y);
    TTZBasicWaterfall::Render(graphics, QSize(int(std::lround(W)), int(std::lround(H))));
    graphics.restore();
}

TGFExternalMultiWaterfallMatrixLayer::TGFExternalMultiWaterfallMatrixLayer(QWidget* owner)
    : TGFExternalMultiWaterfallElement(owner) {
    size_.Set(0.6, 0.6);
    position_.Set(0.0, 0.0);
}

void TGFExternalMultiWaterfallMatrixLayer::Render(std::uint32_t* pixels, int width, int height) {
    if (!elementVisible_ || !pixels || width <= 0 || height <= 0) return;
    QImage matrix(reinterpret_cast<uchar*>(pixels), width, height, width * 4, QImage::Format_RGB32);
    QPainter p(&matrix);
    p.translate(double(std::lround(position_.Horizontal().Get(width))), double(std::lround(position_.Vertical().Get(height))));
    int w = int(size_.Width().Get(width)), h = int(size_.Height().Get(height));
    if (w > 0 && h > 0) TTZBasicWaterfall::Render(p, QSize(w, h));
}

// ---- registration ----

void Gfmultiwaterfall::Register() {
    auto make = [](auto tag) {
        using T = typename decltype(tag)::type;
        return [](QWidget* parent) -> QWidget* { return new T(parent); };
    };
    RegisterComponents(QStringLiteral("Grafona"),
                       {{QStringLiteral("TGFMultiWaterfall"), make(std::type_identity<TGFMultiWaterfall>{})}});
    HXRegisterLayerComponent({QStringLiteral("TGFMultiWaterfallLayer"), make(std::type_identity<TGFMultiWaterfallLayer>{})},
                             QStringLiteral("Displays"));
    HXRegisterComponentElement(
        {QStringLiteral("TGFExternalMultiWaterfallElement"), make(std::type_identity<TGFExternalMultiWaterfallElement>{})},
        QStringLiteral("Displays"));
    HXRegisterMatrixComponentElement({QStringLiteral("TGFExternalMultiWaterfallMatrixLayer"),
                                      make(std::type_identity<TGFExternalMultiWaterfallMatrixLayer>{})},
                                     QStringLiteral("Displays"));
    RegisterClass({TGFExternalMultiWaterfallMatrixElement::ClassName(), {}});
}
