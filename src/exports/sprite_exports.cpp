// Exports of sprites: properties, drawing and collision, vertices, particles
// and local data.
#include <cmath>
#include <type_traits>

#include "kx/kx_vm.h"
#include "kxp/heap.h"
#include "memory/banks.h"
#include "meshes/meshes.h"
#include "meshes/particle_controller.h"
#include "sprites/sprites.h"

namespace sprites = kx::sprites;
namespace meshes = kx::meshes;
namespace mem = kx::memory;

namespace {

// Runs f on the sprite's record; a zero result when the handle is not accepted.
template <class F> auto with(int32_t sprite, F&& f) {
    using R = std::invoke_result_t<F, KX_Sprite&>;
    KX_Sprite* s = sprites::find(sprite);
    if constexpr (std::is_void_v<R>) {
        if (s) f(*s);
    } else {
        return s ? f(*s) : R();
    }
}
float axis(int32_t sprite, float (KX_Sprite::*field)[3], int32_t a) {
    return with(sprite, [&](KX_Sprite& s) {
        const float* v = sprites::axis_of(s.*field, a);
        return v ? *v : 0.0f;
    });
}
void set_axes(int32_t sprite, float (KX_Sprite::*field)[3], float x, float y, float z,
              int32_t mask) {
    with(sprite, [&](KX_Sprite& s) {
        sprites::write_masked(s.*field, x, y, z, mask);
        s.Changed = 1;
    });
}
// The sprite's mesh, 0 when the sprite is not accepted or has none.
int32_t mesh_of(int32_t sprite) {
    return with(sprite, [](KX_Sprite& s) { return meshes::find(s.Mesh) ? s.Mesh : 0; });
}
float wrap(float a) {
    float r = std::fmod(a, 360.0f);
    return r < 0.0f ? r + 360.0f : r;
}

} // namespace

extern "C" {

// ---- Properties ----------------------------------------------------------------------

KX_API int32_t KX_CALL KX_SpriteCreate(void) noexcept {
    return sprites::create();
}
KX_API void KX_CALL KX_SpriteDelete(int32_t sprite) noexcept {
    sprites::destroy(sprite);
}
KX_API void KX_CALL KX_SpriteImage(int32_t sprite, int32_t image) noexcept {
    sprites::set_image(sprite, image);
}
KX_API int32_t KX_CALL KX_SpriteGetImage(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.Image; });
}
KX_API void KX_CALL KX_SpriteImageIndex(int32_t sprite, int32_t index) noexcept {
    with(sprite, [&](KX_Sprite& s) { s.ImageIndex = index; });
}
KX_API int32_t KX_CALL KX_SpriteGetImageIndex(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.ImageIndex; });
}
KX_API void KX_CALL KX_SpriteAlpha(int32_t sprite, float alpha) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        s.Alpha = alpha < 0.0f ? 0.0f : alpha > 1.0f ? 1.0f : alpha;
    });
}
KX_API float KX_CALL KX_SpriteGetAlpha(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.Alpha; });
}
KX_API void KX_CALL KX_SpriteTransparent(int32_t sprite, int32_t flag) noexcept {
    with(sprite, [&](KX_Sprite& s) { s.Transparent = flag & 1; });
}
KX_API int32_t KX_CALL KX_SpriteGetTransparent(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.Transparent > 0 ? 1 : 0; });
}
KX_API void KX_CALL KX_SpriteVisible(int32_t sprite, int32_t flag) noexcept {
    with(sprite, [&](KX_Sprite& s) { s.Visible = flag & 1; });
}
KX_API int32_t KX_CALL KX_SpriteGetVisible(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.Visible; });
}
KX_API void KX_CALL KX_SpriteDrawMode(int32_t sprite, int32_t mode) noexcept {
    with(sprite, [&](KX_Sprite& s) { s.DrawMode = mode; });
}
KX_API int32_t KX_CALL KX_SpriteGetDrawMode(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.DrawMode; });
}
KX_API void KX_CALL KX_SpritePokeColour(int32_t sprite, int32_t offset, int32_t colour) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        if (int32_t* w = sprites::block_word(s.Colours, 6, offset)) *w = colour;
    });
}
KX_API int32_t KX_CALL KX_SpritePeekColour(int32_t sprite, int32_t offset) noexcept {
    return with(sprite, [&](KX_Sprite& s) {
        const int32_t* w = sprites::block_word(s.Colours, 6, offset);
        return w ? *w : 0;
    });
}
KX_API void KX_CALL KX_SpritePokeCollision(int32_t sprite, int32_t offset, int32_t value) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        if (int32_t* w = sprites::block_word(s.Collision, 6, offset)) *w = value;
    });
}
KX_API int32_t KX_CALL KX_SpritePeekCollision(int32_t sprite, int32_t offset) noexcept {
    return with(sprite, [&](KX_Sprite& s) {
        const int32_t* w = sprites::block_word(s.Collision, 6, offset);
        return w ? *w : 0;
    });
}
KX_API void KX_CALL KX_SpritePos(int32_t sprite, float x, float y, float z, int32_t mask) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        const float v[3] = {x, y, z};
        for (int k = 0; k < 3; ++k)
            if (mask & (1 << k)) {
                s.OldPosition[k] = s.Position[k];
                s.Position[k] = v[k];
            }
        s.Changed = 1;
    });
}
KX_API void KX_CALL KX_SpriteMove(int32_t sprite, float dx, float dy, float dz,
                                  int32_t mask) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        const float d[3] = {dx, dy, dz};
        for (int k = 0; k < 3; ++k)
            if (mask & (1 << k)) s.Position[k] += d[k];
        s.Changed = 1;
    });
}
KX_API float KX_CALL KX_SpriteGetPos(int32_t sprite, int32_t a) noexcept {
    return axis(sprite, &KX_Sprite::Position, a);
}
KX_API float KX_CALL KX_SpriteGetOldPos(int32_t sprite, int32_t a) noexcept {
    return axis(sprite, &KX_Sprite::OldPosition, a);
}
KX_API int32_t KX_CALL KX_SpriteGetSize(int32_t sprite, int32_t a) noexcept {
    return sprites::size(sprite, a);
}
KX_API void KX_CALL KX_SpriteScale(int32_t sprite, float sx, float sy, float sz,
                                   int32_t mask) noexcept {
    set_axes(sprite, &KX_Sprite::Scale, sx, sy, sz, mask);
}
KX_API float KX_CALL KX_SpriteGetScale(int32_t sprite, int32_t a) noexcept {
    return axis(sprite, &KX_Sprite::Scale, a);
}
KX_API void KX_CALL KX_SpriteRotationMode(int32_t sprite, int32_t mode) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        s.RotationMode = mode;
        s.Changed = 1;
    });
}
KX_API int32_t KX_CALL KX_SpriteGetRotationMode(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.RotationMode; });
}
KX_API void KX_CALL KX_SpriteRotate(int32_t sprite, float ax, float ay, float az,
                                    int32_t mask) noexcept {
    set_axes(sprite, &KX_Sprite::Rotation, ax, ay, az, mask);
}
KX_API float KX_CALL KX_SpriteGetRotate(int32_t sprite, int32_t a) noexcept {
    return axis(sprite, &KX_Sprite::Rotation, a);
}
KX_API void KX_CALL KX_SpriteTurn(int32_t sprite, float dax, float day, float daz,
                                  int32_t mask) noexcept {
    with(sprite, [&](KX_Sprite& s) {
        const float d[3] = {dax, day, daz};
        for (int k = 0; k < 3; ++k)
            if (mask & (1 << k)) s.Rotation[k] = wrap(s.Rotation[k] + d[k]);
        s.Changed = 1;
    });
}
KX_API void KX_CALL KX_SpriteHandle(int32_t sprite, float hx, float hy, float hz,
                                    int32_t mask) noexcept {
    set_axes(sprite, &KX_Sprite::Handle, hx, hy, hz, mask);
}
KX_API float KX_CALL KX_SpriteGetHandle(int32_t sprite, int32_t a) noexcept {
    return axis(sprite, &KX_Sprite::Handle, a);
}
KX_API void KX_CALL KX_SpriteCenterHandle(int32_t sprite) noexcept {
    sprites::center_handle(sprite);
}
KX_API void KX_CALL KX_SpriteAutoCenterHandles(int32_t sprite, int32_t flag) noexcept {
    KX_Sprite* s = sprites::find(sprite);
    if (!s) return;
    s->AutoCenterHandles = flag & 1;
    if (s->AutoCenterHandles == 1) sprites::center_handle(sprite);
}
KX_API int32_t KX_CALL KX_SpriteGetAutoCenterHandles(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return s.AutoCenterHandles; });
}

// ---- Drawing and collision ---------------------------------------------------------------

KX_API void KX_CALL KX_SpriteDraw(int32_t sprite, void* camera) noexcept {
    sprites::draw(sprite, static_cast<const KX_Camera*>(camera));
}
KX_API int32_t KX_CALL KX_SpritePeekBoundingRect(int32_t sprite, int32_t offset) noexcept {
    return with(sprite, [&](KX_Sprite& s) {
        const int32_t* w = sprites::block_word(s.BoundingRect, 4, offset < 0 ? 0 : offset);
        return w ? *w : 0;
    });
}
KX_API int32_t KX_CALL KX_SpriteBoundsOverLap(int32_t a, int32_t b) noexcept {
    return sprites::overlap(a, b);
}
KX_API int32_t KX_CALL KX_SpriteCheckCollide(int32_t a, int32_t b, int32_t mask) noexcept {
    return sprites::collide(a, b, mask);
}

// ---- Vertices and faces ------------------------------------------------------------------

KX_API void KX_CALL KX_SpritePokeVertex(int32_t sprite, int32_t index, float x, float y, float z,
                                        int32_t mask) noexcept {
    if (index >= 0) meshes::poke_vertex(mesh_of(sprite), index, x, y, z, mask);
}
KX_API void KX_CALL KX_SpritePokeFace(int32_t sprite, int32_t face, int32_t corner, int32_t vertex,
                                      float u, float v, int32_t colour, int32_t mask) noexcept {
    if (face >= 0) meshes::poke_corner(mesh_of(sprite), face, corner, vertex, u, v, colour, mask);
}
KX_API void KX_CALL KX_SpritePokeFaceVerts(int32_t sprite, int32_t face, int32_t count) noexcept {
    if (face >= 0) meshes::set_corner_count(mesh_of(sprite), face, count);
}
KX_API void KX_CALL KX_SpriteVertexQuantity(int32_t sprite, int32_t count) noexcept {
    meshes::set_vertex_count(mesh_of(sprite), count);
}
KX_API int32_t KX_CALL KX_SpriteGetVertexQuantity(int32_t sprite) noexcept {
    const VM_Mesh* m = meshes::find(mesh_of(sprite));
    return m ? m->VertexCount : 0;
}
KX_API void KX_CALL KX_SpriteFaceQuantity(int32_t sprite, int32_t count) noexcept {
    meshes::set_face_count(mesh_of(sprite), count);
}
KX_API int32_t KX_CALL KX_SpriteGetFaceQuantity(int32_t sprite) noexcept {
    const VM_Mesh* m = meshes::find(mesh_of(sprite));
    return m ? m->FaceCount : 0;
}
KX_API void KX_CALL KX_SpriteBackFace(int32_t sprite, int32_t flag) noexcept {
    meshes::set_back_face(mesh_of(sprite), flag);
}
KX_API int32_t KX_CALL KX_SpriteGetBackFace(int32_t sprite) noexcept {
    const VM_Mesh* m = meshes::find(mesh_of(sprite));
    return m ? m->BackFace : 0;
}

// ---- Particles -----------------------------------------------------------------------------

KX_API int32_t KX_CALL KX_SpriteInitParticles(int32_t sprite, int32_t capacity) noexcept {
    meshes::init_particle_controller(mesh_of(sprite), capacity);
    return 0;
}
KX_API int32_t KX_CALL KX_SpriteUpdateParticles(int32_t sprite) noexcept {
    meshes::update_particles(mesh_of(sprite));
    return 0;
}
KX_API int32_t KX_CALL KX_SpriteAddParticle(int32_t sprite, void* record) noexcept {
    return meshes::add_particle(mesh_of(sprite), record);
}
KX_API void* KX_CALL KX_SpriteGetParticlePtr(int32_t sprite, int32_t index) noexcept {
    return meshes::particle(mesh_of(sprite), index);
}
KX_API void KX_CALL KX_SpriteDeleteParticle(int32_t sprite, int32_t index) noexcept {
    const int32_t mesh = mesh_of(sprite);
    if (mesh == 0) return;
    meshes::delete_particle(mesh, index);
    if (index >= 0) meshes::set_corner_count(mesh, index, 0);
}

// ---- Local data ------------------------------------------------------------------------------

KX_API int32_t KX_CALL KX_SpriteLocalCreate(int32_t sprite, int32_t size) noexcept {
    return sprites::local_create(sprite, size);
}
KX_API void KX_CALL KX_SpriteLocalDelete(int32_t sprite) noexcept {
    sprites::local_delete(sprite);
}
KX_API int32_t KX_CALL KX_SpriteLocalCopy(int32_t source, int32_t dest) noexcept {
    return sprites::local_copy(source, dest);
}
KX_API int32_t KX_CALL KX_SpriteGetLocalBank(int32_t sprite) noexcept {
    return sprite > 0 ? with(sprite, [](KX_Sprite& s) { return s.LocalBank; }) : 0;
}
KX_API void* KX_CALL KX_SpriteLocalPtr(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return mem::ptr(s.LocalBank); });
}
KX_API int32_t KX_CALL KX_SpriteLocalSize(int32_t sprite) noexcept {
    return with(sprite, [](KX_Sprite& s) { return int32_t(mem::size(s.LocalBank)); });
}

} // extern "C"
