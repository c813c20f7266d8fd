// Images: off-screen surfaces with up to three buffers of one size (a video
// surface, an FX buffer in a bank, a texture surface), made for a screen.
#include <algorithm>
#include <bit>
#include <cstring>

#include "graphics/graphics.h"
#include "kxp/d3d.h"
#include "kxp/ddraw.h"
#include "kxp/heap.h"
#include "memory/banks.h"

namespace kx::graphics {

namespace mem = kx::memory;

namespace {

constexpr std::int32_t kVideo = 1, kFX = 2, kTexture = 4, kSystemMemory = 0x100;

// The texture cache of the 3D drawing path: only its switch is kept here.
bool g_cache_textures = false;

// An image whose screen passes the screen test, or null.
KX_Image* sound_image(std::int32_t handle) {
    KX_Image* i = image_record(handle);
    return i && screen_record(i->Screen) ? i : nullptr;
}

// The first texture format with no luminance or bump flags, no FourCC code,
// the screen's bit count and no alpha channel.
struct FormatChoice {
    kxp::DWORD depth;
    bool found = false;
    kxp::DDPIXELFORMAT format{};
};
kxp::HRESULT choose_format(kxp::DDPIXELFORMAT* f, void* context) {
    auto* c = static_cast<FormatChoice*>(context);
    if ((f->dwFlags & 0xE0000) || (f->dwFlags & kxp::DDPF_FOURCC) || f->dwFourCC != 0 ||
        f->dwRGBBitCount != c->depth || (f->dwFlags & kxp::DDPF_ALPHAPIXELS))
        return kxp::D3DENUMRET_OK;
    c->format = *f;
    c->found = true;
    return kxp::D3DENUMRET_CANCEL;
}

} // namespace

std::uint32_t make_video_surface(const KX_Screen& s, std::int32_t w, std::int32_t h,
                                 std::int32_t flags) noexcept {
    kxp::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = kxp::DDSD_CAPS | kxp::DDSD_HEIGHT | kxp::DDSD_WIDTH;
    d.dwWidth = static_cast<kxp::DWORD>(w);
    d.dwHeight = static_cast<kxp::DWORD>(h);
    d.ddsCaps.dwCaps =
        (flags & kSystemMemory) ? kxp::DDSCAPS_SYSTEMMEMORY : kxp::DDSCAPS_VIDEOMEMORY;
    std::uint32_t surface = 0;
    return kxp::CreateSurface(s.DirectDraw, &d, &surface, 0) == kxp::DD_OK ? surface : 0;
}

std::uint32_t make_texture_surface(const KX_Screen& s, std::int32_t w, std::int32_t h) noexcept {
    FormatChoice choice{static_cast<kxp::DWORD>(s.Size.Depth)};
    if (!s.Direct3DDevice) return 0;
    kxp::EnumTextureFormats(s.Direct3DDevice, &choose_format, &choice);
    if (!choice.found) return 0;
    kxp::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = 0x111007; // caps, height, width, pixel format, source key, texture stage
    d.dwWidth = static_cast<kxp::DWORD>(w);
    d.dwHeight = static_cast<kxp::DWORD>(h);
    d.ddpfPixelFormat = choice.format;
    d.ddsCaps.dwCaps = kxp::DDSCAPS_TEXTURE | kxp::DDSCAPS_VIDEOMEMORY;
    std::uint32_t surface = 0;
    return kxp::CreateSurface(s.DirectDraw, &d, &surface, 0) == kxp::DD_OK ? surface : 0;
}

namespace {

// Makes the FX buffer of an image whose size and screen are set; false when
// the bank cannot be had (the record is then unchanged).
bool make_fx(KX_Image& i, const KX_Screen& s) {
    std::int64_t pitch = row_bytes(i.Size.Width, s.Lock.Format);
    std::int64_t bytes = pitch * i.Size.Height;
    if (pitch < 0 || bytes > INT32_MAX) return false;
    std::int32_t bank = mem::alloc(static_cast<std::uint32_t>(bytes), mem::kRaw);
    if (bank < 1) return false;
    i.FX = {
        1, bank, 0, kxp::addr32(mem::ptr(bank)), static_cast<std::int32_t>(pitch), s.Lock.Format};
    return true;
}

// Releases the buffers of the kinds in mask that the image has.
void release_buffers(std::int32_t handle, std::int32_t mask) {
    KX_Image* i = sound_image(handle);
    if (!i) return;
    if (i->Lock.Locked == 1) unlock(handle);
    auto release = [&](KX_ImageBuffer& b, std::int32_t kind) {
        if (!(mask & kind) || !(i->Type.TypeFlags & kind) || b.Present != 1) return;
        kxp::Release(b.Surface);
        b = {};
    };
    release(i->Video, kVideo);
    if ((mask & kFX) && (i->Type.TypeFlags & kFX)) {
        if (i->FX.Present == 1) mem::free(i->FX.Bank);
        i->FX = {};
    }
    release(i->Texture, kTexture);
}

void fill_black(std::uint32_t surface, const KX_Viewport& v) {
    if (!surface) return;
    kxp::RECT r{v.Left, v.Top, v.Right, v.Bottom};
    kxp::DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    kxp::Blt(surface, &r, 0, nullptr, kxp::DDBLT_COLORFILL, &fx);
}

// A colour 0xRRGGBB as a raw pixel of the surface's format: each channel's
// top bits, as the raster library converts colours. Unchanged when the
// surface's format cannot be had.
std::uint32_t pixel_of_colour(std::uint32_t surface, std::uint32_t colour) {
    kxp::DDPIXELFORMAT pf{};
    pf.dwSize = sizeof pf;
    if (kxp::GetPixelFormat(surface, &pf) != kxp::DD_OK || !(pf.dwFlags & kxp::DDPF_RGB))
        return colour;
    auto channel = [](std::uint32_t value, std::uint32_t mask) -> std::uint32_t {
        if (!mask) return 0;
        int bits = std::min(std::popcount(mask), 8);
        return ((value >> (8 - bits)) << std::countr_zero(mask)) & mask;
    };
    return channel((colour >> 16) & 0xFF, pf.dwRBitMask) |
           channel((colour >> 8) & 0xFF, pf.dwGBitMask) | channel(colour & 0xFF, pf.dwBBitMask);
}

void blit_whole(std::uint32_t to, std::uint32_t from, std::int32_t w, std::int32_t h) {
    if (!to || !from) return;
    kxp::RECT r{0, 0, w, h};
    kxp::Blt(to, &r, from, &r, kxp::DDBLT_ASYNC, nullptr);
}

} // namespace

std::int32_t image_create(std::int32_t screen, std::int32_t width, std::int32_t height,
                          std::int32_t depth, std::int32_t flags) noexcept {
    const KX_Screen* s = screen_record(screen);
    if (!s || !(flags & (kVideo | kFX | kTexture)) || width < 1 || height < 1) return 0;
    std::int64_t pitch = row_bytes(width, s->Lock.Format);
    if (pitch < 0 || pitch * height > INT32_MAX) return 0;

    std::int32_t handle = mem::alloc(sizeof(KX_Image), mem::kImage, 0);
    if (handle < 1) return 0;
    KX_Image* i = image_record(handle);
    i->Size = {width, height, depth};
    i->Screen = screen;
    i->Type.TypeFlags = flags;
    bool ok = true;
    if (flags & kVideo) {
        i->Video.Surface = make_video_surface(*s, width, height, flags);
        i->Video.Present = i->Video.Surface ? 1 : 0;
        ok = i->Video.Present == 1;
    }
    if (ok && (flags & kFX)) {
        ok = make_fx(*i, *s);
        i = image_record(handle);
    }
    if (ok && (flags & kTexture)) {
        i->Texture.Surface = make_texture_surface(*s, width, height);
        i->Texture.Present = i->Texture.Surface ? 1 : 0;
        ok = i->Texture.Present == 1;
    }
    if (!ok) { // nothing made is kept
        release_buffers(handle, kVideo | kFX | kTexture);
        mem::free(handle);
        return 0;
    }
    i->Type.RenderTo = (flags & kTexture) ? kTexture : (flags & kFX) ? kFX : kVideo;
    i->InUse = 1;
    i->DirectDraw = s->DirectDraw;
    image_mask_colour(handle, 0);
    set_viewport(handle, 0, 0, width, height);
    i->Lock.Format = s->Lock.Format;
    fill_black(i->Video.Surface, i->Viewport);
    fill_black(i->Texture.Surface, i->Viewport);
    return handle;
}

std::int32_t image_delete(std::int32_t handle) noexcept {
    KX_Image* i = sound_image(handle);
    if (!i) return 0;
    if (current_handle() == handle) set_current(i->Screen);
    release_buffers(handle, kVideo | kFX | kTexture);
    mem::free(handle);
    return 1;
}

std::int32_t image_clone(std::int32_t source) noexcept {
    const KX_Image* s = sound_image(source);
    if (!s) return -1;
    std::int32_t copy =
        image_create(s->Screen, s->Size.Width, s->Size.Height, s->Size.Depth, s->Type.TypeFlags);
    if (copy < 1) return copy;
    s = image_record(source);
    KX_Image* c = image_record(copy);
    std::int32_t w = s->Size.Width, h = s->Size.Height;
    if (s->Type.TypeFlags & kVideo) blit_whole(c->Video.Surface, s->Video.Surface, w, h);
    if ((s->Type.TypeFlags & kFX) && s->FX.Present == 1 && c->FX.Present == 1)
        std::memcpy(mem::ptr(c->FX.Bank), mem::ptr(s->FX.Bank),
                    std::min(mem::size(c->FX.Bank), mem::size(s->FX.Bank)));
    if (s->Type.TypeFlags & kTexture) blit_whole(c->Texture.Surface, s->Texture.Surface, w, h);
    image_mask_colour(copy, s->MaskColour);
    c->Type.RenderTo = s->Type.RenderTo;
    return copy;
}

// The first form of cloning: the record copied word for word, with a video
// surface of its own. The copy also gets an FX bank and a texture of its own,
// so that deleting one image never releases the other's buffers.
std::int32_t image_clone_original(std::int32_t source) noexcept {
    if (!sound_image(source)) return 0;
    std::int32_t copy = image_clone(source);
    if (copy < 1) return 0;
    const KX_Image* s = image_record(source);
    KX_Image* c = image_record(copy);
    c->InUse = s->InUse;
    std::memcpy(c->Reserved40, s->Reserved40, sizeof c->Reserved40);
    std::memcpy(c->Reserved100, s->Reserved100, sizeof c->Reserved100);
    c->Viewport = s->Viewport;
    return copy;
}

void image_sync(std::int32_t handle, std::int32_t from, std::int32_t to) noexcept {
    KX_Image* i = sound_image(handle);
    if (!i || !(from & kVideo) || !(to & kFX) || i->Video.Present != 1 || i->FX.Present != 1)
        return;
    kxp::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (kxp::Lock(i->Video.Surface, nullptr, &d, kxp::DDLOCK_WAIT, 0) != kxp::DD_OK) return;
    const kxp::DDPIXELFORMAT& pf = d.ddpfPixelFormat;
    std::int32_t format = pf.dwRGBBitCount == 16   ? (pf.dwGBitMask == 0x7E0   ? KX_FORMAT_565
                                                      : pf.dwGBitMask == 0x3E0 ? KX_FORMAT_555
                                                                               : KX_FORMAT_OTHER)
                          : pf.dwRGBBitCount == 24 ? KX_FORMAT_24
                          : pf.dwRGBBitCount == 32 ? KX_FORMAT_32
                                                   : KX_FORMAT_OTHER;
    std::int32_t w = std::min<std::int32_t>(i->Size.Width, static_cast<std::int32_t>(d.dwWidth));
    std::int32_t h = std::min<std::int32_t>(i->Size.Height, static_cast<std::int32_t>(d.dwHeight));
    raster_set_source(d.lpSurface, d.lPitch, format, static_cast<std::int32_t>(d.dwWidth),
                      static_cast<std::int32_t>(d.dwHeight));
    raster_set_buffer(i->FX.Pixels, i->FX.Pitch, i->FX.Format);
    raster_set_viewport({0, 0, w, h});
    raster_blit(0, 0, w, h, 0, 0, i->MaskColour, 0);
    kxp::Unlock(i->Video.Surface, nullptr);
    set_current(current_handle());
}

std::int32_t image_prepare_fx(std::int32_t handle) noexcept {
    KX_Image* i = image_record(handle);
    if (!i) return 0;
    std::int32_t result = 0;
    if (const KX_Screen* s = screen_record(i->Screen)) {
        if (current_handle() == handle) set_current(i->Screen);
        if (i->FX.Present == 0) {
            if (!make_fx(*i, *s)) return 0;
            i = image_record(handle);
        }
        if (i->Type.RenderTo & kVideo) image_sync(handle, kVideo, kFX);
        if (i->Type.RenderTo & kTexture) image_sync(handle, kTexture, kFX);
        release_buffers(handle, kVideo | kTexture);
        i->Type.TypeFlags = kFX;
        i->Type.RenderTo = kFX;
        result = 1;
    }
    set_current(current_handle());
    return result;
}

std::int32_t image_mask_colour(std::int32_t handle, std::uint32_t colour) noexcept {
    KX_Image* i = image_record(handle);
    if (!i) return 0;
    // The key is a raw pixel value: the colour in the surface's own format, as
    // the raster library compares it, so both roads skip the same pixels.
    auto set_key = [colour](std::uint32_t surface) {
        std::uint32_t raw = pixel_of_colour(surface, colour);
        kxp::DDCOLORKEY key{raw, raw};
        kxp::SetColorKey(surface, kxp::DDCKEY_SRCBLT, &key);
    };
    if (i->Video.Present != 0) set_key(i->Video.Surface);
    if (i->Texture.Present != 0) set_key(i->Texture.Surface);
    i->MaskColour = colour;
    return 1;
}

void image_render_to(std::int32_t handle, std::int32_t kind) noexcept {
    KX_Image* i = image_record(handle);
    if (!i || (kind != kVideo && kind != kFX && kind != kTexture) || !(i->Type.TypeFlags & kind))
        return;
    if (i->Lock.Locked == 1) unlock(handle);
    i->Type.RenderTo = kind;
    if (current_handle() == handle) set_current(handle);
}

std::int32_t cache_textures(std::int32_t on) noexcept {
    g_cache_textures = on != 0;
    return on;
}

} // namespace kx::graphics
