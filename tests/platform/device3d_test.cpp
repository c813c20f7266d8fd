// The 3D device: texture format enumeration, states, scenes, and drawing of
// textured, colour-keyed, alpha-blended triangle strips checked pixel by pixel.
#include <cmath>

#include "gfx_fixture.h"

namespace kxp::test {
namespace {

D3DTLVERTEX vtx(float x, float y, float u, float v, DWORD colour = 0xFFFFFFFF) {
    return {x, y, 0, 0, colour, 0, u, v};
}

class Device3D : public Gfx {
  protected:
    LPDIRECT3D7 d3d = 0;
    LPDIRECT3DDEVICE7 dev = 0;
    LPDIRECTDRAWSURFACE7 target = 0;

    void SetUp() override {
        Gfx::SetUp();
        target = make(64, 48, kXRGB, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
        ASSERT_EQ(QueryInterface(dd, IID_IDirect3D7, &d3d), DD_OK);
        ASSERT_EQ(CreateDevice(d3d, IID_IDirect3DHALDevice, target, &dev), D3D_OK);
    }

    LPDIRECTDRAWSURFACE7 texture(std::int32_t w, std::int32_t h, const DDPIXELFORMAT& pf) {
        return make(w, h, pf, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY);
    }

    // The rotated blit's strip: corners top-left, top-right, bottom-left, bottom-right.
    void quad(float l, float t, float r, float b, DWORD colour = 0xFFFFFFFF,
              DWORD type = D3DPT_TRIANGLESTRIP, LPDIRECT3DDEVICE7 on = 0) {
        on = on ? on : dev;
        D3DTLVERTEX strip[4] = {vtx(l, t, 0, 0, colour), vtx(r, t, 1, 0, colour),
                                vtx(l, b, 0, 1, colour), vtx(r, b, 1, 1, colour)};
        D3DTLVERTEX list[6] = {strip[0], strip[1], strip[2], strip[1], strip[3], strip[2]};
        D3DTLVERTEX fan[4] = {strip[0], strip[1], strip[3], strip[2]};
        const D3DTLVERTEX* v = type == D3DPT_TRIANGLELIST  ? list
                               : type == D3DPT_TRIANGLEFAN ? fan
                                                           : strip;
        DWORD n = type == D3DPT_TRIANGLELIST ? 6 : 4;
        ASSERT_EQ(BeginScene(on), D3D_OK);
        ASSERT_EQ(DrawPrimitive(on, type, D3DFVF_TLVERTEX, v, n, 0), D3D_OK);
        ASSERT_EQ(EndScene(on), D3D_OK);
    }

    void filters(DWORD f) {
        ASSERT_EQ(SetTextureStageState(dev, 0, D3DTSS_MINFILTER, f), D3D_OK);
        ASSERT_EQ(SetTextureStageState(dev, 0, D3DTSS_MAGFILTER, f), D3D_OK);
    }
};

HRESULT collect(DDPIXELFORMAT* pf, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*pf);
    return D3DENUMRET_OK;
}

HRESULT first_only(DDPIXELFORMAT* pf, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*pf);
    return D3DENUMRET_CANCEL;
}

// How texture images choose their format: the first plain RGB format of the
// screen's depth, without alpha.
const DDPIXELFORMAT* choose(const std::vector<DDPIXELFORMAT>& formats, DWORD depth) {
    for (const DDPIXELFORMAT& f : formats)
        if (!(f.dwFlags & 0xE0000) && !(f.dwFlags & DDPF_FOURCC) && f.dwRGBBitCount == depth &&
            !(f.dwFlags & DDPF_ALPHAPIXELS))
            return &f;
    return nullptr;
}

TEST_F(Device3D, TextureFormatsLetTheRuntimePickPlainRgbOfTheScreensDepth) {
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(EnumTextureFormats(dev, collect, &formats), D3D_OK);
    ASSERT_EQ(formats.size(), 7u);
    // A luminance format and formats with alpha come before the plain ones.
    EXPECT_EQ((Calls{formats[0].dwFlags & DDPF_LUMINANCE, formats[0].dwRGBBitCount,
                     formats[1].dwFlags, formats[1].dwRGBBitCount}),
              (Calls{DDPF_LUMINANCE, 8, DDPF_RGB | DDPF_ALPHAPIXELS, 16}));
    const DDPIXELFORMAT *f16 = choose(formats, 16), *f32 = choose(formats, 32);
    ASSERT_TRUE(f16 && f32);
    EXPECT_EQ(std::memcmp(f16, &kRGB565, sizeof kRGB565), 0);
    EXPECT_EQ(std::memcmp(f32, &kXRGB, sizeof kXRGB), 0);
    EXPECT_EQ(choose(formats, 24), nullptr);

    // Every listed format makes a texture (with the key the runtime asks for).
    for (const DDPIXELFORMAT& f : formats) {
        DDSURFACEDESC2 d = desc_of(8, 8, f, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY);
        d.dwFlags |= DDSD_CKSRCBLT | DDSD_TEXTURESTAGE;
        LPDIRECTDRAWSURFACE7 t = 0;
        EXPECT_EQ(CreateSurface(dd, &d, &t, 0), DD_OK) << f.dwRGBBitCount << " " << f.dwFlags;
        EXPECT_EQ(SetTexture(dev, 0, t), D3D_OK);
    }
    std::vector<DDPIXELFORMAT> one;
    EXPECT_EQ(
        (Calls{EnumTextureFormats(dev, first_only, &one), static_cast<std::int64_t>(one.size()),
               EnumTextureFormats(dev, nullptr, &one), EnumTextureFormats(target, collect, &one)}),
        (Calls{D3D_OK, 1, DDERR_INVALIDPARAMS, DDERR_INVALIDOBJECT}));
}

TEST_F(Device3D, UnscaledQuadsReproduceTheTextureAndStretchedOnesFilter) {
    LPDIRECTDRAWSURFACE7 tex = texture(8, 4, kXRGB);
    std::vector<std::uint32_t> texels;
    for (std::uint32_t i = 0; i < 32; ++i)
        texels.push_back(0x010203u * (i + 1) + (i % 3) * 0x400000u);
    write(tex, 0, 0, 8, texels);
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    for (DWORD filter : {D3DTFG_POINT, D3DTFG_LINEAR}) {
        SCOPED_TRACE(filter);
        clear(target, 0x000080);
        filters(filter);
        quad(10, 20, 18, 24);
        Pixels p = read(target);
        for (std::int32_t y = 18; y < 26; ++y)
            for (std::int32_t x = 8; x < 20; ++x) {
                bool inside = x >= 10 && x < 18 && y >= 20 && y < 24;
                std::uint32_t want =
                    inside ? texels[static_cast<std::size_t>((y - 20) * 8 + (x - 10))] : 0x80u;
                EXPECT_EQ(p(x, y), want) << x << "," << y;
            }
    }

    // Stretched, point sampling steps where bilinear filtering blends neighbours.
    LPDIRECTDRAWSURFACE7 two = texture(2, 1, kXRGB);
    write(two, 0, 0, 2, {0x000000, 0xFFFFFF});
    ASSERT_EQ(SetTexture(dev, 0, two), D3D_OK);
    filters(D3DTFG_POINT);
    quad(0, 0, 40, 1);
    Pixels p = read(target);
    for (std::int32_t x = 0; x < 40; ++x)
        EXPECT_EQ(p(x, 0), x < 20 ? 0u : 0xFFFFFFu) << x;

    filters(D3DTFG_LINEAR);
    quad(0, 0, 40, 1);
    p = read(target);
    EXPECT_EQ(p.at({{0, 0}, {39, 0}}), (Raw{0, 0xFFFFFF})); // clamped at the edges
    std::uint32_t previous = 0;
    for (std::int32_t x = 10; x < 30; ++x) {
        std::uint32_t g = p(x, 0) & 0xFF;
        EXPECT_GT(g, previous) << x;
        EXPECT_EQ(p(x, 0), g * 0x010101u) << x;
        previous = g;
    }

    // A 5-6-5 texture on a 5-6-5 target: texels arrive unchanged as well.
    LPDIRECTDRAWSURFACE7 t16 = make(16, 16, kRGB565, DDSCAPS_3DDEVICE),
                         tex16 = texture(2, 2, kRGB565);
    write(tex16, 0, 0, 2, {0xF800, 0x07E0, 0x001F, 0x8410});
    LPDIRECT3DDEVICE7 dev16 = 0;
    ASSERT_EQ(CreateDevice(d3d, IID_IDirect3DRGBDevice, t16, &dev16), D3D_OK);
    ASSERT_EQ(SetTexture(dev16, 0, tex16), D3D_OK);
    quad(3, 3, 5, 5, 0xFFFFFFFF, D3DPT_TRIANGLESTRIP, dev16);
    EXPECT_EQ(read(t16).at({{3, 3}, {4, 3}, {3, 4}, {4, 4}, {5, 4}}),
              (Raw{0xF800, 0x07E0, 0x001F, 0x8410, 0}));
}

TEST_F(Device3D, TrianglesSharingAnEdgeNeitherOverlapNorLeaveGaps) {
    // Additive blending shows any pixel drawn twice; fractional corners put
    // pixel centres exactly on edges.
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_ALPHABLENDENABLE, 1), D3D_OK);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE), D3D_OK);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE), D3D_OK);
    std::vector<std::uint32_t> drawn[3];
    DWORD types[3] = {D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN};
    for (int i = 0; i < 3; ++i) {
        clear(target, 0);
        quad(4.5f, 3.5f, 20.5f, 19.5f, 0xFF101010, types[i]); // square: the diagonal meets centres
        quad(30.25f, 2.0f, 41.0f, 9.75f, 0xFF101010, types[i]);
        drawn[i] = read(target).raw;
    }
    EXPECT_EQ(drawn[0], drawn[1]);
    EXPECT_EQ(drawn[0], drawn[2]);
    Pixels p = read(target);
    const std::uint32_t G = 0x101010;
    // Centres x + 0.5 in [4.5, 20.5): 16 columns, 16 rows; then x in [30.25, 41): 11
    // columns (30..40), y in [2, 9.75): 8 rows (2..9). Nothing drawn twice.
    EXPECT_EQ((Calls{count(p.raw, G), count(p.raw, 0)}), (Calls{16 * 16 + 11 * 8, 64 * 48 - (16 * 16 + 11 * 8)}));
    EXPECT_EQ(p.at({{4, 3}, {3, 3}, {19, 18}, {20, 18}, {40, 9}, {41, 9}, {30, 10}}),
              (Raw{G, 0, G, 0, G, 0, 0}));
}

TEST_F(Device3D, ColourKeyAndDiffuseAlphaBlendAsTheRotatedBlitSetsThem) {
    LPDIRECTDRAWSURFACE7 tex = texture(2, 1, kRGB565);
    write(tex, 0, 0, 2, {0xF81F, 0x07E0}); // magenta (the key), green
    DDCOLORKEY key{0xF81F, 0xF81F};
    ASSERT_EQ(SetColorKey(tex, DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    filters(D3DTFG_LINEAR);

    // Keyed: the magenta half keeps the background.
    clear(target, 0x0000FF);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_COLORKEYENABLE, 1), D3D_OK);
    quad(0, 0, 20, 10);
    EXPECT_EQ(read(target).at({{2, 5}, {18, 5}}), (Raw{0x0000FF, 0x00FF00}));
    // The key is off: magenta is drawn.
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_COLORKEYENABLE, 0), D3D_OK);
    quad(0, 0, 20, 10);
    EXPECT_EQ(read(target)(2, 5), 0xFF00FFu);

    // Translucent: diffuse alpha 0x80 over blue, colour from the texture.
    clear(target, 0x0000FF);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_COLORKEYENABLE, 1), D3D_OK);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_ALPHABLENDENABLE, 1), D3D_OK);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA), D3D_OK);
    ASSERT_EQ(SetTextureStageState(dev, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2), D3D_OK);
    quad(0, 0, 20, 10, 0x80FFFFFF);
    // Green 255 x 128/255, blue 255 x 127/255.
    EXPECT_EQ(read(target).at({{2, 5}, {18, 5}}), (Raw{0x0000FF, 0x00807F}));
    DWORD v = 0;
    EXPECT_EQ((Calls{GetRenderState(dev, D3DRENDERSTATE_SRCBLEND, &v), v}),
              (Calls{D3D_OK, D3DBLEND_SRCALPHA}));

    // The texture's own alpha under the default stage (alpha from the texture).
    LPDIRECTDRAWSURFACE7 at = texture(1, 1, kARGB);
    write(at, 0, 0, 1, {0x40FF0000});
    ASSERT_EQ(SetTexture(dev, 0, at), D3D_OK);
    ASSERT_EQ(SetTextureStageState(dev, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1), D3D_OK);
    clear(target, 0);
    quad(0, 0, 4, 4);
    EXPECT_EQ(read(target)(1, 1), 0x400000u); // red 255 x 64/255
    // The diffuse colour modulates the texel.
    ASSERT_EQ(SetRenderState(dev, D3DRENDERSTATE_ALPHABLENDENABLE, 0), D3D_OK);
    quad(0, 0, 4, 4, 0xFF808080);
    EXPECT_EQ(read(target)(1, 1), 0x800000u);
}

TEST_F(Device3D, ScenesStatesObjectsAndReferencesAreChecked) {
    D3DTLVERTEX v[3] = {vtx(0, 0, 0, 0), vtx(4, 0, 1, 0), vtx(0, 4, 0, 1)};
    auto draw = [&](DWORD type, DWORD fvf, const D3DTLVERTEX* at, DWORD n) {
        return DrawPrimitive(dev, type, fvf, at, n, 0);
    };
    const DWORD list = D3DPT_TRIANGLELIST, tl = D3DFVF_TLVERTEX;
    DDSURFACEDESC2 d = blank_desc();
    // Outside a scene, twice in one, bad vertex or primitive types (1: point
    // lists), no vertices, a partial triangle, a locked target.
    EXPECT_EQ((Calls{draw(list, tl, v, 3), EndScene(dev), BeginScene(dev), BeginScene(dev),
                     draw(list, 0x144, v, 3), draw(1, tl, v, 3), draw(list, tl, nullptr, 3),
                     draw(list, tl, v, 2), Lock(target, nullptr, &d, DDLOCK_WAIT, 0),
                     draw(list, tl, v, 3), Unlock(target, nullptr)}),
              (Calls{D3DERR_SCENE_NOT_IN_SCENE, D3DERR_SCENE_NOT_IN_SCENE, D3D_OK,
                     D3DERR_SCENE_IN_SCENE, D3DERR_INVALIDVERTEXTYPE, D3DERR_INVALIDPRIMITIVETYPE,
                     DDERR_INVALIDPARAMS, D3D_OK, DD_OK, DDERR_SURFACEBUSY, DD_OK}));
    // Degenerate, non-finite and off-target triangles draw nothing.
    D3DTLVERTEX odd[9] = {vtx(0, 0, 0, 0),     vtx(9, 9, 0, 0),     vtx(3, 3, 0, 0),
                          vtx(0, 0, 0, 0),     vtx(NAN, 1, 0, 0),   vtx(5, 5, 0, 0),
                          vtx(-90, -90, 0, 0), vtx(-80, -90, 0, 0), vtx(-90, -70, 0, 0)};
    clear(target, 0);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, odd, 9, 0), D3D_OK);
    ASSERT_EQ(EndScene(dev), D3D_OK);
    EXPECT_EQ(count(read(target).raw, 0), 64 * 48);
    ASSERT_EQ(BeginScene(dev), D3D_OK);
    // Extreme (finite) positions and texture coordinates are cut, not overflowed.
    D3DTLVERTEX wild[3] = {vtx(-1e30f, -1e30f, 1e30f, -1e30f), vtx(1e30f, 5, -1e30f, 1e30f),
                           vtx(5, 1e30f, 3e38f, 0)};
    LPDIRECTDRAWSURFACE7 tex = texture(2, 2, kXRGB);
    write(tex, 0, 0, 2, {0x123456, 0x123456, 0x123456, 0x123456});
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, wild, 3, 0), D3D_OK);
    ASSERT_EQ(EndScene(dev), D3D_OK);
    EXPECT_EQ(count(read(target).raw, 0x123456), 64 * 48); // it covers the whole target

    // Bad states, stages, textures (the target is none), objects and ids.
    LPDIRECT3DDEVICE7 other = 0;
    std::uint32_t out = 0;
    EXPECT_EQ(
        (Calls{SetRenderState(dev, 256, 1), SetTextureStageState(dev, 8, D3DTSS_ALPHAOP, 1),
               SetTexture(dev, 0, target), SetTexture(dev, 8, 0),
               CreateDevice(d3d, IID_IDirect3DHALDevice, 12345, &other),
               CreateDevice(d3d, IID_IDirectDraw7, target, &other),
               SetRenderState(target, D3DRENDERSTATE_COLORKEYENABLE, 1), BeginScene(0),
               CreateDevice(dd, IID_IDirect3DHALDevice, target, &other),
               QueryInterface(0, IID_IDirect3D7, &out),
               QueryInterface(target, IID_IDirect3D7, &out)}),
        (Calls{DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS,
               DDERR_INVALIDPARAMS, DDERR_INVALIDPARAMS, DDERR_INVALIDOBJECT, DDERR_INVALIDOBJECT,
               DDERR_INVALIDOBJECT, DDERR_INVALIDOBJECT, E_NOINTERFACE}));

    // The device's references remain; unsetting the texture drops it; the
    // device's end takes the target and the Direct3D object along.
    EXPECT_EQ((Calls{SetTexture(dev, 0, tex), Release(tex), Release(target), Release(d3d),
                     SetTexture(dev, 0, 0), AddRef(tex), Release(dev), AddRef(target), AddRef(d3d),
                     Release(dd)}),
              (Calls{D3D_OK, 1, 1, 1, D3D_OK, 0, 0, 0, 0, 0}));
}

} // namespace
} // namespace kxp::test
