#include "bridge/binding.h"

#include <cstring>

namespace qv::bridge {

// ---- handle objects ---------------------------------------------------------

CVCLObject::~CVCLObject() { Release(); }

void CVCLObject::Release() {
    if (handle && owned) compbridge::imports().freeComponent(handle);
    handle = 0;
    owned = false;
}

Reference CVCLControl::GetReference() {
    return handle ? compbridge::imports().controlReference(handle) : 0;
}

// ---- text ---------------------------------------------------------------------

CHXString::CHXString(const char* text) {
    if (text) assign(text, static_cast<std::uint32_t>(std::strlen(text)));
}

CHXString::CHXString(int number) {
    const std::string s = std::to_string(number);
    assign(s.c_str(), static_cast<std::uint32_t>(s.size()));
}

CHXString::CHXString(const CHXString& other) { assign(other.c_str(), other.length_); }

CHXString& CHXString::operator=(const CHXString& other) {
    if (this != &other) assign(other.c_str(), other.length_);
    return *this;
}

void CHXString::assign(const char* text, std::uint32_t length) {
    if (length == 0) {
        text_.reset();
        length_ = 0;
        return;
    }
    auto copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), text, length);
    copy[length] = '\0';
    text_ = std::move(copy);
    length_ = length;
}

CHXString& CHXString::AppendDot() { return Append(CHXString(".")); }

CHXString& CHXString::Append(const CHXString& other) {
    if (other.length_ == 0) return *this;
    std::string joined(c_str(), length_);
    joined.append(other.c_str(), other.length_);
    assign(joined.c_str(), static_cast<std::uint32_t>(joined.size()));
    return *this;
}

// ---- packages and lookups -------------------------------------------------------

namespace {
unsigned generation = 1;
Module modules[3] = {0, 0, 0};
}  // namespace

unsigned lookupGeneration() { return generation; }

void forgetLookups() {
    ++generation;
    for (auto& m : modules) m = 0;
}

const char* packageFile(Package p) {
    switch (p) {
    case Package::Scope: return "TrazorScopePkgCB6.bpl";
    case Package::Basic: return "TrazorBasicPkgCB6.bpl";
    case Package::Runtime: return "rtl60.bpl";
    }
    return "";
}

Module packageModule(Package p) {
    Module& m = modules[static_cast<int>(p)];
    if (!m) m = compbridge::imports().loadPackage(packageFile(p));
    return m;
}

Entry findIn(Module module, const char* mangledName) {
    return module ? compbridge::imports().methodAddress(module, mangledName) : nullptr;
}

Entry lookIn(Lookup where, const char* mangledName) {
    switch (where) {
    case Lookup::None: return nullptr;
    case Lookup::Scope: return findIn(packageModule(Package::Scope), mangledName);
    case Lookup::Basic: return findIn(packageModule(Package::Basic), mangledName);
    case Lookup::ScopeThenBasic:
        if (Entry e = findIn(packageModule(Package::Scope), mangledName)) return e;
        return findIn(packageModule(Package::Basic), mangledName);
    }
    return nullptr;
}

namespace {
// A slot filled under an older generation counts as empty.
Entry& fresh(MethodSlot& slot) {
    if (slot.generation != generation) {
        slot.address = nullptr;
        slot.generation = generation;
    }
    return slot.address;
}
}  // namespace

Entry cachedMethod(CHXBaseClass& self, MethodSlot& slot, const char* mangledName) {
    Entry& address = fresh(slot);
    if (!address) address = self.ResolveMethod(mangledName);
    return address;
}

Entry cachedRuntimeMethod(MethodSlot& slot, const char* mangledName) {
    Entry& address = fresh(slot);
    if (!address) address = findIn(packageModule(Package::Runtime), mangledName);
    return address;
}

// ---- proxy bases -------------------------------------------------------------------

Reference CHXBaseClass::InstanceForCall() noexcept {
    try {
        return GetInstance();
    } catch (const BridgeError&) {
        return 0;
    }
}

CHXBaseProperty::CHXBaseProperty(CHXBaseComponent* component, const char* name)
    : path_(name), owner_(component), root_(component) {}

CHXBaseProperty::CHXBaseProperty(CHXBaseProperty* parent, const char* name) : owner_(parent) {
    if (parent && parent->root_) {
        path_ = parent->path_;
        path_.AppendDot().Append(CHXString(name));
        root_ = parent->root_;
    } else {
        // Counted from a proxy that wraps a handle (or is reached through a
        // method): the path starts here.
        path_ = CHXString(name);
        root_ = parent;
    }
}

CHXBaseProperty::CHXBaseProperty(const CHXBaseProperty& other)
    : CHXBaseClass(other), path_(other.path_), owner_(other.owner_), root_(other.root_), getter_(other.getter_) {
    if (other.handleObject_) handleObject_ = std::make_unique<CVCLObject>(other.handleObject_->GetReference(), false);
}

CHXBaseProperty::CHXBaseProperty(Reference handle, bool owned)
    : handleObject_(std::make_unique<CVCLObject>(handle, owned)) {}

CHXBaseProperty::CHXBaseProperty(CHXBaseClass* owner, Getter getter) : path_("-"), owner_(owner), getter_(getter) {}

CHXBaseProperty::~CHXBaseProperty() = default;

Reference CHXBaseProperty::GetReference() {
    if (handleObject_) return handleObject_->GetReference();
    if (getter_) {
        const Reference instance = owner_ ? getter_(owner_) : 0;
        if (!instance) return 0;  // not there yet: asked again next time
        CHXBaseProperty temporary(instance, false);
        handleObject_ = std::make_unique<CVCLObject>(temporary.GetReference(), false);
        return handleObject_->GetReference();
    }
    std::uint32_t value = 0;
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.GetInteger(value)) fail("Unable to get property : ");
    return value;
}

Entry CHXBaseProperty::ResolveMethod(const char* mangledName) {
    return root_ ? root_->ResolveMethod(mangledName) : nullptr;
}

void CHXBaseProperty::fail(const char* what) const { throw BridgeError(std::string(what) + path_.c_str()); }

void CHXBaseProperty::setText(const char* text) {
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.SetText(text ? text : "")) fail("Unable to set property : ");
}

void CHXBaseProperty::setInteger(std::int32_t value) {
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.SetInteger(value)) fail("Unable to set property : ");
}

void CHXBaseProperty::setUnsigned(std::uint32_t value) {
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.SetUnsigned(value)) fail("Unable to set property : ");
}

void CHXBaseProperty::setDouble(double value) {
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.SetDouble(value)) fail("Unable to set property : ");
}

std::uint32_t CHXBaseProperty::getInteger() {
    std::uint32_t value = 0;
    CVCLProperty<CHXBaseClass> access(root_, path_.c_str());
    if (!access.GetInteger(value)) fail("Unable to get property : ");
    return value;
}

void CHXBaseCollectionProperty::Add() {
    static MethodSlot slot;
    callRuntimeMethod<Reference>(*this, slot, "@Classes@TCollection@Add$qqrv");
}

void CHXControl::Invalidate() {
    static MethodSlot slot;
    callRuntimeMethod<void>(*this, slot, "@Controls@TControl@Invalidate$qqrv");
}

}  // namespace qv::bridge
