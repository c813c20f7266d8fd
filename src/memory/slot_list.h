// The slot list: a block of 32-bit words that hands out and takes back small
// indexes through a free chain and a used chain. The block layout is part of
// the runtime's interface (hosts read it in place):
//   header   word 0 reserved (0), 1 free chain head link, 2 used chain head link,
//            3 size (highest index)
//   item i   at word 4 + 4i: status (0 free, 1 used), element (i), previous
//            link, next link
// A link is the word offset of an item, 4 + 4i; -1 means none.
#pragma once

#include <cstdint>

namespace kx::slots {

using List = std::int32_t*;

List create(std::int32_t size) noexcept;
void destroy(List list) noexcept;
List expand(List list, std::int32_t extra) noexcept; // null and the old list intact on failure

std::int32_t size(const List list) noexcept;
std::int32_t free_head(const List list) noexcept;
std::int32_t used_head(const List list) noexcept;
std::int32_t last_free(const List list) noexcept;
std::int32_t next(const List list, std::int32_t index) noexcept;
std::int32_t previous(const List list, std::int32_t index) noexcept;
std::int32_t element(const List list, std::int32_t index) noexcept;
std::int32_t status(const List list, std::int32_t index) noexcept;

void take(List list, std::int32_t index) noexcept;    // mark used; ignored unless free
void release(List list, std::int32_t index) noexcept; // mark free; ignored unless used

void set_previous(List list, std::int32_t index, std::int32_t other) noexcept;
void set_next(List list, std::int32_t index, std::int32_t other) noexcept;
void set_free_head(List list, std::int32_t index) noexcept;

} // namespace kx::slots
