// Fonts on a screen opened through the host kit: metrics measured at load,
// text drawn by system fonts and bitmap fonts, read back through lock buffers.
#include "graphics/host_fixture.h"

namespace {

using namespace kxt;

class Fonts : public Host {
  protected:
    void SetUp() override {
        width = 160, height = 100;
        Host::SetUp();
        open_screen(32);
    }
    static int32_t str(const char* s) { return VM_NewStrFromPtr(s); }
    void clear() { fill(screen, 0); }
};

TEST_F(Fonts, SystemFontMetricsAreMeasuredForEveryCharacter) {
    int32_t regular = KX_FontLoad(screen, str("DejaVu Sans"), 16, 0);
    int32_t bold = KX_FontLoad(screen, str("DejaVu Sans"), 16, 1);
    int32_t mono = KX_FontLoad(screen, str("DejaVu Sans Mono"), 16, 0x100);
    int32_t missing = KX_FontLoad(screen, str("No Such Face At All"), 12, 0);
    ASSERT_GT(regular, 0);
    ASSERT_GT(missing, 0); // a missing face falls back to the default one
    auto* f = record<KX_Font>(regular);
    EXPECT_EQ((std::array{VM_BankType(regular), VM_BankSize(regular), f->InUse,
                          f->GridColumns * f->GridRows, KX_FontGetType(regular),
                          KX_FontGetSize(regular), KX_FontGetStyle(bold)}),
              (std::array{11, 8252, 1, 256, 1, 16, 1}));
    for (int c = 33; c < 127; ++c) {
        EXPECT_GT(KX_FontGetChrSize(regular, c, 1), 0) << c;
        EXPECT_GT(KX_FontGetChrSize(missing, c, 1), 0) << c;
        EXPECT_EQ(KX_FontGetChrSize(mono, c, 1), KX_FontGetChrSize(mono, 'M', 1)) << c;
    }
    EXPECT_TRUE(KX_FontGetHeight(regular) > 0 &&
                KX_FontGetWidth(regular) >= KX_FontGetChrSize(regular, 'W', 1));

    int32_t ab = str("AB"), text = str("Hello, World");
    EXPECT_EQ(KX_FontCalcTextSize(regular, ab, 1),
              KX_FontGetChrSize(regular, 'A', 1) + KX_FontGetChrSize(regular, 'B', 1));
    EXPECT_EQ(KX_FontCalcTextSize(regular, ab, 0), KX_FontGetChrSize(regular, 'A', 0));
    EXPECT_TRUE(
        all_zero({KX_FontCalcTextSize(regular, ab, 2), KX_FontCalcTextSize(regular, str(""), 1)}));
    EXPECT_GE(KX_FontCalcTextSize(bold, text, 1), KX_FontCalcTextSize(regular, text, 1));

    int32_t name = VM_NewKXStr(4);
    KX_FontGetName(regular, name);
    EXPECT_STREQ(static_cast<const char*>(VM_StrFirstChrPtr(name)), "DejaVu Sans");

    // Refusals and codes out of range.
    EXPECT_TRUE(all_zero({KX_FontLoad(screen, 0, 16, 0), KX_FontLoad(screen, str(""), 16, 0),
                          KX_FontLoad(screen, ab, 0, 0), KX_FontLoad(screen, ab, -5, 0)}));
    int32_t before = KX_FontGetChrSize(regular, 255, 1);
    KX_FontSetChrSize(regular, 256, 99, 1);
    EXPECT_EQ(KX_FontGetChrSize(regular, 255, 1), before);
    KX_FontSetChrSize(regular, 'A', 41, 1);
    EXPECT_EQ(KX_FontGetChrSize(regular, 'A', 1), 41);
    EXPECT_TRUE(all_zero({KX_FontGetChrHang(regular, -1, 0), KX_FontGetChrSize(regular, 256, 0)}));
    for (int32_t bad : {0, -1, 99999, ab, screen}) {
        EXPECT_TRUE(all_zero({KX_FontGetType(bad), KX_FontCalcTextSize(bad, ab, 1),
                              KX_DrawText(bad == 0 ? -1 : bad, ab, 10, 10, 0xFFFFFF, 0),
                              KX_FontPrepareFX(bad, 0)}))
            << bad;
    }
    int32_t banks = VM_UsedBankQuantity();
    KX_FontDelete(bold);
    EXPECT_EQ(VM_UsedBankQuantity(), banks - 2); // the font and its name
}

TEST_F(Fonts, SystemTextIsDrawnInItsColourInsideItsBoxAndTheViewport) {
    int32_t font = KX_FontLoad(screen, str("DejaVu Sans"), 20, 0x100); // one bit per pixel
    int32_t text = str("Wide text");
    clear();
    KX_SurfaceSetViewport(screen, 0, 0, 60, 100);
    KX_SetCurrentSurface(screen);
    ASSERT_EQ(KX_DrawText(font, text, 10, 30, 0xFF0000, 0), 1);
    int32_t width = KX_FontCalcTextSize(font, text, 1), height = KX_FontCalcTextSize(font, text, 0);
    Pixels px = raw(screen);
    int drawn = 0;
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 160; ++x) {
            uint32_t p = px[size_t(y) * 160 + size_t(x)];
            if (!p) continue;
            ++drawn;
            EXPECT_EQ(p, 0xFF0000u);
            EXPECT_TRUE(x >= 10 && x < 60 && x < 10 + width && y >= 30 && y < 30 + height)
                << x << "," << y;
        }
    EXPECT_GT(drawn, 20);

    // Culling: wholly above, below, left or right of the viewport draws nothing.
    EXPECT_TRUE(all_zero({KX_DrawText(font, text, 10, -height - 1, 0xFF, 0),
                          KX_DrawText(font, text, 10, 101, 0xFF, 0),
                          KX_DrawText(font, text, -width - 1, 10, 0xFF, 0),
                          KX_DrawText(font, text, 61, 10, 0xFF, 0)}));
    EXPECT_EQ(KX_DrawText(font, text, 10, -height / 2, 0xFF, 0), 1); // partly inside
    EXPECT_EQ(KX_DrawText(font, str(""), 10, 10, 0xFF, 0), 0);
    std::vector<char> big(100000, 'x');
    big.push_back(0);
    EXPECT_EQ(KX_DrawText(font, VM_NewStrFromPtr(big.data()), 0, 0, 0xFF, 0), 1);
    KX_SetCurrentSurface(0);
    EXPECT_EQ(KX_DrawText(font, text, 10, 10, 0xFF, 0), 0); // no current surface
}

TEST_F(Fonts, BitmapFontsDrawExactCopiesOfTheirGridCells) {
    int32_t font = KX_FontCreateBitmap(screen, 8, 8, 2);
    ASSERT_GT(font, 0);
    EXPECT_TRUE(all_zero({KX_FontCreateBitmap(screen, 0, 8, 2), KX_FontCreateBitmap(0, 8, 8, 2)}));
    int32_t image = KX_FontGetImage(font);
    EXPECT_EQ((Quad{KX_FontGetType(font), KX_SurfaceWidth(image), KX_SurfaceHeight(image)}),
              (Quad{2, 128, 128}));
    auto* f = record<KX_Font>(font);
    EXPECT_EQ((std::array{quad(f->Chars[17].SourceRect), quad(f->Chars[15].SourceRect)}),
              (std::array{Quad{8, 8, 16, 16}, Quad{120, 0, 128, 8}}));

    // A glyph for 'A' (cell 65: column 1, row 4): a diagonal and a corner.
    Pixels cells = raw(image);
    for (int i = 0; i < 8; ++i)
        cells[size_t(32 + i) * 128 + 8 + i] = 0x00FF00;
    cells[32 * 128 + 15] = 0x123456;
    write(image, cells);

    clear();
    KX_SetCurrentSurface(screen);
    ASSERT_EQ(KX_DrawText(font, str("AA"), 20, 10, 0, 0), 1);
    Pixels px = raw(screen);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 160; ++x) {
            uint32_t want = 0;
            for (int32_t cell : {20, 28})
                if (y >= 10 && y < 18 && x >= cell && x < cell + 8) {
                    int32_t gx = x - cell, gy = y - 10;
                    want = gx == gy ? 0x00FF00 : (gx == 7 && gy == 0) ? 0x123456 : 0;
                }
            ASSERT_EQ(px[size_t(y) * 160 + size_t(x)], want) << x << "," << y;
        }

    // Centring: a text 41 wide starts 20 to the left.
    KX_FontSetChrSize(font, 'A', 41, 1);
    clear();
    KX_DrawText(font, str("A"), 100, 10, 0, 1);
    EXPECT_EQ(colours(screen).at({{80, 10}, {87, 10}}), (Pixels{0x00FF00, 0x123456}));
}

TEST_F(Fonts, AConvertedSystemFontDrawsWhatTheSystemFontDrew) {
    // Without anti-aliasing: anti-aliased edges of neighbouring glyphs that
    // share a pixel blend in the system font and not in the grid.
    int32_t font = KX_FontLoad(screen, str("DejaVu Sans"), 14, 0x100);
    int32_t text = str("Hello Kx 1234");
    clear();
    KX_SetCurrentSurface(screen);
    ASSERT_EQ(KX_DrawText(font, text, 5, 20, 0xFFCC00, 0), 1);
    Pixels system = raw(screen);

    ASSERT_EQ(KX_FontConvertBitmap(font, 0xFFCC00, 1), 1);
    // The current surface is restored after converting; a font with an image is not converted.
    EXPECT_EQ((Quad{KX_FontGetType(font), KX_GetCurrentSurface(),
                    KX_FontConvertBitmap(font, 0xFFCC00, 1)}),
              (Quad{2, screen, 0}));
    for (int32_t type : {2, 4}) { // the grid, then the grid prepared for the raster road
        if (type == 4) {
            ASSERT_EQ(KX_FontPrepareFX(font, 0), 1);
        }
        EXPECT_EQ(KX_FontGetType(font), type);
        clear();
        ASSERT_EQ(KX_DrawText(font, text, 5, 20, 0, 0), 1);
        EXPECT_EQ(raw(screen), system) << type;
    }
    EXPECT_EQ(lock_of(screen)->Locked, 0);
}

} // namespace
