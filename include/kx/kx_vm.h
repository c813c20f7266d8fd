/* The runtime's exports. C-compatible; every argument and result is a 32-bit
 * integer, a 32-bit float or an address. */
#ifndef KX_VM_H
#define KX_VM_H

#include <stdint.h>

#include "kx/kx_records.h"

#if defined(_WIN32)
#define KX_API __declspec(dllexport)
#define KX_CALL __stdcall
#else
#define KX_API __attribute__((visibility("default")))
#define KX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Bytecode opcodes executed by the interpreter ------------------------- */
enum {
    VM_OP_MOVE = 1003,
    VM_OP_GOTO = 1034,
    VM_OP_GOSUB = 1035,
    VM_OP_RETURN = 1036,
    VM_OP_JUMP_IF_ZERO_INT = 1047,
    VM_OP_JUMP_IF_ZERO_INT2 = 1048,
    VM_OP_NEXT = 1053,
    VM_OP_INC = 1055,
    VM_OP_DEC = 1056,
    VM_OP_PUSH = 1060,
    VM_OP_POP_INT = 1061,
    VM_OP_POP_FLOAT = 1062,
    VM_OP_JUMP_IF_ZERO = 1084,
    VM_OP_CALL = 1086,
    VM_OP_FUNC_RETURN = 1087,
    VM_OP_ON_GOTO = 1089,
    VM_OP_POP_N = 1090,
    VM_OP_PUSH_N = 1091,
    VM_OP_CLEAR_LIST = 1092,
    VM_OP_POP_LIST = 1093,
    VM_OP_PUSH_LIST = 1094,
    VM_OP_AND = 1095,
    VM_OP_OR = 1096,
    VM_OP_XOR = 1097,
    VM_OP_NOT = 1098,
    VM_OP_CMP_EQ = 1099,
    VM_OP_CMP_NE = 1100,
    VM_OP_CMP_LT = 1101,
    VM_OP_CMP_GT = 1102,
    VM_OP_CMP_LE = 1103,
    VM_OP_CMP_GE = 1104,
    VM_OP_JUMP_GT = 1105,
    VM_OP_JUMP_LT = 1106,
    VM_OP_JUMP_NOT_NEG = 1107,
    VM_OP_JUMP_PAST_LIMIT = 1108,
    VM_OP_ADD_INT = 1116,
    VM_OP_ADD = 1117,
    VM_OP_SUB_INT = 1118,
    VM_OP_SUB = 1119,
    VM_OP_MUL_INT = 1120,
    VM_OP_MUL = 1121,
    VM_OP_DIV_INT = 1122,
    VM_OP_DIV = 1123
};

/* ---- Program record and stack --------------------------------------------- */
KX_API VM_Program* KX_CALL VM_AllocProgram(uint32_t program_words, uint32_t stack_entries,
                                           uint32_t int_count, uint32_t float_count);
KX_API void KX_CALL VM_DeleteProgram(VM_Program* program);
KX_API int32_t KX_CALL VM_GetStackMaxSize(VM_Program* program);
KX_API int32_t KX_CALL VM_GetStackCurrentSize(VM_Program* program);
KX_API void KX_CALL VM_Stack_Push_Address(VM_Program* program, uint32_t value);
KX_API uint32_t KX_CALL VM_Stack_Pop_Addr(VM_Program* program);
KX_API int32_t KX_CALL VM_Stack_Pop_INT(VM_Program* program);
KX_API int32_t KX_CALL VM_Stack_Peek(VM_Program* program, int32_t word_index);
KX_API void KX_CALL VM_Stack_Push_Variable(VM_Program* program, int32_t tag, int32_t index);
KX_API int32_t KX_CALL VM_SetPC(VM_Program* program, int32_t position);
KX_API int32_t KX_CALL VM_GetPC(VM_Program* program);
KX_API int32_t KX_CALL VM_GetExecutedCycles(VM_Program* program);
KX_API int32_t KX_CALL VM_GetLastExecutionState(VM_Program* program);
KX_API void KX_CALL VM_PokeProgramMemory(VM_Program* program, int32_t index, int32_t word);
KX_API int32_t KX_CALL VM_PeekProgramMemory(VM_Program* program, int32_t index);
KX_API void KX_CALL VM_PokeIntVariable(VM_Program* program, int32_t index, int32_t value);
KX_API int32_t KX_CALL VM_PeekIntVariable(VM_Program* program, int32_t index);
KX_API void KX_CALL VM_PokeFloatVariable(VM_Program* program, int32_t index, float value);
KX_API float KX_CALL VM_PeekFloatVariable(VM_Program* program, int32_t index);

/* ---- Interpreter ------------------------------------------------------------ */
KX_API int32_t KX_CALL VM_Execute(VM_Program* program, int32_t position, int32_t budget);

/* ---- Line tests --------------------------------------------------------------- */
/* Segments are four floats (x1, y1, x2, y2); the point is two floats (x, y). */
KX_API int32_t KX_CALL Math_LinesHit(const void* segment_a, const void* segment_b);
KX_API int32_t KX_CALL Math_LinesIntersect(const void* segment_a, const void* segment_b,
                                           void* point);

#ifdef __cplusplus
}
#endif

#endif
