// Bytecode through the verifier into the interpreter: the input becomes a
// program image (words drawn mostly from the instruction set's opcodes, tags
// and small numbers, or a bytecode file). kxrun's host verifies it and runs
// every program the verifier accepts, under the sanitizers, with a cycle
// limit. Programs import no exports: the raw-memory exports trust their
// addresses, so calls are outside what verification can make safe.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "host.h"
#include "image.h"
#include "opcodes.h"

namespace {

// Never destroyed: the runtime stays loaded until the process ends, so that the
// leak check at exit still sees the runtime's own lasting allocations.
kx::run::Runtime& runtime() {
    static kx::run::Runtime& rt = *new kx::run::Runtime;
    static bool loaded = [] {
        std::string error;
        if (!rt.load(kx::run::runtime_beside_executable(), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        return true;
    }();
    (void)loaded;
    return rt;
}

std::int32_t word(kx::fuzz::Input& in) {
    static const std::int32_t vocabulary[] = {VM_OP_MOVE,
                                              VM_OP_GOTO,
                                              VM_OP_GOSUB,
                                              VM_OP_RETURN,
                                              VM_OP_JUMP_IF_ZERO_INT,
                                              VM_OP_NEXT,
                                              VM_OP_INC,
                                              VM_OP_PUSH,
                                              VM_OP_POP_INT,
                                              VM_OP_POP_FLOAT,
                                              VM_OP_JUMP_IF_ZERO,
                                              VM_OP_CALL,
                                              VM_OP_FUNC_RETURN,
                                              VM_OP_ON_GOTO,
                                              VM_OP_POP_N,
                                              VM_OP_PUSH_N,
                                              VM_OP_CLEAR_LIST,
                                              VM_OP_POP_LIST,
                                              VM_OP_PUSH_LIST,
                                              VM_OP_CMP_LT,
                                              VM_OP_JUMP_PAST_LIMIT,
                                              VM_OP_ADD_INT,
                                              VM_OP_DIV,
                                              VM_OP_DIV_INT,
                                              kx::kxasm::HOST_END,
                                              kx::kxasm::HOST_PRINT,
                                              kx::kxasm::HOST_CLOCK,
                                              VM_TAG_INT,
                                              VM_TAG_FLOAT,
                                              VM_TAG_OTHER,
                                              VM_TAG_INT,
                                              VM_TAG_FLOAT,
                                              INT32_MIN,
                                              INT32_MAX,
                                              -1,
                                              0xFFFF,
                                              0x10000};
    std::uint8_t k = in.byte();
    if (k < 0x80) return k % 24;
    if (k < 0xF0) return vocabulary[k % (sizeof vocabulary / sizeof vocabulary[0])];
    return static_cast<std::int32_t>(in.u32());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    kx::fuzz::keep_raster_library();
    kx::kxasm::Image im;
    if (kx::kxasm::has_magic(data, size)) {
        std::string error;
        if (!kx::kxasm::decode(data, size, im, error)) return 0;
        im.imports.clear();
    } else {
        kx::fuzz::Input in(data, size);
        im.ints.resize(in.byte() % 9);
        im.float_bits.resize(in.byte() % 9);
        im.stack = in.byte() % 17;
        std::size_t lists = in.byte() % 16;
        while (in.more() && im.words.size() < 4096)
            im.words.push_back(word(in));
        for (std::int32_t& v : im.ints)
            v = static_cast<std::int32_t>(im.words.size() % 5) - 2;
        im.code_words =
            static_cast<std::uint32_t>(im.words.size() - std::min(lists, im.words.size()));
    }
    if (im.words.size() > (1u << 16) || im.stack > (1u << 16)) return 0; // keep runs short
    kx::run::Options opt;
    opt.budget = 1 + static_cast<std::int32_t>(size % 97);
    opt.max_cycles = 20000;
    opt.banks = 256;
    opt.out = sink;
    kx::run::Host host(runtime(), opt);
    std::vector<std::string> errors;
    if (host.load(im, errors)) host.run();
    return 0;
}
