// The bytecode verifier. The interpreter trusts every index and position in
// the bytecode; a host runs a program only after this check has passed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

namespace kx::kxasm {

struct Verification {
    bool ok = false;
    std::vector<std::string> errors;          // at most kMaxVerifyErrors
    std::vector<std::int32_t> host_positions; // every host instruction, in order
};

constexpr std::size_t kMaxVerifyErrors = 20;

// Checks the whole image against the export table of this build:
// - the code [0, code_words) decodes into whole instructions, each known (an
//   interpreter instruction or a host instruction), and the last one does not
//   run on into the lists after the code;
// - every (tag, index) operand names a variable inside its table, with a tag
//   the instruction accepts; every integer-only index is inside the integer table;
// - every jump, call, loop and ON_GOTO target is the start of an instruction;
// - every list position lies in program memory with its pairs inside it;
// - counts are not negative, result counts are at most vm::kMaxResultCount,
//   and every FUNC_RETURN carries at least as many pairs as the largest result
//   count of any CALL; a FUNC_RETURN that ends the code has every pair-like
//   word pair after it in the lists valid too (the interpreter reads pairs as
//   far as its caller's count asks and the words carry operand tags);
// - host instructions: known imports with the right number and kinds of
//   arguments and a valid result, valid print items, no reserved opcode;
// - string banks go to integer variables inside the table.
Verification verify(const Image& image);

} // namespace kx::kxasm
