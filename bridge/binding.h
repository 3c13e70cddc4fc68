#pragma once
// The object model through which the program drives a hosted component.
// A proxy holds no value: it knows its property path and the proxy at the
// root of that path, and every access is one call into the bridge library.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "bridge/imports.h"

namespace qv::bridge {

using compbridge::Entry;
using compbridge::Handle;
using compbridge::Module;
using compbridge::Reference;
using compbridge::Window;

// Raised by a property access the library rejects; what() is the message,
// "Unable to set property : " or "Unable to get property : " and the path.
class BridgeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- handle objects: the only owners of component handles -----------------

class CVCLObject {
public:
    CVCLObject() = default;
    CVCLObject(std::uint32_t h, bool isOwned) : handle(h), owned(isOwned) {}
    CVCLObject(const CVCLObject&) = delete;
    CVCLObject& operator=(const CVCLObject&) = delete;
    virtual ~CVCLObject();
    virtual Reference GetReference() { return handle; }
    // Frees the handle when owned, then forgets it.
    void Release();

    std::uint32_t handle = 0;
    bool owned = false;
    CVCLObject* self = this;
};

// A created control: addressed through the reference the library gives for it.
class CVCLControl : public CVCLObject {
public:
    using CVCLObject::CVCLObject;
    Reference GetReference() override;
};

// A one-call accessor: the root's handle object and the full path.
template <class H>
class CVCLProperty {
public:
    CVCLProperty(H* object, const char* path) : object_(object), pathText_(path), path_(path ? path : "") {}
    virtual ~CVCLProperty() = default;
    bool SetText(const char* text) { return compbridge::imports().setText(reference(), path_.c_str(), text) != 0; }
    bool SetInteger(std::int32_t v) { return compbridge::imports().setInteger(reference(), path_.c_str(), v) != 0; }
    bool SetUnsigned(std::uint32_t v) { return compbridge::imports().setUnsigned(reference(), path_.c_str(), v) != 0; }
    bool SetDouble(double v) { return compbridge::imports().setDouble(reference(), path_.c_str(), v) != 0; }
    bool GetInteger(std::uint32_t& v) { return compbridge::imports().getInteger(reference(), path_.c_str(), &v) != 0; }

private:
    Reference reference() { return object_ ? object_->GetReference() : 0; }
    H* object_;
    const char* pathText_;
    std::string path_;
};

// ---- text ------------------------------------------------------------------

class CHXString {
public:
    CHXString() = default;
    explicit CHXString(const char* text);
    explicit CHXString(int number);
    CHXString(const CHXString& other);
    CHXString& operator=(const CHXString& other);
    virtual ~CHXString() = default;

    CHXString& AppendDot();
    CHXString& Append(const CHXString& other);
    // Null when empty.
    const char* data() const { return text_.get(); }
    const char* c_str() const { return text_ ? text_.get() : ""; }
    std::uint32_t length() const { return length_; }

private:
    void assign(const char* text, std::uint32_t length);
    std::unique_ptr<char[]> text_;
    std::uint32_t length_ = 0;
};

// ---- packages and method lookup --------------------------------------------

enum class Package { Scope, Basic, Runtime };
const char* packageFile(Package p);
// The process-wide handle of a package, loaded at its first use; 0 while it
// cannot be loaded (asked again next time).
Module packageModule(Package p);
// The entry of a method in a loaded package; null for module 0 or when absent.
Entry findIn(Module module, const char* mangledName);

// Where a catalogue class looks before handing the question down.
enum class Lookup { None, Scope, Basic, ScopeThenBasic };
Entry lookIn(Lookup where, const char* mangledName);

// The process-wide cache slot of one wrapper method.
struct MethodSlot {
    Entry address = nullptr;
    unsigned generation = 0;
};
// Forgets every package handle and method address, for a process that
// replaces the library underneath (the tests).
void forgetLookups();
unsigned lookupGeneration();

// ---- proxy bases ------------------------------------------------------------

class CHXBaseClass {
public:
    virtual ~CHXBaseClass() = default;
    virtual Reference GetReference() { return 0; }
    virtual CVCLObject* GetHandleObject() { return nullptr; }
    virtual Reference GetInstance() { return GetReference(); }
    virtual Entry ResolveMethod(const char*) { return nullptr; }
    // The instance a method is called on; one that cannot be had means no
    // call, never an error.
    Reference InstanceForCall() noexcept;

protected:
    CHXBaseClass() = default;
    CHXBaseClass(const CHXBaseClass&) = default;
    CHXBaseClass& operator=(const CHXBaseClass&) = delete;
};

class CHXBaseComponent : public CHXBaseClass {};

class CHXBaseProperty : public CHXBaseClass {
public:
    // A sub-object offered only through a method of its owner.
    using Getter = Reference (*)(CHXBaseClass* owner);

    CHXBaseProperty(CHXBaseComponent* component, const char* name);  // member of a component
    CHXBaseProperty(CHXBaseProperty* parent, const char* name);      // member of a property
    CHXBaseProperty(const CHXBaseProperty& other);                  // copy: never owns
    CHXBaseProperty(Reference handle, bool owned);                   // around a known handle
    CHXBaseProperty(CHXBaseClass* owner, Getter getter);             // reached through a method
    ~CHXBaseProperty() override;

    Reference GetReference() override;
    CVCLObject* GetHandleObject() override { return handleObject_.get(); }
    Entry ResolveMethod(const char* mangledName) override;

    const CHXString& path() const { return path_; }
    CHXBaseClass* owner() const { return owner_; }
    CHXBaseClass* root() const { return root_; }

protected:
    void setText(const char* text);
    void setInteger(std::int32_t value);
    void setUnsigned(std::uint32_t value);
    void setDouble(double value);
    std::uint32_t getInteger();

private:
    [[noreturn]] void fail(const char* what) const;
    std::unique_ptr<CVCLObject> handleObject_;
    CHXString path_;
    CHXBaseClass* owner_ = nullptr;
    CHXBaseClass* root_ = nullptr;
    Getter getter_ = nullptr;
};

// Every proxy class has the same five constructors, forwarded to its base.
#define HX_PROXY_CONSTRUCTORS(Name, Base)                                                          \
    Name(::qv::bridge::CHXBaseProperty* parent, const char* name) : Base(parent, name) {}         \
    Name(::qv::bridge::CHXBaseComponent* component, const char* name) : Base(component, name) {}  \
    Name(::qv::bridge::CHXBaseClass* owner, ::qv::bridge::CHXBaseProperty::Getter getter)          \
        : Base(owner, getter) {}                                                                   \
    Name(::qv::bridge::Reference handle, bool owned) : Base(handle, owned) {}                      \
    Name(const Name& other) : Base(other) {}

class CHXClassProperty : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXClassProperty, CHXBaseProperty)
};

class CHXComponentCollectionBase : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXComponentCollectionBase, CHXBaseProperty)
};

// ---- value properties --------------------------------------------------------

using CStringT = std::string;  // Windows-1252 bytes

// A set over an enumeration range, as a bit set.
template <class E, int Lo, int Hi>
class CTSet {
public:
    CTSet() = default;
    CTSet& Include(E e) { bits_ |= bit(e); return *this; }
    CTSet& Exclude(E e) { bits_ &= ~bit(e); return *this; }
    bool Contains(E e) const { return (bits_ & bit(e)) != 0; }
    std::uint32_t bits() const { return bits_; }
    static CTSet fromBits(std::uint32_t b) { CTSet s; s.bits_ = b & mask(); return s; }

private:
    static std::uint32_t bit(E e) {
        const int v = static_cast<int>(e);
        return v >= Lo && v <= Hi ? 1u << (v - Lo) : 0u;
    }
    static std::uint32_t mask() { return (Hi - Lo >= 31) ? ~0u : ((1u << (Hi - Lo + 1)) - 1u); }
    std::uint32_t bits_ = 0;
};

template <class T>
struct IsSet : std::false_type {};
template <class E, int Lo, int Hi>
struct IsSet<CTSet<E, Lo, Hi>> : std::true_type {};

template <class T>
class CHXProperty : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXProperty, CHXBaseProperty)

    void Set(const T& value) {
        if constexpr (std::is_same_v<T, CStringT>) {
            setText(value.c_str());
        } else if constexpr (std::is_same_v<T, bool>) {
            setInteger(value ? 1 : 0);
        } else if constexpr (std::is_same_v<T, unsigned int>) {
            setUnsigned(value);
        } else if constexpr (std::is_same_v<T, double>) {
            setDouble(value);
        } else if constexpr (std::is_enum_v<T>) {
            setInteger(static_cast<std::int32_t>(value));
        } else if constexpr (IsSet<T>::value) {
            setInteger(static_cast<std::int32_t>(value.bits()));
        } else {
            static_assert(std::is_integral_v<T>);
            setInteger(static_cast<std::int32_t>(value));
        }
    }
    void Set(const char* text) requires std::is_same_v<T, CStringT> { setText(text); }

    // 32-bit values only: the library reads nothing wider.
    T Get() requires(!std::is_same_v<T, CStringT> && !std::is_same_v<T, double>) {
        const std::uint32_t v = getInteger();
        if constexpr (std::is_same_v<T, bool>) return v != 0;
        else if constexpr (IsSet<T>::value) return T::fromBits(v);
        else return static_cast<T>(v);
    }
};

template <class E>
class CHXEnumProperty : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXEnumProperty, CHXBaseProperty)
    void Set(E value) { setInteger(static_cast<std::int32_t>(value)); }
    E Get() { return static_cast<E>(getInteger()); }
};

// ---- method calls --------------------------------------------------------------

Entry cachedMethod(CHXBaseClass& self, MethodSlot& slot, const char* mangledName);
Entry cachedRuntimeMethod(MethodSlot& slot, const char* mangledName);

// Calls a looked-up method with the instance first; without an entry or an
// instance nothing is called and the result is zero.
template <class R, class... A>
R invokeMethod(CHXBaseClass& self, Entry entry, A... args) {
    if (!entry) return R();
    const Reference instance = self.InstanceForCall();
    if (!instance) return R();
    return reinterpret_cast<R (*)(Reference, A...)>(entry)(instance, args...);
}

template <class R, class... A>
R callMethod(CHXBaseClass& self, MethodSlot& slot, const char* mangledName, A... args) {
    return invokeMethod<R>(self, cachedMethod(self, slot, mangledName), args...);
}

// A method of the host runtime, looked up in its package directly.
template <class R, class... A>
R callRuntimeMethod(CHXBaseClass& self, MethodSlot& slot, const char* mangledName, A... args) {
    return invokeMethod<R>(self, cachedRuntimeMethod(slot, mangledName), args...);
}

// One wrapper method: its own slot, shared by every proxy of the class.
#define HX_METHOD(R, Name, Mangled, Params, ...)                                           \
    R Name Params {                                                                        \
        static ::qv::bridge::MethodSlot slot;                                              \
        return ::qv::bridge::callMethod<R>(*this, slot, Mangled __VA_OPT__(, ) __VA_ARGS__); \
    }

// ---- collections ---------------------------------------------------------------

class CHXBaseCollectionProperty : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXBaseCollectionProperty, CHXBaseProperty)
    CHXProperty<int> Count{this, "Count"};
    // Adds one item through the host runtime; the new item is not looked at.
    void Add();
};

template <class T>
class CHXCollectionProperty : public CHXBaseCollectionProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXCollectionProperty, CHXBaseCollectionProperty)
    // The item proxy by value; its path ends in the index in decimal.
    T Item(int index) {
        const CHXString name(index);
        T item(this, name.c_str());
        return T(item);
    }
    T operator[](int index) { return Item(index); }
};

// ---- access properties: values the component offers only through methods ----

template <class C, class T>
class CHXAccessProperty : public CHXBaseClass {
public:
    using Getter = T (C::*)();
    using Setter = void (C::*)(T);
    CHXAccessProperty(C* owner, Getter getter, Setter setter) : owner_(owner), getter_(getter), setter_(setter) {}
    CHXAccessProperty(const CHXAccessProperty&) = delete;
    T Get() { return (owner_->*getter_)(); }
    void Set(T value) { (owner_->*setter_)(value); }

private:
    C* owner_;
    Getter getter_;
    Setter setter_;
};

template <class C, class T>
class CHXReadAccessProperty : public CHXBaseClass {
public:
    using Getter = T (C::*)();
    CHXReadAccessProperty(C* owner, Getter getter) : owner_(owner), getter_(getter) {}
    CHXReadAccessProperty(const CHXReadAccessProperty&) = delete;
    T Get() { return (owner_->*getter_)(); }

private:
    C* owner_;
    Getter getter_;
};

// ---- events and pin lists: declared, not attached ---------------------------

class CHXBaseEventProperty : public CHXBaseProperty {
public:
    HX_PROXY_CONSTRUCTORS(CHXBaseEventProperty, CHXBaseProperty)
};

template <int Argc, int Id, class R, class... A>
class CHXEventProperty : public CHXBaseEventProperty {
    static_assert(sizeof...(A) == Argc, "one event class per handler argument count");
    static_assert(std::is_void_v<R>, "handlers return nothing");

public:
    HX_PROXY_CONSTRUCTORS(CHXEventProperty, CHXBaseEventProperty)
};
template <int Id, class R, class A1>
using CHXEventProperty_1 = CHXEventProperty<1, Id, R, A1>;
template <int Id, class R, class A1, class A2>
using CHXEventProperty_2 = CHXEventProperty<2, Id, R, A1, A2>;
template <int Id, class R, class A1, class A2, class A3>
using CHXEventProperty_3 = CHXEventProperty<3, Id, R, A1, A2, A3>;
template <int Id, class R, class A1, class A2, class A3, class A4>
using CHXEventProperty_4 = CHXEventProperty<4, Id, R, A1, A2, A3, A4>;
template <int Id, class R, class A1, class A2, class A3, class A4, class A5>
using CHXEventProperty_5 = CHXEventProperty<5, Id, R, A1, A2, A3, A4, A5>;
template <int Id, class R, class A1, class A2, class A3, class A4, class A5, class A6>
using CHXEventProperty_6 = CHXEventProperty<6, Id, R, A1, A2, A3, A4, A5, A6>;

class CTLWPinListBasicProperty {
public:
    virtual ~CTLWPinListBasicProperty() = default;
};

// A pin list of the stream-connection library: its name and owner, nothing else.
class CTLWPinListProperty : public CTLWPinListBasicProperty {
public:
    CTLWPinListProperty(CHXBaseClass* owner, const char* name) : name_(name), owner_(owner) {}
    CTLWPinListProperty(const CTLWPinListProperty&) = delete;
    const CHXString& name() const { return name_; }
    CHXBaseClass* owner() const { return owner_; }

private:
    CHXString name_;
    CHXBaseClass* owner_;
    CTLWPinListProperty* self_ = this;
};

// A member held on the heap, made and freed with its owner.
template <class T>
class Heap {
public:
    template <class P, class N>
    Heap(P* parent, N name) : p_(std::make_unique<T>(parent, name)) {}
    Heap(const Heap&) = delete;
    T* operator->() const { return p_.get(); }
    T& operator*() const { return *p_; }

private:
    std::unique_ptr<T> p_;
};

// ---- the control level -----------------------------------------------------------

enum class CTAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

class CHXControl : public CHXBaseComponent {
public:
    CHXControl() = default;
    CHXControl(const CHXControl&) = delete;
    ~CHXControl() override = default;

    Reference GetReference() override { return handleObject_->GetReference(); }
    CVCLObject* GetHandleObject() override { return handleObject_; }
    Entry ResolveMethod(const char*) override { return nullptr; }
    virtual void Invalidate();

    bool hasComponent() const { return control_.handle != 0; }

protected:
    // Declared first, so that it is freed last, after every sub-proxy.
    CVCLControl control_;
    CVCLObject* handleObject_ = &control_;

public:
    CHXProperty<unsigned int> Color{this, "Color"};
    CHXProperty<int> Left{this, "Left"};
    CHXProperty<int> Top{this, "Top"};
    CHXProperty<int> Width{this, "Width"};
    CHXProperty<int> Height{this, "Height"};
    CHXProperty<CTAlign> Align{this, "Align"};
};

}  // namespace qv::bridge
