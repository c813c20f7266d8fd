// The low-memory heap: every block that the runtime hands out or stores in a
// record comes from here, so that its address fits in 32 bits on every build.
//
// On 64-bit builds one region of address space below 4 GiB is reserved on
// first use and served by a mimalloc heap bound to it as an exclusive arena;
// each thread that allocates gets its own heap in that arena. On 32-bit builds
// the functions forward to the C heap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kxp/api.h"

namespace kxp::heap {

// A zero-filled block of at least n bytes (n may be 0), or null when the
// region is exhausted.
KXP_API void* alloc(std::size_t n);

// Releases a block from alloc/realloc; null is ignored.
KXP_API void free(void* p);

// Bytes of the block that may be used: at least what was asked for. Under the
// address sanitizer it is exactly what was asked for, as the rest is a red zone.
KXP_API std::size_t usable_size(const void* p);

// Resizes a block, keeping the first min(old, n) bytes; bytes beyond the old
// size read as zero. realloc(nullptr, n) is alloc(n); realloc(p, 0) keeps a
// valid empty block. On failure the result is null and p is untouched.
KXP_API void* realloc(void* p, std::size_t n);

// Whether p points into the reserved region (always true on 32-bit builds for
// any block of this heap).
KXP_API bool contains(const void* p);

struct Region {
    std::uintptr_t base = 0;   // first byte of the reserved region (0 on 32-bit builds)
    std::size_t size = 0;      // bytes reserved
    std::size_t preferred = 0; // bytes the heap asked for first
    bool reduced = false;      // the preferred reservation failed and a smaller one is used
    bool available = false;    // a region is reserved and bound to the allocator
};

// The region the heap serves from (reserving it if that has not happened yet).
KXP_API Region region();

} // namespace kxp::heap

namespace kxp {

// 32-bit addresses of heap blocks, as records store them.
inline std::uint32_t addr32(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}
template <class T> inline T* ptr(std::uint32_t a) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(a));
}

} // namespace kxp
