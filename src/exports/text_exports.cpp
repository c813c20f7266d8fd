// Exports of fonts and text drawing.
#include "kx/kx_vm.h"
#include "text/text.h"

namespace text = kx::text;

namespace {
template <class F> int32_t field(int32_t handle, F get) {
    const KX_Font* f = text::font(handle);
    return f ? get(*f) : 0;
}
} // namespace

extern "C" {

KX_API int32_t KX_CALL KX_FontLoad(int32_t screen, int32_t name, int32_t size,
                                   int32_t style) noexcept {
    return text::load(screen, name, size, style);
}
KX_API int32_t KX_CALL KX_FontCreateBitmap(int32_t screen, int32_t width, int32_t height,
                                           int32_t image_flags) noexcept {
    return text::create_bitmap(screen, width, height, image_flags);
}
KX_API int32_t KX_CALL KX_FontConvertBitmap(int32_t font, int32_t colour,
                                            int32_t image_flags) noexcept {
    return text::convert_bitmap(font, static_cast<uint32_t>(colour), image_flags);
}
KX_API int32_t KX_CALL KX_FontPrepareFX(int32_t font, int32_t colour) noexcept {
    return text::prepare_fx(font, static_cast<uint32_t>(colour));
}
KX_API int32_t KX_CALL KX_FontDelete(int32_t font) noexcept {
    text::remove(font);
    return 0;
}
KX_API int32_t KX_CALL KX_DrawText(int32_t font, int32_t string, int32_t x, int32_t y,
                                   int32_t colour, int32_t centre) noexcept {
    return text::draw_string(font, string, x, y, static_cast<uint32_t>(colour), centre);
}
KX_API int32_t KX_CALL KX_FontDrawChr(int32_t font, int32_t code, int32_t x, int32_t y,
                                      int32_t colour, int32_t) noexcept {
    char c = static_cast<char>(code & 0xFF);
    return text::draw(font, std::string_view(&c, 1), x, y, static_cast<uint32_t>(colour), 0);
}
KX_API int32_t KX_CALL KX_FontDrawChrSet(int32_t font, int32_t x, int32_t y,
                                         int32_t flag) noexcept {
    return text::draw_char_set(font, x, y, flag);
}
KX_API int32_t KX_CALL KX_FontGetChrSet(int32_t font, int32_t x, int32_t y) noexcept {
    text::get_char_set(font, x, y);
    return 0;
}
KX_API int32_t KX_CALL KX_FontGetChr(int32_t font, int32_t code, int32_t x, int32_t y) noexcept {
    text::get_char(font, code, x, y);
    return 0;
}
KX_API int32_t KX_CALL KX_FontGetType(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.FontType; });
}
KX_API int32_t KX_CALL KX_FontGetStyle(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.Style; });
}
KX_API int32_t KX_CALL KX_FontGetImage(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.ImageHandle; });
}
KX_API int32_t KX_CALL KX_FontGetSize(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.Size; });
}
KX_API int32_t KX_CALL KX_FontGetWidth(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.CellWidth; });
}
KX_API int32_t KX_CALL KX_FontGetHeight(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return f.CellHeight; });
}
KX_API int32_t KX_CALL KX_FontGetMaskColour(int32_t font) noexcept {
    return field(font, [](const KX_Font& f) { return static_cast<int32_t>(f.MaskColour); });
}
KX_API void KX_CALL KX_FontGetName(int32_t font, int32_t dest) noexcept {
    text::get_name(font, dest);
}
KX_API void KX_CALL KX_FontSetMaskColour(int32_t font, int32_t colour) noexcept {
    text::set_mask_colour(font, static_cast<uint32_t>(colour));
}
KX_API int32_t KX_CALL KX_FontCalcTextSize(int32_t font, int32_t string, int32_t mode) noexcept {
    return text::text_size(font, string, mode);
}
KX_API void KX_CALL KX_FontSetChrSize(int32_t font, int32_t code, int32_t value,
                                      int32_t mode) noexcept {
    text::set_char_size(font, code, value, mode);
}
KX_API int32_t KX_CALL KX_FontGetChrSize(int32_t font, int32_t code, int32_t mode) noexcept {
    return text::char_size(font, code, mode);
}
KX_API int32_t KX_CALL KX_FontGetChrHang(int32_t font, int32_t code, int32_t side) noexcept {
    return text::char_hang(font, code, side);
}

} // extern "C"
