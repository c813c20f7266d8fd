// Exports of meshes: creation, sizing, vertex and face access.
#include "kx/kx_vm.h"
#include "meshes/meshes.h"

namespace meshes = kx::meshes;

extern "C" {

KX_API int32_t KX_CALL VM_MeshCreate(int32_t vertex_count, int32_t face_count) noexcept {
    return meshes::create(vertex_count, face_count);
}
KX_API int32_t KX_CALL VM_MeshCreatePlain(void) noexcept {
    return meshes::create_plain();
}
KX_API void KX_CALL VM_MeshDelete(int32_t mesh) noexcept {
    meshes::destroy(mesh);
}
KX_API void KX_CALL VM_MeshVertQuantity(int32_t mesh, int32_t count) noexcept {
    meshes::set_vertex_count(mesh, count);
}
KX_API void KX_CALL VM_MeshFaceQuantity(int32_t mesh, int32_t count) noexcept {
    meshes::set_face_count(mesh, count);
}
KX_API int32_t KX_CALL VM_MeshGetVerts(int32_t mesh) noexcept {
    const VM_Mesh* m = meshes::find(mesh);
    return m ? m->VertexCount : 0;
}
KX_API int32_t KX_CALL VM_MeshGetFaces(int32_t mesh) noexcept {
    const VM_Mesh* m = meshes::find(mesh);
    return m ? m->FaceCount : 0;
}
KX_API void* KX_CALL VM_MeshGetVertPtr(int32_t mesh, int32_t buffer) noexcept {
    return meshes::vertex_address(mesh, buffer);
}
KX_API void KX_CALL VM_MeshPokeVert(int32_t mesh, int32_t index, float x, float y, float z,
                                    int32_t mask) noexcept {
    meshes::poke_vertex(mesh, index, x, y, z, mask);
}
KX_API void KX_CALL VM_MeshPokeNormals(int32_t mesh, int32_t index, float nx, float ny, float nz,
                                       int32_t mask) noexcept {
    meshes::poke_normal(mesh, index, nx, ny, nz, mask);
}
KX_API float KX_CALL VM_MeshPeekVert(int32_t mesh, int32_t index, int32_t offset) noexcept {
    return meshes::peek_vertex(mesh, index, offset);
}
KX_API void KX_CALL VM_MeshSetFaceVertCount(int32_t mesh, int32_t face, int32_t count) noexcept {
    meshes::set_corner_count(mesh, face, count);
}
KX_API void KX_CALL VM_MeshPokeFace(int32_t mesh, int32_t face, int32_t corner, int32_t vertex,
                                    float u, float v, int32_t colour, int32_t mask) noexcept {
    meshes::poke_corner(mesh, face, corner, vertex, u, v, colour, mask);
}
KX_API void KX_CALL VM_MeshBackFace(int32_t mesh, int32_t flag) noexcept {
    meshes::set_back_face(mesh, flag);
}
KX_API int32_t KX_CALL VM_MeshGetBackFace(int32_t mesh) noexcept {
    const VM_Mesh* m = meshes::find(mesh);
    return m ? m->BackFace : 0;
}

} // extern "C"
