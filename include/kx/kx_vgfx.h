/* The raster library KX_VGFX: pixel inner loops for drawing, blits and image
 * effects over plain pixel buffers. C-compatible. The runtime loads KX_VGFX.so
 * by name and looks every entry point up by its plain name; it calls them
 * through the prototypes below, so this header is the contract.
 *
 * ---- State ----------------------------------------------------------------
 * The library keeps one destination, one source and one blend-source buffer,
 * a clip rectangle and the source sizes, module-wide (the runtime is
 * single-threaded). Nothing is drawn until a destination with a valid format
 * and a non-empty clip rectangle are set. A buffer is (address of pixel (0,0),
 * bytes per row, format); the pitch may be negative (bottom-up buffers); the
 * address need not be aligned.
 *
 * ---- Pixel formats ----------------------------------------------------------
 *   0 = 8 bits (the colour's low byte)       1 = 16-bit 5-6-5
 *   2 = 16-bit 5-5-5 (top bit written 0)     3 = 24-bit, bytes B, G, R
 *   4, 5 = 32-bit 0x00RRGGBB (the same layout; the library treats them alike)
 * Any other code makes the buffer unusable: calls that need it draw nothing.
 * Colours are 0xRRGGBB (the top byte is an alpha level where a mode says so)
 * and are converted to the format by dropping low bits. Pixels read back
 * (VGFX_Point, VGFX_PeekPixelStrip) are expanded to 0xRRGGBB by bit
 * replication; an 8-bit pixel v reads back as a grey, v * 0x010101, and the
 * per-channel operations below treat it as that grey (so they act on v).
 * Blends are computed on 8-bit channels (the pixel expanded as above) and the
 * result is converted back; "x / 255" in the tables rounds to nearest.
 * Written 32-bit pixels have a top byte of 0, except that opaque blits copy the
 * source pixels as they are stored.
 *
 * ---- Clipping and extents -------------------------------------------------
 * Every entry point clips to the clip rectangle (left, top inclusive; right,
 * bottom exclusive; a negative left or top counts as 0), the fast ones
 * included, and writes nothing outside it. The library is not told how large
 * the destination is: the caller keeps the clip rectangle inside the buffer.
 * Rectangles (boxes, shade boxes, blits, effects) exclude their right and
 * bottom edges; lines and strips include both end points. Pixel centres lie at
 * +0.5; triangles and quads follow a top-left fill rule, so shapes that share
 * an edge neither overlap nor leave a gap. Quads are the triangles 1-2-3 and
 * 1-3-4.
 *
 * ---- Sources --------------------------------------------------------------
 * Blits and textured shapes read the source buffer, which must have the
 * destination's format (the runtime always passes them so); VGFX_Blit also
 * converts between formats, the other readers draw nothing when the formats
 * differ. VGFX_SetSrcBuffer forgets the source size: call VGFX_SetSrcSize
 * after it, and from then on source rectangles and texture coordinates are
 * clamped to the source, so nothing reads outside it. Until a size is given
 * only negative coordinates are clamped (to 0) and the caller keeps the rest
 * inside the source. VGFX_SetSrcBlendBuffer and VGFX_SetSrcBlendSize do the
 * same for the blend buffer of VGFX_BlitFX. Texture coordinates are integer
 * texel indices (every caller computes them as integers): a corner's texture
 * coordinate names the texel whose centre maps to that corner, mapping is
 * affine with the nearest texel, and a textured quad over a w x h rectangle
 * with texture corners (0, 0) and (w - 1, h - 1) copies the texture exactly.
 *
 * ---- Shape modes (boxes, circles, ellipses, lines, dots, flat and gouraud
 * triangles and quads, span shapes) ----------------------------------------
 * For boxes, circles and ellipses the low two bits choose outline (0) or
 * filled (1, 2 or 3). The blend bits (mode & 0x7FF0) choose how colour C meets
 * pixel P; the lowest set bit decides, other bits are ignored:
 *   none     write C                     0x0010  (P + C) / 2, rounded down
 *   0x0020   P + C, saturating           0x0040  P - C, saturating at 0
 *   0x0080   P and C                     0x0100  P or C
 *   0x0200   P xor C                     0x0400  C over P at level a = C >> 24:
 *                                                (C a + P (255 - a)) / 255
 *   0x0800   P x C / 255                 0x1000  inverted P (C not used)
 *   0x2000   max(P, C) (lighten)         0x4000  min(P, C) (darken)
 * All per channel. Gouraud shapes interpolate the whole 0xAARRGGBB colour, so
 * 0x0400 blends by the interpolated top byte.
 *
 * ---- Textured modes (textured triangles and quads, and the FX blit) --------
 * Bit 0 skips texels T equal to the mask colour (converted to the format and
 * compared there; the unused top bits of 5-5-5 and 32-bit pixels are not
 * compared). Bits 2 and up choose the blend of T with pixel P, with colour
 * arguments A and B; L = B clamped to 0..255 is a level. The lowest known bit
 * decides; unknown bits (0x8, 0x80, 0x100, 0x200, 0x8000, ...) are ignored:
 *   0        T                           0x0004  T over P at level L
 *   0x0010   (T + P) / 2, rounded down   0x0020  P + T, saturating
 *   0x0040   P - T, saturating           0x0400  A (a silhouette in colour A)
 *   0x0800   A + (T - A) x L / 255       0x1000  P + T x A / 255, saturating
 *   0x2000   P - T x A / 255, saturating 0x4000  A + (B - A) x Y / 255, with
 *                                                Y = (77 R + 150 G + 29 B) >> 8
 *                                                the brightness of T
 *   0x10000  T x A / 255 (tint)          0x20000 (P + T x A / 255) / 2
 *
 * ---- Argument conventions -------------------------------------------------
 * Every argument is 32 bits: coordinates, radii, modes, flags and levels are
 * int32_t, colours uint32_t, addresses pointers. Results: VGFX_Point,
 * VGFX_FastPoint (uint32_t 0xRRGGBB), VGFX_PixelRunLength and KX_Rnd
 * (int32_t); the rest return nothing. Shapes whose coordinates are so large
 * that their arithmetic would overflow are still drawn correctly (the library
 * computes in 64 and 128 bits). Filled circles and ellipses and circle outlines
 * take time in proportion to their visible part; ellipse outlines in proportion to
 * their radii.
 */
#ifndef KX_VGFX_H
#define KX_VGFX_H

#include <stdint.h>

#if defined(_WIN32)
#define VGFX_API __declspec(dllexport)
#define VGFX_CALL __stdcall
#else
#define VGFX_API __attribute__((visibility("default")))
#define VGFX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Pixel-format codes. */
enum {
    VGFX_FORMAT_8 = 0,
    VGFX_FORMAT_565 = 1,
    VGFX_FORMAT_555 = 2,
    VGFX_FORMAT_24 = 3,
    VGFX_FORMAT_32 = 4,
    VGFX_FORMAT_32B = 5
};

/* Shape mode bits. */
enum {
    VGFX_OUTLINE = 0,
    VGFX_FILLED = 1,
    VGFX_AVERAGE = 0x0010,
    VGFX_ADD = 0x0020,
    VGFX_SUBTRACT = 0x0040,
    VGFX_AND = 0x0080,
    VGFX_OR = 0x0100,
    VGFX_XOR = 0x0200,
    VGFX_ALPHA = 0x0400,
    VGFX_MULTIPLY = 0x0800,
    VGFX_INVERT = 0x1000,
    VGFX_LIGHTEN = 0x2000,
    VGFX_DARKEN = 0x4000
};

/* Textured mode bits. */
enum {
    VGFX_TEX_TRANSPARENT = 0x0001,
    VGFX_TEX_LEVEL = 0x0004,
    VGFX_TEX_AVERAGE = 0x0010,
    VGFX_TEX_ADD = 0x0020,
    VGFX_TEX_SUBTRACT = 0x0040,
    VGFX_TEX_SILHOUETTE = 0x0400,
    VGFX_TEX_FADE = 0x0800,
    VGFX_TEX_ADD_SCALED = 0x1000,
    VGFX_TEX_SUBTRACT_SCALED = 0x2000,
    VGFX_TEX_MAP = 0x4000,
    VGFX_TEX_TINT = 0x10000,
    VGFX_TEX_TINT_AVERAGE = 0x20000,
    /* VGFX_BlitFX only: fx1 bit 1 takes the backdrop from the blend buffer. */
    VGFX_FX_BLEND_BUFFER = 0x0002
};

/* ---- Buffers, clip and source sizes (3, 3, 3, 4 words) -------------------- */
VGFX_API void VGFX_CALL VGFX_SetBuffer(void* pixels, int32_t pitch, int32_t format);
/* Also forgets the source size (see VGFX_SetSrcSize). */
VGFX_API void VGFX_CALL VGFX_SetSrcBuffer(void* pixels, int32_t pitch, int32_t format);
/* Also forgets the blend buffer's size (see VGFX_SetSrcBlendSize). */
VGFX_API void VGFX_CALL VGFX_SetSrcBlendBuffer(void* pixels, int32_t pitch, int32_t format);
VGFX_API void VGFX_CALL VGFX_SetBufferViewPort(int32_t left, int32_t top, int32_t right,
                                               int32_t bottom);
/* The source buffer's size in pixels; call it after every VGFX_SetSrcBuffer. A width or
 * height below 1 makes the source empty (nothing is read from it). */
VGFX_API void VGFX_CALL VGFX_SetSrcSize(int32_t width, int32_t height);
/* The same for the blend buffer (an addition beside the table's entry points; the
 * runtime calls it after VGFX_SetSrcBlendBuffer). */
VGFX_API void VGFX_CALL VGFX_SetSrcBlendSize(int32_t width, int32_t height);

/* ---- Blits (8 and 12 words) ------------------------------------------------ */
/* Copies the source rectangle (right and bottom exclusive) to (dstX, dstY), clipped. With
 * bit 0 of transparent set (the callers pass 1) pixels equal to maskColour are skipped.
 * Negative source coordinates, and with a source size coordinates beyond it, are cut
 * off, moving the destination with them. Source and destination may be the same buffer
 * and may overlap. Formats may differ: pixels are then converted. */
VGFX_API void VGFX_CALL VGFX_Blit(int32_t srcLeft, int32_t srcTop, int32_t srcRight,
                                  int32_t srcBottom, int32_t dstX, int32_t dstY,
                                  uint32_t maskColour, int32_t transparent);
/* The blit with a textured blend: fx1 is the textured mode (bit 0 transparent), colourA
 * and colourB its colours A and B. With bit 1 of fx1 set and a blend buffer of the
 * destination's format, the blend buffer's pixel at (x + offsetX, y + offsetY) is the
 * backdrop P for destination pixel (x, y); where that position lies outside the blend
 * buffer (negative, or beyond VGFX_SetSrcBlendSize) the destination pixel is used. */
VGFX_API void VGFX_CALL VGFX_BlitFX(int32_t srcLeft, int32_t srcTop, int32_t srcRight,
                                    int32_t srcBottom, int32_t dstX, int32_t dstY, int32_t fx1,
                                    uint32_t maskColour, uint32_t colourA, uint32_t colourB,
                                    int32_t offsetX, int32_t offsetY);

/* ---- Dots and reads (4, 4, 2, 2, 5, 4 words) -------------------------------- */
/* One pixel in a shape mode (VGFX_Dot and VGFX_FastDot are the same: both clip). */
VGFX_API void VGFX_CALL VGFX_Dot(int32_t x, int32_t y, uint32_t colour, int32_t mode);
VGFX_API void VGFX_CALL VGFX_FastDot(int32_t x, int32_t y, uint32_t colour, int32_t mode);
/* The pixel as 0xRRGGBB; 0 outside the clip rectangle or without a destination. */
VGFX_API uint32_t VGFX_CALL VGFX_Point(int32_t x, int32_t y);
VGFX_API uint32_t VGFX_CALL VGFX_FastPoint(int32_t x, int32_t y);
/* Counts the pixels at (x, y), (x + dx, y + dy), ... that equal the pixel at (x, y), that
 * one included, while they lie inside the clip rectangle: at most max when max >= 1. 0
 * when (x, y) is outside; a zero step (dx = dy = 0) counts 1. */
VGFX_API int32_t VGFX_CALL VGFX_PixelRunLength(int32_t x, int32_t y, int32_t dx, int32_t dy,
                                               int32_t max);
/* Reads pixels x1 .. x2 - 1 of row y as 0xRRGGBB into out[x] (indexed by the column, not
 * from x1). Positions outside the clip rectangle are left as they were. */
VGFX_API void VGFX_CALL VGFX_PeekPixelStrip(int32_t x1, int32_t x2, int32_t y, uint32_t* out);

/* ---- Shapes ----------------------------------------------------------------- */
/* Box covering x left..right-1, y top..bottom-1 (corners are ordered first). Outline: its
 * one-pixel border. 6 words. */
VGFX_API void VGFX_CALL VGFX_Box(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 uint32_t colour, int32_t mode);
/* Filled box (as VGFX_Box) with the corner colours top-left c1, top-right c2,
 * bottom-right c3, bottom-left c4 on its corner pixels, interpolated bilinearly in
 * between; written (no mode). Reversed corners are ordered; the colours stay with the
 * named corners. 8 words. */
VGFX_API void VGFX_CALL VGFX_ShadeBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t c1,
                                      uint32_t c2, uint32_t c3, uint32_t c4);
/* Circle about the centre of pixel (x, y): filled, the pixels within radius; outline, the
 * midpoint ring. A negative radius draws nothing. 5 words. */
VGFX_API void VGFX_CALL VGFX_Circle(int32_t x, int32_t y, int32_t radius, uint32_t colour,
                                    int32_t mode);
/* Ellipse likewise with radii rx, ry (a zero radius gives a line). 6 words. */
VGFX_API void VGFX_CALL VGFX_Ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, uint32_t colour,
                                     int32_t mode);
/* Line including both end points; the same pixels whichever end comes first. 6 words. */
VGFX_API void VGFX_CALL VGFX_WriteLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                       uint32_t colour, int32_t mode);
VGFX_API void VGFX_CALL VGFX_WriteDrawModeLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                               uint32_t colour, int32_t mode);
/* Spans: count triples (y, x1, x2) of int32_t, each filling x1 .. x2 - 1 of row y (empty
 * when x2 <= x1). 4 words. */
VGFX_API void VGFX_CALL VGFX_Draw_Shape_Span_Buffer(const int32_t* spans, int32_t count,
                                                    uint32_t colour, int32_t mode);

/* ---- Flat and gouraud triangles and quads (8, 10, 10, 13 words) -------------- */
VGFX_API void VGFX_CALL VGFX_Tri(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                 int32_t y3, uint32_t colour, int32_t mode);
VGFX_API void VGFX_CALL VGFX_TriG(int32_t x1, int32_t y1, uint32_t c1, int32_t x2, int32_t y2,
                                  uint32_t c2, int32_t x3, int32_t y3, uint32_t c3, int32_t mode);
VGFX_API void VGFX_CALL VGFX_Quad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                  int32_t y3, int32_t x4, int32_t y4, uint32_t colour,
                                  int32_t mode);
VGFX_API void VGFX_CALL VGFX_QuadG(int32_t x1, int32_t y1, uint32_t c1, int32_t x2, int32_t y2,
                                   uint32_t c2, int32_t x3, int32_t y3, uint32_t c3, int32_t x4,
                                   int32_t y4, uint32_t c4, int32_t mode);

/* ---- Textured triangles and quads (16, 17, 17, 20, 22, 22 words) ------------ */
/* Textured mode, mask colour, colours A and B. */
VGFX_API void VGFX_CALL VGFX_TriT(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, int32_t x2,
                                  int32_t y2, int32_t tx2, int32_t ty2, int32_t x3, int32_t y3,
                                  int32_t tx3, int32_t ty3, int32_t mode, uint32_t maskColour,
                                  uint32_t colourA, uint32_t colourB);
/* Gouraud-textured: the texel times the interpolated corner colour, per channel / 255.
 * Intensity-textured (TI): the texel over the pixel at the level of the corner colours'
 * low bytes, interpolated. Bit 0 of transparent skips the mask colour. */
VGFX_API void VGFX_CALL VGFX_TriTG(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                   int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                   int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                   int32_t transparent, uint32_t maskColour);
VGFX_API void VGFX_CALL VGFX_TriTI(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                   int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                   int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                   int32_t transparent, uint32_t maskColour);
/* Textured quad: mode, mask colour, alpha, colour. An alpha of 1..254 blends the result
 * over the pixel at that level; 0 or below and 255 or above are opaque. The last
 * argument is colour A and colour B of the textured blends (the callers pass 0); a blend
 * that needs two different colours is drawn with VGFX_TriT. */
VGFX_API void VGFX_CALL VGFX_QuadT(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, int32_t x2,
                                   int32_t y2, int32_t tx2, int32_t ty2, int32_t x3, int32_t y3,
                                   int32_t tx3, int32_t ty3, int32_t x4, int32_t y4, int32_t tx4,
                                   int32_t ty4, int32_t mode, uint32_t maskColour, int32_t alpha,
                                   uint32_t colour);
VGFX_API void VGFX_CALL VGFX_QuadTG(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                    int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                    int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                    int32_t x4, int32_t y4, int32_t tx4, int32_t ty4, uint32_t c4,
                                    int32_t transparent, uint32_t maskColour);
VGFX_API void VGFX_CALL VGFX_QuadTI(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                    int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                    int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                    int32_t x4, int32_t y4, int32_t tx4, int32_t ty4, uint32_t c4,
                                    int32_t transparent, uint32_t maskColour);

/* ---- Strips (5, 5, 7, 7 words) ----------------------------------------------- */
/* Gouraud strips: a row (or column) from end 1 to end 2, both included, colour c1 at end
 * 1 and c2 at end 2, interpolated; written. Texture strips: texel (tx1, ty1) at end 1 to
 * (tx2, ty2) at end 2, nearest texel, copied. Reversed ends are swapped with their
 * colours or texture coordinates. */
VGFX_API void VGFX_CALL VGFX_HoriGouraudStrip(int32_t x1, uint32_t c1, int32_t x2, uint32_t c2,
                                              int32_t y);
VGFX_API void VGFX_CALL VGFX_VertGouraudStrip(int32_t y1, uint32_t c1, int32_t y2, uint32_t c2,
                                              int32_t x);
VGFX_API void VGFX_CALL VGFX_HoriTextureStrip(int32_t x1, int32_t tx1, int32_t ty1, int32_t x2,
                                              int32_t tx2, int32_t ty2, int32_t y);
VGFX_API void VGFX_CALL VGFX_VertTextureStrip(int32_t y1, int32_t tx1, int32_t ty1, int32_t y2,
                                              int32_t tx2, int32_t ty2, int32_t x);

/* ---- Image effects (2, 1, 6, 5, 3 words) --------------------------------------
 * rect is the address of four int32_t (left, top, right, bottom; right and bottom
 * exclusive), usually a surface's viewport; an effect changes only pixels inside both it
 * and the clip rectangle. A null rect does nothing. */
/* Each channel times level / 255 (level clamped to 0..255). */
VGFX_API void VGFX_CALL VGFX_FillRect_Fade(const int32_t* rect, int32_t level);
/* Grey (77 R + 150 G + 29 B) >> 8 in every channel. */
VGFX_API void VGFX_CALL VGFX_FillRect_GreyScale(const int32_t* rect);
/* f = max(0, 1 - d / radius), d the distance of the pixel (px, py) from (x, y) in buffer
 * pixels (sqrt((px - x)^2 + (py - y)^2); f = 0 everywhere when radius < 1); the lit
 * colour is round(colour x f) per channel. Mode 0 (bit 0 clear): each channel times the
 * lit colour / 255 (a coloured spot, black beyond the radius); bit 0 set: the lit colour
 * added, saturating. */
VGFX_API void VGFX_CALL VGFX_FillRect_PhongMap(const int32_t* rect, int32_t x, int32_t y,
                                               int32_t radius, uint32_t colour, int32_t mode);
/* Adds the lit colour (as the phong map's mode 1). */
VGFX_API void VGFX_CALL VGFX_FillRect_Light(const int32_t* rect, int32_t x, int32_t y,
                                            int32_t radius, uint32_t colour);
/* Flips left-right when horizontal is non-zero, top-bottom when vertical is. */
VGFX_API void VGFX_CALL VGFX_MirrorRect(const int32_t* rect, int32_t horizontal, int32_t vertical);

/* ---- Random numbers (1 word) ------------------------------------------------- */
/* A pseudo-random integer from 0 to n inclusive (from n to 0 when n is negative). */
VGFX_API int32_t VGFX_CALL KX_Rnd(int32_t n);

#ifdef __cplusplus
}
#endif

/* Every entry point above, by name, as an X-macro: the runtime binds each one
 * (KX_VGFX_ENTRY_POINTS(X) expands X(name) once per entry point), and tests
 * and tools that need the whole set read it from here. */
#define KX_VGFX_ENTRY_POINTS(X)                                                                  \
    X(VGFX_SetBuffer)                                                                              \
    X(VGFX_SetSrcBuffer)                                                                           \
    X(VGFX_SetSrcSize)                                                                             \
    X(VGFX_SetSrcBlendBuffer)                                                                      \
    X(VGFX_SetSrcBlendSize)                                                                        \
    X(VGFX_SetBufferViewPort)                                                                      \
    X(VGFX_Blit)                                                                                   \
    X(VGFX_BlitFX)                                                                                 \
    X(VGFX_Dot)                                                                                    \
    X(VGFX_FastDot)                                                                                \
    X(VGFX_Point)                                                                                  \
    X(VGFX_FastPoint)                                                                              \
    X(VGFX_PixelRunLength)                                                                         \
    X(VGFX_PeekPixelStrip)                                                                         \
    X(VGFX_Box)                                                                                    \
    X(VGFX_ShadeBox)                                                                               \
    X(VGFX_Circle)                                                                                 \
    X(VGFX_Ellipse)                                                                                \
    X(VGFX_WriteLine)                                                                              \
    X(VGFX_WriteDrawModeLine)                                                                      \
    X(VGFX_Tri)                                                                                    \
    X(VGFX_TriG)                                                                                   \
    X(VGFX_TriT)                                                                                   \
    X(VGFX_TriTG)                                                                                  \
    X(VGFX_TriTI)                                                                                  \
    X(VGFX_Quad)                                                                                   \
    X(VGFX_QuadG)                                                                                  \
    X(VGFX_QuadT)                                                                                  \
    X(VGFX_QuadTG)                                                                                 \
    X(VGFX_QuadTI)                                                                                 \
    X(VGFX_HoriGouraudStrip)                                                                       \
    X(VGFX_VertGouraudStrip)                                                                       \
    X(VGFX_HoriTextureStrip)                                                                       \
    X(VGFX_VertTextureStrip)                                                                       \
    X(VGFX_Draw_Shape_Span_Buffer)                                                                 \
    X(VGFX_FillRect_Fade)                                                                          \
    X(VGFX_FillRect_GreyScale)                                                                     \
    X(VGFX_FillRect_PhongMap)                                                                      \
    X(VGFX_FillRect_Light)                                                                         \
    X(VGFX_MirrorRect)                                                                             \
    X(KX_Rnd)

#endif /* KX_VGFX_H */
