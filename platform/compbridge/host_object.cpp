#include "platform/compbridge/host_object.h"


namespace compbridge::host {

std::uint32_t HandleTable::add(void* object, int kind) {
    while (next_ == 0 || entries_.count(next_)) ++next_;
    const std::uint32_t n = next_++;
    entries_[n] = {object, kind};
    return n;
}

void* HandleTable::find(std::uint32_t number, int kind) const {
    auto it = entries_.find(number);
    return it != entries_.end() && it->second.kind == kind ? it->second.object : nullptr;
}

void HandleTable::remove(std::uint32_t number) { entries_.erase(number); }

HandleTable& table() {
    static HandleTable t;
    return t;
}

HostObject::HostObject() : reference_(table().add(this, kObject)) {}

HostObject::~HostObject() { table().remove(reference_); }

HostObject::Published* HostObject::find(std::string_view name) {
    for (auto& p : published_)
        if (p.name == name) return &p;
    return nullptr;
}

HostObject* HostObject::child(std::string_view name) {
    Published* p = find(name);
    return p && p->kind == Kind::Object ? static_cast<HostObject*>(p->field) : nullptr;
}

bool HostObject::setText(std::string_view name, const std::string& value) {
    Published* p = find(name);
    if (!p || p->kind != Kind::Text) return false;
    auto& field = *static_cast<std::string*>(p->field);
    if (field == value) return true;  // accepted; nothing to redraw
    field = value;
    changed();
    return true;
}

bool HostObject::setInteger(std::string_view name, std::int32_t value) {
    Published* p = find(name);
    if (!p) return false;
    switch (p->kind) {
    case Kind::Integer:
    case Kind::Enumeration: {
        if (p->kind == Kind::Enumeration && (value < 0 || value > p->last)) return false;
        auto& field = *static_cast<std::int32_t*>(p->field);
        if (field == value) return true;
        field = value;
        break;
    }
    case Kind::Boolean: {
        if (value != 0 && value != 1) return false;
        auto& field = *static_cast<bool*>(p->field);
        if (field == (value == 1)) return true;
        field = value == 1;
        break;
    }
    default: return false;
    }
    changed();
    return true;
}

bool HostObject::setUnsigned(std::string_view name, std::uint32_t value) {
    Published* p = find(name);
    if (!p || p->kind != Kind::Colour) return false;
    auto& field = *static_cast<std::uint32_t*>(p->field);
    if (field == value) return true;
    field = value;
    changed();
    return true;
}

bool HostObject::setDouble(std::string_view name, double value) {
    Published* p = find(name);
    if (!p || p->kind != Kind::Real || value != value) return false;  // NaN is no value
    auto& field = *static_cast<double*>(p->field);
    if (field == value) return true;
    field = value;
    changed();
    return true;
}

bool HostObject::getInteger(std::string_view name, std::uint32_t& value) {
    if (HostObject* c = child(name)) {
        value = c->reference();
        return true;
    }
    Published* p = find(name);
    if (!p) return false;
    switch (p->kind) {
    case Kind::Integer:
    case Kind::Enumeration:
    case Kind::ReadOnlyInteger: value = static_cast<std::uint32_t>(*static_cast<std::int32_t*>(p->field)); return true;
    case Kind::Boolean: value = *static_cast<bool*>(p->field) ? 1 : 0; return true;
    case Kind::Colour: value = *static_cast<std::uint32_t*>(p->field); return true;
    default: return false;
    }
}

HostObject* walk(HostObject* from, std::string_view path, std::string_view& last) {
    if (!from || path.empty()) return nullptr;
    HostObject* at = from;
    for (;;) {
        const auto dot = path.find('.');
        if (dot == std::string_view::npos) {
            last = path;
            return last.empty() ? nullptr : at;
        }
        at = at->child(path.substr(0, dot));
        if (!at) return nullptr;
        path.remove_prefix(dot + 1);
    }
}

}  // namespace compbridge::host
