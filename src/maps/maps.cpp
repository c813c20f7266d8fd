// Tile maps and their levels (see maps.h).
#include "maps/maps.h"

#include <cstdint>
#include <limits>

#include "kxp/heap.h"
#include "memory/banks.h"

namespace kx::maps {
namespace {

namespace mem = kx::memory;

constexpr std::uint32_t kMapBytes = sizeof(KX_Map);
constexpr std::uint32_t kLevelBytes = sizeof(KX_MapLevel);

// A bank read as a record must hold the whole record.
template <class T> T* record(std::int32_t handle) {
    const mem::Bank* b = mem::find(handle);
    return (b && b->size >= sizeof(T)) ? kxp::ptr<T>(b->ptr) : nullptr;
}

// The level table slot `level` of `map`, or null: the map must name a bank,
// the index lie in 0 to L, the table handle name a bank that holds the slot.
std::int32_t* resolve(std::int32_t map, std::int32_t level) {
    const KX_Map* m = record<KX_Map>(map);
    if (!m || level < 0 || level > m->HighestLevel) return nullptr;
    const mem::Bank* table = mem::find(m->LevelTable);
    if (!table || (std::uint64_t(level) + 1) * 4 > table->size) return nullptr;
    return kxp::ptr<std::int32_t>(table->ptr) + level;
}

// Bytes of `count` items of `item` bytes, or -1 when that is more than a
// bank's size can express.
std::int64_t bytes(std::int64_t count, std::int64_t item) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return count <= kMax / item ? count * item : -1;
}

} // namespace

std::int32_t create(std::int32_t highest_level) noexcept {
    if (highest_level < 0) return 0;
    const std::int64_t table_bytes = bytes(std::int64_t(highest_level) + 1, 4);
    if (table_bytes < 0) return -1; // as large a table as that can never be had
    const std::int32_t map = mem::alloc(kMapBytes, mem::kMap);
    if (map < 1) return map;
    const std::int32_t table = mem::alloc(std::uint32_t(table_bytes), mem::kRaw);
    if (table < 1) {
        mem::free(map);
        return table;
    }
    auto* m = mem::as<KX_Map>(map);
    m->HighestLevel = highest_level;
    m->LevelTable = table;
    return map;
}

bool exists(std::int32_t map) noexcept {
    return map >= 1 && mem::exists(map);
}

std::int32_t highest_level(std::int32_t map) noexcept {
    const KX_Map* m = record<KX_Map>(map);
    return m ? m->HighestLevel : 0;
}

void delete_level(std::int32_t map, std::int32_t level) noexcept {
    std::int32_t* slot = resolve(map, level);
    if (!slot || *slot == 0) return;
    const std::int32_t handle = *slot;
    // The slot is emptied first: freeing may release memory that a foreign
    // handle in the slot shares with the table itself.
    *slot = 0;
    const KX_MapLevel* l = record<KX_MapLevel>(handle);
    if (!l) return; // no longer a level: only the slot is cleared
    const std::int32_t cells = l->Cells;
    if (cells != 0) mem::free(cells);
    mem::free(handle);
}

void create_level(std::int32_t map, std::int32_t level, std::int32_t width, std::int32_t height,
                  bool delete_only) noexcept {
    std::int32_t* slot = resolve(map, level);
    if (!slot) return;
    if (*slot != 0) delete_level(map, level);
    if (delete_only || width < 0 || height < 0) return;
    const std::int64_t grid_bytes =
        bytes((std::int64_t(width) + 1) * (std::int64_t(height) + 1), 4);
    if (grid_bytes < 0) return;
    const std::int32_t record_handle = mem::alloc(kLevelBytes, mem::kMapLevel);
    if (record_handle < 1) return;
    const std::int32_t grid = mem::alloc(std::uint32_t(grid_bytes), mem::kRaw);
    // Deleting the old level may have released memory the slot lay in, so
    // the slot is resolved again before the new level goes in.
    slot = resolve(map, level);
    if (grid < 1 || !slot) {
        mem::free(grid);
        mem::free(record_handle);
        return;
    }
    auto* l = mem::as<KX_MapLevel>(record_handle);
    l->InUse = 1;
    l->Reserved1 = 0;
    l->Width = width;
    l->Height = height;
    l->Cells = grid;
    *slot = record_handle;
}

void* level_address(std::int32_t map, std::int32_t level) noexcept {
    const std::int32_t* slot = resolve(map, level);
    if (!slot || *slot < 1) return nullptr;
    return mem::ptr(*slot); // null when the handle names no bank
}

const KX_MapLevel* level(std::int32_t map, std::int32_t level) noexcept {
    const std::int32_t* slot = resolve(map, level);
    return (slot && *slot != 0) ? record<KX_MapLevel>(*slot) : nullptr;
}

} // namespace kx::maps
