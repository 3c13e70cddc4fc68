#pragma once
// The objects the bridge library hands out as opaque 32-bit numbers, and the
// published properties through which property paths reach them.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/compbridge/compbridge.h"

namespace compbridge::host {

class HostObject;

// Every number handed out (component handles and object references) comes
// from this table; numbers are never reused while the process runs, so a
// stale number finds nothing instead of another object.
class HandleTable {
public:
    std::uint32_t add(void* object, int kind);
    void* find(std::uint32_t number, int kind) const;
    void remove(std::uint32_t number);
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        void* object;
        int kind;
    };
    std::unordered_map<std::uint32_t, Entry> entries_;
    std::uint32_t next_ = 0x00010001;
};
HandleTable& table();
enum TableKind { kObject = 1, kComponent = 2, kModule = 3 };

// A published property: its name, its type and where its value lives.
enum class Kind { Text, Integer, Boolean, Enumeration, Colour, Real, Object, ReadOnlyInteger };

class HostObject {
public:
    HostObject();
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;
    virtual ~HostObject();

    Reference reference() const { return reference_; }
    static HostObject* fromReference(Reference r) { return static_cast<HostObject*>(table().find(r, kObject)); }

    // One step of a path: a published sub-object (collections add items by index).
    virtual HostObject* child(std::string_view name);

    // Setting by the last name of a path; false for an unknown name, a
    // read-only one, a value of another type or an enumeration out of range.
    bool setText(std::string_view name, const std::string& value);
    bool setInteger(std::string_view name, std::int32_t value);
    bool setUnsigned(std::string_view name, std::uint32_t value);
    bool setDouble(std::string_view name, double value);
    // A 32-bit value, or the reference of a sub-object.
    bool getInteger(std::string_view name, std::uint32_t& value);

protected:
    void publish(const char* name, std::string* field) { add(name, Kind::Text, field); }
    void publish(const char* name, std::int32_t* field) { add(name, Kind::Integer, field); }
    void publish(const char* name, bool* field) { add(name, Kind::Boolean, field); }
    void publish(const char* name, std::uint32_t* field) { add(name, Kind::Colour, field); }
    void publish(const char* name, double* field) { add(name, Kind::Real, field); }
    void publish(const char* name, HostObject* object) { add(name, Kind::Object, object); }
    void publishEnum(const char* name, std::int32_t* field, int last) { add(name, Kind::Enumeration, field, last); }
    void publishReadOnly(const char* name, std::int32_t* field) { add(name, Kind::ReadOnlyInteger, field); }

    // Told after every accepted set.
    virtual void changed() {}

private:
    struct Published {
        std::string name;
        Kind kind;
        void* field;
        int last;
    };
    void add(const char* name, Kind kind, void* field, int last = 0) { published_.push_back({name, kind, field, last}); }
    Published* find(std::string_view name);
    std::vector<Published> published_;
    Reference reference_;
};

// Walks all names of a path but the last from an object; null when a name
// on the way is not a sub-object. The last name is left in `last`.
HostObject* walk(HostObject* from, std::string_view path, std::string_view& last);

}  // namespace compbridge::host
