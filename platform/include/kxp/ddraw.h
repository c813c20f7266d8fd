// DirectDraw-style display objects and surfaces.
//
// The display object creates surfaces: off-screen, texture and primary ones,
// in 16-bit 5-6-5 and 5-5-5, 24-bit and 32-bit RGB (and, for textures, the
// formats with alpha and the luminance format that the 3D device lists). The
// classic interface methods are functions that take the object's id first;
// display objects, surfaces, Direct3D objects and 3D devices share one table
// of reference-counted objects with the input objects and devices, so AddRef
// and Release (kxp/input.h) serve them all. Ids that name no object of the
// right kind get DDERR_INVALIDOBJECT (the object called) or
// DDERR_INVALIDPARAMS (an argument).
//
// The primary surface is the display. In the normal (windowed) cooperative
// level it covers the desktop, and what is written into it becomes the frame
// of every top-level window whose client area it covers (a blit into a
// window's client rectangle in desktop coordinates is that window's frame; the
// destination may reach beyond the desktop, as if the window's clipper were
// attached). In exclusive full-screen mode it is the display mode's screen and
// the frame of the cooperative window. Hosts read frames with GetWindowFrame
// (kxp/screen.h).
#pragma once

#include <cstddef>

#include "kxp/types.h"

namespace kxp {

using LPDIRECTDRAW7 = std::uint32_t;
using LPDIRECTDRAWSURFACE7 = std::uint32_t;

inline constexpr REFGUID IID_IDirectDraw7 = 0x10;

// --- Results ----------------------------------------------------------------
inline constexpr HRESULT make_dd_hresult(std::uint32_t code) {
    return static_cast<HRESULT>(0x88760000u + code);
}
inline constexpr HRESULT DD_OK = 0;
inline constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT DDERR_INVALIDCAPS = make_dd_hresult(100);
inline constexpr HRESULT DDERR_INVALIDMODE = make_dd_hresult(120);
inline constexpr HRESULT DDERR_INVALIDOBJECT = make_dd_hresult(130);
inline constexpr HRESULT DDERR_INVALIDPIXELFORMAT = make_dd_hresult(145);
inline constexpr HRESULT DDERR_INVALIDRECT = make_dd_hresult(150);
inline constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = make_dd_hresult(212);
inline constexpr HRESULT DDERR_NOCOLORKEY = make_dd_hresult(215);
inline constexpr HRESULT DDERR_NOEXCLUSIVEMODE = make_dd_hresult(225);
inline constexpr HRESULT DDERR_NOTFOUND = make_dd_hresult(255);
inline constexpr HRESULT DDERR_SURFACEBUSY = make_dd_hresult(430);
inline constexpr HRESULT DDERR_TOOBIGSIZE = make_dd_hresult(480);
inline constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = make_dd_hresult(564);
inline constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = make_dd_hresult(581);
inline constexpr HRESULT DDERR_NOTFLIPPABLE = make_dd_hresult(582);
inline constexpr HRESULT DDERR_NOTLOCKED = make_dd_hresult(584);
inline constexpr HRESULT DDERR_NODC = make_dd_hresult(586);
inline constexpr HRESULT DDERR_DCALREADYCREATED = make_dd_hresult(620);

// --- Cooperative levels and display modes ------------------------------------
inline constexpr DWORD DDSCL_FULLSCREEN = 0x1;
inline constexpr DWORD DDSCL_ALLOWREBOOT = 0x2;
inline constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x4;
inline constexpr DWORD DDSCL_NORMAL = 0x8;
inline constexpr DWORD DDSCL_EXCLUSIVE = 0x10;
inline constexpr DWORD DDSCL_MULTITHREADED = 0x400;
inline constexpr DWORD DDSCL_FPUSETUP = 0x8000;

// --- Surface description ------------------------------------------------------
inline constexpr DWORD DDSD_CAPS = 0x1;
inline constexpr DWORD DDSD_HEIGHT = 0x2;
inline constexpr DWORD DDSD_WIDTH = 0x4;
inline constexpr DWORD DDSD_PITCH = 0x8;
inline constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
inline constexpr DWORD DDSD_LPSURFACE = 0x800;
inline constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
inline constexpr DWORD DDSD_CKSRCBLT = 0x10000;
inline constexpr DWORD DDSD_TEXTURESTAGE = 0x100000;

inline constexpr DWORD DDSCAPS_BACKBUFFER = 0x4;
inline constexpr DWORD DDSCAPS_COMPLEX = 0x8;
inline constexpr DWORD DDSCAPS_FLIP = 0x10;
inline constexpr DWORD DDSCAPS_FRONTBUFFER = 0x20;
inline constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
inline constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
inline constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
inline constexpr DWORD DDSCAPS_TEXTURE = 0x1000;
inline constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;
inline constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;
inline constexpr DWORD DDSCAPS_ZBUFFER = 0x20000;
inline constexpr DWORD DDSCAPS_LOCALVIDMEM = 0x10000000;

// Pixel format flags. Luminance formats keep their bit count in
// dwRGBBitCount and their mask in dwRBitMask.
inline constexpr DWORD DDPF_ALPHAPIXELS = 0x1;
inline constexpr DWORD DDPF_FOURCC = 0x4;
inline constexpr DWORD DDPF_RGB = 0x40;
inline constexpr DWORD DDPF_LUMINANCE = 0x20000;
inline constexpr DWORD DDPF_BUMPLUMINANCE = 0x40000;
inline constexpr DWORD DDPF_BUMPDUDV = 0x80000;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize; // 32
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};

struct DDSURFACEDESC2 {
    DWORD dwSize; // 124
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwMipMapCount;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    std::uint32_t lpSurface; // 32-bit address of pixel (0, 0) while locked
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};

// Blit effects: only the size and the fill colour are read.
struct DDBLTFX {
    DWORD dwSize; // 100
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    DWORD dwZDestConst;
    DWORD dwZSrcConstBitDepth;
    DWORD dwZSrcConst;
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    DWORD dwAlphaDestConst;
    DWORD dwAlphaSrcConstBitDepth;
    DWORD dwAlphaSrcConst;
    DWORD dwFillColor; // raw pixel value in the destination's format
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};

static_assert(sizeof(DDPIXELFORMAT) == 32);
static_assert(sizeof(DDSURFACEDESC2) == 124);
static_assert(offsetof(DDSURFACEDESC2, lPitch) == 16);
static_assert(offsetof(DDSURFACEDESC2, lpSurface) == 36);
static_assert(offsetof(DDSURFACEDESC2, ddckCKSrcBlt) == 64);
static_assert(offsetof(DDSURFACEDESC2, ddpfPixelFormat) == 72);
static_assert(offsetof(DDSURFACEDESC2, ddsCaps) == 104);
static_assert(sizeof(DDBLTFX) == 100);
static_assert(offsetof(DDBLTFX, dwFillColor) == 80);

// --- Blits, locks, flips, colour keys ------------------------------------------
inline constexpr DWORD DDBLT_ASYNC = 0x200;
inline constexpr DWORD DDBLT_COLORFILL = 0x400;
inline constexpr DWORD DDBLT_KEYSRC = 0x8000;
inline constexpr DWORD DDBLT_WAIT = 0x1000000;
inline constexpr DWORD DDBLT_DONOTWAIT = 0x8000000;

inline constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x0;
inline constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x1;
inline constexpr DWORD DDBLTFAST_WAIT = 0x10;
inline constexpr DWORD DDBLTFAST_DONOTWAIT = 0x20;

inline constexpr DWORD DDLOCK_WAIT = 0x1;
inline constexpr DWORD DDLOCK_READONLY = 0x10;
inline constexpr DWORD DDLOCK_WRITEONLY = 0x20;
inline constexpr DWORD DDLOCK_NOSYSLOCK = 0x800;
inline constexpr DWORD DDLOCK_DONOTWAIT = 0x4000;

inline constexpr DWORD DDFLIP_WAIT = 0x1;
inline constexpr DWORD DDFLIP_NOVSYNC = 0x8;
inline constexpr DWORD DDFLIP_DONOTWAIT = 0x20;

inline constexpr DWORD DDCKEY_COLORSPACE = 0x1; // a range; otherwise high = low
inline constexpr DWORD DDCKEY_SRCBLT = 0x8;

// --- The display object -------------------------------------------------------
// driver: 0 (the display); iid: IID_IDirectDraw7; outer: 0.
KXP_API HRESULT DirectDrawCreateEx(REFGUID driver, LPDIRECTDRAW7* dd, REFGUID iid,
                                   std::uint32_t outer);
// On a display object: DDSCL_NORMAL (any window or none), or DDSCL_EXCLUSIVE |
// DDSCL_FULLSCREEN with a top-level window (one display object at a time).
// Changing between the two restores the desktop's mode. On an input device:
// the DISCL_ flags (kxp/input.h).
KXP_API HRESULT SetCooperativeLevel(std::uint32_t object, HWND hwnd, DWORD flags);
// Before the primary surface is made: 16 (5-6-5), 24 or 32 bits per pixel. In
// exclusive mode any size up to 16384; at the normal level only the desktop's
// size (the depth changes for this display object's primary and for surfaces
// made without a format). The refresh rate and flags are not used.
KXP_API HRESULT SetDisplayMode(LPDIRECTDRAW7 dd, DWORD width, DWORD height, DWORD bitsPerPixel,
                               DWORD refreshRate, DWORD flags);
// Creates a surface. desc: size 124; DDSD_CAPS (default off-screen, video
// memory), DDSD_WIDTH and DDSD_HEIGHT (not for the primary), optional
// DDSD_PIXELFORMAT (default: the display's format), DDSD_CKSRCBLT, and for a
// flipping primary DDSD_BACKBUFFERCOUNT 1 with DDSCAPS_FLIP | DDSCAPS_COMPLEX
// (exclusive mode only). Pixels are zero.
KXP_API HRESULT CreateSurface(LPDIRECTDRAW7 dd, DDSURFACEDESC2* desc, LPDIRECTDRAWSURFACE7* surface,
                              std::uint32_t outer);
// IID_IDirect3D7 on a display object gives its Direct3D object (kxp/d3d.h);
// IID_IDirectDraw7 adds a reference to the object itself.
KXP_API HRESULT QueryInterface(std::uint32_t object, REFGUID iid, std::uint32_t* out);

// --- Surfaces -----------------------------------------------------------------
// The back buffer of a flipping chain (caps DDSCAPS_BACKBUFFER), with a reference.
KXP_API HRESULT GetAttachedSurface(LPDIRECTDRAWSURFACE7 surface, DDSCAPS2* caps,
                                   LPDIRECTDRAWSURFACE7* attached);
KXP_API HRESULT GetSurfaceDesc(LPDIRECTDRAWSURFACE7 surface, DDSURFACEDESC2* desc);
KXP_API HRESULT GetPixelFormat(LPDIRECTDRAWSURFACE7 surface, DDPIXELFORMAT* format);
// Locks the surface (or the rectangle, which must lie inside it): desc gets
// the address of the rectangle's first pixel, the pitch, size, caps and pixel
// format. A locked surface, or one whose device context is out, refuses
// another lock, blits, flips and device contexts with DDERR_SURFACEBUSY.
KXP_API HRESULT Lock(LPDIRECTDRAWSURFACE7 surface, RECT* rect, DDSURFACEDESC2* desc, DWORD flags,
                     std::uint32_t event);
KXP_API HRESULT Unlock(LPDIRECTDRAWSURFACE7 surface, RECT* rect);
// Copies (stretching when the rectangles differ in size, nearest pixel) or,
// with DDBLT_COLORFILL, fills with fx->dwFillColor. Null rectangles mean the
// whole surface; rectangles must lie inside their surfaces (except a primary
// destination) and not be empty. DDBLT_KEYSRC skips source pixels within the
// source's colour key. The formats may differ: pixels are converted.
KXP_API HRESULT Blt(LPDIRECTDRAWSURFACE7 dest, RECT* destRect, LPDIRECTDRAWSURFACE7 source,
                    RECT* sourceRect, DWORD flags, DDBLTFX* fx);
// Copies without stretching to (x, y); the copy must lie inside the destination.
KXP_API HRESULT BltFast(LPDIRECTDRAWSURFACE7 dest, DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source,
                        RECT* sourceRect, DWORD flags);
// Swaps the pixels of a flipping primary and its back buffer and shows the new
// front. target: 0 or the back buffer. There is no vertical sync to wait for.
KXP_API HRESULT Flip(LPDIRECTDRAWSURFACE7 surface, LPDIRECTDRAWSURFACE7 target, DWORD flags);
// DDCKEY_SRCBLT (optionally with DDCKEY_COLORSPACE); null key: removes it. The
// values are raw pixel values, compared with the source pixels unconverted.
KXP_API HRESULT SetColorKey(LPDIRECTDRAWSURFACE7 surface, DWORD flags, DDCOLORKEY* key);
KXP_API HRESULT GetColorKey(LPDIRECTDRAWSURFACE7 surface, DWORD flags, DDCOLORKEY* key);
// A device context on the surface for text (kxp/gdi.h); one at a time.
KXP_API HRESULT GetDC(LPDIRECTDRAWSURFACE7 surface, HDC* dc);
KXP_API HRESULT ReleaseDC(LPDIRECTDRAWSURFACE7 surface, HDC dc);

// Reference counts (declared with the input devices as well): 0 for an unknown id.
KXP_API std::uint32_t AddRef(std::uint32_t object);
KXP_API std::uint32_t Release(std::uint32_t object);

} // namespace kxp
