// Every interpreter handler against the operand layout table: each instruction
// runs once over program memory of zeros (opcode 0 hands the run back), so the
// run stops exactly where the instruction went on.
#include "vm/instructions.h"
#include "vm_fixture.h"

namespace kx::test {
namespace {

constexpr std::int32_t kTarget = 200; // every target: zeros there too
constexpr std::int32_t kList = 300;   // every list: an empty one
constexpr std::int32_t kRepeats = 2;  // every count

void put_operand(Bytecode& c, const vm::OperandSpec& o) {
    switch (o.kind) {
    case vm::Operand::None: break;
    case vm::Operand::IntIndex:
    case vm::Operand::IntIndexOut: c.word(0); break;
    case vm::Operand::Target: c.word(kTarget); break;
    case vm::Operand::Count: c.word(kRepeats); break;
    case vm::Operand::Word: c.word(1); break;
    case vm::Operand::List: c.word(kList); break;
    default:
        ASSERT_EQ(vm::width(o.kind), 2) << "not an interpreter operand";
        c.operand(I(0));
        break;
    }
}

TEST(Layout, EveryHandlerStepsOverExactlyItsOperands) {
    for (const vm::InstructionInfo& ins : vm::kInstructionTable) {
        SCOPED_TRACE(ins.mnemonic);
        const vm::Layout& l = *ins.layout;
        // RETURN and FUNC_RETURN go on at a return address, never after themselves.
        if (ins.opcode == VM_OP_RETURN || ins.opcode == VM_OP_FUNC_RETURN) continue;
        Bytecode c;
        c.word(ins.opcode);
        for (const vm::OperandSpec& o : l.fixed)
            put_operand(c, o);
        const std::int32_t n = l.repeat == vm::Repeat::ByCount ? kRepeats : 0;
        for (std::int32_t k = 0; k < n; ++k)
            put_operand(c, l.repeated);
        put_operand(c, l.tail);
        const std::int32_t length = static_cast<std::int32_t>(l.length(n));
        ASSERT_EQ(c.here(), length);

        // Conditional branches are taken for some values of the variable and
        // not for others; at least one run must fall through to the next word.
        bool fell_through = false;
        for (std::int32_t v : {-1, 0, 1}) {
            Machine m;
            m.load(c);
            m.i(0) = v;
            std::int32_t at = m.run();
            EXPECT_EQ(m.state(), VM_STATE_HOST);
            if (ins.opcode == VM_OP_GOSUB || ins.opcode == VM_OP_CALL) {
                // The return address is the word after the instruction.
                EXPECT_EQ(at, kTarget);
                EXPECT_EQ(m.value(0), static_cast<std::int32_t>(m.address_of(length)));
                fell_through = true;
            } else if (ins.opcode == VM_OP_GOTO) {
                EXPECT_EQ(at, kTarget);
                fell_through = true;
            } else {
                EXPECT_TRUE(at == length || at == kTarget) << "stopped at " << at;
                fell_through = fell_through || at == length;
            }
        }
        EXPECT_TRUE(fell_through);
    }
}

// The instructions themselves never stop on their opcode (above); every other
// value around and between them does, costing nothing.
TEST(Layout, DispatchTableHandsEveryOtherOpcodeBack) {
    for (std::int32_t op = vm::kFirstOpcode - 1; op <= vm::kLastOpcode + 1; ++op) {
        if (vm::layout_of(op)) continue;
        Machine m;
        m.load(Bytecode().word(op));
        EXPECT_EQ(m.run(), 0) << op;
        EXPECT_EQ(m.state(), VM_STATE_HOST) << op;
        EXPECT_EQ(m.cycles(), 0) << op;
    }
}

} // namespace
} // namespace kx::test
