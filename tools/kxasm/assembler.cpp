// The assembler: source text through the lexer and parser (parser.h) into
// statements and symbols, then layout and emission (emitter.h). See
// docs/ASSEMBLY.md.
#include "assembler.h"

#include "emitter.h"
#include "parser.h"

namespace kx::kxasm {

std::string Diagnostic::text() const {
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: " + message;
}

AssemblyResult assemble(std::string_view source, const std::string& file_name) {
    Diagnostics diag(file_name);
    Parsed parsed = parse(source, diag);
    if (!diag.full()) emit(parsed, diag);
    AssemblyResult r;
    r.errors = diag.take();
    r.ok = r.errors.empty();
    if (r.ok) r.image = std::move(parsed.image);
    return r;
}

} // namespace kx::kxasm
