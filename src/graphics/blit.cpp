// Blits: images onto the current surface (plain, keyed, with a textured blend,
// as a grid or tiled over the viewport), rectangles between any two surfaces,
// and rotated and scaled images.
//
// Two roads: DirectDraw blits when both sides are DirectDraw surfaces (video
// or texture buffers), the raster library when either side is an FX buffer.
// Both clip to the same rectangle, cut the source to the image and skip the
// same keyed pixels (the colour key holds the mask colour in the surface's
// format), so they draw the same pixels. Rectangle arithmetic is done in 64
// bits: positions and sizes come from the program.
#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kxp/d3d.h"
#include "kxp/ddraw.h"
#include "kxp/heap.h"
#include "memory/banks.h"

namespace kx::graphics {

namespace mem = kx::memory;

namespace {

using i64 = std::int64_t;
constexpr std::int32_t kVideo = 1, kFX = 2, kTexture = 4;

struct Rect {
    i64 l = 0, t = 0, r = 0, b = 0;
    bool empty() const { return r <= l || b <= t; }
};

// The rectangles of the last image blit, handed to DirectDraw by address.
kxp::RECT g_src_rect, g_dst_rect;

// The corners of the rotated blit for the 3D device: top-left, top-right,
// bottom-left, bottom-right (the order of a triangle strip).
kxp::D3DTLVERTEX g_corners[4];

kxp::RECT to_rect(const Rect& r) {
    return {static_cast<std::int32_t>(r.l), static_cast<std::int32_t>(r.t),
            static_cast<std::int32_t>(r.r), static_cast<std::int32_t>(r.b)};
}

// The size of the pixels behind a surface's drawing buffer: its recorded size,
// cut to the DirectDraw surface or FX bank that holds them.
void buffer_size(const Surface& s, i64& w, i64& h) {
    w = std::max(0, s.size->Width);
    h = std::max(0, s.size->Height);
    if (s.image && s.type->RenderTo == kFX) {
        const KX_FXRecord& fx = s.image->FX;
        i64 bpp = bytes_per_pixel(fx.Format);
        if (fx.Present != 1 || fx.Pitch <= 0 || mem::ptr(fx.Bank) != kxp::ptr<void>(fx.Pixels)) {
            w = h = 0;
            return;
        }
        w = std::min<i64>(w, fx.Pitch / bpp);
        h = std::min<i64>(h, mem::size(fx.Bank) / fx.Pitch);
        return;
    }
    kxp::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    std::uint32_t gfx = gfx_surface(s);
    if (!gfx || kxp::GetSurfaceDesc(gfx, &d) != kxp::DD_OK) {
        w = h = 0;
        return;
    }
    w = std::min<i64>(w, d.dwWidth);
    h = std::min<i64>(h, d.dwHeight);
}

// The rectangle a surface may be drawn in: its viewport cut to its buffer.
Rect clip_of(const Surface& s) {
    i64 w, h;
    buffer_size(s, w, h);
    const KX_Viewport& v = *s.viewport;
    return {std::max<i64>(v.Left, 0), std::max<i64>(v.Top, 0), std::min<i64>(v.Right, w),
            std::min<i64>(v.Bottom, h)};
}

void set_clip(const Rect& c) {
    raster_set_viewport({static_cast<std::int32_t>(c.l), static_cast<std::int32_t>(c.t),
                         static_cast<std::int32_t>(c.r), static_cast<std::int32_t>(c.b)});
}

// Hands a locked surface to the raster library as the blit source.
void set_source(const Surface& s) {
    i64 w, h;
    buffer_size(s, w, h);
    raster_set_source(s.lock->Pixels, s.lock->Pitch, s.lock->Format, static_cast<std::int32_t>(w),
                      static_cast<std::int32_t>(h));
}

// The image's FX buffer as the blit source; false when it has none.
bool set_fx_source(std::int32_t image) {
    const KX_Image* i = image_record(image);
    if (!i || i->FX.Present != 1) return false;
    Surface s = surface(image);
    KX_ImageType fx_type{i->Type.TypeFlags, kFX};
    s.type = &fx_type; // measure the FX buffer whatever RenderTo says
    i64 w, h;
    buffer_size(s, w, h);
    raster_set_source(i->FX.Pixels, i->FX.Pitch, i->FX.Format, static_cast<std::int32_t>(w),
                      static_cast<std::int32_t>(h));
    return true;
}

// Locks a surface for the length of a scope if it is not locked yet.
class ScopedLock {
  public:
    explicit ScopedLock(std::int32_t handle) noexcept : handle_(handle) {
        Surface s = surface(handle);
        if (s && s.lock->Locked == 0) locked_here_ = lock(handle) == 1;
    }
    ~ScopedLock() {
        if (locked_here_) unlock(handle_);
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    std::int32_t handle_;
    bool locked_here_ = false;
};

bool locked(const Surface& s) {
    return s && s.lock->Locked == 1 && s.lock->Pixels != 0;
}

// The viewport test of the image blits: false when the w x h rectangle at
// (x, y) lies wholly outside (touching an edge is not outside).
bool visible(const Rect& v, i64 x, i64 y, i64 w, i64 h) {
    return !(x > v.r || y > v.b || x + w < v.l || y + h < v.t);
}

// Clips the destination d to the viewport v, moving the source s with it;
// true when any edge reached or crossed the viewport's.
bool clip(Rect& s, Rect& d, const Rect& v) {
    bool clipped = false;
    if (d.r >= v.r) {
        s.r -= d.r - v.r;
        d.r = v.r;
        clipped = true;
    }
    if (d.l < v.l) {
        s.l += v.l - d.l;
        d.l = v.l;
        clipped = true;
    }
    if (d.b >= v.b) {
        s.b -= d.b - v.b;
        d.b = v.b;
        clipped = true;
    }
    if (d.t < v.t) {
        s.t += v.t - d.t;
        d.t = v.t;
        clipped = true;
    }
    return clipped;
}

// Cuts the source s to a w x h source, moving the destination d with it, as
// the raster library cuts its source rectangles. True when it cut anything.
bool cut_to_source(Rect& s, Rect& d, i64 w, i64 h) {
    bool cut = false;
    if (s.l < 0) {
        d.l -= s.l;
        s.l = 0;
        cut = true;
    }
    if (s.t < 0) {
        d.t -= s.t;
        s.t = 0;
        cut = true;
    }
    if (s.r > w) {
        d.r -= s.r - w;
        s.r = w;
        cut = true;
    }
    if (s.b > h) {
        d.b -= s.b - h;
        s.b = h;
        cut = true;
    }
    return cut;
}

// The raster road of the image blits: the image's FX buffer onto the current
// surface at (x, y), the unclipped source rectangle handed on as given.
void software_blit(const KX_Image& i, std::int32_t image, const Rect& src, std::int32_t x,
                   std::int32_t y, std::int32_t transparent) {
    DrawTarget target;
    if (!target.ok()) return;
    std::uint32_t mask = i.MaskColour;
    if (!set_fx_source(image)) return;
    set_clip(clip_of(target.surface()));
    raster_blit(static_cast<std::int32_t>(src.l), static_cast<std::int32_t>(src.t),
                static_cast<std::int32_t>(src.r), static_cast<std::int32_t>(src.b), x, y, mask,
                transparent);
}

// The DirectDraw road: the clipped rectangles from the image's video or
// texture surface to the current surface's gfx surface.
void directdraw_blit(const Surface& target, const KX_Image& i, Rect s, Rect d, bool clipped,
                     std::int32_t transparent) {
    std::uint32_t source = i.Type.RenderTo == kVideo ? i.Video.Surface : i.Texture.Surface;
    std::uint32_t dest = gfx_surface(target);
    if (cut_to_source(s, d, std::max(0, i.Size.Width), std::max(0, i.Size.Height))) clipped = true;
    if (!source || !dest || s.empty() || d.empty()) return;
    g_src_rect = to_rect(s);
    g_dst_rect = to_rect(d);
    bool keyed = transparent == 1;
    if (clipped) {
        kxp::DWORD flags = kxp::DDBLT_WAIT | kxp::DDBLT_ASYNC | (keyed ? kxp::DDBLT_KEYSRC : 0);
        kxp::Blt(dest, &g_dst_rect, source, &g_src_rect, flags, nullptr);
        return;
    }
    kxp::DWORD flags = kxp::DDBLTFAST_WAIT;
    if (keyed)
        flags = i.Type.RenderTo == kVideo ? kxp::DDBLTFAST_SRCCOLORKEY
                                          : kxp::DDBLTFAST_SRCCOLORKEY | kxp::DDBLTFAST_WAIT;
    kxp::BltFast(dest, static_cast<kxp::DWORD>(d.l), static_cast<kxp::DWORD>(d.t), source,
                 &g_src_rect, flags);
}

// KX_ImageBlt and KX_ImageBltRect: the source rectangle src of the image at
// (x, y) on the current surface.
std::int32_t blit_rect(std::int32_t image, const Rect& src, i64 x, i64 y,
                       std::int32_t transparent) {
    const KX_Image* i = image_record(image);
    Surface target = current();
    if (!i || !target) return 0;
    Rect v = clip_of(target);
    i64 w = src.r - src.l, h = src.b - src.t;
    if (!visible(v, x, y, w, h)) return 0;
    Rect s = src, d{x, y, x + w, y + h};
    bool clipped = clip(s, d, v);
    // Visible positions lie within a source width of the viewport, so they fit.
    std::int32_t x32 = static_cast<std::int32_t>(std::clamp<i64>(x, INT32_MIN, INT32_MAX));
    std::int32_t y32 = static_cast<std::int32_t>(std::clamp<i64>(y, INT32_MIN, INT32_MAX));
    std::int32_t kind = i->Type.RenderTo;
    switch (target.type->RenderTo) {
    case kVideo:
        if (kind == kVideo || kind == kTexture)
            directdraw_blit(target, *i, s, d, clipped, transparent);
        else if (kind == kFX)
            software_blit(*i, image, src, x32, y32, transparent);
        break;
    case kFX:
        if (kind == kVideo || kind == kFX || kind == kTexture)
            software_blit(*i, image, src, x32, y32, transparent);
        break;
    default: break;
    }
    return 1;
}

Rect whole(const KX_Image& i) {
    return {0, 0, i.Size.Width, i.Size.Height};
}

// Truncates toward zero, saturating at the 32-bit limits; false for NaN.
bool to_int(float f, i64& out) {
    if (std::isnan(f)) return false;
    double t = std::trunc(static_cast<double>(f));
    out = static_cast<i64>(std::clamp(t, double(INT32_MIN), double(INT32_MAX)));
    return true;
}

// The rotated blit through the 3D device of the image's screen.
void device_blit(const KX_Image& i, std::int32_t alpha, std::int32_t transparent) {
    const KX_Screen* screen = screen_record(i.Screen);
    kxp::LPDIRECT3DDEVICE7 dev = screen ? screen->Direct3DDevice : 0;
    if (!dev || i.Texture.Present != 1 || !i.Texture.Surface) return;
    kxp::SetRenderState(dev, kxp::D3DRENDERSTATE_COLORKEYENABLE, transparent == 1 ? 1 : 0);
    kxp::DWORD vertex_alpha = 255;
    if (alpha >= 255) {
        kxp::SetRenderState(dev, kxp::D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    } else {
        kxp::SetRenderState(dev, kxp::D3DRENDERSTATE_ALPHABLENDENABLE, 1);
        kxp::SetRenderState(dev, kxp::D3DRENDERSTATE_SRCBLEND, kxp::D3DBLEND_SRCALPHA);
        kxp::SetRenderState(dev, kxp::D3DRENDERSTATE_DESTBLEND, kxp::D3DBLEND_INVSRCALPHA);
        kxp::SetTextureStageState(dev, 0, kxp::D3DTSS_ALPHAOP, kxp::D3DTOP_SELECTARG2);
        vertex_alpha = static_cast<kxp::DWORD>(alpha);
    }
    const float tex[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int k = 0; k < 4; ++k) {
        g_corners[k].sz = 0;
        g_corners[k].rhw = 0;
        g_corners[k].color = vertex_alpha * 0x1000000u + 0xFFFFFFu;
        g_corners[k].specular = 0;
        g_corners[k].tu = tex[k][0];
        g_corners[k].tv = tex[k][1];
    }
    kxp::SetTextureStageState(dev, 0, kxp::D3DTSS_MINFILTER, kxp::D3DTFN_LINEAR);
    kxp::SetTextureStageState(dev, 0, kxp::D3DTSS_MAGFILTER, kxp::D3DTFG_LINEAR);
    kxp::SetTexture(dev, 0, i.Texture.Surface);
    if (kxp::BeginScene(dev) == kxp::D3D_OK) {
        kxp::DrawPrimitive(dev, kxp::D3DPT_TRIANGLESTRIP, kxp::D3DFVF_TLVERTEX, g_corners, 4, 0);
        kxp::EndScene(dev);
    }
    kxp::SetTexture(dev, 0, 0);
    kxp::SetTextureStageState(dev, 0, kxp::D3DTSS_MINFILTER, kxp::D3DTFN_POINT);
    kxp::SetTextureStageState(dev, 0, kxp::D3DTSS_MAGFILTER, kxp::D3DTFG_POINT);
}

// The rotated blit through the raster library's textured quad, with the
// lock protocol of the textured primitives.
void quad_blit(std::int32_t image, const i64 x[4], const i64 y[4], std::int32_t alpha,
               std::int32_t transparent) {
    const KX_Image* i = image_record(image);
    std::int32_t w = i->Size.Width, h = i->Size.Height;
    if (w < 1 || h < 1) return;
    std::uint32_t mask = i->MaskColour;
    DrawTarget target;
    ScopedLock image_lock(image);
    Surface texture = surface(image);
    if (!target.ok() || !locked(texture)) return;
    set_clip(clip_of(target.surface()));
    set_source(texture);
    auto c = [](i64 v) { return static_cast<std::int32_t>(v); };
    // Corners around the quad: top-left, top-right, bottom-right, bottom-left.
    raster().VGFX_QuadT(c(x[0]), c(y[0]), 0, 0, c(x[1]), c(y[1]), w - 1, 0, c(x[3]), c(y[3]), w - 1,
                        h - 1, c(x[2]), c(y[2]), 0, h - 1, transparent == 1 ? 1 : 0, mask, alpha,
                        0);
}

} // namespace

std::int32_t image_blt(std::int32_t image, std::int32_t x, std::int32_t y,
                       std::int32_t transparent) noexcept {
    const KX_Image* i = image_record(image);
    return i ? blit_rect(image, whole(*i), x, y, transparent) : 0;
}

std::int32_t image_blt_rect(std::int32_t image, const std::int32_t* rect, std::int32_t x,
                            std::int32_t y, std::int32_t transparent) noexcept {
    if (!rect) return 0;
    return blit_rect(image, Rect{rect[0], rect[1], rect[2], rect[3]}, x, y, transparent);
}

std::int32_t image_blt_fx(std::int32_t image, std::int32_t x, std::int32_t y, std::int32_t fx1,
                          std::int32_t fx2, std::int32_t fx3, std::int32_t fx4,
                          std::int32_t fx5) noexcept {
    const KX_Image* i = image_record(image);
    Surface target = current();
    if (!i || !target) return 0;
    Rect v = clip_of(target);
    std::int32_t w = i->Size.Width, h = i->Size.Height;
    if (!visible(v, x, y, w, h)) return 0;
    std::int32_t kind = i->Type.RenderTo;
    if ((target.type->RenderTo != kVideo && target.type->RenderTo != kFX) ||
        (kind != kVideo && kind != kFX && kind != kTexture))
        return 1;
    std::uint32_t mask = i->MaskColour;
    DrawTarget dest;
    set_clip(v);
    ScopedLock image_lock(image);
    Surface source = surface(image);
    if (!dest.ok() || !locked(source)) return 1;
    set_source(source);
    // The blend buffer is the blit FX surface's, or none (so that no buffer of
    // an earlier call is read).
    std::int32_t blend_handle = blit_fx_handle();
    ScopedLock blend_lock(blend_handle);
    Surface blend = surface(blend_handle);
    if (locked(blend)) {
        i64 bw, bh;
        buffer_size(blend, bw, bh);
        raster().VGFX_SetSrcBlendBuffer(kxp::ptr<void>(blend.lock->Pixels), blend.lock->Pitch,
                                        blend.lock->Format);
        raster().VGFX_SetSrcBlendSize(static_cast<std::int32_t>(bw), static_cast<std::int32_t>(bh));
    } else {
        raster().VGFX_SetSrcBlendBuffer(nullptr, 0, -1);
        raster().VGFX_SetSrcBlendSize(0, 0);
    }
    raster().VGFX_BlitFX(0, 0, w, h, x, y, fx1, mask, static_cast<std::uint32_t>(fx2),
                         static_cast<std::uint32_t>(fx3), fx4, fx5);
    return 1;
}

void image_blt_grid(std::int32_t image, std::int32_t x, std::int32_t y, std::int32_t across,
                    std::int32_t down, std::int32_t transparent) noexcept {
    const KX_Image* i = image_record(image);
    Surface target = current();
    if (across < 1 || down < 1 || !i || !target) return;
    Rect v = clip_of(target);
    i64 w = i->Size.Width, h = i->Size.Height;
    if (x >= v.r || y >= v.b || x + w * across <= v.l || y + h * down <= v.t) return;
    if (w < 1 || h < 1) return; // copies of an empty image draw nothing
    // Only the copies that can reach the viewport (the others are refused by
    // the viewport test), so a huge grid costs no more than a visible one.
    auto first = [](i64 start, i64 size, i64 low) {
        return std::max<i64>(0, (low - size - start) / size);
    };
    auto last = [](i64 start, i64 size, i64 high, i64 count) {
        return std::min<i64>(count - 1, (high - start) / size);
    };
    for (i64 row = first(y, h, v.t); row <= last(y, h, v.b, down); ++row)
        for (i64 col = first(x, w, v.l); col <= last(x, w, v.r, across); ++col)
            blit_rect(image, whole(*image_record(image)), x + col * w, y + row * h, transparent);
}

void image_blt_tile(std::int32_t image, std::int32_t x, std::int32_t y,
                    std::int32_t transparent) noexcept {
    const KX_Image* i = image_record(image);
    Surface target = current();
    if (!i || !target || i->Size.Width == 0 || i->Size.Height == 0) return;
    i64 w = i->Size.Width, h = i->Size.Height;
    if (w < 0 || h < 0) return; // nothing to draw, and the steps would not advance
    Rect v = clip_of(target);
    i64 ox = x % w, oy = y % h;
    for (i64 row = v.t + oy - h; row < v.b + 1; row += h)
        for (i64 col = v.l + ox - w; col < v.r + 1; col += w)
            blit_rect(image, whole(*image_record(image)), col, row, transparent);
}

void surface_copy_rect(std::int32_t source, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                       std::int32_t y2, std::int32_t dest, std::int32_t dx, std::int32_t dy,
                       std::int32_t transparent) noexcept {
    if (source == -1) source = current_handle();
    if (dest == -1) dest = current_handle();
    Surface s = surface(source), d = surface(dest);
    if (!s || !d) return;
    Rect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    Rect p{dx, dy, dx + (r.r - r.l), dy + (r.b - r.t)};
    Rect v = clip_of(d);
    if (!(p.l > v.r || p.r < v.l || p.t > v.b || p.b < v.t)) {
        clip(r, p, v);
        i64 sw, sh;
        buffer_size(s, sw, sh);
        // The destination shrinks with the source, so that no road stretches.
        cut_to_source(r, p, sw, sh);
        std::int32_t pair = s.type->RenderTo * 256 + d.type->RenderTo;
        if (!r.empty() && !p.empty()) switch (pair) {
            case 0x101:
            case 0x104:
            case 0x401:
            case 0x404: {
                std::uint32_t from = gfx_surface(s), to = gfx_surface(d);
                if (!from || !to) break;
                kxp::RECT pr = to_rect(p), rr = to_rect(r);
                kxp::DWORD flags = kxp::DDBLT_ASYNC | (transparent == 1 ? kxp::DDBLT_KEYSRC : 0);
                kxp::Blt(to, &pr, from, &rr, flags, nullptr);
                break;
            }
            case 0x102:
            case 0x201:
            case 0x202:
            case 0x204:
            case 0x402:
                // Both surfaces end unlocked, whoever locked them.
                lock(source);
                lock(dest);
                if (locked(s) && locked(d)) {
                    set_source(s);
                    set_clip(p);
                    raster_set_buffer(d.lock->Pixels, d.lock->Pitch, d.lock->Format);
                    raster_blit(static_cast<std::int32_t>(r.l), static_cast<std::int32_t>(r.t),
                                static_cast<std::int32_t>(r.r), static_cast<std::int32_t>(r.b),
                                static_cast<std::int32_t>(p.l), static_cast<std::int32_t>(p.t), 0,
                                0);
                }
                unlock(source);
                unlock(dest);
                break;
            default: break;
            }
    }
    set_current(current_handle());
}

std::int32_t image_blt_rot(std::int32_t image, std::int32_t x, std::int32_t y, float angle,
                           float scale_x, float scale_y, float offset_x, float offset_y,
                           std::int32_t alpha, std::int32_t transparent) noexcept {
    if (alpha < 1) return 1;
    const KX_Image* i = image_record(image);
    Surface target = current();
    if (!i || !target) return 0;
    float w = static_cast<float>(i->Size.Width), h = static_cast<float>(i->Size.Height);
    double theta = static_cast<double>(angle) * 0.017453292519444445;
    float c = static_cast<float>(std::cos(theta)), s = static_cast<float>(std::sin(theta));
    // Single precision throughout (this file is built without contraction into
    // fused multiply-adds), so quarter turns land on whole pixels.
    const float corner[4][2] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    i64 px[4], py[4];
    for (int k = 0; k < 4; ++k) {
        float a = (offset_x + corner[k][0]) * scale_x;
        float b = (offset_y + corner[k][1]) * scale_y;
        float ac = a * c, bs = b * s, as = a * s, bc = b * c;
        g_corners[k].sx = ac - bs + fx;
        g_corners[k].sy = as + bc + fy;
        if (!to_int(g_corners[k].sx, px[k]) || !to_int(g_corners[k].sy, py[k])) return 0;
    }
    Rect v = clip_of(target);
    if (*std::min_element(px, px + 4) > v.r || *std::min_element(py, py + 4) > v.b ||
        *std::max_element(px, px + 4) < v.l || *std::max_element(py, py + 4) < v.t)
        return 0;
    if (target.type->RenderTo != kVideo) return 1;
    switch (i->Type.RenderTo) {
    case kVideo:
    case kFX: quad_blit(image, px, py, alpha, transparent); break;
    case kTexture: device_blit(*i, alpha, transparent); break;
    default: break;
    }
    return 1;
}

} // namespace kx::graphics
