#pragma once
// The component bridge library as the program sees it: a table of entry
// points bound by ordinal, the way the library is linked.
#include <cstdint>

#include "platform/compbridge/compbridge.h"

namespace compbridge {

struct Imports {
    Module (*loadPackage)(const char* fileName);                                    // 49
    Entry (*methodAddress)(Module module, const char* mangledName);                 // 51
    int (*attachWindow)(Window page);                                               // 52
    Reference (*controlReference)(Handle control);                                  // 56
    Handle (*createInWindow)(Window parent, const char* className, int, int, int);  // 61
    Handle (*createInControl)(Reference parent, const char* className, int, int, int);  // 63
    int (*freeComponent)(Handle component);                                         // 83
    int (*setText)(Reference object, const char* path, const char* text);           // 98
    int (*setInteger)(Reference object, const char* path, std::int32_t value);      // 99
    int (*setUnsigned)(Reference object, const char* path, std::uint32_t value);    // 101
    int (*setDouble)(Reference object, const char* path, double value);             // 103
    int (*getInteger)(Reference object, const char* path, std::uint32_t* value);    // 109
    int (*configured)();                                                            // 145
};

// The table in use: bound from the library's ordinals at first use. A test
// may put a recorder in front of the library; null restores the library.
const Imports& imports();
void setImports(const Imports* replacement);
// The table bound straight from the library, for a recorder to forward to.
const Imports& libraryImports();

}  // namespace compbridge
