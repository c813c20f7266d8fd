// Internal interface of the bytecode machine: program records, their stacks
// and the interpreter state.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"
#include "kxp/heap.h"

namespace kx::vm {

// A program record as allocated: the published record first, then the sizes
// given at allocation, which the exports use to keep every access inside the
// record's buffers.
struct ProgramBlock {
    VM_Program rec;
    std::uint32_t program_words;
    std::uint32_t int_count;
    std::uint32_t float_count;
};

inline ProgramBlock* block_of(VM_Program* p) { return reinterpret_cast<ProgramBlock*>(p); }

VM_Program* alloc_program(std::uint32_t words, std::uint32_t stack, std::uint32_t ints,
                          std::uint32_t floats);
void delete_program(VM_Program* p);

std::int32_t execute(VM_Program* p, std::int32_t position, std::int32_t budget);

// The interpreter state: the tables of the program most recently started by
// execute(). Stays in place after a run; cleared when that program is deleted.
struct State {
    VM_Program* program = nullptr;
    std::uint32_t* base = nullptr;
    std::int32_t* ints = nullptr;
    float* floats = nullptr;
    std::uint32_t* ip = nullptr;
};
extern State g_state;

// ---- Conversions ------------------------------------------------------------

// Float to integer: truncation to 64 bits, low 32 bits kept; out of the 64-bit
// range, infinities and NaN give 0.
inline std::int32_t to_int(double f) {
    if (f >= -0x1p63 && f < 0x1p63)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(static_cast<std::int64_t>(f))));
    return 0;
}

// ---- Stack ------------------------------------------------------------------

inline VM_StackEntry* stack_of(const VM_Program* p) { return kxp::ptr<VM_StackEntry>(p->Stack); }

// Pushes one entry unless there is no stack or it is full (then nothing happens).
inline void push(VM_Program* p, std::int32_t kind, std::int32_t value) {
    VM_StackEntry* s = stack_of(p);
    std::int32_t n = p->StackCurrentSize;
    if (s == nullptr || n < 0 || n >= p->StackMaxSize) return;
    s[n].Kind = kind;
    s[n].Value = value;
    p->StackCurrentSize = n + 1;
}

// Kind of the top entry, or -1 when there is none.
inline std::int32_t top_kind(const VM_Program* p) {
    const VM_StackEntry* s = stack_of(p);
    std::int32_t n = p->StackCurrentSize;
    if (s == nullptr || n <= 0 || n > p->StackMaxSize) return -1;
    return s[n - 1].Kind;
}

inline std::int32_t take_top(VM_Program* p) {
    std::int32_t n = --p->StackCurrentSize;
    return stack_of(p)[n].Value;
}

// Pops a kind-1 entry; 0 and nothing popped otherwise.
inline std::uint32_t pop_address(VM_Program* p) {
    return top_kind(p) == VM_STACK_ADDRESS ? static_cast<std::uint32_t>(take_top(p)) : 0u;
}

// Pops a kind-2 or kind-1 entry; 0 and nothing popped otherwise.
inline std::int32_t pop_int(VM_Program* p) {
    std::int32_t k = top_kind(p);
    return (k == VM_STACK_INT || k == VM_STACK_ADDRESS) ? take_top(p) : 0;
}

// Pops a kind-3 entry as a float; 0.0 and nothing popped otherwise.
inline float pop_float(VM_Program* p) {
    return top_kind(p) == VM_STACK_FLOAT ? static_cast<float>(take_top(p)) : 0.0f;
}

// Pushes an operand: tag 1069 an integer entry, 1070 a float entry (truncated),
// 1071 an "other" entry; any other tag only raises the count.
inline void push_variable(VM_Program* p, const std::int32_t* ints, const float* floats,
                          std::int32_t tag, std::int32_t index) {
    switch (tag) {
    case VM_TAG_INT: push(p, VM_STACK_INT, ints[index]); break;
    case VM_TAG_FLOAT: push(p, VM_STACK_FLOAT, to_int(floats[index])); break;
    case VM_TAG_OTHER: push(p, VM_STACK_OTHER, 0); break;
    default: {
        std::int32_t n = p->StackCurrentSize;
        if (stack_of(p) != nullptr && n >= 0 && n < p->StackMaxSize) p->StackCurrentSize = n + 1;
    }
    }
}

} // namespace kx::vm
