// The instruction set as the tools see it: the interpreter's instructions with
// their mnemonics and operand forms, and the host instructions that kxrun
// carries out when the interpreter hands them back (docs/ASSEMBLY.md).
#pragma once

#include <cstdint>
#include <string_view>

#include "kx/kx_vm.h"

namespace kx::kxasm {

// Host opcodes: outside the interpreter's set, so every one is handed back.
enum : std::int32_t {
    HOST_END = 2000,   // tag, index: stop; the operand, as an integer, is the exit status
    HOST_CALL = 2001,  // import, nargs, result tag, result index, nargs (tag, index) pairs
    HOST_PRINT = 2002, // flags, n, n (form, tag, index) triples
    HOST_CLOCK = 2003, // tag, index: milliseconds since the host started
    // Reserved for the screen, window and frame instructions (open a screen,
    // present a frame, pump messages, capture frames); refused until they exist.
    HOST_RESERVED_FIRST = 2100,
    HOST_RESERVED_LAST = 2199,
};

// Result tag of a HOST_CALL whose result is not kept.
constexpr std::int32_t kNoResult = 0;
// HOST_PRINT: flags and item forms.
constexpr std::int32_t kPrintNewline = 1;
constexpr std::int32_t kPrintValue = 0;  // an integer or float variable, by its tag
constexpr std::int32_t kPrintString = 1; // an integer variable holding a string handle

// Operand forms. A "pair" is (tag, index); a "target" a position; counts are
// plain words. Names list the operand words after the opcode, in order.
enum class Form {
    Move,          // D pair, S pair (S must be an integer or float variable)
    Unary,         // D pair, S pair (NOT)
    Step,          // V pair (INC, DEC)
    Arith,         // D pair, A pair, B pair
    ArithInt,      // A index, B index, D index (integer variables)
    Jump,          // target (GOTO, GOSUB)
    Bare,          // nothing (RETURN)
    TestJump,      // V pair, target
    CompareJump,   // A pair, B pair, target
    PastLimitJump, // S pair, V pair, L pair, target
    Next,          // V pair, L pair, target (a float V resumes at target + 1)
    OnGoto,        // V pair, n, n targets
    Push,          // pair, pushed
    Pop,           // pair, written (POP_INT, POP_FLOAT)
    PushN,         // n, n pairs pushed
    PopN,          // n, n pairs popped into
    Call,          // nargs, nret, nargs pairs, target
    FuncReturn,    // pairs (as many as the caller's nret; see the verifier)
    List,          // position of a variable list
    HostEnd,       // pair
    HostCall,      // see HOST_CALL
    HostPrint,     // see HOST_PRINT
    HostClock,     // pair, written
};

struct OpInfo {
    const char* mnemonic;
    std::int32_t opcode;
    Form form;
};

extern const OpInfo kInstructions[];
extern const std::size_t kInstructionCount;

// By mnemonic (case-insensitive) or by opcode; null when unknown.
const OpInfo* find_mnemonic(std::string_view name);
const OpInfo* find_opcode(std::int32_t opcode);

// True for the opcodes that the interpreter executes itself.
bool is_interpreter_opcode(std::int32_t opcode);

// True when execution never continues with the next instruction.
bool ends_flow(std::int32_t opcode);

inline bool is_operand_tag(std::int32_t tag) {
    return tag == VM_TAG_INT || tag == VM_TAG_FLOAT || tag == VM_TAG_OTHER;
}

} // namespace kx::kxasm
