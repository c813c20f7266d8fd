// In-place quicksorts over arrays in memory: the middle element as pivot,
// Hoare's two scans, equal elements stop both scans (so the sorts are not
// stable). The result is fully determined by that partitioning scheme.
#pragma once

#include <cstdint>

namespace kx::memory {

void sort_ints(std::int32_t* a, std::int32_t first, std::int32_t last) noexcept;
void sort_floats(float* a, std::int32_t first, std::int32_t last) noexcept;
// `a` holds 32-bit addresses of (key, value) integer pairs; the pairs' contents
// are exchanged, the addresses stay in place.
void sort_pairs(std::uint32_t* a, std::int32_t first, std::int32_t last) noexcept;

} // namespace kx::memory
