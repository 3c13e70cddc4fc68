#include "platform/waterfall/real_buffer.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

ITZRealBuffer TTZRealBuffer::CopyOf(const ITZRealBuffer& other) {
    if (!other) return std::make_shared<TTZRealBuffer>();
    return std::make_shared<TTZRealBuffer>(other->Data(), other->Size());
}

void TTZRealBuffer::Extremes(double& minimum, double& maximum) const {
    // Comparisons with NaN are false, so NaN entries never win; written
    // without branches so the compiler can use vector minimum and maximum.
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (double v : values_) {
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    if (lo == HUGE_VAL && hi == -HUGE_VAL) lo = hi = kNaN;  // no number at all
    minimum = lo;
    maximum = hi;
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

double TTZRealQueue::AfterFirst(const std::deque<Entry>& mono, std::uint64_t firstSerial) {
    if (mono.empty()) return kNaN;
    if (mono.front().serial != firstSerial) return mono.front().value;
    return mono.size() > 1 ? mono[1].value : kNaN;
}

double TTZRealQueue::LargestAfterFirst() const { return AfterFirst(maxima_, head_); }
double TTZRealQueue::SmallestAfterFirst() const { return AfterFirst(minima_, head_); }
