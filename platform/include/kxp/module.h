// Loading modules (shared objects) by name, as the runtime loads its raster
// library. A module name ending in ".dll" is looked for under the same name
// ending in ".so".
#pragma once

#include <cstdint>

#include "kxp/api.h"

namespace kxp {

using HMODULE = void*;
using FARPROC = void*;

// Loads a module by name. A name without a folder is looked for first beside
// the module that contains the address `beside` (when given), then on the
// loader's search path. Returns null when it cannot be loaded. Loading the
// same module twice returns the same handle and must be matched by two frees.
KXP_API HMODULE LoadLibraryA(const char* name, const void* beside = nullptr);

// The address of an exported symbol, or null.
KXP_API FARPROC GetProcAddress(HMODULE module, const char* name);

// Releases a module handle from LoadLibraryA; returns 1, or 0 for null.
KXP_API std::int32_t FreeLibrary(HMODULE module);

} // namespace kxp
