// The binding of the raster library KX_VGFX: loaded by name when the memory
// manager opens, its entry points looked up into process-wide pointers. A
// missing entry point stays null, and every caller treats a null entry point
// as "draw nothing": use call() below, never the pointer directly.
#pragma once

#include <cstdint>

// Every entry point the runtime looks up, by name.
#define KX_RASTER_ENTRY_POINTS(X)                                                                  \
    X(VGFX_SetBuffer)                                                                              \
    X(VGFX_SetSrcBuffer)                                                                           \
    X(VGFX_SetSrcSize)                                                                             \
    X(VGFX_SetSrcBlendBuffer)                                                                      \
    X(VGFX_SetSrcBlendSize)                                                                        \
    X(VGFX_SetBufferViewPort)                                                                      \
    X(VGFX_Blit)                                                                                   \
    X(VGFX_BlitFX)                                                                                 \
    X(VGFX_Dot)                                                                                    \
    X(VGFX_FastDot)                                                                                \
    X(VGFX_Point)                                                                                  \
    X(VGFX_FastPoint)                                                                              \
    X(VGFX_PixelRunLength)                                                                         \
    X(VGFX_PeekPixelStrip)                                                                         \
    X(VGFX_Box)                                                                                    \
    X(VGFX_ShadeBox)                                                                               \
    X(VGFX_Circle)                                                                                 \
    X(VGFX_Ellipse)                                                                                \
    X(VGFX_WriteLine)                                                                              \
    X(VGFX_WriteDrawModeLine)                                                                      \
    X(VGFX_Tri)                                                                                    \
    X(VGFX_TriG)                                                                                   \
    X(VGFX_TriT)                                                                                   \
    X(VGFX_TriTG)                                                                                  \
    X(VGFX_TriTI)                                                                                  \
    X(VGFX_Quad)                                                                                   \
    X(VGFX_QuadG)                                                                                  \
    X(VGFX_QuadT)                                                                                  \
    X(VGFX_QuadTG)                                                                                 \
    X(VGFX_QuadTI)                                                                                 \
    X(VGFX_HoriGouraudStrip)                                                                       \
    X(VGFX_VertGouraudStrip)                                                                       \
    X(VGFX_HoriTextureStrip)                                                                       \
    X(VGFX_VertTextureStrip)                                                                       \
    X(VGFX_Draw_Shape_Span_Buffer)                                                                 \
    X(VGFX_FillRect_Fade)                                                                          \
    X(VGFX_FillRect_GreyScale)                                                                     \
    X(VGFX_FillRect_PhongMap)                                                                      \
    X(VGFX_FillRect_Light)                                                                         \
    X(VGFX_MirrorRect)                                                                             \
    X(KX_Rnd)

namespace kx::graphics {

struct RasterTable {
    void* module = nullptr;   // the loaded library, or null
    void* init_lib = nullptr; // address of "VGFX_Init_Lib" if the library has one (never called)
#define KX_RASTER_FIELD(name) void* name = nullptr;
    KX_RASTER_ENTRY_POINTS(KX_RASTER_FIELD)
#undef KX_RASTER_FIELD
};

extern RasterTable g_raster;

// Loads the library and looks its entry points up; 1 when bound, 0 when the
// library is missing or exports "VGFX_Init_Lib" (an incompatible library).
std::int32_t bind_raster();
// Releases the library and clears every pointer.
void unbind_raster();

// Calls an entry point through its prototype when it is bound; otherwise does
// nothing and gives R{}.
template <class Fn, class... Args> auto call(void* entry, Args... args) {
    using R = decltype(static_cast<Fn>(nullptr)(args...));
    if (entry == nullptr) return R();
    return reinterpret_cast<Fn>(entry)(args...);
}

} // namespace kx::graphics
