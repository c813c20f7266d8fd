// Jumps, loop tests, subroutines, function calls and stack transfers.
#include <limits>

#include "vm_fixture.h"

namespace kx::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::int32_t kEnd = 2000;

TEST(Jumps, GotoOnGotoAndTargetsOutside) {
    for (std::int32_t v : {1, 3, -1, 0, 2}) {
        Machine m;
        Bytecode c;
        c.ins(VM_OP_ON_GOTO, {I(0)}, {3, 40, 50, 60}); // words 0..6
        c.word(kEnd);                                  // 7: fell through
        m.i(0) = v;
        m.load(c);
        for (std::int32_t t : {40, 50, 60}) {
            Bytecode land;
            land.word(kEnd);
            m.load(land, t);
        }
        std::int32_t want = (v == 0) ? 40 : (v == 1) ? 50 : (v == 2) ? 60 : 7;
        EXPECT_EQ(m.run(), want) << v;
        EXPECT_EQ(m.cycles(), 1);
    }
    Machine m;
    Bytecode c;
    c.ins(VM_OP_ON_GOTO, {F(0)}, {2, 10, 20}).word(kEnd); // float 1.9 truncates to 1
    m.f(0) = 1.9f;
    m.load(c);
    Bytecode g;
    g.word(VM_OP_GOTO).word(30);
    m.load(g, 20);
    EXPECT_EQ(m.run(), 30); // 30 holds 0: stops there
    EXPECT_EQ(m.cycles(), 2);
    // A target outside program memory stops the run on the jump, uncounted.
    Machine out(16, 4, 4, 4);
    out.load(Bytecode().ins(VM_OP_INC, {I(0)}).word(VM_OP_GOTO).word(100000));
    EXPECT_EQ(out.run(), 3);
    EXPECT_EQ(out.state(), VM_STATE_HOST);
    EXPECT_EQ(out.cycles(), 1);
}

TEST(Jumps, ZeroTests) {
    struct Case {
        std::int32_t op;
        bool use_float;
        float fv;
        std::int32_t iv;
        bool jumps;
    } cases[] = {
        {VM_OP_JUMP_IF_ZERO, true, 0.5f, 0, false},
        {VM_OP_JUMP_IF_ZERO_INT, true, 0.5f, 0, true},
        {VM_OP_JUMP_IF_ZERO_INT2, true, 0.5f, 0, true},
        {VM_OP_JUMP_IF_ZERO, true, kNaN, 0, true},
        {VM_OP_JUMP_IF_ZERO, true, -0.0f, 0, true},
        {VM_OP_JUMP_IF_ZERO, false, 0, 0, true},
        {VM_OP_JUMP_IF_ZERO, false, 0, -3, false},
        {VM_OP_JUMP_IF_ZERO_INT, false, 0, 1, false},
        {VM_OP_JUMP_IF_ZERO_INT, true, -1.5f, 0, false},
    };
    for (const Case& k : cases) {
        Machine m;
        Bytecode c;
        c.ins(k.op, {k.use_float ? F(0) : I(0)}, {20}).word(kEnd); // not jumping: 4
        m.f(0) = k.fv;
        m.i(0) = k.iv;
        m.load(c);
        EXPECT_EQ(m.run(), k.jumps ? 20 : 4) << k.op << " " << k.fv << " " << k.iv;
        EXPECT_EQ(m.cycles(), k.op == VM_OP_JUMP_IF_ZERO ? 0 : 1);
    }
}

TEST(Jumps, LoopTests) {
    struct Case {
        std::int32_t op;
        float s, a, b; // s only for JUMP_PAST_LIMIT
        bool jumps;
    } cases[] = {
        {VM_OP_JUMP_GT, 0, 2.0f, 1.0f, true},
        {VM_OP_JUMP_GT, 0, 1.0f, 1.0f, false},
        {VM_OP_JUMP_GT, 0, kNaN, 1.0f, false},
        {VM_OP_JUMP_LT, 0, 1.0f, 2.0f, true},
        {VM_OP_JUMP_LT, 0, kNaN, 1.0f, true},
        {VM_OP_JUMP_LT, 0, 2.0f, 2.0f, false},
        {VM_OP_JUMP_NOT_NEG, 0, 0.0f, 0, true},
        {VM_OP_JUMP_NOT_NEG, 0, -0.5f, 0, false},
        {VM_OP_JUMP_NOT_NEG, 0, kNaN, 0, false},
        // JUMP_PAST_LIMIT: S, V, L
        {VM_OP_JUMP_PAST_LIMIT, -1.0f, 0.0f, 1.0f, true},
        {VM_OP_JUMP_PAST_LIMIT, 1.0f, 0.0f, 1.0f, false},
        {VM_OP_JUMP_PAST_LIMIT, 1.0f, 2.0f, 1.0f, true},
        {VM_OP_JUMP_PAST_LIMIT, -1.0f, 1.0f, 1.0f, false},
        {VM_OP_JUMP_PAST_LIMIT, kNaN, 0.0f, 1.0f, true}, // an unordered S counts as less than 0
    };
    for (const Case& k : cases) {
        Machine m;
        Bytecode c;
        if (k.op == VM_OP_JUMP_PAST_LIMIT)
            c.ins(k.op, {F(0), F(1), F(2)}, {40});
        else
            c.ins(k.op, {F(1), F(2)}, {40});
        std::int32_t fall = c.here();
        c.word(kEnd);
        m.f(0) = k.s;
        m.f(1) = k.a;
        m.f(2) = k.b;
        m.load(c);
        EXPECT_EQ(m.run(), k.jumps ? 40 : fall) << k.op << " " << k.s << " " << k.a << " " << k.b;
    }
    // Operands are rounded to single precision: 16777217 vs 16777216.0 is not greater.
    Machine m;
    Bytecode c;
    c.ins(VM_OP_JUMP_GT, {I(0), F(0)}, {40}).word(kEnd);
    m.i(0) = 16777217;
    m.f(0) = 16777216.0f;
    m.load(c);
    EXPECT_EQ(m.run(), 6);
}

TEST(Next, StepsKeepsTheLastValueAndFloatsResumeAfterTheTarget) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_NEXT, {I(0), I(1)}, {40}).word(kEnd);
    m.load(c);
    m.i(0) = 9;
    m.i(1) = 10;
    EXPECT_EQ(m.run(), 40);
    EXPECT_EQ(m.i(0), 10);
    EXPECT_EQ(m.run(), 6);
    EXPECT_EQ(m.i(0), 10);
    // A float limit is truncated: 10.9 -> 10.
    Bytecode d;
    d.ins(VM_OP_NEXT, {I(0), F(0)}, {40}).word(kEnd);
    m.load(d);
    m.f(0) = 10.9f;
    EXPECT_EQ(m.run(), 6);
    // The largest integer wraps to the smallest, which is not above the limit.
    c.load(m.p);
    m.i(0) = std::numeric_limits<std::int32_t>::max();
    m.i(1) = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(m.run(), 40);
    EXPECT_EQ(m.i(0), std::numeric_limits<std::int32_t>::min());
    // A float loop resumes one word after the target.
    Machine f;
    f.load(Bytecode().ins(VM_OP_NEXT, {F(0), F(1)}, {40}).word(kEnd));
    f.f(0) = 1.5f;
    f.f(1) = 3.0f;
    EXPECT_EQ(f.run(), 41);
    EXPECT_EQ(f.f(0), 2.5f);
    EXPECT_EQ(f.run(), 6); // 3.5 > 3.0: ends, keeps 2.5
    EXPECT_EQ(f.f(0), 2.5f);
    f.f(1) = kNaN; // unordered is not greater: the loop goes on
    EXPECT_EQ(f.run(), 41);
    EXPECT_EQ(f.f(0), 3.5f);
}

TEST(Subroutines, GosubPushesTheReturnAddressAndReturnResumes) {
    Machine m(256);
    Bytecode c;
    c.ins(VM_OP_INC, {I(0)}).ins(VM_OP_INC, {I(0)}).ins(VM_OP_INC, {I(0)});
    c.ins(VM_OP_INC, {I(0)}).word(VM_OP_GOSUB).word(100); // GOSUB at 12
    c.word(kEnd);
    m.load(c);
    Bytecode sub;
    sub.ins(VM_OP_INC, {I(1)}).word(VM_OP_RETURN);
    m.load(sub, 100);
    // Stop right after the GOSUB to look at the stack.
    EXPECT_EQ(m.run(0, 5), 100);
    EXPECT_EQ(m.entries(), (Entries{{VM_STACK_ADDRESS, m.address_of(14)}}));
    EXPECT_EQ(m.run(100, 100), 14);
    EXPECT_EQ(m.depth(), 0);
    EXPECT_EQ(m.i(1), 1);
}

TEST(Subroutines, ReturnWithoutAnAddressStopsForTheHost) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_PUSH, {I(0)}).word(VM_OP_RETURN);
    m.load(c);
    EXPECT_EQ(m.run(), 3);
    EXPECT_EQ(m.state(), VM_STATE_HOST);
    EXPECT_EQ(m.depth(), 1); // nothing popped
    EXPECT_EQ(m.cycles(), 1);
    // An address that names no program word is refused the same way; FUNC_RETURN
    // needs a count and an address.
    for (std::int32_t op : {VM_OP_RETURN, VM_OP_FUNC_RETURN}) {
        Machine n;
        n.load(Bytecode().word(op));
        VM_Stack_Push_Address(n.p, op == VM_OP_RETURN ? 12345 : 1);
        EXPECT_EQ(n.run(), 0) << op;
        EXPECT_EQ(n.state(), VM_STATE_HOST);
        EXPECT_EQ(n.depth(), 1);
    }
    // GOSUB on a full stack drops the address but still jumps; RETURN then finds nothing.
    Machine full(256, 0, 4, 4);
    full.load(Bytecode().word(VM_OP_GOSUB).word(50));
    full.load(Bytecode().word(VM_OP_RETURN), 50);
    EXPECT_EQ(full.run(), 50);
    EXPECT_EQ(full.state(), VM_STATE_HOST);
}

// square_sum(a, b) = a * a + b, called with two arguments and one result.
Bytecode call_program(std::int32_t& function_at) {
    Bytecode c;
    c.word(VM_OP_CALL).word(2).word(1).operand(I(0)).operand(F(0)).word(0);
    std::int32_t target = c.last();
    c.ins(VM_OP_POP_INT, {I(2)}).word(kEnd);
    function_at = c.here();
    c.patch(target, function_at);
    c.word(VM_OP_POP_N).word(2).operand(F(10)).operand(I(10)); // b (float entry), then a
    c.ins(VM_OP_MUL, {I(11), I(10), I(10)});
    c.ins(VM_OP_ADD, {I(11), I(11), F(10)});
    c.word(VM_OP_FUNC_RETURN).operand(I(11));
    return c;
}

TEST(Functions, CallingConvention) {
    Machine m;
    std::int32_t fn;
    Bytecode c = call_program(fn);
    m.load(c);
    m.i(0) = 7;
    m.f(0) = 1.9f;                   // pushed as kind 3 holding 1
    VM_Stack_Push_Address(m.p, 999); // something of the caller's below
    // Stop at the function's entry: return address, count, then the arguments.
    EXPECT_EQ(m.run(0, 1), fn);
    EXPECT_EQ(m.entries(), (Entries{{VM_STACK_ADDRESS, 999},
                                    {VM_STACK_ADDRESS, m.address_of(8)},
                                    {VM_STACK_ADDRESS, 1},
                                    {VM_STACK_INT, 7},
                                    {VM_STACK_FLOAT, 1}}));
    // Run to the end: exactly one entry more than before the call was popped by the caller.
    EXPECT_EQ(m.run(fn, 100), 11);
    EXPECT_EQ(m.i(2), 50);
    EXPECT_EQ(m.depth(), 1);
    EXPECT_EQ(m.cycles(), 3); // POP_N, FUNC_RETURN, POP_INT
}

TEST(Functions, ResultsFollowTheCallersCount) {
    // The caller asks for two results; FUNC_RETURN lists two pairs after its opcode.
    Machine m;
    Bytecode c;
    c.word(VM_OP_CALL).word(0).word(2).word(0);
    std::int32_t target = c.last();
    c.word(kEnd);
    c.patch(target, c.here());
    c.word(VM_OP_FUNC_RETURN).operand(I(5)).operand(F(5));
    m.i(5) = 11;
    m.f(5) = -3.5f;
    m.load(c);
    EXPECT_EQ(m.run(), 4);
    EXPECT_EQ(m.entries(), (Entries{{VM_STACK_INT, 11}, {VM_STACK_FLOAT, -3}})); // last on top
    // A count of zero pushes nothing.
    Machine z;
    Bytecode d;
    d.word(VM_OP_CALL).word(0).word(0).word(5).word(kEnd).word(VM_OP_FUNC_RETURN).operand(I(0));
    z.load(d);
    EXPECT_EQ(z.run(), 4);
    EXPECT_EQ(z.depth(), 0);
}

TEST(StackTransfers, PushAndPopConvert) {
    Machine m;
    Bytecode c;
    c.ins(VM_OP_PUSH, {F(0)});      // 7.9 -> kind 3 holding 7
    c.ins(VM_OP_POP_INT, {I(0)});   // kind 3 refused: 0, nothing popped
    c.ins(VM_OP_POP_FLOAT, {I(1)}); // 7.0 truncated -> 7
    c.ins(VM_OP_PUSH, {I(5)});
    c.ins(VM_OP_POP_FLOAT, {F(1)}); // kind 2 refused: 0.0, nothing popped
    c.ins(VM_OP_POP_INT, {F(2)});   // 16777217 -> rounded to single
    c.ins(VM_OP_PUSH, {{VM_TAG_OTHER, 3}});
    c.word(kEnd);
    m.f(0) = 7.9f;
    m.i(0) = 99;
    m.f(1) = 99.0f;
    m.i(5) = 16777217;
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(0), 0);
    EXPECT_EQ(m.i(1), 7);
    EXPECT_EQ(m.f(1), 0.0f);
    EXPECT_EQ(m.f(2), 16777216.0f);
    EXPECT_EQ(m.entries(), (Entries{{VM_STACK_OTHER, 0}}));
}

TEST(StackTransfers, PopNFollowsTheKindTable) {
    Machine m;
    Bytecode c;
    // Stack bottom to top: float 7 (from 7.9), int 5, other, int -4
    c.word(VM_OP_PUSH_N)
        .word(4)
        .operand(F(0))
        .operand(I(0))
        .operand({VM_TAG_OTHER, 0})
        .operand(I(1));
    // Pairs: int <- int -4; float <- other (nothing popped, stops nothing); odd tag <- other
    // (nothing)
    c.word(VM_OP_POP_N).word(3).operand(I(10)).operand(F(10)).operand({7, 0});
    c.word(kEnd);
    m.f(0) = 7.9f;
    m.i(0) = 5;
    m.i(1) = -4;
    m.f(10) = 42.0f;
    m.load(c);
    m.run();
    EXPECT_EQ(m.i(10), -4);
    EXPECT_EQ(m.f(10), 42.0f); // top was kind 4: unchanged
    EXPECT_EQ(m.depth(), 3);
    // Drop the "other" entry by hand, then pop int 5 into a float and float 7 into an int.
    m.p->StackCurrentSize = 2;
    Bytecode d;
    d.word(VM_OP_POP_N).word(3).operand(F(11)).operand(I(11)).operand(I(12)).word(kEnd);
    m.i(12) = 33;
    m.load(d);
    m.run();
    EXPECT_EQ(m.f(11), 5.0f);
    EXPECT_EQ(m.i(11), 7);
    EXPECT_EQ(m.i(12), 33); // empty stack: unchanged
    EXPECT_EQ(m.depth(), 0);
}

TEST(StackTransfers, NegativeCountsAreRefused) {
    for (std::int32_t op : {VM_OP_PUSH_N, VM_OP_POP_N, VM_OP_CALL}) {
        Machine m;
        Bytecode c;
        c.ins(VM_OP_INC, {I(0)}).word(op).word(-1).word(0).word(0);
        m.load(c);
        EXPECT_EQ(m.run(), 3) << op;
        EXPECT_EQ(m.state(), VM_STATE_HOST);
        EXPECT_EQ(m.depth(), 0);
    }
}

TEST(StackTransfers, ListsSaveRestoreAndClearVariables) {
    Machine m;
    Bytecode c;
    c.word(VM_OP_PUSH_LIST).word(100);
    c.ins(VM_OP_MOVE, {I(3), I(9)}).ins(VM_OP_MOVE, {F(2), F(9)}); // the "body" changes them
    c.word(VM_OP_POP_LIST).word(100).word(VM_OP_CLEAR_LIST).word(110);
    c.word(VM_OP_PUSH_LIST).word(120).word(VM_OP_POP_LIST).word(120);
    c.word(VM_OP_POP_LIST).word(130).word(kEnd);
    m.load(c);
    m.load(Bytecode().word(2).operand(I(3)).operand(F(2)), 100);
    m.load(Bytecode().word(3).operand(I(0)).operand(F(0)).operand({VM_TAG_OTHER, 1}), 110);
    m.load(Bytecode().word(-2), 120);                            // empty
    m.load(Bytecode().word(2).operand(I(4)).operand(F(4)), 130); // on an empty stack: zeros
    m.i(0) = 5;
    m.i(3) = 17;
    m.i(4) = 3;
    m.i(9) = 1;
    m.f(0) = 5.0f;
    m.f(1) = 8.0f; // other tags are left alone
    m.f(2) = -6.0f;
    m.f(4) = 3.0f;
    m.f(9) = 2.0f;
    m.run();
    EXPECT_EQ((std::vector{m.i(0), m.i(3), m.i(4)}), (std::vector{0, 17, 0}));
    EXPECT_EQ((std::vector{m.f(0), m.f(1), m.f(2), m.f(4)}),
              (std::vector{0.0f, 8.0f, -6.0f, 0.0f}));
    EXPECT_EQ(m.depth(), 0);
    EXPECT_EQ(m.cycles(), 6);
}

} // namespace
} // namespace kx::test
