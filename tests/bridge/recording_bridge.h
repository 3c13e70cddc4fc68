#pragma once
// A recorder in front of our bridge library: logs every ordinal call and
// every call of a looked-up method in order, and can refuse on request
// (a path, the creation, a method's export) to play a failing library.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "bridge/binding.h"
#include "bridge/imports.h"

namespace qv::test {

struct BridgeCall {
    int ordinal;        // 0 for a call of a looked-up method
    std::string name;   // property path, class name, package file or mangled method name
    std::string value;  // the value set, or the arguments of a method call
    bool operator==(const BridgeCall&) const = default;
};

inline std::string describe(const char* s) { return s ? s : "(null)"; }
inline std::string describe(int v) { return std::to_string(v); }
inline std::string describe(unsigned int v) { return std::to_string(v); }
inline std::string describe(bool v) { return v ? "true" : "false"; }
inline std::string describe(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

class RecordingBridge {
public:
    std::vector<BridgeCall> calls;
    std::set<std::string> rejectedPaths;  // setters and reads answer 0
    std::set<std::string> unexported;     // 51 answers null
    bool failCreate = false;

    RecordingBridge() {
        active() = this;
        qv::bridge::forgetLookups();
        compbridge::setImports(&table());
    }
    ~RecordingBridge() {
        compbridge::setImports(nullptr);
        qv::bridge::forgetLookups();
        active() = nullptr;
    }
    RecordingBridge(const RecordingBridge&) = delete;

    int count(int ordinal, const std::string& name = {}) const {
        int n = 0;
        for (const auto& c : calls) n += c.ordinal == ordinal && (name.empty() || c.name == name);
        return n;
    }
    // The calls without the lookups and references every access brings along.
    std::vector<BridgeCall> effects() const {
        std::vector<BridgeCall> out;
        for (const auto& c : calls)
            if (c.ordinal != 49 && c.ordinal != 51 && c.ordinal != 56 && c.ordinal != 109) out.push_back(c);
        return out;
    }

    static RecordingBridge*& active() {
        static RecordingBridge* a = nullptr;
        return a;
    }

private:
    static const compbridge::Imports& lib() { return compbridge::libraryImports(); }
    static RecordingBridge& me() { return *active(); }
    void log(int o, std::string n, std::string v = {}) { calls.push_back({o, std::move(n), std::move(v)}); }
    bool rejected(const char* path) const { return path && rejectedPaths.count(path); }

    // A method entry with its real signature, logged and then forwarded.
    template <int Id, class R, class... A>
    struct Trampoline {
        static inline R (*target)(compbridge::Reference, A...) = nullptr;
        static inline const char* name = nullptr;
        static R call(compbridge::Reference self, A... a) {
            std::string args;
            ((args += args.empty() ? "" : ",", args += describe(a)), ...);
            me().log(0, name, args);
            return target(self, a...);
        }
        static compbridge::Entry wrap(const char* n, compbridge::Entry real) {
            name = n;
            target = reinterpret_cast<R (*)(compbridge::Reference, A...)>(real);
            return reinterpret_cast<compbridge::Entry>(&call);
        }
    };
    // SetYData: the count and the last value stand for the curve.
    struct SetYDataTrampoline {
        static inline void (*target)(compbridge::Reference, const float*, unsigned int) = nullptr;
        static void call(compbridge::Reference self, const float* v, unsigned int n) {
            me().log(0, "@Tzscope@TTZChannelData@SetYData$qqrpfui",
                     describe(n) + (n && v ? ",last=" + describe(static_cast<double>(v[n - 1])) : ""));
            target(self, v, n);
        }
    };

    static compbridge::Entry wrapMethod(const char* n, compbridge::Entry e) {
        const std::string s = n;
        if (s == "@Tzscope@TTZChannelData@SetYData$qqrpfui") {
            SetYDataTrampoline::target = reinterpret_cast<decltype(SetYDataTrampoline::target)>(e);
            return reinterpret_cast<compbridge::Entry>(&SetYDataTrampoline::call);
        }
        if (s == "@Tzscope@TTZChannelData@Clear$qqrv") return Trampoline<1, void>::wrap(n, e);
        if (s == "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv") return Trampoline<2, compbridge::Reference>::wrap(n, e);
        if (s == "@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri") return Trampoline<3, void, int>::wrap(n, e);
        if (s == "@Tzscope@TTZDataDisplay@SetHold$qqro") return Trampoline<4, void, bool>::wrap(n, e);
        if (s == "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui") return Trampoline<5, void, unsigned int>::wrap(n, e);
        if (s == "@Tzcomponentcollection@TTZCustomControlItem@SetIndex$qqri") return Trampoline<6, void, int>::wrap(n, e);
        if (s == "@Classes@TCollection@Add$qqrv") return Trampoline<7, compbridge::Reference>::wrap(n, e);
        if (s == "@Tzscope@TTZDataChart@GetRefreshInterval$qqrv") return Trampoline<8, unsigned int>::wrap(n, e);
        return e;
    }

    static const compbridge::Imports& table() {
        static const compbridge::Imports t = {
            [](const char* f) { me().log(49, describe(f)); return lib().loadPackage(f); },
            [](compbridge::Module m, const char* n) -> compbridge::Entry {
                me().log(51, describe(n));
                if (n && me().unexported.count(n)) return nullptr;
                compbridge::Entry e = lib().methodAddress(m, n);
                return e ? wrapMethod(n, e) : nullptr;
            },
            [](compbridge::Window w) { me().log(52, ""); return lib().attachWindow(w); },
            [](compbridge::Handle h) { me().log(56, ""); return lib().controlReference(h); },
            [](compbridge::Window w, const char* c, int a, int b, int d) -> compbridge::Handle {
                me().log(61, describe(c), describe(a) + "," + describe(b) + "," + describe(d));
                return me().failCreate ? 0 : lib().createInWindow(w, c, a, b, d);
            },
            [](compbridge::Reference p, const char* c, int a, int b, int d) -> compbridge::Handle {
                me().log(63, describe(c), describe(a) + "," + describe(b) + "," + describe(d));
                return me().failCreate ? 0 : lib().createInControl(p, c, a, b, d);
            },
            [](compbridge::Handle h) { me().log(83, "", std::to_string(h)); return lib().freeComponent(h); },
            [](compbridge::Reference r, const char* p, const char* t) {
                me().log(98, describe(p), describe(t));
                return me().rejected(p) ? 0 : lib().setText(r, p, t);
            },
            [](compbridge::Reference r, const char* p, std::int32_t v) {
                me().log(99, describe(p), describe(static_cast<int>(v)));
                return me().rejected(p) ? 0 : lib().setInteger(r, p, v);
            },
            [](compbridge::Reference r, const char* p, std::uint32_t v) {
                char b[16];
                std::snprintf(b, sizeof b, "0x%08X", v);
                me().log(101, describe(p), b);
                return me().rejected(p) ? 0 : lib().setUnsigned(r, p, v);
            },
            [](compbridge::Reference r, const char* p, double v) {
                me().log(103, describe(p), describe(v));
                return me().rejected(p) ? 0 : lib().setDouble(r, p, v);
            },
            [](compbridge::Reference r, const char* p, std::uint32_t* v) {
                me().log(109, describe(p));
                return me().rejected(p) ? 0 : lib().getInteger(r, p, v);
            },
            [] { me().log(145, ""); return lib().configured(); },
        };
        return t;
    }
};

}  // namespace qv::test
