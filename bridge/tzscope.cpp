#include "bridge/tzscope.h"

namespace qv::bridge::tz {

using ::qv::bridge::Package;

Entry CTTZCustomControlItem::ResolveMethod(const char* m) {
    if (Entry e = findIn(basicPackage_, m)) return e;
    return CHXControl::ResolveMethod(m);
}

void CTTZCustomControlItem::CreateInControl(CHXControl& parent) { createInControlAs(parent, "TTZCustomControlItem"); }
void CTTZCustomControlItem::CreateInWindow(Window window) { createInWindowAs(window, "TTZCustomControlItem"); }

void CTTZCustomControlItem::StorePackages() { basicPackage_ = packageModule(Package::Basic); }

void CTTZCustomControlItem::createInWindowAs(Window window, const char* className) {
    StorePackages();
    if (!window) return;
    control_.Release();
    const Handle h = compbridge::imports().createInWindow(window, className, 0, 0, 1);
    if (h) {
        control_.handle = h;
        control_.owned = true;
    }
}

void CTTZCustomControlItem::createInControlAs(CHXControl& parent, const char* className) {
    StorePackages();
    control_.Release();
    const Reference parentRef = parent.GetReference();
    if (!parentRef) return;
    const Handle h = compbridge::imports().createInControl(parentRef, className, 0, 0, 1);
    if (h) {
        control_.handle = h;
        control_.owned = true;
    }
}

Entry CTHXControlDrawLayer::ResolveMethod(const char* m) {
    if (Entry e = findIn(layerPackage_, m)) return e;
    return CTTZCustomControlItem::ResolveMethod(m);
}
void CTHXControlDrawLayer::StorePackages() {
    CTTZCustomControlItem::StorePackages();
    layerPackage_ = packageModule(Package::Basic);
}

Entry CTTZDataDisplay::ResolveMethod(const char* m) {
    if (Entry e = findIn(displayPackage_, m)) return e;
    return CTHXControlDrawLayer::ResolveMethod(m);
}
void CTTZDataDisplay::StorePackages() {
    CTHXControlDrawLayer::StorePackages();
    displayPackage_ = packageModule(Package::Scope);
}

Entry CTTZDataChart::ResolveMethod(const char* m) {
    if (Entry e = findIn(chartPackage_, m)) return e;
    return CTTZDataDisplay::ResolveMethod(m);
}
void CTTZDataChart::StorePackages() {
    CTTZDataDisplay::StorePackages();
    chartPackage_ = packageModule(Package::Scope);
}

Entry CTTZScope::ResolveMethod(const char* m) {
    if (Entry e = findIn(scopePackage_, m)) return e;
    return CTTZDataChart::ResolveMethod(m);
}
void CTTZScope::StorePackages() {
    CTTZDataChart::StorePackages();
    scopePackage_ = packageModule(Package::Scope);
}

}  // namespace qv::bridge::tz
