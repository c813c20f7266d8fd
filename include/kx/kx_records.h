/* Records that hosts read and write in place. Every field is 32 bits wide;
 * a field that holds an address holds a 32-bit address (all runtime memory
 * lies below 4 GiB). */
#ifndef KX_RECORDS_H
#define KX_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KX_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define KX_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* ---- Program record ------------------------------------------------------ */

/* How the last VM_Execute ended. */
enum {
    VM_STATE_NEW = -1,  /* never run */
    VM_STATE_HOST = 0,  /* stopped on an instruction for the host */
    VM_STATE_BUDGET = 1 /* the cycle budget was used up */
};

/* Operand tags. */
enum { VM_TAG_INT = 1069, VM_TAG_FLOAT = 1070, VM_TAG_OTHER = 1071 };

/* Kinds of stack entries. */
enum {
    VM_STACK_ADDRESS = 1, /* a return address (32-bit address of a program word) or a count */
    VM_STACK_INT = 2,
    VM_STACK_FLOAT = 3, /* a float truncated toward zero to an integer */
    VM_STACK_OTHER = 4  /* always 0 */
};

typedef struct VM_StackEntry {
    uint32_t Reserved; /* never read or written by the runtime */
    int32_t Kind;
    int32_t Value;
} VM_StackEntry;

typedef struct VM_Program {
    uint32_t ProgramMemory;     /* address of the bytecode words */
    uint32_t IntVariables;      /* address of the integer variable table */
    uint32_t FloatVariables;    /* address of the float variable table */
    int32_t StackMaxSize;       /* stack capacity in entries */
    int32_t StackCurrentSize;   /* entries in use */
    uint32_t Stack;             /* address of StackMaxSize + 1 entries */
    int32_t PC;                 /* resume position, written only by VM_SetPC */
    int32_t ExecutedCycles;     /* counted instructions of the last run */
    int32_t LastExecutionState; /* VM_STATE_* */
} VM_Program;

KX_STATIC_ASSERT(sizeof(VM_StackEntry) == 12, "stack entry is three words");
KX_STATIC_ASSERT(offsetof(VM_StackEntry, Kind) == 4, "stack entry layout");
KX_STATIC_ASSERT(offsetof(VM_StackEntry, Value) == 8, "stack entry layout");

KX_STATIC_ASSERT(sizeof(VM_Program) == 36, "program record is nine words");
KX_STATIC_ASSERT(offsetof(VM_Program, ProgramMemory) == 0, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, IntVariables) == 4, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, FloatVariables) == 8, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, StackMaxSize) == 12, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, StackCurrentSize) == 16, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, Stack) == 20, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, PC) == 24, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, ExecutedCycles) == 28, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, LastExecutionState) == 32, "program record layout");

#endif
