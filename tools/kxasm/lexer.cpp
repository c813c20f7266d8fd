#include "lexer.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "image.h"

namespace kx::kxasm {
namespace {

bool ident_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool ident_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

class Lexer {
  public:
    explicit Lexer(Diagnostics& diag) : diag_(diag) {}

    bool lex(std::string_view s, int line, std::vector<Token>& out) {
        std::size_t k = 0;
        while (k < s.size()) {
            char c = s[k];
            int col = static_cast<int>(k) + 1;
            if (c == ';') break;
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++k;
                continue;
            }
            if (ident_start(c)) {
                std::size_t b = k;
                while (k < s.size() && ident_char(s[k]))
                    ++k;
                out.push_back({Token::Ident, std::string(s.substr(b, k - b)), 0, 0, col});
                continue;
            }
            bool sign = (c == '-' || c == '+') && k + 1 < s.size() &&
                        std::isdigit(static_cast<unsigned char>(s[k + 1]));
            if (std::isdigit(static_cast<unsigned char>(c)) || sign) {
                if (!lex_number(s, k, line, out)) return false;
                continue;
            }
            if (c == '"') {
                if (!lex_string(s, k, line, out)) return false;
                continue;
            }
            if (c == ',' || c == ':' || c == '=' || c == '(' || c == ')' || c == '[' || c == ']') {
                out.push_back({Token::Punct, std::string(1, c), 0, 0, col});
                ++k;
                continue;
            }
            error(line, col, std::string("unexpected character '") + c + "'");
            return false;
        }
        return true;
    }

    bool lex_number(std::string_view s, std::size_t& k, int line, std::vector<Token>& out) {
        std::size_t b = k;
        int col = static_cast<int>(k) + 1;
        bool negative = s[k] == '-';
        if (s[k] == '-' || s[k] == '+') ++k;
        std::size_t digits = k;
        bool hex = k + 1 < s.size() && s[k] == '0' && (s[k + 1] == 'x' || s[k + 1] == 'X');
        bool is_float = false;
        if (hex) {
            k += 2;
            while (k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k])))
                ++k;
        } else {
            while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                ++k;
            if (k < s.size() && s[k] == '.') {
                is_float = true;
                ++k;
                while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                    ++k;
            }
            if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
                std::size_t e = k + 1;
                if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
                if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
                    is_float = true;
                    k = e;
                    while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                        ++k;
                }
            }
        }
        std::string text(s.substr(b, k - b));
        if (k < s.size() && ident_char(s[k])) {
            while (k < s.size() && ident_char(s[k]))
                text += s[k++];
            error(line, col, "malformed number '" + text + "'");
            return false;
        }
        if (is_float) {
            double v = std::strtod(text.c_str(), nullptr);
            if (!std::isfinite(v) || std::fabs(v) > double(FLT_MAX)) {
                error(line, col, "value " + text + " does not fit in a 32-bit float");
                return false;
            }
            Token t{Token::Float, text, 0, static_cast<float>(v), col};
            out.push_back(t);
            return true;
        }
        std::string body(s.substr(hex ? digits + 2 : digits, k - (hex ? digits + 2 : digits)));
        if (body.empty()) {
            error(line, col, "malformed number '" + text + "'");
            return false;
        }
        // Accumulate with a cap so that long digit strings cannot overflow.
        std::uint64_t v = 0;
        bool big = false;
        for (char d : body) {
            v = v * (hex ? 16 : 10) +
                static_cast<std::uint64_t>(std::isdigit(static_cast<unsigned char>(d))
                                               ? d - '0'
                                               : std::tolower(static_cast<unsigned char>(d)) - 'a' +
                                                     10);
            if (v > 0xFFFFFFFFull) big = true, v = 0xFFFFFFFFull + 1;
        }
        // Decimal values must fit a signed 32-bit integer; hexadecimal ones give
        // the 32 bits written (0xFFFFFFFF is -1).
        std::int64_t value =
            negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
        big = big || value < INT32_MIN || value > (hex ? std::int64_t(UINT32_MAX) : INT32_MAX);
        if (big) {
            error(line, col, "value " + text + " does not fit in a 32-bit integer");
            return false;
        }
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        out.push_back({Token::Int, text, value, 0, col});
        return true;
    }

    bool lex_string(std::string_view s, std::size_t& k, int line, std::vector<Token>& out) {
        int col = static_cast<int>(k) + 1;
        std::string bytes;
        ++k;
        while (k < s.size() && s[k] != '"') {
            char c = s[k++];
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (k >= s.size()) break;
            char e = s[k++];
            switch (e) {
            case 'n': bytes += '\n'; break;
            case 't': bytes += '\t'; break;
            case 'r': bytes += '\r'; break;
            case '0': bytes += '\0'; break;
            case '\\': bytes += '\\'; break;
            case '"': bytes += '"'; break;
            case 'x': {
                int v = 0, n = 0;
                while (n < 2 && k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k]))) {
                    char d = static_cast<char>(std::tolower(static_cast<unsigned char>(s[k++])));
                    v = v * 16 +
                        (std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10);
                    ++n;
                }
                if (n == 0) {
                    error(line, static_cast<int>(k), "\\x needs hexadecimal digits");
                    return false;
                }
                bytes += static_cast<char>(v);
                break;
            }
            default:
                error(line, static_cast<int>(k) - 1, std::string("unknown escape '\\") + e + "'");
                return false;
            }
        }
        if (k >= s.size()) {
            error(line, col, "unterminated string");
            return false;
        }
        ++k;
        if (bytes.size() > kMaxStringBytes) {
            error(line, col, "string longer than " + std::to_string(kMaxStringBytes) + " bytes");
            return false;
        }
        out.push_back({Token::Str, bytes, 0, 0, col});
        return true;
    }

  private:
    Diagnostics& diag_;
    void error(int line, int col, const std::string& message) { diag_.error(line, col, message); }
};

} // namespace

bool lex_line(std::string_view text, int line, Diagnostics& diag, std::vector<Token>& out) {
    return Lexer(diag).lex(text, line, out);
}

} // namespace kx::kxasm
