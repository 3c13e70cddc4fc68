#pragma once
// What a host's element collections need of an element: a size and an
// offset measured as fractions of a reference length, and the collection
// that is told when an element changes.
#include <functional>

class TKQElement2DSize {
public:
    TKQElement2DSize(double width, double height) : width_(width), height_(height) {}
    struct Extent {
        double fraction;
        double Get(double reference) const { return fraction * reference; }
    };
    Extent Width() const { return {width_}; }
    Extent Height() const { return {height_}; }
    void Set(double width, double height) {
        width_ = width;
        height_ = height;
    }

private:
    double width_, height_;
};

class TKQElementOffsets {
public:
    TKQElementOffsets(double horizontal, double vertical) : horizontal_(horizontal), vertical_(vertical) {}
    TKQElement2DSize::Extent Horizontal() const { return {horizontal_}; }
    TKQElement2DSize::Extent Vertical() const { return {vertical_}; }
    void Set(double horizontal, double vertical) {
        horizontal_ = horizontal;
        vertical_ = vertical;
    }

private:
    double horizontal_, vertical_;
};

// The collection that owns drawn elements; it repaints its host on change.
class THXComponentElements {
public:
    explicit THXComponentElements(std::function<void()> onInvalidate = {}) : onInvalidate_(std::move(onInvalidate)) {}
    void Invalidate() {
        ++invalidations_;
        if (onInvalidate_) onInvalidate_();
    }
    int Invalidations() const { return invalidations_; }

private:
    std::function<void()> onInvalidate_;
    int invalidations_ = 0;
};
