// Device contexts on surfaces, font objects, and text output.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/gfx.h"
#include "fonts/fonts.h"
#include "kxp/gdi.h"

namespace kxp::detail {
namespace {

struct DeviceContext final : GdiObject {
    std::uint32_t surface = 0;
    HFONT font = 0;
    COLORREF text = 0;
    COLORREF background = 0xFFFFFF;
    std::int32_t mode = OPAQUE;
};

TextState& storage() {
    static TextState s;
    return s;
}

// The default font of device contexts, made on first use (0 if no face loads).
HFONT stock_font() {
    TextState& s = text_state();
    if (s.stock_font && find_gdi<Font>(s.stock_font)) return s.stock_font;
    FontRequest request;
    request.height = 16;
    request.face = "DejaVu Sans";
    std::unique_ptr<Font> f = Font::open(request);
    if (!f) return 0;
    f->stock = true;
    s.stock_font = add_gdi(std::move(f));
    return s.stock_font;
}

DeviceContext* dc_of(HDC dc) {
    return find_gdi<DeviceContext>(dc);
}

Font* font_of(const DeviceContext& dc) {
    return find_gdi<Font>(dc.font);
}

std::uint32_t to_argb(COLORREF c) {
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// Blends colour into the pixels of v inside clip, by coverage.
void draw_coverage(const View& v, const RECT& clip, std::int32_t x0, std::int32_t y0,
                   const Glyph& g, std::uint32_t argb) {
    RECT r = intersect(clip, {x0, y0, x0 + g.width, y0 + g.rows});
    const PixelFormat& f = *v.format;
    std::uint32_t solid = f.from_argb(argb);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(y - y0) * g.width;
        std::uint8_t* p = v.at(r.left, y);
        for (std::int32_t x = r.left; x < r.right; ++x, p += f.bytes) {
            std::uint32_t c = cov[x - x0];
            if (c == 0) continue;
            if (c == 255) {
                f.write(p, solid);
                continue;
            }
            std::uint32_t d = f.to_argb(f.read(p)), out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                std::uint32_t dc = d >> shift & 0xFF, tc = argb >> shift & 0xFF;
                out |= ((dc * (255 - c) + tc * c + 127) / 255) << shift;
            }
            f.write(p, f.from_argb(out));
        }
    }
}

} // namespace

TextState& text_state() {
    platform();
    return storage();
}

void reset_text() {
    storage() = TextState{};
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

HRESULT GetDC(LPDIRECTDRAWSURFACE7 surface, HDC* dc) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!dc) return DDERR_INVALIDPARAMS;
    if (s->dc) return DDERR_DCALREADYCREATED;
    if (s->locked) return DDERR_SURFACEBUSY;
    if (s->primary) own_frames(*s); // drawing shows at ReleaseDC
    auto d = std::make_unique<DeviceContext>();
    d->surface = surface;
    d->font = stock_font();
    s->dc = add_gdi(std::move(d));
    *dc = s->dc;
    return DD_OK;
}

HRESULT ReleaseDC(LPDIRECTDRAWSURFACE7 surface, HDC dc) {
    Surface* s = find_surface(surface);
    if (!s) return DDERR_INVALIDOBJECT;
    if (!s->dc) return DDERR_NODC;
    if (dc != s->dc) return DDERR_INVALIDPARAMS;
    text_state().gdi.erase(dc);
    s->dc = 0;
    if (s->primary) present(*s, s->bounds());
    return DD_OK;
}

HFONT CreateFont(std::int32_t height, std::int32_t, std::int32_t, std::int32_t, std::int32_t weight,
                 DWORD italic, DWORD underline, DWORD strikeOut, DWORD, DWORD, DWORD, DWORD quality,
                 DWORD, const char* faceName) {
    FontRequest request;
    request.height = height;
    request.weight = weight;
    request.italic = italic != 0;
    request.underline = underline != 0;
    request.strike_out = strikeOut != 0;
    request.mono = quality == NONANTIALIASED_QUALITY;
    request.face = faceName ? faceName : "";
    std::unique_ptr<Font> f = Font::open(request);
    return f ? add_gdi(std::move(f)) : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* d = dc_of(dc);
    if (!d || !find_gdi<Font>(object)) return 0;
    HGDIOBJ previous = d->font;
    d->font = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    TextState& s = text_state();
    Font* f = find_gdi<Font>(object);
    if (!f) return 0;
    if (f->stock) return 1;
    for (auto& [id, o] : s.gdi)
        if (auto* d = dynamic_cast<DeviceContext*>(o.get()); d && d->font == object) return 0;
    s.gdi.erase(object);
    return 1;
}

BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* widths) {
    DeviceContext* d = dc_of(dc);
    Font* f = d ? font_of(*d) : nullptr;
    if (!f || !widths || first > last || last > 255) return 0;
    for (UINT c = first; c <= last; ++c) {
        const Glyph& g = f->glyph(static_cast<std::uint8_t>(c));
        ABC& w = widths[c - first];
        if (g.width == 0) {
            w = {0, static_cast<UINT>(g.advance), 0};
        } else {
            w = {g.left, static_cast<UINT>(g.width), g.advance - g.left - g.width};
        }
    }
    return 1;
}

BOOL GetTextExtentPoint32(HDC dc, const char* text, std::int32_t count, SIZE* size) {
    DeviceContext* d = dc_of(dc);
    Font* f = d ? font_of(*d) : nullptr;
    if (!f || !size || count < 0 || (!text && count > 0)) return 0;
    LONG width = 0;
    for (std::int32_t i = 0; i < count; ++i)
        width += f->glyph(static_cast<std::uint8_t>(text[i])).advance;
    *size = {width, f->ascent + f->descent};
    return 1;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    DeviceContext* d = dc_of(dc);
    if (!d) return CLR_INVALID;
    return std::exchange(d->text, colour & 0xFFFFFF);
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    DeviceContext* d = dc_of(dc);
    if (!d) return CLR_INVALID;
    return std::exchange(d->background, colour & 0xFFFFFF);
}

std::int32_t SetBkMode(HDC dc, std::int32_t mode) {
    DeviceContext* d = dc_of(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(d->mode, mode);
}

BOOL ExtTextOut(HDC dc, std::int32_t x, std::int32_t y, UINT options, const RECT* rect,
                const char* text, UINT count, const std::int32_t* dx) {
    DeviceContext* d = dc_of(dc);
    Surface* s = d ? find_surface(d->surface) : nullptr;
    Font* f = d ? font_of(*d) : nullptr;
    if (!s || !f || (!text && count > 0) || ((options & (ETO_CLIPPED | ETO_OPAQUE)) && !rect))
        return 0;
    View v = s->view();
    RECT clip = s->bounds();
    if (options & ETO_CLIPPED) clip = intersect(clip, *rect);
    const PixelFormat& pf = *s->format;
    if (options & ETO_OPAQUE) {
        RECT r = intersect(*rect, s->bounds());
        if (!empty(r)) fill(v, r, pf.from_argb(to_argb(d->background)));
    }
    // Pen positions, then the background of the cells, then the glyphs.
    std::int64_t width = 0;
    for (UINT i = 0; i < count; ++i)
        width += dx ? dx[i] : f->glyph(static_cast<std::uint8_t>(text[i])).advance;
    auto clamp32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    std::int32_t height = f->ascent + f->descent;
    RECT cells{x, y, clamp32(x + std::max<std::int64_t>(width, 0)),
               clamp32(std::int64_t{y} + height)};
    if (d->mode == OPAQUE) {
        RECT r = intersect(cells, clip);
        if (!empty(r)) fill(v, r, pf.from_argb(to_argb(d->background)));
    }
    std::uint32_t colour = to_argb(d->text);
    std::int64_t baseline = std::int64_t{y} + f->ascent;
    std::int64_t pen = x;
    for (UINT i = 0; i < count; ++i) {
        const Glyph& g = f->glyph(static_cast<std::uint8_t>(text[i]));
        std::int64_t gx = pen + g.left, gy = baseline - g.top;
        if (g.width > 0 && gx > INT32_MIN / 2 && gx < INT32_MAX / 2 && gy > INT32_MIN / 2 &&
            gy < INT32_MAX / 2)
            draw_coverage(v, clip, static_cast<std::int32_t>(gx), static_cast<std::int32_t>(gy), g,
                          colour);
        pen += dx ? dx[i] : g.advance;
    }
    // Underline and strike-out run under the whole text.
    std::uint32_t solid = pf.from_argb(colour);
    auto line = [&](std::int64_t top, std::int32_t rows) {
        RECT r = intersect(clip, {x, clamp32(top), cells.right, clamp32(top + rows)});
        if (!empty(r)) fill(v, r, solid);
    };
    if (f->request.underline) line(baseline + f->underline_top, f->underline_rows);
    if (f->request.strike_out) line(baseline - f->strike_top, f->strike_rows);
    return 1;
}

HGDIOBJ GetStockObject(std::int32_t index) {
    // Stock ids sit above every id that CreateFont hands out.
    constexpr HGDIOBJ kStockBase = 0x7FFF0000u;
    return index >= WHITE_BRUSH && index <= NULL_BRUSH ? kStockBase + HGDIOBJ(index) : 0;
}

} // namespace kxp
