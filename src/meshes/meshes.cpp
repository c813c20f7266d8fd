// Meshes (see meshes.h).
#include "meshes/meshes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "kxp/heap.h"
#include "memory/banks.h"
#include "meshes/particle_controller.h"

namespace kx::meshes {
namespace {

namespace mem = kx::memory;

// Bytes of `count` items of `item` bytes plus `extra`, or -1 when that is more
// than a bank's size can express.
std::int64_t bytes(std::int64_t count, std::int64_t item, std::int64_t extra) {
    const std::int64_t n = count * item + extra;
    return n <= std::numeric_limits<std::int32_t>::max() ? n : -1;
}
std::int64_t vertex_bank_bytes(std::int64_t count) {
    return bytes(count, kVertexBytes, 1); // the last byte belongs to no vertex
}
std::int64_t face_bank_bytes(std::int64_t count) {
    return bytes(count + 1, kFaceBytes, 0); // one spare record at the end
}

// Resizes the existing banks among `handles` to `size` bytes. When one of
// them cannot be resized, the others go back to their old sizes and the
// result is false.
template <std::size_t N> bool resize_all(const std::int32_t (&handles)[N], std::int64_t size) {
    std::int64_t old[N];
    bool ok = true;
    for (std::size_t k = 0; k < N; ++k) {
        old[k] = mem::exists(handles[k]) ? mem::size(handles[k]) : -1;
        if (old[k] < 0) continue;
        mem::resize(handles[k], std::int32_t(size));
        ok = ok && mem::size(handles[k]) == size;
    }
    if (!ok) {
        for (std::size_t k = 0; k < N; ++k)
            if (old[k] >= 0) mem::resize(handles[k], std::int32_t(old[k]));
    }
    return ok;
}

VM_MeshFace* face_at(std::int32_t mesh, std::int32_t face) {
    const VM_Mesh* m = find(mesh);
    if (!m || face < 0) return nullptr;
    const std::span<VM_MeshFace> all = faces(*m);
    return std::size_t(face) < all.size() ? &all[std::size_t(face)] : nullptr;
}

VM_MeshVertex* model_vertex_at(std::int32_t mesh, std::int32_t index) {
    const VM_Mesh* m = find(mesh);
    if (!m || index < 0) return nullptr;
    const std::span<VM_MeshVertex> all = vertices(*m, 0);
    return std::size_t(index) < all.size() ? &all[std::size_t(index)] : nullptr;
}

void write_masked(float& to_x, float& to_y, float& to_z, float x, float y, float z,
                  std::int32_t mask) {
    if (mask & 1) to_x = x;
    if (mask & 2) to_y = y;
    if (mask & 4) to_z = z;
}

} // namespace

VM_Mesh* find(std::int32_t mesh) noexcept {
    const mem::Bank* b = mem::find(mesh);
    return (b && b->size >= sizeof(VM_Mesh)) ? kxp::ptr<VM_Mesh>(b->ptr) : nullptr;
}

std::int32_t create(std::int32_t vertex_count, std::int32_t face_count) noexcept {
    if (vertex_count < 0 || face_count < 0) return 0;
    const std::int64_t vertex_bytes = vertex_bank_bytes(vertex_count);
    const std::int64_t face_bytes = face_bank_bytes(face_count);
    if (vertex_bytes < 0 || face_bytes < 0) return 0;

    const std::int32_t mesh = mem::alloc(sizeof(VM_Mesh), mem::kMesh, 0);
    if (mesh < 1) return 0;
    const std::int32_t model = mem::alloc(std::uint32_t(vertex_bytes), mem::kRaw);
    const std::int32_t transformed = mem::alloc(std::uint32_t(vertex_bytes), mem::kRaw);
    const std::int32_t face_bank = mem::alloc(std::uint32_t(face_bytes), mem::kRaw);
    if (model < 1 || transformed < 1 || face_bank < 1) {
        for (std::int32_t h : {face_bank, transformed, model, mesh})
            if (h > 0) mem::free(h);
        return 0;
    }
    VM_Mesh* m = find(mesh);
    m->Status = 1;
    m->VertexCount = vertex_count;
    m->Vertices = model;
    m->Transformed = transformed;
    m->FaceCount = face_count;
    m->Faces = face_bank;
    m->BackFace = 0;
    m->Particles = 0;
    return mesh;
}

std::int32_t create_plain() noexcept {
    const std::int32_t mesh = create(4, 1);
    if (mesh < 1) return 0;
    set_corner_count(mesh, 0, 4);
    constexpr float kU[kCorners] = {0.0f, 1.0f, 1.0f, 0.0f};
    constexpr float kV[kCorners] = {0.0f, 0.0f, 1.0f, 1.0f};
    for (std::int32_t c = 0; c < kCorners; ++c)
        poke_corner(mesh, 0, c, c, kU[c], kV[c], 0xFFFFFF, 15);
    return mesh;
}

void destroy(std::int32_t mesh) noexcept {
    VM_Mesh* m = find(mesh);
    if (!m) return;
    // The handles are taken out of the record before anything is freed: a
    // record that outlives this call (its reference count was above 1) is
    // left dead and owning nothing.
    m->Status = 0;
    const std::int32_t particles = m->Particles;
    const std::int32_t owned[] = {m->Vertices, m->Transformed, m->Faces};
    m->VertexCount = m->FaceCount = 0;
    m->Vertices = m->Transformed = m->Faces = m->Particles = 0;

    delete_particle_controller(particles);
    for (std::int32_t h : owned)
        if (h != 0) mem::free(h);
    mem::free(mesh);
}

void set_vertex_count(std::int32_t mesh, std::int32_t count) noexcept {
    const VM_Mesh* m = find(mesh);
    if (!m || m->Status != 1 || count < 4) return;
    const std::int64_t size = vertex_bank_bytes(count);
    if (size < 0) return;
    if (!resize_all({m->Vertices, m->Transformed}, size)) return;
    // Found again: the record itself moves if the host made it one of its own banks.
    if (VM_Mesh* again = find(mesh)) again->VertexCount = count;
}

void set_face_count(std::int32_t mesh, std::int32_t count) noexcept {
    const VM_Mesh* m = find(mesh);
    if (!m || m->Status != 1 || count < 1) return;
    const std::int64_t size = face_bank_bytes(count);
    if (size < 0) return;
    if (!resize_all({m->Faces}, size)) return;
    if (VM_Mesh* again = find(mesh)) again->FaceCount = count;
}

std::span<VM_MeshVertex> vertices(const VM_Mesh& mesh, std::int32_t buffer) noexcept {
    const std::int32_t handle = buffer == 0 ? mesh.Vertices : buffer == 1 ? mesh.Transformed : 0;
    const mem::Bank* b = mem::find(handle);
    if (!b || mesh.VertexCount <= 0) return {};
    const std::size_t n =
        std::min<std::size_t>(std::size_t(mesh.VertexCount), b->size / kVertexBytes);
    return {kxp::ptr<VM_MeshVertex>(b->ptr), n};
}

std::span<VM_MeshFace> faces(const VM_Mesh& mesh) noexcept {
    const mem::Bank* b = mem::find(mesh.Faces);
    if (!b || mesh.FaceCount <= 0) return {};
    const std::size_t n = std::min<std::size_t>(std::size_t(mesh.FaceCount), b->size / kFaceBytes);
    return {kxp::ptr<VM_MeshFace>(b->ptr), n};
}

void prefetch(const VM_Mesh& mesh) noexcept {
    for (const std::int32_t handle : {mesh.Vertices, mesh.Transformed, mesh.Faces}) {
        if (const mem::Bank* b = mem::find(handle)) {
            const char* p = kxp::ptr<const char>(b->ptr);
            __builtin_prefetch(p);
            __builtin_prefetch(p + 64); // a prefetch never faults, even past a bank's end
        }
    }
}

void poke_vertex(std::int32_t mesh, std::int32_t index, float x, float y, float z,
                 std::int32_t mask) noexcept {
    if (VM_MeshVertex* v = model_vertex_at(mesh, index))
        write_masked(v->X, v->Y, v->Z, x, y, z, mask);
}

void poke_normal(std::int32_t mesh, std::int32_t index, float x, float y, float z,
                 std::int32_t mask) noexcept {
    if (VM_MeshVertex* v = model_vertex_at(mesh, index))
        write_masked(v->NormalX, v->NormalY, v->NormalZ, x, y, z, mask);
}

float peek_vertex(std::int32_t mesh, std::int32_t index, std::int32_t offset) noexcept {
    const VM_MeshVertex* v = model_vertex_at(mesh, index);
    if (!v || offset < 0 || offset > kVertexBytes - std::int32_t(sizeof(float))) return 0.0f;
    float value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(v) + offset, sizeof value);
    return value;
}

void set_corner_count(std::int32_t mesh, std::int32_t face, std::int32_t count) noexcept {
    if (VM_MeshFace* f = face_at(mesh, face)) f->CornerCount = count;
}

void poke_corner(std::int32_t mesh, std::int32_t face, std::int32_t corner, std::int32_t vertex,
                 float u, float v, std::int32_t colour, std::int32_t mask) noexcept {
    if (corner < 0 || corner >= kCorners) return;
    VM_MeshFace* f = face_at(mesh, face);
    if (!f) return;
    VM_MeshCorner& c = f->Corner[corner];
    if (mask & 1) c.Vertex = vertex;
    if (mask & 2) c.U = u;
    if (mask & 4) c.V = v;
    if (mask & 8) c.Colour = std::uint32_t(colour);
}

void* vertex_address(std::int32_t mesh, std::int32_t buffer) noexcept {
    const VM_Mesh* m = find(mesh);
    if (!m) return nullptr;
    if (buffer == 0) return memory::ptr(m->Vertices);
    if (buffer == 1) return memory::ptr(m->Transformed);
    return nullptr;
}

void set_back_face(std::int32_t mesh, std::int32_t flag) noexcept {
    if (VM_Mesh* m = find(mesh)) m->BackFace = flag & 1;
}

} // namespace kx::meshes
