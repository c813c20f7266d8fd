// Exports of the strings subsystem: string banks, text functions and
// number conversion.
#include "kx/kx_vm.h"
#include "strings/strings.h"

namespace str = kx::strings;

extern "C" {

// ---- String banks -------------------------------------------------------------------

KX_API int32_t KX_CALL VM_NewKXStr(int32_t capacity) noexcept {
    return str::new_string(capacity);
}
KX_API void KX_CALL VM_ResizeStr(int32_t string, int32_t capacity) noexcept {
    str::resize(string, capacity);
}
KX_API int32_t KX_CALL VM_StrBufferSize(int32_t string) noexcept {
    return str::reported_capacity(string);
}
KX_API int32_t KX_CALL VM_StrLen(int32_t string) noexcept {
    return str::length(string);
}
KX_API int32_t KX_CALL VM_StrRefreshLen(int32_t string, int32_t length) noexcept {
    str::set_length(string, length);
    return length;
}
KX_API void* KX_CALL VM_StrPtr(int32_t string) noexcept {
    return str::memory(string);
}
KX_API void* KX_CALL VM_StrFirstChrPtr(int32_t string) noexcept {
    return str::first_char(string);
}
KX_API void KX_CALL VM_NullStr(int32_t string) noexcept {
    str::set_length(string, 0);
}
KX_API int32_t KX_CALL VM_StrLenNullTerm(const void* text) noexcept {
    return str::zero_terminated_length(text);
}

KX_API int32_t KX_CALL VM_NewStrFromPtr(const void* text) noexcept {
    return str::new_from_chars(text);
}

KX_API void KX_CALL VM_PeekMemToStr(int32_t dest, const void* source, int32_t count) noexcept {
    if (dest == 0 || source == nullptr || count < 0) return;
    str::peek_memory(dest, source, count);
}

KX_API void KX_CALL VM_PokeStrToMem(int32_t source, void* dest, int32_t count) noexcept {
    if (source == 0 || dest == nullptr || count < 0) return;
    str::poke_memory(source, dest, count);
}

KX_API int32_t KX_CALL VM_StrCopyChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) noexcept {
    return str::copy_chars_out(source, start, count, dest);
}
KX_API int32_t KX_CALL VM_StrMoveChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) noexcept {
    return str::copy_chars_out(source, start, count, dest);
}
KX_API void KX_CALL VM_CopyStrToStr(int32_t dest, int32_t source) noexcept {
    str::copy(dest, source);
}
KX_API int32_t KX_CALL VM_CloneStr(int32_t string) noexcept {
    return str::clone(string);
}
KX_API int32_t KX_CALL VM_CombineStrs(int32_t a, int32_t b) noexcept {
    return str::combine(a, b);
}
KX_API void KX_CALL VM_AddStrings(int32_t dest, int32_t a, int32_t b) noexcept {
    str::add(dest, a, b);
}

KX_API int32_t KX_CALL VM_StrCmpEqual(int32_t a, int32_t b) noexcept {
    return str::equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpNotEqual(int32_t a, int32_t b) noexcept {
    return !str::equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpGrt(int32_t a, int32_t b) noexcept {
    return str::greater(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpGrtE(int32_t a, int32_t b) noexcept {
    return str::greater_equal(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpLow(int32_t a, int32_t b) noexcept {
    return str::lower(a, b);
}
KX_API int32_t KX_CALL VM_StrCmpLowE(int32_t a, int32_t b) noexcept {
    return str::lower_equal(a, b);
}

// ---- Text functions -----------------------------------------------------------------

KX_API void KX_CALL VM_StrLeft(int32_t source, int32_t dest, int32_t count) noexcept {
    str::left(source, dest, count);
}
KX_API void KX_CALL VM_StrRight(int32_t source, int32_t dest, int32_t count) noexcept {
    str::right(source, dest, count);
}
KX_API void KX_CALL VM_StrMid(int32_t source, int32_t dest, int32_t start, int32_t count) noexcept {
    str::mid(source, dest, start, count);
}
KX_API void KX_CALL VM_StrCutLeft(int32_t source, int32_t dest, int32_t position) noexcept {
    str::cut_left(source, dest, position);
}
KX_API void KX_CALL VM_StrCutRight(int32_t source, int32_t dest, int32_t position) noexcept {
    str::cut_right(source, dest, position);
}
KX_API void KX_CALL VM_StrTrimLeft(int32_t source, int32_t set, int32_t dest) noexcept {
    str::trim_left(source, set, dest);
}
KX_API void KX_CALL VM_StrTrimRight(int32_t source, int32_t set, int32_t dest) noexcept {
    str::trim_right(source, set, dest);
}
KX_API void KX_CALL VM_StrTrim(int32_t source, int32_t set, int32_t dest) noexcept {
    str::trim(source, set, dest);
}
KX_API void KX_CALL VM_StrLower(int32_t source, int32_t dest) noexcept {
    str::to_lower(source, dest);
}
KX_API void KX_CALL VM_StrUpper(int32_t source, int32_t dest) noexcept {
    str::to_upper(source, dest);
}
KX_API void KX_CALL VM_StrAutoCaps(int32_t source, int32_t dest) noexcept {
    str::auto_caps(source, dest);
}
KX_API void KX_CALL VM_StrFlip(int32_t source, int32_t dest) noexcept {
    str::flip(source, dest);
}
KX_API void KX_CALL VM_StrCHR(int32_t code, int32_t dest) noexcept {
    str::chr(code, dest);
}
KX_API int32_t KX_CALL VM_StrAsc(int32_t source, int32_t position) noexcept {
    return str::asc(source, position);
}
KX_API void KX_CALL VM_StrMake(int32_t source, int32_t count, int32_t dest) noexcept {
    str::make(source, count, dest);
}
KX_API void KX_CALL VM_StrPad(int32_t source, int32_t pad, int32_t counter, int32_t interval,
                              int32_t dest) noexcept {
    str::pad(source, pad, counter, interval, dest);
}
KX_API void KX_CALL VM_StrInsert(int32_t source, int32_t insertion, int32_t position,
                                 int32_t dest) noexcept {
    str::insert(source, insertion, position, dest);
}
KX_API int32_t KX_CALL VM_StrFindNextDelimiter(int32_t source, int32_t set,
                                               int32_t start) noexcept {
    return str::find_next_delimiter(str::text(source), str::text(set), start);
}
KX_API int32_t KX_CALL VM_StrInstring(int32_t text, int32_t search, int32_t start,
                                      int32_t fold) noexcept {
    return str::instring(str::text(text), str::text(search), start, fold != 0);
}
KX_API int32_t KX_CALL VM_StrInstringOLD(int32_t text, int32_t search, int32_t start,
                                         int32_t) noexcept {
    return str::instring_old(text, search, start);
}
KX_API void KX_CALL VM_StrReplace(int32_t source, int32_t search, int32_t replacement,
                                  int32_t start, int32_t fold, int32_t first_only,
                                  int32_t dest) noexcept {
    str::replace(source, search, replacement, start, fold != 0, first_only == 1, dest);
}
KX_API int32_t KX_CALL VM_StrSplit(int32_t source, int32_t delimiters) noexcept {
    return str::split(source, delimiters);
}
KX_API void KX_CALL VM_StrSplit_FragStr(int32_t index, int32_t dest) noexcept {
    str::fragment_to(index, dest);
}
KX_API int32_t KX_CALL VM_CloneFileNameStr(int32_t string) noexcept {
    return str::clone_file_name(string);
}

KX_API void KX_CALL VM_StrLowerPtr(void* address, int32_t length) noexcept {
    if (address && length > 0) str::lower_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrUpperPtr(void* address, int32_t length) noexcept {
    if (address && length > 0) str::upper_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrAutoCapsPtr(void* address, int32_t length) noexcept {
    if (address && length > 0) str::auto_caps_in_place(static_cast<std::uint8_t*>(address), length);
}
KX_API void KX_CALL VM_StrFlipPtr(void* address, int32_t length) noexcept {
    if (address && length > 0) str::flip_in_place(static_cast<std::uint8_t*>(address), length);
}

// ---- Number conversion --------------------------------------------------------------

KX_API int32_t KX_CALL VM_StrValL(int32_t string) noexcept {
    return str::parse_int(str::text(string));
}
KX_API float KX_CALL VM_StrValF(int32_t string) noexcept {
    return static_cast<float>(str::parse_float(str::text(string)));
}
KX_API void KX_CALL VM_StrStringL(int32_t dest, int32_t value) noexcept {
    str::format_int(dest, value);
}
KX_API void KX_CALL VM_StrStringF(int32_t dest, float value) noexcept {
    str::format_float(dest, value);
}
KX_API void KX_CALL VM_StrDigitsL(int32_t dest, int32_t value, int32_t digits) noexcept {
    str::format_digits(dest, value, digits);
}
KX_API void KX_CALL VM_StrBinL(int32_t dest, int32_t value) noexcept {
    str::format_binary(dest, value);
}
KX_API void KX_CALL VM_StrHexL(int32_t dest, int32_t value) noexcept {
    str::format_hex(dest, value);
}
KX_API void KX_CALL VM_StrBinPtrL(void* address, int32_t value) noexcept {
    str::binary_to_memory(address, value);
}
KX_API void KX_CALL VM_StrHexPtrL(void* address, int32_t value) noexcept {
    str::hex_to_memory(address, value);
}
KX_API int32_t KX_CALL VM_StrSplit_FragValL(int32_t index) noexcept {
    return str::fragment_int(index);
}
KX_API float KX_CALL VM_StrSplit_FragValF(int32_t index) noexcept {
    return str::fragment_float(index);
}

} // extern "C"
