// kxasm: assembly text to a program image (docs/ASSEMBLY.md describes the
// language). The assembler reports every error it finds with the file, line
// and column, and never fails in any other way on bad input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "image.h"

namespace kx::kxasm {

struct AssemblyResult {
    bool ok = false;
    Image image;
    std::vector<Diagnostic> errors;
};

AssemblyResult assemble(std::string_view source, const std::string& file_name);

} // namespace kx::kxasm
