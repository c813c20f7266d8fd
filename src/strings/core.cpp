// String banks: layout, sizing, copies, concatenation and comparisons.
#include <algorithm>
#include <cstring>
#include <string>

#include "kxp/heap.h"
#include "memory/banks.h"
#include "memory/refusal.h"
#include "strings/strings.h"

namespace kx::strings {
namespace {

namespace mem = kx::memory;

// A string bank as it lies in memory.
struct Shape {
    std::int32_t type = 0; // 0: not a string
    std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
};

Shape shape(std::int32_t h) {
    const mem::Bank* b = mem::find(h);
    if (!b || (b->type != kCounted && b->type != kCounted2 && b->type != kZeroTerminated))
        return {};
    return {b->type, kxp::ptr<std::uint8_t>(b->ptr), b->size};
}

inline bool counted(const Shape& s) {
    return s.type == kCounted || s.type == kCounted2;
}

// Characters that fit with the terminator, or -1 when the bank cannot hold a
// string at all (a counted bank smaller than its length word and terminator).
std::int32_t room_of(const Shape& s) {
    if (s.type == 0) return -1;
    std::int64_t r = counted(s) ? std::int64_t(s.size) - 5 : std::int64_t(s.size) - 1;
    return r < 0 ? -1 : static_cast<std::int32_t>(std::min<std::int64_t>(r, INT32_MAX));
}

Text text_of(const Shape& s) {
    if (s.type == 0) return {};
    if (counted(s)) {
        if (s.size < 5) return {};
        std::uint32_t n;
        std::memcpy(&n, s.bytes, 4);
        // A length word beyond the bank (written by a host) is read as the capacity.
        n = std::min<std::uint32_t>(n, s.size - 5);
        return {s.bytes + 4, static_cast<std::int32_t>(n)};
    }
    const void* zero = std::memchr(s.bytes, 0, s.size);
    std::size_t n = zero ? static_cast<const std::uint8_t*>(zero) - s.bytes : s.size;
    return {s.bytes, static_cast<std::int32_t>(n)};
}

// memmove that accepts null pointers when there is nothing to move.
inline void move_bytes(void* to, const void* from, std::int64_t n) {
    if (n > 0) std::memmove(to, from, static_cast<std::size_t>(n));
}

bool inside(const std::uint8_t* p, const Shape& s) {
    return s.bytes && p >= s.bytes && p < s.bytes + s.size;
}

} // namespace

bool is_string(std::int32_t h) noexcept {
    return shape(h).type != 0;
}
Text text(std::int32_t h) noexcept {
    return text_of(shape(h));
}
std::int32_t length(std::int32_t h) noexcept {
    return text(h).length;
}

std::uint8_t* memory(std::int32_t h) noexcept {
    return shape(h).bytes;
}

std::uint8_t* first_char(std::int32_t h) noexcept {
    Shape s = shape(h);
    if (s.type == 0) return nullptr;
    return counted(s) ? s.bytes + 4 : s.bytes;
}

std::int32_t reported_capacity(std::int32_t h) noexcept {
    const mem::Bank* b = mem::find(h);
    if (!b) return 0;
    if (b->type == kCounted || b->type == kCounted2) return static_cast<std::int32_t>(b->size) - 5;
    return static_cast<std::int32_t>(b->size);
}

std::int32_t room(std::int32_t h) noexcept {
    return room_of(shape(h));
}

std::int32_t new_string(std::int32_t capacity) noexcept {
    if (capacity < 0) capacity = 0;
    return mem::alloc(static_cast<std::uint32_t>(capacity) + 5, mem::kString, 0);
}

void resize(std::int32_t h, std::int32_t n) noexcept {
    Shape s = shape(h);
    if (s.type == 0) return;
    if (n < 0) n = 0;
    n = std::min(n, kMaxChars);
    mem::resize(h, counted(s) ? n + 5 : n + 1);
    set_length(h, n);
}

std::int32_t set_length(std::int32_t h, std::int32_t n) noexcept {
    Shape s = shape(h);
    std::int32_t r = room_of(s);
    if (r < 0) return 0;
    n = std::clamp(n, 0, r);
    if (counted(s)) {
        std::uint32_t w = static_cast<std::uint32_t>(n);
        std::memcpy(s.bytes, &w, 4);
        s.bytes[4 + n] = 0;
    } else {
        s.bytes[n] = 0;
    }
    return n;
}

void reserve(std::int32_t h, std::int32_t n) noexcept {
    if (room(h) < n) resize(h, grown(n, 16));
}

void assign(std::int32_t dest, const std::uint8_t* data, std::int32_t n) noexcept {
    Shape d = shape(dest);
    if (room_of(d) < 0) return;
    if (n < 0 || !data) n = 0;
    std::string aside;
    if (room_of(d) < n && inside(data, d)) { // growing would move the bytes we read
        if (!refusing(false, [&] {
                aside.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n));
                return true;
            }))
            return; // no memory for the copy: leave the destination as it is
        data = reinterpret_cast<const std::uint8_t*>(aside.data());
    }
    reserve(dest, n);
    if (room(dest) < n) return; // the memory could not be had: leave it as it is
    move_bytes(first_char(dest), data, n);
    set_length(dest, n);
}

void copy(std::int32_t dest, std::int32_t source) noexcept {
    if (dest == source || room(dest) < 0) return;
    Text s = text(source);
    if (s.length > room(dest)) resize(dest, grown(s.length, 16));
    if (room(dest) < s.length) return;
    s = text(source); // the source is another bank: its bytes did not move
    move_bytes(first_char(dest), s.chars, s.length);
    set_length(dest, s.length);
}

void add(std::int32_t dest, std::int32_t a, std::int32_t b) noexcept {
    if (dest == 0) return;
    // One lookup per bank: appends are the hot path of string building.
    Shape d = shape(dest);
    if (room_of(d) < 0) return;
    const Text ta = a == dest ? text_of(d) : text(a);
    const Text tb = b == dest ? text_of(d) : b == a ? ta : text(b);
    const std::int32_t la = ta.length, lb = tb.length;
    const std::int64_t total64 = std::int64_t(la) + lb;
    if (total64 > INT32_MAX - 100016) return; // no string can hold it
    const std::int32_t total = static_cast<std::int32_t>(total64);
    const std::uint8_t* ca = ta.chars;
    const std::uint8_t* cb = tb.chars;
    if (room_of(d) <= total) {
        resize(dest, total + std::clamp(total / 2, 32, 100000));
        d = shape(dest);
        if (room_of(d) < total) return;
        // The destination moved (and its length word now holds the capacity):
        // fetch its characters again and keep the lengths taken above.
        std::uint8_t* moved = counted(d) ? d.bytes + 4 : d.bytes;
        if (a == dest) ca = moved;
        if (b == dest) cb = moved;
    }
    std::uint8_t* cd = counted(d) ? d.bytes + 4 : d.bytes;
    if (dest == a) {
        move_bytes(cd + la, cb, lb);
    } else if (dest == b) {
        if (la > 0) {
            std::int32_t tmp = new_string(total + 16);
            if (tmp < 1) return;
            std::uint8_t* ct = first_char(tmp);
            move_bytes(ct, first_char(a), la);
            move_bytes(ct + la, first_char(b), lb);
            set_length(tmp, total);
            mem::swap(tmp, dest);
            mem::free(tmp);
            d = shape(dest);
        }
    } else {
        move_bytes(cd, ca, la);
        move_bytes(cd + la, cb, lb);
    }
    // The length word and terminator, written in place.
    if (counted(d)) {
        std::uint32_t w = static_cast<std::uint32_t>(total);
        std::memcpy(d.bytes, &w, 4);
        d.bytes[4 + total] = 0;
    } else {
        d.bytes[total] = 0;
    }
}

std::int32_t combine(std::int32_t a, std::int32_t b) noexcept {
    Text ta = text(a), tb = text(b);
    std::int64_t total = std::int64_t(ta.length) + tb.length;
    if (total < 1 || total > INT32_MAX - 32) return 0;
    std::int32_t h = new_string(static_cast<std::int32_t>(total) + 16);
    if (h < 1) return h;
    ta = text(a);
    tb = text(b);
    std::uint8_t* c = first_char(h);
    move_bytes(c, ta.chars, ta.length);
    move_bytes(c + ta.length, tb.chars, tb.length);
    set_length(h, static_cast<std::int32_t>(total));
    return h;
}

std::int32_t clone(std::int32_t h) noexcept {
    if (h == 0) return 0;
    std::int32_t n = length(h);
    std::int32_t c = new_string(n);
    if (c < 1) return c;
    Text t = text(h);
    move_bytes(first_char(c), t.chars, t.length);
    set_length(c, t.length);
    return c;
}

std::int32_t zero_terminated_length(const void* text) noexcept {
    return text ? static_cast<std::int32_t>(std::strlen(static_cast<const char*>(text))) : 0;
}

std::int32_t new_from_chars(const void* text) noexcept {
    std::int32_t n = zero_terminated_length(text);
    if (n < 1) return 0;
    std::int32_t h = new_string(n);
    if (h > 0) assign(h, static_cast<const std::uint8_t*>(text), n);
    return h;
}

void peek_memory(std::int32_t dest, const void* source, std::int32_t count) noexcept {
    // A count that no string could hold with its growth is refused before any
    // byte is read.
    if (!source || count < 0 || count > kMaxChars - 16 || room(dest) < 0) return;
    if (count == 0) count = zero_terminated_length(source);
    // The bytes may lie inside the destination, which the resize below may move.
    const auto* from = static_cast<const std::uint8_t*>(source);
    std::string aside;
    if (inside(from, shape(dest))) {
        bool kept = refusing(false, [&] {
            aside.assign(reinterpret_cast<const char*>(from), static_cast<std::size_t>(count));
            return true;
        });
        if (!kept) return;
        from = reinterpret_cast<const std::uint8_t*>(aside.data());
    }
    if (reported_capacity(dest) <= count) resize(dest, grown(count, 16));
    assign(dest, from, count);
}

void poke_memory(std::int32_t source, void* dest, std::int32_t count) noexcept {
    if (!dest || count < 0) return;
    Text t = text(source);
    std::int32_t n = count == 0 ? t.length : std::min(count, t.length);
    move_bytes(dest, t.chars, n);
    if (count == 0) static_cast<std::uint8_t*>(dest)[n] = 0;
}

std::int32_t copy_chars_out(std::int32_t source, std::int32_t start, std::int32_t count,
                            void* dest) noexcept {
    Text t = text(source);
    if (start < 0 || start >= t.length)
        return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(t.length) - start, 0));
    std::int32_t n = std::clamp(count, 0, t.length - start);
    if (dest) move_bytes(dest, t.chars + start, n);
    return dest ? n : 0;
}

// ---- Comparisons ----------------------------------------------------------------------

namespace {

// Index of the first difference within the first n bytes, or n.
std::int32_t first_difference(const Text& a, const Text& b, std::int32_t n) {
    const std::uint8_t* x = a.chars;
    const std::uint8_t* y = b.chars;
    std::int32_t k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t u, v;
        std::memcpy(&u, x + k, 8);
        std::memcpy(&v, y + k, 8);
        if (u != v) break;
    }
    while (k < n && x[k] == y[k])
        ++k;
    return k;
}

} // namespace

bool equal(std::int32_t a, std::int32_t b) noexcept {
    Text x = text(a), y = text(b);
    if (x.length != y.length) return false;
    if (x.length == 0) return true;
    return first_difference(x, y, x.length) == x.length;
}

bool greater(std::int32_t a, std::int32_t b) noexcept {
    Text x = text(a), y = text(b);
    std::int32_t n = std::min(x.length, y.length);
    if (n < 1) return false;
    std::int32_t k = first_difference(x, y, n);
    return k < n && x.chars[k] > y.chars[k];
}

bool greater_equal(std::int32_t a, std::int32_t b) noexcept {
    Text x = text(a), y = text(b);
    std::int32_t n = std::min(x.length, y.length);
    if (n < 1) return x.length == y.length;
    std::int32_t k = first_difference(x, y, n);
    if (k < n) return x.chars[k] > y.chars[k];
    return x.length == y.length;
}

// Bytes compare as signed values here, unlike the other ordering tests.
bool lower(std::int32_t a, std::int32_t b) noexcept {
    Text x = text(a), y = text(b);
    std::int32_t n = std::min(x.length, y.length);
    if (n < 1) return false;
    std::int32_t k = first_difference(x, y, n);
    return k < n && static_cast<std::int8_t>(x.chars[k]) < static_cast<std::int8_t>(y.chars[k]);
}

bool lower_equal(std::int32_t a, std::int32_t b) noexcept {
    Text x = text(a), y = text(b);
    std::int32_t n = std::min(x.length, y.length);
    if (n < 1) return x.length == y.length;
    std::int32_t k = first_difference(x, y, n);
    if (k < n) return x.chars[k] < y.chars[k];
    return x.length == y.length;
}

} // namespace kx::strings
