// The assembler's lexer: one line of source into tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"

namespace kx::kxasm {

struct Token {
    enum Kind { Ident, Int, Float, Str, Punct } kind;
    std::string text; // identifier, punctuation, or a string literal's bytes
    std::int64_t i = 0;
    float f = 0;
    int col = 0;
};

// Splits one line into tokens; a ';' starts a comment. Integers must fit 32
// bits (decimal signed, hexadecimal as written), floats a 32-bit float. False,
// with the error reported, at the first bad token.
bool lex_line(std::string_view text, int line, Diagnostics& diag, std::vector<Token>& out);

} // namespace kx::kxasm
