// Bank contents (see contents.h).
#include "memory/contents.h"

#include <algorithm>
#include <cstring>

#include "kxp/heap.h"
#include "memory/banks.h"
#include "memory/raw.h"

namespace kx::memory {
namespace {

// Address of `width` bytes at `offset` inside a bank, or null.
unsigned char* at(std::int32_t handle, std::int32_t offset, std::uint32_t width) {
    Bank* b = find(handle);
    if (!b || offset < 0 || std::uint64_t(offset) + width > b->size) return nullptr;
    return kxp::ptr<unsigned char>(b->ptr) + offset;
}

} // namespace

template <class T> bool peek(std::int32_t handle, std::int32_t offset, T& out) noexcept {
    unsigned char* p = at(handle, offset, sizeof(T));
    if (!p) return false;
    std::memcpy(&out, p, sizeof(T));
    return true;
}

template <class T> void poke(std::int32_t handle, std::int32_t offset, T value) noexcept {
    if (unsigned char* p = at(handle, offset, sizeof(T))) std::memcpy(p, &value, sizeof(T));
}

template bool peek<std::uint8_t>(std::int32_t, std::int32_t, std::uint8_t&) noexcept;
template bool peek<std::uint16_t>(std::int32_t, std::int32_t, std::uint16_t&) noexcept;
template bool peek<std::int32_t>(std::int32_t, std::int32_t, std::int32_t&) noexcept;
template bool peek<float>(std::int32_t, std::int32_t, float&) noexcept;
template void poke<std::uint8_t>(std::int32_t, std::int32_t, std::uint8_t) noexcept;
template void poke<std::uint16_t>(std::int32_t, std::int32_t, std::uint16_t) noexcept;
template void poke<std::int32_t>(std::int32_t, std::int32_t, std::int32_t) noexcept;
template void poke<float>(std::int32_t, std::int32_t, float) noexcept;

void poke_bank_ref(std::int32_t handle, std::int32_t offset, std::int32_t referenced) noexcept {
    unsigned char* p = at(handle, offset, 4);
    if (!p) return;
    std::int32_t stored = exists(referenced) ? referenced : 0;
    std::memcpy(p, &stored, 4);
    if (stored) inc_ref(stored);
}

void clear_bank(std::int32_t handle, std::int32_t value) noexcept {
    if (Bank* b = find(handle)) std::memset(kxp::ptr<void>(b->ptr), value & 0xFF, b->size);
}

void fill_bank(std::int32_t handle, std::int32_t start, std::int32_t end,
               std::int32_t value) noexcept {
    Bank* b = find(handle);
    if (!b) return;
    std::int64_t lo = std::max<std::int64_t>(std::min(start, end), 0);
    std::int64_t hi = std::min<std::int64_t>(std::max(start, end), b->size);
    if (lo < hi)
        std::memset(kxp::ptr<unsigned char>(b->ptr) + lo, value & 0xFF,
                    static_cast<std::size_t>(hi - lo));
}

std::int32_t copy_bank_bytes(std::int32_t source, std::int32_t start, std::int32_t end,
                             std::int32_t dest, std::int32_t dest_offset) noexcept {
    Bank* s = entry(source);
    Bank* d = entry(dest);
    if (!s || !d) return -1; // handles outside the table
    std::int64_t lo = std::min(start, end), hi = std::max(start, end), o = dest_offset;
    if (lo > std::int64_t(s->size) || hi < 0) return -1;
    hi = std::min<std::int64_t>(hi, s->size);
    if (lo < 0) {
        o += -lo;
        lo = 0;
    }
    if (o < 0 || o >= std::int64_t(d->size)) return -1;
    std::int64_t n = std::min<std::int64_t>(hi - lo, std::int64_t(d->size) - o);
    if (n > 0)
        copy_bytes(kxp::ptr<unsigned char>(s->ptr) + lo, kxp::ptr<unsigned char>(d->ptr) + o,
                   static_cast<std::size_t>(n));
    return static_cast<std::int32_t>(n);
}

std::int32_t clone_bank(std::int32_t handle) noexcept {
    if (handle == 0) return 0;
    std::uint32_t n = size(handle);
    std::int32_t h = alloc(n, kRaw, 0);
    if (h < 1) return h;
    copy_bank_bytes(handle, 0, static_cast<std::int32_t>(n), h, 0);
    return h;
}

} // namespace kx::memory
