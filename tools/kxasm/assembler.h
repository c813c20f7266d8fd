// kxasm: assembly text to a program image (docs/ASSEMBLY.md describes the
// language). The assembler reports every error it finds with the file, line
// and column, and never fails in any other way on bad input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image.h"

namespace kx::kxasm {

struct Diagnostic {
    std::string file;
    int line = 0, column = 0;
    std::string message;
    // "file:line:column: error: message"
    std::string text() const;
};

struct AssemblyResult {
    bool ok = false;
    Image image;
    std::vector<Diagnostic> errors;
};

// At most this many errors are reported; the rest are counted in a last one.
constexpr std::size_t kMaxErrors = 50;

AssemblyResult assemble(std::string_view source, const std::string& file_name);

} // namespace kx::kxasm
