// The operand layout of every instruction, written once: the interpreter steps
// over its instructions with it, and the assembler, the verifier and kxrun
// decode and emit bytecode with it. Header only, with no dependency beyond the
// opcode and tag values, so that both the runtime and the tools include it.
#pragma once

#include <cstdint>

#include "kx/kx_vm.h"

namespace kx::vm {

// What one operand is. Pairs take two words (tag, index), a print item three
// (form, tag, index), every other operand one word.
enum class Operand : std::uint8_t {
    None,
    Read,        // pair read: tag 1069 the integer table, any other tag the float table
    Write,       // pair written, through the same tables
    Typed,       // pair read: an integer or float variable only
    TypedOut,    // pair written: an integer or float variable only
    Push,        // pair pushed by kind: 1069 and 1070 name variables, 1071 none
    PopTo,       // pair popped into: 1069 and 1070 name variables, 1071 none
    IntIndex,    // an index into the integer table, read
    IntIndexOut, // an index into the integer table, written
    Target,      // a position of program memory (see NEXT below)
    Count,       // the number of repeated operands
    Word,        // a plain word: a result count, print flags, an import number
    List,        // the position of a variable list: a count n, then n pairs
    Result,      // host call: a pair written, or tag 0 for none
    Argument,    // host call: a pair read, as the called export's parameter needs
    PrintItem,   // host print: form, then a pair read
};

constexpr int width(Operand k) {
    switch (k) {
    case Operand::None: return 0;
    case Operand::Read:
    case Operand::Write:
    case Operand::Typed:
    case Operand::TypedOut:
    case Operand::Push:
    case Operand::PopTo:
    case Operand::Result:
    case Operand::Argument: return 2;
    case Operand::PrintItem: return 3;
    default: return 1;
    }
}

struct OperandSpec {
    Operand kind = Operand::None;
    const char* name = ""; // as the verifier names it in its messages
};

// How the repeated part of an instruction is counted.
enum class Repeat : std::uint8_t {
    None,     // fixed length
    ByCount,  // as many as the Count operand among the fixed ones says
    ByCaller, // as many as the caller's result count (FUNC_RETURN)
};

// An instruction form: up to four fixed operands, then `repeated` as many times
// as the count says, then one `tail` operand. Words, opcode included:
// 1 + fixed + n * width(repeated) + width(tail).
struct Layout {
    OperandSpec fixed[4];
    Repeat repeat = Repeat::None;
    OperandSpec repeated;
    OperandSpec tail;

    constexpr int fixed_words() const {
        int n = 0;
        for (const OperandSpec& o : fixed)
            n += width(o.kind);
        return n;
    }
    // Offset of the count word after the opcode, or -1.
    constexpr int count_offset() const {
        int n = 0;
        for (const OperandSpec& o : fixed) {
            if (o.kind == Operand::Count) return n;
            n += width(o.kind);
        }
        return -1;
    }
    // Words of an instruction with n repeated operands, the opcode included.
    constexpr std::int64_t length(std::int64_t n = 0) const {
        return 1 + fixed_words() + n * width(repeated.kind) + width(tail.kind);
    }
};

// ---- The forms ------------------------------------------------------------------

// A form of fixed operands only, and one with a repeated part.
constexpr Layout fixed(OperandSpec a = {}, OperandSpec b = {}, OperandSpec c = {},
                       OperandSpec d = {}) {
    Layout l;
    l.fixed[0] = a, l.fixed[1] = b, l.fixed[2] = c, l.fixed[3] = d;
    return l;
}
constexpr Layout repeating(Layout l, Repeat r, OperandSpec repeated, OperandSpec tail = {}) {
    l.repeat = r, l.repeated = repeated, l.tail = tail;
    return l;
}

namespace form {
using O = Operand;
inline constexpr Layout kMove = fixed({O::Write, "destination"}, {O::Typed, "source"});
inline constexpr Layout kUnary = fixed({O::Write, "destination"}, {O::Read, "source"});
inline constexpr Layout kStep = fixed({O::Write, "operand"});
inline constexpr Layout kArith = fixed({O::Write, "destination"}, {O::Read, "A"}, {O::Read, "B"});
inline constexpr Layout kArithInt =
    fixed({O::IntIndex, "A"}, {O::IntIndex, "B"}, {O::IntIndexOut, "destination"});
inline constexpr Layout kJump = fixed({O::Target, "target"});
inline constexpr Layout kBare = fixed();
inline constexpr Layout kTestJump = fixed({O::Read, "operand"}, {O::Target, "target"});
inline constexpr Layout kCompareJump = fixed({O::Read, "A"}, {O::Read, "B"}, {O::Target, "target"});
inline constexpr Layout kPastLimitJump =
    fixed({O::Read, "S"}, {O::Read, "V"}, {O::Read, "L"}, {O::Target, "target"});
// NEXT: an integer loop variable goes on at the target; a float one at the word
// AFTER the target (target + 1, added as a 32-bit word). That is how the
// instruction is defined, and compiled programs depend on it; so the assembler
// writes a label's position minus one for a float loop variable, and the
// verifier checks the position that execution really reaches. next_resume()
// below is the one place that computes it.
inline constexpr Layout kNext =
    fixed({O::Write, "loop variable"}, {O::Read, "limit"}, {O::Target, "target"});
inline constexpr Layout kOnGoto = repeating(fixed({O::Read, "operand"}, {O::Count, "table size"}),
                                            Repeat::ByCount, {O::Target, "target"});
inline constexpr Layout kPush = fixed({O::Push, "operand"});
inline constexpr Layout kPop = fixed({O::Write, "operand"});
inline constexpr Layout kPushN =
    repeating(fixed({O::Count, "count"}), Repeat::ByCount, {O::Push, "pair"});
inline constexpr Layout kPopN =
    repeating(fixed({O::Count, "count"}), Repeat::ByCount, {O::PopTo, "pair"});
// FUNC_CALL: the argument count, the result count (which the callee's
// FUNC_RETURN reads back from the stack), the arguments, the target.
inline constexpr Layout kCall =
    repeating(fixed({O::Count, "argument count"}, {O::Word, "result count"}), Repeat::ByCount,
              {O::Push, "argument"}, {O::Target, "target"});
inline constexpr Layout kFuncReturn = repeating(fixed(), Repeat::ByCaller, {O::Push, "result"});
inline constexpr Layout kList = fixed({O::List, "list"});
} // namespace form

// Every instruction of the interpreter: opcode name, mnemonic, handler, form.
// Two opcodes may share a handler.
#define KX_VM_INSTRUCTIONS(X)                                                                      \
    X(MOVE, "move", op_move, kMove)                                                                \
    X(GOTO, "goto", op_goto, kJump)                                                                \
    X(GOSUB, "gosub", op_gosub, kJump)                                                             \
    X(RETURN, "return", op_return, kBare)                                                          \
    X(JUMP_IF_ZERO_INT, "jump_if_zero_int", op_jump_if_zero_int, kTestJump)                        \
    X(JUMP_IF_ZERO_INT2, "jump_if_zero_int2", op_jump_if_zero_int, kTestJump)                      \
    X(NEXT, "next", op_next, kNext)                                                                \
    X(INC, "inc", op_inc, kStep)                                                                   \
    X(DEC, "dec", op_dec, kStep)                                                                   \
    X(PUSH, "push", op_push, kPush)                                                                \
    X(POP_INT, "pop_int", op_pop_int, kPop)                                                        \
    X(POP_FLOAT, "pop_float", op_pop_float, kPop)                                                  \
    X(JUMP_IF_ZERO, "jump_if_zero", op_jump_if_zero, kTestJump)                                    \
    X(CALL, "func_call", op_call, kCall)                                                           \
    X(FUNC_RETURN, "func_return", op_func_return, kFuncReturn)                                     \
    X(ON_GOTO, "on_goto", op_on_goto, kOnGoto)                                                     \
    X(POP_N, "pop_n", op_pop_n, kPopN)                                                             \
    X(PUSH_N, "push_n", op_push_n, kPushN)                                                         \
    X(CLEAR_LIST, "clear_list", op_clear_list, kList)                                              \
    X(POP_LIST, "pop_list", op_pop_list, kList)                                                    \
    X(PUSH_LIST, "push_list", op_push_list, kList)                                                 \
    X(AND, "and", op_and, kArith)                                                                  \
    X(OR, "or", op_or, kArith)                                                                     \
    X(XOR, "xor", op_xor, kArith)                                                                  \
    X(NOT, "not", op_not, kUnary)                                                                  \
    X(CMP_EQ, "cmp_eq", op_cmp_eq, kArith)                                                         \
    X(CMP_NE, "cmp_ne", op_cmp_ne, kArith)                                                         \
    X(CMP_LT, "cmp_lt", op_cmp_lt, kArith)                                                         \
    X(CMP_GT, "cmp_gt", op_cmp_gt, kArith)                                                         \
    X(CMP_LE, "cmp_le", op_cmp_le, kArith)                                                         \
    X(CMP_GE, "cmp_ge", op_cmp_ge, kArith)                                                         \
    X(JUMP_GT, "jump_gt", op_jump_gt, kCompareJump)                                                \
    X(JUMP_LT, "jump_lt", op_jump_lt, kCompareJump)                                                \
    X(JUMP_NOT_NEG, "jump_not_neg", op_jump_not_neg, kCompareJump)                                 \
    X(JUMP_PAST_LIMIT, "jump_past_limit", op_jump_past_limit, kPastLimitJump)                      \
    X(ADD_INT, "add_int", op_add_int, kArithInt)                                                   \
    X(ADD, "add", op_add, kArith)                                                                  \
    X(SUB_INT, "sub_int", op_sub_int, kArithInt)                                                   \
    X(SUB, "sub", op_sub, kArith)                                                                  \
    X(MUL_INT, "mul_int", op_mul_int, kArithInt)                                                   \
    X(MUL, "mul", op_mul, kArith)                                                                  \
    X(DIV_INT, "div_int", op_div_int, kArithInt)                                                   \
    X(DIV, "div", op_div, kArith)

// The interpreter's opcodes lie in [kFirstOpcode, kLastOpcode]; the gaps are
// host opcodes.
constexpr std::int32_t kFirstOpcode = VM_OP_MOVE;
constexpr std::int32_t kLastOpcode = VM_OP_DIV;

struct InstructionInfo {
    std::int32_t opcode;
    const char* mnemonic;
    const Layout* layout;
};

inline constexpr InstructionInfo kInstructionTable[] = {
#define KX_VM_ROW(NAME, mnemonic, handler, layout) {VM_OP_##NAME, mnemonic, &form::layout},
    KX_VM_INSTRUCTIONS(KX_VM_ROW)
#undef KX_VM_ROW
};

// The layout of an interpreter opcode; null for any other value.
constexpr const Layout* layout_of(std::int32_t opcode) {
    for (const InstructionInfo& i : kInstructionTable)
        if (i.opcode == opcode) return i.layout;
    return nullptr;
}

// Operand words of a fixed-length instruction (everything after the opcode),
// as a constant for the interpreter's steps.
template <std::int32_t Opcode>
inline constexpr std::int32_t
    kOperandWords = static_cast<std::int32_t>(layout_of(Opcode)->length() - 1);

// Words of each repeated operand of an instruction.
template <std::int32_t Opcode>
inline constexpr std::int32_t kRepeatWords = width(layout_of(Opcode)->repeated.kind);

// The largest result count that a verified CALL carries. CALL pushes its
// count as a kind-1 entry, where RETURN and FUNC_RETURN look for return
// addresses; they accept only addresses of program words, and program memory
// never lies below 64 MiB (the low heap's lowest start), so a count this small
// can never pass for one.
constexpr std::int32_t kMaxResultCount = 0xFFFF;

// Where NEXT goes on when the loop continues (see form::kNext).
constexpr std::uint32_t next_resume(std::int32_t tag, std::uint32_t target) {
    return tag == VM_TAG_INT ? target : target + 1u;
}

} // namespace kx::vm
