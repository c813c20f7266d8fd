// The assembler's last pass: lays the parsed statements out (sizes from the
// instruction layouts, label positions, variable lists after the code) and
// emits their words, checking every operand against its statement.
#pragma once

#include "diagnostics.h"
#include "parser.h"

namespace kx::kxasm {

// Fills parsed.image with the code, the lists, the constants and the imports.
void emit(Parsed& parsed, Diagnostics& diag);

} // namespace kx::kxasm
