// Internal interface of the strings subsystem.
//
// A string is a bank of type 1 (or type 2, the same layout): a 32-bit length,
// the characters, one zero byte; the bank is capacity + 5 bytes. A bank of
// type 3 holds zero-terminated characters without a length word. Every other
// bank reads as an empty string and is never written as one.
#pragma once

#include <climits>
#include <cstdint>
#include <string_view>

namespace kx::strings {

enum StringType : std::int32_t { kCounted = 1, kCounted2 = 2, kZeroTerminated = 3 };

// The characters of a string (any of the three types); empty for a non-string.
struct Text {
    const std::uint8_t* chars = nullptr;
    std::int32_t length = 0;
    bool empty() const { return length < 1; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(chars),
                static_cast<std::size_t>(length < 0 ? 0 : length)};
    }
};

bool is_string(std::int32_t h) noexcept;
Text text(std::int32_t h) noexcept;
std::int32_t length(std::int32_t h) noexcept;
std::uint8_t* first_char(std::int32_t h) noexcept; // null for a non-string
std::uint8_t* memory(std::int32_t h) noexcept;     // the bank's memory, null for a non-string
// Capacity as reported to programs: bank size - 5 for types 1 and 2, the bank
// size for any other bank.
std::int32_t reported_capacity(std::int32_t h) noexcept;
// Characters that fit with their terminator: the reported capacity for types 1
// and 2, the bank size - 1 for type 3, -1 for a non-string.
std::int32_t room(std::int32_t h) noexcept;

// The most characters a string holds: its bank size must fit 32 bits signed.
constexpr std::int32_t kMaxChars = INT32_MAX - 5;

// n + extra without overflow, saturated at INT32_MAX: sizes computed from a
// program's numbers go through it (resize clamps what no bank can hold).
inline std::int32_t grown(std::int32_t n, std::int64_t extra) noexcept {
    const std::int64_t v = std::int64_t(n) + extra;
    return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : v < 0 ? 0 : v);
}

// New type-1 string of the given capacity (negative counts as 0); length 0.
std::int32_t new_string(std::int32_t capacity) noexcept;
// Resizes to capacity n (contents kept) and sets the length to n.
void resize(std::int32_t h, std::int32_t n) noexcept;
// Sets the length (clamped to 0..room) and the terminator; returns the length set.
std::int32_t set_length(std::int32_t h, std::int32_t n) noexcept;
// Grows to n + 16 characters when fewer than n fit.
void reserve(std::int32_t h, std::int32_t n) noexcept;

// dest := the n bytes at data. `data` may lie inside dest itself.
void assign(std::int32_t dest, const std::uint8_t* data, std::int32_t n) noexcept;
inline void assign(std::int32_t dest, std::string_view s) {
    assign(dest, reinterpret_cast<const std::uint8_t*>(s.data()),
           static_cast<std::int32_t>(s.size()));
}
// dest := source, with the copy's growth rule (grown to the source's length +
// 16 when it does not fit); nothing when they are the same string.
void copy(std::int32_t dest, std::int32_t source) noexcept;

// Concatenation with the growth rule and aliasing cases of VM_AddStrings.
void add(std::int32_t dest, std::int32_t a, std::int32_t b) noexcept;
std::int32_t combine(std::int32_t a, std::int32_t b) noexcept;
std::int32_t clone(std::int32_t h) noexcept;

// The six comparisons.
bool equal(std::int32_t a, std::int32_t b) noexcept;
bool greater(std::int32_t a, std::int32_t b) noexcept;
bool greater_equal(std::int32_t a, std::int32_t b) noexcept;
bool lower(std::int32_t a, std::int32_t b) noexcept;
bool lower_equal(std::int32_t a, std::int32_t b) noexcept;

// ---- Text functions ------------------------------------------------------------------

// 1-based position of `search` in `text` at or after `start`, or 0.
std::int32_t instring(Text text, Text search, std::int32_t start, bool fold) noexcept;
// 0-based index of the first character at or after `start` that is in `set`, or -1.
std::int32_t find_next_delimiter(Text source, Text set, std::int32_t start) noexcept;

void lower_in_place(std::uint8_t* p, std::int32_t n) noexcept;
void upper_in_place(std::uint8_t* p, std::int32_t n) noexcept;
void auto_caps_in_place(std::uint8_t* p, std::int32_t n) noexcept;
void flip_in_place(std::uint8_t* p, std::int32_t n) noexcept;

// Split: returns the fragment count; fragments are kept until the next split.
std::int32_t split(std::int32_t source, std::int32_t delimiters) noexcept;
Text fragment(std::int32_t index) noexcept; // empty outside 0..count-1

// ---- Strings and host memory ---------------------------------------------------------

// Length of a zero-terminated text; 0 for null.
std::int32_t zero_terminated_length(const void* text) noexcept;
// A new string holding a zero-terminated text; 0 when the text is empty or null.
std::int32_t new_from_chars(const void* text) noexcept;
// dest := the count bytes at source (count 0: up to source's zero byte), grown
// to count + 16 characters when they do not fit; the bytes may lie inside dest.
void peek_memory(std::int32_t dest, const void* source, std::int32_t count) noexcept;
// Copies up to count characters of source to dest (count 0: all of them and a
// zero byte).
void poke_memory(std::int32_t source, void* dest, std::int32_t count) noexcept;
// Copies up to count characters from 0-based start to dest (may be null);
// gives the number copied (0 without dest), or for a start outside the text
// the non-positive number of characters left.
std::int32_t copy_chars_out(std::int32_t source, std::int32_t start, std::int32_t count,
                            void* dest) noexcept;
// The earlier search: case-sensitive, and a start at the text's length finds nothing.
std::int32_t instring_old(std::int32_t text, std::int32_t search, std::int32_t start) noexcept;
// dest := fragment `index` of the last split.
void fragment_to(std::int32_t index, std::int32_t dest) noexcept;
// The value of fragment `index`.
std::int32_t fragment_int(std::int32_t index) noexcept;
float fragment_float(std::int32_t index) noexcept;

// ---- Conversions ---------------------------------------------------------------------

std::int32_t parse_int(Text t) noexcept;
double parse_float(Text t) noexcept;

} // namespace kx::strings

// ---- Functions that write a destination string ----------------------------------------
// Each reads its sources before it writes, so a destination may be any of them.
namespace kx::strings {

void left(std::int32_t source, std::int32_t dest, std::int32_t count) noexcept;
void right(std::int32_t source, std::int32_t dest, std::int32_t count) noexcept;
void mid(std::int32_t source, std::int32_t dest, std::int32_t start, std::int32_t count) noexcept;
void cut_left(std::int32_t source, std::int32_t dest, std::int32_t position) noexcept;
void cut_right(std::int32_t source, std::int32_t dest, std::int32_t position) noexcept;
void trim_left(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept;
void trim_right(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept;
void trim(std::int32_t source, std::int32_t set, std::int32_t dest) noexcept;
void trim(std::int32_t source, Text set, std::int32_t dest) noexcept;
void to_lower(std::int32_t source, std::int32_t dest) noexcept;
void to_upper(std::int32_t source, std::int32_t dest) noexcept;
void auto_caps(std::int32_t source, std::int32_t dest) noexcept;
void flip(std::int32_t source, std::int32_t dest) noexcept;
void chr(std::int32_t code, std::int32_t dest) noexcept;
std::int32_t asc(std::int32_t source, std::int32_t position) noexcept;
void make(std::int32_t source, std::int32_t count, std::int32_t dest) noexcept;
void pad(std::int32_t source, std::int32_t pad, std::int32_t counter, std::int32_t interval,
         std::int32_t dest) noexcept;
void insert(std::int32_t source, std::int32_t insertion, std::int32_t position,
            std::int32_t dest) noexcept;
void replace(std::int32_t source, std::int32_t search, std::int32_t replacement, std::int32_t start,
             bool fold, bool first_only, std::int32_t dest) noexcept;
std::int32_t clone_file_name(std::int32_t h) noexcept;

// Conversions into a destination.
void format_int(std::int32_t dest, std::int32_t value) noexcept;
void format_float(std::int32_t dest, float value) noexcept;
void format_digits(std::int32_t dest, std::int32_t value, std::int32_t digits) noexcept;
void format_binary(std::int32_t dest, std::int32_t value) noexcept;
void format_hex(std::int32_t dest, std::int32_t value) noexcept;
// The 33 (binary) or 9 (hexadecimal) characters, without a terminator.
void binary_text(char out[33], std::int32_t value) noexcept;
void hex_text(char out[9], std::int32_t value) noexcept;
// The same characters and a zero byte (34 or 10 bytes) at address.
void binary_to_memory(void* address, std::int32_t value) noexcept;
void hex_to_memory(void* address, std::int32_t value) noexcept;

} // namespace kx::strings
