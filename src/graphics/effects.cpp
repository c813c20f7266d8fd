// Image effects: whole-viewport changes of a surface in place. Fade, grey,
// mirror, channel masks, light and phong maps are the raster library's; the
// blur, the scroll and the resize are done here.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kxp/ddraw.h"
#include "kxp/heap.h"
#include "memory/banks.h"

namespace kx::graphics {

namespace mem = kx::memory;

namespace {

using i64 = std::int64_t;

// Makes a surface current for the length of an effect and the remembered one
// current again afterwards (which also gives the raster library its viewport).
class CurrentFor {
  public:
    explicit CurrentFor(std::int32_t handle) : saved_(current_handle()) { set_current(handle); }
    ~CurrentFor() { set_current(saved_); }
    CurrentFor(const CurrentFor&) = delete;
    CurrentFor& operator=(const CurrentFor&) = delete;

  private:
    std::int32_t saved_;
};

bool drawable_kind(std::int32_t render_to) {
    return render_to == 1 || render_to == 2 || render_to == 4;
}

} // namespace

void effect(std::int32_t handle, Effect kind, const std::int32_t (&a)[5]) noexcept {
    Surface s = surface(handle);
    if (!s) return;
    CurrentFor selected(handle);
    if (!drawable_kind(s.type->RenderTo)) return;
    DrawTarget target;
    if (!target.ok()) return;
    const auto* rect = &s.viewport->Left;
    const RasterTable& r = raster();
    switch (kind) {
    case Effect::Fade: r.VGFX_FillRect_Fade(rect, a[0]); break;
    case Effect::GreyScale: r.VGFX_FillRect_GreyScale(rect); break;
    case Effect::Mirror: r.VGFX_MirrorRect(rect, a[0], a[1]); break;
    case Effect::RGBMask: {
        const KX_Viewport v = *s.viewport;
        r.VGFX_Box(v.Left, v.Top, v.Right, v.Bottom, std::uint32_t(a[0]), a[1]);
        break;
    }
    case Effect::PhongMap:
        r.VGFX_FillRect_PhongMap(rect, a[0], a[1], a[2], std::uint32_t(a[3]), a[4]);
        break;
    case Effect::Light: r.VGFX_FillRect_Light(rect, a[0], a[1], a[2], std::uint32_t(a[3])); break;
    }
}

// ---- Blur ------------------------------------------------------------------------------------

void blur(std::int32_t handle, float divisor) noexcept {
    if (divisor == 0.0f || std::isnan(divisor)) return;
    divisor = std::clamp(divisor, -255.0f, 255.0f);
    Surface s = surface(handle);
    if (!s) return;
    CurrentFor selected(handle);
    DrawTarget target;
    if (!target.ok()) return;
    // The viewport as far as it lies on the surface (a host may have written
    // it beyond).
    const KX_Viewport v = *s.viewport;
    const std::int32_t left = std::max(v.Left, 0), top = std::max(v.Top, 0);
    const std::int32_t right = std::min(v.Right, s.size->Width);
    const std::int32_t bottom = std::min(v.Bottom, s.size->Height);
    if (left >= right || top >= bottom) return;
    // The copy: rows of `right` pixels, row y at position y.
    const i64 bytes = i64(right) * 4 * bottom + 1;
    if (bytes > INT32_MAX) return;
    const std::int32_t bank = mem::alloc(static_cast<std::uint32_t>(bytes), mem::kRaw);
    if (bank < 1) return;
    auto* copy = static_cast<std::uint32_t*>(mem::ptr(bank));
    auto row = [&](std::int32_t y) { return copy + i64(y) * right; };
    for (std::int32_t y = top; y < bottom; ++y)
        raster().VGFX_PeekPixelStrip(left, right, y, row(y));

    // Sums of three neighbouring columns for the three rows around y, each
    // channel on its own; neighbours wrap around the viewport.
    const std::int32_t w = right - left;
    auto* across = static_cast<std::int32_t*>(kxp::heap::alloc(std::size_t(w) * 9 * 4));
    if (!across) {
        mem::free(bank);
        return;
    }
    auto horizontal = [&](std::int32_t y, std::int32_t* out) {
        const std::uint32_t* p = row(y);
        for (std::int32_t x = left; x < right; ++x) {
            std::uint32_t a = p[x == left ? right - 1 : x - 1], b = p[x],
                          c = p[x == right - 1 ? left : x + 1];
            std::int32_t* o = out + std::size_t(x - left) * 3;
            o[0] = std::int32_t((a >> 16 & 255) + (b >> 16 & 255) + (c >> 16 & 255));
            o[1] = std::int32_t((a >> 8 & 255) + (b >> 8 & 255) + (c >> 8 & 255));
            o[2] = std::int32_t((a & 255) + (b & 255) + (c & 255));
        }
    };
    auto channel = [&](std::int32_t sum) {
        float q = float(sum) / divisor;
        return std::uint32_t(std::clamp(std::int32_t(q), 0, 255));
    };
    std::int32_t* rows[3] = {across, across + i64(w) * 3, across + i64(w) * 6};
    for (std::int32_t y = top; y < bottom; ++y) {
        horizontal(y == top ? bottom - 1 : y - 1, rows[0]);
        horizontal(y, rows[1]);
        horizontal(y == bottom - 1 ? top : y + 1, rows[2]);
        for (std::int32_t x = left; x < right; ++x) {
            std::size_t k = std::size_t(x - left) * 3;
            std::uint32_t red = channel(rows[0][k] + rows[1][k] + rows[2][k]);
            std::uint32_t green = channel(rows[0][k + 1] + rows[1][k + 1] + rows[2][k + 1]);
            std::uint32_t blue = channel(rows[0][k + 2] + rows[1][k + 2] + rows[2][k + 2]);
            raster().VGFX_FastDot(x, y, red << 16 | green << 8 | blue, 1);
        }
    }
    kxp::heap::free(across);
    mem::free(bank);
}

// ---- Scroll ----------------------------------------------------------------------------------

namespace {

// Draws image at (x, y) on the current surface, clipped to its viewport, as
// the image blit does: DirectDraw between video and texture buffers, the
// raster library when either side is an FX buffer.
void blit_onto_current(std::int32_t image, std::int32_t x, std::int32_t y,
                       std::int32_t transparent) {
    Surface d = current();
    const KX_Image* i = image_record(image);
    if (!d || !i) return;
    const KX_Viewport v = *d.viewport;
    const std::int32_t w = i->Size.Width, h = i->Size.Height;
    const std::int32_t from = i->Type.RenderTo, to = d.type->RenderTo;
    if (to == 1 && (from == 1 || from == 4)) {
        // Clip both rectangles to the viewport.
        i64 dl = x, dt = y, dr = i64(x) + w, db = i64(y) + h, sl = 0, st = 0;
        if (dl < v.Left) sl += v.Left - dl, dl = v.Left;
        if (dt < v.Top) st += v.Top - dt, dt = v.Top;
        dr = std::min<i64>(dr, v.Right);
        db = std::min<i64>(db, v.Bottom);
        if (dl >= dr || dt >= db) return;
        kxp::RECT dst{std::int32_t(dl), std::int32_t(dt), std::int32_t(dr), std::int32_t(db)};
        kxp::RECT src{std::int32_t(sl), std::int32_t(st), std::int32_t(sl + (dr - dl)),
                      std::int32_t(st + (db - dt))};
        kxp::DWORD flags = kxp::DDBLT_WAIT | kxp::DDBLT_ASYNC;
        if (transparent == 1) flags |= kxp::DDBLT_KEYSRC;
        kxp::Blt(gfx_surface(d), &dst, from == 1 ? i->Video.Surface : i->Texture.Surface, &src,
                 flags, nullptr);
        return;
    }
    if ((to == 1 && from == 2) || (to == 2 && drawable_kind(from))) {
        if (i->FX.Present != 1) return;
        DrawTarget target;
        if (!target.ok()) return;
        raster_set_viewport(v);
        raster_set_source(i->FX.Pixels, i->FX.Pitch, i->FX.Format, w, h);
        raster_blit(0, 0, w, h, x, y, i->MaskColour, transparent);
    }
}

} // namespace

void scroll(std::int32_t handle, std::int32_t dx, std::int32_t dy, std::int32_t mode) noexcept {
    const KX_Image* i = image_record(handle);
    if (!i || i->Size.Width <= 0 || i->Size.Height <= 0) return;
    const std::int32_t w = i->Size.Width, h = i->Size.Height;
    const std::int32_t ox = dx % w, oy = dy % h;
    if (ox == 0 && oy == 0) return;
    CurrentFor selected(handle);
    const std::int32_t clone = image_clone(handle);
    if (clone < 1) return;
    // Copies of the clone tiled over the viewport, shifted by (ox, oy).
    const KX_Viewport v = *surface(handle).viewport;
    for (i64 y = i64(v.Top) + oy - h; y < i64(v.Bottom) + 1; y += h)
        for (i64 x = i64(v.Left) + ox - w; x < i64(v.Right) + 1; x += w)
            blit_onto_current(clone, std::int32_t(x), std::int32_t(y), mode);
    image_delete(clone);
}

// ---- Resize ----------------------------------------------------------------------------------

std::int32_t scale(std::int32_t handle, float sx, float sy, std::int32_t absolute) noexcept {
    KX_Image* i = image_record(handle);
    if (!i) return 0;
    const std::int32_t ow = i->Size.Width, oh = i->Size.Height;
    // The new size, as a float until it is known to fit.
    auto size = [&](float factor, std::int32_t old) {
        return absolute ? std::floor(factor) : std::trunc(float(old) * factor);
    };
    const float fw = size(sx, ow), fh = size(sy, oh);
    if (!(fw >= 1.0f) || !(fh >= 1.0f)) return 0;
    const std::int32_t nw = fw > 4000.0f ? 4000 : std::int32_t(fw);
    const std::int32_t nh = fh > 4000.0f ? 4000 : std::int32_t(fh);

    CurrentFor restored(current_handle());
    if (i->Lock.Locked == 1) unlock(handle);
    const KX_Screen* screen = screen_record(i->Screen);
    kxp::RECT whole_old{0, 0, ow, oh}, whole_new{0, 0, nw, nh};
    auto remake = [&](KX_ImageBuffer& b, bool texture) {
        if (!screen) return;
        std::uint32_t made = texture ? make_texture_surface(*screen, nw, nh)
                                     : make_video_surface(*screen, nw, nh, i->Type.TypeFlags);
        if (!made) return;
        kxp::Blt(made, &whole_new, b.Surface, &whole_old, kxp::DDBLT_WAIT, nullptr);
        kxp::Release(b.Surface);
        b.Surface = made;
    };
    if ((i->Type.TypeFlags & 1) && i->Video.Present == 1) remake(i->Video, false);
    if ((i->Type.TypeFlags & 4) && i->Texture.Present == 1 && i->Texture.Surface)
        remake(i->Texture, true);
    if (i->Type.TypeFlags & 2) {
        const KX_FXRecord old = i->FX;
        i->FX.Present = 0;
        const i64 pitch = row_bytes(nw, old.Format);
        const i64 bytes = pitch * (i64(nh) + 100);
        const std::int32_t bank = pitch < 0 || bytes > INT32_MAX
                                      ? 0
                                      : mem::alloc(static_cast<std::uint32_t>(bytes), mem::kRaw);
        i = image_record(handle);
        if (bank > 0) {
            const std::uint32_t pixels = kxp::addr32(mem::ptr(bank));
            if (old.Present == 1) {
                raster_set_source(old.Pixels, old.Pitch, old.Format, ow, oh);
                raster_set_viewport({0, 0, nw, nh});
                raster_set_buffer(pixels, std::int32_t(pitch), old.Format);
                raster().VGFX_QuadT(0, 0, 0, 0, nw, 0, ow - 1, 0, nw, nh, ow - 1, oh - 1, 0, nh, 0,
                                    oh - 1, 0, 0, 0, 0);
                mem::free(old.Bank);
                i = image_record(handle);
            }
            i->FX = {1, bank, 0, pixels, std::int32_t(pitch), old.Format};
        } else if (old.Present == 1) {
            mem::free(old.Bank);
            i = image_record(handle);
            i->FX = {};
        }
    }
    i->Size.Width = nw;
    i->Size.Height = nh;
    i->Viewport = {0, 0, nw, nh};
    image_mask_colour(handle, i->MaskColour);
    return 1;
}

} // namespace kx::graphics
