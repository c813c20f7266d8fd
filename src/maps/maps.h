// Tile maps: a map record (bank type 13) names a level table, a raw bank of
// L + 1 level handles (slots 0 to L, 0 = empty); each level record (bank type
// 14) names its cell grid, a raw bank of (width + 1) x (height + 1) 32-bit
// cells. The runtime keeps only this structure; what cells mean is the host's.
//
// Handles are not type-checked, as the exports document; a bank that is read
// as a map or level record must be large enough to hold one, and a level slot
// must lie inside the level table's bank, otherwise the call is refused.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"

namespace kx::maps {

// A new map with empty slots 0 to `highest_level`. Returns its handle, or a
// value below 1: the failing allocation's result (-1) when the record or the
// level table cannot be had (nothing is left allocated), 0 when
// `highest_level` is negative.
std::int32_t create(std::int32_t highest_level) noexcept;

// Whether `map` lies in 1 to table size - 1 and names a bank. Releases nothing.
bool exists(std::int32_t map) noexcept;

// L of the map; 0 when `map` does not name a bank large enough for a map record.
std::int32_t highest_level(std::int32_t map) noexcept;

// Empties the slot (deleting its level, if any) and, unless `delete_only`,
// puts a new level of the given size there. A level whose record or grid
// cannot be allocated, or whose size is negative or too large, is not made.
void create_level(std::int32_t map, std::int32_t level, std::int32_t width, std::int32_t height,
                  bool delete_only) noexcept;

// Frees the level's cell grid and record (each VM_Free honours reference
// counts) and empties the slot. A slot whose handle no longer names a bank
// large enough for a level record is only emptied.
void delete_level(std::int32_t map, std::int32_t level) noexcept;

// The level record's address: null for an unresolved or empty slot, or a
// level handle that names no bank.
void* level_address(std::int32_t map, std::int32_t level) noexcept;

// The level record of a resolved slot, or null.
const KX_MapLevel* level(std::int32_t map, std::int32_t level) noexcept;

} // namespace kx::maps
