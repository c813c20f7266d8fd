// Direct3D-style 3D device drawing pre-transformed, lit vertices into a
// surface (its render target): triangles textured from stage 0, colour-keyed,
// alpha-blended, with point or bilinear filtering.
//
// Rasterisation: pixel centres at (x + 0.5, y + 0.5) with a top-left fill
// rule, so triangles that share an edge neither overlap nor leave a gap;
// colours and texture coordinates are interpolated affinely (rhw is not
// used); texel i spans [i, i + 1) / size, so a quad that maps texels one to
// one reproduces the texture exactly with either filter. Texture coordinates
// are clamped to the texture's edge. No culling, no depth buffer.
#pragma once

#include "kxp/ddraw.h"

namespace kxp {

using LPDIRECT3D7 = std::uint32_t;
using LPDIRECT3DDEVICE7 = std::uint32_t;

inline constexpr REFGUID IID_IDirect3D7 = 0x11;
// Device kinds: all give the same software device.
inline constexpr REFGUID IID_IDirect3DHALDevice = 0x12;
inline constexpr REFGUID IID_IDirect3DTnLHalDevice = 0x13;
inline constexpr REFGUID IID_IDirect3DRGBDevice = 0x14;

inline constexpr HRESULT D3D_OK = 0;
inline constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = make_dd_hresult(731);
inline constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = make_dd_hresult(732);
inline constexpr HRESULT D3DERR_SCENE_IN_SCENE = make_dd_hresult(780);
inline constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = make_dd_hresult(781);

// Render states (the value is stored for any state below 256; these act).
inline constexpr DWORD D3DRENDERSTATE_SRCBLEND = 19;
inline constexpr DWORD D3DRENDERSTATE_DESTBLEND = 20;
inline constexpr DWORD D3DRENDERSTATE_ALPHABLENDENABLE = 27;
inline constexpr DWORD D3DRENDERSTATE_COLORKEYENABLE = 41;
inline constexpr DWORD D3DRENDERSTATE_TEXTUREFACTOR = 60;

// Blend factors.
inline constexpr DWORD D3DBLEND_ZERO = 1;
inline constexpr DWORD D3DBLEND_ONE = 2;
inline constexpr DWORD D3DBLEND_SRCCOLOR = 3;
inline constexpr DWORD D3DBLEND_INVSRCCOLOR = 4;
inline constexpr DWORD D3DBLEND_SRCALPHA = 5;
inline constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
inline constexpr DWORD D3DBLEND_DESTALPHA = 7;
inline constexpr DWORD D3DBLEND_INVDESTALPHA = 8;
inline constexpr DWORD D3DBLEND_DESTCOLOR = 9;
inline constexpr DWORD D3DBLEND_INVDESTCOLOR = 10;

// Texture stage states (stage 0 acts; stages 0 to 7 store).
inline constexpr DWORD D3DTSS_COLOROP = 1;
inline constexpr DWORD D3DTSS_COLORARG1 = 2;
inline constexpr DWORD D3DTSS_COLORARG2 = 3;
inline constexpr DWORD D3DTSS_ALPHAOP = 4;
inline constexpr DWORD D3DTSS_ALPHAARG1 = 5;
inline constexpr DWORD D3DTSS_ALPHAARG2 = 6;
inline constexpr DWORD D3DTSS_MAGFILTER = 16;
inline constexpr DWORD D3DTSS_MINFILTER = 17;

// Operations: these four act; others work as D3DTOP_MODULATE.
inline constexpr DWORD D3DTOP_DISABLE = 1;
inline constexpr DWORD D3DTOP_SELECTARG1 = 2;
inline constexpr DWORD D3DTOP_SELECTARG2 = 3;
inline constexpr DWORD D3DTOP_MODULATE = 4;
// Arguments (at stage 0 the current colour is the diffuse colour).
inline constexpr DWORD D3DTA_DIFFUSE = 0;
inline constexpr DWORD D3DTA_CURRENT = 1;
inline constexpr DWORD D3DTA_TEXTURE = 2;
inline constexpr DWORD D3DTA_TFACTOR = 3;
// Filters: 2 is bilinear, anything else point sampling.
inline constexpr DWORD D3DTFG_POINT = 1;
inline constexpr DWORD D3DTFG_LINEAR = 2;
inline constexpr DWORD D3DTFN_POINT = 1;
inline constexpr DWORD D3DTFN_LINEAR = 2;

inline constexpr DWORD D3DPT_TRIANGLELIST = 4;
inline constexpr DWORD D3DPT_TRIANGLESTRIP = 5;
inline constexpr DWORD D3DPT_TRIANGLEFAN = 6;

inline constexpr DWORD D3DFVF_XYZRHW = 0x4;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x40;
inline constexpr DWORD D3DFVF_SPECULAR = 0x80;
inline constexpr DWORD D3DFVF_TEX1 = 0x100;
// The one vertex format drawn: x, y, z, rhw, diffuse, specular, u, v.
inline constexpr DWORD D3DFVF_TLVERTEX = 0x1C4;

struct D3DTLVERTEX {
    float sx, sy, sz, rhw;
    DWORD color;    // diffuse 0xAARRGGBB
    DWORD specular; // not used
    float tu, tv;
};
static_assert(sizeof(D3DTLVERTEX) == 32);

inline constexpr HRESULT D3DENUMRET_CANCEL = 0;
inline constexpr HRESULT D3DENUMRET_OK = 1;
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, void* context);

// A device drawing into target (a surface, not a primary); it holds a
// reference to the target, to the Direct3D object and to each texture set.
KXP_API HRESULT CreateDevice(LPDIRECT3D7 d3d, REFGUID deviceKind, LPDIRECTDRAWSURFACE7 target,
                             LPDIRECT3DDEVICE7* device);
// Lists the texture formats, in this order: 8-bit luminance, 16-bit 1-5-5-5
// and 4-4-4-4 with alpha, 16-bit 5-6-5 and 5-5-5, 32-bit with alpha and 32-bit
// 0x00RRGGBB, until the callback returns D3DENUMRET_CANCEL.
KXP_API HRESULT EnumTextureFormats(LPDIRECT3DDEVICE7 device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                   void* context);
KXP_API HRESULT SetRenderState(LPDIRECT3DDEVICE7 device, DWORD state, DWORD value);
KXP_API HRESULT GetRenderState(LPDIRECT3DDEVICE7 device, DWORD state, DWORD* value);
KXP_API HRESULT SetTextureStageState(LPDIRECT3DDEVICE7 device, DWORD stage, DWORD type,
                                     DWORD value);
// texture: a surface made with DDSCAPS_TEXTURE, or 0 for none.
KXP_API HRESULT SetTexture(LPDIRECT3DDEVICE7 device, DWORD stage, LPDIRECTDRAWSURFACE7 texture);
KXP_API HRESULT BeginScene(LPDIRECT3DDEVICE7 device);
KXP_API HRESULT EndScene(LPDIRECT3DDEVICE7 device);
// Triangle lists, strips and fans of D3DFVF_TLVERTEX vertices, inside a scene.
KXP_API HRESULT DrawPrimitive(LPDIRECT3DDEVICE7 device, DWORD primitiveType, DWORD vertexFormat,
                              const void* vertices, DWORD vertexCount, DWORD flags);

} // namespace kxp
