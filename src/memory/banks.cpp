// The bank table (see banks.h).
#include "memory/banks.h"

#include <algorithm>
#include <cstring>

#include "kxp/heap.h"
#include "memory/slot_list.h"

namespace kx::memory {
namespace {

struct Table {
    Bank* entries = nullptr;
    std::int32_t size = 0;
    slots::List slots = nullptr;
    std::int32_t used = 0;
};
Table g_table;
std::uint32_t g_serial = 0;
struct FoldTable {
    std::uint8_t code[256];
    constexpr FoldTable() : code() {
        for (int c = 0; c < 256; ++c)
            code[c] = static_cast<std::uint8_t>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
    }
};
constexpr FoldTable g_fold;

inline Bank* slot(std::int32_t h) {
    return (h >= 0 && h < g_table.size) ? &g_table.entries[h] : nullptr;
}

} // namespace

bool open(std::int32_t table_size) noexcept {
    close();
    if (table_size < 1) return false;
    slots::List list = slots::create(table_size - 1);
    auto* entries = static_cast<Bank*>(kxp::heap::alloc(std::size_t(table_size) * sizeof(Bank)));
    if (!list || !entries) {
        slots::destroy(list);
        kxp::heap::free(entries);
        return false;
    }
    g_table = Table{entries, table_size, list, 0};
    slots::take(list, slots::free_head(list)); // handle 0 means "no bank"
    return true;
}

void close() noexcept {
    slots::destroy(g_table.slots);
    kxp::heap::free(g_table.entries);
    g_table = Table{};
}

bool is_open() noexcept {
    return g_table.entries != nullptr;
}
std::int32_t table_size() noexcept {
    return g_table.size;
}

std::int32_t alloc(std::uint32_t size, std::int32_t type, std::int32_t structure) noexcept {
    if (!is_open()) return -1;
    std::int32_t h = slots::free_head(g_table.slots);
    if (h < 0) return -1;
    slots::take(g_table.slots, h);
    void* p = kxp::heap::alloc(size);
    if (!p) {
        slots::release(g_table.slots, h);
        return -1;
    }
    g_table.entries[h] = Bank{static_cast<std::int16_t>(type),
                              static_cast<std::int16_t>(structure),
                              0,
                              kxp::addr32(p),
                              size,
                              ++g_serial};
    g_table.used++;
    return h;
}

void resize(std::int32_t handle, std::int32_t new_size) noexcept {
    Bank* b = find(handle);
    if (!b || new_size < 0 || static_cast<std::uint32_t>(new_size) == b->size) return;
    // The heap keeps the first min(old, new) bytes and reads zero past the old
    // size; a shrink leaves old bytes in the 8 beyond the new size, cleared here.
    auto* p = static_cast<unsigned char*>(
        kxp::heap::realloc(kxp::ptr<void>(b->ptr), std::size_t(new_size) + 8));
    if (!p) return;
    if (static_cast<std::uint32_t>(new_size) < b->size) {
        std::size_t clear =
            std::min<std::size_t>(8, b->size - static_cast<std::uint32_t>(new_size));
        std::memset(p + new_size, 0, clear);
    }
    b->ptr = kxp::addr32(p);
    b->size = static_cast<std::uint32_t>(new_size);
}

void free(std::int32_t handle) noexcept {
    Bank* b = find(handle);
    if (!b) return;
    if (--b->refs >= 1) return;
    kxp::heap::free(kxp::ptr<void>(b->ptr));
    slots::release(g_table.slots, handle);
    *b = Bank{};
    g_table.used--;
}

void inc_ref(std::int32_t handle) noexcept {
    if (Bank* b = find(handle)) b->refs++;
}
void dec_ref(std::int32_t handle) noexcept {
    if (Bank* b = find(handle)) b->refs--;
}

void free_all() noexcept {
    for (std::int32_t h = 0; h < g_table.size; ++h)
        free(h);
}

std::int32_t free_from_ptr(const void* address) noexcept {
    std::int32_t matched = 0;
    for (std::int32_t h = 0; h < g_table.size; ++h) {
        if (ptr(h) == address) {
            matched++;
            free(h);
        }
    }
    return matched;
}

std::int32_t used_count() noexcept {
    return g_table.used;
}

bool swap(std::int32_t a, std::int32_t b) noexcept {
    Bank* x = find(a);
    Bank* y = find(b);
    if (!x || !y) return false;
    std::swap(x->ptr, y->ptr);
    std::swap(x->size, y->size);
    std::swap(x->type, y->type);
    std::swap(x->structure, y->structure);
    return true;
}

Bank* entry(std::int32_t handle) noexcept {
    return slot(handle);
}

Bank* find(std::int32_t handle) noexcept {
    Bank* b = slot(handle);
    return (b && b->ptr != 0) ? b : nullptr;
}

void* ptr(std::int32_t handle) noexcept {
    Bank* b = find(handle);
    return b ? kxp::ptr<void>(b->ptr) : nullptr;
}

std::uint32_t size(std::int32_t handle) noexcept {
    Bank* b = find(handle);
    return b ? b->size : 0;
}

bool Owned::alive() const noexcept {
    const Bank* b = find(handle);
    return b && b->serial == serial;
}

void Owned::adopt(std::int32_t h) noexcept {
    const Bank* b = find(h);
    handle = b ? h : 0;
    serial = b ? b->serial : 0;
}

const std::uint8_t* fold_table() noexcept {
    return g_fold.code;
}

} // namespace kx::memory
