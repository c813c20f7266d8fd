// GDI-style text on surfaces: fonts by face name, device contexts on
// surfaces (GetDC / ReleaseDC in kxp/ddraw.h), character widths, text
// extents, text colour and background, and clipped text output.
//
// Glyphs are rendered with FreeType: anti-aliased coverage blended in the
// text colour, or one bit per pixel for NONANTIALIASED_QUALITY. Faces are
// found by family name with fontconfig; a name that no installed family
// carries gives DejaVu Sans. Bold and italic use the family's bold and italic
// faces where they exist and are synthesised otherwise. Text is single-byte
// (Windows-1252), drawn without kerning, so the extent of a text is the sum of
// its characters' advances.
//
// Fonts and device contexts are small non-zero 32-bit ids; 0 means failure.
#pragma once

#include "kxp/types.h"

namespace kxp {

using HGDIOBJ = std::uint32_t;
using HFONT = std::uint32_t;
using COLORREF = DWORD; // 0x00BBGGRR

inline constexpr COLORREF RGB(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// CreateFont arguments.
inline constexpr std::int32_t FW_DONTCARE = 0;
inline constexpr std::int32_t FW_NORMAL = 400;
inline constexpr std::int32_t FW_BOLD = 700;
inline constexpr DWORD ANSI_CHARSET = 0;
inline constexpr DWORD DEFAULT_CHARSET = 1;
inline constexpr DWORD OUT_DEFAULT_PRECIS = 0;
inline constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
inline constexpr DWORD DEFAULT_QUALITY = 0;
inline constexpr DWORD NONANTIALIASED_QUALITY = 3;
inline constexpr DWORD ANTIALIASED_QUALITY = 4;
inline constexpr DWORD DEFAULT_PITCH = 0;
inline constexpr DWORD FF_DONTCARE = 0;

// Background modes and ExtTextOut options.
inline constexpr std::int32_t TRANSPARENT = 1;
inline constexpr std::int32_t OPAQUE = 2;
inline constexpr UINT ETO_OPAQUE = 0x2;
inline constexpr UINT ETO_CLIPPED = 0x4;

struct ABC {
    std::int32_t abcA; // space before the glyph's black box (may be negative)
    UINT abcB;         // width of the black box
    std::int32_t abcC; // space after it; A + B + C is the advance
};

struct SIZE {
    LONG cx;
    LONG cy;
};

// height > 0: cell height in pixels (ascent + descent); < 0: em height; 0: 16.
// weight >= 600 is bold. quality NONANTIALIASED_QUALITY renders one bit per
// pixel, any other value anti-aliased. width, escapement, orientation, the
// character set, the precisions and the pitch and family are accepted and not
// used. Null or empty face: DejaVu Sans. Returns 0 when no face can be loaded.
KXP_API HFONT CreateFont(std::int32_t height, std::int32_t width, std::int32_t escapement,
                         std::int32_t orientation, std::int32_t weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                         const char* faceName);
// Selects a font into a device context; returns the previous one (a device
// context starts with the default font: DejaVu Sans, 16 pixels), 0 on failure.
KXP_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a font; refused (0) while it is selected into a device context.
KXP_API BOOL DeleteObject(HGDIOBJ object);

// Stock objects: brushes that window classes name as their background.
inline constexpr std::int32_t WHITE_BRUSH = 0;
inline constexpr std::int32_t BLACK_BRUSH = 4;
inline constexpr std::int32_t NULL_BRUSH = 5;
// A fixed id for stock objects 0..5 (never deleted), 0 for other indexes.
KXP_API HGDIOBJ GetStockObject(std::int32_t index);

// Widths of characters first..last (at most 255) of the selected font.
KXP_API BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* widths);
// cx: the sum of the advances; cy: the font's cell height.
KXP_API BOOL GetTextExtentPoint32(HDC dc, const char* text, std::int32_t count, SIZE* size);
// Return the previous value, or CLR_INVALID / 0 for an unknown device context.
KXP_API COLORREF SetTextColor(HDC dc, COLORREF colour);    // starts black
KXP_API COLORREF SetBkColor(HDC dc, COLORREF colour);      // starts white
KXP_API std::int32_t SetBkMode(HDC dc, std::int32_t mode); // starts OPAQUE
// Draws text with its cell's top-left corner at (x, y). ETO_CLIPPED clips to
// rect; ETO_OPAQUE fills rect with the background colour first; in OPAQUE
// mode the text's cells are filled too. dx (optional): the advance of each
// character instead of the font's.
KXP_API BOOL ExtTextOut(HDC dc, std::int32_t x, std::int32_t y, UINT options, const RECT* rect,
                        const char* text, UINT count, const std::int32_t* dx);

} // namespace kxp
