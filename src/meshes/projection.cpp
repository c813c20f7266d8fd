// Vertex transform, projection and the triangle cache (see projection.h).
// Built without fused multiply-adds: every product and sum is rounded to a
// float as written, so quarter turns of whole-pixel corners stay whole.
#include "meshes/projection.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "graphics/graphics.h"
#include "memory/banks.h"
#include "meshes/meshes.h"

namespace kx::meshes {
namespace {

ProjectedVertex g_projected[kProjectedVertices];
CacheVertex g_cache[kCacheVertices];
std::int32_t g_projected_count = 0; // vertices of the last projection

struct SinCos {
    float s, c;
};
// Sine and cosine of an angle in degrees, in extended precision, stored as floats.
//
// The extended-precision sine and cosine cost far more than the float
// arithmetic around them: the C library hands every argument beyond a quarter
// of pi to its general multi-word argument reduction. So the last results are
// kept in a small table indexed by a hash of the angle's exact bits and
// checked against those bits: a hit gives what the computation gave for the
// very same double, bit for bit, and a miss computes as before. Particles
// spinning at the same rate, and the x and y angles of flat particles (0),
// hit every time. The runtime is used from one thread, like the projected
// array and the triangle cache.
struct SinCosEntry {
    std::uint64_t bits = 0;
    bool used = false;
    SinCos value{};
};
constexpr unsigned kSinCosBits = 8;
SinCosEntry g_sin_cos[1u << kSinCosBits];

SinCos sin_cos(double degrees) {
    const auto bits = std::bit_cast<std::uint64_t>(degrees);
    SinCosEntry& e = g_sin_cos[(bits * 0x9E3779B97F4A7C15ull) >> (64 - kSinCosBits)];
    if (e.used && e.bits == bits) return e.value;
    const long double r = static_cast<long double>(degrees * kDegrees);
    e = {bits, true, {static_cast<float>(std::sin(r)), static_cast<float>(std::cos(r))}};
    return e.value;
}

// The angle reduced to [0, 360).
double wrap(double a) {
    double r = std::fmod(a, 360.0);
    return r < 0.0 ? r + 360.0 : r;
}

bool finite(const ProjectedVertex& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

struct Bounds {
    float l, t, r, b;
};
bool in_view(const Bounds& v, const ProjectedVertex& a, const ProjectedVertex& b,
             const ProjectedVertex& c) {
    if (!finite(a) || !finite(b) || !finite(c)) return false;
    if (a.x > v.r && b.x > v.r && c.x > v.r) return false;
    if (a.x < v.l && b.x < v.l && c.x < v.l) return false;
    if (a.y > v.b && b.y > v.b && c.y > v.b) return false;
    if (a.y < v.t && b.y < v.t && c.y < v.t) return false;
    return true;
}
bool faces_away(const ProjectedVertex& a, const ProjectedVertex& b, const ProjectedVertex& c) {
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y) > 0.0f;
}

} // namespace

void rotate_vertices(const VM_MeshVertex* from, VM_MeshVertex* to, const float (&position)[3],
                     const float (&handle)[3], const float (&scale)[3], const float (&angles)[3],
                     std::int32_t count) noexcept {
    if (!from || !to || count <= 0) return;
    const SinCos ax = sin_cos(angles[0]), ay = sin_cos(angles[1]), az = sin_cos(angles[2]);
    const double sx = ax.s, cx = ax.c, sy = ay.s, cy = ay.c, sz = az.s, cz = az.c;
    const float m[9] = {
        float(cy * cz),
        float(-cy * sz),
        float(sy),
        float(sx * sy * cz + cx * sz),
        float(cx * cz - sx * sy * sz),
        float(-sx * cy),
        float(sx * sz - cx * sy * cz),
        float(sx * cz + cx * sy * sz),
        float(cx * cy),
    };
    for (std::int32_t i = 0; i < count; ++i) {
        const float X = (from[i].X + handle[0]) * scale[0];
        const float Y = (from[i].Y + handle[1]) * scale[1];
        const float Z = (from[i].Z + handle[2]) * scale[2];
        to[i].X = m[0] * X + m[1] * Y + m[2] * Z + position[0];
        to[i].Y = m[3] * X + m[4] * Y + m[5] * Z + position[1];
        to[i].Z = m[6] * X + m[7] * Y + m[8] * Z + position[2];
    }
}

void project(std::int32_t mesh, const KX_Camera* camera, bool projecting) noexcept {
    if (const VM_Mesh* m = find(mesh)) project(*m, camera, projecting);
}

void project(const VM_Mesh& m, const KX_Camera* camera, bool projecting) noexcept {
    if (m.FaceCount < 1) return;
    const std::span<VM_MeshVertex> v = vertices(m, 1);
    const std::int32_t n = std::int32_t(std::min<std::size_t>(v.size(), kProjectedVertices));
    g_projected_count = n;
    const float px = camera ? camera->CameraX : 0.0f, py = camera ? camera->CameraY : 0.0f,
                pz = camera ? camera->CameraZ : 0.0f;

    if (!projecting || !camera) {
        for (std::int32_t i = 0; i < n; ++i) {
            ProjectedVertex& p = g_projected[i];
            p.x = p.ux = v[i].X - px;
            p.y = p.uy = v[i].Y - py;
            p.depth = v[i].Z - pz;
            p.nx = v[i].NormalX, p.ny = v[i].NormalY, p.nz = v[i].NormalZ;
        }
        return;
    }
    const float kx = camera->ProjectScaleX, ky = camera->ProjectScaleY;
    const float ox = camera->ScreenCentreX, oy = camera->ScreenCentreY;
    auto put = [&](ProjectedVertex& p, const VM_MeshVertex& src, float X, float Y, float D) {
        if (D == 0.0f) {
            p.x = kx * X + ox;
            p.y = ky * Y + oy;
        } else {
            p.x = kx * X / D + ox;
            p.y = ky * Y / D + oy;
        }
        p.depth = D;
        p.nx = src.NormalX, p.ny = src.NormalY, p.nz = src.NormalZ;
    };
    if (camera->CameraMode == 1) {
        const SinCos ax = sin_cos(wrap(camera->CameraAngleX));
        const SinCos ay = sin_cos(wrap(180.0 - double(camera->CameraAngleY)));
        const SinCos az = sin_cos(wrap(camera->CameraAngleZ));
        for (std::int32_t i = 0; i < n; ++i) {
            const float dx = v[i].X - px, dy = py - v[i].Y, dz = pz - v[i].Z;
            const float u = az.c * dx - az.s * dy;
            const float w0 = az.s * dx + az.c * dy;
            const float w = ay.s * u + ay.c * dz;
            const float X = ay.s * dz - ay.c * u;
            const float D = ax.s * w0 + ax.c * w;
            const float Y = ax.c * w0 - ax.s * w;
            put(g_projected[i], v[i], X, Y, D);
        }
        return;
    }
    // Mode 0 (and any mode other than 1): a flat camera with an optional roll.
    SinCos roll = {0.0f, 0.0f};
    if (camera->CameraNoRoll == 0) roll = sin_cos(camera->CameraAngleZ);
    for (std::int32_t i = 0; i < n; ++i) {
        const float dx = v[i].X - px, dy = v[i].Y - py;
        put(g_projected[i], v[i], roll.c * dx - roll.s * dy, roll.s * dx + roll.c * dy,
            v[i].Z - pz);
    }
}

namespace {

// Writes the faces of a projected mesh that survive culling against the
// viewport into the triangle cache; the number of cache vertices written.
std::int32_t translate_projected(const VM_Mesh& m, const KX_Viewport& viewport) {
    const Bounds view{float(viewport.Left), float(viewport.Top), float(viewport.Right),
                      float(viewport.Bottom)};
    const bool back_face = m.BackFace == 1;
    const std::int32_t n = g_projected_count;
    std::int32_t written = 0;
    auto corner = [&](const VM_MeshFace& f, int c) -> const ProjectedVertex* {
        const std::int32_t k = f.Corner[c].Vertex;
        return (k >= 0 && k < n) ? &g_projected[k] : nullptr;
    };
    auto write = [&](const VM_MeshFace& f, int c) {
        const ProjectedVertex& p = g_projected[f.Corner[c].Vertex];
        CacheVertex& out = g_cache[written++];
        out.x = p.x, out.y = p.y, out.depth = p.depth;
        out.colour = f.Corner[c].Colour;
        out.u = f.Corner[c].U, out.v = f.Corner[c].V;
    };
    for (const VM_MeshFace& f : faces(m)) {
        const std::int32_t corners = f.CornerCount;
        if (corners != 3 && corners != 4) continue;
        if (written > kCacheVertices - 6) break; // the cache is full
        const ProjectedVertex* p[4] = {};
        bool ok = true;
        for (int c = 0; c < corners; ++c)
            ok = ok && (p[c] = corner(f, c)) != nullptr;
        if (!ok) continue;
        if (corners == 3) {
            for (int c = 0; c < 3; ++c)
                ok = ok && p[c]->depth < 70000.0f && p[c]->depth >= 1.0f;
            if (!ok || !in_view(view, *p[0], *p[1], *p[2])) continue;
            if (back_face && faces_away(*p[0], *p[1], *p[2])) continue;
            for (int c = 0; c < 3; ++c)
                write(f, c);
            continue;
        }
        for (int c = 0; c < 4; ++c)
            ok = ok && p[c]->depth >= 1.0f;
        if (!ok) continue;
        if (back_face && faces_away(*p[0], *p[1], *p[2])) continue;
        if (!in_view(view, *p[0], *p[1], *p[2])) continue;
        for (int c = 0; c < 3; ++c)
            write(f, c);
        if (in_view(view, *p[0], *p[2], *p[3]))
            for (int c : {0, 2, 3})
                write(f, c);
    }
    return written;
}

} // namespace

std::int32_t translate_to_cache(std::int32_t mesh, const KX_Camera* camera) noexcept {
    const VM_Mesh* m = find(mesh);
    if (!m || m->FaceCount < 1) return 0;
    project(*m, camera, camera != nullptr);
    const graphics::Surface s = graphics::current();
    return s ? translate_projected(*m, *s.viewport) : 0;
}

std::int32_t translate_to_cache(const VM_Mesh& m, const KX_Camera* camera,
                                const KX_Viewport* viewport) noexcept {
    if (m.FaceCount < 1) return 0;
    project(m, camera, camera != nullptr);
    return viewport ? translate_projected(m, *viewport) : 0;
}

const ProjectedVertex* projected() noexcept {
    return g_projected;
}
const CacheVertex* cache() noexcept {
    return g_cache;
}

} // namespace kx::meshes
