// Program records: allocation, fields, variables, program words and the stack exports.
#include <cmath>
#include <limits>

#include "vm_fixture.h"

namespace kx::test {
namespace {

TEST(ProgramRecord, FreshRecordStartsEmptyAndImpossibleSizesGiveNull) {
    Machine m(100, 10, 10, 10);
    ASSERT_NE(m.p, nullptr);
    EXPECT_EQ(VM_GetLastExecutionState(m.p), VM_STATE_NEW);
    EXPECT_EQ(VM_GetExecutedCycles(m.p), 0);
    EXPECT_EQ(VM_GetStackCurrentSize(m.p), 0);
    EXPECT_EQ(VM_GetStackMaxSize(m.p), 10);
    EXPECT_EQ(VM_GetPC(m.p), 0);
    for (int k = 0; k < 100; ++k)
        ASSERT_EQ(VM_PeekProgramMemory(m.p, k), 0);
    for (int k = 0; k < 10; ++k) {
        ASSERT_EQ(VM_PeekIntVariable(m.p, k), 0);
        ASSERT_EQ(VM_PeekFloatVariable(m.p, k), 0.0f);
    }
    // Every buffer is a 32-bit address distinct from the others.
    EXPECT_NE(m.p->ProgramMemory, 0u);
    EXPECT_NE(m.p->IntVariables, 0u);
    EXPECT_NE(m.p->FloatVariables, 0u);
    EXPECT_NE(m.p->Stack, 0u);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(m.p), std::uintptr_t(1) << 32);
    // Impossible sizes give null; zero sizes are fine.
    EXPECT_EQ(VM_AllocProgram(0xFFFFFFFFu, 10, 10, 10), nullptr);
    EXPECT_EQ(VM_AllocProgram(10, 10, 0xFFFFFFFFu, 10), nullptr);
    EXPECT_EQ(VM_AllocProgram(10, 0xFFFFFFFFu, 10, 10), nullptr);
    Machine empty(0, 0, 0, 0);
    ASSERT_NE(empty.p, nullptr);
    EXPECT_EQ(VM_PeekProgramMemory(empty.p, 0), 0);
}

TEST(ProgramRecord, VariablesWordsAndPcAreTheHostsOwn) {
    Machine m(8, 4, 4, 4);
    VM_PokeProgramMemory(m.p, 7, -12345);
    VM_PokeIntVariable(m.p, 3, std::numeric_limits<std::int32_t>::min());
    float nan = std::numeric_limits<float>::quiet_NaN();
    VM_PokeFloatVariable(m.p, 2, -0.0f);
    VM_PokeFloatVariable(m.p, 3, nan);
    EXPECT_EQ(VM_PeekProgramMemory(m.p, 7), -12345);
    EXPECT_EQ(VM_PeekIntVariable(m.p, 3), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(bits(VM_PeekFloatVariable(m.p, 2)), bits(-0.0f)); // stored unchanged
    EXPECT_TRUE(std::isnan(VM_PeekFloatVariable(m.p, 3)));
    // Indexes outside a table read 0 and write nothing.
    VM_PokeProgramMemory(m.p, 8, 99);
    VM_PokeIntVariable(m.p, -1, 99);
    VM_PokeFloatVariable(m.p, 4, 9.0f);
    EXPECT_EQ(VM_PeekProgramMemory(m.p, 8), 0);
    EXPECT_EQ(VM_PeekIntVariable(m.p, 4), 0);
    EXPECT_EQ(VM_PeekFloatVariable(m.p, -3), 0.0f);
    // VM_Execute does not write PC.
    EXPECT_EQ(VM_SetPC(m.p, 12), 12);
    EXPECT_EQ(VM_GetPC(m.p), 12);
    Bytecode c;
    c.ins(VM_OP_INC, {I(0)}).word(2000);
    m.load(c);
    EXPECT_EQ(m.run(0, 10), 3);
    EXPECT_EQ(VM_GetPC(m.p), 12);
}

TEST(Stack, ZeroCapacityAndAFullStackDropPushes) {
    Machine m(100, 0, 10, 10);
    ASSERT_NE(m.p, nullptr);
    VM_Stack_Push_Address(m.p, 77);
    EXPECT_EQ(m.depth(), 0);
    EXPECT_EQ(VM_Stack_Pop_Addr(m.p), 0u);
    EXPECT_EQ(VM_Stack_Pop_INT(m.p), 0);
    Bytecode c;
    c.ins(VM_OP_PUSH, {I(0)}).ins(VM_OP_POP_INT, {I(1)}).word(2000);
    m.i(0) = 5;
    m.i(1) = 9;
    m.load(c);
    m.run();
    EXPECT_EQ(m.depth(), 0);
    EXPECT_EQ(m.i(1), 0); // the refused pop stores 0
    // A full stack drops further pushes silently.
    Machine full(16, 2, 4, 4);
    for (std::uint32_t a : {1u, 2u, 3u})
        VM_Stack_Push_Address(full.p, a);
    EXPECT_EQ(full.depth(), 2);
    EXPECT_EQ(VM_Stack_Pop_Addr(full.p), 2u);
    EXPECT_EQ(VM_Stack_Pop_Addr(full.p), 1u);
    EXPECT_EQ(VM_Stack_Pop_Addr(full.p), 0u);
    // The capacity is the one given at allocation, whatever the record says now.
    full.p->StackMaxSize = 1000;
    VM_Stack_Push_Address(full.p, 1);
    c = Bytecode();
    c.ins(VM_OP_PUSH, {I(0)}).ins(VM_OP_PUSH, {I(0)}).ins(VM_OP_PUSH, {I(0)}).word(2000);
    full.load(c);
    full.run();
    EXPECT_EQ(full.depth(), 2);
    EXPECT_EQ(VM_Stack_Peek(full.p, 3 * 3 + 2), 0); // past the entries: refused
    EXPECT_EQ(VM_Stack_Peek(full.p, -1), 0);
}

TEST(Stack, PopsAcceptOnlyTheirKinds) {
    Machine m;
    m.run(0, 0); // a run makes this record the one whose variables are pushed
    m.f(0) = 2.5f;
    m.i(0) = 42;
    VM_Stack_Push_Address(m.p, 0xDEADBEEFu);
    // Pop_INT takes an address entry and returns it.
    EXPECT_EQ(static_cast<std::uint32_t>(VM_Stack_Pop_INT(m.p)), 0xDEADBEEFu);
    VM_Stack_Push_Variable(m.p, VM_TAG_FLOAT, 0);
    EXPECT_EQ(VM_Stack_Pop_INT(m.p), 0); // kind 3: refused
    EXPECT_EQ(VM_Stack_Pop_Addr(m.p), 0u);
    EXPECT_EQ(m.depth(), 1);
    VM_Stack_Push_Variable(m.p, VM_TAG_INT, 0);
    EXPECT_EQ(VM_Stack_Pop_Addr(m.p), 0u); // kind 2 is no address
    EXPECT_EQ(VM_Stack_Pop_INT(m.p), 42);
    EXPECT_EQ(m.depth(), 1);
}

TEST(Stack, PushVariableBuildsEntriesByTag) {
    Machine m;
    m.run(0, 0);
    m.f(0) = 2.75f;
    m.f(1) = -2.75f;
    m.i(3) = -9;
    VM_Stack_Push_Variable(m.p, VM_TAG_FLOAT, 0);
    VM_Stack_Push_Variable(m.p, VM_TAG_FLOAT, 1);
    VM_Stack_Push_Variable(m.p, VM_TAG_INT, 3);
    VM_Stack_Push_Variable(m.p, VM_TAG_OTHER, 0);
    EXPECT_EQ(
        m.entries(),
        (Entries{
            {VM_STACK_FLOAT, 2}, {VM_STACK_FLOAT, -2}, {VM_STACK_INT, -9}, {VM_STACK_OTHER, 0}}));
    // An unknown tag only raises the count: the entry keeps what it held.
    VM_Stack_Pop_INT(m.p); // kind 4 is refused: nothing popped
    EXPECT_EQ(m.depth(), 4);
    m.p->StackCurrentSize = 2; // drop two entries by hand
    VM_Stack_Push_Variable(m.p, 5, 0);
    EXPECT_EQ(m.entries(),
              (Entries{{VM_STACK_FLOAT, 2}, {VM_STACK_FLOAT, -2}, {VM_STACK_INT, -9}}));
    // The first word of an entry is never written.
    EXPECT_EQ(VM_Stack_Peek(m.p, 0), 0);
}

// VM_Stack_Push_Variable reads the tables of the program run last: none before
// any run, and none once that program is deleted.
TEST(Stack, PushVariableReadsTheLastRunProgram) {
    VM_Program* gone = VM_AllocProgram(4, 4, 4, 4);
    VM_Execute(gone, 0, 0);
    VM_DeleteProgram(gone);
    Machine a, b;
    a.i(0) = 111;
    b.i(0) = 222;
    VM_Stack_Push_Variable(a.p, VM_TAG_INT, 0); // no tables to read: refused, no crash
    EXPECT_EQ(a.depth(), 0);
    b.run(0, 0);
    VM_Stack_Push_Variable(a.p, VM_TAG_INT, 0);
    ASSERT_EQ(a.depth(), 1);
    EXPECT_EQ(a.value(0), 222); // b's variable, pushed on a's stack
}

} // namespace
} // namespace kx::test
