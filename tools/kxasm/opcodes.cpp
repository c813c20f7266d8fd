#include "opcodes.h"

#include <cctype>
#include <cstring>

#include "exports.h"

namespace kx::kxasm {

const OpInfo kInstructions[] = {
    {"move", VM_OP_MOVE, Form::Move},
    {"goto", VM_OP_GOTO, Form::Jump},
    {"gosub", VM_OP_GOSUB, Form::Jump},
    {"return", VM_OP_RETURN, Form::Bare},
    {"jump_if_zero_int", VM_OP_JUMP_IF_ZERO_INT, Form::TestJump},
    {"jump_if_zero_int2", VM_OP_JUMP_IF_ZERO_INT2, Form::TestJump},
    {"next", VM_OP_NEXT, Form::Next},
    {"inc", VM_OP_INC, Form::Step},
    {"dec", VM_OP_DEC, Form::Step},
    {"push", VM_OP_PUSH, Form::Push},
    {"pop_int", VM_OP_POP_INT, Form::Pop},
    {"pop_float", VM_OP_POP_FLOAT, Form::Pop},
    {"jump_if_zero", VM_OP_JUMP_IF_ZERO, Form::TestJump},
    {"func_call", VM_OP_CALL, Form::Call},
    {"func_return", VM_OP_FUNC_RETURN, Form::FuncReturn},
    {"on_goto", VM_OP_ON_GOTO, Form::OnGoto},
    {"pop_n", VM_OP_POP_N, Form::PopN},
    {"push_n", VM_OP_PUSH_N, Form::PushN},
    {"clear_list", VM_OP_CLEAR_LIST, Form::List},
    {"pop_list", VM_OP_POP_LIST, Form::List},
    {"push_list", VM_OP_PUSH_LIST, Form::List},
    {"and", VM_OP_AND, Form::Arith},
    {"or", VM_OP_OR, Form::Arith},
    {"xor", VM_OP_XOR, Form::Arith},
    {"not", VM_OP_NOT, Form::Unary},
    {"cmp_eq", VM_OP_CMP_EQ, Form::Arith},
    {"cmp_ne", VM_OP_CMP_NE, Form::Arith},
    {"cmp_lt", VM_OP_CMP_LT, Form::Arith},
    {"cmp_gt", VM_OP_CMP_GT, Form::Arith},
    {"cmp_le", VM_OP_CMP_LE, Form::Arith},
    {"cmp_ge", VM_OP_CMP_GE, Form::Arith},
    {"jump_gt", VM_OP_JUMP_GT, Form::CompareJump},
    {"jump_lt", VM_OP_JUMP_LT, Form::CompareJump},
    {"jump_not_neg", VM_OP_JUMP_NOT_NEG, Form::CompareJump},
    {"jump_past_limit", VM_OP_JUMP_PAST_LIMIT, Form::PastLimitJump},
    {"add_int", VM_OP_ADD_INT, Form::ArithInt},
    {"add", VM_OP_ADD, Form::Arith},
    {"sub_int", VM_OP_SUB_INT, Form::ArithInt},
    {"sub", VM_OP_SUB, Form::Arith},
    {"mul_int", VM_OP_MUL_INT, Form::ArithInt},
    {"mul", VM_OP_MUL, Form::Arith},
    {"div_int", VM_OP_DIV_INT, Form::ArithInt},
    {"div", VM_OP_DIV, Form::Arith},
    {"end", HOST_END, Form::HostEnd},
    {"call", HOST_CALL, Form::HostCall},
    {"print", HOST_PRINT, Form::HostPrint},
    {"clock", HOST_CLOCK, Form::HostClock},
};
const std::size_t kInstructionCount = sizeof(kInstructions) / sizeof(kInstructions[0]);

const OpInfo* find_mnemonic(std::string_view name) {
    for (const OpInfo& op : kInstructions) {
        std::size_t n = std::strlen(op.mnemonic);
        if (n != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < n && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == op.mnemonic[k];
        if (same) return &op;
    }
    return nullptr;
}

const OpInfo* find_opcode(std::int32_t opcode) {
    for (const OpInfo& op : kInstructions)
        if (op.opcode == opcode) return &op;
    return nullptr;
}

bool is_interpreter_opcode(std::int32_t opcode) {
    const OpInfo* op = find_opcode(opcode);
    return op && opcode < 2000;
}

bool ends_flow(std::int32_t opcode) {
    return opcode == VM_OP_GOTO || opcode == VM_OP_RETURN || opcode == VM_OP_FUNC_RETURN ||
           opcode == HOST_END;
}

const ExportInfo* find_export(std::string_view name) {
    for (std::size_t k = 0; k < kExportCount; ++k)
        if (name == kExportTable[k].name) return &kExportTable[k];
    return nullptr;
}

} // namespace kx::kxasm
