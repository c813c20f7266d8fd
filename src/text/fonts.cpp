// System fonts (rendered by the platform's GDI-style text into a surface's
// device context) and bitmap fonts (a 16 x 16 grid of glyphs on an image,
// drawn with the blitters).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/graphics.h"
#include "kxp/ddraw.h"
#include "kxp/gdi.h"
#include "memory/banks.h"
#include "strings/strings.h"
#include "text/text.h"

namespace kx::text {

namespace mem = kx::memory;
namespace gfx = kx::graphics;
namespace str = kx::strings;

namespace {

constexpr std::int32_t kSystem = 1, kBitmap = 2, kBitmapFX = 4;
constexpr std::int32_t kGrid = 16;
constexpr std::int32_t kMetricLimit = 1024;

bool is_code(std::int32_t code) {
    return code >= 0 && code <= 255;
}

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The device context of a surface's gfx surface, released on destruction.
class DeviceContext {
  public:
    explicit DeviceContext(std::uint32_t surface) : surface_(surface) {
        if (surface_ && kxp::GetDC(surface_, &dc_) != kxp::DD_OK) dc_ = 0;
    }
    ~DeviceContext() {
        if (dc_) kxp::ReleaseDC(surface_, dc_);
    }
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;
    kxp::HDC get() const { return dc_; }

  private:
    std::uint32_t surface_;
    kxp::HDC dc_ = 0;
};

// Measures every character of the font's system font into its record.
void measure(KX_Font& f, kxp::HDC dc) {
    kxp::ABC abc[256] = {};
    if (!dc || !kxp::GetCharABCWidths(dc, 0, 255, abc)) std::memset(abc, 0, sizeof abc);
    std::int64_t cell_width = 0;
    std::int32_t cell_height = 0;
    for (int c = 0; c < 256; ++c) {
        KX_FontChar& e = f.Chars[c];
        char ch = static_cast<char>(c);
        kxp::SIZE size{0, 0};
        if (dc) kxp::GetTextExtentPoint32(dc, &ch, 1, &size);
        e.Advance = size.cx > kMetricLimit ? 0 : size.cx;
        e.Height = size.cy > kMetricLimit ? 0 : size.cy;
        e.HangLeft = abc[c].abcA;
        e.HangRight = abc[c].abcC;
        std::int64_t candidate = std::llabs(e.HangLeft) + std::llabs(e.HangRight) + e.Advance;
        cell_width = std::max(cell_width, candidate);
        cell_height = std::max(cell_height, e.Height);
    }
    f.CellWidth = clamp32(cell_width);
    f.CellHeight = cell_height;
}

std::uint32_t back_surface(std::int32_t screen) {
    const KX_Screen* s = gfx::screen_record(screen);
    return s ? s->BackSurface : 0;
}

std::int32_t screen_depth(std::int32_t screen) {
    const KX_Screen* s = gfx::screen_record(screen);
    return s ? s->Size.Depth : 0;
}

} // namespace

KX_Font* font(std::int32_t handle) noexcept {
    return mem::record<KX_Font>(handle, mem::kFont);
}

std::int32_t load(std::int32_t screen, std::int32_t name, std::int32_t size,
                  std::int32_t style) noexcept {
    if (name == 0 || size < 1 || str::length(name) < 1) return 0;
    std::int32_t handle = mem::alloc(sizeof(KX_Font), mem::kFont, 0);
    if (handle < 1) return handle;
    std::int32_t name_copy = str::clone(name);
    // The face name ends at the string's end or at its first zero character.
    std::string face;
    try {
        std::string_view v = str::text(name).view();
        face.assign(v.substr(0, std::min(v.find('\0'), v.size())));
    } catch (...) {
        face.clear();
    }
    kxp::HFONT gdi =
        kxp::CreateFont(size, 0, 0, 0, (style & 1) ? kxp::FW_BOLD : kxp::FW_DONTCARE,
                        (style & 2) ? 1 : 0, (style & 4) ? 1 : 0, 0, kxp::ANSI_CHARSET,
                        kxp::OUT_DEFAULT_PRECIS, kxp::CLIP_DEFAULT_PRECIS,
                        (style & 0x100) ? kxp::NONANTIALIASED_QUALITY : kxp::ANTIALIASED_QUALITY,
                        kxp::DEFAULT_PITCH | kxp::FF_DONTCARE, face.c_str());
    KX_Font* f = font(handle);
    f->NameString = name_copy > 0 ? name_copy : 0;
    f->GdiFont = gdi;
    f->InUse = 1;
    f->FontType = kSystem;
    f->ScreenHandle = screen;
    f->Style = style;
    f->Size = size;
    f->MaskColour = 0;
    f->ImageHandle = 0;
    f->GridColumns = kGrid;
    f->GridRows = kGrid;
    DeviceContext dc(back_surface(screen));
    if (dc.get() && gdi) kxp::SelectObject(dc.get(), gdi);
    measure(*f, gdi ? dc.get() : 0);
    return handle;
}

std::int32_t create_bitmap(std::int32_t screen, std::int32_t width, std::int32_t height,
                           std::int32_t image_flags) noexcept {
    if (width < 1 || height < 1 || !mem::exists(screen) || screen < 1) return 0;
    if (std::int64_t(width) * kGrid > INT32_MAX || std::int64_t(height) * kGrid > INT32_MAX)
        return 0;
    std::int32_t handle = mem::alloc(sizeof(KX_Font), mem::kFont, 0);
    if (handle < 1) return handle;
    KX_Font* f = font(handle);
    f->Size = std::max(width, height);
    f->ScreenHandle = screen;
    f->GridColumns = kGrid;
    f->GridRows = kGrid;
    f->InUse = 1;
    f->FontType = kBitmap;
    f->CellWidth = width;
    f->CellHeight = height;
    std::int32_t image =
        gfx::image_create(screen, width * kGrid, height * kGrid, screen_depth(screen), image_flags);
    f = font(handle);
    if (image < 1) {
        remove(handle);
        return 0;
    }
    f->ImageHandle = image;
    for (int c = 0; c < 256; ++c) {
        std::int32_t left = (c % kGrid) * width, top = (c / kGrid) * height;
        f->Chars[c] = {0, width, 0, height, {left, top, left + width, top + height}};
    }
    return handle;
}

std::int32_t convert_bitmap(std::int32_t handle, std::uint32_t colour,
                            std::int32_t image_flags) noexcept {
    KX_Font* f = font(handle);
    if (!f || !gfx::screen_record(f->ScreenHandle) || (f->FontType & (kBitmap | kBitmapFX)) ||
        f->ImageHandle != 0)
        return 0;
    std::int64_t width = std::int64_t(f->GridColumns) * f->CellWidth;
    std::int64_t height = std::int64_t(f->GridRows) * f->CellHeight;
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return 0;
    std::int32_t image = gfx::image_create(f->ScreenHandle, static_cast<std::int32_t>(width),
                                           static_cast<std::int32_t>(height),
                                           screen_depth(f->ScreenHandle), image_flags);
    if (image < 1) return 0; // the font stays a system font
    f = font(handle);
    f->ImageHandle = image;
    std::int32_t remembered = gfx::current_handle();
    gfx::set_current(image);
    std::int32_t x = 0, y = 0;
    for (int c = 0; c < 256; ++c) {
        f = font(handle);
        KX_FontChar& e = f->Chars[c];
        std::int32_t offset = (f->CellWidth - e.Advance) / 2;
        char ch = static_cast<char>(c);
        draw(handle, std::string_view(&ch, 1), x + offset, y, colour, 0);
        f = font(handle);
        std::int32_t left = x + offset + e.HangLeft;
        e.SourceRect = {
            left, y,
            clamp32(std::int64_t(left) + std::abs(e.HangLeft) + std::abs(e.HangRight) + e.Advance),
            y + f->CellHeight};
        x += f->CellWidth;
        if (x >= width) {
            x = 0;
            y += f->CellHeight;
        }
    }
    gfx::set_current(remembered);
    font(handle)->FontType = kBitmap;
    return 1;
}

std::int32_t prepare_fx(std::int32_t handle, std::uint32_t colour) noexcept {
    KX_Font* f = font(handle);
    if (!f) return 0;
    if (f->ImageHandle == 0) convert_bitmap(handle, colour, 1);
    f = font(handle);
    if (f->ImageHandle == 0) return 0;
    std::int32_t r = gfx::image_prepare_fx(f->ImageHandle);
    font(handle)->FontType = kBitmapFX;
    return r;
}

void remove(std::int32_t handle) noexcept {
    KX_Font* f = font(handle);
    if (!f) return;
    if (f->GdiFont) kxp::DeleteObject(f->GdiFont);
    if (f->ImageHandle) gfx::image_delete(f->ImageHandle);
    f = font(handle);
    if (f->NameString && str::is_string(f->NameString)) mem::free(f->NameString);
    mem::free(handle);
}

std::int32_t draw(std::int32_t handle, std::string_view chars, std::int32_t x, std::int32_t y,
                  std::uint32_t colour, std::int32_t centre) noexcept {
    gfx::Surface s = gfx::current();
    if (!s || chars.empty()) return 0;
    const KX_Font* f = font(handle);
    if (!f && handle != 0) return 0;
    KX_Viewport v = *s.viewport;
    std::int64_t width = 0;
    std::int32_t height = 0;
    if (f)
        for (unsigned char c : chars) {
            width += f->Chars[c].Advance;
            height = std::max(height, f->Chars[c].Height);
        }
    if (y > v.Bottom || std::int64_t(y) + height < v.Top) return 0;
    std::int64_t x0 = centre == 1 ? x - width / 2 : x;
    if (x0 > v.Right || x0 + width < v.Left) return 0;

    if (!f || !(f->FontType & (kBitmap | kBitmapFX))) {
        if (s.type->RenderTo != 1 && s.type->RenderTo != 4) return 0;
        std::uint32_t gdi = f ? f->GdiFont : 0;
        DeviceContext dc(gfx::gfx_surface(s));
        if (!dc.get()) return 0;
        kxp::SetTextColor(dc.get(), kxp::RGB(colour >> 16, colour >> 8, colour));
        kxp::SetBkMode(dc.get(), kxp::TRANSPARENT);
        if (gdi) kxp::SelectObject(dc.get(), gdi);
        kxp::RECT clip{v.Left, v.Top, v.Right, v.Bottom};
        kxp::ExtTextOut(dc.get(), static_cast<std::int32_t>(x0), y, kxp::ETO_CLIPPED, &clip,
                        chars.data(), static_cast<kxp::UINT>(chars.size()), nullptr);
        return 1;
    }

    std::int32_t image = f->ImageHandle;
    bool locked_here = false;
    if ((f->FontType & kBitmapFX) && s.lock->Locked == 0) locked_here = gfx::lock(s.handle) == 1;
    for (unsigned char c : chars) {
        f = font(handle);
        if (!f || x0 >= v.Right) break;
        const KX_FontChar& e = f->Chars[c];
        std::int32_t rect[4] = {e.SourceRect.Left, e.SourceRect.Top, e.SourceRect.Right,
                                e.SourceRect.Bottom};
        if (x0 + e.HangLeft > INT32_MIN && x0 + e.HangLeft < INT32_MAX)
            gfx::image_blt_rect(image, rect, static_cast<std::int32_t>(x0 + e.HangLeft), y, 1);
        x0 += e.Advance;
    }
    if (locked_here) gfx::unlock(s.handle);
    return 1;
}

std::int32_t draw_string(std::int32_t handle, std::int32_t string, std::int32_t x, std::int32_t y,
                         std::uint32_t colour, std::int32_t centre) noexcept {
    if (!str::is_string(string)) return 0;
    return draw(handle, str::text(string).view(), x, y, colour, centre);
}

std::int32_t draw_char_set(std::int32_t handle, std::int32_t x, std::int32_t y,
                           std::int32_t flag) noexcept {
    const KX_Font* f = font(handle);
    if (!f || f->ImageHandle == 0) return 0;
    return gfx::image_blt(f->ImageHandle, x, y, flag);
}

void get_char_set(std::int32_t handle, std::int32_t x, std::int32_t y) noexcept {
    const KX_Font* f = font(handle);
    if (!f || f->ImageHandle == 0) return;
    gfx::surface_copy_rect(
        gfx::current_handle(), x, y, clamp32(std::int64_t(x) + std::int64_t(kGrid) * f->CellWidth),
        clamp32(std::int64_t(y) + std::int64_t(kGrid) * f->CellHeight), f->ImageHandle, 0, 0, 0);
}

void get_char(std::int32_t handle, std::int32_t code, std::int32_t x, std::int32_t y) noexcept {
    const KX_Font* f = font(handle);
    if (!f || f->ImageHandle == 0 || !is_code(code)) return;
    const KX_Viewport& r = f->Chars[code].SourceRect;
    std::int64_t w = std::int64_t(r.Right) - r.Left, h = std::int64_t(r.Bottom) - r.Top;
    gfx::surface_copy_rect(gfx::current_handle(), x, y, clamp32(x + w), clamp32(y + h),
                           f->ImageHandle, r.Left, r.Top, 0);
}

void get_name(std::int32_t handle, std::int32_t dest) noexcept {
    const KX_Font* f = font(handle);
    if (f) str::copy(dest, f->NameString);
}

void set_mask_colour(std::int32_t handle, std::uint32_t colour) noexcept {
    KX_Font* f = font(handle);
    if (!f) return;
    f->MaskColour = colour;
    if (f->ImageHandle) gfx::image_mask_colour(f->ImageHandle, colour);
}

std::int32_t text_size(std::int32_t handle, std::int32_t string, std::int32_t mode) noexcept {
    const KX_Font* f = font(handle);
    if (!f || (mode != 0 && mode != 1) || !str::is_string(string)) return 0;
    std::int64_t width = 0;
    std::int32_t height = 0;
    for (unsigned char c : str::text(string).view()) {
        width += f->Chars[c].Advance;
        height = std::max(height, f->Chars[c].Height);
    }
    return mode == 1 ? clamp32(width) : height;
}

void set_char_size(std::int32_t handle, std::int32_t code, std::int32_t value,
                   std::int32_t mode) noexcept {
    KX_Font* f = font(handle);
    if (!f || !is_code(code)) return;
    (mode == 1 ? f->Chars[code].Advance : f->Chars[code].Height) = value;
}

std::int32_t char_size(std::int32_t handle, std::int32_t code, std::int32_t mode) noexcept {
    const KX_Font* f = font(handle);
    if (!f || !is_code(code)) return 0;
    return mode == 1 ? f->Chars[code].Advance : f->Chars[code].Height;
}

std::int32_t char_hang(std::int32_t handle, std::int32_t code, std::int32_t side) noexcept {
    const KX_Font* f = font(handle);
    if (!f || !is_code(code)) return 0;
    return side != 0 ? f->Chars[code].HangRight : f->Chars[code].HangLeft;
}

} // namespace kx::text
