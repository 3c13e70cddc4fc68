#pragma once
// Reference-counted arrays of doubles and the queue of per-buffer extremes
// that the waterfall keeps beside its history.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

// First in, first out over one block that grows by doubling and is then
// reused: pushing and popping allocate nothing in the steady state, whatever
// the length.
template <class T>
class TTZRing {
public:
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T& operator[](std::size_t i) { return slots_[(head_ + i) & mask_]; }
    const T& operator[](std::size_t i) const { return slots_[(head_ + i) & mask_]; }
    T& front() { return (*this)[0]; }
    const T& front() const { return (*this)[0]; }
    T& back() { return (*this)[count_ - 1]; }
    const T& back() const { return (*this)[count_ - 1]; }
    void push_back(T v) {
        if (count_ == slots_.size()) grow();
        slots_[(head_ + count_) & mask_] = std::move(v);
        ++count_;
    }
    // The first entry, moved out.
    T take_front() {
        T v = std::move(slots_[head_]);
        slots_[head_] = T();
        head_ = (head_ + 1) & mask_;
        --count_;
        return v;
    }
    void pop_front() { (void)take_front(); }
    void pop_back() {
        back() = T();
        --count_;
    }
    void clear() {
        while (count_) pop_back();
        head_ = 0;
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;
        const_iterator(const TTZRing* r, std::size_t i) : r_(r), i_(i) {}
        const T& operator*() const { return (*r_)[i_]; }
        const T* operator->() const { return &(*r_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++i_;
            return old;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        const TTZRing* r_;
        std::size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, count_}; }

private:
    void grow() {
        std::vector<T> bigger(slots_.empty() ? 16 : slots_.size() * 2);
        for (std::size_t i = 0; i < count_; ++i) bigger[i] = std::move((*this)[i]);
        slots_ = std::move(bigger);
        head_ = 0;
        mask_ = slots_.size() - 1;
    }
    std::vector<T> slots_;
    std::size_t head_ = 0, count_ = 0, mask_ = 0;
};

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

    // Takes a copy of n values and finds their extremes in the same pass;
    // keeps the block when it is large enough, so a recycled buffer costs no
    // allocation.
    void AssignCopy(const double* values, std::size_t n, double& minimum, double& maximum);

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
    // Which of the two answers the queue keeps ready; a queue that serves
    // only one keeps only its deque (the other answers NaN).
    enum Tracks { Both, LargestOnly, SmallestOnly };
    explicit TTZRealQueue(Tracks tracks = Both) : tracks_(tracks) {}
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
    static double AfterFirst(const TTZRing<Entry>& mono, std::uint64_t firstSerial);
    TTZRing<double> values_;
    TTZRing<Entry> maxima_;  // decreasing values
    TTZRing<Entry> minima_;  // increasing values
    std::uint64_t head_ = 0;    // serial of the first entry
    Tracks tracks_;
};
