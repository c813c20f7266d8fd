// The table of the runtime's exports, generated from include/kx/kx_vm.h at
// build time (tools/kxasm/exportgen.cpp): name, result and parameter kinds,
// parameter names, and a typed thunk that calls the export through its address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kx::kxasm {

// Kinds: 'i' int32_t, 'u' uint32_t, 'f' float, 'p' address, 'v' none (results).
struct ExportInfo {
    const char* name;
    char result;
    const char* params; // one kind letter per parameter
    const char* param_names;
    // Calls the export at `fn` with one 32-bit word per parameter (addresses
    // are zero-extended, floats given by their bits); returns the result's bits
    // (an address in full, so that the caller can check that it fits 32 bits).
    std::uint64_t (*call)(void* fn, const std::uint32_t* args);

    std::size_t arity() const { return std::char_traits<char>::length(params); }
};

extern const ExportInfo kExportTable[];
extern const std::size_t kExportCount;

// The entry of that name, or null.
const ExportInfo* find_export(std::string_view name);
// Its position in kExportTable.
inline std::size_t export_id(const ExportInfo* e) {
    return static_cast<std::size_t>(e - kExportTable);
}

} // namespace kx::kxasm
