// The screen, surfaces and images, driven as a host drives them: a window and
// a screen opened through the host kit on the headless desktop, pixels written
// through lock buffers and read back from the window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"
#include "kxp/window.h"

namespace {

constexpr int32_t kDebugPresents = 13;

class Screen : public ::testing::Test {
  protected:
    int32_t window = 0;

    void SetUp() override {
        ASSERT_NE(VM_OpenMemoryManager(1000), 0);
        ASSERT_EQ(KXH_UseBackend("headless"), 1);
        window = KX_OpenWindow(64, 48);
        ASSERT_GT(window, 0);
    }
    void TearDown() override {
        KX_CloseWindow(window);
        VM_CloseMemoryManager();
    }

    static KX_Screen* scr(int32_t h) { return static_cast<KX_Screen*>(VM_BankPtr(h)); }
    static KX_Image* img(int32_t h) { return static_cast<KX_Image*>(VM_BankPtr(h)); }

    // Writes a raw pixel value through the surface's lock.
    static void poke(int32_t surface, int32_t x, int32_t y, uint32_t value) {
        ASSERT_EQ(KX_LockSurface(surface), 1);
        auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(surface));
        int32_t bytes = lock->Format == KX_FORMAT_32 ? 4 : lock->Format == KX_FORMAT_24 ? 3 : 2;
        auto* p = reinterpret_cast<uint8_t*>(uintptr_t(lock->Pixels)) + y * lock->Pitch + x * bytes;
        std::memcpy(p, &value, static_cast<size_t>(bytes));
        ASSERT_EQ(KX_UnLockSurface(surface), 1);
    }

    std::vector<uint32_t> frame(int32_t* w = nullptr, int32_t* h = nullptr) {
        int32_t fw = 0, fh = 0;
        EXPECT_GT(KXH_ReadFrame(window, nullptr, 0, &fw, &fh), 0);
        std::vector<uint32_t> px(size_t(fw) * size_t(fh));
        KXH_ReadFrame(window, px.data(), int32_t(px.size() * 4), nullptr, nullptr);
        if (w) *w = fw;
        if (h) *h = fh;
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
        int32_t s = KXH_OpenScreen(window, 64, 48, c.depth, 1);
        ASSERT_GT(s, 0);
        EXPECT_EQ(KX_GraphicsPixelFormat(s), c.format);
        EXPECT_EQ(KX_GetCurrentSurface(), s);
        EXPECT_EQ(static_cast<KX_Window*>(VM_BankPtr(window))->ScreenHandle, s);
        EXPECT_EQ(KX_SurfaceWidth(s), 64);
        EXPECT_EQ(KX_SurfaceDepth(s), c.depth);
        poke(s, 5, 7, c.raw);
        int32_t presents = KX_WindowDebug(kDebugPresents);
        EXPECT_EQ(KX_SwapGraphics(s, 0), 1);
        EXPECT_EQ(KX_WindowDebug(kDebugPresents), presents + 1);
        int32_t w = 0, h = 0;
        std::vector<uint32_t> px = frame(&w, &h);
        ASSERT_EQ(w, 64);
        ASSERT_EQ(h, 48);
        EXPECT_EQ(px[7 * 64 + 5], c.seen);
        EXPECT_EQ(px[7 * 64 + 6], 0u);
        EXPECT_EQ(KX_CloseGraphics(s), 5); // input object, mouse, back, front, display
        EXPECT_EQ(KX_CloseGraphics(s), 0);
        EXPECT_EQ(static_cast<KX_Window*>(VM_BankPtr(window))->ScreenHandle, 0);
    }
}

TEST_F(Screen, FullScreenSwapFlipsAndCloseRestoresTheWindowStyle) {
    kxp::HWND hwnd = static_cast<kxp::HWND>(KX_GetWindowHandle(window));
    kxp::LONG style = kxp::GetWindowLong(hwnd, kxp::GWL_STYLE);
    int32_t s = KXH_OpenScreen(window, 320, 240, 32, 0);
    ASSERT_GT(s, 0);
    EXPECT_EQ(scr(s)->Windowed, 0);
    poke(s, 0, 0, 0x00FF00);
    EXPECT_EQ(KX_SwapGraphics(s, 1), 1);
    int32_t w = 0;
    std::vector<uint32_t> px = frame(&w);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(px[0], 0x00FF00u);
    EXPECT_EQ(KX_SwapGraphics(s, 0), 1);
    EXPECT_GE(KX_CloseGraphics(s), 5);
    EXPECT_EQ(kxp::GetWindowLong(hwnd, kxp::GWL_STYLE), style);
}

TEST_F(Screen, PaintAndMovePresentTheScreen) {
    int32_t s = KXH_OpenScreen(window, 64, 48, 32, 1);
    poke(s, 1, 1, 0x0000FF);
    int32_t before = KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr);
    kxp::InvalidateRect(static_cast<kxp::HWND>(KX_GetWindowHandle(window)), nullptr, 0);
    EXPECT_GT(KXH_PumpMessages(), 0);
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr), before + 1);
    KX_PositionWindow(window, 10, 10);
    KXH_PumpMessages();
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, nullptr, nullptr), before + 2);
    EXPECT_EQ(frame()[64 + 1], 0x0000FFu);
    std::string path = ::testing::TempDir() + "kx_frame.png";
    EXPECT_EQ(KXH_SaveFramePNG(window, path.c_str()), 1);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char sig[8] = {};
    EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(sig[1], 'P');
    EXPECT_EQ(KXH_SaveFramePNG(window, "/no/such/folder/x.png"), 0);
    KX_CloseGraphics(s);
}

TEST_F(Screen, HostKitRefusesBadScreens) {
    EXPECT_EQ(KXH_OpenScreen(0, 64, 48, 32, 1), 0);
    EXPECT_EQ(KXH_OpenScreen(window, 0, 48, 32, 1), 0);
    EXPECT_EQ(KXH_OpenScreen(window, 64, 48, 8, 1), 0);
    int32_t w = -1;
    EXPECT_EQ(KXH_ReadFrame(window, nullptr, 0, &w, nullptr), 0); // nothing presented yet
    EXPECT_EQ(w, -1);
    EXPECT_EQ(KXH_SaveFramePNG(window, nullptr), 0);
}

TEST_F(Screen, ViewportsLocksAndTheCurrentSurface) {
    int32_t s = KXH_OpenScreen(window, 64, 48, 16, 1);
    int32_t i = KX_ImageCreate(s, 32, 32, 16, 2);
    auto* v = static_cast<KX_Viewport*>(KX_SurfaceSetViewport(i, 50, 40, 10, 5));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v, KX_GetViewportPtr(i));
    EXPECT_EQ(v->Left, 10);
    EXPECT_EQ(v->Top, 5);
    EXPECT_EQ(v->Right, 32);
    EXPECT_EQ(v->Bottom, 32);
    KX_SurfaceSetViewport(i, -5, 0, -5, 10);
    EXPECT_EQ(v->Left, 0);
    EXPECT_EQ(v->Right, -5);

    for (int32_t surface : {s, i}) {
        auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(surface));
        EXPECT_EQ(KX_SurfaceFormat(surface), 0); // unlocked, although Format is set
        EXPECT_EQ(lock->Format, KX_FORMAT_565);
        EXPECT_EQ(KX_UnLockSurface(surface), 0);
        int32_t address = KX_SurfacePTR(surface);
        EXPECT_NE(address, 0);
        EXPECT_EQ(lock->Locked, 0); // the temporary lock was released
        EXPECT_EQ(KX_LockSurface(surface), 1);
        EXPECT_EQ(KX_LockSurface(surface), 0);
        EXPECT_EQ(lock->Locked, 1);
        EXPECT_EQ(KX_SurfaceFormat(surface), KX_FORMAT_565);
        EXPECT_EQ(KX_SurfacePitch(surface), lock->Pitch);
        EXPECT_EQ(KX_UnLockSurface(surface), 1);
    }
    EXPECT_EQ(KX_SurfacePitch(i), 72); // 32 x 2 rounded to 8, plus 8

    KX_SetCurrentSurface(i);
    EXPECT_EQ(KX_GetCurrentSurface(), i);
    EXPECT_EQ(KX_SetCurrentBlitFXSurface(i), i);
    EXPECT_EQ(KX_SetCurrentBlitFXSurface(12345), 0);
    EXPECT_EQ(KX_SetCurrentSurface(-3), 0);
    EXPECT_EQ(KX_GetCurrentSurface(), 0);
    KX_SetCurrentSurface(i);
    EXPECT_EQ(KX_ImageDelete(i), 1);
    EXPECT_EQ(KX_GetCurrentSurface(), s); // deleting the current image selects its screen
    KX_CloseGraphics(s);
}

TEST_F(Screen, EverySurfaceOperationRefusesWhatIsNotASurface) {
    int32_t s = KXH_OpenScreen(window, 64, 48, 32, 1);
    int32_t freed = KX_ImageCreate(s, 8, 8, 32, 1);
    KX_ImageDelete(freed);
    int32_t string = VM_NewKXStr(200);
    int32_t tiny_image = VM_TypedAlloc(8, 9, 0); // an image bank too small for the record
    for (int32_t bad : {0, -1, 1 << 30, freed, string, tiny_image, window}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(KX_ValidSurface(bad), 0);
        EXPECT_EQ(KX_GetGfxSurface(bad), 0);
        EXPECT_EQ(KX_GetSurfaceSizePtr(bad), nullptr);
        EXPECT_EQ(KX_GetViewportPtr(bad), nullptr);
        EXPECT_EQ(KX_GetLockBufferPtr(bad), nullptr);
        EXPECT_EQ(KX_GetImageTypePtr(bad), nullptr);
        EXPECT_EQ(KX_GetFXImagePtr(bad), nullptr);
        EXPECT_EQ(KX_SurfaceSetViewport(bad, 0, 0, 1, 1), nullptr);
        EXPECT_EQ(KX_LockSurface(bad), 0);
        EXPECT_EQ(KX_UnLockSurface(bad), 0);
        EXPECT_EQ(KX_SurfaceWidth(bad), 0);
        EXPECT_EQ(KX_SurfacePTR(bad), 0);
        EXPECT_EQ(KX_SwapGraphics(bad, 0), 0);
        EXPECT_EQ(KX_CloseGraphics(bad), 0);
        EXPECT_EQ(KX_ImageCreate(bad, 8, 8, 32, 1), 0);
        EXPECT_EQ(KX_ImageDelete(bad), 0);
        EXPECT_EQ(KX_ImageClone(bad), -1);
        EXPECT_EQ(KX_ImageClone_ORIGINAL(bad), 0);
        EXPECT_EQ(KX_ImagePrepareFX(bad), 0);
        EXPECT_EQ(KX_ImageMaskColour(bad, 5), 0);
        EXPECT_EQ(KX_ImageGetType(bad), 0);
    }
    EXPECT_EQ(KX_GetFXImagePtr(s), nullptr); // a screen has no FX record
    KX_CloseGraphics(s);
    EXPECT_EQ(VM_BankExist(tiny_image), 0); // closing takes every image bank
}

TEST_F(Screen, ImagesGetTheirBuffersRecordsAndRenderTargets) {
    int32_t s = KXH_OpenScreen(window, 64, 48, 16, 1);
    int32_t banks = VM_UsedBankQuantity();
    EXPECT_EQ(KX_ImageCreate(s, 8, 8, 16, 0), 0);
    EXPECT_EQ(KX_ImageCreate(s, 0, 8, 16, 1), 0);
    EXPECT_EQ(KX_ImageCreate(s, 1 << 20, 1 << 12, 16, 2), 0); // buffer beyond 2^31 - 1 bytes
    EXPECT_EQ(VM_UsedBankQuantity(), banks);                  // nothing left behind

    struct Case {
        int32_t flags, render_to;
    };
    for (Case c : {Case{7, 4}, Case{3, 2}, Case{1, 1}, Case{0x101, 1}, Case{4, 4}}) {
        int32_t i = KX_ImageCreate(s, 640, 4, 99, c.flags);
        ASSERT_GT(i, 0) << c.flags;
        EXPECT_EQ(KX_ImageGetRenderTo(i), c.render_to);
        EXPECT_EQ(KX_ImageGetType(i), c.flags);
        KX_Image* r = img(i);
        EXPECT_EQ(r->InUse, 1);
        EXPECT_EQ(r->Screen, s);
        EXPECT_EQ(r->Size.Depth, 99);
        EXPECT_EQ(r->Lock.Format, KX_FORMAT_565);
        EXPECT_EQ(r->Viewport.Right, 640);
        EXPECT_EQ(r->Video.Present, c.flags & 1);
        EXPECT_EQ(r->Texture.Present, (c.flags & 4) ? 1 : 0);
        if (c.flags & 2) {
            EXPECT_EQ(r->FX.Pitch, 1288);
            EXPECT_EQ(r->FX.Format, KX_FORMAT_565);
            EXPECT_EQ(KX_GetFXImagePtr(i), static_cast<void*>(&r->FX));
        }
        EXPECT_EQ(KX_GetGfxSurface(i) != 0, c.render_to != 2);
    }
    int32_t video = KX_ImageCreate(s, 16, 16, 16, 1);
    KX_ImageRenderTo(video, 2); // it has no FX buffer
    EXPECT_EQ(KX_ImageGetRenderTo(video), 1);
    int32_t both = KX_ImageCreate(s, 16, 16, 16, 3);
    KX_ImageRenderTo(both, 1);
    EXPECT_EQ(KX_ImageGetRenderTo(both), 1);
    EXPECT_EQ(KX_ImageMaskColour(both, 0xF81F), 1);
    EXPECT_EQ(KX_ImageGetMaskColour(both), 0xF81F);

    EXPECT_EQ(KX_CloseGraphics(s), 5);
    EXPECT_EQ(VM_UsedBankQuantity(), banks - 1); // every image and the screen are gone
}

TEST_F(Screen, SyncPrepareFXAndClonesCopyPixels) {
    int32_t s = KXH_OpenScreen(window, 64, 48, 32, 1);
    int32_t i = KX_ImageCreate(s, 16, 8, 32, 3);
    KX_ImageRenderTo(i, 1);
    poke(i, 3, 2, 0x445566);
    KX_ImageSync(i, 4, 2); // not from video: nothing
    auto pixel = [](int32_t image, int32_t x, int32_t y) {
        KX_FXRecord* fx = &img(image)->FX;
        return reinterpret_cast<uint32_t*>(uintptr_t(fx->Pixels) + uintptr_t(y * fx->Pitch))[x];
    };
    EXPECT_EQ(pixel(i, 3, 2), 0u);
    EXPECT_EQ(KX_ImageSync(i, 1, 2), 0);
    EXPECT_EQ(pixel(i, 3, 2), 0x445566u);

    int32_t copy = KX_ImageClone(i);
    ASSERT_GT(copy, 0);
    EXPECT_EQ(KX_ImageGetRenderTo(copy), 1);
    EXPECT_NE(img(copy)->FX.Bank, img(i)->FX.Bank);
    EXPECT_EQ(pixel(copy, 3, 2), 0x445566u);
    int32_t first_form = KX_ImageClone_ORIGINAL(i);
    ASSERT_GT(first_form, 0);
    EXPECT_NE(img(first_form)->Video.Surface, img(i)->Video.Surface);
    KX_ImageDelete(i); // the clones keep buffers of their own
    EXPECT_EQ(pixel(first_form, 3, 2), 0x445566u);

    int32_t v = KX_ImageCreate(s, 16, 8, 32, 1);
    poke(v, 15, 7, 0x010203);
    KX_SetCurrentSurface(v);
    EXPECT_EQ(KX_ImagePrepareFX(v), 1);
    EXPECT_EQ(KX_ImageGetType(v), 2);
    EXPECT_EQ(KX_ImageGetRenderTo(v), 2);
    EXPECT_EQ(KX_GetGfxSurface(v), 0);
    EXPECT_EQ(img(v)->Video.Present, 0);
    EXPECT_EQ(pixel(v, 15, 7), 0x010203u);
    EXPECT_EQ(KX_GetCurrentSurface(), s);
    KX_CloseGraphics(s);
}

} // namespace
