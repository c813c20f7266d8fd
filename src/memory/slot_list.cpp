// The slot list (see slot_list.h).
#include "memory/slot_list.h"

#include <cstring>

#include "kxp/heap.h"

namespace kx::slots {
namespace {

constexpr std::int32_t kNone = -1;
enum Header { kReserved = 0, kFreeHead = 1, kUsedHead = 2, kSize = 3 };
enum Item { kStatus = 0, kElement = 1, kPrev = 2, kNext = 3 };

inline std::int32_t link_of(std::int32_t index) {
    return index < 0 ? kNone : 4 * index + 4;
}
inline std::int32_t index_of(std::int32_t link) {
    return link < 0 ? kNone : (link - 4) / 4;
}
inline bool in_range(const List l, std::int32_t index) {
    return l != nullptr && index >= 0 && index <= l[kSize];
}
inline std::int32_t* item(List l, std::int32_t index) {
    return l + 4 + 4 * index;
}

std::size_t words_for(std::int64_t size) {
    return static_cast<std::size_t>(4 + 4 * (size + 1));
}

// Items first..last: free, element i, chained in ascending order.
void init_items(List l, std::int32_t first, std::int32_t last) {
    for (std::int32_t i = first; i <= last; ++i) {
        std::int32_t* it = item(l, i);
        it[kStatus] = 0;
        it[kElement] = i;
        it[kPrev] = i == first ? kNone : link_of(i - 1);
        it[kNext] = i == last ? kNone : link_of(i + 1);
    }
}

// Removes an item from the chain whose head word is `head`.
void unlink(List l, std::int32_t index, Header head) {
    std::int32_t* it = item(l, index);
    std::int32_t prev = it[kPrev], next = it[kNext];
    if (next != kNone) l[next + kPrev] = prev;
    if (prev != kNone) l[prev + kNext] = next;
    if (l[head] == link_of(index)) l[head] = next;
}

void push_front(List l, std::int32_t index, Header head) {
    std::int32_t* it = item(l, index);
    std::int32_t old = l[head];
    if (old != kNone) l[old + kPrev] = link_of(index);
    it[kNext] = old;
    it[kPrev] = kNone;
    l[head] = link_of(index);
}

} // namespace

List create(std::int32_t size) noexcept {
    if (size < 0) return nullptr;
    auto* l = static_cast<List>(kxp::heap::alloc(words_for(size) * 4));
    if (!l) return nullptr;
    l[kReserved] = 0;
    l[kSize] = size;
    init_items(l, 0, size);
    l[kFreeHead] = link_of(0);
    l[kUsedHead] = kNone;
    return l;
}

void destroy(List list) noexcept {
    kxp::heap::free(list);
}

List expand(List list, std::int32_t extra) noexcept {
    if (!list) return nullptr;
    if (extra < 1) return list;
    std::int32_t old_size = list[kSize];
    std::int64_t new_size = std::int64_t(old_size) + extra;
    if (new_size > 0x1FFFFFFE) return nullptr;
    auto* l = static_cast<List>(kxp::heap::alloc(words_for(new_size) * 4));
    if (!l) return nullptr;
    std::memcpy(l, list, words_for(old_size) * 4);
    std::int32_t first = old_size + 1, last = static_cast<std::int32_t>(new_size);
    init_items(l, first, last);
    l[kSize] = last;
    std::int32_t tail = last_free(list);
    if (tail == kNone) {
        l[kFreeHead] = link_of(first);
    } else {
        item(l, tail)[kNext] = link_of(first);
        item(l, first)[kPrev] = link_of(tail);
    }
    kxp::heap::free(list);
    return l;
}

std::int32_t size(const List list) noexcept {
    return list ? list[kSize] : -1;
}
std::int32_t free_head(const List list) noexcept {
    return list ? index_of(list[kFreeHead]) : kNone;
}
std::int32_t used_head(const List list) noexcept {
    return list ? index_of(list[kUsedHead]) : kNone;
}

std::int32_t last_free(const List list) noexcept {
    if (!list) return kNone;
    std::int32_t link = list[kFreeHead], last = kNone;
    // Bounded by the item count, so a damaged chain cannot loop forever.
    for (std::int64_t steps = 0; link != kNone && steps <= std::int64_t(list[kSize]); ++steps) {
        last = link;
        link = list[link + kNext];
    }
    return index_of(last);
}

std::int32_t next(const List list, std::int32_t index) noexcept {
    return in_range(list, index) ? index_of(item(list, index)[kNext]) : kNone;
}
std::int32_t previous(const List list, std::int32_t index) noexcept {
    return in_range(list, index) ? index_of(item(list, index)[kPrev]) : kNone;
}
std::int32_t element(const List list, std::int32_t index) noexcept {
    return in_range(list, index) ? item(list, index)[kElement] : kNone;
}
std::int32_t status(const List list, std::int32_t index) noexcept {
    return in_range(list, index) && item(list, index)[kStatus] == 1 ? 1 : 0;
}

void take(List list, std::int32_t index) noexcept {
    if (!in_range(list, index) || item(list, index)[kStatus] != 0) return;
    item(list, index)[kStatus] = 1;
    unlink(list, index, kFreeHead);
    push_front(list, index, kUsedHead);
}

void release(List list, std::int32_t index) noexcept {
    if (!in_range(list, index) || item(list, index)[kStatus] != 1) return;
    item(list, index)[kStatus] = 0;
    unlink(list, index, kUsedHead);
    push_front(list, index, kFreeHead);
}

void set_previous(List list, std::int32_t index, std::int32_t other) noexcept {
    if (in_range(list, index) && (other == kNone || in_range(list, other)))
        item(list, index)[kPrev] = link_of(other);
}
void set_next(List list, std::int32_t index, std::int32_t other) noexcept {
    if (in_range(list, index) && (other == kNone || in_range(list, other)))
        item(list, index)[kNext] = link_of(other);
}
void set_free_head(List list, std::int32_t index) noexcept {
    if (list && (index == kNone || in_range(list, index))) list[kFreeHead] = link_of(index);
}

} // namespace kx::slots
