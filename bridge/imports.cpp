#include "bridge/imports.h"

namespace compbridge {
namespace {

template <class F>
void bind(F& slot, int number) {
    slot = reinterpret_cast<F>(ordinal(number));
}

Imports bindLibrary() {
    Imports t{};
    bind(t.loadPackage, 49);
    bind(t.methodAddress, 51);
    bind(t.attachWindow, 52);
    bind(t.controlReference, 56);
    bind(t.createInWindow, 61);
    bind(t.createInControl, 63);
    bind(t.freeComponent, 83);
    bind(t.setText, 98);
    bind(t.setInteger, 99);
    bind(t.setUnsigned, 101);
    bind(t.setDouble, 103);
    bind(t.getInteger, 109);
    bind(t.configured, 145);
    return t;
}

const Imports* current = nullptr;

}  // namespace

const Imports& libraryImports() {
    static const Imports table = bindLibrary();
    return table;
}

const Imports& imports() { return current ? *current : libraryImports(); }

void setImports(const Imports* replacement) { current = replacement; }

}  // namespace compbridge
