// Moving and projecting mesh vertices: the 3D vertex transform, the
// projection of a mesh's transformed vertices through an optional camera into
// the projected-vertex array, and the translation of its faces into the
// triangle cache that the sprite renderer draws. Both arrays are process-wide
// and fixed in size, so projecting and drawing allocate nothing.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"

namespace kx::meshes {

// Degrees to radians: pi taken as 3.1415926535, over 180, in double precision.
inline constexpr double kDegrees = 0.017453292519444445;

struct ProjectedVertex {
    float x, y;   // screen position
    float ux, uy; // the unprojected x and y (written only without projection)
    float depth;
    float nx, ny, nz;
};
struct CacheVertex {
    float x, y, depth;
    std::int32_t reserved3;
    std::uint32_t colour;
    std::int32_t reserved5;
    float u, v;
};
static_assert(sizeof(ProjectedVertex) == 32 && sizeof(CacheVertex) == 32);

inline constexpr std::int32_t kProjectedVertices = 100000;
inline constexpr std::int32_t kCacheVertices = 300000; // 100,000 triangles

// The rotation of 3D rotation mode: each of `count` vertices of `from` moved
// by the handle, scaled, rotated about z, then y, then x, and offset by the
// position into `to` (x, y, z only; normals untouched). `from` and `to` may be
// the same vertices.
void rotate_vertices(const VM_MeshVertex* from, VM_MeshVertex* to, const float (&position)[3],
                     const float (&handle)[3], const float (&scale)[3], const float (&angles)[3],
                     std::int32_t count) noexcept;

// Projects the mesh's transformed vertices (at most kProjectedVertices) into
// the projected array; nothing for a mesh that is not accepted or has no
// faces. A null camera projects nothing (screen position = position).
void project(std::int32_t mesh, const KX_Camera* camera, bool projecting) noexcept;
void project(const VM_Mesh& mesh, const KX_Camera* camera, bool projecting) noexcept;

// Projects the mesh and writes its faces that survive culling into the
// triangle cache; the number of cache vertices written.
std::int32_t translate_to_cache(std::int32_t mesh, const KX_Camera* camera) noexcept;
// The same for a mesh record already found, culled against `viewport`, the
// current surface's (null when there is none: the mesh is projected and
// nothing is written).
std::int32_t translate_to_cache(const VM_Mesh& mesh, const KX_Camera* camera,
                                const KX_Viewport* viewport) noexcept;

const ProjectedVertex* projected() noexcept;
const CacheVertex* cache() noexcept;

} // namespace kx::meshes
