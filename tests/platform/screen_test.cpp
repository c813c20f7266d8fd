// Opening a screen as a host does, drawing and presenting a frame, reading it
// back, and closing in the runtime's order.
#include <algorithm>

#include "gfx_fixture.h"

namespace kxp::test {
namespace {

class Screen : public Gfx {
  protected:
    // The runtime's KX_CloseGraphics, object by object; every object must be
    // gone afterwards.
    static void close_as_the_runtime_does(const KX_Screen& r) {
        ASSERT_NE(r.DirectInput, 0u);
        Unacquire(r.MouseDevice);
        EXPECT_EQ(Release(r.MouseDevice), 0u);
        Unacquire(r.KeyboardDevice);
        EXPECT_EQ(Release(r.KeyboardDevice), 0u);
        EXPECT_EQ(Release(r.DirectInput), 0u);
        EXPECT_EQ(Release(r.Direct3DDevice), 0u);
        EXPECT_EQ(Release(r.Direct3D), 0u);
        EXPECT_EQ(r.DepthSurface, 0u);
        // Full screen: the flipping chain still holds the back buffer.
        EXPECT_EQ(Release(r.BackSurface), r.Windowed ? 0u : 1u);
        EXPECT_EQ(Release(r.FrontSurface), 0u);
        EXPECT_EQ(Release(r.DirectDraw), 0u);
        for (std::uint32_t id : {r.DirectDraw, r.FrontSurface, r.BackSurface, r.Direct3D,
                                 r.Direct3DDevice, r.DirectInput, r.MouseDevice, r.KeyboardDevice})
            EXPECT_EQ(AddRef(id), 0u) << id;
        if (!r.Windowed) {
            SetWindowLong(r.WindowHandle, GWL_STYLE, static_cast<LONG>(r.SavedStyle));
            UpdateWindow(r.WindowHandle);
        }
        EXPECT_EQ(ShowCursor(1), 0); // balances the open
    }

    static DDSURFACEDESC2 desc(LPDIRECTDRAWSURFACE7 s) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        EXPECT_EQ(GetSurfaceDesc(s, &d), DD_OK);
        return d;
    }
};

TEST_F(Screen, AWindowedScreenPresentsItsBackSurfaceIntoTheClientArea) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    ShowWindow(w, SW_SHOWNORMAL);
    KX_Screen rec;
    std::memset(&rec, 0xCD, sizeof rec);
    ASSERT_EQ(OpenScreen(w, 320, 240, 16, 1, 7, &rec), DD_OK);
    EXPECT_EQ(rec.Open, 1);
    EXPECT_EQ(rec.Size.Width, 320);
    EXPECT_EQ(rec.Size.Height, 240);
    EXPECT_EQ(rec.Size.Depth, 16);
    EXPECT_EQ(rec.Viewport.Left, 0);
    EXPECT_EQ(rec.Viewport.Right, 320);
    EXPECT_EQ(rec.Viewport.Bottom, 240);
    EXPECT_EQ(rec.Lock.Locked, 0);
    EXPECT_EQ(rec.Lock.Pixels, 0u);
    EXPECT_EQ(rec.Lock.Format, KX_FORMAT_565);
    EXPECT_EQ(rec.Type.RenderTo, 1);
    EXPECT_EQ(rec.RedMask, 0xF800u);
    EXPECT_EQ(rec.GreenMask, 0x07E0u);
    EXPECT_EQ(rec.BlueMask, 0x001Fu);
    EXPECT_EQ(rec.Window, 7);
    EXPECT_EQ(rec.WindowHandle, w);
    EXPECT_EQ(rec.Windowed, 1);
    EXPECT_EQ(rec.SavedStyle, 0u);
    EXPECT_EQ(rec.State3D, 1);
    EXPECT_EQ(rec.Reserved48[0], 0);
    EXPECT_EQ(rec.MouseX, 0);
    EXPECT_EQ(rec.KeyboardAcquired, 0);
    std::vector<std::uint32_t> ids{rec.DirectDraw,  rec.FrontSurface,   rec.BackSurface,
                                   rec.Direct3D,    rec.Direct3DDevice, rec.DirectInput,
                                   rec.MouseDevice, rec.KeyboardDevice};
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_NE(ids[0], 0u);

    DDSURFACEDESC2 front = desc(rec.FrontSurface), back = desc(rec.BackSurface);
    EXPECT_TRUE(front.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(front.dwWidth, 1024u);
    EXPECT_EQ(front.ddpfPixelFormat.dwGBitMask, 0x07E0u); // the desktop at the screen's depth
    EXPECT_EQ(back.dwWidth, 320u);
    EXPECT_EQ(back.dwHeight, 240u);
    EXPECT_EQ(back.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    // Video images are made without a format: they get the screen's.
    DDSURFACEDESC2 image{};
    image.dwSize = sizeof image;
    image.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    image.dwWidth = image.dwHeight = 8;
    image.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
    LPDIRECTDRAWSURFACE7 img = 0;
    ASSERT_EQ(CreateSurface(rec.DirectDraw, &image, &img, 0), DD_OK);
    EXPECT_EQ(desc(img).ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(Release(img), 0u);

    // Software drawing into the back surface, then 3D drawing on it, then the
    // presentation the runtime makes: a blit into the client area.
    std::vector<std::uint32_t> row;
    for (std::uint32_t x = 0; x < 320; ++x)
        row.push_back((x % 32) << 11 | (x % 64) << 5 | (31 - x % 32));
    for (std::int32_t y = 0; y < 240; y += 2)
        write(rec.BackSurface, 0, y, 320, row);
    D3DTLVERTEX quad[4] = {{100, 100, 0, 0, 0xFFFFFF00, 0, 0, 0},
                           {110, 100, 0, 0, 0xFFFFFF00, 0, 1, 0},
                           {100, 110, 0, 0, 0xFFFFFF00, 0, 0, 1},
                           {110, 110, 0, 0, 0xFFFFFF00, 0, 1, 1}};
    ASSERT_EQ(BeginScene(rec.Direct3DDevice), D3D_OK);
    ASSERT_EQ(DrawPrimitive(rec.Direct3DDevice, D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0),
              D3D_OK);
    ASSERT_EQ(EndScene(rec.Direct3DDevice), D3D_OK);
    RECT client = client_on_screen(w);
    ASSERT_EQ(Blt(rec.FrontSurface, &client, rec.BackSurface, nullptr, DDBLT_ASYNC, nullptr),
              DD_OK);

    FrameInfo info{};
    std::vector<std::uint32_t> f = frame_of(w, info);
    ASSERT_EQ(info.width, 320);
    ASSERT_EQ(info.height, 240);
    auto widen = [](std::uint32_t v) {
        std::uint32_t r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    };
    for (std::int32_t y = 0; y < 240; ++y)
        for (std::int32_t x = 0; x < 320; ++x) {
            bool yellow = x >= 100 && x < 110 && y >= 100 && y < 110;
            std::uint32_t want = yellow ? 0xFFFF00 : (y % 2 ? 0 : widen(row[x]));
            ASSERT_EQ(f[static_cast<std::size_t>(y * 320 + x)], want) << x << "," << y;
        }

    // The keyboard device is the screen's: acquired, it sees fed keys.
    ASSERT_EQ(Acquire(rec.KeyboardDevice), DI_OK);
    FeedKey(DIK_A, 1);
    DIDEVICEOBJECTDATA ev[4];
    DWORD n = 4;
    ASSERT_EQ(GetDeviceData(rec.KeyboardDevice, sizeof ev[0], ev, &n, 0), DI_OK);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(ev[0].dwOfs, DIK_A);
    ASSERT_EQ(Acquire(rec.MouseDevice), DI_OK);

    close_as_the_runtime_does(rec);
}

TEST_F(Screen, AFullScreenFlipsAndTheWindowTakesTheMode) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    ShowWindow(w, SW_SHOWNORMAL);
    DWORD style = static_cast<DWORD>(GetWindowLong(w, GWL_STYLE));
    KX_Screen rec{};
    ASSERT_EQ(OpenScreen(w, 640, 480, 32, 0, 3, &rec), DD_OK);
    EXPECT_EQ(rec.Windowed, 0);
    EXPECT_EQ(rec.SavedStyle, style);
    EXPECT_EQ(rec.Lock.Format, KX_FORMAT_32);
    EXPECT_EQ(rec.RedMask, 0xFF0000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(w, GWL_STYLE)), WS_POPUP | WS_VISIBLE);
    RECT wr{}, cr{};
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    EXPECT_EQ(wr.left, 0);
    EXPECT_EQ(wr.top, 0);
    EXPECT_EQ(cr.right, 640);
    EXPECT_EQ(cr.bottom, 480);
    DDSURFACEDESC2 front = desc(rec.FrontSurface);
    EXPECT_EQ(front.dwWidth, 640u);
    EXPECT_EQ(front.dwBackBufferCount, 1u);
    EXPECT_TRUE(front.ddsCaps.dwCaps & DDSCAPS_FLIP);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    LPDIRECTDRAWSURFACE7 attached = 0;
    ASSERT_EQ(GetAttachedSurface(rec.FrontSurface, &caps, &attached), DD_OK);
    EXPECT_EQ(attached, rec.BackSurface);
    Release(attached);

    write(rec.BackSurface, 0, 0, 3, {0x112233, 0x445566, 0x778899});
    write(rec.BackSurface, 639, 479, 1, {0xABCDEF});
    ASSERT_EQ(Flip(rec.FrontSurface, 0, DDFLIP_NOVSYNC), DD_OK); // waitVSync 0
    FrameInfo info{};
    std::vector<std::uint32_t> f = frame_of(w, info);
    ASSERT_EQ(info.width, 640);
    ASSERT_EQ(info.height, 480);
    EXPECT_EQ(f[0], 0x112233u);
    EXPECT_EQ(f[2], 0x778899u);
    EXPECT_EQ(f[3], 0u);
    EXPECT_EQ(f[640 * 480 - 1], 0xABCDEFu);
    ASSERT_EQ(Flip(rec.FrontSurface, 0, 0), DD_OK); // waitVSync 1
    EXPECT_EQ(frame_of(w, info)[0], 0u);
    EXPECT_EQ(info.presents, 2u);
    ASSERT_EQ(Acquire(rec.MouseDevice), DI_OK); // exclusive and foreground: the window is active

    close_as_the_runtime_does(rec);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(w, GWL_STYLE)), style);

    // 16 and 24 bits give their format codes and masks.
    ASSERT_EQ(OpenScreen(w, 320, 200, 16, 0, 3, &rec), DD_OK);
    EXPECT_EQ(rec.Lock.Format, KX_FORMAT_565);
    write(rec.BackSurface, 0, 0, 1, {0xF800});
    ASSERT_EQ(Flip(rec.FrontSurface, 0, 0), DD_OK);
    EXPECT_EQ(frame_of(w, info)[0], 0xFF0000u);
    EXPECT_EQ(info.width, 320);
    close_as_the_runtime_does(rec);
    ASSERT_EQ(OpenScreen(w, 320, 200, 24, 1, 3, &rec), DD_OK);
    EXPECT_EQ(rec.Lock.Format, KX_FORMAT_24);
    EXPECT_EQ(rec.BlueMask, 0xFFu);
    close_as_the_runtime_does(rec);
}

TEST_F(Screen, BadRequestsMakeNothingAndLeaveTheRecordAlone) {
    HWND w = open(320, 240);
    ShowWindow(w, SW_SHOWNORMAL);
    HWND child = CreateWindowEx(0, "TestWindowClass", "child", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                w, 0, inst);
    ASSERT_NE(child, 0u);
    KX_Screen rec;
    std::memset(&rec, 0x5A, sizeof rec);
    KX_Screen before = rec;
    EXPECT_EQ(OpenScreen(w, 320, 240, 8, 1, 1, &rec), DDERR_INVALIDPARAMS);
    EXPECT_EQ(OpenScreen(w, 0, 240, 16, 1, 1, &rec), DDERR_INVALIDPARAMS);
    EXPECT_EQ(OpenScreen(0, 320, 240, 16, 1, 1, &rec), DDERR_INVALIDPARAMS);
    EXPECT_EQ(OpenScreen(child, 320, 240, 16, 1, 1, &rec), DDERR_INVALIDPARAMS);
    EXPECT_EQ(OpenScreen(w, 320, 240, 16, 1, 1, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);

    // A second full screen cannot take exclusive mode; what it made is released.
    KX_Screen first{};
    ASSERT_EQ(OpenScreen(w, 320, 240, 32, 0, 1, &first), DD_OK);
    EXPECT_EQ(OpenScreen(w, 320, 240, 32, 0, 1, &rec), DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
    LPDIRECTDRAWSURFACE7 probe = make(1, 1, kXRGB);
    std::uint32_t highest = std::max({first.DirectDraw, first.FrontSurface, first.BackSurface,
                                      first.Direct3D, first.Direct3DDevice, first.DirectInput,
                                      first.MouseDevice, first.KeyboardDevice});
    ASSERT_GT(probe, highest + 1); // the failed open made something ...
    for (std::uint32_t id = highest + 1; id < probe; ++id)
        EXPECT_EQ(AddRef(id), 0u) << id; // ... and released it again
    close_as_the_runtime_does(first);
}

} // namespace
} // namespace kxp::test
