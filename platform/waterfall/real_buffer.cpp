#include "platform/waterfall/real_buffer.h"
#include "platform/waterfall/cpu.h"

#include <algorithm>
#include <atomic>
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
// The extremes of n values. Comparisons with NaN are false, so NaN entries
// never win. The plain loop serves every processor and the last few values;
// where the processor has them, four-wide vector minimum and maximum take
// the bulk: x < m ? x : m is exactly what they do (they answer their second
// operand when either is NaN), so both find the same extremes (of +0 and -0
// either may be reported; no level tells them apart). Four running pairs
// keep the comparisons from waiting on each other; the lanes never hold a
// NaN, so the order in which they are combined does not matter.
void scanPlain(const double* d, std::size_t i, std::size_t n, double& lo, double& hi) {
    double l0 = lo, l1 = lo, l2 = lo, l3 = lo, h0 = hi, h1 = hi, h2 = hi, h3 = hi;
    for (; i + 4 <= n; i += 4) {
        l0 = d[i] < l0 ? d[i] : l0, h0 = d[i] > h0 ? d[i] : h0;
        l1 = d[i + 1] < l1 ? d[i + 1] : l1, h1 = d[i + 1] > h1 ? d[i + 1] : h1;
        l2 = d[i + 2] < l2 ? d[i + 2] : l2, h2 = d[i + 2] > h2 ? d[i + 2] : h2;
        l3 = d[i + 3] < l3 ? d[i + 3] : l3, h3 = d[i + 3] > h3 ? d[i + 3] : h3;
    }
    for (; i < n; ++i) l0 = d[i] < l0 ? d[i] : l0, h0 = d[i] > h0 ? d[i] : h0;
    lo = std::min(std::min(l0, l1), std::min(l2, l3));
    hi = std::max(std::max(h0, h1), std::max(h2, h3));
}

std::atomic<bool> wideVectors{true};
#ifdef QV_WF_X86
__attribute__((target("avx2"))) std::size_t scanAvx2(const double* d, std::size_t n, double& lo, double& hi) {
    __m256d l0 = _mm256_set1_pd(HUGE_VAL), l1 = l0, l2 = l0, l3 = l0;
    __m256d h0 = _mm256_set1_pd(-HUGE_VAL), h1 = h0, h2 = h0, h3 = h0;
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256d a = _mm256_loadu_pd(d + i), b = _mm256_loadu_pd(d + i + 4);
        const __m256d c = _mm256_loadu_pd(d + i + 8), e = _mm256_loadu_pd(d + i + 12);
        l0 = _mm256_min_pd(a, l0), h0 = _mm256_max_pd(a, h0);
        l1 = _mm256_min_pd(b, l1), h1 = _mm256_max_pd(b, h1);
        l2 = _mm256_min_pd(c, l2), h2 = _mm256_max_pd(c, h2);
        l3 = _mm256_min_pd(e, l3), h3 = _mm256_max_pd(e, h3);
    }
    const __m256d l4 = _mm256_min_pd(_mm256_min_pd(l0, l1), _mm256_min_pd(l2, l3));
    const __m256d h4 = _mm256_max_pd(_mm256_max_pd(h0, h1), _mm256_max_pd(h2, h3));
    const __m128d l = _mm_min_pd(_mm256_castpd256_pd128(l4), _mm256_extractf128_pd(l4, 1));
    const __m128d h = _mm_max_pd(_mm256_castpd256_pd128(h4), _mm256_extractf128_pd(h4, 1));
    lo = std::min(_mm_cvtsd_f64(l), _mm_cvtsd_f64(_mm_unpackhi_pd(l, l)));
    hi = std::max(_mm_cvtsd_f64(h), _mm_cvtsd_f64(_mm_unpackhi_pd(h, h)));
    return i;
}
#endif

void scan(const double* d, std::size_t n, double& minimum, double& maximum) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    std::size_t i = 0;
#ifdef QV_WF_X86
    if (HasAvx2()) i = scanAvx2(d, n, lo, hi);
#endif
    scanPlain(d, i, n, lo, hi);
    if (lo == HUGE_VAL && hi == -HUGE_VAL) lo = hi = kNaN;  // no number at all
    minimum = lo;
    maximum = hi;
}
}  // namespace

bool HasAvx2() {
#ifdef QV_WF_X86
    static const bool has = __builtin_cpu_supports("avx2");
    return has && wideVectors.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void AllowWideVectors(bool allow) { wideVectors.store(allow); }

void TTZRealBuffer::AssignCopy(const double* values, std::size_t n, double& minimum, double& maximum) {
    if (values_.capacity() < n) values_ = std::vector<double>(n);
    else values_.resize(n);
    // The library's copy (its string moves spare a cold destination the
    // read before the write), then the extremes from the source, which the
    // copy has just brought into the first-level cache.
    if (n) std::memcpy(values_.data(), values, n * sizeof(double));
    scan(values, n, minimum, maximum);
}

void TTZRealBuffer::Extremes(double& minimum, double& maximum) const {
    scan(values_.data(), values_.size(), minimum, maximum);
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
    if (tracks_ != SmallestOnly) {
        while (!maxima_.empty() && maxima_.back().value <= value) maxima_.pop_back();
        maxima_.push_back({serial, value});
    }
    if (tracks_ != LargestOnly) {
        while (!minima_.empty() && minima_.back().value >= value) minima_.pop_back();
        minima_.push_back({serial, value});
    }
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
