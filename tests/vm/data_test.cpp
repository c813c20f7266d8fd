// The run loop, budget accounting, hand-back and the data instructions.
#include <cmath>
#include <limits>

#include "vm_fixture.h"

namespace kx::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(RunLoop, BudgetStopsAfterCountedInstructionsAndResumesExactly) {
    Machine m;
    Bytecode c;
    for (int k = 0; k < 10; ++k)
        c.ins(VM_OP_INC, {I(0)});
    c.word(2000);
    m.load(c);
    for (std::int32_t budget : {0, -5}) { // nothing runs
        EXPECT_EQ(m.run(0, budget), 0);
        EXPECT_EQ(m.cycles(), 0);
        EXPECT_EQ(m.state(), VM_STATE_BUDGET);
    }
    EXPECT_EQ(m.i(0), 0);
    EXPECT_EQ(m.run(0, 4), 12);
    EXPECT_EQ(m.cycles(), 4);
    EXPECT_EQ(m.state(), VM_STATE_BUDGET);
    EXPECT_EQ(m.i(0), 4);
    EXPECT_EQ(m.run(12, 100), 30); // the host opcode after the ten INCs
    EXPECT_EQ(m.cycles(), 6);
    EXPECT_EQ(m.state(), VM_STATE_HOST);
    EXPECT_EQ(m.i(0), 10);
}

TEST(RunLoop, UncountedInstructionsRunPastTheBudget) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_MOVE, {I(1), I(0)}).ins(VM_OP_MOVE, {I(2), I(0)}).ins(VM_OP_MOVE, {I(3), I(0)});
    c.ins(VM_OP_ADD, {I(4), I(0), I(0)}).word(VM_OP_ADD_INT).words_of({0, 0, 5});
    c.word(VM_OP_JUMP_IF_ZERO).operand(I(9)).word(c.here() + 1); // jumps to the next word
    c.ins(VM_OP_INC, {I(6)}).ins(VM_OP_INC, {I(6)});
    m.i(0) = 7;
    m.load(c);
    std::int32_t after_first_inc = c.here() - 3;
    EXPECT_EQ(m.run(0, 1), after_first_inc);
    EXPECT_EQ(m.cycles(), 1);
    EXPECT_EQ(m.i(3), 7);
    EXPECT_EQ(m.i(4), 14);
    EXPECT_EQ(m.i(5), 14);
    EXPECT_EQ(m.i(6), 1);
}

// (Unknown opcodes: layout_test.cpp.)
TEST(RunLoop, OtherMoveSourcesAndTheEndGoToTheHost) {
    // MOVE with source tag 1071 at 20: nothing changes.
    Machine mv;
    Bytecode d;
    for (int k = 0; k < 4; ++k)
        d.ins(VM_OP_MOVE, {I(1), I(0)}); // 0..19
    d.ins(VM_OP_MOVE, {I(2), {VM_TAG_OTHER, 0}});
    mv.i(0) = 3;
    mv.load(d);
    EXPECT_EQ(mv.run(0, 10), 20);
    EXPECT_EQ(mv.state(), VM_STATE_HOST);
    EXPECT_EQ(mv.i(2), 0);
    EXPECT_EQ(mv.run(20, 10), 20);
    // Running off the end of program memory, or starting outside it.
    Machine e(6, 4, 4, 4);
    e.load(Bytecode().ins(VM_OP_INC, {I(0)}).ins(VM_OP_INC, {I(0)}));
    for (std::int32_t start : {0, 1000, -4}) {
        EXPECT_EQ(e.run(start, 100), start == 0 ? 6 : start);
        EXPECT_EQ(e.state(), VM_STATE_HOST);
    }
}

TEST(Move, ConvertsByTags) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_MOVE, {I(1), F(0)}); // -7.5 -> -7
    c.ins(VM_OP_MOVE, {F(1), I(0)}); // 16777217 -> rounded to single
    c.ins(VM_OP_MOVE, {F(2), F(3)}); // NaN bits copied
    c.ins(VM_OP_MOVE, {I(2), I(0)});
    c.ins(VM_OP_MOVE, {{5, 4}, I(0)}); // any non-int destination tag writes the float table
    c.word(2000);
    m.f(0) = -7.5f;
    m.i(0) = 16777217;
    std::uint32_t payload = 0x7FC12345u;
    std::memcpy(&m.f(3), &payload, 4);
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(1), -7);
    EXPECT_EQ(m.f(1), 16777216.0f);
    EXPECT_EQ(bits(m.f(2)), payload);
    EXPECT_EQ(m.i(2), 16777217);
    EXPECT_EQ(m.f(4), 16777216.0f);
}

TEST(Conversion, FloatToIntegerTruncatesThroughSixtyFourBits) {
    struct Case {
        float in;
        std::int32_t out;
    } cases[] = {
        {2.9f, 2},
        {-2.9f, -2},
        {0.4f, 0},
        {-0.0f, 0},
        {2147483648.0f, std::numeric_limits<std::int32_t>::min()}, // 2^31: low 32 bits
        {4294967296.0f, 0},                                        // 2^32: low 32 bits are 0
        {4294967296.0f * 1.5f, static_cast<std::int32_t>(0x80000000u)},
        {-2147483904.0f, 2147483392}, // beyond -2^31 wraps
        {9.3e18f, 0},
        {-9.3e18f, 0}, // beyond 64 bits
        {kInf, 0},
        {-kInf, 0},
        {kNaN, 0},
    };
    for (const Case& k : cases) {
        Machine m;
        Bytecode c;
        c.ins(VM_OP_MOVE, {I(0), F(0)}).word(2000);
        m.f(0) = k.in;
        m.i(0) = 12345;
        m.load(c);
        m.run();
        EXPECT_EQ(m.i(0), k.out) << k.in;
    }
}

TEST(IncDec, IntegersWrapFloatsStep) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_INC, {I(0)}).ins(VM_OP_DEC, {I(1)}).ins(VM_OP_INC, {F(0)}).ins(VM_OP_DEC, {F(1)});
    c.ins(VM_OP_INC, {{1071, 2}}).word(2000);
    m.i(0) = std::numeric_limits<std::int32_t>::max();
    m.i(1) = std::numeric_limits<std::int32_t>::min();
    m.f(0) = 16777216.0f; // +1 is lost at single precision
    m.f(1) = 0.25f;
    m.f(2) = 1.0f;
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(m.i(1), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(m.f(0), 16777216.0f);
    EXPECT_EQ(m.f(1), -0.75f);
    EXPECT_EQ(m.f(2), 2.0f);
    EXPECT_EQ(m.cycles(), 5);
}

TEST(Arithmetic, TypedByTheDestination) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_ADD, {I(0), F(0), F(0)});   // 2.9 + 2.9 with an int destination: 2 + 2
    c.ins(VM_OP_ADD, {F(1), F(0), F(0)});   // 5.8
    c.ins(VM_OP_DIV, {I(1), I(10), I(11)}); // 7 / -2 = -3
    c.ins(VM_OP_DIV, {F(2), F(0), F(3)});   // by 0.0 -> 0.0
    c.ins(VM_OP_DIV, {F(4), F(0), F(5)});   // by NaN -> 0.0
    c.ins(VM_OP_DIV, {I(2), I(10), F(6)});  // by 0.5 truncated to 0 -> 0
    c.ins(VM_OP_SUB, {F(7), I(12), F(8)});  // int exact, minus float
    c.ins(VM_OP_MUL, {I(3), I(13), I(13)}); // wraps
    c.ins(VM_OP_MUL, {F(9), I(10), F(0)});
    c.ins(VM_OP_SUB, {I(4), I(14), I(15)}); // wraps
    c.word(2000);
    m.f(0) = 2.9f;
    m.f(3) = 0.0f;
    m.f(5) = kNaN;
    m.f(6) = 0.5f;
    m.f(8) = 0.5f;
    m.i(10) = 7;
    m.i(11) = -2;
    m.i(12) = 16777217;
    m.i(13) = 65537;
    m.i(14) = std::numeric_limits<std::int32_t>::min();
    m.i(15) = 1;
    m.f(2) = m.f(4) = 9.0f;
    m.i(2) = 9;
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(0), 4);
    EXPECT_FLOAT_EQ(m.f(1), 5.8f);
    EXPECT_EQ(m.i(1), -3);
    EXPECT_EQ(m.f(2), 0.0f);
    EXPECT_EQ(m.f(4), 0.0f);
    EXPECT_EQ(m.i(2), 0);
    EXPECT_EQ(m.f(7), 16777216.0f); // 16777216.5 rounded once to single
    EXPECT_EQ(m.i(3), 131073);      // 65537^2 = 2^32 + 2*65536 + 1, low 32 bits
    EXPECT_FLOAT_EQ(m.f(9), static_cast<float>(7.0 * double(2.9f)));
    EXPECT_EQ(m.i(4), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(m.cycles(), 0); // arithmetic is uncounted
}

TEST(Arithmetic, IntegerFormsUseIntegerVariablesOnly) {
    Machine m;
    Bytecode c;
    c.word(VM_OP_ADD_INT).words_of({0, 1, 10});
    c.word(VM_OP_SUB_INT).words_of({0, 1, 11});
    c.word(VM_OP_MUL_INT).words_of({0, 1, 12});
    c.word(VM_OP_DIV_INT).words_of({0, 1, 13});
    c.word(VM_OP_DIV_INT).words_of({0, 2, 14}); // by zero
    c.word(VM_OP_DIV_INT).words_of({3, 4, 15}); // smallest / -1 must not stop the program
    c.word(VM_OP_ADD_INT).words_of({5, 5, 16}); // wraps
    c.word(2000);
    m.i(0) = -7;
    m.i(1) = 2;
    m.i(3) = std::numeric_limits<std::int32_t>::min();
    m.i(4) = -1;
    m.i(5) = std::numeric_limits<std::int32_t>::max();
    m.i(14) = 99;
    m.load(c);
    EXPECT_EQ(m.run(), 28);
    EXPECT_EQ(m.state(), VM_STATE_HOST);
    EXPECT_EQ(m.i(10), -5);
    EXPECT_EQ(m.i(11), -9);
    EXPECT_EQ(m.i(12), -14);
    EXPECT_EQ(m.i(13), -3);
    EXPECT_EQ(m.i(14), 0);
    EXPECT_EQ(m.i(16), -2);
}

TEST(Bitwise, AlwaysInIntegers) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_AND, {I(0), I(10), I(11)});
    c.ins(VM_OP_OR, {F(0), I(10), F(10)}); // 12 | 3 (3.7 truncated) -> 15.0
    c.ins(VM_OP_XOR, {I(1), I(10), I(11)});
    c.ins(VM_OP_NOT, {I(2), F(11)}); // 0.4 truncates to 0 -> 1
    c.ins(VM_OP_NOT, {F(1), I(10)}); // 12 -> 0.0
    c.ins(VM_OP_NOT, {I(3), F(12)}); // NaN converts to 0 -> 1
    c.word(2000);
    m.i(10) = 12;
    m.i(11) = 10;
    m.f(10) = 3.7f;
    m.f(11) = 0.4f;
    m.f(12) = kNaN;
    m.f(1) = 5.0f;
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(0), 8);
    EXPECT_EQ(m.f(0), 15.0f);
    EXPECT_EQ(m.i(1), 6);
    EXPECT_EQ(m.i(2), 1);
    EXPECT_EQ(m.f(1), 0.0f);
    EXPECT_EQ(m.i(3), 1);
    EXPECT_EQ(m.cycles(), 6);
}

TEST(Compare, FactsAndNaN) {
    // Each row: opcode, A, B, expected result.
    struct Case {
        std::int32_t op;
        float a, b;
        std::int32_t want;
    } cases[] = {
        {VM_OP_CMP_GE, 1.5f, 1.5f, 1}, {VM_OP_CMP_LE, 1.5f, 1.5f, 1},
        {VM_OP_CMP_EQ, 1.5f, 1.5f, 1}, {VM_OP_CMP_NE, 1.5f, 1.5f, 0},
        {VM_OP_CMP_LT, 1.5f, 1.5f, 0}, {VM_OP_CMP_GT, 1.5f, 1.5f, 0},
        {VM_OP_CMP_LT, 1.0f, 2.0f, 1}, {VM_OP_CMP_GT, 2.0f, 1.0f, 1},
        {VM_OP_CMP_GE, 1.0f, 2.0f, 0}, {VM_OP_CMP_LT, kNaN, 1.0f, 1},
        {VM_OP_CMP_GT, kNaN, 1.0f, 0}, {VM_OP_CMP_EQ, 1.0f, kNaN, 1},
        {VM_OP_CMP_NE, kNaN, kNaN, 0}, {VM_OP_CMP_LE, kNaN, 0.0f, 1},
        {VM_OP_CMP_GE, 0.0f, kNaN, 0}, {VM_OP_CMP_EQ, -0.0f, 0.0f, 1},
    };
    for (const Case& k : cases) {
        Machine m;
        Bytecode c;
        c.ins(k.op, {I(0), F(0), F(1)}).ins(k.op, {F(2), F(0), F(1)}).word(2000);
        m.f(0) = k.a;
        m.f(1) = k.b;
        m.i(0) = 77;
        m.load(c);
        m.run();
        EXPECT_EQ(m.i(0), k.want) << k.op << " " << k.a << " " << k.b;
        EXPECT_EQ(m.f(2), static_cast<float>(k.want)) << k.op;
    }
    // A is exact, B rounded to single: 16777217 > (float)16777217, and
    // 16777216.0f == (float)16777217.
    Machine m;
    m.load(Bytecode()
               .ins(VM_OP_CMP_GT, {I(0), I(10), I(10)})
               .ins(VM_OP_CMP_EQ, {I(1), F(10), I(10)})
               .word(2000));
    m.i(10) = 16777217;
    m.f(10) = 16777216.0f;
    m.run();
    EXPECT_EQ((std::vector{m.i(0), m.i(1)}), (std::vector{1, 1}));
}

} // namespace
} // namespace kx::test
