// The screen, surfaces and images, driven as a host drives them: a window and
// a screen opened through the host kit on the headless desktop, pixels written
// through lock buffers and read back from the window.
#include <cstdio>
#include <string>

#include "graphics/host_fixture.h"
#include "kxp/window.h"

namespace {

using namespace kxt;

constexpr int32_t kDebugPresents = 13;

class Screen : public Host {
  protected:
    Pixels frame(int32_t* w = nullptr) {
        int32_t fw = 0, fh = 0;
        EXPECT_GT(KXH_ReadFrame(window, nullptr, 0, &fw, &fh), 0);
        Pixels px(size_t(fw) * size_t(fh));
        KXH_ReadFrame(window, px.data(), int32_t(px.size() * 4), nullptr, nullptr);
        if (w) *w = fw;
        return px;
    }
};

TEST_F(Screen, PixelsWrittenThroughTheLockReachTheWindowAtEveryDepth) {
    struct Case {
        int32_t depth, format;
        uint32_t raw, seen;
    };
    // 5-6-5: red 0x1F widens to 0xFF, green 0x20 to 0x82, blue 0x01 to 0x08.
    for (Case c :
         {Case{16, KX_FORMAT_565, 0xFC01, 0xFF8208}, Case{24, KX_FORMAT_24, 0x123456, 0x123456},
          Case{32, KX_FORMAT_32, 0xABCDEF, 0xABCDEF}}) {
        SCOPED_TRACE(c.depth);
        open_screen(c.depth);
        EXPECT_EQ((Quad{KX_GraphicsPixelFormat(screen), KX_GetCurrentSurface(),
                        record<KX_Window>(window)->ScreenHandle, KX_SurfaceDepth(screen)}),
                  (Quad{c.format, screen, screen, c.depth}));
        poke(screen, 5, 7, c.raw);
        int32_t presents = KX_WindowDebug(kDebugPresents);
        EXPECT_EQ(KX_SwapGraphics(screen, 0), 1);
        EXPECT_EQ(KX_WindowDebug(kDebugPresents), presents + 1);
        int32_t w = 0;
        Pixels px = frame(&w);
        ASSERT_EQ((Quad{w, int32_t(px.size())}), (Quad{64, 64 * 48}));
        EXPECT_EQ((Pixels{px[7 * 64 + 5], px[7 * 64 + 6]}), (Pixels{c.seen, 0}));
        EXPECT_EQ(KX_CloseGraphics(screen), 5); // input object, mouse, back, front, display
        EXPECT_EQ(KX_CloseGraphics(screen), 0);
        EXPECT_EQ(record<KX_Window>(window)->ScreenHandle, 0);
        screen = 0;
    }
}

TEST_F(Screen, FullScreenSwapFlipsAndCloseRestoresTheWindowStyle) {
    auto hwnd = static_cast<kxp::HWND>(KX_GetWindowHandle(window));
    kxp::LONG style = kxp::GetWindowLong(hwnd, kxp::GWL_STYLE);
    width = 320, height = 240;
    open_screen(32, 0);
    EXPECT_EQ(record<KX_Screen>(screen)->Windowed, 0);
    poke(screen, 0, 0, 0x00FF00);
    EXPECT_EQ(KX_SwapGraphics(screen, 1), 1);
    int32_t w = 0;
    EXPECT_EQ(frame(&w)[0], 0x00FF00u);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(KX_SwapGraphics(screen, 0), 1);
    EXPECT_GE(KX_CloseGraphics(screen), 5);
    EXPECT_EQ(kxp::GetWindowLong(hwnd, kxp::GWL_STYLE), style);
}

TEST_F(Screen, PaintAndMovePresentTheScreenAndFramesSaveAsPNG) {
    open_screen(32);
    poke(screen, 1, 1, 0x0000FF);
    int32_t before = KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr);
    kxp::InvalidateRect(static_cast<kxp::HWND>(KX_GetWindowHandle(window)), nullptr, 0);
    EXPECT_GT(KXH_PumpMessages(), 0);
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr), before + 1);
    KX_PositionWindow(window, 10, 10);
    KXH_PumpMessages();
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr), before + 2);
    EXPECT_EQ(frame()[64 + 1], 0x0000FFu);
    // The PNG's contents are read back by the demo tests, from kxrun's captures.
    std::string path = ::testing::TempDir() + "kx_frame.png";
    EXPECT_EQ((Quad{KXH_SaveFramePNG(window, path.c_str()),
                    KXH_SaveFramePNG(window, "/no/such/folder/x.png")}),
              (Quad{1, 0}));
    std::remove(path.c_str());
}

TEST_F(Screen, ViewportsLocksAndTheCurrentSurface) {
    open_screen(16);
    int32_t i = KX_ImageCreate(screen, 32, 32, 16, 2);
    auto* v = static_cast<KX_Viewport*>(KX_SurfaceSetViewport(i, 50, 40, 10, 5));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v, KX_GetViewportPtr(i));
    EXPECT_EQ(quad(*v), (Quad{10, 5, 32, 32})); // ordered, clamped to the image
    KX_SurfaceSetViewport(i, -5, 0, -5, 10);
    EXPECT_EQ(quad(*v), (Quad{0, 0, -5, 10}));

    // Format 0 while unlocked although the buffer's Format is set; SurfacePTR's temporary
    // lock released; locks do not nest. Braces keep the order.
    for (int32_t surface : {screen, i}) {
        KX_LockBuffer* lock = lock_of(surface);
        EXPECT_EQ(
            (std::array{KX_SurfaceFormat(surface), lock->Format, KX_UnLockSurface(surface),
                        int32_t(KX_SurfacePTR(surface) != 0), lock->Locked, KX_LockSurface(surface),
                        KX_LockSurface(surface), lock->Locked, KX_SurfaceFormat(surface),
                        KX_SurfacePitch(surface) - lock->Pitch, KX_UnLockSurface(surface)}),
            (std::array<int32_t, 11>{0, KX_FORMAT_565, 0, 1, 0, 1, 0, 1, KX_FORMAT_565, 0, 1}))
            << surface;
    }
    EXPECT_EQ(KX_SurfacePitch(i), 72); // 32 x 2 rounded to 8, plus 8

    KX_SetCurrentSurface(i);
    EXPECT_EQ((std::array{KX_GetCurrentSurface(), KX_SetCurrentBlitFXSurface(i),
                          KX_SetCurrentBlitFXSurface(12345), KX_SetCurrentSurface(-3),
                          KX_GetCurrentSurface()}),
              (std::array{i, i, 0, 0, 0}));
    KX_SetCurrentSurface(i);
    EXPECT_EQ(KX_ImageDelete(i), 1);
    EXPECT_EQ(KX_GetCurrentSurface(), screen); // deleting the current image selects its screen
}

TEST_F(Screen, EverySurfaceOperationRefusesWhatIsNotASurface) {
    EXPECT_EQ(KXH_OpenScreen(0, 64, 48, 32, 1), 0);
    EXPECT_EQ(KXH_OpenScreen(window, 0, 48, 32, 1), 0);
    EXPECT_EQ(KXH_OpenScreen(window, 64, 48, 8, 1), 0);
    int32_t w = -1;
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, &w, nullptr), 0); // nothing presented yet
    EXPECT_EQ(w, -1);
    EXPECT_EQ(KXH_SaveFramePNG(window, nullptr), 0);

    open_screen(32);
    int32_t freed = KX_ImageCreate(screen, 8, 8, 32, 1);
    KX_ImageDelete(freed);
    int32_t string = VM_NewKXStr(200);
    int32_t tiny_image = VM_TypedAlloc(8, 9, 0); // an image bank too small for the record
    for (int32_t bad : {0, -1, 1 << 30, freed, string, tiny_image, window}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(all_zero(
            {KX_ValidSurface(bad), KX_GetGfxSurface(bad), KX_LockSurface(bad),
             KX_UnLockSurface(bad), KX_SurfaceWidth(bad), KX_SurfacePTR(bad),
             KX_SwapGraphics(bad, 0), KX_CloseGraphics(bad), KX_ImageCreate(bad, 8, 8, 32, 1),
             KX_ImageDelete(bad), KX_ImageClone(bad) + 1, KX_ImageClone_ORIGINAL(bad),
             KX_ImagePrepareFX(bad), KX_ImageMaskColour(bad, 5), KX_ImageGetType(bad)}));
        for (void* p : {KX_GetSurfaceSizePtr(bad), KX_GetViewportPtr(bad), KX_GetLockBufferPtr(bad),
                        KX_GetImageTypePtr(bad), KX_GetFXImagePtr(bad),
                        KX_SurfaceSetViewport(bad, 0, 0, 1, 1)})
            EXPECT_EQ(p, nullptr);
    }
    EXPECT_EQ(KX_GetFXImagePtr(screen), nullptr); // a screen has no FX record
    KX_CloseGraphics(screen);
    EXPECT_EQ(VM_BankExist(tiny_image), 0); // closing takes every image bank
}

TEST_F(Screen, ImagesGetTheirBuffersRecordsAndRenderTargets) {
    open_screen(16);
    int32_t banks = VM_UsedBankQuantity();
    // No buffer kind, no width, a buffer beyond 2^31 - 1 bytes.
    EXPECT_TRUE(all_zero({KX_ImageCreate(screen, 8, 8, 16, 0), KX_ImageCreate(screen, 0, 8, 16, 1),
                          KX_ImageCreate(screen, 1 << 20, 1 << 12, 16, 2)}));
    EXPECT_EQ(VM_UsedBankQuantity(), banks); // nothing left behind

    struct Case {
        int32_t flags, render_to;
    };
    for (Case c : {Case{7, 4}, Case{3, 2}, Case{1, 1}, Case{0x101, 1}, Case{4, 4}}) {
        SCOPED_TRACE(c.flags);
        int32_t i = KX_ImageCreate(screen, 640, 4, 99, c.flags);
        ASSERT_GT(i, 0);
        EXPECT_EQ((Quad{KX_ImageGetRenderTo(i), KX_ImageGetType(i), KX_GetGfxSurface(i) != 0}),
                  (Quad{c.render_to, c.flags, c.render_to != 2}));
        auto* r = record<KX_Image>(i);
        EXPECT_EQ((std::array{r->InUse, r->Screen, r->Size.Depth, r->Lock.Format, r->Viewport.Right,
                              r->Video.Present, r->Texture.Present}),
                  (std::array{1, screen, 99, int(KX_FORMAT_565), 640, c.flags & 1,
                              (c.flags & 4) ? 1 : 0}));
        if (c.flags & 2) {
            EXPECT_EQ((Quad{r->FX.Pitch, r->FX.Format}), (Quad{1288, KX_FORMAT_565}));
            EXPECT_EQ(KX_GetFXImagePtr(i), static_cast<void*>(&r->FX));
        }
    }
    int32_t video = KX_ImageCreate(screen, 16, 16, 16, 1);
    KX_ImageRenderTo(video, 2); // it has no FX buffer
    EXPECT_EQ(KX_ImageGetRenderTo(video), 1);
    int32_t both = KX_ImageCreate(screen, 16, 16, 16, 3);
    KX_ImageRenderTo(both, 1);
    EXPECT_EQ(KX_ImageGetRenderTo(both), 1);
    EXPECT_EQ(KX_ImageMaskColour(both, 0xF81F), 1);
    EXPECT_EQ(KX_ImageGetMaskColour(both), 0xF81F);

    EXPECT_EQ(KX_CloseGraphics(screen), 5);
    EXPECT_EQ(VM_UsedBankQuantity(), banks - 1); // every image and the screen are gone
}

TEST_F(Screen, SyncPrepareFXAndClonesCopyPixels) {
    open_screen(32);
    int32_t i = KX_ImageCreate(screen, 16, 8, 32, 3);
    KX_ImageRenderTo(i, 1);
    poke(i, 3, 2, 0x445566);
    auto fx_pixel = [](int32_t image, int32_t x, int32_t y) {
        KX_FXRecord* fx = &record<KX_Image>(image)->FX;
        return reinterpret_cast<uint32_t*>(uintptr_t(fx->Pixels) + uintptr_t(y * fx->Pitch))[x];
    };
    KX_ImageSync(i, 4, 2); // not from video: nothing
    EXPECT_EQ(fx_pixel(i, 3, 2), 0u);
    EXPECT_EQ(KX_ImageSync(i, 1, 2), 0);
    EXPECT_EQ(fx_pixel(i, 3, 2), 0x445566u);

    int32_t copy = KX_ImageClone(i);
    ASSERT_GT(copy, 0);
    EXPECT_EQ(KX_ImageGetRenderTo(copy), 1);
    EXPECT_NE(record<KX_Image>(copy)->FX.Bank, record<KX_Image>(i)->FX.Bank);
    EXPECT_EQ(fx_pixel(copy, 3, 2), 0x445566u);
    int32_t first_form = KX_ImageClone_ORIGINAL(i);
    ASSERT_GT(first_form, 0);
    EXPECT_NE(record<KX_Image>(first_form)->Video.Surface, record<KX_Image>(i)->Video.Surface);
    KX_ImageDelete(i); // the clones keep buffers of their own
    EXPECT_EQ(fx_pixel(first_form, 3, 2), 0x445566u);

    int32_t v = KX_ImageCreate(screen, 16, 8, 32, 1);
    poke(v, 15, 7, 0x010203);
    KX_SetCurrentSurface(v);
    EXPECT_EQ(KX_ImagePrepareFX(v), 1);
    EXPECT_EQ((Quad{KX_ImageGetType(v), KX_ImageGetRenderTo(v), KX_GetGfxSurface(v),
                    record<KX_Image>(v)->Video.Present}),
              (Quad{2, 2, 0, 0}));
    EXPECT_EQ(fx_pixel(v, 15, 7), 0x010203u);
    EXPECT_EQ(KX_GetCurrentSurface(), screen);
}

} // namespace
