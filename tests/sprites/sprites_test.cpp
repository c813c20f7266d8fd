// Sprites through the exports: properties, drawing on a 64 x 48 FX image
// (plain blits, the mesh road, quarter turns, blend selectors, outlines),
// collision of bounding rectangles, particles against the update and quad
// formulas, and local data. Pixels are read back through the lock buffer.
#include <cmath>
#include <limits>
#include <tuple>

#include "graphics/host_fixture.h"

namespace {

using namespace kxt;
constexpr int kW = 64, kH = 48;
using Rect = std::array<int32_t, 4>;

uint32_t texel(int x, int y) {
    return uint32_t(0x800000 | x << 10 | y << 2 | 1);
}

// A 32-bit screen with a 64 x 48 FX image as the current surface and a 32 x 32
// texture of distinct texels.
class Sprites : public Host {
  protected:
    int32_t target = 0, tex = 0;
    void SetUp() override {
        Host::SetUp();
        if (HasFatalFailure()) return;
        open_screen(32);
        target = KX_ImageCreate(screen, kW, kH, 32, 2);
        tex = KX_ImageCreate(screen, 32, 32, 32, 2);
        ASSERT_GT(tex, 0);
        Pixels t;
        for (int i = 0; i < 32 * 32; ++i)
            t.push_back(texel(i % 32, i / 32));
        write(tex, t);
        KX_SetCurrentSurface(target);
    }
    // The target's pixels as 0xRRGGBB.
    Pixels frame(int32_t s = 0) {
        Pixels px = raw(s ? s : target);
        for (uint32_t& p : px)
            p &= 0xFFFFFF;
        return px;
    }
    void clear(uint32_t colour = 0) {
        KX_SetCurrentSurface(target);
        KX_Cls(int32_t(colour));
    }
    // A sprite showing the texture, handle (-16, -16), opaque.
    int32_t sprite(float x, float y, int32_t mode = 0) {
        const int32_t s = KX_SpriteCreate();
        KX_SpriteImage(s, tex);
        KX_SpriteHandle(s, -16, -16, 0, 3);
        KX_SpritePos(s, x, y, 0, 3);
        KX_SpriteTransparent(s, 0);
        KX_SpriteDrawMode(s, mode);
        return s;
    }
    static Rect rect(int32_t s) {
        return {KX_SpritePeekBoundingRect(s, 0), KX_SpritePeekBoundingRect(s, 4),
                KX_SpritePeekBoundingRect(s, 8), KX_SpritePeekBoundingRect(s, 12)};
    }
    static KX_Sprite& rec(int32_t s) { return *record<KX_Sprite>(s); }
};

TEST_F(Sprites, PropertiesDefaultsAxesAndRefusals) {
    const int32_t s = KX_SpriteCreate();
    ASSERT_GT(s, 0);
    const KX_Sprite& r = rec(s);
    EXPECT_EQ(std::tuple(VM_BankSize(s), r.Status, KX_SpriteGetVisible(s),
                         KX_SpriteGetTransparent(s), KX_SpritePeekCollision(s, 0),
                         KX_SpritePeekCollision(s, 4), r.Changed, r.SizeFromImage,
                         VM_MeshGetVerts(r.Mesh), VM_MeshGetFaces(r.Mesh)),
              std::tuple(220, 1, 1, 1, 1, 1, 1, 1, 4, 1));
    EXPECT_EQ(std::tuple(KX_SpriteGetPos(s, 4), KX_SpriteGetScale(s, 1), KX_SpriteGetScale(s, 2),
                         KX_SpriteGetScale(s, 4), KX_SpriteGetAlpha(s)),
              std::tuple(1.0f, 1.0f, 1.0f, 1.0f, 1.0f));
    std::vector<int32_t> colour_block;
    for (int off = 0; off <= 20; off += 4)
        colour_block.push_back(KX_SpritePeekColour(s, off));
    EXPECT_EQ(colour_block, (std::vector<int32_t>{0xFF00FF, 0, 0xFF0000, 0x00FF00, 0, 0xFFFFFF}));

    KX_SpritePos(s, 5, 6, 7, 7);
    KX_SpritePos(s, 10, 20, 0, 1); // x only; old x is the previous x
    KX_SpriteMove(s, 1, 1, 1, 6);  // old position untouched
    EXPECT_EQ(std::tuple(KX_SpriteGetPos(s, 1), KX_SpriteGetPos(s, 3), KX_SpriteGetPos(s, 7),
                         KX_SpriteGetPos(s, 0), KX_SpriteGetOldPos(s, 1), KX_SpriteGetOldPos(s, 2)),
              std::tuple(10.0f, 7.0f, 8.0f, 0.0f, 5.0f, 0.0f));
    // Turns wrap into 0..360; a rotation that is set is kept as given.
    KX_SpriteRotate(s, 0, 0, 350, 4);
    KX_SpriteTurn(s, 0, 0, 20, 4);
    KX_SpriteRotate(s, 10, 0, 0, 1);
    KX_SpriteTurn(s, -20, 0, 0, 1);
    KX_SpriteRotate(s, 0, 400, 0, 2);
    EXPECT_EQ(
        std::tuple(KX_SpriteGetRotate(s, 4), KX_SpriteGetRotate(s, 1), KX_SpriteGetRotate(s, 2)),
        std::tuple(10.0f, 350.0f, 400.0f));
    KX_SpriteAlpha(s, 1.5f);
    const float high = KX_SpriteGetAlpha(s);
    KX_SpriteAlpha(s, -0.2f);
    KX_SpriteTransparent(s, 3);
    KX_SpriteVisible(s, 2);
    KX_SpritePokeColour(s, 8, 0x123456);
    KX_SpritePokeColour(s, 24, 1); // beyond the block: refused
    KX_SpritePokeCollision(s, 4, 6);
    EXPECT_EQ(std::tuple(high, KX_SpriteGetAlpha(s), r.Transparent, r.Visible, r.Colours[2],
                         r.LocalBank, KX_SpritePeekCollision(s, 4), KX_SpritePeekColour(s, 2)),
              std::tuple(1.0f, 0.0f, 1, 0, 0x123456, 0, 6, 0));
    // Changed is set by the transform setters even with an empty mask.
    rec(s).Changed = 0;
    KX_SpriteScale(s, 2, 2, 2, 0);
    EXPECT_EQ(std::pair(r.Changed, KX_SpriteGetScale(s, 1)), std::pair(1, 1.0f));

    // Handles: no image, auto-centring on a 64 x 32 image, sizes from the image or not.
    KX_SpriteCenterHandle(s);
    EXPECT_EQ(std::pair(KX_SpriteGetHandle(s, 1), KX_SpriteGetSize(s, 1)), std::pair(0.0f, 0));
    KX_SpriteAutoCenterHandles(s, 1);
    KX_SpriteImage(s, KX_ImageCreate(screen, 64, 32, 32, 2));
    EXPECT_EQ(std::tuple(KX_SpriteGetHandle(s, 1), KX_SpriteGetHandle(s, 2), KX_SpriteGetSize(s, 1),
                         KX_SpriteGetSize(s, 2), KX_SpriteGetSize(s, 0)),
              std::tuple(-32.0f, -16.0f, 64, 32, 0));
    rec(s).SizeFromImage = 0;
    rec(s).Width = 10, rec(s).Height = 5;
    KX_SpriteImage(s, tex);
    KX_SpriteImage(s, 9999); // not a bank: unchanged
    const auto* v = static_cast<const VM_MeshVertex*>(VM_MeshGetVertPtr(r.Mesh, 1));
    EXPECT_EQ(std::tuple(v[2].X, v[2].Y, KX_SpriteGetSize(s, 2), KX_SpriteGetHandle(s, 1),
                         KX_SpriteGetImage(s)),
              std::tuple(10.0f, 5.0f, 5, -5.0f, tex));

    // Handles that are not sprites.
    KX_Particle particle{};
    for (int32_t bad : {0, -1, 9999, VM_Alloc(16)}) {
        KX_SpritePos(bad, 1, 1, 1, 7);
        KX_SpriteDraw(bad, nullptr);
        KX_SpriteDelete(bad);
        EXPECT_TRUE(
            all_zero({KX_SpriteGetPos(bad, 1) != 0.0f, KX_SpriteGetImage(bad),
                      KX_SpritePeekBoundingRect(bad, 0), KX_SpriteAddParticle(bad, &particle),
                      KX_SpriteLocalCreate(bad, 8), KX_SpriteCheckCollide(s, bad, -1)}))
            << bad;
    }
}

TEST_F(Sprites, PlainAndMeshRoadsDrawTheSamePixels) {
    const int32_t plain = sprite(40, 30);
    clear();
    KX_SpriteDraw(plain, nullptr);
    const Pixels blit = frame();
    EXPECT_EQ(std::tuple(rect(plain), blit[size_t(14 * kW + 24)], blit[size_t(45 * kW + 55)],
                         blit[size_t(13 * kW + 24)]),
              std::tuple(Rect{24, 14, 56, 46}, texel(0, 0), texel(31, 31), 0u));
    for (int32_t mode : {1, 2, 3}) {
        KX_SpriteDrawMode(plain, mode);
        clear();
        KX_SpriteDraw(plain, nullptr);
        EXPECT_EQ(std::pair(frame() == blit, rect(plain)), std::pair(true, Rect{24, 14, 56, 46}))
            << mode;
    }
    EXPECT_EQ(rec(plain).Changed, 0); // cleared by the transformed draw
    // The edge case of the plain blit at (84, 34) on a larger surface.
    const int32_t big = KX_ImageCreate(screen, 200, 100, 32, 2);
    KX_SetCurrentSurface(big);
    KX_SpritePos(plain, 100, 50, 0, 3);
    KX_SpriteDrawMode(plain, 0);
    KX_SpriteDraw(plain, nullptr);
    EXPECT_EQ(std::pair(rect(plain), frame(big)[size_t(34 * 200 + 84)]),
              std::pair(Rect{84, 34, 116, 66}, texel(0, 0)));
}

TEST_F(Sprites, QuarterTurnsArePixelExact) {
    const int32_t s = sprite(32, 24, 2);
    for (int quarter = 1; quarter <= 3; ++quarter) {
        KX_SpriteRotate(s, 0, 0, 90.0f * float(quarter), 4);
        clear();
        KX_SpriteDraw(s, nullptr);
        // Texel (u, v) turned about the centre lands at the pixel turned the same way.
        Pixels want(size_t(kW * kH), 0);
        for (int v = 0; v < 32; ++v)
            for (int u = 0; u < 32; ++u) {
                int x = u, y = v;
                for (int k = 0; k < quarter; ++k)
                    std::tie(x, y) = std::pair(31 - y, x);
                want[size_t((8 + y) * kW + 16 + x)] = texel(u, v);
            }
        EXPECT_EQ(std::pair(rect(s), frame() == want), std::pair(Rect{16, 8, 48, 40}, true))
            << quarter;
    }
    // The bounding rectangle of the edge case; 3D rotation keeps the last one written.
    KX_SpritePos(s, 100, 100, 0, 3);
    KX_SpriteRotate(s, 0, 0, 90, 4);
    KX_SpriteDraw(s, nullptr);
    KX_SpriteRotationMode(s, 1);
    KX_SpritePos(s, 10, 10, 1, 7);
    KX_SpriteDraw(s, nullptr);
    EXPECT_EQ(std::pair(rect(s), rec(s).Changed), std::pair(Rect{84, 84, 116, 116}, 0));
}

TEST_F(Sprites, SelectorsOutlinesAndBadValuesStayInTheViewport) {
    const int32_t s = sprite(20, 20, 0x8000 + 2);
    clear();
    KX_SpriteDraw(s, nullptr);
    EXPECT_EQ(std::pair(frame(), rect(s)), std::pair(Pixels(kW * kH, 0), Rect{4, 4, 36, 36}));
    // The outline, with a surface the program locked staying locked.
    KX_SpritePokeCollision(s, 20, 1);
    KX_LockSurface(target);
    KX_SpriteDraw(s, nullptr);
    EXPECT_EQ(lock_of(target)->Locked, 1);
    KX_UnLockSurface(target);
    Pixels px = frame();
    EXPECT_EQ(std::tuple(px[size_t(4 * kW + 4)], px[size_t(36 * kW + 20)], px[size_t(20 * kW + 36)],
                         px[size_t(20 * kW + 20)]),
              std::tuple(0xFF0000u, 0xFF0000u, 0xFF0000u, 0u));
    KX_SpritePokeCollision(s, 20, 0);

    // Alpha 50 % over white: each channel halfway.
    KX_SpriteDrawMode(s, 4 + 2);
    KX_SpriteAlpha(s, 0.5f);
    clear(0xFFFFFF);
    KX_SpriteDraw(s, nullptr);
    const uint32_t t = texel(5, 5), got = frame()[size_t(9 * kW + 9)];
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(int(got >> shift & 0xFF), (int(t >> shift & 0xFF) + 255) / 2, 1) << shift;

    // Scales of 0 and negative, huge and not-a-number positions and angles, a camera
    // that puts the sprite at infinity: nothing outside a 10 x 10 viewport is touched.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    KX_SurfaceSetViewport(target, 20, 20, 30, 30);
    KX_SetCurrentSurface(target);
    KX_Camera cam{};
    cam.ProjectScaleX = cam.ProjectScaleY = 1e30f;
    struct Case {
        float x, y, sx, sy, angle;
        int32_t mode;
        KX_Camera* camera;
    } cases[] = {
        {25, 25, 0, 0, 0, 2, nullptr},          {25, 25, -1, -2, 30, 2, nullptr},
        {25, 25, -1, 1, 0, 0, nullptr},         {nan, 25, 1, 1, 0, 0, nullptr},
        {nan, nan, 1, 1, 0, 2, nullptr},        {25, 25, 1, 1, nan, 2, nullptr},
        {inf, -inf, 1, 1, inf, 2, nullptr},     {3e9f, -3e9f, 1, 1, 0, 0, nullptr},
        {25, 25, 1e30f, 1e30f, 45, 2, nullptr}, {25, 25, 1, 1, 0, 2, &cam},
    };
    const Pixels before = frame(); // outside the viewport nothing may change
    for (const Case& c : cases) {
        KX_SpritePos(s, c.x, c.y, 5, 7);
        KX_SpriteScale(s, c.sx, c.sy, 1, 3);
        KX_SpriteRotate(s, 0, 0, c.angle, 4);
        KX_SpriteDrawMode(s, c.mode);
        KX_SpriteDraw(s, c.camera);
        Pixels after = frame();
        for (int y = 20; y < 30; ++y)
            for (int x = 20; x < 30; ++x)
                after[size_t(y * kW + x)] = before[size_t(y * kW + x)];
        EXPECT_TRUE(after == before) << c.x << " " << c.sx << " " << c.angle;
    }
    // A sprite whose image was deleted draws nothing on either road.
    KX_SurfaceSetViewport(target, 0, 0, kW, kH);
    clear();
    const int32_t other = KX_ImageCreate(screen, 8, 8, 32, 2);
    for (int32_t mode : {0, 2}) {
        const int32_t gone = sprite(30, 30, mode);
        KX_SpriteImage(gone, other);
        KX_ImageDelete(other);
        KX_SpriteDraw(gone, nullptr);
    }
    EXPECT_EQ(frame(), Pixels(kW * kH, 0));
}

TEST_F(Sprites, CollisionOfBoundingRectangles) {
    const int32_t a = KX_SpriteCreate(), b = KX_SpriteCreate();
    auto place = [](int32_t s, Rect r) { std::memcpy(rec(s).BoundingRect, r.data(), sizeof r); };
    struct Case {
        Rect a, b;
        int ab, ba;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, 1, 1},  // overlapping
        {{0, 0, 10, 10}, {10, 0, 20, 10}, 0, 1}, // touching on x: not symmetric
        {{0, 0, 10, 10}, {0, 10, 10, 20}, 0, 1}, // touching on y
        {{0, 0, 10, 10}, {11, 0, 20, 10}, 0, 0}, // separate
        {{0, 0, 10, 10}, {0, 30, 10, 40}, 0, 0}, {{0, 0, 10, 10}, {2, 2, 4, 4}, 1, 1}, // inside
    };
    for (const Case& c : cases) {
        place(a, c.a);
        place(b, c.b);
        EXPECT_EQ(std::tuple(KX_SpriteBoundsOverLap(a, b), KX_SpriteBoundsOverLap(b, a),
                             KX_SpriteCheckCollide(a, b, 1)),
                  std::tuple(c.ab, c.ba, c.ab));
    }
    // Overlapping, with b's collision mode, class and visibility and the mask varied;
    // a's own settings (here off and hidden) are not looked at.
    place(a, {0, 0, 10, 10});
    place(b, {5, 5, 15, 15});
    EXPECT_EQ(KX_SpritePeekBoundingRect(b, -4), 5);
    KX_SpriteVisible(a, 0);
    KX_SpritePokeCollision(a, 0, 0);
    struct Setting {
        int32_t mode, cls, visible, mask, hit;
    } settings[] = {
        {1, 1, 1, 1, 1}, {1, 2, 1, 1, 0},
        {1, 2, 1, 3, 1}, {1, INT32_MIN, 1, -1, 0}, // a negative class & mask does not hit
        {1, 1, 0, 1, 0}, {0, 1, 1, 1, 0},
    };
    for (const Setting& c : settings) {
        KX_SpritePokeCollision(b, 0, c.mode);
        KX_SpritePokeCollision(b, 4, c.cls);
        KX_SpriteVisible(b, c.visible);
        EXPECT_EQ(KX_SpriteCheckCollide(a, b, c.mask), c.hit) << c.mode << c.cls << c.visible;
    }
}

KX_Particle particle() {
    KX_Particle p{};
    p.Life = 100;
    p.Width = 4, p.Height = 2;
    p.Scale[0] = p.Scale[1] = p.Scale[2] = 1;
    p.Colour = 0xFF8040;
    return p;
}

TEST_F(Sprites, ParticlesUpdateAndDrawByTheirFormulas) {
    const int32_t s = sprite(0, 0, 2);
    const int32_t base = VM_UsedBankQuantity();
    KX_SpriteInitParticles(s, 10);
    const int32_t mesh = rec(s).Mesh;
    EXPECT_EQ(std::tuple(VM_MeshGetVerts(mesh), VM_MeshGetFaces(mesh),
                         VM_MeshGetParticleBuffer(mesh) > 0),
              std::tuple(10, 10, true));
    KX_Particle p = particle();
    std::vector<int32_t> got{KX_SpriteAddParticle(s, nullptr)};
    for (int k = 0; k < 10; ++k)
        got.push_back(KX_SpriteAddParticle(s, &p));
    got.push_back(VM_UsedBankQuantity() - base); // controller, table, 9 particles
    EXPECT_EQ(got, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 2 + 9}));
    for (int k = 1; k <= 9; ++k)
        KX_SpriteDeleteParticle(s, k);
    KX_SpriteDeleteParticle(s, 0);  // the reserved item stays reserved
    KX_SpriteDeleteParticle(s, 10); // the index equal to the capacity finds nothing
    EXPECT_EQ(std::tuple(VM_UsedBankQuantity(), KX_SpriteGetParticlePtr(s, 10),
                         KX_SpriteGetParticlePtr(s, 1), KX_SpriteGetParticlePtr(s, -1)),
              std::tuple(base + 2, nullptr, nullptr, nullptr));

    // Life, bounds, animation clamps and moves against values computed here.
    KX_Particle a = particle(), b = particle(), c = particle(), d = particle();
    a.Life = 3;
    a.Velocity = {1, {1, 2, 0}, {1, 0, 0}, {0, 0, 0}, {5, 9, 0}};
    a.Force = {0, {0.5f, 0, 0}, {9, 9, 9}, {0, 0, 0}, {0, 0, 0}}; // frozen
    a.Growth = {1, {0.25f, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}};
    a.Spin = {1, {0, 0, 10}, {0, 0, 5}, {0, 0, 0}, {0, 0, 100}};
    b.Life = 1;
    c.Flags = 2, c.MaxX = 100, c.Position[0] = 99, c.Velocity.Value[0] = 1;
    d.Flags = 2, d.MaxX = 100, d.Position[0] = 99, d.Velocity.Value[0] = 1.5f;
    const int32_t ia = KX_SpriteAddParticle(s, &a), ib = KX_SpriteAddParticle(s, &b),
                  ic = KX_SpriteAddParticle(s, &c), id = KX_SpriteAddParticle(s, &d);
    KX_SpriteUpdateParticles(s);
    EXPECT_EQ(std::tuple(KX_SpriteGetParticlePtr(s, ib), KX_SpriteGetParticlePtr(s, ic) != nullptr,
                         KX_SpriteGetParticlePtr(s, id)),
              std::tuple(nullptr, true, nullptr));
    KX_SpriteUpdateParticles(s);
    const auto* pa = static_cast<const KX_Particle*>(KX_SpriteGetParticlePtr(s, ia));
    ASSERT_NE(pa, nullptr);
    // Two updates: x += (1 + 0.5) then (2 + 0.5); velocity x 1 -> 2 -> 3; y 2 -> 2 -> 2.
    EXPECT_EQ(std::tuple(pa->Age, pa->Position[0], pa->Position[1], pa->Velocity.Value[0],
                         pa->Force.Value[0], pa->Scale[0], pa->Angles[2], pa->Spin.Value[2]),
              std::tuple(2, 4.0f, 4.0f, 3.0f, 0.5f, 1.5f, 25.0f, 20.0f));
    for (int k = 0; k < 3; ++k)
        KX_SpriteUpdateParticles(s);
    EXPECT_EQ(KX_SpriteGetParticlePtr(s, ia), nullptr); // life 3 ends on the third update

    // Quads: the corners moved by position, centre as handle and scale; faded colour.
    KX_Particle q = particle();
    q.Flags = 0x80, q.Life = 4, q.Age = 1;
    q.Position[0] = 30, q.Position[1] = 20;
    q.Centre[0] = 1, q.Centre[1] = 2;
    q.Scale[0] = 2, q.Scale[1] = 3;
    const int32_t iq = KX_SpriteAddParticle(s, &q);
    for (int k = 0; k < 4; ++k)
        KX_SpritePokeFace(s, iq, k, 4 * iq + k, k == 1 || k == 2 ? 1.0f : 0.0f,
                          k >= 2 ? 1.0f : 0.0f, 0, 7);
    // The vertex count is read before the quads enlarge the mesh: the first draw
    // transforms the first 10 vertices only, the second all of them.
    KX_SpriteDraw(s, nullptr);
    EXPECT_EQ(VM_MeshGetVerts(mesh), 10 * 4 + 40);
    clear();
    KX_SpriteDraw(s, nullptr);
    // A corner is the centre -/+ half the size, moved by the centre as handle, scaled and
    // placed: x = (1 -/+ 2 + 1) * 2 + 30, y = (2 -/+ 1 + 2) * 3 + 20.
    const auto* v = static_cast<const VM_MeshVertex*>(VM_MeshGetVertPtr(mesh, 0)) + 4 * iq;
    EXPECT_EQ((std::vector<float>{v[0].X, v[0].Y, v[1].X, v[1].Y, v[2].X, v[2].Y, v[3].X, v[3].Y}),
              (std::vector<float>{30, 29, 38, 29, 38, 35, 30, 35}));
    const auto* faces = static_cast<const VM_MeshFace*>(VM_BankPtr(record<VM_Mesh>(mesh)->Faces));
    EXPECT_EQ(std::tuple(faces[0].CornerCount, faces[iq].CornerCount, faces[iq].Corner[3].Colour),
              std::tuple(0, 4, uint32_t(191 << 16 | 96 << 8 | 48)));
    // Only the particle's quad is drawn, the plain quad is gone: every pixel lies in
    // the quad's corners moved once more by the sprite's own handle (-16, -16).
    const Pixels px = frame();
    size_t lit = 0, stray = 0;
    for (size_t i = 0; i < px.size(); ++i) {
        const int x = int(i % kW), y = int(i / kW);
        lit += px[i] != 0;
        stray += px[i] != 0 && (x < 30 - 16 || x >= 38 - 16 || y < 29 - 16 || y >= 35 - 16);
    }
    EXPECT_TRUE(lit > 0 && stray == 0) << lit << " lit, " << stray << " stray";

    // The sprite takes its mesh, controller, particles and local bank with it.
    KX_SpriteLocalCreate(s, 16);
    KX_SpriteDelete(s);
    EXPECT_EQ(VM_UsedBankQuantity(), base - 5); // the sprite, its mesh record and three mesh banks
}

TEST_F(Sprites, LocalDataBanks) {
    const int32_t a = KX_SpriteCreate(), b = KX_SpriteCreate();
    const int32_t banks = VM_UsedBankQuantity();
    const int32_t bank = KX_SpriteLocalCreate(a, 8);
    EXPECT_EQ(std::tuple(KX_SpriteGetLocalBank(a), KX_SpriteLocalSize(a)), std::tuple(bank, 8));
    std::memcpy(KX_SpriteLocalPtr(a), "abcdefg", 8);
    const int32_t copy = KX_SpriteLocalCopy(a, b);
    std::memcpy(KX_SpriteLocalPtr(a), "ABCDEFG", 8);
    EXPECT_STREQ(static_cast<const char*>(KX_SpriteLocalPtr(b)), "abcdefg");
    EXPECT_EQ(std::tuple(copy != bank, KX_SpriteLocalCopy(0, b), KX_SpriteLocalCopy(a, 0)),
              std::tuple(true, 0, 0));
    KX_SpriteLocalCopy(a, a); // onto itself: a copy of its own data
    EXPECT_STREQ(static_cast<const char*>(KX_SpriteLocalPtr(a)), "ABCDEFG");
    // Sizes of 0 and below release the data and return the size; braces keep the order.
    EXPECT_EQ((std::tuple{KX_SpriteLocalCreate(a, 0), KX_SpriteLocalSize(a), KX_SpriteLocalPtr(a),
                          KX_SpriteLocalCreate(a, 4) > 0, KX_SpriteLocalCreate(a, -5),
                          KX_SpriteLocalSize(a), VM_UsedBankQuantity()}),
              std::tuple(0, 0, nullptr, true, -5, 0, banks + 1));
    KX_SpriteLocalDelete(b);
    EXPECT_EQ(std::pair(VM_UsedBankQuantity(), KX_SpriteGetLocalBank(b)), std::pair(banks, 0));
}

} // namespace
