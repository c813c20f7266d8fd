// Exports of the strings subsystem: string banks, text functions and
// number conversion.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include <string>

#include "kx/kx_vm.h"
#include "memory/banks.h"
#include "strings/strings.h"

namespace str = kx::strings;
using str::Text;

namespace {

std::int32_t zero_terminated_length(const void* p) {
    return p ? static_cast<std::int32_t>(std::strlen(static_cast<const char*>(p))) : 0;
}

// Copies up to count characters from 0-based start; returns what the text
// documents: the number copied, or the (non-positive) number left.
std::int32_t copy_chars_out(std::int32_t source, std::int32_t start, std::int32_t count,
                            void* dest) {
    Text t = str::text(source);
    if (start < 0 || start >= t.length)
        return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(t.length) - start, 0));
    std::int32_t n = std::clamp(count, 0, t.length - start);
    if (dest && n > 0) std::memmove(dest, t.chars + start, static_cast<std::size_t>(n));
    return dest ? n : 0;
}

// Runs a function that builds its result in a buffer; a result too large for
// the memory at hand leaves the destination as it was instead of escaping.
template <class F> void building(F f) {
    try {
        f();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

std::int32_t fragment_in_scratch(std::int32_t index) {
    std::int32_t scratch = str::scratch_string(128);
    Text f = str::fragment(index);
    str::assign(scratch, f.chars, f.length);
    return scratch;
}

} // namespace

extern "C" {

// ---- String banks -------------------------------------------------------------------

KX_API int32_t KX_CALL VM_NewKXStr(int32_t capacity) {
    return str::new_string(capacity);
}
KX_API void KX_CALL VM_ResizeStr(int32_t string, int32_t capacity) {
    str::resize(string, capacity);
}
KX_API int32_t KX_CALL VM_StrBufferSize(int32_t string) {
    return str::reported_capacity(string);
}
KX_API int32_t KX_CALL VM_StrLen(int32_t string) {
    return str::length(string);
}
KX_API int32_t KX_CALL VM_StrRefreshLen(int32_t string, int32_t length) {
    str::set_length(string, length);
    return length;
}
KX_API void* KX_CALL VM_StrPtr(int32_t string) {
    return str::memory(string);
}
KX_API void* KX_CALL VM_StrFirstChrPtr(int32_t string) {
    return str::first_char(string);
}
KX_API void KX_CALL VM_NullStr(int32_t string) {
    str::set_length(string, 0);
}
KX_API int32_t KX_CALL VM_StrLenNullTerm(const void* text) {
    return zero_terminated_length(text);
}

KX_API int32_t KX_CALL VM_NewStrFromPtr(const void* text) {
    std::int32_t n = zero_terminated_length(text);
    if (n < 1) return 0;
    std::int32_t h = str::new_string(n);
    if (h > 0) str::assign(h, static_cast<const std::uint8_t*>(text), n);
    return h;
}

KX_API void KX_CALL VM_PeekMemToStr(int32_t dest, const void* source, int32_t count) {
    if (dest == 0 || source == nullptr || count < 0 || str::room(dest) < 0) return;
    if (count == 0) count = zero_terminated_length(source);
    // The bytes may lie inside the destination, which the resize below may move.
    const auto* from = static_cast<const std::uint8_t*>(source);
    const std::uint8_t* bank = str::memory(dest);
    std::string aside;
    if (from >= bank && from < bank + kx::memory::size(dest)) {
        aside.assign(reinterpret_cast<const char*>(from), static_cast<std::size_t>(count));
        from = reinterpret_cast<const std::uint8_t*>(aside.data());
    }
    if (str::reported_capacity(dest) <= count) str::resize(dest, count + 16);
    str::assign(dest, from, count);
}

KX_API void KX_CALL VM_PokeStrToMem(int32_t source, void* dest, int32_t count) {
    if (source == 0 || dest == nullptr || count < 0) return;
    Text t = str::text(source);
    std::int32_t n = count == 0 ? t.length : std::min(count, t.length);
    if (n > 0) std::memmove(dest, t.chars, static_cast<std::size_t>(n));
    if (count == 0) static_cast<std::uint8_t*>(dest)[n] = 0;
}

KX_API int32_t KX_CALL VM_StrCopyChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) {
    return copy_chars_out(source, start, count, dest);
}
KX_API int32_t KX_CALL VM_StrMoveChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) {
    return copy_chars_out(source, start, count, dest);
}
KX_API void KX_CALL VM_CopyStrToStr(int32_t dest, int32_t source) {
    str::copy(dest, source);
}
KX_API int32_t KX_CALL VM_CloneStr(int32_t string) {
    return str::clone(string);
}
KX_API int32_t KX_CALL VM_CombineStrs(int32_t a, int32_t b) {
    return str::combine(a, b);
}
KX_API void KX_CALL VM_AddStrings(int32_t dest, int32_t a, int32_t b) {
    str::add(dest, a, b);
}

KX_API int32_t KX_CALL VM_StrCmpEqual(int32_t a, int32_t b) {
    return str::equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpNotEqual(int32_t a, int32_t b) {
    return !str::equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpGrt(int32_t a, int32_t b) {
    return str::greater(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpGrtE(int32_t a, int32_t b) {
    return str::greater_equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpLow(int32_t a, int32_t b) {
    return str::lower(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpLowE(int32_t a, int32_t b) {
    return str::lower_equal(a, b);
}

// ---- Text functions -----------------------------------------------------------------

KX_API void KX_CALL VM_StrLeft(int32_t source, int32_t dest, int32_t count) {
    str::left(source, dest, count);
}
KX_API void KX_CALL VM_StrRight(int32_t source, int32_t dest, int32_t count) {
    str::right(source, dest, count);
}
KX_API void KX_CALL VM_StrMid(int32_t source, int32_t dest, int32_t start, int32_t count) {
    str::mid(source, dest, start, count);
}
KX_API void KX_CALL VM_StrCutLeft(int32_t source, int32_t dest, int32_t position) {
    str::cut_left(source, dest, position);
}
KX_API void KX_CALL VM_StrCutRight(int32_t source, int32_t dest, int32_t position) {
    str::cut_right(source, dest, position);
}
KX_API void KX_CALL VM_StrTrimLeft(int32_t source, int32_t set, int32_t dest) {
    str::trim_left(source, set, dest);
}
KX_API void KX_CALL VM_StrTrimRight(int32_t source, int32_t set, int32_t dest) {
    str::trim_right(source, set, dest);
}
KX_API void KX_CALL VM_StrTrim(int32_t source, int32_t set, int32_t dest) {
    str::trim(source, set, dest);
}
KX_API void KX_CALL VM_StrLower(int32_t source, int32_t dest) {
    str::to_lower(source, dest);
}
KX_API void KX_CALL VM_StrUpper(int32_t source, int32_t dest) {
    str::to_upper(source, dest);
}
KX_API void KX_CALL VM_StrAutoCaps(int32_t source, int32_t dest) {
    str::auto_caps(source, dest);
}
KX_API void KX_CALL VM_StrFlip(int32_t source, int32_t dest) {
    str::flip(source, dest);
}
KX_API void KX_CALL VM_StrCHR(int32_t code, int32_t dest) {
    str::chr(code, dest);
}
KX_API int32_t KX_CALL VM_StrAsc(int32_t source, int32_t position) {
    return str::asc(source, position);
}
KX_API void KX_CALL VM_StrMake(int32_t source, int32_t count, int32_t dest) {
    building([&] { str::make(source, count, dest); });
}
KX_API void KX_CALL VM_StrPad(int32_t source, int32_t pad, int32_t counter, int32_t interval,
                              int32_t dest) {
    building([&] { str::pad(source, pad, counter, interval, dest); });
}
KX_API void KX_CALL VM_StrInsert(int32_t source, int32_t insertion, int32_t position,
                                 int32_t dest) {
    building([&] { str::insert(source, insertion, position, dest); });
}
KX_API int32_t KX_CALL VM_StrFindNextDelimiter(int32_t source, int32_t set, int32_t start) {
    return str::find_next_delimiter(str::text(source), str::text(set), start);
}
KX_API int32_t KX_CALL VM_StrInstring(int32_t text, int32_t search, int32_t start, int32_t fold) {
    return str::instring(str::text(text), str::text(search), start, fold != 0);
}
// The earlier form: case-sensitive, and a start at the text's length finds nothing.
KX_API int32_t KX_CALL VM_StrInstringOLD(int32_t text, int32_t search, int32_t start, int32_t) {
    Text t = str::text(text);
    if (std::max(start, 1) >= t.length) return 0;
    return str::instring(t, str::text(search), start, false);
}
KX_API void KX_CALL VM_StrReplace(int32_t source, int32_t search, int32_t replacement,
                                  int32_t start, int32_t fold, int32_t first_only, int32_t dest) {
    building([&] {
        str::replace(source, search, replacement, start, fold != 0, first_only == 1, dest);
    });
}
KX_API int32_t KX_CALL VM_StrSplit(int32_t source, int32_t delimiters) {
    return str::split(source, delimiters);
}
KX_API void KX_CALL VM_StrSplit_FragStr(int32_t index, int32_t dest) {
    Text f = str::fragment(index);
    str::assign(dest, f.chars, f.length);
}
KX_API int32_t KX_CALL VM_CloneFileNameStr(int32_t string) {
    return str::clone_file_name(string);
}

KX_API void KX_CALL VM_StrLowerPtr(void* address, int32_t length) {
    if (address && length > 0) str::lower_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrUpperPtr(void* address, int32_t length) {
    if (address && length > 0) str::upper_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrAutoCapsPtr(void* address, int32_t length) {
    if (address && length > 0) str::auto_caps_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrFlipPtr(void* address, int32_t length) {
    if (address && length > 0) str::flip_in_place(static_cast<std::uint8_t*>(address), length);
}

// ---- Number conversion --------------------------------------------------------------

KX_API int32_t KX_CALL VM_StrValL(int32_t string) {
    return str::parse_int(str::text(string));
}
KX_API float KX_CALL VM_StrValF(int32_t string) {
    return static_cast<float>(str::parse_float(str::text(string)));
}
KX_API void KX_CALL VM_StrStringL(int32_t dest, int32_t value) {
    str::format_int(dest, value);
}
KX_API void KX_CALL VM_StrStringF(int32_t dest, float value) {
    str::format_float(dest, value);
}
KX_API void KX_CALL VM_StrDigitsL(int32_t dest, int32_t value, int32_t digits) {
    str::format_digits(dest, value, digits);
}
KX_API void KX_CALL VM_StrBinL(int32_t dest, int32_t value) {
    str::format_binary(dest, value);
}
KX_API void KX_CALL VM_StrHexL(int32_t dest, int32_t value) {
    str::format_hex(dest, value);
}
KX_API void KX_CALL VM_StrBinPtrL(void* address, int32_t value) {
    if (!address) return;
    char buf[34];
    str::binary_text(buf, value);
    buf[33] = 0;
    std::memcpy(address, buf, sizeof buf);
}
KX_API void KX_CALL VM_StrHexPtrL(void* address, int32_t value) {
    if (!address) return;
    char buf[10];
    str::hex_text(buf, value);
    buf[9] = 0;
    std::memcpy(address, buf, sizeof buf);
}
KX_API int32_t KX_CALL VM_StrSplit_FragValL(int32_t index) {
    return str::parse_int(str::text(fragment_in_scratch(index)));
}
KX_API float KX_CALL VM_StrSplit_FragValF(int32_t index) {
    return static_cast<float>(str::parse_float(str::text(fragment_in_scratch(index))));
}

} // extern "C"
