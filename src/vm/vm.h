// Internal interface of the bytecode machine: program records, their stacks
// and the interpreter state.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"
#include "kxp/heap.h"

namespace kx::vm {

// A program record as allocated: the published record first, then the sizes
// given at allocation, which the exports and the interpreter use to keep every
// access inside the record's buffers. The host can write the published record
// (StackMaxSize included) but not these.
struct ProgramBlock {
    VM_Program rec;
    std::uint32_t program_words;
    std::uint32_t int_count;
    std::uint32_t float_count;
    std::int32_t stack_capacity;
};

inline ProgramBlock* block_of(VM_Program* p) {
    return reinterpret_cast<ProgramBlock*>(p);
}

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
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(f))));
    return 0;
}

// ---- Stack ------------------------------------------------------------------

inline VM_StackEntry* stack_of(const VM_Program* p) {
    return kxp::ptr<VM_StackEntry>(p->Stack);
}

// A stretch of stack operations on a record, done on local copies of the
// entry array and count and written back by commit(). A record without a
// stack, or whose count lies outside 0..capacity, behaves as a stack that is
// both empty and full: pushes are dropped, pops find nothing.
class StackView {
  public:
    explicit StackView(VM_Program* p)
        : p_(p), s_(stack_of(p)), n_(p->StackCurrentSize), max_(block_of(p)->stack_capacity) {
        if (s_ == nullptr || n_ < 0 || n_ > max_) {
            s_ = nullptr;
            n_ = max_ = 0;
        }
    }
    void commit() {
        if (s_) p_->StackCurrentSize = n_;
    }

    // Kind of the entry `depth` below the top (0: the top), or -1.
    std::int32_t kind(std::int32_t depth = 0) const {
        return depth < n_ ? s_[n_ - 1 - depth].Kind : -1;
    }
    std::int32_t value(std::int32_t depth = 0) const { return s_[n_ - 1 - depth].Value; }

    void push(std::int32_t kind, std::int32_t value) {
        if (n_ >= max_) return;
        s_[n_].Kind = kind;
        s_[n_].Value = value;
        ++n_;
    }
    // Pushes an operand: tag 1069 an integer entry, 1070 a float entry
    // (truncated), 1071 an "other" entry; any other tag only raises the count.
    void push_operand(const std::int32_t* ints, const float* floats, std::int32_t tag,
                      std::int32_t index) {
        if (n_ >= max_) return;
        VM_StackEntry& e = s_[n_++];
        switch (tag) {
        case VM_TAG_INT: e.Kind = VM_STACK_INT, e.Value = ints[index]; break;
        case VM_TAG_FLOAT: e.Kind = VM_STACK_FLOAT, e.Value = to_int(floats[index]); break;
        case VM_TAG_OTHER: e.Kind = VM_STACK_OTHER, e.Value = 0; break;
        default: break;
        }
    }
    std::int32_t take() { return s_[--n_].Value; }
    void drop(std::int32_t k) { n_ -= k; }

    // Pops a kind-1 entry; 0 and nothing popped otherwise.
    std::uint32_t pop_address() {
        return kind() == VM_STACK_ADDRESS ? static_cast<std::uint32_t>(take()) : 0u;
    }
    // Pops a kind-2 or kind-1 entry; 0 and nothing popped otherwise.
    std::int32_t pop_int() {
        std::int32_t k = kind();
        return (k == VM_STACK_INT || k == VM_STACK_ADDRESS) ? take() : 0;
    }
    // Pops a kind-3 entry as a float; 0.0 and nothing popped otherwise.
    float pop_float() { return kind() == VM_STACK_FLOAT ? static_cast<float>(take()) : 0.0f; }

  private:
    VM_Program* p_;
    VM_StackEntry* s_;
    std::int32_t n_, max_;
};

// Single operations, for the exports.
inline void push(VM_Program* p, std::int32_t kind, std::int32_t value) {
    StackView sv(p);
    sv.push(kind, value);
    sv.commit();
}
inline void push_variable(VM_Program* p, const std::int32_t* ints, const float* floats,
                          std::int32_t tag, std::int32_t index) {
    StackView sv(p);
    sv.push_operand(ints, floats, tag, index);
    sv.commit();
}
inline std::uint32_t pop_address(VM_Program* p) {
    StackView sv(p);
    std::uint32_t v = sv.pop_address();
    sv.commit();
    return v;
}
inline std::int32_t pop_int(VM_Program* p) {
    StackView sv(p);
    std::int32_t v = sv.pop_int();
    sv.commit();
    return v;
}

} // namespace kx::vm
