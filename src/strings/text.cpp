// Text functions: searching, splitting and the in-place case changes. The
// functions that produce a destination string live in the exports, built on
// the primitives here and in core.cpp.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "kxp/heap.h"
#include "memory/banks.h"
#include "strings/strings.h"

namespace kx::strings {
namespace {

namespace mem = kx::memory;

inline bool is_lower(std::uint8_t c) {
    return c >= 'a' && c <= 'z';
}
inline bool is_upper(std::uint8_t c) {
    return c >= 'A' && c <= 'Z';
}

// Next position at or after p where the byte is a given letter in either
// case: (byte | 0x20) equals the lower-case letter exactly for the two cases
// of a letter and for no other byte.
__attribute__((target("avx2"))) std::int64_t
find_letter_avx2(const std::uint8_t* t, std::int64_t p, std::int64_t end, std::uint8_t lower) {
    const __m256i want = _mm256_set1_epi8(static_cast<char>(lower)), bit = _mm256_set1_epi8(0x20);
    for (; p + 64 <= end; p += 64) {
        __m256i a =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + p)), bit);
        __m256i b =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + p + 32)), bit);
        std::uint64_t m =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, want))) |
            std::uint64_t(
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, want))))
                << 32;
        if (m) return p + __builtin_ctzll(m);
    }
    for (; p < end; ++p)
        if ((t[p] | 0x20) == lower) return p;
    return end;
}

std::int64_t find_letter_sse2(const std::uint8_t* t, std::int64_t p, std::int64_t end,
                              std::uint8_t lower) {
    const __m128i want = _mm_set1_epi8(static_cast<char>(lower)), bit = _mm_set1_epi8(0x20);
    for (; p + 16 <= end; p += 16) {
        __m128i v = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + p)), bit);
        int m = _mm_movemask_epi8(_mm_cmpeq_epi8(v, want));
        if (m) return p + __builtin_ctz(static_cast<unsigned>(m));
    }
    for (; p < end; ++p)
        if ((t[p] | 0x20) == lower) return p;
    return end;
}

// Next position at or after p where the byte folds to f (an upper-case letter
// matches both cases; any other byte only itself).
std::int64_t find_folded(const std::uint8_t* t, std::int64_t p, std::int64_t end, std::uint8_t f) {
    if (!is_upper(f)) {
        const void* hit = std::memchr(t + p, f, static_cast<std::size_t>(end - p));
        return hit ? static_cast<const std::uint8_t*>(hit) - t : end;
    }
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const std::uint8_t lower = static_cast<std::uint8_t>(f + 32);
    return avx2 ? find_letter_avx2(t, p, end, lower) : find_letter_sse2(t, p, end, lower);
}

bool folded_equal(const std::uint8_t* a, const std::uint8_t* b, std::int32_t n,
                  const std::uint8_t* fold) {
    for (std::int32_t k = 0; k < n; ++k)
        if (fold[a[k]] != fold[b[k]]) return false;
    return true;
}

constexpr std::int32_t kMaxDelimiters = 65536;

constexpr std::int32_t kMaxMatches = 65536;

// The scratch tables live in the runtime's own memory, not in banks: a program
// can neither swap, resize nor free them.
std::vector<std::int32_t> g_matches; // 0-based offsets of replace's matches

// What the last split produced: (address of the first character, length) of
// each fragment, pointing into the characters of `source`, checked against
// its current memory before they are read.
struct SplitResult {
    mem::Owned source;
    std::vector<std::array<std::uint32_t, 2>> fragments;
} g_split;

} // namespace

std::int32_t instring(Text text, Text search, std::int32_t start, bool fold) noexcept {
    const std::int32_t L = text.length, M = search.length;
    if (start < 1) start = 1;
    if (L < 1 || start > L || M < 1 || M > L || start - 1 > L - M) return 0;
    const std::uint8_t* t = text.chars;
    const std::uint8_t* s = search.chars;
    const std::int64_t last = std::int64_t(L) - M; // last offset a match may start at
    if (!fold) {
        std::size_t at = text.view().find(search.view(), static_cast<std::size_t>(start - 1));
        return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at) + 1;
    }
    const std::uint8_t* table = mem::fold_table();
    const std::uint8_t f = table[s[0]];
    for (std::int64_t p = start - 1; p <= last;) {
        p = find_folded(t, p, last + 1, f);
        if (p > last) break;
        if (folded_equal(t + p + 1, s + 1, M - 1, table)) return static_cast<std::int32_t>(p) + 1;
        ++p;
    }
    return 0;
}

std::int32_t find_next_delimiter(Text source, Text set, std::int32_t start) noexcept {
    if (source.empty() || set.empty()) return -1;
    if (start < 0) start = 0;
    if (start >= source.length) return -1;
    const std::uint8_t* t = source.chars;
    if (set.length == 1) {
        const void* hit =
            std::memchr(t + start, set.chars[0], static_cast<std::size_t>(source.length - start));
        return hit ? static_cast<std::int32_t>(static_cast<const std::uint8_t*>(hit) - t) : -1;
    }
    bool member[256] = {};
    for (std::int32_t k = 0; k < set.length; ++k)
        member[set.chars[k]] = true;
    for (std::int32_t p = start; p < source.length; ++p)
        if (member[t[p]]) return p;
    return -1;
}

void lower_in_place(std::uint8_t* p, std::int32_t n) noexcept {
    for (std::int32_t k = 0; k < n; ++k)
        if (is_upper(p[k])) p[k] = static_cast<std::uint8_t>(p[k] + 32);
}

void upper_in_place(std::uint8_t* p, std::int32_t n) noexcept {
    for (std::int32_t k = 0; k < n; ++k)
        if (is_lower(p[k])) p[k] = static_cast<std::uint8_t>(p[k] - 32);
}

// Lower-cases everything, then capitalises the first letter met while outside
// a word; only a blank ends a word.
void auto_caps_in_place(std::uint8_t* p, std::int32_t n) noexcept {
    lower_in_place(p, n);
    bool in_word = false;
    for (std::int32_t k = 0; k < n; ++k) {
        if (!in_word) {
            if (is_lower(p[k])) {
                p[k] = static_cast<std::uint8_t>(p[k] - 32);
                in_word = true;
            }
        } else if (p[k] == ' ') {
            in_word = false;
        }
    }
}

void flip_in_place(std::uint8_t* p, std::int32_t n) noexcept {
    if (n > 1) std::reverse(p, p + n);
}

void replace(std::int32_t source, std::int32_t search, std::int32_t replacement, std::int32_t start,
             bool fold, bool first_only, std::int32_t dest) noexcept try {
    if (start < 1) start = 1;
    Text src = text(source), find = text(search), with = text(replacement);
    if (src.empty() || start > src.length) return (void)set_length(dest, 0);
    if (find.empty() || find.length > src.length) return copy(dest, source);

    // Record the matches (never overlapping) in the match table.
    std::vector<std::int32_t>& matches = g_matches;
    matches.clear();
    for (std::int32_t at = instring(src, find, start, fold);
         at > 0 && matches.size() < std::size_t(kMaxMatches);
         at = instring(src, find, at + find.length, fold)) {
        matches.push_back(at - 1);
        if (first_only) break;
    }
    const auto count = static_cast<std::int32_t>(matches.size());
    if (count == 0) return copy(dest, source);

    const std::int64_t total = src.length + std::int64_t(count) * (with.length - find.length);
    if (total > INT32_MAX - 32) return;
    // Build straight into the destination unless it is one of the inputs.
    const bool aliased = dest == source || dest == search || dest == replacement;
    std::string aside;
    std::uint8_t* out;
    if (aliased) {
        aside.resize(static_cast<std::size_t>(total));
        out = reinterpret_cast<std::uint8_t*>(aside.data());
    } else {
        if (room(dest) < 0) return;
        reserve(dest, static_cast<std::int32_t>(total));
        if (room(dest) < total) return;
        out = first_char(dest);
    }
    std::int32_t from = 0;
    for (std::int32_t at : matches) {
        std::memcpy(out, src.chars + from, static_cast<std::size_t>(at - from));
        out += at - from;
        if (with.length > 0) std::memcpy(out, with.chars, static_cast<std::size_t>(with.length));
        out += with.length;
        from = at + find.length;
    }
    std::memcpy(out, src.chars + from, static_cast<std::size_t>(src.length - from));
    if (aliased)
        assign(dest, aside);
    else
        set_length(dest, static_cast<std::int32_t>(total));
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

std::int32_t split(std::int32_t source, std::int32_t delimiters) noexcept try {
    g_split.fragments.clear();
    g_split.source.adopt(0);
    Text src = text(source), set = text(delimiters);
    if (src.empty() || set.empty()) return 0;

    // One pass over the text: at most kMaxDelimiters delimiters cut it, and
    // the non-empty stretches between them (and the text's end) are the fragments.
    bool member[256] = {};
    for (std::int32_t k = 0; k < set.length; ++k)
        member[set.chars[k]] = true;
    std::int32_t from = 0, recorded = 0;
    auto cut = [&](std::int32_t to) {
        if (to > from)
            g_split.fragments.push_back(
                {kxp::addr32(src.chars + from), static_cast<std::uint32_t>(to - from)});
        from = to + 1;
    };
    for (std::int32_t p = 0; p < src.length && recorded < kMaxDelimiters; ++p)
        if (member[src.chars[p]]) cut(p), ++recorded;
    cut(src.length);
    g_split.source.adopt(source);
    return static_cast<std::int32_t>(g_split.fragments.size());
} catch (...) {
    // No memory for the fragment table: no fragments.
    g_split.fragments.clear();
    return 0;
}

std::int32_t instring_old(std::int32_t text_h, std::int32_t search, std::int32_t start) noexcept {
    Text t = text(text_h);
    if (std::max(start, 1) >= t.length) return 0;
    return instring(t, text(search), start, false);
}

Text fragment(std::int32_t index) noexcept {
    if (index < 0 || std::size_t(index) >= g_split.fragments.size() || !g_split.source.alive())
        return {};
    const std::array<std::uint32_t, 2> pair = g_split.fragments[std::size_t(index)];
    // The split string may have been written or resized since: read only what
    // still lies inside its characters.
    Text whole = text(g_split.source.handle);
    const std::uint8_t* at = kxp::ptr<const std::uint8_t>(pair[0]);
    if (!whole.chars || at < whole.chars || at + pair[1] > whole.chars + whole.length) return {};
    return {at, static_cast<std::int32_t>(pair[1])};
}

void fragment_to(std::int32_t index, std::int32_t dest) noexcept {
    Text f = fragment(index);
    assign(dest, f.chars, f.length);
}

std::int32_t fragment_int(std::int32_t index) noexcept {
    return parse_int(fragment(index));
}

float fragment_float(std::int32_t index) noexcept {
    return static_cast<float>(parse_float(fragment(index)));
}

} // namespace kx::strings
