// Sprites: a sprite is a bank of type 10 holding a KX_Sprite record (47 words
// of fields in a 220-byte bank); the bank handle is the sprite handle. Each
// sprite owns a mesh (a plain quad spanning its image by default, many quads
// when it drives particles) and optionally a local data bank.
//
// A sprite handle is accepted when it names a bank large enough for the
// record; the bank type is not checked. Calls with other handles do nothing
// and getters give 0.
#pragma once

#include <cmath>
#include <cstdint>

#include "kx/kx_records.h"

namespace kx::sprites {

KX_Sprite* find(std::int32_t sprite) noexcept;

std::int32_t create() noexcept;             // 0 when the banks cannot be had
void destroy(std::int32_t sprite) noexcept; // the mesh and local bank go with it
void set_image(std::int32_t sprite, std::int32_t image) noexcept;
std::int32_t size(std::int32_t sprite, std::int32_t axis) noexcept;
void center_handle(std::int32_t sprite) noexcept;

// The field of an axis argument: z for bit 2, else y for bit 1, else x for bit 0; null for none.
const float* axis_of(const float (&v)[3], std::int32_t axis) noexcept;
// Writes x, y, z of v per the mask bits 0, 1, 2.
void write_masked(float (&v)[3], float x, float y, float z, std::int32_t mask) noexcept;

// A word of a block addressed by a byte offset (0, 4, ... 4 x (words - 1));
// null for other offsets.
std::int32_t* block_word(std::int32_t* block, std::int32_t words, std::int32_t offset) noexcept;

// Local data.
std::int32_t local_create(std::int32_t sprite, std::int32_t size) noexcept;
void local_delete(std::int32_t sprite) noexcept;
std::int32_t local_copy(std::int32_t source, std::int32_t dest) noexcept;

// Drawing and collision (draw.cpp).
void draw(std::int32_t sprite, const KX_Camera* camera) noexcept;
std::int32_t overlap(std::int32_t a, std::int32_t b) noexcept;
std::int32_t collide(std::int32_t a, std::int32_t b, std::int32_t mask) noexcept;
// The 2D transform of a sprite's first n model vertices into its transformed
// vertices; with `bounds`, the bounding rectangle is written too. `mesh` is
// the record of the sprite's mesh (nothing without one).
void transform_2d(KX_Sprite& s, const VM_Mesh* mesh, std::int32_t n, bool bounds) noexcept;

// A float as an integer truncated toward zero, pinned to the 32-bit range
// (not-a-number gives 0).
inline std::int32_t trunc_int(double v) noexcept {
    if (std::isnan(v)) return 0;
    if (v <= -2147483648.0) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<std::int32_t>(v);
}

} // namespace kx::sprites
