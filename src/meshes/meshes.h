// Meshes: a mesh record (bank type 12) names a model vertex bank (buffer 0)
// and a transformed vertex bank (buffer 1) of 24 x n + 1 bytes each, a face
// bank of n + 1 face records of 84 bytes, and optionally a particle
// controller. All of them are banks; the record's handle is the mesh handle.
//
// A mesh handle is accepted when it names a bank (0 <= handle < table size,
// memory present) large enough for a mesh record; its type is not checked.
// Vertex and face indexes are bounded by the counts in the record and also by
// what the banks actually hold, so a record edited in place by the host never
// leads outside a bank.
#pragma once

#include <cstdint>
#include <span>

#include "kx/kx_records.h"

namespace kx::meshes {

inline constexpr std::int32_t kVertexBytes = sizeof(VM_MeshVertex);
inline constexpr std::int32_t kFaceBytes = sizeof(VM_MeshFace);
inline constexpr std::int32_t kCorners = 4;

// The record of an accepted mesh handle, or null.
VM_Mesh* find(std::int32_t mesh) noexcept;

// A new mesh with `vertices` vertices at the origin and `faces` faces with no
// corners; 0 when a count is negative or too large or a bank cannot be had
// (nothing is left allocated).
std::int32_t create(std::int32_t vertices, std::int32_t faces) noexcept;
// One face of four corners on vertices 0 to 3, texture (0,0) (1,0) (1,1) (0,1),
// colour 0xFFFFFF; 0 when it cannot be made.
std::int32_t create_plain() noexcept;
// Marks the mesh dead, then frees its particle controller, vertex banks, face
// bank and record.
void destroy(std::int32_t mesh) noexcept;
// The memory of vertex buffer 0 (model) or 1 (transformed); null otherwise.
void* vertex_address(std::int32_t mesh, std::int32_t buffer) noexcept;
void set_back_face(std::int32_t mesh, std::int32_t flag) noexcept; // keeps bit 0

// Resizing requires Status 1; vertex counts below 4 and face counts below 1
// are refused. Contents are kept as far as they fit; growth reads as zero.
void set_vertex_count(std::int32_t mesh, std::int32_t count) noexcept;
void set_face_count(std::int32_t mesh, std::int32_t count) noexcept;

// The usable vertices of buffer 0 (model) or 1 (transformed), and the usable
// faces: at most the record's count, at most what the bank holds.
std::span<VM_MeshVertex> vertices(const VM_Mesh& mesh, std::int32_t buffer) noexcept;
std::span<VM_MeshFace> faces(const VM_Mesh& mesh) noexcept;

// Starts loading the first lines of the mesh's vertex and face banks into the
// processor's cache, ahead of a transform and projection that read them one
// after the other (each a cache miss when many sprites are drawn). Changes
// nothing.
void prefetch(const VM_Mesh& mesh) noexcept;

// Model vertex writers: mask bit 0 writes x (or the normal's x), 1 y, 2 z.
void poke_vertex(std::int32_t mesh, std::int32_t index, float x, float y, float z,
                 std::int32_t mask) noexcept;
void poke_normal(std::int32_t mesh, std::int32_t index, float x, float y, float z,
                 std::int32_t mask) noexcept;
// The float at byte offset 0 to 20 of a model vertex; 0.0 when refused.
float peek_vertex(std::int32_t mesh, std::int32_t index, std::int32_t offset) noexcept;

void set_corner_count(std::int32_t mesh, std::int32_t face, std::int32_t count) noexcept;
// Corner 0 to 3 of a face: mask bit 0 writes the vertex index, 1 u, 2 v, 3 the colour.
void poke_corner(std::int32_t mesh, std::int32_t face, std::int32_t corner, std::int32_t vertex,
                 float u, float v, std::int32_t colour, std::int32_t mask) noexcept;

} // namespace kx::meshes
