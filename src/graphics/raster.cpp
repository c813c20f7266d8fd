// Binding of the raster library (see raster.h).
#include "graphics/raster.h"

#include "kxp/module.h"
#include "memory/refusal.h"

namespace kx::graphics {
namespace {

RasterTable g_raster;

// An address inside KX_VM.so: the raster library is looked for beside it first.
void anchor() {}

} // namespace

const RasterTable& raster() noexcept {
    return g_raster;
}

std::int32_t bind_raster() noexcept {
    unbind_raster();
    g_raster.module = kx::refusing(static_cast<void*>(nullptr), [] {
        return kxp::LoadLibraryA("KX_VGFX.dll", reinterpret_cast<const void*>(&anchor));
    });
    if (!g_raster.module) return 0;
    g_raster.init_lib = kxp::GetProcAddress(g_raster.module, "VGFX_Init_Lib");
    if (g_raster.init_lib) return 0;
#define KX_RASTER_BIND(name) g_raster.name.bind(kxp::GetProcAddress(g_raster.module, #name));
    KX_VGFX_ENTRY_POINTS(KX_RASTER_BIND)
#undef KX_RASTER_BIND
    return 1;
}

void unbind_raster() noexcept {
    if (g_raster.module) kxp::FreeLibrary(g_raster.module);
    g_raster = RasterTable{};
}

} // namespace kx::graphics
