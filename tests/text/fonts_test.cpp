// Fonts on a screen opened through the host kit: metrics measured at load,
// text drawn by system fonts and bitmap fonts, read back through lock buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace {

class Fonts : public ::testing::Test {
  protected:
    int32_t window = 0, screen = 0;

    void SetUp() override {
        ASSERT_NE(VM_OpenMemoryManager(1000), 0);
        ASSERT_EQ(KXH_UseBackend("headless"), 1);
        window = KX_OpenWindow(160, 100);
        screen = KXH_OpenScreen(window, 160, 100, 32, 1);
        ASSERT_GT(screen, 0);
    }
    void TearDown() override {
        KX_CloseGraphics(screen);
        KX_CloseWindow(window);
        VM_CloseMemoryManager();
    }

    static int32_t str(const char* s) { return VM_NewStrFromPtr(s); }

    // The surface's pixels (32-bit surfaces), read through its lock.
    static std::vector<uint32_t> pixels(int32_t surface) {
        int32_t w = KX_SurfaceWidth(surface), h = KX_SurfaceHeight(surface);
        std::vector<uint32_t> out(size_t(w) * size_t(h));
        EXPECT_EQ(KX_LockSurface(surface), 1);
        auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(surface));
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(&out[size_t(y) * size_t(w)],
                        reinterpret_cast<uint8_t*>(uintptr_t(lock->Pixels)) + y * lock->Pitch,
                        size_t(w) * 4);
        EXPECT_EQ(KX_UnLockSurface(surface), 1);
        return out;
    }
    void clear() {
        int32_t w = KX_SurfaceWidth(screen), h = KX_SurfaceHeight(screen);
        ASSERT_EQ(KX_LockSurface(screen), 1);
        auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(screen));
        for (int32_t y = 0; y < h; ++y)
            std::memset(reinterpret_cast<uint8_t*>(uintptr_t(lock->Pixels)) + y * lock->Pitch, 0,
                        size_t(w) * 4);
        ASSERT_EQ(KX_UnLockSurface(screen), 1);
    }
};

TEST_F(Fonts, SystemFontMetricsAreMeasuredForEveryCharacter) {
    int32_t regular = KX_FontLoad(screen, str("DejaVu Sans"), 16, 0);
    int32_t bold = KX_FontLoad(screen, str("DejaVu Sans"), 16, 1);
    int32_t mono = KX_FontLoad(screen, str("DejaVu Sans Mono"), 16, 0x100);
    int32_t missing = KX_FontLoad(screen, str("No Such Face At All"), 12, 0);
    ASSERT_GT(regular, 0);
    ASSERT_GT(missing, 0); // a missing face falls back to the default one
    EXPECT_EQ(VM_BankType(regular), 11);
    EXPECT_EQ(VM_BankSize(regular), 8252);
    auto* f = static_cast<KX_Font*>(VM_BankPtr(regular));
    EXPECT_EQ(f->InUse, 1);
    EXPECT_EQ(f->GridColumns * f->GridRows, 256);
    EXPECT_EQ(KX_FontGetType(regular), 1);
    EXPECT_EQ(KX_FontGetSize(regular), 16);
    EXPECT_EQ(KX_FontGetStyle(bold), 1);
    for (int c = 33; c < 127; ++c) {
        EXPECT_GT(KX_FontGetChrSize(regular, c, 1), 0) << c;
        EXPECT_GT(KX_FontGetChrSize(missing, c, 1), 0) << c;
        EXPECT_EQ(KX_FontGetChrSize(mono, c, 1), KX_FontGetChrSize(mono, 'M', 1)) << c;
    }
    EXPECT_GT(KX_FontGetHeight(regular), 0);
    EXPECT_GE(KX_FontGetWidth(regular), KX_FontGetChrSize(regular, 'W', 1));

    int32_t ab = str("AB"), text = str("Hello, World");
    EXPECT_EQ(KX_FontCalcTextSize(regular, ab, 1),
              KX_FontGetChrSize(regular, 'A', 1) + KX_FontGetChrSize(regular, 'B', 1));
    EXPECT_EQ(KX_FontCalcTextSize(regular, ab, 0), KX_FontGetChrSize(regular, 'A', 0));
    EXPECT_EQ(KX_FontCalcTextSize(regular, ab, 2), 0);
    EXPECT_EQ(KX_FontCalcTextSize(regular, str(""), 1), 0);
    EXPECT_GE(KX_FontCalcTextSize(bold, text, 1), KX_FontCalcTextSize(regular, text, 1));

    int32_t name = VM_NewKXStr(4);
    KX_FontGetName(regular, name);
    EXPECT_STREQ(static_cast<const char*>(VM_StrFirstChrPtr(name)), "DejaVu Sans");

    // Refusals and codes out of range.
    EXPECT_EQ(KX_FontLoad(screen, 0, 16, 0), 0);
    EXPECT_EQ(KX_FontLoad(screen, str(""), 16, 0), 0);
    EXPECT_EQ(KX_FontLoad(screen, ab, 0, 0), 0);
    EXPECT_EQ(KX_FontLoad(screen, ab, -5, 0), 0);
    int32_t before = KX_FontGetChrSize(regular, 255, 1);
    KX_FontSetChrSize(regular, 256, 99, 1);
    EXPECT_EQ(KX_FontGetChrSize(regular, 255, 1), before);
    KX_FontSetChrSize(regular, 'A', 41, 1);
    EXPECT_EQ(KX_FontGetChrSize(regular, 'A', 1), 41);
    EXPECT_EQ(KX_FontGetChrHang(regular, -1, 0), 0);
    EXPECT_EQ(KX_FontGetChrSize(regular, 256, 0), 0);
    for (int32_t bad : {0, -1, 99999, ab, screen}) {
        EXPECT_EQ(KX_FontGetType(bad), 0);
        EXPECT_EQ(KX_FontCalcTextSize(bad, ab, 1), 0);
        EXPECT_EQ(KX_DrawText(bad == 0 ? -1 : bad, ab, 10, 10, 0xFFFFFF, 0), 0);
        EXPECT_EQ(KX_FontPrepareFX(bad, 0), 0);
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
    std::vector<uint32_t> px = pixels(screen);
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
    EXPECT_EQ(KX_DrawText(font, text, 10, -height - 1, 0xFF, 0), 0);
    EXPECT_EQ(KX_DrawText(font, text, 10, 101, 0xFF, 0), 0);
    EXPECT_EQ(KX_DrawText(font, text, -width - 1, 10, 0xFF, 0), 0);
    EXPECT_EQ(KX_DrawText(font, text, 61, 10, 0xFF, 0), 0);
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
    EXPECT_EQ(KX_FontCreateBitmap(screen, 0, 8, 2), 0);
    EXPECT_EQ(KX_FontCreateBitmap(0, 8, 8, 2), 0);
    EXPECT_EQ(KX_FontGetType(font), 2);
    int32_t image = KX_FontGetImage(font);
    EXPECT_EQ(KX_SurfaceWidth(image), 128);
    EXPECT_EQ(KX_SurfaceHeight(image), 128);
    auto* f = static_cast<KX_Font*>(VM_BankPtr(font));
    const KX_Viewport& r17 = f->Chars[17].SourceRect;
    EXPECT_EQ(r17.Left * 1000000 + r17.Top * 10000 + r17.Right * 100 + r17.Bottom, 8081616);
    const KX_Viewport& r15 = f->Chars[15].SourceRect;
    EXPECT_EQ(r15.Left, 120);
    EXPECT_EQ(r15.Right, 128);
    EXPECT_EQ(r15.Bottom, 8);

    // A glyph for 'A' (cell 65: column 1, row 4): a diagonal and a corner.
    ASSERT_EQ(KX_LockSurface(image), 1);
    auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(image));
    auto at = [&](int32_t x, int32_t y) {
        return reinterpret_cast<uint32_t*>(uintptr_t(lock->Pixels) + uintptr_t(y * lock->Pitch)) +
               x;
    };
    for (int i = 0; i < 8; ++i)
        *at(8 + i, 32 + i) = 0x00FF00;
    *at(15, 32) = 0x123456;
    KX_UnLockSurface(image);

    clear();
    KX_SetCurrentSurface(screen);
    ASSERT_EQ(KX_DrawText(font, str("AA"), 20, 10, 0, 0), 1);
    std::vector<uint32_t> px = pixels(screen);
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
    px = pixels(screen);
    EXPECT_EQ(px[10 * 160 + 80], 0x00FF00u);
    EXPECT_EQ(px[10 * 160 + 87], 0x123456u);
}

TEST_F(Fonts, AConvertedSystemFontDrawsWhatTheSystemFontDrew) {
    // Without anti-aliasing: anti-aliased edges of neighbouring glyphs that
    // share a pixel blend in the system font and not in the grid.
    int32_t font = KX_FontLoad(screen, str("DejaVu Sans"), 14, 0x100);
    int32_t text = str("Hello Kx 1234");
    clear();
    KX_SetCurrentSurface(screen);
    ASSERT_EQ(KX_DrawText(font, text, 5, 20, 0xFFCC00, 0), 1);
    std::vector<uint32_t> system = pixels(screen);

    ASSERT_EQ(KX_FontConvertBitmap(font, 0xFFCC00, 1), 1);
    EXPECT_EQ(KX_FontGetType(font), 2);
    EXPECT_EQ(KX_GetCurrentSurface(), screen);             // restored after converting
    EXPECT_EQ(KX_FontConvertBitmap(font, 0xFFCC00, 1), 0); // it has an image now
    clear();
    ASSERT_EQ(KX_DrawText(font, text, 5, 20, 0, 0), 1);
    EXPECT_EQ(pixels(screen), system);

    ASSERT_EQ(KX_FontPrepareFX(font, 0), 1);
    EXPECT_EQ(KX_FontGetType(font), 4);
    clear();
    ASSERT_EQ(KX_DrawText(font, text, 5, 20, 0, 0), 1);
    EXPECT_EQ(pixels(screen), system);
    EXPECT_EQ(static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(screen))->Locked, 0);
}

} // namespace
