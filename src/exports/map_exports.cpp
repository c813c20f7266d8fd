// Exports of tile maps and their levels.
#include "kx/kx_vm.h"
#include "maps/maps.h"

namespace maps = kx::maps;

extern "C" {

// The first argument is accepted and ignored.
KX_API int32_t KX_CALL KX_MapCreate(int32_t, int32_t highest_level) noexcept {
    return maps::create(highest_level);
}
// Only reports whether the map still exists; the host releases it with VM_Free.
KX_API int32_t KX_CALL KX_MapDelete(int32_t map) noexcept {
    return maps::exists(map) ? 1 : 0;
}
KX_API int32_t KX_CALL KX_MapGetLevels(int32_t map) noexcept {
    return maps::highest_level(map);
}
KX_API int32_t KX_CALL KX_MapCreateLevel(int32_t map, int32_t level, int32_t width, int32_t height,
                                         int32_t delete_only) noexcept {
    maps::create_level(map, level, width, height, delete_only != 0);
    return 0;
}
KX_API int32_t KX_CALL KX_MapDeleteLevel(int32_t map, int32_t level) noexcept {
    maps::delete_level(map, level);
    return 0;
}
KX_API void* KX_CALL KX_MapGetLevelPtr(int32_t map, int32_t level) noexcept {
    return maps::level_address(map, level);
}
KX_API int32_t KX_CALL KX_MapGetLevelWidth(int32_t map, int32_t level) noexcept {
    const KX_MapLevel* l = maps::level(map, level);
    return l ? l->Width : 0;
}
KX_API int32_t KX_CALL KX_MapGetLevelHeight(int32_t map, int32_t level) noexcept {
    const KX_MapLevel* l = maps::level(map, level);
    return l ? l->Height : 0;
}

} // extern "C"
