// The assembler's source text: any text assembles or is refused with
// messages; what assembles passes the verifier and survives the bytecode
// file's round trip unchanged.
#include <cstdlib>
#include <string_view>

#include "assembler.h"
#include "image.h"
#include "verifier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view source(reinterpret_cast<const char*>(data), size);
    kx::kxasm::AssemblyResult r = kx::kxasm::assemble(source, "fuzz.kxa");
    if (!r.ok) {
        if (r.errors.empty()) std::abort(); // a refusal always says why
        return 0;
    }
    kx::kxasm::Verification v = kx::kxasm::verify(r.image);
    if (v.ok != v.errors.empty()) std::abort();
    std::vector<std::uint8_t> bytes = kx::kxasm::encode(r.image);
    kx::kxasm::Image back;
    std::string error;
    if (!kx::kxasm::decode(bytes.data(), bytes.size(), back, error) ||
        back.words != r.image.words || back.code_words != r.image.code_words ||
        back.ints != r.image.ints || back.float_bits != r.image.float_bits ||
        back.imports != r.image.imports)
        std::abort();
    return 0;
}
