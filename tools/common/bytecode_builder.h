// A small in-memory bytecode builder for tools, tests and benchmarks: appends
// instructions word by word and patches forward jump targets.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "kx/kx_vm.h"

namespace kx::tools {

struct Operand {
    std::int32_t tag, index;
};
inline Operand I(std::int32_t index) {
    return {VM_TAG_INT, index};
}
inline Operand F(std::int32_t index) {
    return {VM_TAG_FLOAT, index};
}

class Bytecode {
  public:
    std::vector<std::int32_t> words;

    std::int32_t here() const { return static_cast<std::int32_t>(words.size()); }

    Bytecode& word(std::int32_t w) {
        words.push_back(w);
        return *this;
    }
    Bytecode& words_of(std::initializer_list<std::int32_t> ws) {
        words.insert(words.end(), ws);
        return *this;
    }
    Bytecode& operand(Operand o) { return word(o.tag).word(o.index); }

    // An instruction of operands followed by plain words (targets, counts).
    Bytecode& ins(std::int32_t opcode, std::initializer_list<Operand> ops,
                  std::initializer_list<std::int32_t> tail = {}) {
        word(opcode);
        for (Operand o : ops)
            operand(o);
        return words_of(tail);
    }

    // Position of the last word written, to patch a forward target later.
    std::int32_t last() const { return here() - 1; }
    void patch(std::int32_t at, std::int32_t value) { words[static_cast<std::size_t>(at)] = value; }

    // Copies the words into a program record.
    void load(VM_Program* p, std::int32_t at = 0) const {
        for (std::size_t k = 0; k < words.size(); ++k)
            VM_PokeProgramMemory(p, at + static_cast<std::int32_t>(k), words[k]);
    }
};

} // namespace kx::tools
