#pragma once
// Data pins: a source pin sends start and supplied-buffer operations to the
// sink pins connected to it, on whatever thread the source runs.
#include <QString>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "platform/waterfall/real_buffer.h"

// What a stream carries; decided by the source a sink is connected to.
enum class TLWDataType { RealBuffer, TypedBuffer, BufferList, RealMatrix, Memory };

struct TLWStartOperation {
    enum Kind { Plain, Spectrum, Intensity };
    Kind kind = Plain;
    std::optional<double> rate;  // samples per second, when the stream has one
};

// A buffer of another element type, kept as raw values.
struct TLWTypedBuffer {
    enum Element { UInt16, Int32, Int16, UInt32, Float32, Float64 };
    Element element = Float64;
    std::vector<unsigned char> bytes;
    std::size_t Count() const;
    ITZRealBuffer ToReal() const;  // same size, values converted
    template <class T>
    static TLWTypedBuffer Of(Element element, const std::vector<T>& values) {
        TLWTypedBuffer b;
        b.element = element;
        const auto* p = reinterpret_cast<const unsigned char*>(values.data());
        b.bytes.assign(p, p + values.size() * sizeof(T));
        return b;
    }
};

// Rows of Columns values each, one after the other.
struct TLWRealMatrix {
    std::size_t columns = 0;
    std::vector<double> values;
    std::size_t Rows() const { return columns ? values.size() / columns : 0; }
};

// Plain memory holding doubles.
struct TLWMemoryBuffer {
    std::vector<unsigned char> bytes;
};

using TLWBufferPayload =
    std::variant<ITZRealBuffer, TLWTypedBuffer, std::vector<ITZRealBuffer>, TLWRealMatrix, TLWMemoryBuffer>;

struct TLWSuppliedBuffer {
    TLWBufferPayload payload;
};
struct TLWOtherOperation {
    int code = 0;
};
using TLWOperation = std::variant<TLWStartOperation, TLWSuppliedBuffer, TLWOtherOperation>;

class TLWSourcePin;

// The sink that takes real buffers, integer buffers and matrices.
class TTZLWComboRealIntMatrixSinkPin {
public:
    using Handler = std::function<void(TTZLWComboRealIntMatrixSinkPin& pin, TLWDataType type, const TLWOperation& op)>;
    explicit TTZLWComboRealIntMatrixSinkPin(Handler handler) : handler_(std::move(handler)) {}
    ~TTZLWComboRealIntMatrixSinkPin() { Disconnect(); }
    TTZLWComboRealIntMatrixSinkPin(const TTZLWComboRealIntMatrixSinkPin&) = delete;
    TTZLWComboRealIntMatrixSinkPin& operator=(const TTZLWComboRealIntMatrixSinkPin&) = delete;

    bool Connected() const { return source_ != nullptr; }
    TLWSourcePin* Source() const { return source_; }
    void Disconnect();
    // Delivers one operation as if it came from a source of the given type.
    void Receive(TLWDataType type, const TLWOperation& op) { handler_(*this, type, op); }

private:
    friend class TLWSourcePin;
    Handler handler_;
    TLWSourcePin* source_ = nullptr;
};

class TLWSourcePin {
public:
    explicit TLWSourcePin(TLWDataType type) : type_(type) {}
    ~TLWSourcePin();
    TLWSourcePin(const TLWSourcePin&) = delete;
    TLWSourcePin& operator=(const TLWSourcePin&) = delete;

    TLWDataType Type() const { return type_; }
    void Connect(TTZLWComboRealIntMatrixSinkPin& sink);
    void Disconnect(TTZLWComboRealIntMatrixSinkPin& sink);
    // Delivered to every connected sink before it returns; a disconnect waits
    // for a send in progress.
    void Send(const TLWOperation& op);
    std::size_t SinkCount() const;

private:
    TLWDataType type_;
    mutable std::mutex lock_;
    std::vector<TTZLWComboRealIntMatrixSinkPin*> sinks_;
};

// The component's named pins, in channel order.
class TLWPinList {
public:
    void Add(const QString& name, TTZLWComboRealIntMatrixSinkPin* pin);
    void SetName(int index, const QString& name);
    int IndexOf(const TTZLWComboRealIntMatrixSinkPin* pin) const;
    void Swap(int a, int b);
    void Remove(const TTZLWComboRealIntMatrixSinkPin* pin);
    int Count() const { return static_cast<int>(pins_.size()); }
    TTZLWComboRealIntMatrixSinkPin* Pin(int index) const { return pins_.at(static_cast<std::size_t>(index)).pin; }
    QString Name(int index) const { return pins_.at(static_cast<std::size_t>(index)).name; }
    void DisconnectAll();

private:
    struct Named {
        QString name;
        TTZLWComboRealIntMatrixSinkPin* pin;
    };
    std::vector<Named> pins_;
};
