// Text functions that write a destination string. Results that are a stretch
// of a source go through assign(), which copies safely when the destination is
// that source; results that are built go through a buffer first.
#include <algorithm>
#include <cstring>
#include <string>

#include "memory/banks.h"
#include "strings/strings.h"

namespace kx::strings {
namespace {

inline void make_empty(std::int32_t dest) {
    set_length(dest, 0);
}

inline void place(std::int32_t dest, const std::string& built) {
    assign(dest, built);
}

struct CharSet {
    bool member[256] = {};
    explicit CharSet(Text set) {
        for (std::int32_t k = 0; k < set.length; ++k)
            member[set.chars[k]] = true;
    }
    bool operator()(std::uint8_t c) const { return member[c]; }
};

template <class Transform> void copy_then(std::int32_t source, std::int32_t dest, Transform f) {
    copy(dest, source);
    if (std::uint8_t* p = first_char(dest)) f(p, length(dest));
}

// Longest run of set characters at the start of t.
std::int32_t leading_run(Text t, const CharSet& set) {
    std::int32_t k = 0;
    while (k < t.length && set(t.chars[k]))
        ++k;
    return k;
}

// Length left after dropping the trailing set characters of t.
std::int32_t without_trailing(Text t, const CharSet& set) {
    std::int32_t r = t.length;
    while (r > 0 && set(t.chars[r - 1]))
        --r;
    return r;
}

} // namespace

void left(std::int32_t source, std::int32_t dest, std::int32_t count) noexcept {
    Text t = text(source);
    if (count >= t.length)
        copy(dest, source);
    else if (count < 1)
        make_empty(dest);
    else
        assign(dest, t.chars, count);
}

void right(std::int32_t source, std::int32_t dest, std::int32_t count) noexcept {
    Text t = text(source);
    if (count >= t.length)
        copy(dest, source);
    else if (count < 1)
        make_empty(dest);
    else
        assign(dest, t.chars + (t.length - count), count);
}

void mid(std::int32_t source, std::int32_t dest, std::int32_t start, std::int32_t count) noexcept {
    Text t = text(source);
    if (start > t.length || count < 1) return make_empty(dest);
    if (start < 1) start = 1;
    std::int64_t n = std::min<std::int64_t>(count, std::int64_t(t.length) - (start - 1));
    assign(dest, t.chars + (start - 1), static_cast<std::int32_t>(n));
}

void cut_left(std::int32_t source, std::int32_t dest, std::int32_t position) noexcept {
    Text t = text(source);
    if (position >= 1 && position <= t.length)
        assign(dest, t.chars + position, t.length - position);
    else
        copy(dest, source);
}

void cut_right(std::int32_t source, std::int32_t dest, std::int32_t position) noexcept {
    std::int32_t n = length(source);
    copy(dest, source);
    if (position >= 1 && position <= n) set_length(dest, position - 1);
}

void trim_left(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept {
    Text t = text(source), s = text(set);
    if (t.empty() || s.empty()) return copy(dest, source);
    std::int32_t k = leading_run(t, CharSet(s));
    if (k >= 1)
        assign(dest, t.chars + k, t.length - k);
    else
        copy(dest, source);
}

void trim_right(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept {
    Text t = text(source), s = text(set);
    if (t.empty() || s.empty()) return copy(dest, source);
    assign(dest, t.chars, without_trailing(t, CharSet(s)));
}

void trim(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept {
    trim(source, text(set), dest);
}

void trim(std::int32_t source, Text s, std::int32_t dest) noexcept {
    Text t = text(source);
    if (t.empty() || s.empty()) return copy(dest, source);
    CharSet members(s); // taken before the destination (which may be the set) is written
    std::int32_t k = leading_run(t, members);
    Text rest{t.chars + k, t.length - k};
    assign(dest, rest.chars, without_trailing(rest, members));
}

void to_lower(std::int32_t source, std::int32_t dest) noexcept {
    copy_then(source, dest, lower_in_place);
}
void to_upper(std::int32_t source, std::int32_t dest) noexcept {
    copy_then(source, dest, upper_in_place);
}
void auto_caps(std::int32_t source, std::int32_t dest) noexcept {
    copy_then(source, dest, auto_caps_in_place);
}
void flip(std::int32_t source, std::int32_t dest) noexcept {
    copy_then(source, dest, flip_in_place);
}

void chr(std::int32_t code, std::int32_t dest) noexcept {
    if (room(dest) < 0) return;
    if (room(dest) < 16) resize(dest, 16);
    std::uint8_t c = static_cast<std::uint8_t>(code);
    if (c == 0) return make_empty(dest);
    assign(dest, &c, 1);
}

std::int32_t asc(std::int32_t source, std::int32_t position) noexcept {
    Text t = text(source);
    if (position < 1) position = 1;
    if (t.empty() || position > t.length) return -1;
    return t.chars[position - 1];
}

void make(std::int32_t source, std::int32_t count, std::int32_t dest) noexcept try {
    Text t = text(source);
    if (count < 1 || t.empty()) return make_empty(dest);
    std::int64_t total = std::int64_t(t.length) * count;
    if (total > INT32_MAX - 32) return; // no string can hold it: the destination is left alone
    std::string built;
    built.reserve(static_cast<std::size_t>(total));
    for (std::int32_t k = 0; k < count; ++k)
        built.append(t.view());
    place(dest, built);
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

void pad(std::int32_t source, std::int32_t pad_string, std::int32_t counter, std::int32_t interval,
         std::int32_t dest) noexcept try {
    Text t = text(source), p = text(pad_string);
    if (interval < 1) interval = 1;
    if (interval >= t.length) return copy(dest, source);
    std::int64_t needed = (std::int64_t(t.length) / interval + 1) * p.length + t.length;
    if (needed > INT32_MAX - 32) return;
    std::string built;
    built.reserve(static_cast<std::size_t>(needed));
    std::int64_t c = counter;
    for (std::int32_t k = 0; k < t.length; ++k) {
        built.push_back(static_cast<char>(t.chars[k]));
        if (++c >= interval) {
            built.append(p.view());
            c = 0;
        }
    }
    if (room(dest) < needed) resize(dest, static_cast<std::int32_t>(needed) + 16);
    place(dest, built);
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

void insert(std::int32_t source, std::int32_t insertion, std::int32_t position,
            std::int32_t dest) noexcept try {
    Text t = text(source), ins = text(insertion);
    if (ins.empty()) return copy(dest, source);
    if (std::int64_t(t.length) + ins.length > INT32_MAX - 32) return;
    std::size_t at = static_cast<std::size_t>(std::clamp(position, 0, t.length));
    std::string built(t.view().substr(0, at));
    built.append(ins.view());
    built.append(t.view().substr(at));
    place(dest, built);
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

std::int32_t clone_file_name(std::int32_t h) noexcept {
    if (h == 0) return 0;
    static const std::uint8_t blanks[] = {' ', '\t'};
    std::int32_t c = clone(h);
    if (c > 0) trim(c, Text{blanks, 2}, c);
    return c;
}

} // namespace kx::strings
