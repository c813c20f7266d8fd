// Exports of the bytecode machine: program records, stacks, variables and the
// interpreter. Indexes are checked against the sizes given at allocation: an
// index outside its table reads 0 and writes nothing.
#include <algorithm>

#include "kx/kx_vm.h"
#include "vm/vm.h"

using namespace kx::vm;

namespace {
template <class T> T* table_at(std::uint32_t address, std::uint32_t count, std::int32_t index) {
    if (address == 0 || static_cast<std::uint32_t>(index) >= count) return nullptr;
    return kxp::ptr<T>(address) + index;
}
} // namespace

extern "C" {

KX_API VM_Program* KX_CALL VM_AllocProgram(uint32_t program_words, uint32_t stack_entries,
                                           uint32_t int_count, uint32_t float_count) noexcept {
    return alloc_program(program_words, stack_entries, int_count, float_count);
}

KX_API void KX_CALL VM_DeleteProgram(VM_Program* program) noexcept {
    delete_program(program);
}

KX_API int32_t KX_CALL VM_GetStackMaxSize(VM_Program* program) noexcept {
    return program ? program->StackMaxSize : 0;
}

KX_API int32_t KX_CALL VM_GetStackCurrentSize(VM_Program* program) noexcept {
    return program ? program->StackCurrentSize : 0;
}

KX_API void KX_CALL VM_Stack_Push_Address(VM_Program* program, uint32_t value) noexcept {
    if (program) push(program, VM_STACK_ADDRESS, static_cast<int32_t>(value));
}

KX_API uint32_t KX_CALL VM_Stack_Pop_Addr(VM_Program* program) noexcept {
    return program ? pop_address(program) : 0;
}

KX_API int32_t KX_CALL VM_Stack_Pop_INT(VM_Program* program) noexcept {
    return program ? pop_int(program) : 0;
}

KX_API int32_t KX_CALL VM_Stack_Peek(VM_Program* program, int32_t word_index) noexcept {
    if (!program) return 0;
    // The entry array as allocated: capacity + 1 entries of three words.
    const uint64_t words = (uint64_t(block_of(program)->stack_capacity) + 1) * 3;
    const int32_t* w = table_at<int32_t>(
        program->Stack, static_cast<uint32_t>(std::min<uint64_t>(words, UINT32_MAX)), word_index);
    return w ? *w : 0;
}

// Reads the tables of the program most recently started by VM_Execute; before
// any run there are none and the push is refused.
KX_API void KX_CALL VM_Stack_Push_Variable(VM_Program* program, int32_t tag,
                                           int32_t index) noexcept {
    if (!program || g_state.program == nullptr) return;
    const ProgramBlock* last = block_of(g_state.program);
    if ((tag == VM_TAG_INT && static_cast<uint32_t>(index) >= last->int_count) ||
        (tag == VM_TAG_FLOAT && static_cast<uint32_t>(index) >= last->float_count))
        return;
    push_variable(program, g_state.ints, g_state.floats, tag, index);
}

KX_API int32_t KX_CALL VM_SetPC(VM_Program* program, int32_t position) noexcept {
    if (!program) return 0;
    program->PC = position;
    return position;
}

KX_API int32_t KX_CALL VM_GetPC(VM_Program* program) noexcept {
    return program ? program->PC : 0;
}

KX_API int32_t KX_CALL VM_GetExecutedCycles(VM_Program* program) noexcept {
    return program ? program->ExecutedCycles : 0;
}

KX_API int32_t KX_CALL VM_GetLastExecutionState(VM_Program* program) noexcept {
    return program ? program->LastExecutionState : 0;
}

KX_API void KX_CALL VM_PokeProgramMemory(VM_Program* program, int32_t index,
                                         int32_t word) noexcept {
    if (!program) return;
    if (auto* w =
            table_at<int32_t>(program->ProgramMemory, block_of(program)->program_words, index))
        *w = word;
}

KX_API int32_t KX_CALL VM_PeekProgramMemory(VM_Program* program, int32_t index) noexcept {
    if (!program) return 0;
    auto* w = table_at<int32_t>(program->ProgramMemory, block_of(program)->program_words, index);
    return w ? *w : 0;
}

KX_API void KX_CALL VM_PokeIntVariable(VM_Program* program, int32_t index, int32_t value) noexcept {
    if (!program) return;
    if (auto* v = table_at<int32_t>(program->IntVariables, block_of(program)->int_count, index))
        *v = value;
}

KX_API int32_t KX_CALL VM_PeekIntVariable(VM_Program* program, int32_t index) noexcept {
    if (!program) return 0;
    auto* v = table_at<int32_t>(program->IntVariables, block_of(program)->int_count, index);
    return v ? *v : 0;
}

KX_API void KX_CALL VM_PokeFloatVariable(VM_Program* program, int32_t index, float value) noexcept {
    if (!program) return;
    if (auto* v = table_at<float>(program->FloatVariables, block_of(program)->float_count, index))
        *v = value;
}

KX_API float KX_CALL VM_PeekFloatVariable(VM_Program* program, int32_t index) noexcept {
    if (!program) return 0.0f;
    auto* v = table_at<float>(program->FloatVariables, block_of(program)->float_count, index);
    return v ? *v : 0.0f;
}

KX_API int32_t KX_CALL VM_Execute(VM_Program* program, int32_t position, int32_t budget) noexcept {
    return program ? execute(program, position, budget) : position;
}

} // extern "C"
