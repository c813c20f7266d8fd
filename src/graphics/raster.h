// The binding of the raster library KX_VGFX: loaded by name when the memory
// manager opens, its entry points looked up into one process-wide table of
// typed entries. An entry point the library lacks stays unbound, and calling
// an unbound entry draws nothing and gives a zero result, so callers write
//
//     raster().VGFX_Box(left, top, right, bottom, colour, mode);
//
// with the arguments checked against the prototypes of kx/kx_vgfx.h.
#pragma once

#include <cstdint>

#include "kx/kx_vgfx.h"

namespace kx::graphics {

// One entry point: a pointer of the prototype's type, null while unbound.
template <class Fn> class Entry;
template <class R, class... A> class Entry<R (*)(A...)> {
  public:
    R operator()(A... args) const noexcept { return fn_ ? fn_(args...) : R(); }
    explicit operator bool() const noexcept { return fn_ != nullptr; }
    void bind(void* address) noexcept { fn_ = reinterpret_cast<R (*)(A...)>(address); }

  private:
    R (*fn_)(A...) = nullptr;
};

struct RasterTable {
    void* module = nullptr;   // the loaded library, or null
    void* init_lib = nullptr; // address of "VGFX_Init_Lib" if the library has one (never called)
#define KX_RASTER_FIELD(name) Entry<decltype(&::name)> name;
    KX_VGFX_ENTRY_POINTS(KX_RASTER_FIELD)
#undef KX_RASTER_FIELD
};

// The bound entry points (all unbound until bind_raster succeeds).
const RasterTable& raster() noexcept;

// Loads the library and looks its entry points up; 1 when bound, 0 when the
// library is missing or exports "VGFX_Init_Lib" (an incompatible library).
std::int32_t bind_raster() noexcept;
// Releases the library and unbinds every entry point.
void unbind_raster() noexcept;

} // namespace kx::graphics
