// Drawing sprites and testing their bounding rectangles (see sprites.h).
//
// An untransformed sprite in the plain draw mode is one image blit. Any other
// goes through its mesh: transformed, projected into the triangle cache and
// drawn triangle by triangle with the raster library's textured triangles,
// under one lock of the surface and one of the image for the whole sprite.
// Built without fused multiply-adds, like the projection.
#include <algorithm>
#include <cmath>

#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kxp/heap.h"
#include "memory/banks.h"
#include "meshes/meshes.h"
#include "meshes/particle_controller.h"
#include "meshes/projection.h"
#include "sprites/sprites.h"

namespace kx::sprites {
namespace {

namespace gfx = kx::graphics;

// Draws the first `count` / 3 triangles of the cache onto `surface` (the
// current surface, looked up by the caller) with `image` as texture.
void draw_cache(const gfx::Surface& surface, std::int32_t count, std::int32_t image,
                std::int32_t flags, std::uint32_t a, std::uint32_t b) {
    if (count < 3) return;
    const gfx::Surface source = gfx::surface(image);
    if (!source.image) return;
    const std::int32_t transparent = flags & 1, blend = flags & 0xFFFC;
    gfx::DrawTarget target(surface);
    if (!target.ok()) return;
    const bool locked_here = source.lock->Locked == 0 && gfx::lock(source) == 1;
    if (const KX_Image* i = source.image; i->Lock.Locked == 1) {
        gfx::raster_set_source(i->Lock.Pixels, i->Lock.Pitch, i->Lock.Format, i->Size.Width,
                               i->Size.Height);
        const float w1 = float(i->Size.Width - 1), h1 = float(i->Size.Height - 1);
        const std::uint32_t mask = i->MaskColour;
        const meshes::CacheVertex* c = meshes::cache();
        const auto& r = gfx::raster();
        const bool shaded = blend == 0x100 || blend == 0x200;
        for (std::int32_t t = 0; t + 3 <= count; t += 3) {
            std::int32_t x[3], y[3], tx[3], ty[3];
            std::uint32_t col[3];
            for (int k = 0; k < 3; ++k) {
                const meshes::CacheVertex& v = c[t + k];
                x[k] = trunc_int(v.x);
                y[k] = trunc_int(v.y);
                tx[k] = trunc_int(double(v.u * w1));
                ty[k] = trunc_int(double(v.v * h1));
                col[k] = v.colour & 0xFFFFFF;
            }
            if (shaded)
                r.VGFX_TriTG(x[0], y[0], tx[0], ty[0], col[0], x[1], y[1], tx[1], ty[1], col[1],
                             x[2], y[2], tx[2], ty[2], col[2], transparent, mask);
            else
                r.VGFX_TriT(x[0], y[0], tx[0], ty[0], x[1], y[1], tx[1], ty[1], x[2], y[2], tx[2],
                            ty[2], transparent | blend, mask, a, b);
        }
    }
    if (locked_here) gfx::unlock(source);
}

void outline(const std::int32_t (&r)[4]) {
    const gfx::Surface s = gfx::current();
    if (!s) return;
    const bool locked_here = s.lock->Locked == 0 && gfx::lock(s.handle) == 1;
    const float l = float(r[0]), t = float(r[1]), rt = float(r[2]), b = float(r[3]);
    gfx::line(l, t, rt, t, 0xFF0000, 1);
    gfx::line(l, t, l, b, 0xFF0000, 1);
    gfx::line(rt, t, rt, b, 0xFF0000, 1);
    gfx::line(l, b, rt, b, 0xFF0000, 1);
    if (locked_here) gfx::unlock(s.handle);
}

} // namespace

void transform_2d(KX_Sprite& s, const VM_Mesh* m, std::int32_t n, bool bounds) noexcept {
    if (!m || n <= 0) return;
    const std::span<VM_MeshVertex> from = meshes::vertices(*m, 0), to = meshes::vertices(*m, 1);
    const std::size_t count = std::min({std::size_t(n), from.size(), to.size()});
    const double a = double(s.Rotation[2]) * meshes::kDegrees;
    const float c = float(std::cos(a)), sn = float(std::sin(a));
    const float px = s.Position[0], py = s.Position[1], pz = s.Position[2];
    float min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const float hx = (from[k].X + s.Handle[0]) * s.Scale[0];
        const float hy = (from[k].Y + s.Handle[1]) * s.Scale[1];
        const float x = hx * c - hy * sn + px, y = hx * sn + hy * c + py;
        to[k].X = x;
        to[k].Y = y;
        to[k].Z = (from[k].Z + s.Handle[2]) * s.Scale[2] + pz;
        if (k == 0) {
            min_x = max_x = x;
            min_y = max_y = y;
        } else {
            if (x < min_x) min_x = x;
            if (x > max_x) max_x = x;
            if (y < min_y) min_y = y;
            if (y > max_y) max_y = y;
        }
    }
    if (bounds && count > 0) {
        s.BoundingRect[0] = trunc_int(min_x);
        s.BoundingRect[1] = trunc_int(min_y);
        s.BoundingRect[2] = trunc_int(max_x);
        s.BoundingRect[3] = trunc_int(max_y);
    }
}

void draw(std::int32_t sprite, const KX_Camera* camera) noexcept {
    KX_Sprite* s = find(sprite);
    if (!s || s->Visible == 0 || s->Image == 0) return;
    std::int32_t mode = s->DrawMode & ~1;
    const VM_Mesh* m = meshes::find(s->Mesh);
    // The vertex count as it was before the particle quads are built (which
    // may enlarge the mesh, moving its banks and possibly its record).
    const std::int32_t n = m ? m->VertexCount : 0;
    if (m && m->Particles != 0) {
        meshes::build_particle_quads(s->Mesh);
        m = meshes::find(s->Mesh);
    }
    if (m) meshes::prefetch(*m);

    const bool transformed = (mode & 2) != 0;
    float X = 0.0f, Y = 0.0f;
    if (transformed) {
        if (s->RotationMode == 0) {
            transform_2d(*s, m, n, true);
            s->Changed = 0;
        } else if (s->RotationMode == 1) {
            if (m) {
                const std::span<VM_MeshVertex> from = meshes::vertices(*m, 0),
                                               to = meshes::vertices(*m, 1);
                const std::size_t count =
                    std::min({std::size_t(n > 0 ? n : 0), from.size(), to.size()});
                meshes::rotate_vertices(from.data(), to.data(), s->Position, s->Handle, s->Scale,
                                        s->Rotation, std::int32_t(count));
            }
            s->Changed = 0;
        }
        mode &= ~2;
    } else {
        X = s->Position[0] + s->Handle[0];
        Y = s->Position[1] + s->Handle[1];
        s->BoundingRect[0] = trunc_int(X);
        s->BoundingRect[1] = trunc_int(Y);
        s->BoundingRect[2] = trunc_int(float(s->Width) + X);
        s->BoundingRect[3] = trunc_int(float(s->Height) + Y);
    }

    const std::int32_t flags = (s->Transparent | mode);
    const std::int32_t alpha255 = trunc_int(s->Alpha * 255.0f);
    const std::int32_t image = s->Image;
    // The triangle cache is filled only for the selectors that draw it.
    // The mesh record and the current surface are looked up once for both.
    auto cached = [&](std::int32_t a, std::int32_t b) {
        if (!m) return;
        const gfx::Surface target = gfx::current();
        const std::int32_t count =
            meshes::translate_to_cache(*m, camera, target ? target.viewport : nullptr);
        draw_cache(target, count, image, flags, std::uint32_t(a), std::uint32_t(b));
    };
    const std::int32_t* colour = s->Colours;
    switch (mode) {
    case 0:
        if (transformed)
            cached(0, 0);
        else if (std::isfinite(X) && std::isfinite(Y))
            gfx::image_blt(image, trunc_int(X), trunc_int(Y), s->Transparent);
        break;
    case 4: cached(0, alpha255); break;
    case 0x400: cached(colour[0], colour[0]); break;
    case 0x800: cached(colour[1], alpha255); break;
    case 0x1000: cached(colour[2], colour[2]); break;
    case 0x2000: cached(colour[3], colour[3]); break;
    case 0x4000: cached(colour[4], colour[5]); break;
    case 0x8000: break;
    case 0x10000:
    case 0x20000: cached(colour[0], 0); break;
    default: cached(0, 0); break;
    }
    if (s->Collision[5] == 1) outline(s->BoundingRect);
}

std::int32_t overlap(std::int32_t a, std::int32_t b) noexcept {
    const KX_Sprite *p = find(a), *q = find(b);
    if (!p || !q) return 0;
    const std::int32_t(&r)[4] = p->BoundingRect;
    const std::int32_t(&o)[4] = q->BoundingRect;
    if (r[0] > o[2] || r[2] <= o[0] || r[1] > o[3] || r[3] <= o[1]) return 0;
    return 1;
}

std::int32_t collide(std::int32_t a, std::int32_t b, std::int32_t mask) noexcept {
    const KX_Sprite* q = find(b);
    if (!q || q->Collision[0] == 0 || (q->Collision[1] & mask) <= 0 || q->Visible == 0) return 0;
    return overlap(a, b);
}

} // namespace kx::sprites
