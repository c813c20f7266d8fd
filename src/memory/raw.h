// Raw memory: zero-filled heap blocks addressed by pointer, and the forward
// copy that the memory exports share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kx::memory {

// Copies n bytes front to back, four at a time and then byte by byte. Each
// four-byte group is read whole before it is written, so a destination that
// overlaps the source above its start receives bytes already copied.
inline void copy_forward(const void* from, void* to, std::size_t n) {
    auto* s = static_cast<const unsigned char*>(from);
    auto* d = static_cast<unsigned char*>(to);
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        std::uint32_t w;
        std::memcpy(&w, s + k, 4);
        std::memcpy(d + k, &w, 4);
    }
    for (; k < n; ++k)
        d[k] = s[k];
}

// The same bytes as copy_forward, at memmove speed wherever the forward copy
// cannot see its own writes (no overlap, or a destination below the source).
inline void copy_bytes(const void* from, void* to, std::size_t n) {
    auto s = reinterpret_cast<std::uintptr_t>(from), d = reinterpret_cast<std::uintptr_t>(to);
    if (d <= s || d >= s + n)
        std::memmove(to, from, n);
    else
        copy_forward(from, to, n);
}

} // namespace kx::memory

namespace kx::memory {

// The string cache: a block of count + 1 entries of four 32-bit words; word 0
// is 1 while the entry holds a 128-byte buffer, whose address is in word 1.
std::uint32_t* create_string_cache(std::int32_t count) noexcept;
// Frees the buffers of entries 0 and 1; the block itself stays (its owner frees it).
void destroy_string_cache(std::uint32_t* cache) noexcept;

// A heap block resized to `size` bytes: null and the block as it was for a
// negative size, null and the block freed for 0.
void* resize_block(void* block, std::int32_t size) noexcept;
void cache_alloc_string(std::uint32_t* cache, std::int32_t index) noexcept;
void cache_free_string(std::uint32_t* cache, std::int32_t index) noexcept;

} // namespace kx::memory
