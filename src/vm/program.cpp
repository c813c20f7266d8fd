// Program records: allocation and release.
#include "vm/vm.h"

namespace kx::vm {

State g_state;

namespace {
// Program memory gets a few zero words past its end: a run that falls off the
// end meets opcode 0, which is not an instruction, and stops for the host.
constexpr std::uint64_t kGuardWords = 8;
} // namespace

VM_Program* alloc_program(std::uint32_t words, std::uint32_t stack, std::uint32_t ints,
                          std::uint32_t floats) {
    if (stack > 0x7FFFFFFEu) return nullptr; // capacity must fit StackMaxSize, plus one entry
    auto* b = static_cast<ProgramBlock*>(kxp::heap::alloc(sizeof(ProgramBlock)));
    if (!b) return nullptr;
    void* memory = kxp::heap::alloc((std::uint64_t(words) + kGuardWords) * 4);
    void* itable = memory ? kxp::heap::alloc(std::uint64_t(ints) * 4) : nullptr;
    void* ftable = itable ? kxp::heap::alloc(std::uint64_t(floats) * 4) : nullptr;
    void* entries =
        ftable ? kxp::heap::alloc((std::uint64_t(stack) + 1) * sizeof(VM_StackEntry)) : nullptr;
    if (!entries) {
        kxp::heap::free(ftable);
        kxp::heap::free(itable);
        kxp::heap::free(memory);
        kxp::heap::free(b);
        return nullptr;
    }
    b->program_words = words;
    b->int_count = ints;
    b->float_count = floats;
    b->stack_capacity = static_cast<std::int32_t>(stack);
    VM_Program& r = b->rec;
    r.ProgramMemory = kxp::addr32(memory);
    r.IntVariables = kxp::addr32(itable);
    r.FloatVariables = kxp::addr32(ftable);
    r.StackMaxSize = static_cast<std::int32_t>(stack);
    r.StackCurrentSize = 0;
    r.Stack = kxp::addr32(entries);
    r.LastExecutionState = VM_STATE_NEW;
    return &r;
}

void delete_program(VM_Program* p) {
    if (!p) return;
    if (g_state.program == p) g_state = State{};
    kxp::heap::free(kxp::ptr<void>(p->ProgramMemory));
    kxp::heap::free(kxp::ptr<void>(p->IntVariables));
    kxp::heap::free(kxp::ptr<void>(p->FloatVariables));
    kxp::heap::free(kxp::ptr<void>(p->Stack));
    kxp::heap::free(block_of(p));
}

} // namespace kx::vm
