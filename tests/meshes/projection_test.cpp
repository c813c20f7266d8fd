// Vertex transform, projection and culling into the triangle cache, against
// the transform and projection formulas worked out here, on a 64 x 48 screen
// whose viewport bounds the culling.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "graphics/host_fixture.h"

namespace {

constexpr double kDeg = 0.017453292519444445;

class Projection : public kxt::Host {
  protected:
    void SetUp() override {
        Host::SetUp();
        if (!HasFatalFailure()) open_screen(32);
    }
    static VM_MeshVertex* verts(int32_t mesh, int buffer) {
        return static_cast<VM_MeshVertex*>(VM_MeshGetVertPtr(mesh, buffer));
    }
    // A mesh of one face on vertices 0 to corners - 1 at the given transformed positions.
    static int32_t face(const std::vector<std::array<float, 3>>& at, int back_face = 0) {
        const int32_t mesh = VM_MeshCreate(4, 1);
        VM_MeshSetFaceVertCount(mesh, 0, int32_t(at.size()));
        for (size_t c = 0; c < at.size(); ++c) {
            VM_MeshPokeFace(mesh, 0, int32_t(c), int32_t(c), 0.0f, 0.0f, 0, 1);
            VM_MeshVertex& v = verts(mesh, 1)[c];
            v.X = at[c][0], v.Y = at[c][1], v.Z = at[c][2];
        }
        VM_MeshBackFace(mesh, back_face);
        return mesh;
    }
};

TEST_F(Projection, RotateVertexTurnsAboutEachAxisTheSameWhateverCameBefore) {
    // The vertex (1.5, -2.25, 0.75) with handle (1, 2, 3) and scale (2, 3, 4) is (5, -0.75,
    // 15) before it turns; quarter turns about z, x and y then move it by (5, 6, 7).
    // Many more angle triples follow, and all of them are met three times in different
    // orders: remembered sines and cosines must give the bits their first computation gave.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> any(-1000.0f, 1000.0f);
    std::vector<std::array<float, 3>> angles = {{0.0f, -0.0f, 90.0f}, {90, 0, 0}, {0, 90, 0}};
    const float worked[3][3] = {{5.75f, 11, 22}, {10, -9, 6.25f}, {20, 5.25f, 2}};
    for (int k = 0; k < 400; ++k)
        angles.push_back({any(rng), k % 4 ? any(rng) : 0.0f, any(rng)});
    std::vector<size_t> order(angles.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    const float h[3] = {1, 2, 3}, s[3] = {2, 3, 4}, p[3] = {5, 6, 7};
    const VM_MeshVertex from{1.5f, -2.25f, 0.75f, 7, 8, 9};
    std::vector<VM_MeshVertex> first(angles.size());
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1) std::reverse(order.begin(), order.end());
        if (pass == 2) std::shuffle(order.begin(), order.end(), rng);
        for (const size_t k : order) {
            VM_MeshVertex v = from;
            VM_RotateVertex3DXYZ(&v, &v, (void*)p, (void*)h, (void*)s, (void*)angles[k].data(), 1);
            if (pass == 0) first[k] = v;
            ASSERT_EQ(std::memcmp(&v, &first[k], sizeof v), 0)
                << "pass " << pass << " angles " << k;
        }
    }
    for (int k = 0; k < 3; ++k) {
        const VM_MeshVertex& v = first[k];
        EXPECT_NEAR(v.X, worked[k][0], 1e-5) << k;
        EXPECT_NEAR(v.Y, worked[k][1], 1e-5) << k;
        EXPECT_NEAR(v.Z, worked[k][2], 1e-5) << k;
        EXPECT_EQ((std::array{v.NormalX, v.NormalY, v.NormalZ}), (std::array{7.0f, 8.0f, 9.0f}));
    }
}

// The projected arrays are the runtime's own; a projected position is observed
// through culling: a quad whose corners all sit on one vertex is written to the
// cache exactly when Left <= x <= Right and Top <= y <= Bottom, so a binary
// search over the viewport finds floor(x) and floor(y). Cameras scale by 1000
// to read three decimals.
class Probe : public Projection {
  protected:
    int32_t probe = 0;
    void SetUp() override {
        Projection::SetUp();
        probe = face({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
        for (int c = 0; c < 4; ++c)
            VM_MeshPokeFace(probe, 0, c, 0, 0, 0, 0, 1);
    }
    std::array<double, 2> where(std::array<float, 3> at, const KX_Camera* cam) {
        verts(probe, 1)[0] = VM_MeshVertex{at[0], at[1], at[2], 0, 0, 0};
        auto* vp = static_cast<KX_Viewport*>(KX_GetViewportPtr(screen));
        const KX_Viewport saved = *vp;
        std::array<double, 2> out{};
        for (int axis = 0; axis < 2; ++axis) {
            int64_t lo = -(int64_t(1) << 30), hi = int64_t(1) << 30;
            while (lo < hi) {
                const int64_t mid = (lo + hi + 1) / 2;
                *vp = {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};
                (axis ? vp->Top : vp->Left) = int32_t(mid);
                if (VM_MeshTranslateToVertexCache(probe, (void*)cam) == 6)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            out[axis] = double(lo) / 1000.0;
        }
        *vp = saved;
        return out;
    }
    static KX_Camera camera(int mode) {
        KX_Camera c{};
        c.CameraX = 2, c.CameraY = 3, c.CameraZ = -1;
        c.CameraAngleX = 20, c.CameraAngleY = 200, c.CameraAngleZ = -30;
        c.CameraMode = mode;
        c.ProjectScaleX = 100 * 1000.0f, c.ProjectScaleY = 50 * 1000.0f;
        c.ScreenCentreX = 32 * 1000.0f, c.ScreenCentreY = 24 * 1000.0f;
        return c;
    }
};

TEST_F(Probe, CamerasProjectByTheirFormulas) {
    // Mode 0 rolls by the z angle and divides by depth; without roll every vertex lands
    // at the screen centre. Mode 1 is the full camera, angles wrapped, y taken from 180.
    KX_Camera flat = camera(0), still = camera(0), full = camera(1);
    still.CameraNoRoll = 5;
    full.CameraZ = 20;
    const double c = std::cos(-30 * kDeg), s = std::sin(-30 * kDeg), ax = 20 * kDeg,
                 ay = std::fmod(180.0 - 200.0 + 360.0, 360.0) * kDeg, az = 330 * kDeg;
    for (std::array<float, 3> p : {std::array<float, 3>{10, 20, 5}, {-7, 4, 9}, {3, 3, 2}}) {
        const double dx = p[0] - 2, dy = p[1] - 3, d = p[2] + 1, dz = 20 - p[2];
        const double u = std::cos(az) * dx + std::sin(az) * dy;
        const double v = std::sin(az) * dx - std::cos(az) * dy;
        const double w = std::sin(ay) * u + std::cos(ay) * dz;
        const double X = std::sin(ay) * dz - std::cos(ay) * u;
        const double D = std::sin(ax) * v + std::cos(ax) * w;
        const double Y = std::cos(ax) * v - std::sin(ax) * w;
        ASSERT_GE(D, 1.0);
        const struct {
            std::array<float, 3> at;
            const KX_Camera* camera;
            double x, y;
        } ways[] = {
            {{p[0] * 1000, p[1] * 1000, p[2]}, nullptr, p[0], p[1]}, // no camera: as it is
            {p, &flat, 100 * (c * dx - s * dy) / d + 32, 50 * (s * dx + c * dy) / d + 24},
            {p, &still, 32, 24},
            {p, &full, 100 * X / D + 32, 50 * Y / D + 24},
        };
        for (const auto& way : ways) {
            const auto at = where(way.at, way.camera);
            EXPECT_NEAR(at[0], way.x, 2e-3)
                << p[0] << " " << (way.camera ? way.camera->CameraMode : -1);
            EXPECT_NEAR(at[1], way.y, 2e-3) << p[0];
        }
    }
}

TEST_F(Projection, CullingDropsFacesBehindTooFarOutsideAndFacingAway) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::vector<std::array<float, 3>> corners;
        int back_face, written;
    } cases[] = {
        {{{0, 0, 1}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}}, 0, 6},             // depth 1.0 passes
        {{{0, 0, 0.5f}, {10, 0, 0.5f}, {10, 10, 0.5f}, {0, 10, 0.5f}}, 0, 0}, // 0.5 is behind
        {{{0, 0, 70000}, {10, 0, 70000}, {0, 10, 70000}}, 0, 0},              // a far triangle
        {{{0, 0, 70000}, {10, 0, 70000}, {10, 10, 70000}, {0, 10, 70000}}, 0, 6}, // a far quad
        {{{0, 0, 69999}, {10, 0, 69999}, {0, 10, 69999}}, 0, 3},
        // First triangle wholly left of the viewport: nothing, though the second is in view.
        {{{-5, 0, 1}, {-1, 0, 1}, {-1, 10, 1}, {20, 10, 1}}, 0, 0},
        // Second triangle outside: only the first.
        {{{100, 0, 1}, {10, 0, 1}, {100, 10, 1}, {100, 20, 1}}, 0, 3},
        {{{64, 0, 1}, {64, 10, 1}, {64, 5, 1}}, 0, 3}, // on the right edge
        {{{65, 0, 1}, {65, 10, 1}, {66, 5, 1}}, 0, 0}, // beyond it
        {{{0, 48, 1}, {9, 48, 1}, {5, 48, 1}}, 0, 3},  // on the bottom edge
        {{{0, -1, 1}, {9, -2, 1}, {5, -1, 1}}, 0, 0},  // above the top
        {{{0, 0, 1}, {10, 0, 1}, {0, 10, 1}}, 1, 0},   // facing away
        {{{0, 0, 1}, {0, 10, 1}, {10, 0, 1}}, 1, 3},   // facing the viewer
        {{{0, 0, 1}, {10, 0, 1}, {0, 10, 1}}, 0, 3},   // facing away, test off
        {{{0, 0, 1}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}}, 1, 0},
        {{{nan, 0, 1}, {10, 0, 1}, {0, 10, 1}}, 0, 0}, // not a number
        {{{0, 0, nan}, {10, 0, 1}, {0, 10, 1}}, 0, 0},
    };
    for (const Case& c : cases) {
        const int32_t mesh = face(c.corners, c.back_face);
        EXPECT_EQ(VM_MeshTranslateToVertexCache(mesh, nullptr), c.written)
            << c.corners[0][0] << "," << c.corners[0][1] << "," << c.corners[0][2];
        VM_MeshDelete(mesh);
    }
    // Refusals: no mesh, no faces, corners naming vertices the mesh lacks, no current surface.
    const int32_t bad = face({{0, 0, 1}, {10, 0, 1}, {0, 10, 1}});
    for (auto [vertex, written] : {std::pair(4, 0), {-1, 0}, {2, 3}}) {
        VM_MeshPokeFace(bad, 0, 2, vertex, 0, 0, 0, 1);
        EXPECT_EQ(VM_MeshTranslateToVertexCache(bad, nullptr), written) << vertex;
    }
    EXPECT_EQ(std::tuple(VM_MeshTranslateToVertexCache(VM_MeshCreate(4, 0), nullptr),
                         VM_MeshTranslateToVertexCache(12345, nullptr),
                         VM_MeshProjectVertex(12345, nullptr, 1)),
              std::tuple(0, 0, 1));
    KX_SetCurrentSurface(0);
    EXPECT_EQ(VM_MeshTranslateToVertexCache(bad, nullptr), 0);
}

} // namespace
