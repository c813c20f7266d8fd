// Number and text conversion.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "strings/strings.h"

namespace kx::strings {
namespace {

inline bool blank_or_tab(std::uint8_t c) {
    return c == ' ' || c == '\t';
}
inline bool c_space(std::uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where a number starts: after the leading blanks and tabs, unless the text
// holds nothing else (then at its first character).
std::int32_t number_start(Text t) {
    std::int32_t k = 0;
    while (k < t.length && blank_or_tab(t.chars[k]))
        ++k;
    return k < t.length ? k : 0;
}

// The digits after a % or $ prefix, accumulated with wrap-around.
bool prefixed(Text t, std::int32_t k, std::uint32_t& value) {
    if (k >= t.length) return false;
    std::uint8_t c = t.chars[k];
    if (c != '%' && c != '$') return false;
    const unsigned base = c == '%' ? 2 : 16;
    value = 0;
    for (++k; k < t.length; ++k) {
        c = t.chars[k];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        if (d >= base) break;
        value = value * base + d;
    }
    return true;
}

// The decimal part reads up to the string's terminator (or its end).
std::string_view decimal_part(Text t, std::int32_t k) {
    std::string_view v = t.view().substr(static_cast<std::size_t>(k));
    std::size_t zero = v.find('\0');
    return zero == std::string_view::npos ? v : v.substr(0, zero);
}

} // namespace

std::int32_t parse_int(Text t) noexcept {
    if (t.empty()) return 0;
    std::int32_t k = number_start(t);
    std::uint32_t value;
    if (prefixed(t, k, value)) return static_cast<std::int32_t>(value);
    std::string_view v = decimal_part(t, k);
    std::size_t i = 0;
    while (i < v.size() && c_space(static_cast<std::uint8_t>(v[i])))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    value = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
        value = value * 10 + unsigned(v[i] - '0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

double parse_float(Text t) noexcept try {
    if (t.empty()) return 0.0;
    std::int32_t k = number_start(t);
    std::uint32_t value;
    if (prefixed(t, k, value)) return static_cast<double>(static_cast<std::int32_t>(value));
    std::string_view v = decimal_part(t, k);
    std::size_t i = 0;
    while (i < v.size() && c_space(static_cast<std::uint8_t>(v[i])))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    double d = 0.0;
    auto r = std::from_chars(v.data() + i, v.data() + v.size(), d, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: what strtod gives.
        d = std::strtod(std::string(v.substr(i)).c_str(), nullptr);
    } else if (r.ec != std::errc()) {
        d = 0.0;
    }
    return negative ? -d : d;
} catch (...) {
    return 0.0; // no memory for the copy strtod reads
}

void format_int(std::int32_t dest, std::int32_t value) noexcept {
    if (room(dest) < 0) return;
    if (room(dest) < 32) resize(dest, 32);
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    assign(dest, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

// Seven significant digits: fixed notation for decimal exponents -1 to 6,
// otherwise d.dddddde+xxx; trailing zeros of the fraction dropped, and a
// lone decimal point at the end followed by one 0.
void format_float(std::int32_t dest, float value) noexcept try {
    if (room(dest) < 0) return;
    if (room(dest) < 64) resize(dest, 64);
    const double v = value;
    if (std::isnan(v)) return assign(dest, "nan");
    if (std::isinf(v)) return assign(dest, v < 0 ? "-inf" : "inf");
    char sci[32];
    std::snprintf(sci, sizeof sci, "%.6e", v);
    const char* e_at = std::strchr(sci, 'e');
    const int e = std::atoi(e_at + 1);
    std::string out;
    if (e >= -1 && e <= 6) {
        char fixed[32];
        std::snprintf(fixed, sizeof fixed, "%.*f", 6 - e, v);
        out = fixed;
        if (out.find('.') != std::string::npos) {
            while (out.back() == '0')
                out.pop_back();
        }
    } else {
        std::string mantissa(sci, static_cast<std::size_t>(e_at - sci));
        while (mantissa.back() == '0')
            mantissa.pop_back();
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "e%c%03d", e < 0 ? '-' : '+', e < 0 ? -e : e);
        out = mantissa + exponent;
    }
    if (out.back() == '.') out.push_back('0');
    assign(dest, out);
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

void format_digits(std::int32_t dest, std::int32_t value, std::int32_t digits) noexcept try {
    if (room(dest) < 0) return;
    if (digits < 1) return (void)set_length(dest, 0);
    const std::int32_t n = std::min(digits, 128);
    char buf[16];
    const auto length =
        static_cast<std::int32_t>(std::to_chars(buf, buf + sizeof buf, value).ptr - buf);
    std::string out(static_cast<std::size_t>(n), '0');
    std::int32_t take = std::min(n, length);
    std::memcpy(out.data() + (n - take), buf + (length - take), static_cast<std::size_t>(take));
    assign(dest, out);
} catch (...) {
    // The buffer could not be had: the destination is left as it was.
}

void binary_text(char out[33], std::int32_t value) noexcept {
    std::uint32_t u = static_cast<std::uint32_t>(value);
    out[0] = '%';
    for (int b = 0; b < 32; ++b)
        out[1 + b] = (u >> (31 - b)) & 1 ? '1' : '0';
}

void hex_text(char out[9], std::int32_t value) noexcept {
    static const char digits[] = "0123456789ABCDEF";
    std::uint32_t u = static_cast<std::uint32_t>(value);
    out[0] = '$';
    for (int n = 0; n < 8; ++n)
        out[1 + n] = digits[(u >> (28 - 4 * n)) & 15];
}

void format_binary(std::int32_t dest, std::int32_t value) noexcept {
    if (room(dest) < 0) return;
    if (room(dest) < 40) resize(dest, 40);
    char buf[33];
    binary_text(buf, value);
    assign(dest, std::string_view(buf, 33));
}

void format_hex(std::int32_t dest, std::int32_t value) noexcept {
    if (room(dest) < 0) return;
    if (room(dest) < 16) resize(dest, 16);
    char buf[9];
    hex_text(buf, value);
    assign(dest, std::string_view(buf, 9));
}

void binary_to_memory(void* address, std::int32_t value) noexcept {
    if (!address) return;
    char buf[34];
    binary_text(buf, value);
    buf[33] = 0;
    std::memcpy(address, buf, sizeof buf);
}

void hex_to_memory(void* address, std::int32_t value) noexcept {
    if (!address) return;
    char buf[10];
    hex_text(buf, value);
    buf[9] = 0;
    std::memcpy(address, buf, sizeof buf);
}

} // namespace kx::strings
