#include "platform/waterfall/pins.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {
std::size_t elementSize(TLWTypedBuffer::Element e) {
    switch (e) {
    case TLWTypedBuffer::UInt16:
    case TLWTypedBuffer::Int16: return 2;
    case TLWTypedBuffer::Int32:
    case TLWTypedBuffer::UInt32:
    case TLWTypedBuffer::Float32: return 4;
    case TLWTypedBuffer::Float64: return 8;
    }
    return 8;
}

template <class T>
ITZRealBuffer convert(const std::vector<unsigned char>& bytes) {
    std::vector<T> v(bytes.size() / sizeof(T));
    if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
    return TTZRealBuffer::FromValues(v.data(), v.size());
}
}  // namespace

std::size_t TLWTypedBuffer::Count() const { return bytes.size() / elementSize(element); }

ITZRealBuffer TLWTypedBuffer::ToReal() const {
    switch (element) {
    case UInt16: return convert<std::uint16_t>(bytes);
    case Int32: return convert<std::int32_t>(bytes);
    case Int16: return convert<std::int16_t>(bytes);
    case UInt32: return convert<std::uint32_t>(bytes);
    case Float32: return convert<float>(bytes);
    case Float64: return convert<double>(bytes);
    }
    return convert<double>(bytes);
}

void TTZLWComboRealIntMatrixSinkPin::Disconnect() {
    if (source_) source_->Disconnect(*this);
}

TLWSourcePin::~TLWSourcePin() {
    std::lock_guard<std::mutex> g(lock_);
    for (auto* s : sinks_) s->source_ = nullptr;
    sinks_.clear();
}

void TLWSourcePin::Connect(TTZLWComboRealIntMatrixSinkPin& sink) {
    if (sink.source_ == this) return;
    sink.Disconnect();
    std::lock_guard<std::mutex> g(lock_);
    sinks_.push_back(&sink);
    sink.source_ = this;
}

void TLWSourcePin::Disconnect(TTZLWComboRealIntMatrixSinkPin& sink) {
    std::lock_guard<std::mutex> g(lock_);
    sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), &sink), sinks_.end());
    if (sink.source_ == this) sink.source_ = nullptr;
}

void TLWSourcePin::Send(const TLWOperation& op) {
    std::lock_guard<std::mutex> g(lock_);
    for (auto* s : sinks_) s->handler_(*s, type_, op);
}

std::size_t TLWSourcePin::SinkCount() const {
    std::lock_guard<std::mutex> g(lock_);
    return sinks_.size();
}

void TLWPinList::Add(const QString& name, TTZLWComboRealIntMatrixSinkPin* pin) { pins_.push_back({name, pin}); }

void TLWPinList::SetName(int index, const QString& name) {
    if (index >= 0 && index < Count()) pins_[static_cast<std::size_t>(index)].name = name;
}

int TLWPinList::IndexOf(const TTZLWComboRealIntMatrixSinkPin* pin) const {
    for (int i = 0; i < Count(); ++i)
        if (pins_[static_cast<std::size_t>(i)].pin == pin) return i;
    return -1;
}

void TLWPinList::Swap(int a, int b) {
    if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    std::swap(pins_[static_cast<std::size_t>(a)], pins_[static_cast<std::size_t>(b)]);
}

void TLWPinList::Remove(const TTZLWComboRealIntMatrixSinkPin* pin) {
    pins_.erase(std::remove_if(pins_.begin(), pins_.end(), [&](const Named& n) { return n.pin == pin; }), pins_.end());
}

void TLWPinList::DisconnectAll() {
    for (auto& n : pins_) n.pin->Disconnect();
}
