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

/* ---- Map records ---------------------------------------------------------- */

/* Map (bank type 13). */
typedef struct KX_Map {
    int32_t Reserved0;    /* not written by the runtime */
    int32_t Reserved1;    /* not written by the runtime */
    int32_t HighestLevel; /* L: the map has level slots 0 to L */
    int32_t LevelTable;   /* handle of a raw bank of L + 1 level handles, 0 = empty slot */
} KX_Map;

/* Map level (bank type 14). */
typedef struct KX_MapLevel {
    int32_t InUse;     /* 1 once created */
    int32_t Reserved1; /* 0 once created */
    int32_t Width;
    int32_t Height;
    int32_t Reserved4; /* not written by the runtime */
    int32_t Cells;     /* handle of a raw bank of (Width + 1) x (Height + 1) 32-bit cells */
    int32_t Reserved6; /* not written by the runtime */
} KX_MapLevel;

KX_STATIC_ASSERT(sizeof(KX_Map) == 16, "map record is four words");
KX_STATIC_ASSERT(offsetof(KX_Map, HighestLevel) == 8, "map record layout");
KX_STATIC_ASSERT(offsetof(KX_Map, LevelTable) == 12, "map record layout");

KX_STATIC_ASSERT(sizeof(KX_MapLevel) == 28, "map level record is seven words");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, InUse) == 0, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Reserved1) == 4, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Width) == 8, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Height) == 12, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Cells) == 20, "map level record layout");

/* ---- Mesh records --------------------------------------------------------- */

/* Vertex: position and normal. A vertex bank of n vertices is 24 x n + 1 bytes. */
typedef struct VM_MeshVertex {
    float X, Y, Z;
    float NormalX, NormalY, NormalZ;
} VM_MeshVertex;

typedef struct VM_MeshCorner {
    int32_t Vertex;  /* index into the mesh's vertices */
    float U, V;      /* texture coordinates, 0.0 to 1.0 across the image */
    uint32_t Colour; /* 0xRRGGBB; the top byte is ignored when drawing */
    int32_t Reserved;
} VM_MeshCorner;

/* Face: a face bank of n faces holds n + 1 records (one spare at the end). */
typedef struct VM_MeshFace {
    int32_t CornerCount; /* 3 or 4 are drawn; other counts are skipped */
    VM_MeshCorner Corner[4];
} VM_MeshFace;

/* Mesh (bank type 12). */
typedef struct VM_Mesh {
    int32_t Status; /* 1 while live, 0 once deletion has begun */
    int32_t Reserved1;
    int32_t VertexCount;
    int32_t Vertices;    /* handle of the model vertex bank (buffer 0) */
    int32_t Transformed; /* handle of the transformed vertex bank (buffer 1) */
    int32_t FaceCount;
    int32_t Reserved6;
    int32_t Faces; /* handle of the face bank */
    int32_t Reserved8;
    int32_t BackFace;  /* 1: projection drops faces that face away */
    int32_t Particles; /* handle of the particle controller, 0 = none */
} VM_Mesh;

KX_STATIC_ASSERT(sizeof(VM_MeshVertex) == 24, "vertex record is six floats");
KX_STATIC_ASSERT(offsetof(VM_MeshVertex, NormalX) == 12, "vertex record layout");
KX_STATIC_ASSERT(offsetof(VM_MeshVertex, NormalZ) == 20, "vertex record layout");

KX_STATIC_ASSERT(sizeof(VM_MeshCorner) == 20, "face corner is five words");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, U) == 4, "face corner layout");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, V) == 8, "face corner layout");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, Colour) == 12, "face corner layout");

KX_STATIC_ASSERT(sizeof(VM_MeshFace) == 84, "face record is 21 words");
KX_STATIC_ASSERT(offsetof(VM_MeshFace, Corner) == 4, "face record layout");

KX_STATIC_ASSERT(sizeof(VM_Mesh) == 44, "mesh record is 11 words");
KX_STATIC_ASSERT(offsetof(VM_Mesh, VertexCount) == 8, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Vertices) == 12, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Transformed) == 16, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, FaceCount) == 20, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Faces) == 28, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, BackFace) == 36, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Particles) == 40, "mesh record layout");

#endif
