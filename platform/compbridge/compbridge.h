#pragma once
// The component bridge library's interface: its entry points by ordinal.
// Components, sub-objects and packages are opaque 32-bit numbers, never
// pointers.
#include <cstdint>

namespace compbridge {

using Handle = std::uint32_t;     // a component the program created
using Reference = std::uint32_t;  // an object addressed by property calls and methods
using Module = std::uint32_t;     // a loaded package
using Window = void*;             // a native window of the program (a QWidget here)
using Entry = void (*)();         // an exported method; cast to its real signature to call

// What the library answers for an ordinal; null for one it does not export.
using AnyFunction = void (*)();
AnyFunction ordinal(int number);

}  // namespace compbridge
