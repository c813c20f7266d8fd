// Exports of mesh projection and of the mesh's particle controller.
#include "kx/kx_vm.h"
#include "meshes/meshes.h"
#include "meshes/particle_controller.h"
#include "meshes/projection.h"

namespace meshes = kx::meshes;

namespace {
const float (&three(void* p))[3] {
    return *static_cast<const float(*)[3]>(p);
}
} // namespace

extern "C" {

KX_API void KX_CALL VM_RotateVertex3DXYZ(void* source, void* dest, void* position, void* handle,
                                         void* scale, void* angles, int32_t count) noexcept {
    if (!source || !dest || !position || !handle || !scale || !angles) return;
    meshes::rotate_vertices(static_cast<const VM_MeshVertex*>(source),
                            static_cast<VM_MeshVertex*>(dest), three(position), three(handle),
                            three(scale), three(angles), count);
}
KX_API int32_t KX_CALL VM_MeshProjectVertex(int32_t mesh, void* camera, int32_t project) noexcept {
    meshes::project(mesh, static_cast<const KX_Camera*>(camera), project != 0);
    return 1;
}
KX_API int32_t KX_CALL VM_MeshTranslateToVertexCache(int32_t mesh, void* camera) noexcept {
    return meshes::translate_to_cache(mesh, static_cast<const KX_Camera*>(camera));
}
KX_API void KX_CALL VM_MeshInitParticleController(int32_t mesh, int32_t capacity) noexcept {
    meshes::init_particle_controller(mesh, capacity);
}
KX_API int32_t KX_CALL VM_MeshGetParticleBuffer(int32_t mesh) noexcept {
    const VM_Mesh* m = meshes::find(mesh);
    return m ? m->Particles : 0;
}

} // extern "C"
