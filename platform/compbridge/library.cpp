// The bridge library's ordinals, its packages as built-in modules, and the
// methods those packages export under their mangled names.
#include <QValueAxis>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/compbridge/library.h"
#include "platform/compbridge/tzscope.h"

namespace compbridge {
namespace host {
namespace {

// ---- components ----------------------------------------------------------------

struct Component {
    std::unique_ptr<TZScope> scope;
};

Component* componentOf(Handle h) { return static_cast<Component*>(table().find(h, kComponent)); }

template <class T>
T* objectAs(Reference r) {
    return dynamic_cast<T*>(HostObject::fromReference(r));
}

// ---- exports of the scope package (unit Tzscope) ---------------------------------

void channelDataSetYData(Reference self, const float* values, unsigned int count) {
    auto* d = objectAs<ChannelDataNode>(self);
    if (!d || (count && !values)) return;
    d->y.assign(values, values + count);
    d->dirty = true;
    d->scope()->dataChanged();
}

void channelDataClear(Reference self) {
    auto* d = objectAs<ChannelDataNode>(self);
    if (!d) return;
    d->y.clear();
    d->dirty = true;
    d->scope()->dataChanged();
}

double channelDataGetSampleRate(Reference self) {
    auto* d = objectAs<ChannelDataNode>(self);
    return d ? d->sampleRate : 0.0;
}

void channelDataSetSampleRate(Reference self, double rate) {
    auto* d = objectAs<ChannelDataNode>(self);
    if (!d || !(rate > 0)) return;
    d->sampleRate = rate;
    d->dirty = true;
    d->scope()->dataChanged();
}

Reference scopeChannelGetData(Reference self) {
    auto* ch = objectAs<ChannelNode>(self);
    return ch ? ch->data.reference() : 0;
}

int displayChannelGetYAxisIndex(Reference self) {
    auto* ch = objectAs<ChannelNode>(self);
    return ch ? ch->yAxisIndex : 0;
}

void displayChannelSetYAxisIndex(Reference self, int index) {
    if (auto* ch = objectAs<ChannelNode>(self); ch && index >= 0) {
        ch->yAxisIndex = index;
        ch->data.dirty = true;
        ch->scope()->changed();
    }
}

int displayChannelGetXAxisIndex(Reference self) {
    auto* ch = objectAs<ChannelNode>(self);
    return ch ? ch->xAxisIndex : 0;
}

void displayChannelSetXAxisIndex(Reference self, int index) {
    if (auto* ch = objectAs<ChannelNode>(self); ch && index >= 0) ch->xAxisIndex = index;
}

void dataDisplaySetHold(Reference self, bool hold) {
    if (auto* s = objectAs<TZScope>(self)) {
        s->hold = hold;
        if (!hold) s->dataChanged();
    }
}

bool dataDisplayGetHold(Reference self) {
    auto* s = objectAs<TZScope>(self);
    return s && s->hold;
}

void dataChartSetRefreshInterval(Reference self, unsigned int ms) {
    if (auto* s = objectAs<TZScope>(self)) s->setRefreshInterval(ms);
}

unsigned int dataChartGetRefreshInterval(Reference self) {
    auto* s = objectAs<TZScope>(self);
    return s ? s->refreshInterval : 0;
}

// The range an axis shows now: the drawn one, or its limits without a view.
double axisCurrent(Reference self, bool wantMax) {
    auto* a = objectAs<AxisNode>(self);
    if (!a) return 0.0;
    TZScope* s = a->scope();
    QValueAxis* drawn = nullptr;
    if (TZScopeView* v = s->view()) {
        s->refresh();
        if (a == &s->xAxis) drawn = v->xAxis();
        if (a == &s->yAxis) drawn = v->yAxis(0);
        for (std::size_t i = 0; i < s->yAxis.additionalAxes.items.size(); ++i)
            if (a == &s->yAxis.additionalAxes.items[i]->axis) drawn = v->yAxis(static_cast<int>(i) + 1);
    }
    if (drawn) return wantMax ? drawn->max() : drawn->min();
    return wantMax ? a->max.value : a->min.value;
}
double displayAxisGetCurrentMin(Reference self) { return axisCurrent(self, false); }
double displayAxisGetCurrentMax(Reference self) { return axisCurrent(self, true); }

int xAxisGetSamples(Reference self) {
    auto* a = objectAs<XAxisNode>(self);
    if (!a) return 0;
    std::size_t n = 0;
    for (const auto& ch : a->scope()->channels.items) n = std::max(n, ch->data.y.size());
    return static_cast<int>(n);
}

void scopeInvalidate(Reference self) {
    if (auto* s = objectAs<TZScope>(self); s && s->view()) s->view()->viewport()->update();
}

// ---- exports of the basic package ----------------------------------------------------

void controlItemSetIndex(Reference self, int index) {
    if (auto* s = objectAs<TZScope>(self); s && index >= 0) s->index = index;
}

int controlItemGetIndex(Reference self) {
    auto* s = objectAs<TZScope>(self);
    return s ? s->index : 0;
}

bool controlItemGetHasEnable(Reference self) { return objectAs<TZScope>(self) != nullptr; }
bool controlItemGetCanDisable(Reference self) { return objectAs<TZScope>(self) != nullptr; }

// ---- exports of the host runtime ------------------------------------------------------

Reference collectionAdd(Reference self) {
    HostObject* o = HostObject::fromReference(self);
    if (auto* c = dynamic_cast<CollectionNode<ChannelNode>*>(o)) return c->add().reference();
    if (auto* c = dynamic_cast<CollectionNode<AxisItemNode>*>(o)) return c->add().reference();
    return 0;
}

void controlInvalidate(Reference self) { scopeInvalidate(self); }

// ---- packages ---------------------------------------------------------------------------

template <class F>
Entry entry(F f) {
    return reinterpret_cast<Entry>(f);
}

struct Package {
    const char* file;
    std::map<std::string, Entry, std::less<>> exports;
    Module module = 0;
};

std::vector<Package>& packages() {
    static std::vector<Package> p = {
        {"TrazorScopePkgCB6.bpl",
         {
             {"@Tzscope@TTZChannelData@SetYData$qqrpfui", entry(&channelDataSetYData)},
             {"@Tzscope@TTZChannelData@Clear$qqrv", entry(&channelDataClear)},
             {"@Tzscope@TTZChannelData@GetSampleRate$qqrv", entry(&channelDataGetSampleRate)},
             {"@Tzscope@TTZChannelData@SetSampleRate$qqrd", entry(&channelDataSetSampleRate)},
             {"@Tzscope@TTZScopeChannel@GetVC_Data$qqrv", entry(&scopeChannelGetData)},
             {"@Tzscope@TTZDisplayChannel@GetYAxisIndex$qqrv", entry(&displayChannelGetYAxisIndex)},
             {"@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri", entry(&displayChannelSetYAxisIndex)},
             {"@Tzscope@TTZDisplayChannel@GetXAxisIndex$qqrv", entry(&displayChannelGetXAxisIndex)},
             {"@Tzscope@TTZDisplayChannel@SetXAxisIndex$qqri", entry(&displayChannelSetXAxisIndex)},
             {"@Tzscope@TTZDataDisplay@SetHold$qqro", entry(&dataDisplaySetHold)},
             {"@Tzscope@TTZDataDisplay@GetVC_Hold$qqrv", entry(&dataDisplayGetHold)},
             {"@Tzscope@TTZDataChart@SetRefreshInterval$qqrui", entry(&dataChartSetRefreshInterval)},
             {"@Tzscope@TTZDataChart@GetRefreshInterval$qqrv", entry(&dataChartGetRefreshInterval)},
             {"@Tzscope@TTZScope@Invalidate$qqrv", entry(&scopeInvalidate)},
             {"@Tzscope@TTZDisplayAxis@GetCurrentMin$qqrv", entry(&displayAxisGetCurrentMin)},
             {"@Tzscope@TTZDisplayAxis@GetCurrentMax$qqrv", entry(&displayAxisGetCurrentMax)},
             {"@Tzscope@TTZBasicDisplayXAxis@GetVC_Samples$qqrv", entry(&xAxisGetSamples)},
         }},
        {"TrazorBasicPkgCB6.bpl",
         {
             {"@Tzcomponentcollection@TTZCustomControlItem@SetIndex$qqri", entry(&controlItemSetIndex)},
             {"@Tzcomponentcollection@TTZCustomControlItem@GetIndex$qqrv", entry(&controlItemGetIndex)},
             {"@Tzcomponentcollection@TTZCustomControlItem@GetHasEnable$qqrv", entry(&controlItemGetHasEnable)},
             {"@Tzcomponentcollection@TTZCustomControlItem@GetCanDisable$qqrv", entry(&controlItemGetCanDisable)},
         }},
        {"rtl60.bpl",
         {
             {"@Classes@TCollection@Add$qqrv", entry(&collectionAdd)},
             {"@Controls@TControl@Invalidate$qqrv", entry(&controlInvalidate)},
         }},
    };
    return p;
}

bool sameFileName(const char* a, const char* b) {
    const std::size_t n = std::strlen(a);
    if (n != std::strlen(b)) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// ---- the ordinals ---------------------------------------------------------------------------

Module loadPackage(const char* fileName) {
    if (!fileName) return 0;
    for (auto& p : packages())
        if (sameFileName(p.file, fileName)) {
            if (!p.module) p.module = table().add(&p, kModule);
            return p.module;
        }
    return 0;
}

Entry methodAddress(Module module, const char* mangledName) {
    auto* p = static_cast<Package*>(table().find(module, kModule));
    if (!p || !mangledName) return nullptr;
    auto it = p->exports.find(std::string_view(mangledName));
    return it == p->exports.end() ? nullptr : it->second;
}

int attachWindow(Window page) { return page ? 1 : 0; }

Handle create(QWidget* parent, const char* className, int, int, int fill) {
    if (!parent || !className || std::strcmp(className, "TTZScope") != 0) return 0;
    auto c = std::make_unique<Component>();
    c->scope = std::make_unique<TZScope>(parent, fill != 0);
    return table().add(c.release(), kComponent);
}

Handle createInWindow(Window parent, const char* className, int a, int b, int c) {
    return create(static_cast<QWidget*>(parent), className, a, b, c);
}

Handle createInControl(Reference parent, const char* className, int a, int b, int c) {
    auto* s = objectAs<TZScope>(parent);
    return s && s->view() ? create(s->view(), className, a, b, c) : 0;
}

Reference controlReference(Handle h) {
    Component* c = componentOf(h);
    return c ? c->scope->reference() : 0;
}

int freeComponent(Handle h) {
    Component* c = componentOf(h);
    if (!c) return 0;
    table().remove(h);
    delete c;
    return 1;
}

template <class Set>
int setAt(Reference object, const char* path, Set set) {
    if (!path) return 0;
    std::string_view last;
    HostObject* at = walk(HostObject::fromReference(object), path, last);
    return at && set(*at, last) ? 1 : 0;
}

int setText(Reference o, const char* path, const char* text) {
    return text ? setAt(o, path, [&](HostObject& h, std::string_view n) { return h.setText(n, text); }) : 0;
}
int setInteger(Reference o, const char* path, std::int32_t v) {
    return setAt(o, path, [&](HostObject& h, std::string_view n) { return h.setInteger(n, v); });
}
int setUnsigned(Reference o, const char* path, std::uint32_t v) {
    return setAt(o, path, [&](HostObject& h, std::string_view n) { return h.setUnsigned(n, v); });
}
int setDouble(Reference o, const char* path, double v) {
    return setAt(o, path, [&](HostObject& h, std::string_view n) { return h.setDouble(n, v); });
}
int getInteger(Reference o, const char* path, std::uint32_t* out) {
    if (!out) return 0;
    return setAt(o, path, [&](HostObject& h, std::string_view n) { return h.getInteger(n, *out); });
}

int configured() {
    for (TZScope* s : liveScopes()) s->refresh();
    return 1;
}

}  // namespace
}  // namespace host

AnyFunction ordinal(int number) {
    using namespace host;
    switch (number) {
    case 49: return reinterpret_cast<AnyFunction>(&loadPackage);
    case 51: return reinterpret_cast<AnyFunction>(&methodAddress);
    case 52: return reinterpret_cast<AnyFunction>(&attachWindow);
    case 56: return reinterpret_cast<AnyFunction>(&controlReference);
    case 61: return reinterpret_cast<AnyFunction>(&createInWindow);
    case 63: return reinterpret_cast<AnyFunction>(&createInControl);
    case 83: return reinterpret_cast<AnyFunction>(&freeComponent);
    case 98: return reinterpret_cast<AnyFunction>(&setText);
    case 99: return reinterpret_cast<AnyFunction>(&setInteger);
    case 101: return reinterpret_cast<AnyFunction>(&setUnsigned);
    case 103: return reinterpret_cast<AnyFunction>(&setDouble);
    case 109: return reinterpret_cast<AnyFunction>(&getInteger);
    case 145: return reinterpret_cast<AnyFunction>(&configured);
    default: return nullptr;
    }
}

}  // namespace compbridge
