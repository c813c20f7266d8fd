// DirectDraw-style display objects and surfaces: creation, locks, blits,
// colour fills, colour keys, flips, and the presentation of the primary
// surface into window frames.
#include <algorithm>
#include <new>
#include <vector>

#include "core/gfx.h"

namespace kxp::detail {
namespace {

struct Mode {
    std::int32_t width, height;
    const PixelFormat* format;
};

// The display's size and format: the display mode once set (in the normal
// level only its depth: the desktop keeps its size), otherwise the desktop's
// (32 bits, 0x00RRGGBB).
Mode mode_of(const Display& d) {
    if (d.exclusive && d.mode_format) return {d.mode_width, d.mode_height, d.mode_format};
    const Desktop& desk = platform().desktop;
    return {desk.width, desk.height,
            d.mode_format ? d.mode_format : &pixel_format(Format::xrgb8888)};
}

bool full_screen(const Surface& s) {
    const Display* d = find_object<Display>(s.display);
    return d && d->exclusive;
}

std::uint32_t raw_mask(const PixelFormat& f) {
    return f.bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * f.bytes)) - 1;
}

std::uint32_t make_surface(Display& d, std::int32_t width, std::int32_t height,
                           const PixelFormat* format, DWORD caps) {
    auto s = std::make_unique<Surface>();
    s->display = d.id;
    s->width = width;
    s->height = height;
    s->pitch = (width * format->bytes + 7) & ~7;
    s->format = format;
    s->caps = caps;
    s->pixels = static_cast<std::uint8_t*>(
        heap::alloc(static_cast<std::size_t>(s->pitch) * static_cast<std::size_t>(height)));
    if (!s->pixels) return 0;
    AddRef(d.id);
    return add_object(display_state().objects, std::move(s));
}

void describe(const Surface& s, DDSURFACEDESC2* desc) {
    *desc = {};
    desc->dwSize = sizeof(DDSURFACEDESC2);
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(s.width);
    desc->dwHeight = static_cast<DWORD>(s.height);
    desc->lPitch = s.pitch;
    desc->ddpfPixelFormat = s.format->pf;
    desc->ddsCaps.dwCaps = s.caps;
    if (s.back) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    if (s.has_key) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = s.key;
    }
}

bool same_rect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Copies a frame read in place from the primary into the window's own pixels.
void copy_shared(Window& w, const Surface& primary) {
    RowConvert convert = frame_converter(*primary.format);
    View v = primary.view();
    for (std::int32_t y = 0; y < w.frame_height; ++y)
        convert(reinterpret_cast<std::uint8_t*>(w.frame.data() +
                                                static_cast<std::size_t>(y) *
                                                    static_cast<std::size_t>(w.frame_width)),
                v.at(w.frame_at.x, w.frame_at.y + y), w.frame_width);
    w.frame_surface = 0;
}

// Shows parts of the primary in the frames of the windows they cover: the
// windows and their frames are settled once, rows go in as they are ready,
// and finish() hands each frame to the backend.
//
// A frame whose whole area is shown from a 32-bit primary (0x00RRGGBB but
// for the top byte, which frame readers ignore) and lies inside it is not
// copied: it reads the primary's rows in place until own_frame or own_frames
// gives it its own copy. The primary then holds exactly what was presented
// there, as every write into it over that area presents it to the window.
class Presenter {
  public:
    // covered: the part of the primary (primary coordinates) to show. The
    // primary holds what is shown there that lies inside it.
    Presenter(const Surface& primary, const RECT& covered) {
        WindowState& s = window_state();
        const Display* d = find_object<Display>(primary.display);
        full_ = d && d->exclusive;
        bool in_place = primary.format->kind == Format::xrgb8888;
        try {
            targets_.reserve(s.windows.size());
        } catch (const std::bad_alloc&) {
            return;
        }
        for (auto& [id, w] : s.windows) {
            RECT area;
            if (full_) {
                if (id != d->window) continue;
                area = primary.bounds();
            } else {
                if ((w->style & WS_CHILD) || !w->visible || w->shown == Shown::minimized) continue;
                POINT o = client_origin(*w);
                RECT c = client_size(*w);
                area = {o.x, o.y, o.x + c.right, o.y + c.bottom};
            }
            RECT hit = intersect(area, covered);
            if (empty(hit)) continue;
            std::int32_t fw = area.right - area.left, fh = area.bottom - area.top;
            bool shared = w->frame_surface == primary.id && w->frame_at.x == area.left &&
                          w->frame_at.y == area.top && w->frame_width == fw &&
                          w->frame_height == fh;
            if (!shared) own_frame(*w);
            if (w->frame_width != fw || w->frame_height != fh) {
                try {
                    w->frame.assign(static_cast<std::size_t>(fw) * static_cast<std::size_t>(fh), 0);
                } catch (const std::bad_alloc&) {
                    w->frame.clear();
                    w->frame_width = w->frame_height = 0;
                    continue; // no memory for this frame: the window shows nothing new
                }
                w->frame_width = fw;
                w->frame_height = fh;
            }
            if (!shared && in_place && same_rect(hit, area) &&
                rect_inside(area, primary.width, primary.height)) {
                w->frame_surface = primary.id;
                w->frame_at = {area.left, area.top};
                shared = true;
            }
            targets_.push_back({w.get(), area, hit, shared}); // reserved: cannot throw
        }
    }

    // Rows top..bottom (primary coordinates) of the view v placed at (ox, oy).
    void rows(const View& v, std::int32_t ox, std::int32_t oy, std::int32_t top,
              std::int32_t bottom) const {
        RowConvert convert = frame_converter(*v.format);
        for (const Target& t : targets_) {
            if (t.shared) continue;
            std::int32_t y0 = std::max(top, t.hit.top), y1 = std::min(bottom, t.hit.bottom);
            std::int32_t fw = t.area.right - t.area.left;
            for (std::int32_t y = y0; y < y1; ++y) {
                std::uint32_t* out =
                    t.window->frame.data() +
                    static_cast<std::size_t>(y - t.area.top) * static_cast<std::size_t>(fw) +
                    (t.hit.left - t.area.left);
                convert(reinterpret_cast<std::uint8_t*>(out), v.at(t.hit.left - ox, y - oy),
                        t.hit.right - t.hit.left);
            }
        }
    }

    void finish() const {
        Backend& b = *platform().backend;
        for (const Target& t : targets_) {
            Window& w = *t.window;
            ++w.presents;
            FrameView f = frame_of(w);
            f.full_screen = full_;
            b.present(view_of(w), f);
        }
    }

  private:
    struct Target {
        Window* window;
        RECT area;   // the frame, primary coordinates
        RECT hit;    // the part of it shown now
        bool shared; // read in place from the primary: nothing to copy
    };
    std::vector<Target> targets_;
    bool full_ = false;
};

// Writes into the frame of each window that the view (placed at (ox, oy) in
// primary coordinates) covers.
void present_view(const Surface& primary, const View& v, std::int32_t ox, std::int32_t oy) {
    Presenter p(primary, {ox, oy, ox + v.width, oy + v.height});
    p.rows(v, ox, oy, oy, oy + v.height);
    p.finish();
}

// A blit into the primary that also shows what it wrote. Unstretched and
// unkeyed blits from other memory run in bands of rows, each shown while it
// is still in the cache.
bool blit_to_primary(Surface& d, const RECT& dr, const Surface& src, const RECT& sr,
                     const DDCOLORKEY* key) {
    std::int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    if (key || src.pixels == d.pixels || dw != sr.right - sr.left || dh != sr.bottom - sr.top) {
        if (!blit(d.view(), dr, src.view(), sr, key)) return false;
        present(d, dr);
        return true;
    }
    constexpr std::int32_t kBand = 16;
    Presenter p(d, dr);
    View dv = d.view();
    for (std::int32_t y = 0; y < dh; y += kBand) {
        std::int32_t n = std::min(kBand, dh - y);
        blit(dv, {dr.left, dr.top + y, dr.right, dr.top + y + n}, src.view(),
             {sr.left, sr.top + y, sr.right, sr.top + y + n}, nullptr); // no scratch: cannot fail
        p.rows(dv, 0, 0, dr.top + y, dr.top + y + n);
    }
    p.finish();
    return true;
}

// The destination of a blit into a windowed primary may reach beyond the
// desktop: the operation runs on a copy of the rectangle, whose part on the
// desktop goes back into the primary and all of which goes to the windows.
template <class Op> HRESULT outside_primary(Surface& p, const RECT& dr, Op op) {
    std::int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    std::vector<std::uint8_t> buf;
    try {
        buf.resize(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh) *
                   static_cast<std::size_t>(p.format->bytes));
    } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
    }
    View t{buf.data(), dw * p.format->bytes, dw, dh, p.format};
    RECT in = intersect(dr, p.bounds());
    RECT local{in.left - dr.left, in.top - dr.top, in.right - dr.left, in.bottom - dr.top};
    if (!empty(in) && !blit(t, local, p.view(), in, nullptr)) return DDERR_OUTOFMEMORY;
    if (!op(t)) return DDERR_OUTOFMEMORY;
    if (!empty(in)) blit(p.view(), in, t, local, nullptr); // same format and size: no scratch
    present_view(p, t, dr.left, dr.top);
    return DD_OK;
}

DisplayState& storage() {
    static DisplayState s;
    return s;
}

} // namespace

DisplayState& display_state() {
    platform();
    return storage();
}

void reset_display() {
    storage() = DisplayState{};
}

void Surface::released() {
    if (primary) own_frames(*this);
    if (dc) text_state().gdi.erase(dc);
    if (back) Release(back);
    if (primary)
        if (Display* d = find_object<Display>(display); d && d->primary == id) d->primary = 0;
    Release(display);
}

void present(const Surface& primary, const RECT& area) {
    RECT r = intersect(area, primary.bounds());
    if (!empty(r)) present_view(primary, primary.view().part(r), r.left, r.top);
}

void own_frames(const Surface& primary) {
    for (auto& [id, w] : window_state().windows)
        if (w->frame_surface == primary.id) copy_shared(*w, primary);
}

FrameView frame_of(const Window& w) {
    if (const Surface* p = w.frame_surface ? find_surface(w.frame_surface) : nullptr)
        return {reinterpret_cast<const std::uint32_t*>(p->view().at(w.frame_at.x, w.frame_at.y)),
                w.frame_width, w.frame_height, p->pitch / 4, false};
    return {w.frame.data(), w.frame_width, w.frame_height, w.frame_width, false};
}

void own_frame(Window& w) {
    if (!w.frame_surface) return;
    if (const Surface* p = find_surface(w.frame_surface))
        copy_shared(w, *p);
    else
        w.frame_surface = 0; // not reached: a primary gives its frames back before it goes
}

bool is_display(std::uint32_t id) {
    return find_object<Display>(id) != nullptr;
}

HRESULT set_display_level(std::uint32_t id, HWND hwnd, DWORD flags) {
    Display* d = find_object<Display>(id);
    if (!d) return DDERR_INVALIDOBJECT;
    const DWORD known = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES |
                        DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED | DDSCL_FPUSETUP;
    bool normal = flags & DDSCL_NORMAL, exclusive = flags & DDSCL_EXCLUSIVE;
    if ((flags & ~known) || normal == exclusive || exclusive != bool(flags & DDSCL_FULLSCREEN))
        return DDERR_INVALIDPARAMS;
    if (hwnd != 0 && !find_window(hwnd)) return DDERR_INVALIDPARAMS;
    if (exclusive) {
        if (hwnd == 0 || top_level(hwnd) != hwnd) return DDERR_INVALIDPARAMS;
        for (auto& [other, o] : display_state().objects)
            if (auto* x = dynamic_cast<Display*>(o.get()); x && x != d && x->exclusive)
                return DDERR_EXCLUSIVEMODEALREADYSET;
    }
    // The windows the primary presents to, and their frame areas, may change.
    if (const Surface* p = find_surface(d->primary)) own_frames(*p);
    if (d->exclusive != exclusive) d->mode_format = nullptr; // back to the desktop's mode
    d->level = flags;
    d->window = hwnd;
    d->exclusive = exclusive;
    return DD_OK;
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

HRESULT DirectDrawCreateEx(REFGUID driver, LPDIRECTDRAW7* dd, REFGUID iid, std::uint32_t outer) {
    if (!dd || driver != 0 || iid != IID_IDirectDraw7 || outer != 0) return DDERR_INVALIDPARAMS;
    *dd = add_object(display_state().objects, std::make_unique<Display>());
    return DD_OK;
}

HRESULT SetDisplayMode(LPDIRECTDRAW7 dd, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD,
                       DWORD) {
    Display* d = find_object<Display>(dd);
    if (!d) return DDERR_INVALIDOBJECT;
    if (d->level == 0) return DDERR_NOCOOPERATIVELEVELSET;
    if (d->primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    const Desktop& desk = platform().desktop;
    if (!d->exclusive &&
        (width != static_cast<DWORD>(desk.width) || height != static_cast<DWORD>(desk.height)))
        return DDERR_INVALIDMODE; // windowed, only the depth may change
    const PixelFormat* f = bitsPerPixel == 16   ? &pixel_format(Format::rgb565)
                           : bitsPerPixel == 24 ? &pixel_format(Format::rgb888)
                           : bitsPerPixel == 32 ? &pixel_format(Format::xrgb8888)
                                                : nullptr;
    if (!f || width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
        return DDERR_INVALIDMODE;
    d->mode_width = static_cast<std::int32_t>(width);
    d->mode_height = static_cast<std::int32_t>(height);
    d->mode_format = f;
    return DD_OK;
}

HRESULT CreateSurface(LPDIRECTDRAW7 dd, DDSURFACEDESC2* desc, LPDIRECTDRAWSURFACE7* surface,
                      std::uint32_t outer) {
    Display* d = find_object<Display>(dd);
    if (!d) return DDERR_INVALIDOBJECT;
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC2) || outer != 0)
        return DDERR_INVALIDPARAMS;
    DWORD flags = desc->dwFlags;
    DWORD caps = (flags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    if (flags & (DDSD_LPSURFACE | DDSD_PITCH)) return DDERR_UNSUPPORTED;
    const DWORD known = DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_OFFSCREENPLAIN |
                        DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE |
                        DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    if ((caps & ~known) || ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)))
        return DDERR_INVALIDCAPS;
    if (d->level == 0) return DDERR_NOCOOPERATIVELEVELSET;
    if (!(caps & DDSCAPS_SYSTEMMEMORY)) caps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;

    Mode mode = mode_of(*d);
    const PixelFormat* format = mode.format;
    if (flags & DDSD_PIXELFORMAT) {
        format = find_pixel_format(desc->ddpfPixelFormat);
        if (!format) return DDERR_INVALIDPIXELFORMAT;
    }
    bool flipping = caps & DDSCAPS_FLIP;
    std::int32_t width = mode.width, height = mode.height;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (flags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
        if (caps & DDSCAPS_TEXTURE) return DDERR_INVALIDCAPS;
        if (flipping != bool(caps & DDSCAPS_COMPLEX) ||
            flipping != bool(flags & DDSD_BACKBUFFERCOUNT) ||
            (flipping && desc->dwBackBufferCount != 1))
            return DDERR_INVALIDPARAMS;
        if (flipping && !d->exclusive) return DDERR_NOEXCLUSIVEMODE;
        if (d->primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    } else {
        if (caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) return DDERR_INVALIDCAPS;
        if ((flags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
            desc->dwWidth == 0 || desc->dwHeight == 0)
            return DDERR_INVALIDPARAMS;
        if (desc->dwWidth > kMaxSurfaceSide || desc->dwHeight > kMaxSurfaceSide)
            return DDERR_TOOBIGSIZE;
        width = static_cast<std::int32_t>(desc->dwWidth);
        height = static_cast<std::int32_t>(desc->dwHeight);
    }

    DWORD own_caps = flipping ? caps | DDSCAPS_FRONTBUFFER : caps;
    std::uint32_t id = make_surface(*d, width, height, format, own_caps);
    if (!id) return DDERR_OUTOFMEMORY;
    Surface* s = find_surface(id);
    if (flipping) {
        DWORD back_caps = (caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX)) | DDSCAPS_BACKBUFFER;
        std::uint32_t back = make_surface(*d, width, height, format, back_caps);
        if (!back) {
            Release(id);
            return DDERR_OUTOFMEMORY;
        }
        s = find_surface(id);
        s->back = back;
        find_surface(back)->front = id;
    }
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        s->primary = true;
        d->primary = id;
    }
    if (flags & DDSD_CKSRCBLT) {
        s->has_key = true;
        s->key = desc->ddckCKSrcBlt;
    }
    *surface = id;
    return DD_OK;
}

HRESULT GetAttachedSurface(LPDIRECTDRAWSURFACE7 surface, DDSCAPS2* caps,
                           LPDIRECTDRAWSURFACE7* attached) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!caps || !attached) return DDERR_INVALIDPARAMS;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !s->back) return DDERR_NOTFOUND;
    AddRef(s->back);
    *attached = s->back;
    return DD_OK;
}

HRESULT GetSurfaceDesc(LPDIRECTDRAWSURFACE7 surface, DDSURFACEDESC2* desc) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    describe(*s, desc);
    return DD_OK;
}

HRESULT GetPixelFormat(LPDIRECTDRAWSURFACE7 surface, DDPIXELFORMAT* format) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!format || format->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    *format = s->format->pf;
    return DD_OK;
}

HRESULT Lock(LPDIRECTDRAWSURFACE7 surface, RECT* rect, DDSURFACEDESC2* desc, DWORD,
             std::uint32_t event) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2) || event != 0) return DDERR_INVALIDPARAMS;
    if (s->busy()) return DDERR_SURFACEBUSY;
    RECT r = rect ? *rect : s->bounds();
    if (!rect_inside(r, s->width, s->height)) return DDERR_INVALIDRECT;
    if (s->primary) own_frames(*s); // what is written under the lock shows at Unlock
    describe(*s, desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = addr32(s->view().at(r.left, r.top));
    s->locked = true;
    s->lock_rect = r;
    return DD_OK;
}

HRESULT Unlock(LPDIRECTDRAWSURFACE7 surface, RECT*) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!s->locked) return DDERR_NOTLOCKED;
    s->locked = false;
    if (s->primary) present(*s, s->lock_rect);
    return DD_OK;
}

HRESULT Blt(LPDIRECTDRAWSURFACE7 dest, RECT* destRect, LPDIRECTDRAWSURFACE7 source,
            RECT* sourceRect, DWORD flags, DDBLTFX* fx) {
    Surface* d = find_surface(dest);
    if (!d) return DDERR_INVALIDOBJECT;
    const DWORD known = DDBLT_ASYNC | DDBLT_COLORFILL | DDBLT_KEYSRC | DDBLT_WAIT | DDBLT_DONOTWAIT;
    if (flags & ~known) return DDERR_INVALIDPARAMS;
    if (d->busy()) return DDERR_SURFACEBUSY;
    RECT dr = destRect ? *destRect : d->bounds();
    bool beyond = !rect_inside(dr, d->width, d->height);
    if (empty(dr) || (beyond && (!d->primary || full_screen(*d))) ||
        dr.right - dr.left > kMaxSurfaceSide || dr.bottom - dr.top > kMaxSurfaceSide)
        return DDERR_INVALIDRECT;

    if (flags & DDBLT_COLORFILL) {
        if (!fx || fx->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
        std::uint32_t raw = fx->dwFillColor & raw_mask(*d->format);
        if (beyond) {
            return outside_primary(*d, dr, [&](const View& t) {
                fill(t, {0, 0, t.width, t.height}, raw);
                return true;
            });
        }
        fill(d->view(), dr, raw);
        if (d->primary) present(*d, dr);
        return DD_OK;
    }

    Surface* s = find_surface(source);
    if (!s) return DDERR_INVALIDPARAMS;
    if (s->busy()) return DDERR_SURFACEBUSY;
    RECT sr = sourceRect ? *sourceRect : s->bounds();
    if (!rect_inside(sr, s->width, s->height)) return DDERR_INVALIDRECT;
    // A source without a colour key is copied whole.
    const DDCOLORKEY* key = (flags & DDBLT_KEYSRC) && s->has_key ? &s->key : nullptr;
    if (beyond) {
        View sv = s->view();
        return outside_primary(*d, dr, [&](const View& t) {
            return blit(t, {0, 0, t.width, t.height}, sv, sr, key);
        });
    }
    if (d->primary) return blit_to_primary(*d, dr, *s, sr, key) ? DD_OK : DDERR_OUTOFMEMORY;
    if (!blit(d->view(), dr, s->view(), sr, key)) return DDERR_OUTOFMEMORY;
    return DD_OK;
}

HRESULT BltFast(LPDIRECTDRAWSURFACE7 dest, DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source,
                RECT* sourceRect, DWORD flags) {
    Surface* d = find_surface(dest);
    if (!d) return DDERR_INVALIDOBJECT;
    if (flags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT | DDBLTFAST_DONOTWAIT))
        return DDERR_INVALIDPARAMS;
    Surface* s = find_surface(source);
    if (!s) return DDERR_INVALIDPARAMS;
    if (d->busy() || s->busy()) return DDERR_SURFACEBUSY;
    RECT sr = sourceRect ? *sourceRect : s->bounds();
    if (!rect_inside(sr, s->width, s->height)) return DDERR_INVALIDRECT;
    if (x > static_cast<DWORD>(d->width) || y > static_cast<DWORD>(d->height))
        return DDERR_INVALIDRECT;
    RECT dr{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
            static_cast<std::int32_t>(x) + (sr.right - sr.left),
            static_cast<std::int32_t>(y) + (sr.bottom - sr.top)};
    if (!rect_inside(dr, d->width, d->height)) return DDERR_INVALIDRECT;
    const DDCOLORKEY* key = (flags & DDBLTFAST_SRCCOLORKEY) && s->has_key ? &s->key : nullptr;
    if (d->primary) return blit_to_primary(*d, dr, *s, sr, key) ? DD_OK : DDERR_OUTOFMEMORY;
    if (!blit(d->view(), dr, s->view(), sr, key)) return DDERR_OUTOFMEMORY;
    return DD_OK;
}

HRESULT Flip(LPDIRECTDRAWSURFACE7 surface, LPDIRECTDRAWSURFACE7 target, DWORD flags) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!s->primary || !s->back) return DDERR_NOTFLIPPABLE;
    if ((target != 0 && target != s->back) ||
        (flags & ~(DDFLIP_WAIT | DDFLIP_NOVSYNC | DDFLIP_DONOTWAIT)))
        return DDERR_INVALIDPARAMS;
    Surface* b = find_surface(s->back);
    if (s->busy() || b->busy()) return DDERR_SURFACEBUSY;
    // Frames read in place follow the primary to its new pixels, all of which
    // are presented now.
    std::swap(s->pixels, b->pixels);
    present(*s, s->bounds());
    return DD_OK;
}

HRESULT SetColorKey(LPDIRECTDRAWSURFACE7 surface, DWORD flags, DDCOLORKEY* key) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_UNSUPPORTED; // destination and overlay keys
    if (flags & ~(DDCKEY_SRCBLT | DDCKEY_COLORSPACE)) return DDERR_INVALIDPARAMS;
    if (!key) {
        s->has_key = false;
        return DD_OK;
    }
    s->has_key = true;
    s->key.dwColorSpaceLowValue = key->dwColorSpaceLowValue;
    s->key.dwColorSpaceHighValue =
        (flags & DDCKEY_COLORSPACE) ? key->dwColorSpaceHighValue : key->dwColorSpaceLowValue;
    return DD_OK;
}

HRESULT GetColorKey(LPDIRECTDRAWSURFACE7 surface, DWORD flags, DDCOLORKEY* key) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (flags != DDCKEY_SRCBLT || !key) return DDERR_INVALIDPARAMS;
    if (!s->has_key) return DDERR_NOCOLORKEY;
    *key = s->key;
    return DD_OK;
}

} // namespace kxp
