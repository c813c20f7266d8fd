// Faces by family name (fontconfig) and glyphs (FreeType).
#include "fonts/fonts.h"

#include <cmath>
#include <cstring>
#include <strings.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace kxp::detail {
namespace {

constexpr std::int32_t kDefaultHeight = 16;
constexpr std::int32_t kMaxHeight = 4096;
constexpr const char* kFallbackFamily = "DejaVu Sans";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The library lives as long as the process: fonts may be destroyed as late
// as the desktop's own teardown.
FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return lib;
}

bool fontconfig_ready() {
    static bool ready = FcInit() == FcTrue;
    return ready;
}

struct FaceFile {
    std::string path;
    int index = 0;
};

// The installed face of a family closest to the weight and slant asked for;
// false when no scalable face carries the family's name. (Whether the face is
// bold or italic is read from the face itself: fontconfig reports the weight
// and slant asked for when it would synthesise them.)
bool match(const char* family, bool bold, bool italic, FaceFile& out) {
    if (!fontconfig_ready()) return false;
    FcPattern* p = FcPatternCreate();
    if (!p) return false;
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, p, &result);
    FcPatternDestroy(p);
    if (!m) return false;
    bool named = false;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(m, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) named = true;
    FcBool scalable = FcFalse;
    FcPatternGetBool(m, FC_SCALABLE, 0, &scalable);
    FcChar8* file = nullptr;
    bool found = named && scalable && FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        int index = 0;
        FcPatternGetInteger(m, FC_INDEX, 0, &index);
        out = {reinterpret_cast<const char*>(file), index};
    }
    FcPatternDestroy(m);
    return found;
}

// Windows-1252 to Unicode (the undefined codes map to themselves).
std::uint32_t to_unicode(std::uint8_t c) {
    static const std::uint16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
}

std::int32_t round_px(double v) {
    return static_cast<std::int32_t>(std::lround(v));
}

} // namespace

std::unique_ptr<Font> Font::open(const FontRequest& request) {
    if (request.height > kMaxHeight || request.height < -kMaxHeight || !library()) return nullptr;
    bool bold = request.weight >= 600;
    std::string family = request.face.substr(0, 31); // the classic face-name limit
    FaceFile ff;
    if ((family.empty() || !match(family.c_str(), bold, request.italic, ff)) &&
        !match(kFallbackFamily, bold, request.italic, ff))
        ff = {kFallbackFile, 0};

    FT_Face face = nullptr;
    if (FT_New_Face(library(), ff.path.c_str(), ff.index, &face) != 0) return nullptr;
    std::unique_ptr<Font> f(new Font());
    f->face_ = face;
    f->request = request;
    f->file = ff.path;
    if (!FT_IS_SCALABLE(face)) return nullptr;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    bool face_bold = os2 && os2->version != 0xFFFF ? os2->usWeightClass >= 600
                                                   : (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    f->embolden_ = bold && !face_bold;
    f->oblique_ = request.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

    // Sizes as the classic system derives them from the Windows metrics: a
    // positive height is the cell (ascent + descent), a negative one the em.
    double upem = face->units_per_EM;
    double win_a = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
    double win_d =
        os2 && (os2->usWinAscent || os2->usWinDescent) ? os2->usWinDescent : -face->descender;
    if (win_a + win_d <= 0) return nullptr;
    std::int32_t cell = request.height > 0 ? request.height
                        : request.height < 0
                            ? std::max(1, round_px((win_a + win_d) * -request.height / upem))
                            : kDefaultHeight;
    double em = request.height < 0 ? -request.height : cell * upem / (win_a + win_d);
    if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(1, std::lround(em * 64)), 72, 72) != 0)
        return nullptr;
    double scale = em / upem;
    f->ascent = std::min(cell, round_px(win_a * scale));
    f->descent = cell - f->ascent;

    f->underline_rows = std::max(1, round_px(face->underline_thickness * scale));
    f->underline_top =
        std::max(1, round_px(-face->underline_position * scale) - f->underline_rows / 2);
    if (f->descent >= f->underline_rows)
        f->underline_top = std::min(f->underline_top, f->descent - f->underline_rows);
    bool has_strike = os2 && os2->yStrikeoutSize > 0;
    f->strike_rows =
        std::max(1, round_px((has_strike ? os2->yStrikeoutSize : upem / 20.0) * scale));
    f->strike_top = round_px((has_strike ? os2->yStrikeoutPosition : upem / 4.0) * scale);
    return f;
}

Font::~Font() {
    if (face_) FT_Done_Face(face_);
}

const Glyph& Font::glyph(std::uint8_t code) {
    std::unique_ptr<Glyph>& g = glyphs_[code];
    if (g) return *g;
    g = std::make_unique<Glyph>();
    FT_UInt index = FT_Get_Char_Index(face_, to_unicode(code));
    FT_Int32 flags =
        FT_LOAD_NO_BITMAP | (request.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face_, index, flags) != 0) return *g;
    FT_GlyphSlot slot = face_->glyph;
    if (embolden_) FT_GlyphSlot_Embolden(slot);
    if (oblique_) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, request.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return *g;
    const FT_Bitmap& bm = slot->bitmap;
    g->advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    g->width = static_cast<std::int32_t>(bm.width);
    g->rows = static_cast<std::int32_t>(bm.rows);
    g->coverage.assign(static_cast<std::size_t>(g->width) * static_cast<std::size_t>(g->rows), 0);
    for (std::int32_t y = 0; y < g->rows; ++y) {
        const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        std::uint8_t* out = g->coverage.data() + static_cast<std::size_t>(y) * g->width;
        for (std::int32_t x = 0; x < g->width; ++x)
            out[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO
                         ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255
                         : row[x];
    }
    return *g;
}

} // namespace kxp::detail
