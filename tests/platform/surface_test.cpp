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
        std::uint32_t raw;                    // a pixel value in the format
        std::uint32_t expect;                 // that pixel as 0x00RRGGBB after a blit to 32 bits
    } cases[] = {{kRGB565, 0xF81F, 0xFF00FF}, // full red and blue widen to 255
                 {kRGB565, 0x0410, 0x008284}, // green 32 of 63, blue 16 of 31: bit replication
                 {kRGB555, 0x7C00, 0xFF0000},   {kRGB555, 0x03E0, 0x00FF00},
                 {kRGB888, 0x123456, 0x123456}, {kXRGB, 0x00ABCDEF, 0xABCDEF}};
    LPDIRECTDRAWSURFACE7 out = make(7, 3, kXRGB);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pf.dwRGBBitCount);
        LPDIRECTDRAWSURFACE7 s = make(7, 3, c.pf);
        ASSERT_NE(s, 0u);
        DDPIXELFORMAT got{};
        got.dwSize = sizeof got;
        ASSERT_EQ(GetPixelFormat(s, &got), DD_OK);
        EXPECT_EQ(std::memcmp(&got, &c.pf, sizeof got), 0); // flags, bit count and masks
        DDSURFACEDESC2 d = blank_desc();
        ASSERT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
        EXPECT_TRUE(heap::contains(ptr<void>(d.lpSurface)));
        EXPECT_GE(d.lPitch, static_cast<LONG>(7 * c.pf.dwRGBBitCount / 8));
        EXPECT_EQ((Calls{d.dwWidth, d.dwHeight, d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY}),
                  (Calls{7, 3, DDSCAPS_VIDEOMEMORY}));
        ASSERT_EQ(Unlock(s, nullptr), DD_OK);

        // The last pixel of the last row: the pitch is honoured.
        write(s, 6, 2, 1, {c.raw});
        EXPECT_EQ(read(s).at({{6, 2}, {5, 2}}), (Raw{c.raw, 0}));
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
        return described(s);
    };
    DDSURFACEDESC2 d = plain();
    EXPECT_EQ(std::memcmp(&d.ddpfPixelFormat, &kXRGB, sizeof kXRGB), 0);
    EXPECT_EQ(d.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY),
              DDSCAPS_SYSTEMMEMORY);
    // ... or the depth the desktop was given (windowed, only the depth changes).
    EXPECT_EQ(
        (Calls{SetDisplayMode(dd, 640, 480, 16, 0, 0), SetDisplayMode(dd, 1024, 768, 16, 0, 0),
               plain().ddpfPixelFormat.dwGBitMask, SetDisplayMode(dd, 1024, 768, 24, 0, 0),
               plain().ddpfPixelFormat.dwRGBBitCount}),
        (Calls{DDERR_INVALIDMODE, DD_OK, 0x07E0, DD_OK, 24}));
}

TEST_F(Surfaces, CreationRefusesWhatItCannotMake) {
    DDPIXELFORMAT odd = kRGB565;
    odd.dwGBitMask = 0x0FE0; // overlaps red
    DDSURFACEDESC2 big_size = desc_of(8, 8, kXRGB, 0);
    big_size.dwSize = 100;
    struct {
        DDSURFACEDESC2 d;
        HRESULT expect;
    } cases[] = {
        {desc_of(8, 8, odd, 0), DDERR_INVALIDPIXELFORMAT},
        {desc_of(0, 8, kXRGB, 0), DDERR_INVALIDPARAMS},
        {desc_of(16385, 8, kXRGB, 0), DDERR_TOOBIGSIZE},
        {desc_of(8, 8, kXRGB, DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY), DDERR_INVALIDCAPS},
        {desc_of(8, 8, kXRGB, DDSCAPS_ZBUFFER), DDERR_INVALIDCAPS},
        {big_size, DDERR_INVALIDPARAMS}};
    LPDIRECTDRAWSURFACE7 s = 0;
    for (auto& c : cases)
        EXPECT_EQ(CreateSurface(dd, &c.d, &s, 0), c.expect) << c.d.dwWidth;
    DDSURFACEDESC2 d = desc_of(8, 8, kXRGB, 0);
    LPDIRECTDRAW7 fresh = 0;
    ASSERT_EQ(DirectDrawCreateEx(0, &fresh, IID_IDirectDraw7, 0), DD_OK);
    EXPECT_EQ((Calls{CreateSurface(dd + 1000, &d, &s, 0), s, CreateSurface(fresh, &d, &s, 0),
                     DirectDrawCreateEx(0, &fresh, IID_IDirect3D7, 0)}),
              (Calls{DDERR_INVALIDOBJECT, 0, DDERR_NOCOOPERATIVELEVELSET, DDERR_INVALIDPARAMS}));

    // One primary per display object, of the desktop's size; it takes no size of
    // its own; a flipping chain needs exclusive mode.
    s = primary(dd);
    EXPECT_EQ((Calls{described(s).dwWidth, described(s).dwHeight}), (Calls{1024, 768}));
    DDSURFACEDESC2 p = blank_desc();
    p.dwFlags = DDSD_CAPS;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE7 second = 0;
    EXPECT_EQ(CreateSurface(dd, &p, &second, 0), DDERR_PRIMARYSURFACEALREADYEXISTS);
    p.dwFlags |= DDSD_WIDTH;
    p.dwWidth = 10;
    EXPECT_EQ(
        (Calls{CreateSurface(fresh, &p, &second, 0), SetCooperativeLevel(fresh, 0, DDSCL_NORMAL),
               CreateSurface(fresh, &p, &second, 0)}),
        (Calls{DDERR_NOCOOPERATIVELEVELSET, DD_OK, DDERR_INVALIDPARAMS}));
    p.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    p.dwBackBufferCount = 1;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    EXPECT_EQ(CreateSurface(fresh, &p, &second, 0), DDERR_NOEXCLUSIVEMODE);
}

TEST_F(Surfaces, LocksDoNotNestAndKeepOthersOut) {
    LPDIRECTDRAWSURFACE7 s = make(8, 4, kRGB565), t = make(8, 4, kRGB565);
    DDSURFACEDESC2 d = blank_desc(), e = blank_desc();
    HDC dc = 0;
    ASSERT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ((Calls{Lock(s, nullptr, &e, DDLOCK_WAIT, 0),
                     Blt(s, nullptr, t, nullptr, DDBLT_WAIT, nullptr),
                     Blt(t, nullptr, s, nullptr, DDBLT_WAIT, nullptr),
                     BltFast(t, 0, 0, s, nullptr, DDBLTFAST_WAIT), GetDC(s, &dc),
                     Unlock(s, nullptr), Unlock(s, nullptr)}),
              (Calls{DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY, DDERR_SURFACEBUSY,
                     DDERR_SURFACEBUSY, DD_OK, DDERR_NOTLOCKED}));

    // A rectangle lock starts at the rectangle's first pixel.
    RECT r{2, 1, 5, 3};
    ASSERT_EQ(Lock(s, &r, &e, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ(e.lpSurface, d.lpSurface + static_cast<std::uint32_t>(d.lPitch) + 2 * 2);
    EXPECT_EQ(Unlock(s, nullptr), DD_OK);
    for (RECT bad : {RECT{0, 0, 9, 4}, RECT{-1, 0, 2, 2}, RECT{3, 3, 3, 4}, RECT{4, 2, 2, 3}})
        EXPECT_EQ(Lock(s, &bad, &e, DDLOCK_WAIT, 0), DDERR_INVALIDRECT);
    DDSURFACEDESC2 unsized{};
    EXPECT_EQ((Calls{Lock(s, nullptr, &unsized, DDLOCK_WAIT, 0),
                     Lock(s + 1000, nullptr, &e, DDLOCK_WAIT, 0),
                     Lock(dd, nullptr, &e, DDLOCK_WAIT, 0), Unlock(0, nullptr)}),
              (Calls{DDERR_INVALIDPARAMS, DDERR_INVALIDOBJECT, DDERR_INVALIDOBJECT,
                     DDERR_INVALIDOBJECT}));
}

TEST_F(Surfaces, BltCopiesStretchesShrinksAndConverts) {
    LPDIRECTDRAWSURFACE7 src = make(4, 2, kXRGB);
    write(src, 0, 0, 4, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});

    // Twice the size: every source pixel covers 2 x 2.
    LPDIRECTDRAWSURFACE7 big = make(8, 4, kXRGB);
    ASSERT_EQ(Blt(big, nullptr, src, nullptr, DDBLT_WAIT | DDBLT_ASYNC, nullptr), DD_OK);
    const Raw top{0x11, 0x11, 0x22, 0x22, 0x33, 0x33, 0x44, 0x44},
        bottom{0x55, 0x55, 0x66, 0x66, 0x77, 0x77, 0x88, 0x88};
    Raw twice = top;
    for (const Raw* row : {&top, &bottom, &bottom})
        twice.insert(twice.end(), row->begin(), row->end());
    EXPECT_EQ(read(big).raw, twice);

    // Half the size: the pixel nearest each destination centre.
    LPDIRECTDRAWSURFACE7 small = make(2, 1, kXRGB);
    ASSERT_EQ(Blt(small, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(small).raw, (Raw{0x66, 0x88}));

    // Rectangles: source (1, 0)-(3, 2) to destination (5, 1)-(7, 3); nothing else changes.
    clear(big, 0xDEAD);
    RECT sr{1, 0, 3, 2}, dr{5, 1, 7, 3};
    ASSERT_EQ(Blt(big, &dr, src, &sr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(big).at({{5, 1}, {6, 2}, {4, 1}, {7, 1}, {5, 3}}),
              (Raw{0x22, 0x77, 0xDEAD, 0xDEAD, 0xDEAD}));

    // Conversion: 32 bits to 5-6-5 and 24 bits, and back.
    write(src, 0, 0, 2, {0xFF0000, 0x00FF00});
    LPDIRECTDRAWSURFACE7 s565 = make(4, 2, kRGB565), s888 = make(4, 2, kRGB888);
    ASSERT_EQ(Blt(s565, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(Blt(s888, nullptr, s565, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s565).raw, (Raw{0xF800, 0x07E0, 0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x11}));
    // Blue 0x88 through 5 bits: 17, widened to 0x8C.
    EXPECT_EQ(read(s888).raw, (Raw{0xFF0000, 0x00FF00, 0x31, 0x42, 0x52, 0x63, 0x73, 0x8C}));
}

TEST_F(Surfaces, BltWithinOneSurfaceBehavesAsIfCopiedFirst) {
    LPDIRECTDRAWSURFACE7 s = make(6, 1, kRGB565);
    write(s, 0, 0, 6, {1, 2, 3, 4, 5, 6});
    RECT sr{0, 0, 4, 1}, dr{1, 0, 5, 1};
    ASSERT_EQ(Blt(s, &dr, s, &sr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s).raw, (Raw{1, 1, 2, 3, 4, 6}));
    sr = {2, 0, 6, 1};
    dr = {0, 0, 4, 1};
    ASSERT_EQ(Blt(s, &dr, s, &sr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(read(s).raw, (Raw{2, 3, 4, 6, 4, 6}));
}

TEST_F(Surfaces, SourceColourKeysCompareRawValues) {
    LPDIRECTDRAWSURFACE7 src = make(4, 1, kRGB565), dst = make(4, 1, kRGB565);
    write(src, 0, 0, 4, {0xF81F, 0x0001, 0x0002, 0x0003});
    // Clears the destination, blits with the flags, and reads it.
    auto blit = [&](DWORD flags, bool fast = false) {
        clear(dst, 0x7777);
        EXPECT_EQ(fast ? BltFast(dst, 0, 0, src, nullptr, flags)
                       : Blt(dst, nullptr, src, nullptr, flags, nullptr),
                  DD_OK);
        return read(dst).raw;
    };
    DDCOLORKEY key{0xF81F, 0}, got{};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(GetColorKey(src, DDCKEY_SRCBLT, &got), DD_OK);
    EXPECT_EQ(got.dwColorSpaceHighValue, 0xF81Fu); // a single key: high = low
    EXPECT_EQ(blit(DDBLT_KEYSRC | DDBLT_WAIT), (Raw{0x7777, 1, 2, 3}));
    EXPECT_EQ(blit(DDBLT_WAIT), (Raw{0xF81F, 1, 2, 3})); // without the flag: not applied

    // A range (colour space) keys low..high inclusive.
    key = {0x0001, 0x0002};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &key), DD_OK);
    EXPECT_EQ(blit(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT, true), (Raw{0xF81F, 0x7777, 0x7777, 3}));

    // 0xRRGGBB given to a 16-bit surface is compared raw: it matches no pixel.
    key = {0xFF00FF, 0xFF00FF};
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(blit(DDBLT_KEYSRC), (Raw{0xF81F, 1, 2, 3}));

    // Removing the key copies everything, also with the flag.
    ASSERT_EQ(SetColorKey(src, DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(GetColorKey(src, DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
    EXPECT_EQ(blit(DDBLT_KEYSRC), (Raw{0xF81F, 1, 2, 3}));
    EXPECT_EQ((Calls{SetColorKey(src, 2 /* destination blit key */, &key),
                     SetColorKey(src, DDCKEY_SRCBLT | 0x100, &key)}),
              (Calls{DDERR_UNSUPPORTED, DDERR_INVALIDPARAMS}));

    // A key given at creation (as texture images are made): black.
    DDSURFACEDESC2 d = desc_of(2, 1, kRGB565, DDSCAPS_TEXTURE);
    d.dwFlags |= DDSD_CKSRCBLT;
    LPDIRECTDRAWSURFACE7 t = 0;
    ASSERT_EQ(CreateSurface(dd, &d, &t, 0), DD_OK);
    write(t, 0, 0, 2, {0, 5});
    clear(dst, 0x7777);
    ASSERT_EQ(BltFast(dst, 2, 0, t, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(read(dst).raw, (Raw{0x7777, 0x7777, 0x7777, 5}));
}

TEST_F(Surfaces, ColourFillWritesTheRawValueInsideTheRectangleOnly) {
    LPDIRECTDRAWSURFACE7 s = make(6, 4, kRGB565);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x12345678; // only the 16 bits of the format count
    RECT r{1, 1, 4, 3};
    ASSERT_EQ(Blt(s, &r, 0, nullptr, DDBLT_COLORFILL | DDBLT_WAIT | DDBLT_ASYNC, &fx), DD_OK);
    const std::uint32_t F = 0x5678;
    EXPECT_EQ(read(s).raw, (Raw{0, 0, 0, 0, 0, 0, 0, F, F, F, 0, 0, //
                                0, F, F, F, 0, 0, 0, 0, 0, 0, 0, 0}));
    LPDIRECTDRAWSURFACE7 t = make(2, 1, kRGB888);
    ASSERT_EQ(Blt(t, nullptr, 0, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(read(t)(1, 0), 0x345678u);

    DDBLTFX unsized = fx;
    unsized.dwSize = 96;
    RECT outside{4, 2, 7, 4}, flat{2, 2, 2, 3};
    EXPECT_EQ((Calls{Blt(s, &r, 0, nullptr, DDBLT_COLORFILL, nullptr),
                     Blt(s, &r, 0, nullptr, DDBLT_COLORFILL, &unsized),
                     Blt(s, &outside, 0, nullptr, DDBLT_COLORFILL, &fx),
                     Blt(s, &flat, 0, nullptr, DDBLT_COLORFILL, &fx),
                     Blt(s, &r, 0, nullptr, DDBLT_COLORFILL | 0x10, &fx),
                     Blt(s, &r, 999, nullptr, DDBLT_WAIT, nullptr)}),
              (Calls{DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DDERR_INVALIDRECT, DDERR_INVALIDRECT,
                     DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS}));
}

TEST_F(Surfaces, BltFastPlacesWithoutStretchingAndRefusesWhatDoesNotFit) {
    LPDIRECTDRAWSURFACE7 src = make(3, 2, kXRGB), dst = make(5, 4, kXRGB);
    write(src, 0, 0, 3, {1, 2, 3, 4, 5, 6});
    RECT sr{1, 0, 3, 2}, bad{2, 0, 4, 1};
    ASSERT_EQ(BltFast(dst, 3, 2, src, &sr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(read(dst).at({{3, 2}, {4, 3}, {2, 2}}), (Raw{2, 6, 0}));
    EXPECT_EQ((Calls{BltFast(dst, 4, 2, src, &sr, DDBLTFAST_WAIT),
                     BltFast(dst, 0, 3, src, &sr, DDBLTFAST_WAIT),
                     BltFast(dst, 0xFFFFFFFFu, 0, src, &sr, DDBLTFAST_WAIT),
                     BltFast(dst, 0, 0, src, &bad, DDBLTFAST_WAIT),
                     BltFast(dst, 0, 0, src, nullptr, 2 /* destination key */)}),
              (Calls{DDERR_INVALIDRECT, DDERR_INVALIDRECT, DDERR_INVALIDRECT, DDERR_INVALIDRECT,
                     DDERR_INVALIDPARAMS}));
}

TEST_F(Surfaces, ReleaseCountsReferencesAndSurfacesHoldTheirDisplayObject) {
    LPDIRECTDRAWSURFACE7 s = make(2, 2, kXRGB);
    DDSURFACEDESC2 d = blank_desc();
    // The surface keeps the display object, which goes with its last surface.
    EXPECT_EQ((Calls{AddRef(s), Release(s), Release(dd), Release(s), AddRef(dd), Release(s),
                     Lock(s, nullptr, &d, DDLOCK_WAIT, 0)}),
              (Calls{2, 1, 1, 0, 0, 0, DDERR_INVALIDOBJECT}));
}

TEST_F(Surfaces, AFlippingChainSwapsBuffersAndShowsTheFront) {
    HWND w = open(320, 240);
    ASSERT_NE(w, 0u);
    LPDIRECTDRAW7 full = 0;
    const DWORD exclusive = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;
    ASSERT_EQ(DirectDrawCreateEx(0, &full, IID_IDirectDraw7, 0), DD_OK);
    EXPECT_EQ(
        (Calls{SetDisplayMode(full, 320, 240, 16, 0, 0),
               SetCooperativeLevel(full, w, DDSCL_EXCLUSIVE),
               SetCooperativeLevel(full, 0, exclusive), SetCooperativeLevel(full, w, exclusive),
               SetCooperativeLevel(dd, w, exclusive), SetDisplayMode(full, 320, 240, 8, 0, 0),
               SetDisplayMode(full, 320, 240, 16, 0, 0)}),
        (Calls{DDERR_NOCOOPERATIVELEVELSET, DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DD_OK,
               DDERR_EXCLUSIVEMODEALREADYSET, DDERR_INVALIDMODE, DD_OK}));

    DDSURFACEDESC2 p = blank_desc();
    p.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    p.dwBackBufferCount = 1;
    p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    LPDIRECTDRAWSURFACE7 front = 0, back = 0;
    ASSERT_EQ(CreateSurface(full, &p, &front, 0), DD_OK);
    DDSCAPS2 texture{DDSCAPS_TEXTURE, 0, 0, 0}, backbuffer{DDSCAPS_BACKBUFFER, 0, 0, 0};
    EXPECT_EQ(
        (Calls{SetDisplayMode(full, 640, 480, 16, 0, 0), GetAttachedSurface(front, &texture, &back),
               GetAttachedSurface(front, &backbuffer, &back)}),
        (Calls{DDERR_PRIMARYSURFACEALREADYEXISTS, DDERR_NOTFOUND, DD_OK}));
    DDSURFACEDESC2 d = described(back);
    EXPECT_EQ(
        (Calls{d.dwWidth, d.ddpfPixelFormat.dwGBitMask, d.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER}),
        (Calls{320, 0x07E0, DDSCAPS_BACKBUFFER}));

    write(back, 0, 0, 2, {0xF800, 0x001F});
    write(back, 319, 239, 1, {0x07E0});
    ASSERT_EQ(Flip(front, 0, DDFLIP_NOVSYNC), DD_OK);
    FrameInfo info{};
    Raw f = frame_of(w, info);
    EXPECT_EQ((Calls{info.width, info.height, info.presents}), (Calls{320, 240, 1}));
    EXPECT_EQ((Raw{f[0], f[1], f[320 * 240 - 1]}), (Raw{0xFF0000, 0x0000FF, 0x00FF00}));
    // The back buffer now holds the old front (empty); the front the drawing,
    // and unlocking the front presents it again.
    EXPECT_EQ((Raw{read(back)(0, 0), read(front)(0, 0), frame_of(w, info)[0], info.presents}),
              (Raw{0, 0xF800, 0xFF0000, 2}));
    ASSERT_EQ(Flip(front, back, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ((Raw{frame_of(w, info)[0], info.presents}), (Raw{0, 3}));

    ASSERT_EQ(Lock(back, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ(
        (Calls{Flip(back, 0, 0), Flip(front, front, 0), Flip(front, 0, 0x100), Flip(front, 0, 0)}),
        (Calls{DDERR_NOTFLIPPABLE, DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DDERR_SURFACEBUSY}));
    ASSERT_EQ(Unlock(back, nullptr), DD_OK);

    // The chain holds the back buffer: it goes with the front. With the
    // exclusive display object gone, another may take the window.
    EXPECT_EQ((Calls{Release(back), Release(front), AddRef(back), Release(full),
                     SetCooperativeLevel(dd, w, exclusive)}),
              (Calls{1, 0, 0, 0, DD_OK}));
}

TEST_F(Surfaces, BlitsIntoTheWindowedPrimaryBecomeTheCoveredWindowsFrames) {
    HWND a = open(200, 100);
    ShowWindow(a, SW_SHOWNORMAL);
    HWND b = CreateWindowEx(0, "TestWindowClass", "Other", WS_POPUP | WS_VISIBLE, 900, 700, 50, 40,
                            0, 0, inst);
    ASSERT_NE(b, 0u);
    LPDIRECTDRAWSURFACE7 front = primary(dd);
    LPDIRECTDRAWSURFACE7 back = make(100, 50, kRGB565);
    write(back, 0, 0, 2, {0xF800, 0x07E0});
    write(back, 99, 49, 1, {0x001F});

    FrameInfo info{};
    EXPECT_EQ(GetWindowFrame(a, &info, nullptr, 0), 0); // nothing presented yet
    RECT client = client_on_screen(a);
    ASSERT_EQ(Blt(front, &client, back, nullptr, DDBLT_ASYNC, nullptr), DD_OK);
    Raw f = frame_of(a, info);
    EXPECT_EQ((Calls{info.width, info.height, info.pitch, info.format.dwRGBBitCount,
                     info.format.dwRBitMask}),
              (Calls{200, 100, 800, 32, 0xFF0000}));
    // Stretched twice: pixel (0, 0) of the back covers 2 x 2 of the frame.
    EXPECT_EQ((Raw{f[0], f[1], f[200 + 1], f[2], f[200 * 100 - 1]}),
              (Raw{0xFF0000, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF}));
    EXPECT_EQ(GetWindowFrame(b, &info, nullptr, 0), 0); // not covered

    // A window partly off the desktop still gets its whole frame, and the part
    // on the desktop is in the primary too.
    ASSERT_TRUE(SetWindowPos(a, 0, -150, -20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    client = client_on_screen(a);
    ASSERT_LT(client.left, 0);
    write(back, 0, 0, 1, {0x001F});
    ASSERT_EQ(Blt(front, &client, back, nullptr, DDBLT_ASYNC, nullptr), DD_OK);
    f = frame_of(a, info);
    EXPECT_EQ((Raw{info.presents, f[0], f[200 * 100 - 1],
                   read(front)(client.right - 1, client.bottom - 1)}),
              (Raw{2, 0x0000FF, 0x0000FF, 0x0000FF}));

    // Colour fills and unlocks of the primary reach the frames as well; frames
    // hold no alpha.
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x123456;
    RECT bottom_right{940, 730, 1024, 768};
    ASSERT_EQ(Blt(front, &bottom_right, 0, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    f = frame_of(b, info);
    ASSERT_EQ(info.width, 50);
    EXPECT_EQ((Raw{f[0], f[50 * 40 - 1]}), (Raw{0, 0x123456})); // (900, 700) out, (949, 739) in
    write(front, 900, 700, 1, {0xFFABCDEF});
    EXPECT_EQ(frame_of(b, info)[0], 0xABCDEFu);
    // Unstretched from 32 bits (with junk in the unused byte) onto a window the
    // primary only partly covers.
    LPDIRECTDRAWSURFACE7 wide = make(50, 40, kXRGB);
    write(wide, 0, 0, 1, {0x7F102030});
    write(wide, 49, 39, 1, {0x00405060});
    RECT at_b = client_on_screen(b);
    ASSERT_EQ(Blt(front, &at_b, wide, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    f = frame_of(b, info);
    // The primary keeps the raw value.
    EXPECT_EQ((Raw{f[0], f[50 * 40 - 1], read(front)(900, 700)}),
              (Raw{0x102030, 0x405060, 0x7F102030}));
    // Off the primary entirely only a window can show it; elsewhere it is refused.
    RECT gone{-300, -300, -200, -200};
    EXPECT_EQ((Calls{Blt(front, &gone, back, nullptr, DDBLT_ASYNC, nullptr),
                     Blt(back, &gone, front, nullptr, DDBLT_ASYNC, nullptr)}),
              (Calls{DD_OK, DDERR_INVALIDRECT}));
}

// A frame read in place from a 32-bit primary keeps what was presented when
// the primary then changes without showing it to the window.
TEST_F(Surfaces, FramesKeepWhatWasPresentedWhileThePrimaryChangesUnshown) {
    HWND a = CreateWindowEx(0, "TestWindowClass", "", WS_POPUP | WS_VISIBLE, 100, 100, 64, 32, 0, 0,
                            inst);
    ASSERT_NE(a, 0u);
    LPDIRECTDRAWSURFACE7 front = primary(dd), back = make(64, 32, kXRGB);
    clear(back, 0xFF112233);
    RECT client{};
    FrameInfo info{};
    auto present = [&] {
        client = client_on_screen(a);
        EXPECT_EQ(Blt(front, &client, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    };
    auto shown = [&] { return Raw{frame_of(a, info)[0], info.presents}; };
    auto fill_at = [&](RECT r) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = 0x778899;
        EXPECT_EQ(Blt(front, &r, 0, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    };

    // Written under a lock: seen at Unlock, not before.
    present();
    DDSURFACEDESC2 d = blank_desc();
    ASSERT_EQ(Lock(front, &client, &d, DDLOCK_WAIT, 0), DD_OK);
    *ptr<std::uint32_t>(d.lpSurface) = 0x445566;
    EXPECT_EQ(shown(), (Raw{0x112233, 1}));
    ASSERT_EQ(Unlock(front, nullptr), DD_OK);
    EXPECT_EQ(shown(), (Raw{0x445566, 2}));

    // Moved away, then the old place written; hidden, then its place written.
    present();
    RECT old = client;
    ASSERT_TRUE(SetWindowPos(a, 0, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    fill_at(old);
    EXPECT_EQ(shown(), (Raw{0x112233, 3}));
    present();
    ShowWindow(a, SW_HIDE);
    fill_at(client);
    EXPECT_EQ(shown(), (Raw{0x112233, 4}));

    // The primary released (with a colour the window never held).
    ShowWindow(a, SW_SHOWNA);
    clear(back, 0x0A0B0C);
    present();
    EXPECT_EQ((Calls{Release(back), Release(front)}), (Calls{0, 0}));
    EXPECT_EQ(shown(), (Raw{0x0A0B0C, 5}));
}

} // namespace
} // namespace kxp::test
