// Opening a screen as a host does, drawing and presenting a frame, reading it
// back, and closing in the runtime's order.
#include <algorithm>

#include "gfx_fixture.h"

namespace kxp::test {
namespace {

using Words = std::array<std::int32_t, sizeof(KX_Screen) / 4>;

Words words(const KX_Screen& r) {
    Words w;
    std::memcpy(w.data(), &r, sizeof r);
    return w;
}

// The objects an open makes.
constexpr std::array kObjects{&KX_Screen::DirectDraw,     &KX_Screen::FrontSurface,
                              &KX_Screen::BackSurface,    &KX_Screen::Direct3D,
                              &KX_Screen::Direct3DDevice, &KX_Screen::DirectInput,
                              &KX_Screen::MouseDevice,    &KX_Screen::KeyboardDevice};
std::vector<std::uint32_t> objects(const KX_Screen& r) {
    std::vector<std::uint32_t> ids;
    for (auto m : kObjects)
        ids.push_back(r.*m);
    return ids;
}

class Screen : public Gfx {
  protected:
    // The record an open should have filled, with the object ids it made.
    static Words expected(const KX_Screen& got, HWND w, std::int32_t width, std::int32_t height,
                          std::int32_t depth, std::int32_t windowed, std::int32_t window,
                          DWORD saved_style) {
        KX_Screen r{};
        r.Open = 1;
        r.Size = {width, height, depth};
        r.Viewport = {0, 0, width, height};
        r.Lock = {0, 0, 0, depth == 16 ? KX_FORMAT_565 : depth == 24 ? KX_FORMAT_24 : KX_FORMAT_32};
        r.Type = {got.Type.TypeFlags, 1};
        for (auto m : kObjects)
            r.*m = got.*m;
        r.RedMask = depth == 16 ? 0xF800 : 0xFF0000;
        r.GreenMask = depth == 16 ? 0x07E0 : 0xFF00;
        r.BlueMask = depth == 16 ? 0x001F : 0xFF;
        r.Window = window;
        r.WindowHandle = w;
        r.SavedStyle = saved_style;
        r.Windowed = windowed;
        r.State3D = 1;
        return words(r);
    }

    // The runtime's KX_CloseGraphics, object by object; every object must be
    // gone afterwards.
    static void close_as_the_runtime_does(const KX_Screen& r) {
        ASSERT_NE(r.DirectInput, 0u);
        Unacquire(r.MouseDevice);
        Unacquire(r.KeyboardDevice);
        // Full screen: the flipping chain still holds the back buffer.
        EXPECT_EQ((Calls{Release(r.MouseDevice), Release(r.KeyboardDevice), Release(r.DirectInput),
                         Release(r.Direct3DDevice), Release(r.Direct3D), Release(r.BackSurface),
                         Release(r.FrontSurface), Release(r.DirectDraw)}),
                  (Calls{0, 0, 0, 0, 0, r.Windowed ? 0 : 1, 0, 0}));
        for (std::uint32_t id : objects(r))
            EXPECT_EQ(AddRef(id), 0u) << id;
        if (!r.Windowed) {
            SetWindowLong(r.WindowHandle, GWL_STYLE, static_cast<LONG>(r.SavedStyle));
            UpdateWindow(r.WindowHandle);
        }
        EXPECT_EQ(ShowCursor(1), 0); // balances the open
    }
};

TEST_F(Screen, AWindowedScreenPresentsItsBackSurfaceIntoTheClientArea) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    ShowWindow(w, SW_SHOWNORMAL);
    KX_Screen rec;
    std::memset(&rec, 0xCD, sizeof rec);
    ASSERT_EQ(OpenScreen(w, 320, 240, 16, 1, 7, &rec), DD_OK);
    EXPECT_EQ(words(rec), expected(rec, w, 320, 240, 16, 1, 7, 0));
    std::vector<std::uint32_t> ids = objects(rec);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_NE(ids[0], 0u);

    // The front is the desktop at the screen's depth.
    DDSURFACEDESC2 front = described(rec.FrontSurface), back = described(rec.BackSurface);
    EXPECT_EQ((Calls{front.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE, front.dwWidth,
                     front.ddpfPixelFormat.dwGBitMask, back.dwWidth, back.dwHeight,
                     back.ddpfPixelFormat.dwGBitMask}),
              (Calls{DDSCAPS_PRIMARYSURFACE, 1024, 0x07E0, 320, 240, 0x07E0}));

    // Software drawing into the back surface, then 3D drawing on it, then the
    // presentation the runtime makes: a blit into the client area.
    const Raw in{0xF800, 0x07E0, 0x001F, 0x0410}, shown{0xFF0000, 0x00FF00, 0x0000FF, 0x008284};
    Raw row;
    for (std::uint32_t x = 0; x < 320; ++x)
        row.push_back(in[x % 4]);
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
    Raw f = frame_of(w, info);
    ASSERT_EQ((Calls{info.width, info.height}), (Calls{320, 240}));
    for (std::int32_t y = 0; y < 240; ++y)
        for (std::int32_t x = 0; x < 320; ++x) {
            bool yellow = x >= 100 && x < 110 && y >= 100 && y < 110;
            std::uint32_t want = yellow ? 0xFFFF00 : (y % 2 ? 0 : shown[x % 4]);
            ASSERT_EQ(f[static_cast<std::size_t>(y * 320 + x)], want) << x << "," << y;
        }

    // The keyboard device is the screen's: acquired, it sees fed keys.
    ASSERT_EQ(Acquire(rec.KeyboardDevice), DI_OK);
    FeedKey(DIK_A, 1);
    DIDEVICEOBJECTDATA ev[4];
    DWORD n = 4;
    EXPECT_EQ((Calls{GetDeviceData(rec.KeyboardDevice, sizeof ev[0], ev, &n, 0), n, ev[0].dwOfs,
                     Acquire(rec.MouseDevice)}),
              (Calls{DI_OK, 1, DIK_A, DI_OK}));
    close_as_the_runtime_does(rec);
}

TEST_F(Screen, AFullScreenFlipsAndTheWindowTakesTheMode) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    ShowWindow(w, SW_SHOWNORMAL);
    DWORD style = static_cast<DWORD>(GetWindowLong(w, GWL_STYLE));
    KX_Screen rec{};
    ASSERT_EQ(OpenScreen(w, 640, 480, 32, 0, 3, &rec), DD_OK);
    EXPECT_EQ(words(rec), expected(rec, w, 640, 480, 32, 0, 3, style));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(w, GWL_STYLE)), WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(window_box(w), (Box{0, 0, 640, 480}));
    EXPECT_EQ(client_box(w), (Box{0, 0, 640, 480}));
    DDSURFACEDESC2 front = described(rec.FrontSurface);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    LPDIRECTDRAWSURFACE7 attached = 0;
    EXPECT_EQ((Calls{front.dwWidth, front.dwBackBufferCount, front.ddsCaps.dwCaps & DDSCAPS_FLIP,
                     GetAttachedSurface(rec.FrontSurface, &caps, &attached), attached}),
              (Calls{640, 1, DDSCAPS_FLIP, DD_OK, rec.BackSurface}));
    Release(attached);

    ASSERT_EQ(Acquire(rec.MouseDevice), DI_OK); // exclusive and foreground: the window is active
    close_as_the_runtime_does(rec);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(w, GWL_STYLE)), style);

    // 24 bits gives its format code and masks.
    ASSERT_EQ(OpenScreen(w, 320, 200, 24, 1, 3, &rec), DD_OK);
    EXPECT_EQ(words(rec), expected(rec, w, 320, 200, 24, 1, 3, 0));
    close_as_the_runtime_does(rec);
}

TEST_F(Screen, BadRequestsMakeNothingAndLeaveTheRecordAlone) {
    HWND w = open(320, 240);
    ShowWindow(w, SW_SHOWNORMAL);
    HWND c = child(w, 0, 0, 10, 10);
    ASSERT_NE(c, 0u);
    KX_Screen rec;
    std::memset(&rec, 0x5A, sizeof rec);
    const Words before = words(rec);
    EXPECT_EQ(
        (Calls{OpenScreen(w, 320, 240, 8, 1, 1, &rec), OpenScreen(w, 0, 240, 16, 1, 1, &rec),
               OpenScreen(0, 320, 240, 16, 1, 1, &rec), OpenScreen(c, 320, 240, 16, 1, 1, &rec),
               OpenScreen(w, 320, 240, 16, 1, 1, nullptr)}),
        Calls(5, DDERR_INVALIDPARAMS));
    EXPECT_EQ(words(rec), before);

    // A second full screen cannot take exclusive mode; what it made is released.
    KX_Screen first{};
    ASSERT_EQ(OpenScreen(w, 320, 240, 32, 0, 1, &first), DD_OK);
    EXPECT_EQ(OpenScreen(w, 320, 240, 32, 0, 1, &rec), DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(words(rec), before);
    LPDIRECTDRAWSURFACE7 probe = make(1, 1, kXRGB);
    std::vector<std::uint32_t> made = objects(first);
    std::uint32_t highest = *std::max_element(made.begin(), made.end());
    ASSERT_GT(probe, highest + 1); // the failed open made something ...
    for (std::uint32_t id = highest + 1; id < probe; ++id)
        EXPECT_EQ(AddRef(id), 0u) << id; // ... and released it again
    close_as_the_runtime_does(first);
}

} // namespace
} // namespace kxp::test
