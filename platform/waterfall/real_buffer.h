#pragma once
// Reference-counted arrays of doubles and the queue of per-buffer extremes
// that the waterfall keeps beside its history.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class TTZRealBuffer;
// Shared and immutable once handed out: readers on any thread see the same bytes.
using ITZRealBuffer = std::shared_ptr<const TTZRealBuffer>;

class TTZRealBuffer {
public:
    TTZRealBuffer() = default;
    explicit TTZRealBuffer(std::size_t size, double fill = 0.0) : values_(size, fill) {}
    TTZRealBuffer(const double* values, std::size_t size) : values_(values, values + size) {}
    explicit TTZRealBuffer(std::vector<double> values) : values_(std::move(values)) {}

    // A copy of another buffer (empty for a null one).
    static ITZRealBuffer CopyOf(const ITZRealBuffer& other);
    // Any element type converted to doubles.
    template <class T>
    static ITZRealBuffer FromValues(const T* values, std::size_t count) {
        std::vector<double> v(count);
        for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<double>(values[i]);
        return std::make_shared<TTZRealBuffer>(std::move(v));
    }

    std::size_t Size() const { return values_.size(); }
    double Item(std::size_t i) const { return values_[i]; }
    double& operator[](std::size_t i) { return values_[i]; }
    const double* Data() const { return values_.data(); }
    double* Data() { return values_.data(); }

    // Extremes over the numbers of the buffer: NaN entries do not count, and a
    // buffer without any number answers NaN.
    double Minimum() const;
    double Maximum() const;
    // Both in one pass.
    void Extremes(double& minimum, double& maximum) const;

private:
    std::vector<double> values_;
};

// First in, first out. Besides plain access it answers the largest and the
// smallest entry after the first in amortised constant time (two monotonic
// deques), which is what the waterfall needs when its oldest buffer leaves.
class TTZRealQueue {
public:
    void Add(double value);
    double Item(std::size_t i) const { return values_[i]; }
    std::size_t Count() const { return values_.size(); }
    void RemoveFirst();
    void Clear();

    // NaN when no entry after the first is a number.
    double LargestAfterFirst() const;
    double SmallestAfterFirst() const;

private:
    struct Entry {
        std::uint64_t serial;
        double value;
    };
    static double AfterFirst(const std::deque<Entry>& mono, std::uint64_t firstSerial);
    std::deque<double> values_;
    std::deque<Entry> maxima_;  // decreasing values
    std::deque<Entry> minima_;  // increasing values
    std::uint64_t head_ = 0;    // serial of the first entry
};
