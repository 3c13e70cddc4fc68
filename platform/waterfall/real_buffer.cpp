#include "platform/waterfall/real_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

ITZRealBuffer TTZRealBuffer::CopyOf(const ITZRealBuffer& other) {
    if (!other) return std::make_shared<TTZRealBuffer>();
    return std::make_shared<TTZRealBuffer>(other->Data(), other->Size());
}

namespace {
// Copies n values from d to out (when out is given) and answers their
// extremes. Comparisons with NaN are false, so NaN entries never win; written
// without branches so the compiler can use vector minimum and maximum, with
// eight running pairs so no comparison waits for the one before.
template <bool Copy>
void scan(const double* __restrict d, double* __restrict out, std::size_t n, double& minimum, double& maximum) {
    double l[8], h[8];
    for (int k = 0; k < 8; ++k) l[k] = HUGE_VAL, h[k] = -HUGE_VAL;
    const std::size_t blocks = n / 8 * 8;
    for (std::size_t i = 0; i < blocks; i += 8)
        for (int k = 0; k < 8; ++k) {
            const double v = d[i + std::size_t(k)];
            if (Copy) out[i + std::size_t(k)] = v;
            l[k] = v < l[k] ? v : l[k];
            h[k] = v > h[k] ? v : h[k];
        }
    for (std::size_t i = blocks; i < n; ++i) {
        if (Copy) out[i] = d[i];
        l[0] = d[i] < l[0] ? d[i] : l[0];
        h[0] = d[i] > h[0] ? d[i] : h[0];
    }
    double lo = l[0], hi = h[0];
    for (int k = 1; k < 8; ++k) {
        lo = l[k] < lo ? l[k] : lo;
        hi = h[k] > hi ? h[k] : hi;
    }
    if (lo == HUGE_VAL && hi == -HUGE_VAL) lo = hi = kNaN;  // no number at all
    minimum = lo;
    maximum = hi;
}
}  // namespace

void TTZRealBuffer::AssignCopy(const double* values, std::size_t n, double& minimum, double& maximum) {
    if (values_.capacity() < n) values_ = std::vector<double>(n);
    else values_.resize(n);
    // One pass in blocks small enough to stay in the first-level cache: the
    // library's copy (its wide stores suit a cold destination best), then
    // the block's extremes while it is still at hand.
    constexpr std::size_t kBlock = 512;
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (std::size_t i = 0; i < n; i += kBlock) {
        const std::size_t m = std::min(kBlock, n - i);
        std::memcpy(values_.data() + i, values + i, m * sizeof(double));
        double l, h;
        scan<false>(values + i, nullptr, m, l, h);
        lo = l < lo ? l : lo;  // NaN: a block without numbers
        hi = h > hi ? h : hi;
    }
    if (lo == HUGE_VAL && hi == -HUGE_VAL) lo = hi = kNaN;
    minimum = lo;
    maximum = hi;
}

void TTZRealBuffer::Extremes(double& minimum, double& maximum) const {
    scan<false>(values_.data(), nullptr, values_.size(), minimum, maximum);
}

double TTZRealBuffer::Minimum() const {
    double lo, hi;
    Extremes(lo, hi);
    return lo;
}

double TTZRealBuffer::Maximum() const {
    double lo, hi;
    Extremes(lo, hi);
    return hi;
}

void TTZRealQueue::Add(double value) {
    std::uint64_t serial = head_ + values_.size();
    values_.push_back(value);
    if (std::isnan(value)) return;
    while (!maxima_.empty() && maxima_.back().value <= value) maxima_.pop_back();
    maxima_.push_back({serial, value});
    while (!minima_.empty() && minima_.back().value >= value) minima_.pop_back();
    minima_.push_back({serial, value});
}

void TTZRealQueue::RemoveFirst() {
    if (values_.empty()) return;
    values_.pop_front();
    if (!maxima_.empty() && maxima_.front().serial == head_) maxima_.pop_front();
    if (!minima_.empty() && minima_.front().serial == head_) minima_.pop_front();
    ++head_;
}

void TTZRealQueue::Clear() {
    head_ += values_.size();
    values_.clear();
    maxima_.clear();
    minima_.clear();
}

double TTZRealQueue::AfterFirst(const TTZRing<Entry>& mono, std::uint64_t firstSerial) {
    if (mono.empty()) return kNaN;
    if (mono.front().serial != firstSerial) return mono.front().value;
    return mono.size() > 1 ? mono[1].value : kNaN;
}

double TTZRealQueue::LargestAfterFirst() const { return AfterFirst(maxima_, head_); }
double TTZRealQueue::SmallestAfterFirst() const { return AfterFirst(minima_, head_); }
