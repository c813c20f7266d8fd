// The 3D device: texture format enumeration, states, scenes, and drawing of
// textured, colour-keyed, alpha-blended triangle strips checked pixel by pixel.
#include <cmath>
#include <set>

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
              DWORD type = D3DPT_TRIANGLESTRIP) {
        D3DTLVERTEX strip[4] = {vtx(l, t, 0, 0, colour), vtx(r, t, 1, 0, colour),
                                vtx(l, b, 0, 1, colour), vtx(r, b, 1, 1, colour)};
        D3DTLVERTEX list[6] = {strip[0], strip[1], strip[2], strip[1], strip[3], strip[2]};
        D3DTLVERTEX fan[4] = {strip[0], strip[1], strip[3], strip[2]};
        const D3DTLVERTEX* v = type == D3DPT_TRIANGLELIST  ? list
                               : type == D3DPT_TRIANGLEFAN ? fan
                                                           : strip;
        DWORD n = type == D3DPT_TRIANGLELIST ? 6 : 4;
        ASSERT_EQ(BeginScene(dev), D3D_OK);
        ASSERT_EQ(DrawPrimitive(dev, type, D3DFVF_TLVERTEX, v, n, 0), D3D_OK);
        ASSERT_EQ(EndScene(dev), D3D_OK);
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
    EXPECT_TRUE(formats[0].dwFlags & DDPF_LUMINANCE);
    EXPECT_EQ(formats[0].dwRGBBitCount, 8u);
    EXPECT_EQ(formats[1].dwFlags, DDPF_RGB | DDPF_ALPHAPIXELS);
    EXPECT_EQ(formats[1].dwRGBBitCount, 16u);

    const DDPIXELFORMAT* f16 = choose(formats, 16);
    ASSERT_NE(f16, nullptr);
    EXPECT_EQ(f16->dwGBitMask, 0x07E0u);
    const DDPIXELFORMAT* f32 = choose(formats, 32);
    ASSERT_NE(f32, nullptr);
    EXPECT_EQ(f32->dwRGBAlphaBitMask, 0u);
    EXPECT_EQ(f32->dwRBitMask, 0xFF0000u);
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
    ASSERT_EQ(EnumTextureFormats(dev, first_only, &one), D3D_OK);
    EXPECT_EQ(one.size(), 1u);
    EXPECT_EQ(EnumTextureFormats(dev, nullptr, &one), DDERR_INVALIDPARAMS);
    EXPECT_EQ(EnumTextureFormats(target, collect, &one), DDERR_INVALIDOBJECT);
}

TEST_F(Device3D, AnUnscaledQuadReproducesTheTextureWithEitherFilter) {
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
    // A 5-6-5 texture on a 5-6-5 target: texels arrive unchanged as well.
    LPDIRECTDRAWSURFACE7 t16 = make(16, 16, kRGB565, DDSCAPS_3DDEVICE),
                         tex16 = texture(2, 2, kRGB565);
    write(tex16, 0, 0, 2, {0xF800, 0x07E0, 0x001F, 0x8410});
    LPDIRECT3DDEVICE7 dev16 = 0;
    ASSERT_EQ(CreateDevice(d3d, IID_IDirect3DRGBDevice, t16, &dev16), D3D_OK);
    ASSERT_EQ(SetTexture(dev16, 0, tex16), D3D_OK);
    D3DTLVERTEX v[4] = {vtx(3, 3, 0, 0), vtx(5, 3, 1, 0), vtx(3, 5, 0, 1), vtx(5, 5, 1, 1)};
    ASSERT_EQ(BeginScene(dev16), D3D_OK);
    ASSERT_EQ(DrawPrimitive(dev16, D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, 0), D3D_OK);
    ASSERT_EQ(EndScene(dev16), D3D_OK);
    Pixels p = read(t16);
    EXPECT_EQ(p(3, 3), 0xF800u);
    EXPECT_EQ(p(4, 3), 0x07E0u);
    EXPECT_EQ(p(3, 4), 0x001Fu);
    EXPECT_EQ(p(4, 4), 0x8410u);
    EXPECT_EQ(p(5, 4), 0u);
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
    std::int32_t count = 0;
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x) {
            ASSERT_TRUE(p(x, y) == 0 || p(x, y) == 0x101010u) << x << "," << y;
            count += p(x, y) != 0;
        }
    // Centres x + 0.5 in [4.5, 20.5): 16 columns, 16 rows; then x in [30.25, 41): 11
    // columns (30..40), y in [2, 9.75): 8 rows (2..9).
    EXPECT_EQ(count, 16 * 16 + 11 * 8);
    EXPECT_EQ(p(4, 3), 0x101010u);
    EXPECT_EQ(p(3, 3), 0u);
    EXPECT_EQ(p(19, 18), 0x101010u);
    EXPECT_EQ(p(20, 18), 0u);
    EXPECT_EQ(p(40, 9), 0x101010u);
    EXPECT_EQ(p(41, 9), 0u);
    EXPECT_EQ(p(30, 10), 0u);
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
    Pixels p = read(target);
    EXPECT_EQ(p(2, 5), 0x0000FFu);
    EXPECT_EQ(p(18, 5), 0x00FF00u);
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
    p = read(target);
    EXPECT_EQ(p(2, 5), 0x0000FFu);
    EXPECT_EQ(p(18, 5), 0x00807Fu); // green 255 x 128/255, blue 255 x 127/255
    DWORD v = 0;
    ASSERT_EQ(GetRenderState(dev, D3DRENDERSTATE_SRCBLEND, &v), D3D_OK);
    EXPECT_EQ(v, D3DBLEND_SRCALPHA);

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

TEST_F(Device3D, BilinearFilteringBlendsNeighboursWherePointSamplingSteps) {
    LPDIRECTDRAWSURFACE7 tex = texture(2, 1, kXRGB);
    write(tex, 0, 0, 2, {0x000000, 0xFFFFFF});
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    filters(D3DTFG_POINT);
    quad(0, 0, 40, 1);
    Pixels p = read(target);
    std::set<std::uint32_t> seen;
    for (std::int32_t x = 0; x < 40; ++x)
        seen.insert(p(x, 0));
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 0xFFFFFF}));
    EXPECT_EQ(p(19, 0), 0u);
    EXPECT_EQ(p(20, 0), 0xFFFFFFu);

    filters(D3DTFG_LINEAR);
    quad(0, 0, 40, 1);
    p = read(target);
    EXPECT_EQ(p(0, 0), 0u); // clamped at the edge
    EXPECT_EQ(p(39, 0), 0xFFFFFFu);
    std::uint32_t previous = 0;
    for (std::int32_t x = 10; x < 30; ++x) {
        std::uint32_t g = p(x, 0) & 0xFF;
        EXPECT_GT(g, previous) << x;
        EXPECT_EQ(p(x, 0), g * 0x010101u) << x;
        previous = g;
    }
}

TEST_F(Device3D, ScenesStatesAndObjectsAreChecked) {
    D3DTLVERTEX v[3] = {vtx(0, 0, 0, 0), vtx(4, 0, 1, 0), vtx(0, 4, 0, 1)};
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 3, 0),
              D3DERR_SCENE_NOT_IN_SCENE);
    EXPECT_EQ(EndScene(dev), D3DERR_SCENE_NOT_IN_SCENE);
    ASSERT_EQ(BeginScene(dev), D3D_OK);
    EXPECT_EQ(BeginScene(dev), D3DERR_SCENE_IN_SCENE);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, 0x144, v, 3, 0), D3DERR_INVALIDVERTEXTYPE);
    EXPECT_EQ(DrawPrimitive(dev, 1 /* point list */, D3DFVF_TLVERTEX, v, 3, 0),
              D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, nullptr, 3, 0),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 2, 0), D3D_OK);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(Lock(target, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 3, 0), DDERR_SURFACEBUSY);
    ASSERT_EQ(Unlock(target, nullptr), DD_OK);
    // Degenerate, non-finite and off-target triangles draw nothing.
    D3DTLVERTEX odd[9] = {vtx(0, 0, 0, 0),     vtx(9, 9, 0, 0),     vtx(3, 3, 0, 0),
                          vtx(0, 0, 0, 0),     vtx(NAN, 1, 0, 0),   vtx(5, 5, 0, 0),
                          vtx(-90, -90, 0, 0), vtx(-80, -90, 0, 0), vtx(-90, -70, 0, 0)};
    clear(target, 0);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, odd, 9, 0), D3D_OK);
    ASSERT_EQ(EndScene(dev), D3D_OK);
    for (std::uint32_t px : read(target).raw)
        ASSERT_EQ(px, 0u);
    ASSERT_EQ(BeginScene(dev), D3D_OK);
    // Extreme (finite) positions and texture coordinates are cut, not overflowed.
    D3DTLVERTEX wild[3] = {vtx(-1e30f, -1e30f, 1e30f, -1e30f), vtx(1e30f, 5, -1e30f, 1e30f),
                           vtx(5, 1e30f, 3e38f, 0)};
    LPDIRECTDRAWSURFACE7 tex = texture(2, 2, kXRGB);
    write(tex, 0, 0, 2, {0x123456, 0x123456, 0x123456, 0x123456});
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    EXPECT_EQ(DrawPrimitive(dev, D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, wild, 3, 0), D3D_OK);
    ASSERT_EQ(EndScene(dev), D3D_OK);
    Pixels after = read(target);
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(after(x, y), 0x123456u) << x << "," << y; // it covers the whole target

    EXPECT_EQ(SetRenderState(dev, 256, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SetTextureStageState(dev, 8, D3DTSS_ALPHAOP, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SetTexture(dev, 0, target), DDERR_INVALIDPARAMS); // not a texture
    EXPECT_EQ(SetTexture(dev, 8, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SetRenderState(target, D3DRENDERSTATE_COLORKEYENABLE, 1), DDERR_INVALIDOBJECT);
    EXPECT_EQ(BeginScene(0), DDERR_INVALIDOBJECT);
    LPDIRECT3DDEVICE7 other = 0;
    EXPECT_EQ(CreateDevice(d3d, IID_IDirect3DHALDevice, 12345, &other), DDERR_INVALIDPARAMS);
    EXPECT_EQ(CreateDevice(d3d, IID_IDirectDraw7, target, &other), DDERR_INVALIDPARAMS);
    EXPECT_EQ(CreateDevice(dd, IID_IDirect3DHALDevice, target, &other), DDERR_INVALIDOBJECT);
    std::uint32_t out = 0;
    EXPECT_EQ(QueryInterface(target, IID_IDirect3D7, &out), E_NOINTERFACE);
    EXPECT_EQ(QueryInterface(0, IID_IDirect3D7, &out), DDERR_INVALIDOBJECT);
}

TEST_F(Device3D, TheDeviceHoldsItsTargetTexturesAndDirect3DObject) {
    LPDIRECTDRAWSURFACE7 tex = texture(2, 2, kXRGB);
    ASSERT_EQ(SetTexture(dev, 0, tex), D3D_OK);
    EXPECT_EQ(Release(tex), 1u);    // the device's reference remains
    EXPECT_EQ(Release(target), 1u); // likewise
    EXPECT_EQ(Release(d3d), 1u);
    ASSERT_EQ(SetTexture(dev, 0, 0), D3D_OK); // drops the texture
    EXPECT_EQ(AddRef(tex), 0u);
    EXPECT_EQ(Release(dev), 0u); // and with it the target and the Direct3D object
    EXPECT_EQ(AddRef(target), 0u);
    EXPECT_EQ(AddRef(d3d), 0u);
    EXPECT_EQ(Release(dd), 0u);
}

} // namespace
} // namespace kxp::test
