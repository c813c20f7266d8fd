// The interpreter loop. Opcodes 1003 to 1123 are decoded through a table of
// label addresses; every other opcode, and every table slot that is not an
// instruction of the set, stops the run for the host. Uncounted instructions
// (MOVE, the eight arithmetic instructions and JUMP_IF_ZERO) dispatch straight
// to the next instruction; counted ones take one unit of the budget first.
#include <cstring>

#include "vm/instructions.h"
#include "vm/vm.h"

namespace kx::vm {
namespace {

constexpr std::uint32_t kFirstOp = kFirstOpcode;
constexpr std::uint32_t kLastOp = kLastOpcode;

// The two facts of a comparison; both are true when it is unordered.
struct Order {
    bool less, equal;
};
inline Order compare(double a, double b) {
    return {!(a >= b), !(a < b || a > b)};
}
inline bool greater(Order o) {
    return !o.less && !o.equal;
}

inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrap_sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline std::int32_t wrap_mul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
inline std::int32_t int_div(std::int32_t a, std::int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return wrap_sub(0, a); // the smallest integer divided by -1 wraps to itself
    return a / b;
}
inline double float_div(double a, double b) {
    return (b < 0.0 || b > 0.0) ? a / b : 0.0;
}

// The pairs of the variable list at position `at`.
inline std::int32_t list_pairs(const std::uint32_t* base, std::uint32_t at, std::uint32_t words) {
    if (at >= words) return 0;
    std::int32_t n = static_cast<std::int32_t>(base[at]);
    std::int32_t room = static_cast<std::int32_t>((words - at - 1) / 2);
    return n < 0 ? 0 : (n < room ? n : room);
}

} // namespace

std::int32_t execute(VM_Program* prog, std::int32_t position, std::int32_t budget) {
    std::uint32_t* const base = kxp::ptr<std::uint32_t>(prog->ProgramMemory);
    std::int32_t* const ints = kxp::ptr<std::int32_t>(prog->IntVariables);
    float* const floats = kxp::ptr<float>(prog->FloatVariables);
    const std::uint32_t words = block_of(prog)->program_words;

    g_state.program = prog;
    g_state.base = base;
    g_state.ints = ints;
    g_state.floats = floats;
    prog->LastExecutionState = VM_STATE_BUDGET;

    std::int32_t remaining = budget;
    const bool inside = base != nullptr && static_cast<std::uint32_t>(position) <= words;
    g_state.ip = inside ? base + position : nullptr;
    if (budget <= 0) {
        prog->ExecutedCycles = 0;
        return position;
    }
    if (!inside) {
        // A start outside program memory: there is nothing to fetch there.
        prog->LastExecutionState = VM_STATE_HOST;
        prog->ExecutedCycles = 0;
        return position;
    }
    std::uint32_t* ip = base + position;

    // The dispatch table, built once from the instruction list: every slot of
    // [kFirstOp, kLastOp] that is not an instruction hands the run back.
    static void* const* const table = ({
        static void* slots[kLastOp - kFirstOp + 1];
        for (void*& slot : slots)
            slot = &&op_host;
#define SLOT(NAME, mnemonic, handler, layout) slots[VM_OP_##NAME - kFirstOp] = &&handler;
        KX_VM_INSTRUCTIONS(SLOT)
#undef SLOT
        slots;
    });

// Operand words of the current instruction, counted from the first after the opcode.
#define W(k) static_cast<std::int32_t>(ip[k])
#define DISPATCH()                                                                                 \
    do {                                                                                           \
        std::uint32_t k_ = *ip++ - kFirstOp;                                                       \
        if (k_ > kLastOp - kFirstOp) goto op_host;                                                 \
        goto* table[k_];                                                                           \
    } while (0)
#define COUNTED()                                                                                  \
    do {                                                                                           \
        if (--remaining == 0) goto out_of_budget;                                                  \
        DISPATCH();                                                                                \
    } while (0)
#define UNCOUNTED() DISPATCH()
// Source operands: tag 1069 reads the integer table, any other tag the float table.
#define IS_INT(t) __builtin_expect((t) == VM_TAG_INT, 1)
#define SRC_F(t, i) (IS_INT(t) ? static_cast<double>(ints[i]) : static_cast<double>(floats[i]))
#define SRC_I(t, i) (IS_INT(t) ? ints[i] : to_int(floats[i]))
// Single-precision view of a source, as the loop tests and comparisons' B take it.
#define SRC_S(t, i) static_cast<double>(static_cast<float>(SRC_F(t, i)))
// A jump target outside program memory stops the run on the jumping
// instruction, before it has any effect.
#define CHECK_TARGET(target)                                                                       \
    do {                                                                                           \
        if (static_cast<std::uint32_t>(target) > words) goto refuse;                               \
    } while (0)
#define GO(target) ip = base + static_cast<std::uint32_t>(target)
// Steps over the operands of a fixed-length instruction.
#define STEP(NAME) ip += kOperandWords<VM_OP_##NAME>
#define JUMP_TO(target)                                                                            \
    do {                                                                                           \
        CHECK_TARGET(target);                                                                      \
        GO(target);                                                                                \
    } while (0)

    DISPATCH();

op_move : {
    std::int32_t dt = W(0), di = W(1), st = W(2), si = W(3);
    if (st == VM_TAG_INT) {
        if (dt == VM_TAG_INT)
            ints[di] = ints[si];
        else
            floats[di] = static_cast<float>(ints[si]);
    } else if (st == VM_TAG_FLOAT) {
        if (dt == VM_TAG_INT)
            ints[di] = to_int(floats[si]);
        else
            std::memcpy(&floats[di], &floats[si], 4);
    } else {
        goto op_host;
    }
    STEP(MOVE);
    UNCOUNTED();
}

op_inc:
    if (IS_INT(W(0)))
        ints[W(1)] = wrap_add(ints[W(1)], 1);
    else
        floats[W(1)] = static_cast<float>(static_cast<double>(floats[W(1)]) + 1.0);
    STEP(INC);
    COUNTED();

op_dec:
    if (IS_INT(W(0)))
        ints[W(1)] = wrap_sub(ints[W(1)], 1);
    else
        floats[W(1)] = static_cast<float>(static_cast<double>(floats[W(1)]) - 1.0);
    STEP(DEC);
    COUNTED();

// ADD, SUB, MUL, DIV: typed by the destination.
#define ARITH(NAME, int_op, float_op)                                                              \
    {                                                                                              \
        std::int32_t dt = W(0), di = W(1), at_ = W(2), ai = W(3), bt = W(4), bi = W(5);            \
        if (IS_INT(dt)) {                                                                          \
            std::int32_t a = SRC_I(at_, ai), b = SRC_I(bt, bi);                                    \
            ints[di] = int_op;                                                                     \
        } else {                                                                                   \
            double a = SRC_F(at_, ai), b = SRC_F(bt, bi);                                          \
            floats[di] = static_cast<float>(float_op);                                             \
        }                                                                                          \
        STEP(NAME);                                                                                \
        UNCOUNTED();                                                                               \
    }
op_add:
    ARITH(ADD, wrap_add(a, b), a + b)
op_sub:
    ARITH(SUB, wrap_sub(a, b), a - b)
op_mul:
    ARITH(MUL, wrap_mul(a, b), a * b)
op_div:
    ARITH(DIV, int_div(a, b), float_div(a, b))
#undef ARITH

// ADD_INT and kin: A index, B index, D index, all integer variables.
#define ARITH_INT(NAME, expr)                                                                      \
    {                                                                                              \
        std::int32_t a = ints[W(0)], b = ints[W(1)];                                               \
        ints[W(2)] = expr;                                                                         \
        STEP(NAME);                                                                                \
        UNCOUNTED();                                                                               \
    }
op_add_int:
    ARITH_INT(ADD_INT, wrap_add(a, b))
op_sub_int:
    ARITH_INT(SUB_INT, wrap_sub(a, b))
op_mul_int:
    ARITH_INT(MUL_INT, wrap_mul(a, b))
op_div_int:
    ARITH_INT(DIV_INT, int_div(a, b))
#undef ARITH_INT

// Integer results stored typed by the destination.
#define STORE_INT(dt, di, v)                                                                       \
    do {                                                                                           \
        if (IS_INT(dt))                                                                            \
            ints[di] = (v);                                                                        \
        else                                                                                       \
            floats[di] = static_cast<float>(v);                                                    \
    } while (0)
#define BITWISE(NAME, expr)                                                                        \
    {                                                                                              \
        std::int32_t a = SRC_I(W(2), W(3)), b = SRC_I(W(4), W(5));                                 \
        STORE_INT(W(0), W(1), (expr));                                                             \
        STEP(NAME);                                                                                \
        COUNTED();                                                                                 \
    }
op_and:
    BITWISE(AND, a & b)
op_or:
    BITWISE(OR, a | b)
op_xor:
    BITWISE(XOR, a ^ b)
#undef BITWISE
op_not:
    STORE_INT(W(0), W(1), SRC_I(W(2), W(3)) == 0 ? 1 : 0);
    STEP(NOT);
    COUNTED();

#define COMPARE(NAME, test)                                                                        \
    {                                                                                              \
        Order o = compare(SRC_F(W(2), W(3)), SRC_S(W(4), W(5)));                                   \
        STORE_INT(W(0), W(1), (test) ? 1 : 0);                                                     \
        STEP(NAME);                                                                                \
        COUNTED();                                                                                 \
    }
op_cmp_eq:
    COMPARE(CMP_EQ, o.equal)
op_cmp_ne:
    COMPARE(CMP_NE, !o.equal)
op_cmp_lt:
    COMPARE(CMP_LT, o.less)
op_cmp_gt:
    COMPARE(CMP_GT, greater(o))
op_cmp_le:
    COMPARE(CMP_LE, o.less || o.equal)
op_cmp_ge:
    COMPARE(CMP_GE, !o.less)
#undef COMPARE
#undef STORE_INT

// Loop tests: operands rounded to single precision; jump or skip the target.
// The target is the last operand word.
#define BRANCH(NAME, cond)                                                                         \
    {                                                                                              \
        if (cond)                                                                                  \
            JUMP_TO(W(kOperandWords<VM_OP_##NAME> - 1));                                           \
        else                                                                                       \
            STEP(NAME);                                                                            \
        COUNTED();                                                                                 \
    }
op_jump_gt:
    BRANCH(JUMP_GT, greater(compare(SRC_S(W(0), W(1)), SRC_S(W(2), W(3)))))
op_jump_lt:
    BRANCH(JUMP_LT, compare(SRC_S(W(0), W(1)), SRC_S(W(2), W(3))).less)
op_jump_not_neg:
    BRANCH(JUMP_NOT_NEG, !compare(SRC_S(W(0), W(1)), 0.0).less)
op_jump_past_limit : {
    Order v = compare(SRC_S(W(2), W(3)), SRC_S(W(4), W(5)));
    bool down = compare(SRC_S(W(0), W(1)), 0.0).less;
    BRANCH(JUMP_PAST_LIMIT, down ? v.less : greater(v))
}
op_jump_if_zero_int:
    BRANCH(JUMP_IF_ZERO_INT, SRC_I(W(0), W(1)) == 0)
op_jump_if_zero : {
    bool zero;
    if (W(0) == VM_TAG_INT)
        zero = ints[W(1)] == 0;
    else {
        float f = floats[W(1)];
        zero = !(f < 0.0f || f > 0.0f); // 0.0 or NaN
    }
    if (zero)
        JUMP_TO(W(2));
    else
        STEP(JUMP_IF_ZERO);
    UNCOUNTED();
}
#undef BRANCH

op_goto:
    JUMP_TO(W(0));
    COUNTED();

op_on_goto : {
    std::int32_t v = SRC_I(W(0), W(1)), n = W(2);
    if (v >= 0 && v < n)
        JUMP_TO(W(3 + v));
    else
        ip += kOperandWords<VM_OP_ON_GOTO> + (n > 0 ? n : 0) * kRepeatWords<VM_OP_ON_GOTO>;
    COUNTED();
}

op_next:
    if (IS_INT(W(0))) {
        std::int32_t& var = ints[W(1)];
        std::int32_t candidate = wrap_add(var, 1);
        std::int32_t limit = SRC_I(W(2), W(3));
        if (candidate > limit)
            STEP(NEXT);
        else {
            CHECK_TARGET(W(4));
            var = candidate;
            GO(W(4));
        }
    } else {
        float& var = floats[W(1)];
        float candidate = static_cast<float>(static_cast<double>(var) + 1.0);
        if (greater(compare(candidate, SRC_S(W(2), W(3)))))
            STEP(NEXT);
        else {
            CHECK_TARGET(next_resume(VM_TAG_FLOAT, ip[4]));
            var = candidate;
            GO(next_resume(VM_TAG_FLOAT, ip[4]));
        }
    }
    COUNTED();

op_gosub : {
    CHECK_TARGET(W(0));
    StackView sv(prog);
    sv.push(VM_STACK_ADDRESS,
            static_cast<std::int32_t>(kxp::addr32(ip + kOperandWords<VM_OP_GOSUB>)));
    sv.commit();
    GO(W(0));
    COUNTED();
}

// A return address is accepted only when it names a word of program memory.
#define VALID_RETURN(address)                                                                      \
    ((static_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(base)) % 4 == 0 &&   \
     (static_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(base)) / 4 <= words)
op_return : {
    StackView sv(prog);
    if (sv.kind() != VM_STACK_ADDRESS) goto refuse;
    std::uint32_t to = static_cast<std::uint32_t>(sv.value());
    if (!VALID_RETURN(to)) goto refuse;
    sv.drop(1);
    sv.commit();
    ip = kxp::ptr<std::uint32_t>(to);
    COUNTED();
}

op_call : {
    std::int32_t nargs = W(0);
    if (nargs < 0) goto refuse;
    // The target is the last word, the return address the word after it.
    const std::int32_t after = kOperandWords<VM_OP_CALL> + nargs * kRepeatWords<VM_OP_CALL>;
    CHECK_TARGET(W(after - 1));
    StackView sv(prog);
    sv.push(VM_STACK_ADDRESS, static_cast<std::int32_t>(kxp::addr32(ip + after)));
    sv.push(VM_STACK_ADDRESS, W(1));
    for (std::int32_t k = 0; k < nargs; ++k)
        sv.push_operand(ints, floats, W(2 + 2 * k), W(3 + 2 * k));
    sv.commit();
    GO(W(after - 1));
    COUNTED();
}

op_func_return : {
    StackView sv(prog);
    if (sv.kind(0) != VM_STACK_ADDRESS || sv.kind(1) != VM_STACK_ADDRESS) goto refuse;
    std::int32_t count = sv.value(0);
    std::uint32_t to = static_cast<std::uint32_t>(sv.value(1));
    if (!VALID_RETURN(to)) goto refuse;
    sv.drop(2);
    // The pairs follow the opcode, as many as carry an operand tag: the count
    // may be any return address that a GOSUB pushed, and the verifier has
    // checked exactly those pairs. Never past the end of program memory.
    std::int64_t room = (static_cast<std::int64_t>(words) - (ip - base)) / 2;
    if (count > room) count = static_cast<std::int32_t>(room);
    for (std::int32_t k = 0; k < count; ++k) {
        if (static_cast<std::uint32_t>(W(2 * k) - VM_TAG_INT) > VM_TAG_OTHER - VM_TAG_INT) break;
        sv.push_operand(ints, floats, W(2 * k), W(2 * k + 1));
    }
    sv.commit();
    ip = kxp::ptr<std::uint32_t>(to);
    COUNTED();
}
#undef VALID_RETURN

op_push : {
    StackView sv(prog);
    sv.push_operand(ints, floats, W(0), W(1));
    sv.commit();
    STEP(PUSH);
    COUNTED();
}

op_pop_int : {
    StackView sv(prog);
    std::int32_t v = sv.pop_int();
    sv.commit();
    if (IS_INT(W(0)))
        ints[W(1)] = v;
    else
        floats[W(1)] = static_cast<float>(v);
    STEP(POP_INT);
    COUNTED();
}

op_pop_float : {
    StackView sv(prog);
    float v = sv.pop_float();
    sv.commit();
    if (IS_INT(W(0)))
        ints[W(1)] = to_int(v);
    else
        floats[W(1)] = v;
    STEP(POP_FLOAT);
    COUNTED();
}

op_push_n : {
    std::int32_t n = W(0);
    if (n < 0) goto refuse;
    StackView sv(prog);
    for (std::int32_t k = 0; k < n; ++k)
        sv.push_operand(ints, floats, W(1 + 2 * k), W(2 + 2 * k));
    sv.commit();
    ip += kOperandWords<VM_OP_PUSH_N> + n * kRepeatWords<VM_OP_PUSH_N>;
    COUNTED();
}

op_pop_n : {
    std::int32_t n = W(0);
    if (n < 0) goto refuse;
    StackView sv(prog);
    for (std::int32_t k = 0; k < n; ++k) {
        std::int32_t tag = W(1 + 2 * k), index = W(2 + 2 * k);
        std::int32_t kind = sv.kind();
        if (kind != VM_STACK_INT && kind != VM_STACK_FLOAT) continue; // nothing popped
        if (tag == VM_TAG_INT) {
            std::int32_t v = sv.take();
            ints[index] = kind == VM_STACK_INT ? v : to_int(static_cast<float>(v));
        } else if (tag == VM_TAG_FLOAT) {
            floats[index] = static_cast<float>(sv.take());
        }
    }
    sv.commit();
    ip += kOperandWords<VM_OP_POP_N> + n * kRepeatWords<VM_OP_POP_N>;
    COUNTED();
}

// Variable lists: a count n at the list position, then n (tag, index) pairs;
// a count of 0 or less, or a list outside program memory, has no pairs, and
// the pairs never run past program memory.
#define LIST(list, n)                                                                              \
    const std::int32_t n = list_pairs(base, ip[0], words);                                         \
    const std::uint32_t* list = n > 0 ? base + ip[0] : base
op_push_list : {
    LIST(list, n);
    StackView sv(prog);
    for (std::int32_t k = 0; k < n; ++k)
        sv.push_operand(ints, floats, static_cast<std::int32_t>(list[1 + 2 * k]),
                        static_cast<std::int32_t>(list[2 + 2 * k]));
    sv.commit();
    STEP(PUSH_LIST);
    COUNTED();
}

op_pop_list : {
    LIST(list, n);
    StackView sv(prog);
    for (std::int32_t k = n - 1; k >= 0; --k) {
        std::int32_t tag = static_cast<std::int32_t>(list[1 + 2 * k]);
        std::int32_t index = static_cast<std::int32_t>(list[2 + 2 * k]);
        if (tag == VM_TAG_INT)
            ints[index] = sv.pop_int();
        else if (tag == VM_TAG_FLOAT)
            floats[index] = sv.pop_float();
    }
    sv.commit();
    STEP(POP_LIST);
    COUNTED();
}

op_clear_list : {
    LIST(list, n);
    for (std::int32_t k = 0; k < n; ++k) {
        std::int32_t tag = static_cast<std::int32_t>(list[1 + 2 * k]);
        std::int32_t index = static_cast<std::int32_t>(list[2 + 2 * k]);
        if (tag == VM_TAG_INT)
            ints[index] = 0;
        else if (tag == VM_TAG_FLOAT)
            floats[index] = 0.0f;
    }
    STEP(CLEAR_LIST);
    COUNTED();
}

#undef LIST
#undef W
#undef DISPATCH
#undef COUNTED
#undef UNCOUNTED
#undef SRC_F
#undef IS_INT
#undef SRC_I
#undef SRC_S
#undef JUMP_TO
#undef CHECK_TARGET
#undef GO
#undef STEP

refuse:
op_host:
    // Not an instruction of the set (or one that cannot go on): stop on its
    // opcode word, which ip has just passed; it costs nothing.
    --ip;
    g_state.ip = ip;
    prog->LastExecutionState = VM_STATE_HOST;
    prog->ExecutedCycles = budget - remaining;
    return static_cast<std::int32_t>(ip - base);

out_of_budget:
    g_state.ip = ip;
    prog->ExecutedCycles = budget;
    return static_cast<std::int32_t>(ip - base);
}

} // namespace kx::vm
