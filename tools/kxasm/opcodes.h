// The instruction set as the tools see it: the interpreter's instructions with
// their mnemonics and operand forms, and the host instructions that kxrun
// carries out when the interpreter hands them back (docs/ASSEMBLY.md).
#pragma once

#include <cstdint>
#include <string_view>

#include "kx/kx_vm.h"
#include "vm/instructions.h"

namespace kx::kxasm {

// Host opcodes: outside the interpreter's set, so every one is handed back.
enum : std::int32_t {
    HOST_END = 2000,   // tag, index: stop; the operand, as an integer, is the exit status
    HOST_CALL = 2001,  // import, nargs, result tag, result index, nargs (tag, index) pairs
    HOST_PRINT = 2002, // flags, n, n (form, tag, index) triples
    HOST_CLOCK = 2003, // tag, index: milliseconds since the host started
    // The screen, window and frame instructions (docs/ASSEMBLY.md, "Graphics").
    HOST_OPEN_SCREEN = 2100,     // screen, width, height, depth: a window and a windowed screen
    HOST_OPEN_FULLSCREEN = 2101, // the same, full screen
    HOST_SYNC = 2102,            // present, pump messages, wait for the next frame
    HOST_FRAME_RATE = 2103,      // rate: frames per second that sync waits for (0: no wait)
    HOST_LOAD_IMAGE = 2104,      // image, path, flags: a PNG file into a new image
    HOST_RANDOM = 2105,          // destination, limit: a number from the seeded generator
    HOST_GET_WINDOW = 2106,      // destination: the window record of the open screen
    // Reserved for further screen, window and frame instructions; refused.
    HOST_RESERVED_FIRST = 2107,
    HOST_RESERVED_LAST = 2199,
};

// Result tag of a HOST_CALL whose result is not kept.
constexpr std::int32_t kNoResult = 0;
// HOST_PRINT: flags and item forms.
constexpr std::int32_t kPrintNewline = 1;
constexpr std::int32_t kPrintValue = 0;  // an integer or float variable, by its tag
constexpr std::int32_t kPrintString = 1; // an integer variable holding a string handle

// Operand layouts of the host instructions, in the form the interpreter's
// instructions are described in (vm/instructions.h).
namespace host_form {
using O = vm::Operand;
inline constexpr vm::Layout kEnd = vm::fixed({O::Typed, "status"});
inline constexpr vm::Layout kClock = vm::fixed({O::TypedOut, "destination"});
inline constexpr vm::Layout kPrint =
    vm::repeating(vm::fixed({O::Word, "flags"}, {O::Count, "item count"}), vm::Repeat::ByCount,
                  {O::PrintItem, "item"});
inline constexpr vm::Layout kCall = vm::repeating(
    vm::fixed({O::Word, "import"}, {O::Count, "argument count"}, {O::Result, "result"}),
    vm::Repeat::ByCount, {O::Argument, "argument"});
inline constexpr vm::Layout kOpenScreen = vm::fixed({O::TypedOut, "screen"}, {O::Typed, "width"},
                                                    {O::Typed, "height"}, {O::Typed, "depth"});
inline constexpr vm::Layout kSync = vm::fixed();
inline constexpr vm::Layout kFrameRate = vm::fixed({O::Typed, "rate"});
inline constexpr vm::Layout kLoadImage =
    vm::fixed({O::TypedOut, "image"}, {O::Typed, "path"}, {O::Typed, "flags"});
inline constexpr vm::Layout kRandom = vm::fixed({O::TypedOut, "destination"}, {O::Typed, "limit"});
inline constexpr vm::Layout kGetWindow = vm::fixed({O::TypedOut, "window"});
} // namespace host_form

struct OpInfo {
    const char* mnemonic;
    std::int32_t opcode;
    const vm::Layout* layout;
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
