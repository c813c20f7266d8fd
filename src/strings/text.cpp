// Text functions: searching, splitting and the in-place case changes. The
// functions that produce a destination string live in the exports, built on
// the primitives here and in core.cpp.
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <string>

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

// A scratch table: a raw bank created on first use and kept, growing as needed.
class ScratchTable {
  public:
    explicit ScratchTable(std::uint32_t initial) : initial_(initial) {}
    // The table's memory with at least `bytes` bytes, grown to `grown` bytes
    // when shorter; null when no bank can be had.
    std::uint8_t* ensure(std::uint32_t bytes, std::uint32_t grown) {
        if (!bank_.alive()) bank_.adopt(mem::alloc(std::max(initial_, bytes), mem::kRaw, 0));
        if (!bank_.alive()) return nullptr;
        if (mem::size(bank_.handle) < bytes)
            mem::resize(bank_.handle, static_cast<std::int32_t>(std::max(grown, bytes)));
        if (mem::size(bank_.handle) < bytes) return nullptr;
        return static_cast<std::uint8_t*>(mem::ptr(bank_.handle));
    }
    std::uint8_t* data() {
        return bank_.alive() ? static_cast<std::uint8_t*>(mem::ptr(bank_.handle)) : nullptr;
    }
    std::uint32_t size() { return bank_.alive() ? mem::size(bank_.handle) : 0; }

  private:
    mem::Owned bank_;
    std::uint32_t initial_;
};

constexpr std::int32_t kMaxDelimiters = 65536;

constexpr std::int32_t kMaxMatches = 65536;

ScratchTable g_matches(1024);
ScratchTable g_delimiters(1024);
ScratchTable g_fragments(8192);

// What the last split produced: the fragments point into the characters of
// `source`, checked against its current memory before they are read.
struct SplitResult {
    mem::Owned source;
    std::int32_t count = 0;
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
    std::int32_t count = 0;
    std::uint8_t* table = g_matches.ensure(1024, 1024);
    if (!table) return;
    for (std::int32_t at = instring(src, find, start, fold); at > 0 && count < kMaxMatches;
         at = instring(src, find, at + find.length, fold)) {
        if (std::uint32_t(count + 1) * 4 > g_matches.size()) {
            table = g_matches.ensure((count + 1) * 4, g_matches.size() * 2);
            if (!table) return;
        }
        std::int32_t offset = at - 1;
        std::memcpy(table + 4 * count, &offset, 4);
        ++count;
        if (first_only) break;
    }
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
    for (std::int32_t k = 0; k < count; ++k) {
        std::int32_t at;
        std::memcpy(&at, table + 4 * k, 4);
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

std::int32_t split(std::int32_t source, std::int32_t delimiters) noexcept {
    g_split.count = 0;
    g_split.source.adopt(0);
    Text src = text(source), set = text(delimiters);
    if (src.empty() || set.empty()) return 0;

    // Record the delimiters, then the end of the text.
    std::int32_t recorded = 0;
    std::uint8_t* table = g_delimiters.ensure(1024, 1024);
    if (!table) return 0;
    std::uint32_t capacity = g_delimiters.size();
    for (std::int32_t at = find_next_delimiter(src, set, 0); at >= 0 && recorded < kMaxDelimiters;
         at = find_next_delimiter(src, set, at + 1)) {
        std::uint32_t need = static_cast<std::uint32_t>(recorded + 2) * 4; // room for the end entry
        if (need > capacity) {
            table = g_delimiters.ensure(need, capacity / 4 * 2 * 4 + 40);
            if (!table) return 0;
            capacity = g_delimiters.size();
        }
        std::memcpy(table + 4 * recorded, &at, 4);
        ++recorded;
    }
    std::memcpy(table + 4 * recorded, &src.length, 4);

    // Walk them: non-empty stretches between delimiters are the fragments.
    std::int32_t count = 0, from = 0;
    std::uint8_t* frags = g_fragments.ensure(8192, 8192);
    if (!frags) return 0;
    std::uint32_t pairs = g_fragments.size() / 8;
    for (std::int32_t k = 0; k <= recorded; ++k) {
        std::int32_t to;
        std::memcpy(&to, table + 4 * k, 4);
        if (to > from) {
            if (static_cast<std::uint32_t>(count) + 1 >= pairs) {
                frags = g_fragments.ensure((count + 2) * 8, pairs * 2 * 8);
                if (!frags) break;
                pairs = g_fragments.size() / 8;
            }
            std::uint32_t pair[2] = {kxp::addr32(src.chars + from),
                                     static_cast<std::uint32_t>(to - from)};
            std::memcpy(frags + 8 * count, pair, 8);
            ++count;
        }
        from = to + 1;
    }
    g_split.source.adopt(source);
    g_split.count = count;
    return count;
}

std::int32_t instring_old(std::int32_t text_h, std::int32_t search, std::int32_t start) noexcept {
    Text t = text(text_h);
    if (std::max(start, 1) >= t.length) return 0;
    return instring(t, text(search), start, false);
}

Text fragment(std::int32_t index) noexcept {
    if (index < 0 || index >= g_split.count || !g_split.source.alive()) return {};
    std::uint8_t* frags = g_fragments.data();
    if (!frags || std::uint32_t(index + 1) * 8 > g_fragments.size()) return {};
    std::uint32_t pair[2];
    std::memcpy(pair, frags + 8 * index, 8);
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

namespace {
Text fragment_in_scratch(std::int32_t index) noexcept {
    std::int32_t scratch = scratch_string(128);
    fragment_to(index, scratch);
    return text(scratch);
}
} // namespace

std::int32_t fragment_int(std::int32_t index) noexcept {
    return parse_int(fragment_in_scratch(index));
}

float fragment_float(std::int32_t index) noexcept {
    return static_cast<float>(parse_float(fragment_in_scratch(index)));
}

} // namespace kx::strings
