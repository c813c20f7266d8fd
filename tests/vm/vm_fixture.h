// A program record owned by a test, with helpers to load bytecode and run it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "bytecode_builder.h"
#include "kx/kx_vm.h"

namespace kx::test {

using tools::Bytecode;
using tools::F;
using tools::I;
using Entries = std::vector<std::pair<std::int32_t, std::int32_t>>;

class Machine {
  public:
    explicit Machine(std::uint32_t words = 512, std::uint32_t stack = 32, std::uint32_t ints = 64,
                     std::uint32_t floats = 64)
        : p(VM_AllocProgram(words, stack, ints, floats)) {}
    ~Machine() {
        if (p) VM_DeleteProgram(p);
    }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    VM_Program* p;

    void load(const Bytecode& c, std::int32_t at = 0) { c.load(p, at); }
    std::int32_t run(std::int32_t from = 0, std::int32_t budget = 1000) {
        return VM_Execute(p, from, budget);
    }
    std::int32_t state() const { return VM_GetLastExecutionState(p); }
    std::int32_t cycles() const { return VM_GetExecutedCycles(p); }
    std::int32_t depth() const { return VM_GetStackCurrentSize(p); }

    std::int32_t& i(std::int32_t k) {
        return reinterpret_cast<std::int32_t*>(static_cast<std::uintptr_t>(p->IntVariables))[k];
    }
    float& f(std::int32_t k) {
        return reinterpret_cast<float*>(static_cast<std::uintptr_t>(p->FloatVariables))[k];
    }
    // Kind and value of stack entry e, through the host's flat view.
    std::int32_t kind(std::int32_t e) { return VM_Stack_Peek(p, 3 * e + 1); }
    std::int32_t value(std::int32_t e) { return VM_Stack_Peek(p, 3 * e + 2); }
    // Every entry as (kind, value), bottom first.
    Entries entries() {
        Entries v;
        for (std::int32_t e = 0; e < depth(); ++e)
            v.emplace_back(kind(e), value(e));
        return v;
    }
    // 32-bit address of program word k, as return entries hold it.
    std::uint32_t address_of(std::int32_t k) const {
        return p->ProgramMemory + 4u * static_cast<std::uint32_t>(k);
    }
};

inline std::uint32_t bits(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

} // namespace kx::test
