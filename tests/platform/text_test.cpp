// GDI-style text on surfaces: font metrics, drawing in the text colour inside
// the clip rectangle, background modes, styles, and object lifetimes.
#include <algorithm>
#include <array>
#include <cstring>

#include "gfx_fixture.h"

namespace kxp::test {
namespace {

class Text : public Gfx {
  protected:
    LPDIRECTDRAWSURFACE7 surface = 0;
    HDC dc = 0;

    void SetUp() override {
        Gfx::SetUp();
        surface = make(240, 80, kXRGB);
        ASSERT_EQ(GetDC(surface, &dc), DD_OK);
        ASSERT_NE(dc, 0u);
    }

    static HFONT font(std::int32_t height, const char* face = "DejaVu Sans",
                      std::int32_t weight = FW_NORMAL, DWORD quality = ANTIALIASED_QUALITY,
                      DWORD italic = 0, DWORD underline = 0, DWORD strike = 0) {
        return CreateFont(height, 0, 0, 0, weight, italic, underline, strike, ANSI_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality,
                          DEFAULT_PITCH | FF_DONTCARE, face);
    }

    SIZE extent(const char* text) {
        SIZE s{-1, -1};
        EXPECT_EQ(GetTextExtentPoint32(dc, text, static_cast<std::int32_t>(std::strlen(text)), &s),
                  1);
        return s;
    }

    BOOL draw(std::int32_t x, std::int32_t y, const char* text, UINT options = 0,
              const RECT* rect = nullptr, const std::int32_t* dx = nullptr) {
        return ExtTextOut(dc, x, y, options, rect, text, static_cast<UINT>(std::strlen(text)), dx);
    }

    // The surface's pixels; the device context is given back while reading.
    Pixels pixels() {
        EXPECT_EQ(ReleaseDC(surface, dc), DD_OK);
        Pixels p = read(surface);
        reacquire();
        return p;
    }
    // Clears the surface to black.
    void wipe() {
        ASSERT_EQ(ReleaseDC(surface, dc), DD_OK);
        clear(surface, 0);
        reacquire();
    }
    // A new device context with the settings of the last one.
    void reacquire() {
        ASSERT_EQ(GetDC(surface, &dc), DD_OK);
        SetBkMode(dc, mode);
        SetTextColor(dc, colour);
        if (current_font) SelectObject(dc, current_font);
    }
    void use(HFONT f) {
        ASSERT_NE(f, 0u);
        ASSERT_NE(SelectObject(dc, f), 0u);
        current_font = f;
    }
    // Text in colour c on a transparent background.
    void transparent(COLORREF c) {
        SetTextColor(dc, colour = c);
        SetBkMode(dc, mode = TRANSPARENT);
    }

    HFONT current_font = 0;
    COLORREF colour = 0;
    std::int32_t mode = OPAQUE;
};

TEST_F(Text, MetricsArePositiveAndAgreeWithTextExtents) {
    use(font(24));
    ABC abc[256];
    ASSERT_EQ(GetCharABCWidths(dc, 0, 255, abc), 1);
    std::int32_t sum = 0;
    for (int c = 32; c < 127; ++c) {
        char ch = static_cast<char>(c);
        SIZE s{};
        ASSERT_EQ(GetTextExtentPoint32(dc, &ch, 1, &s), 1);
        EXPECT_GT(s.cx, 0) << ch;
        EXPECT_EQ(s.cy, 24) << ch; // a positive height is the cell height
        EXPECT_EQ(abc[c].abcA + static_cast<std::int32_t>(abc[c].abcB) + abc[c].abcC, s.cx) << ch;
        if (c > 32) {
            EXPECT_GT(abc[c].abcB, 0u) << ch;
        }
        if (c >= 'A' && c <= 'Z') sum += s.cx;
    }
    EXPECT_EQ(extent("ABCDEFGHIJKLMNOPQRSTUVWXYZ").cx, sum); // no kerning: advances add up
    EXPECT_EQ((Calls{extent("").cx, extent("").cy}), (Calls{0, 24}));
    ABC part[3];
    ASSERT_EQ(GetCharABCWidths(dc, 'W', 'Y', part), 1);
    EXPECT_EQ(std::memcmp(part, abc + 'W', sizeof part), 0);
    EXPECT_GT(extent("W").cx, extent("i").cx);

    // Bold is wider; a negative height is the em, giving a taller cell.
    std::int32_t regular = extent("Hello, world").cx;
    use(font(24, "DejaVu Sans", FW_BOLD));
    EXPECT_GT(extent("Hello, world").cx, regular);
    use(font(-24));
    EXPECT_GT(extent("Hello").cy, 24);
    use(font(0));
    EXPECT_EQ(extent("Hello").cy, 16);
    // A face that is not installed, or none, falls back to DejaVu Sans.
    for (const char* face : {"No Such Face 123", ""}) {
        use(font(24, face));
        EXPECT_EQ(extent("Hello, world").cx, regular) << face;
    }

    SIZE s{};
    EXPECT_EQ((Calls{GetCharABCWidths(dc, 'B', 'A', abc), GetCharABCWidths(dc, 0, 256, abc),
                     GetCharABCWidths(dc, 0, 1, nullptr), GetCharABCWidths(dc + 100, 0, 1, abc),
                     GetTextExtentPoint32(dc, "x", -1, &s),
                     GetTextExtentPoint32(dc, nullptr, 1, &s), font(5000)}),
              Calls(7, 0));
}

TEST_F(Text, GlyphsLandInsideTheClipRectangleInTheTextColour) {
    use(font(24));
    transparent(RGB(255, 0, 0));
    RECT clip{20, 10, 70, 22};
    ASSERT_EQ(draw(8, 4, "WWWWWWWW", ETO_CLIPPED, &clip), 1);
    Pixels p = pixels();
    int full = 0, partial = 0;
    for (std::int32_t y = 0; y < p.height; ++y)
        for (std::int32_t x = 0; x < p.width; ++x) {
            std::uint32_t v = p(x, y);
            if (v == 0) continue;
            EXPECT_TRUE(x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                << x << "," << y;
            EXPECT_EQ(v & 0x00FFFF, 0u) << "only red: " << std::hex << v;
            full += v == 0xFF0000;
            partial += v != 0xFF0000;
        }
    EXPECT_GT(full, 20);
    EXPECT_GT(partial, 0); // anti-aliased edges
    // Unclipped, the same text reaches beyond that rectangle.
    wipe();
    ASSERT_EQ(draw(8, 4, "WWWWWWWW"), 1);
    p = pixels();
    EXPECT_GT(240 * 80 - count(p.raw, 0), full + partial + 20);

    // Text partly or wholly off the surface is cut at its edges; an empty clip
    // draws nothing, a missing one is refused.
    RECT nothing{50, 50, 40, 60};
    EXPECT_EQ((Calls{draw(-30, -12, "Hello"), draw(230, 70, "Hello"),
                     draw(INT32_MAX - 10, INT32_MIN + 10, "Hello"),
                     draw(40, 50, "Hello", ETO_CLIPPED, &nothing),
                     draw(40, 50, "Hello", ETO_CLIPPED, nullptr)}),
              (Calls{1, 1, 1, 1, 0}));
}

TEST_F(Text, MonochromeQualityWritesOnlyTheTextColourInTheSurfacesFormat) {
    ASSERT_EQ(ReleaseDC(surface, dc), DD_OK);
    surface = make(120, 40, kRGB565);
    ASSERT_EQ(GetDC(surface, &dc), DD_OK);
    use(font(20, "DejaVu Sans", FW_NORMAL, NONANTIALIASED_QUALITY));
    EXPECT_EQ(SetTextColor(dc, RGB(0, 0, 255)), 0u); // previous colour: black
    transparent(RGB(0, 0, 255));
    ASSERT_EQ(draw(2, 2, "Mono text"), 1);
    Raw p = pixels().raw;
    // Blue in 5-6-5 (0x00BBGGRR read the right way round) and nothing else.
    EXPECT_GT(count(p, 0x001F), 50);
    EXPECT_EQ(count(p, 0x001F) + count(p, 0), 120 * 40);
}

TEST_F(Text, OpaqueModeFillsTheTextCellsWithTheBackground) {
    use(font(20));
    EXPECT_EQ(SetBkColor(dc, RGB(0, 255, 0)), 0xFFFFFFu); // starts white
    SIZE s = extent("ab");
    ASSERT_EQ(draw(10, 5, "ab"), 1); // OPAQUE by default, black text
    Pixels p = pixels();
    int green = 0;
    for (std::int32_t y = 0; y < p.height; ++y)
        for (std::int32_t x = 0; x < p.width; ++x) {
            bool cell = x >= 10 && x < 10 + s.cx && y >= 5 && y < 5 + s.cy;
            std::uint32_t v = p(x, y);
            if (!cell) {
                ASSERT_EQ(v, 0u) << x << "," << y;
                continue;
            }
            EXPECT_EQ(v & 0xFF00FF, 0u); // black blended over green
            green += v == 0x00FF00;
        }
    EXPECT_GT(green, s.cx * s.cy / 2);
    // ETO_OPAQUE fills its rectangle also in transparent mode.
    transparent(0);
    SetBkColor(dc, RGB(0, 255, 0));
    RECT r{200, 60, 230, 70};
    ASSERT_EQ(draw(200, 60, "", ETO_OPAQUE, &r), 1);
    EXPECT_EQ(pixels().at({{200, 60}, {229, 69}, {230, 69}}), (Raw{0x00FF00, 0x00FF00, 0}));
}

TEST_F(Text, UnderlineAndStrikeOutRunUnderTheWholeText) {
    transparent(RGB(255, 255, 255));
    use(font(30, "DejaVu Sans", FW_NORMAL, ANTIALIASED_QUALITY, 0, 1, 1));
    SIZE s = extent("    ");
    ASSERT_GT(s.cx, 0);
    ASSERT_EQ(draw(10, 10, "    "), 1); // spaces: only the lines are drawn
    Pixels p = pixels();
    // Runs of rows white across the whole text; nothing just left or right of it.
    std::int32_t first = -1, last = -1, runs = 0;
    for (std::int32_t y = 0; y < p.height; ++y) {
        bool full = true;
        for (std::int32_t x = 10; x < 10 + s.cx; ++x)
            full = full && p(x, y) == 0xFFFFFF;
        if (full) {
            runs += last != y - 1;
            first = first < 0 ? y : first;
            last = y;
        }
        EXPECT_EQ(p(9, y) | p(10 + s.cx, y), 0u) << y;
    }
    EXPECT_EQ(runs, 2); // strike-out above, underline below
    EXPECT_GE(first, 10);
    EXPECT_LT(last, 10 + s.cy);
    // A plain font draws nothing for spaces.
    wipe();
    use(font(30));
    ASSERT_EQ(draw(10, 10, "    "), 1);
    EXPECT_EQ(count(pixels().raw, 0), 240 * 80);
}

// The ink of white text: its sum of intensities, and how far right the mean x of
// its top row lies of that of its bottom row.
std::array<double, 2> ink(const Pixels& p) {
    double amount = 0, top = -1, bottom = 0;
    for (std::int32_t y = 0; y < p.height; ++y) {
        double sum = 0, weight = 0;
        for (std::int32_t x = 0; x < p.width; ++x) {
            sum += (p(x, y) & 0xFF) * x;
            weight += p(x, y) & 0xFF;
        }
        if (weight == 0) continue;
        amount += weight;
        bottom = sum / weight;
        top = top < 0 ? bottom : top;
    }
    return {amount, top - bottom};
}

TEST_F(Text, BoldIsHeavierAndItalicLeansRight) {
    transparent(RGB(255, 255, 255));
    // An "l" in each font on a cleared surface. A family without bold and italic
    // faces (DejaVu Sans's extra-light one, else the fallback) gets them synthesised.
    auto ink_of = [this](const char* face, std::int32_t weight, DWORD italic) {
        wipe();
        use(font(48, face, weight, ANTIALIASED_QUALITY, italic));
        EXPECT_EQ(draw(20, 10, "l"), 1);
        return ink(pixels());
    };
    for (const char* face : {"DejaVu Sans", "DejaVu Sans Light"}) {
        SCOPED_TRACE(face);
        auto plain = ink_of(face, FW_NORMAL, 0), bold = ink_of(face, FW_BOLD, 0),
             both = ink_of(face, FW_BOLD, 1);
        EXPECT_NEAR(plain[1], 0.0, 1.0);
        EXPECT_NEAR(bold[1], 0.0, 1.0);
        EXPECT_GT(bold[0], plain[0] * 1.2);
        EXPECT_GT(both[0], plain[0] * 1.2);
        EXPECT_GT(ink_of(face, FW_NORMAL, 1)[1], 3.0);
        EXPECT_GT(both[1], 3.0);
    }
}

TEST_F(Text, ExplicitAdvancesPlaceEachCharacter) {
    use(font(20));
    transparent(RGB(255, 255, 0));
    const std::int32_t dx[2] = {40, 10};
    ASSERT_EQ(draw(10, 5, "ab", 0, nullptr, dx), 1);
    Pixels together = pixels();
    wipe();
    ASSERT_EQ(draw(10, 5, "a"), 1);
    ASSERT_EQ(draw(50, 5, "b"), 1);
    Pixels apart = pixels();
    EXPECT_EQ(together.raw, apart.raw);
}

TEST_F(Text, DeviceContextsAndFontsLiveAsLongAsTheyShould) {
    HDC second = 0;
    DDSURFACEDESC2 d = blank_desc();
    EXPECT_EQ((Calls{GetDC(surface, &second), Lock(surface, nullptr, &d, DDLOCK_WAIT, 0),
                     Blt(surface, nullptr, surface, nullptr, 0, nullptr)}),
              (Calls{DDERR_DCALREADYCREATED, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY}));

    // A selected font cannot go; the default font stays whatever is done to it.
    HFONT f = font(18);
    HGDIOBJ stock = SelectObject(dc, f);
    ASSERT_NE(stock, 0u);
    EXPECT_EQ((Calls{DeleteObject(f), SelectObject(dc, stock), DeleteObject(f), DeleteObject(f),
                     SelectObject(dc, f), DeleteObject(stock), SelectObject(dc, stock),
                     draw(0, 0, "still drawn"), DeleteObject(dc)}),
              (Calls{0, f, 1, 0, 0, 1, stock, 1, 0}));

    // A released context is refused everywhere and frees the surface.
    EXPECT_EQ((Calls{ReleaseDC(surface, dc + 1), ReleaseDC(surface, dc), ReleaseDC(surface, dc),
                     SetTextColor(dc, 0), SetBkColor(dc, 0), SetBkMode(dc, TRANSPARENT),
                     draw(0, 0, "gone"), Lock(surface, nullptr, &d, DDLOCK_WAIT, 0),
                     Unlock(surface, nullptr)}),
              (Calls{DDERR_INVALIDPARAMS, DD_OK, DDERR_NODC, CLR_INVALID, CLR_INVALID, 0, 0, DD_OK,
                     DD_OK}));

    // A surface released with its device context out takes the context along.
    ASSERT_EQ(GetDC(surface, &dc), DD_OK);
    EXPECT_EQ((Calls{SetBkMode(dc, 3), Release(surface), draw(0, 0, "gone"), GetDC(surface, &dc)}),
              (Calls{0, 0, 0, DDERR_INVALIDOBJECT}));
    surface = 0;
}

TEST_F(Text, TextDrawnOnTheWindowedPrimaryShowsWhenTheContextIsReleased) {
    HWND w = CreateWindowEx(0, "TestWindowClass", "Text", WS_POPUP | WS_VISIBLE, 100, 100, 80, 30,
                            0, 0, inst);
    ASSERT_NE(w, 0u);
    LPDIRECTDRAWSURFACE7 front = primary(dd);
    HDC pdc = 0;
    ASSERT_EQ(GetDC(front, &pdc), DD_OK);
    SetTextColor(pdc, RGB(255, 0, 0));
    ASSERT_EQ(ExtTextOut(pdc, 105, 105, 0, nullptr, "Hi", 2, nullptr), 1);
    FrameInfo info{};
    EXPECT_EQ(GetWindowFrame(w, &info, nullptr, 0), 0);
    ASSERT_EQ(ReleaseDC(front, pdc), DD_OK);
    Raw f = frame_of(w, info);
    ASSERT_EQ(info.width, 80);
    EXPECT_GT(count(f, 0xFFFFFF), 40); // the opaque background, white by default
    EXPECT_GT(count(f, 0xFF0000), 5);  // the glyphs
    EXPECT_EQ(f[0], 0u);               // (100, 100) lies left of and above the text
}

} // namespace
} // namespace kxp::test

// Fontconfig loses a few hundred bytes while it parses its configuration
// (inside FcInit); that is the system library's, not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
