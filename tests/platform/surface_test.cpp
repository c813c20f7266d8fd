// Display objects and surfaces: formats, locks, blits with stretching,
// conversion and colour keys, colour fills, flipping chains, the windowed
// primary's frames, and reference counts.
#include "gfx_fixture.h"

namespace kxp::test {
namespace {

using Surfaces = Gfx;

TEST_F(Surfaces, EachFormatReportsItsMasksAndHoldsItsPixels) {
    struct Case {
        DDPIXELFORMAT pf;
        std::uint32_t raw;    // a pixel value in the format
        std::uint32_t expect; // that pixel as 0x00RRGGBB after a blit to 32 bits
    } cases[] = {
        {kRGB565, 0xF81F, 0xFF00FF}, // full red and blue widen to 255
        {kRGB565, 0x0410, 0x008284}, // green 32 of 63, blue 16 of 31: bit replication
        {kRGB555, 0x7C00, 0xFF0000}, // 5-5-5 red
        {kRGB555, 0x03E0, 0x00FF00}, // 5-5-5 green
        {kRGB888, 0x123456, 0x123456}, {kXRGB, 0x00ABCDEF, 0xABCDEF},
    };
    LPDIRECTDRAWSURFACE7 out = make(7, 3, kXRGB);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pf.dwRGBBitCount);
        LPDIRECTDRAWSURFACE7 s = make(7, 3, c.pf);
        ASSERT_NE(s, 0u);
        DDPIXELFORMAT got{};
        got.dwSize = sizeof got;
        ASSERT_EQ(GetPixelFormat(s, &got), DD_OK);
        EXPECT_EQ(std::memcmp(&got, &c.pf, sizeof got), 0); // flags, bit count and masks

        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        ASSERT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
        EXPECT_TRUE(heap::contains(ptr<void>(d.lpSurface)));
        EXPECT_GE(d.lPitch, static_cast<LONG>(7 * c.pf.dwRGBBitCount / 8));
        EXPECT_EQ(d.dwWidth * 10 + d.dwHeight, 73u); // 7 x 3
        EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
        ASSERT_EQ(Unlock(s, nullptr), DD_OK);

        // The last pixel of the last row: the pitch is honoured.
        write(s, 6, 2, 1, {c.raw});
        Pixels p = read(s);
        EXPECT_EQ(p(6, 2), c.raw);
        EXPECT_EQ(p(5, 2), 0u);
        ASSERT_EQ(Blt(out, nullptr, s, nullptr, DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(read(out)(6, 2) & 0xFFFFFF, c.expect);
        EXPECT_EQ(Release(s), 0u);
    }

    // Without a format a surface takes the display's: the 32-bit desktop ...
    auto plain = [&] {
        DDSURFACEDESC2 d = desc_of(4, 4, kXRGB, DDSCAPS_SYSTEMMEMORY);
        d.dwFlags &= ~DDSD_PIXELFORMAT;
        LPDIRECTDRAWSURFACE7 s = 0;
        EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DD_OK);
        d = {};
        d.dwSize = sizeof d;
        EXPECT_EQ(GetSurfaceDesc(s, &d), DD_OK);
        return d;
    };
    DDSURFACEDESC2 d = plain();
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, 0xFF0000u);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_FALSE(d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    // ... or the depth the desktop was given (windowed, only the depth changes).
    EXPECT_EQ(SetDisplayMode(dd, 640, 480, 16, 0, 0), DDERR_INVALIDMODE);
    ASSERT_EQ(SetDisplayMode(dd, 1024, 768, 16, 0, 0), DD_OK);
    EXPECT_EQ(plain().ddpfPixelFormat.dwGBitMask, 0x07E0u);
    ASSERT_EQ(SetDisplayMode(dd, 1024, 768, 24, 0, 0), DD_OK);
    EXPECT_EQ(plain().ddpfPixelFormat.dwRGBBitCount, 24u);
}

TEST_F(Surfaces, CreationRefusesWhatItCannotMake) {
    LPDIRECTDRAWSURFACE7 s = 0;
    DDPIXELFORMAT odd = kRGB565;
    odd.dwGBitMask = 0x0FE0; // overlaps red
    DDSURFACEDESC2 d = desc_of(8, 8, odd, 0);
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_INVALIDPIXELFORMAT);
    d = desc_of(0, 8, kXRGB, 0);
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_INVALIDPARAMS);
    d = desc_of(16385, 8, kXRGB, 0);
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_TOOBIGSIZE);
    d = desc_of(8, 8, kXRGB, DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY);
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_INVALIDCAPS);
    d = desc_of(8, 8, kXRGB, DDSCAPS_ZBUFFER);
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_INVALIDCAPS);
    d = desc_of(8, 8, kXRGB, 0);
    d.dwSize = 100;
    EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DDERR_INVALIDPARAMS);
    d = desc_of(8, 8, kXRGB, 0);
    EXPECT_EQ(CreateSurface(dd + 1000, &d, &s, 0), DDERR_INVALIDOBJECT);
    EXPECT_EQ(s, 0u);

    LPDIRECTDRAW7 fresh = 0;
    ASSERT_EQ(DirectDrawCreateEx(0, &fresh, IID_IDirectDraw7, 0), DD_OK);
    EXPECT_EQ(CreateSurface(fresh, &d, &s, 0), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(DirectDrawCreateEx(0, &fresh, IID_IDirect3D7, 0), DDERR_INVALIDPARAMS);

    // One primary per display object; it takes no size of its own.
    DDSURFACEDESC2 p{};
    p.dwSize = sizeof p;
    p.dwFlags = DDSD_CAPS;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    ASSERT_EQ(CreateSurface(dd, &p, &s, 0), DD_OK);
    DDSURFACEDESC2 got{};
    got.dwSize = sizeof got;
    ASSERT_EQ(GetSurfaceDesc(s, &got), DD_OK);
    EXPECT_EQ(got.dwWidth, 1024u);
    EXPECT_EQ(got.dwHeight, 768u);
    LPDIRECTDRAWSURFACE7 second = 0;
    EXPECT_EQ(CreateSurface(dd, &p, &second, 0), DDERR_PRIMARYSURFACEALREADYEXISTS);
    p.dwFlags |= DDSD_WIDTH;
    p.dwWidth = 10;
    EXPECT_EQ(CreateSurface(fresh, &p, &second, 0), DDERR_NOCOOPERATIVELEVELSET);
    ASSERT_EQ(SetCooperativeLevel(fresh, 0, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(CreateSurface(fresh, &p, &second, 0), DDERR_INVALIDPARAMS);
    // A flipping chain needs exclusive mode.
    p.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    p.dwBackBufferCount = 1;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    EXPECT_EQ(CreateSurface(fresh, &p, &second, 0), DDERR_NOEXCLUSIVEMODE);
}

TEST_F(Surfaces, LocksDoNotNestAndKeepOthersOut) {
    LPDIRECTDRAWSURFACE7 s = make(8, 4, kRGB565), t = make(8, 4, kRGB565);
    DDSURFACEDESC2 d{}, e{};
    d.dwSize = e.dwSize = sizeof d;
    ASSERT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
    std::uint32_t base = d.lpSurface;
    EXPECT_EQ(Lock(s, nullptr, &e, DDLOCK_WAIT, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(Blt(s, nullptr, t, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(Blt(t, nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(BltFast(t, 0, 0, s, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    HDC dc = 0;
    EXPECT_EQ(GetDC(s, &dc), DDERR_SURFACEBUSY);
    EXPECT_EQ(Unlock(s, nullptr), DD_OK);
    EXPECT_EQ(Unlock(s, nullptr), DDERR_NOTLOCKED);

    // A rectangle lock starts at the rectangle's first pixel.
    RECT r{2, 1, 5, 3};
    ASSERT_EQ(Lock(s, &r, &e, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ(e.lpSurface, base + static_cast<std::uint32_t>(d.lPitch) + 2 * 2);
    EXPECT_EQ(Unlock(s, nullptr), DD_OK);
    for (RECT bad : {RECT{0, 0, 9, 4}, RECT{-1, 0, 2, 2}, RECT{3, 3, 3, 4}, RECT{4, 2, 2, 3}})
        EXPECT_EQ(Lock(s, &bad, &e, DDLOCK_WAIT, 0), DDERR_INVALIDRECT);
    e.dwSize = 0;
    EXPECT_EQ(Lock(s, nullptr, &e, DDLOCK_WAIT, 0), DDERR_INVALIDPARAMS);
    e.dwSize = sizeof e;
    EXPECT_EQ(Lock(s + 1000, nullptr, &e, DDLOCK_WAIT, 0), DDERR_INVALIDOBJECT);
    EXPECT_EQ(Lock(dd, nullptr, &e, DDLOCK_WAIT, 0), DDERR_INVALIDOBJECT); // not a surface
    EXPECT_EQ(Unlock(0, nullptr), DDERR_INVALIDOBJECT);
}

TEST_F(Surfaces, BltCopiesStretchesShrinksAndConverts) {
    LPDIRECTDRAWSURFACE7 src = make(4, 2, kXRGB);
    write(src, 0, 0, 4, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});

    // Twice the size: every source pixel covers 2 x 2.
    LPDIRECTDRAWSURFACE7 big = make(8, 4, kXRGB);
    ASSERT_EQ(Blt(big, nullptr, src, nullptr, DDBLT_WAIT | DDBLT_ASYNC, nullptr), DD_OK);
    Pixels b = read(big);
    for (std::int32_t y = 0; y < 4; ++y)
        for (std::int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(b(x, y), 0x11u * static_cast<std::uint32_t>((y / 2) * 4 + x / 2 + 1))
                << x << "," << y;

    // Half the size: the pixel nearest each destination centre.
    LPDIRECTDRAWSURFACE7 small = make(2, 1, kXRGB);
    ASSERT_EQ(Blt(small, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    Pixels s = read(small);
    EXPECT_EQ(s(0, 0), 0x66u);
    EXPECT_EQ(s(1, 0), 0x88u);

    // Rectangles: source (1, 0)-(3, 2) to destination (5, 1)-(7, 3); nothing else changes.
    clear(big, 0xDEAD);
    RECT sr{1, 0, 3, 2}, dr{5, 1, 7, 3};
    ASSERT_EQ(Blt(big, &dr, src, &sr, DDBLT_WAIT, nullptr), DD_OK);
    b = read(big);
    EXPECT_EQ(b(5, 1), 0x22u);
    EXPECT_EQ(b(6, 2), 0x77u);
    EXPECT_EQ(b(4, 1), 0xDEADu);
    EXPECT_EQ(b(7, 1), 0xDEADu);
    EXPECT_EQ(b(5, 3), 0xDEADu);

    // Conversion: 32 bits to 5-6-5 and 24 bits, and back.
    write(src, 0, 0, 2, {0xFF0000, 0x00FF00});
    LPDIRECTDRAWSURFACE7 s565 = make(4, 2, kRGB565), s888 = make(4, 2, kRGB888);
    ASSERT_EQ(Blt(s565, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(Blt(s888, nullptr, s565, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s565).raw,
              (std::vector<std::uint32_t>{0xF800, 0x07E0, 0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x11}));
    // Blue 0x88 through 5 bits: 17, widened to 0x8C.
    EXPECT_EQ(read(s888).raw,
              (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x31, 0x42, 0x52, 0x63, 0x73, 0x8C}));
}

TEST_F(Surfaces, BltWithinOneSurfaceBehavesAsIfCopiedFirst) {
    LPDIRECTDRAWSURFACE7 s = make(6, 1, kRGB565);
    write(s, 0, 0, 6, {1, 2, 3, 4, 5, 6});
    RECT sr{0, 0, 4, 1}, dr{1, 0, 5, 1};
    ASSERT_EQ(Blt(s, &dr, s, &sr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s).raw, (std::vector<std::uint32_t>{1, 1, 2, 3, 4, 6}));
    sr = {2, 0, 6, 1};
    dr = {0, 0, 4, 1};
    ASSERT_EQ(Blt(s, &dr, s, &sr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s).raw, (std::vector<std::uint32_t>{2, 3, 4, 6, 4, 6}));
}

TEST_F(Surfaces, SourceColourKeysCompareRawValues) {
    LPDIRECTDRAWSURFACE7 src = make(4, 1, kRGB565), dst = make(4, 1, kRGB565);
    write(src, 0, 0, 4, {0xF81F, 0x0001, 0x0002, 0x0003});
    clear(dst, 0x7777);
    DDCOLORKEY key{0xF81F, 0};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, &key), DD_OK);
    DDCOLORKEY got{};
    ASSERT_EQ(GetColorKey(src, DDCKEY_SRCBLT, &got), DD_OK);
    EXPECT_EQ(got.dwColorSpaceHighValue, 0xF81Fu); // a single key: high = low
    ASSERT_EQ(Blt(dst, nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(dst).raw, (std::vector<std::uint32_t>{0x7777, 1, 2, 3}));
    // Without the flag the key is not applied.
    ASSERT_EQ(Blt(dst, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(dst)(0, 0), 0xF81Fu);

    // A range (colour space) keys low..high inclusive.
    clear(dst, 0x7777);
    key = {0x0001, 0x0002};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &key), DD_OK);
    ASSERT_EQ(BltFast(dst, 0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(read(dst).raw, (std::vector<std::uint32_t>{0xF81F, 0x7777, 0x7777, 3}));

    // 0xRRGGBB given to a 16-bit surface is compared raw: it matches no pixel.
    clear(dst, 0x7777);
    key = {0xFF00FF, 0xFF00FF};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(Blt(dst, nullptr, src, nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(read(dst)(0, 0), 0xF81Fu);

    // Removing the key copies everything, also with the flag.
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(GetColorKey(src, DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
    clear(dst, 0x7777);
    ASSERT_EQ(Blt(dst, nullptr, src, nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(read(dst)(0, 0), 0xF81Fu);
    EXPECT_EQ(SetColorKey(src, 2 /* destination blit key */, &key), DDERR_UNSUPPORTED);
    EXPECT_EQ(SetColorKey(src, DDCKEY_SRCBLT | 0x100, &key), DDERR_INVALIDPARAMS);

    // A key given at creation (as texture images are made).
    DDSURFACEDESC2 d = desc_of(2, 1, kRGB565, DDSCAPS_TEXTURE);
    d.dwFlags |= DDSD_CKSRCBLT;
    LPDIRECTDRAWSURFACE7 t = 0;
    ASSERT_EQ(CreateSurface(dd, &d, &t, 0), DD_OK);
    ASSERT_EQ(GetColorKey(t, DDCKEY_SRCBLT, &got), DD_OK);
    EXPECT_EQ(got.dwColorSpaceLowValue, 0u);
    write(t, 0, 0, 2, {0, 5});
    clear(dst, 0x7777);
    ASSERT_EQ(BltFast(dst, 2, 0, t, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(read(dst).raw, (std::vector<std::uint32_t>{0x7777, 0x7777, 0x7777, 5}));
}

TEST_F(Surfaces, ColourFillWritesTheRawValueInsideTheRectangleOnly) {
    LPDIRECTDRAWSURFACE7 s = make(6, 4, kRGB565);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x12345678; // only the 16 bits of the format count
    RECT r{1, 1, 4, 3};
    ASSERT_EQ(Blt(s, &r, 0, nullptr, DDBLT_COLORFILL | DDBLT_WAIT | DDBLT_ASYNC, &fx), DD_OK);
    Pixels p = read(s);
    for (std::int32_t y = 0; y < 4; ++y)
        for (std::int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(p(x, y), (x >= 1 && x < 4 && y >= 1 && y < 3) ? 0x5678u : 0u)
                << x << "," << y;
    LPDIRECTDRAWSURFACE7 t = make(2, 1, kRGB888);
    ASSERT_EQ(Blt(t, nullptr, 0, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(read(t)(1, 0), 0x345678u);

    EXPECT_EQ(Blt(s, &r, 0, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
    fx.dwSize = 96;
    EXPECT_EQ(Blt(s, &r, 0, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDPARAMS);
    fx.dwSize = sizeof fx;
    RECT outside{4, 2, 7, 4};
    EXPECT_EQ(Blt(s, &outside, 0, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    RECT flat{2, 2, 2, 3};
    EXPECT_EQ(Blt(s, &flat, 0, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(Blt(s, &r, 0, nullptr, DDBLT_COLORFILL | 0x10, &fx), DDERR_INVALIDPARAMS);
    EXPECT_EQ(Blt(s, &r, 999, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(Surfaces, BltFastPlacesWithoutStretchingAndRefusesWhatDoesNotFit) {
    LPDIRECTDRAWSURFACE7 src = make(3, 2, kXRGB), dst = make(5, 4, kXRGB);
    write(src, 0, 0, 3, {1, 2, 3, 4, 5, 6});
    RECT sr{1, 0, 3, 2};
    ASSERT_EQ(BltFast(dst, 3, 2, src, &sr, DDBLTFAST_WAIT), DD_OK);
    Pixels p = read(dst);
    EXPECT_EQ(p(3, 2), 2u);
    EXPECT_EQ(p(4, 3), 6u);
    EXPECT_EQ(p(2, 2), 0u);
    EXPECT_EQ(BltFast(dst, 4, 2, src, &sr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(BltFast(dst, 0, 3, src, &sr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(BltFast(dst, 0xFFFFFFFFu, 0, src, &sr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT bad{2, 0, 4, 1};
    EXPECT_EQ(BltFast(dst, 0, 0, src, &bad, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(BltFast(dst, 0, 0, src, nullptr, 2 /* destination key */), DDERR_INVALIDPARAMS);
}

TEST_F(Surfaces, ReleaseCountsReferencesAndSurfacesHoldTheirDisplayObject) {
    LPDIRECTDRAWSURFACE7 s = make(2, 2, kXRGB);
    EXPECT_EQ(AddRef(s), 2u);
    EXPECT_EQ(Release(s), 1u);
    EXPECT_EQ(Release(dd), 1u); // the surface keeps it
    EXPECT_EQ(Release(s), 0u);
    EXPECT_EQ(AddRef(dd), 0u); // gone with its last surface
    EXPECT_EQ(Release(s), 0u);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DDERR_INVALIDOBJECT);
}

TEST_F(Surfaces, AFlippingChainSwapsBuffersAndShowsTheFront) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    LPDIRECTDRAW7 full = 0;
    ASSERT_EQ(DirectDrawCreateEx(0, &full, IID_IDirectDraw7, 0), DD_OK);
    EXPECT_EQ(SetDisplayMode(full, 320, 240, 16, 0, 0), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(SetCooperativeLevel(full, w, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SetCooperativeLevel(full, 0, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_INVALIDPARAMS);
    ASSERT_EQ(SetCooperativeLevel(full, w, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(SetCooperativeLevel(dd, w, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(SetDisplayMode(full, 320, 240, 8, 0, 0), DDERR_INVALIDMODE);
    ASSERT_EQ(SetDisplayMode(full, 320, 240, 16, 0, 0), DD_OK);

    DDSURFACEDESC2 p{};
    p.dwSize = sizeof p;
    p.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    p.dwBackBufferCount = 1;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    LPDIRECTDRAWSURFACE7 front = 0, back = 0;
    ASSERT_EQ(CreateSurface(full, &p, &front, 0), DD_OK);
    EXPECT_EQ(SetDisplayMode(full, 640, 480, 16, 0, 0), DDERR_PRIMARYSURFACEALREADYEXISTS);
    DDSCAPS2 caps{DDSCAPS_TEXTURE, 0, 0, 0};
    EXPECT_EQ(GetAttachedSurface(front, &caps, &back), DDERR_NOTFOUND);
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    ASSERT_EQ(GetAttachedSurface(front, &caps, &back), DD_OK);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(GetSurfaceDesc(back, &d), DD_OK);
    EXPECT_EQ(d.dwWidth, 320u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);

    write(back, 0, 0, 2, {0xF800, 0x001F});
    write(back, 319, 239, 1, {0x07E0});
    ASSERT_EQ(Flip(front, 0, DDFLIP_NOVSYNC), DD_OK);
    FrameInfo info{};
    std::vector<std::uint32_t> f = frame_of(w, info);
    ASSERT_EQ(info.width, 320);
    ASSERT_EQ(info.height, 240);
    EXPECT_EQ(info.presents, 1u);
    EXPECT_EQ(f[0], 0xFF0000u);
    EXPECT_EQ(f[1], 0x0000FFu);
    EXPECT_EQ(f[320 * 240 - 1], 0x00FF00u);
    // The back buffer now holds the old front (empty); the front the drawing.
    EXPECT_EQ(read(back)(0, 0), 0u);
    EXPECT_EQ(read(front)(0, 0), 0xF800u); // unlocking the front presents it again
    EXPECT_EQ(frame_of(w, info)[0], 0xFF0000u);
    EXPECT_EQ(info.presents, 2u);
    ASSERT_EQ(Flip(front, back, DDFLIP_WAIT), DD_OK);
    f = frame_of(w, info);
    EXPECT_EQ(f[0], 0u);
    EXPECT_EQ(info.presents, 3u);

    EXPECT_EQ(Flip(back, 0, 0), DDERR_NOTFLIPPABLE);
    EXPECT_EQ(Flip(front, front, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(Flip(front, 0, 0x100), DDERR_INVALIDPARAMS);
    ASSERT_EQ(Lock(back, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ(Flip(front, 0, 0), DDERR_SURFACEBUSY);
    ASSERT_EQ(Unlock(back, nullptr), DD_OK);

    // The chain holds the back buffer: it goes with the front.
    EXPECT_EQ(Release(back), 1u);
    EXPECT_EQ(Release(front), 0u);
    EXPECT_EQ(AddRef(back), 0u);
    EXPECT_EQ(Release(full), 0u);
    // With the exclusive display object gone, another may take the window.
    EXPECT_EQ(SetCooperativeLevel(dd, w, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
}

TEST_F(Surfaces, BlitsIntoTheWindowedPrimaryBecomeTheCoveredWindowsFrames) {
    HWND a = open(200, 100);
    ShowWindow(a, SW_SHOWNORMAL);
    HWND b = CreateWindowEx(0, "TestWindowClass", "Other", WS_POPUP | WS_VISIBLE, 900, 700, 50, 40,
                            0, 0, inst);
    ASSERT_NE(b, 0u);
    DDSURFACEDESC2 p{};
    p.dwSize = sizeof p;
    p.dwFlags = DDSD_CAPS;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE7 primary = 0;
    ASSERT_EQ(CreateSurface(dd, &p, &primary, 0), DD_OK);
    LPDIRECTDRAWSURFACE7 back = make(100, 50, kRGB565);
    write(back, 0, 0, 2, {0xF800, 0x07E0});
    write(back, 99, 49, 1, {0x001F});

    FrameInfo info{};
    EXPECT_EQ(GetWindowFrame(a, &info, nullptr, 0), 0); // nothing presented yet
    RECT client = client_on_screen(a);
    ASSERT_EQ(Blt(primary, &client, back, nullptr, DDBLT_ASYNC, nullptr), DD_OK);
    std::vector<std::uint32_t> f = frame_of(a, info);
    ASSERT_EQ(info.width, 200);
    ASSERT_EQ(info.height, 100);
    EXPECT_EQ(info.pitch, 800);
    EXPECT_EQ(info.format.dwRGBBitCount, 32u);
    EXPECT_EQ(info.format.dwRBitMask, 0xFF0000u);
    // Stretched twice: pixel (0, 0) of the back covers 2 x 2 of the frame.
    EXPECT_EQ(f[0], 0xFF0000u);
    EXPECT_EQ(f[1], 0xFF0000u);
    EXPECT_EQ(f[200 + 1], 0xFF0000u);
    EXPECT_EQ(f[2], 0x00FF00u);
    EXPECT_EQ(f[200 * 100 - 1], 0x0000FFu);
    EXPECT_EQ(GetWindowFrame(b, &info, nullptr, 0), 0); // not covered

    // A window partly off the desktop still gets its whole frame.
    ASSERT_TRUE(SetWindowPos(a, 0, -150, -20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    client = client_on_screen(a);
    ASSERT_LT(client.left, 0);
    write(back, 0, 0, 1, {0x001F});
    ASSERT_EQ(Blt(primary, &client, back, nullptr, DDBLT_ASYNC, nullptr), DD_OK);
    f = frame_of(a, info);
    EXPECT_EQ(info.presents, 2u);
    EXPECT_EQ(f[0], 0x0000FFu);
    EXPECT_EQ(f[200 * 100 - 1], 0x0000FFu);
    // The part on the desktop is in the primary too.
    Pixels desk = read(primary);
    EXPECT_EQ(desk(client.right - 1, client.bottom - 1), 0x0000FFu);

    // Colour fills and unlocks of the primary reach the frames as well.
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x123456;
    RECT bottom_right{940, 730, 1024, 768};
    ASSERT_EQ(Blt(primary, &bottom_right, 0, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    f = frame_of(b, info);
    ASSERT_EQ(info.width, 50);
    EXPECT_EQ(f[0], 0u);                       // (900, 700) not filled
    EXPECT_EQ(f[50 * 40 - 1], 0x123456u);      // (949, 739) filled
    write(primary, 900, 700, 1, {0xFFABCDEF}); // frames hold no alpha
    f = frame_of(b, info);
    EXPECT_EQ(f[0], 0xABCDEFu);
    // Unstretched, from 16 and from 32 bits (with junk in the unused byte), and
    // onto a window the primary only partly covers.
    LPDIRECTDRAWSURFACE7 wide = make(50, 40, kXRGB);
    write(wide, 0, 0, 1, {0x7F102030});
    write(wide, 49, 39, 1, {0x00405060});
    RECT at_b = client_on_screen(b);
    ASSERT_EQ(Blt(primary, &at_b, wide, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    f = frame_of(b, info);
    EXPECT_EQ(f[0], 0x102030u);
    EXPECT_EQ(f[50 * 40 - 1], 0x405060u);
    EXPECT_EQ(read(primary)(900, 700), 0x7F102030u); // the primary keeps the raw value
    LPDIRECTDRAWSURFACE7 tall = make(200, 100, kRGB565);
    write(tall, 0, 0, 200, std::vector<std::uint32_t>(200, 0x0410));
    write(tall, 199, 99, 1, {0xF81F});
    client = client_on_screen(a);
    ASSERT_EQ(Blt(primary, &client, tall, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    f = frame_of(a, info);
    EXPECT_EQ(f[0], 0x008284u);
    EXPECT_EQ(f[199], 0x008284u);
    EXPECT_EQ(f[200 * 100 - 1], 0xFF00FFu);
    // Off the primary entirely only a window can show it; elsewhere it is refused.
    RECT gone{-300, -300, -200, -200};
    EXPECT_EQ(Blt(primary, &gone, back, nullptr, DDBLT_ASYNC, nullptr), DD_OK);
    EXPECT_EQ(Blt(back, &gone, primary, nullptr, DDBLT_ASYNC, nullptr), DDERR_INVALIDRECT);
}

} // namespace
} // namespace kxp::test
