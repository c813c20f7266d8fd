// Bank contents: typed reads and writes at byte offsets, fills, copies,
// clones and counted references. Offsets are never trusted: an access that
// does not lie wholly inside the bank is refused (reads give 0), fills are
// clipped to the bank.
#pragma once

#include <cstdint>

namespace kx::memory {

template <class T> bool peek(std::int32_t handle, std::int32_t offset, T& out) noexcept;
template <class T> void poke(std::int32_t handle, std::int32_t offset, T value) noexcept;

void poke_bank_ref(std::int32_t handle, std::int32_t offset, std::int32_t referenced) noexcept;
void clear_bank(std::int32_t handle, std::int32_t value) noexcept;
void fill_bank(std::int32_t handle, std::int32_t start, std::int32_t end,
               std::int32_t value) noexcept;
std::int32_t copy_bank_bytes(std::int32_t source, std::int32_t start, std::int32_t end,
                             std::int32_t dest, std::int32_t dest_offset) noexcept;
std::int32_t clone_bank(std::int32_t handle) noexcept;

} // namespace kx::memory
