// Binding of the raster library (see raster.h).
#include "graphics/raster.h"

#include "kxp/module.h"

namespace kx::graphics {

RasterTable g_raster;

namespace {
// An address inside KX_VM.so: the raster library is looked for beside it first.
void anchor() {}
} // namespace

std::int32_t bind_raster() {
    unbind_raster();
    g_raster.module = kxp::LoadLibraryA("KX_VGFX.dll", reinterpret_cast<const void*>(&anchor));
    if (!g_raster.module) return 0;
    g_raster.init_lib = kxp::GetProcAddress(g_raster.module, "VGFX_Init_Lib");
    if (g_raster.init_lib) return 0;
#define KX_RASTER_BIND(name) g_raster.name = kxp::GetProcAddress(g_raster.module, #name);
    KX_RASTER_ENTRY_POINTS(KX_RASTER_BIND)
#undef KX_RASTER_BIND
    return 1;
}

void unbind_raster() {
    if (g_raster.module) kxp::FreeLibrary(g_raster.module);
    g_raster = RasterTable{};
}

} // namespace kx::graphics
