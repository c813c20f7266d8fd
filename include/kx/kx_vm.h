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

/* No export lets an exception out; C++ code built with KX_NOEXCEPT_EXPORTS
 * (the runtime itself and whatever links it) sees them declared noexcept. */
#if defined(__cplusplus) && defined(KX_NOEXCEPT_EXPORTS)
#define KX_NOEXCEPT noexcept
#else
#define KX_NOEXCEPT
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
                                           uint32_t int_count, uint32_t float_count) KX_NOEXCEPT;
KX_API void KX_CALL VM_DeleteProgram(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GetStackMaxSize(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GetStackCurrentSize(VM_Program* program) KX_NOEXCEPT;
KX_API void KX_CALL VM_Stack_Push_Address(VM_Program* program, uint32_t value) KX_NOEXCEPT;
KX_API uint32_t KX_CALL VM_Stack_Pop_Addr(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_Stack_Pop_INT(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_Stack_Peek(VM_Program* program, int32_t word_index) KX_NOEXCEPT;
KX_API void KX_CALL VM_Stack_Push_Variable(VM_Program* program, int32_t tag,
                                           int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_SetPC(VM_Program* program, int32_t position) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GetPC(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GetExecutedCycles(VM_Program* program) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GetLastExecutionState(VM_Program* program) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeProgramMemory(VM_Program* program, int32_t index,
                                         int32_t word) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_PeekProgramMemory(VM_Program* program, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeIntVariable(VM_Program* program, int32_t index,
                                       int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_PeekIntVariable(VM_Program* program, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeFloatVariable(VM_Program* program, int32_t index,
                                         float value) KX_NOEXCEPT;
KX_API float KX_CALL VM_PeekFloatVariable(VM_Program* program, int32_t index) KX_NOEXCEPT;

/* ---- Interpreter ------------------------------------------------------------ */
KX_API int32_t KX_CALL VM_Execute(VM_Program* program, int32_t position,
                                  int32_t budget) KX_NOEXCEPT;

/* ---- Raw memory and the string cache ---------------------------------------- */
/* Blocks come from the runtime's heap, zero-filled, at addresses below 4 GiB. */
KX_API void* KX_CALL KX_AllocMem(int32_t size) KX_NOEXCEPT;
KX_API void KX_CALL KX_FreeMem(void* block) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MemSize(void* block) KX_NOEXCEPT;
KX_API void* KX_CALL KX_ResizeMem(void* block, int32_t size) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_CopyMemory(const void* source, void* dest, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PokeINT(void* address, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL KXp_PokeINT(void* address, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PokeWord(void* address, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PokeByte(void* address, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PeekINT(const void* address) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PeekWord(const void* address) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PeekByte(const void* address) KX_NOEXCEPT;
KX_API void KX_CALL KX_PokeIntRect(void* address, int32_t x1, int32_t y1, int32_t x2,
                                   int32_t y2) KX_NOEXCEPT;
KX_API void* KX_CALL Create_VM_StringCache(int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL StringCache_AllocString(void* cache, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL StringCache_FreeString(void* cache, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL Destory_VM_StringCache(void* cache) KX_NOEXCEPT;

/* ---- Slot lists ----------------------------------------------------------------- */
/* A list is a block of 32-bit words: a four-word header (0, free chain head link,
 * used chain head link, size) and four words per item (status, element, previous
 * link, next link); a link is 4 + 4 * index, -1 for none. */
KX_API void* KX_CALL LinkList_Create(int32_t size) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_Delete(void* list) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetListSize(void* list) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetFreeItem(void* list) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetFirstItem(void* list) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetNextItem(void* list, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetPreviousItem(void* list, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_Convert_Index_To_Element(void* list, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_AddItem(void* list, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_FreeItem(void* list, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_ItemStatus(void* list, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL LinkList_GetLastFreeItem(void* list) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_SetPreviousLink(void* list, int32_t index, int32_t other) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_SetNextLink(void* list, int32_t index, int32_t other) KX_NOEXCEPT;
KX_API void KX_CALL LinkList_SetFreeListPointer(void* list, int32_t index) KX_NOEXCEPT;
KX_API void* KX_CALL LinkList_Expand(void* list, int32_t extra) KX_NOEXCEPT;

/* ---- Bank table ----------------------------------------------------------------- */
/* Bank types. */
enum {
    VM_BANK_RAW = 0,
    VM_BANK_STRING = 1,
    VM_BANK_WINDOW = 7,
    VM_BANK_SCREEN = 8,
    VM_BANK_IMAGE = 9,
    VM_BANK_SPRITE = 10,
    VM_BANK_FONT = 11,
    VM_BANK_MESH = 12,
    VM_BANK_MAP = 13,
    VM_BANK_MAP_LEVEL = 14
};
/* Opens the table and binds the raster library; returns 1 when it was bound. */
KX_API int32_t KX_CALL VM_OpenMemoryManager(int32_t table_size) KX_NOEXCEPT;
KX_API void KX_CALL VM_CloseMemoryManager(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MMCacheSize(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_TypedAlloc(uint32_t size, int32_t type, int32_t structure) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_Alloc(uint32_t size) KX_NOEXCEPT;
KX_API void KX_CALL VM_Resize(int32_t bank, int32_t size) KX_NOEXCEPT;
KX_API void KX_CALL VM_Free(int32_t bank) KX_NOEXCEPT;
KX_API void KX_CALL VM_IncBankRef(int32_t bank) KX_NOEXCEPT;
KX_API void KX_CALL VM_DecBankRef(int32_t bank) KX_NOEXCEPT;
KX_API void KX_CALL VM_FreeALLBanks(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FreeFromPtr(const void* address) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_UsedBankQuantity(void) KX_NOEXCEPT;
KX_API void* KX_CALL VM_BankPtr(int32_t bank) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_BankSize(int32_t bank) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_BankType(int32_t bank) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_BankStructure(int32_t bank) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_BankRef(int32_t bank) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_BankExist(int32_t bank) KX_NOEXCEPT;
KX_API void KX_CALL VM_SwapBankPtrs(int32_t bank_a, int32_t bank_b) KX_NOEXCEPT;

/* ---- Bank contents ------------------------------------------------------------- */
/* Offsets are byte offsets; an access not wholly inside the bank reads 0 and writes
 * nothing; fills are clipped to the bank. */
KX_API void KX_CALL VM_PokeByte(int32_t bank, int32_t offset, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_PeekByte(int32_t bank, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeWord(int32_t bank, int32_t offset, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_PeekWord(int32_t bank, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeInt(int32_t bank, int32_t offset, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_PeekInt(int32_t bank, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeFloat(int32_t bank, int32_t offset, float value) KX_NOEXCEPT;
KX_API float KX_CALL VM_PeekFloat(int32_t bank, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeBankRef(int32_t bank, int32_t offset, int32_t referenced) KX_NOEXCEPT;
KX_API void KX_CALL VM_ClearBank(int32_t bank, int32_t value) KX_NOEXCEPT;
KX_API void KX_CALL VM_FillBank(int32_t bank, int32_t start, int32_t end,
                                int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CopyBankBytes(int32_t source, int32_t start, int32_t end, int32_t dest,
                                        int32_t dest_offset) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CloneBank(int32_t bank) KX_NOEXCEPT;
KX_API void KX_CALL VM_SortArrayI(void* array, int32_t first, int32_t last) KX_NOEXCEPT;
KX_API void KX_CALL VM_SortArrayF(void* array, int32_t first, int32_t last) KX_NOEXCEPT;
/* array: 32-bit addresses of (key, value) integer pairs; the pairs are exchanged. */
KX_API void KX_CALL VM_SortIntList(void* array, int32_t first, int32_t last) KX_NOEXCEPT;

/* ---- Maps ------------------------------------------------------------------------ */
/* A map (KX_Map) names a table of level slots 0 to L; each level (KX_MapLevel) names a
 * grid of (width + 1) x (height + 1) 32-bit cells. Handles are not type-checked. */
KX_API int32_t KX_CALL KX_MapCreate(int32_t ignored, int32_t highest_level) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapDelete(int32_t map) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapGetLevels(int32_t map) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapCreateLevel(int32_t map, int32_t level, int32_t width, int32_t height,
                                         int32_t delete_only) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapDeleteLevel(int32_t map, int32_t level) KX_NOEXCEPT;
KX_API void* KX_CALL KX_MapGetLevelPtr(int32_t map, int32_t level) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapGetLevelWidth(int32_t map, int32_t level) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MapGetLevelHeight(int32_t map, int32_t level) KX_NOEXCEPT;

/* ---- Meshes ---------------------------------------------------------------------- */
/* A mesh (VM_Mesh) names a model vertex bank (buffer 0), a transformed vertex bank
 * (buffer 1) and a face bank. Axis masks: 1 x, 2 y, 4 z. Corner masks: 1 vertex index,
 * 2 u, 4 v, 8 colour. Peek offsets are byte offsets 0 to 20 within a vertex. */
KX_API int32_t KX_CALL VM_MeshCreate(int32_t vertex_count, int32_t face_count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshCreatePlain(void) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshDelete(int32_t mesh) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshVertQuantity(int32_t mesh, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshFaceQuantity(int32_t mesh, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshGetVerts(int32_t mesh) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshGetFaces(int32_t mesh) KX_NOEXCEPT;
KX_API void* KX_CALL VM_MeshGetVertPtr(int32_t mesh, int32_t buffer) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshPokeVert(int32_t mesh, int32_t index, float x, float y, float z,
                                    int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshPokeNormals(int32_t mesh, int32_t index, float nx, float ny, float nz,
                                       int32_t mask) KX_NOEXCEPT;
KX_API float KX_CALL VM_MeshPeekVert(int32_t mesh, int32_t index, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshSetFaceVertCount(int32_t mesh, int32_t face, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshPokeFace(int32_t mesh, int32_t face, int32_t corner, int32_t vertex,
                                    float u, float v, int32_t colour, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshBackFace(int32_t mesh, int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshGetBackFace(int32_t mesh) KX_NOEXCEPT;

/* ---- Strings -------------------------------------------------------------------- */
/* A string is a bank of type 1: a 32-bit length, the characters, a zero byte; the
 * bank is capacity + 5 bytes. Type 2 has the same layout; type 3 holds zero-terminated
 * characters only. Functions write into a destination string the caller supplies,
 * growing it as needed; a destination may also be one of the sources. */
KX_API int32_t KX_CALL VM_NewKXStr(int32_t capacity) KX_NOEXCEPT;
KX_API void KX_CALL VM_ResizeStr(int32_t string, int32_t capacity) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrBufferSize(int32_t string) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrLen(int32_t string) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrRefreshLen(int32_t string, int32_t length) KX_NOEXCEPT;
KX_API void* KX_CALL VM_StrPtr(int32_t string) KX_NOEXCEPT;
KX_API void* KX_CALL VM_StrFirstChrPtr(int32_t string) KX_NOEXCEPT;
KX_API void KX_CALL VM_NullStr(int32_t string) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrLenNullTerm(const void* text) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_NewStrFromPtr(const void* text) KX_NOEXCEPT;
KX_API void KX_CALL VM_PeekMemToStr(int32_t dest, const void* source, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_PokeStrToMem(int32_t source, void* dest, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCopyChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrMoveChrsToPtr(int32_t source, int32_t start, int32_t count,
                                           void* dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_CopyStrToStr(int32_t dest, int32_t source) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CloneStr(int32_t string) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CombineStrs(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API void KX_CALL VM_AddStrings(int32_t dest, int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpEqual(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpNotEqual(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpGrt(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpGrtE(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpLow(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrCmpLowE(int32_t a, int32_t b) KX_NOEXCEPT;

/* ---- Text functions ---------------------------------------------------------------- */
/* Positions are 1-based unless stated; VM_StrFindNextDelimiter works 0-based. */
KX_API void KX_CALL VM_StrLeft(int32_t source, int32_t dest, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrRight(int32_t source, int32_t dest, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrMid(int32_t source, int32_t dest, int32_t start,
                              int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrCutLeft(int32_t source, int32_t dest, int32_t position) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrCutRight(int32_t source, int32_t dest, int32_t position) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrTrimLeft(int32_t source, int32_t set, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrTrimRight(int32_t source, int32_t set, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrTrim(int32_t source, int32_t set, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrLower(int32_t source, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrUpper(int32_t source, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrAutoCaps(int32_t source, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrFlip(int32_t source, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrCHR(int32_t code, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrAsc(int32_t source, int32_t position) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrMake(int32_t source, int32_t count, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrPad(int32_t source, int32_t pad, int32_t counter, int32_t interval,
                              int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrInsert(int32_t source, int32_t insertion, int32_t position,
                                 int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrFindNextDelimiter(int32_t source, int32_t set,
                                               int32_t start) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrInstring(int32_t text, int32_t search, int32_t start,
                                      int32_t fold) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrInstringOLD(int32_t text, int32_t search, int32_t start,
                                         int32_t unused) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrReplace(int32_t source, int32_t search, int32_t replacement,
                                  int32_t start, int32_t fold, int32_t first_only,
                                  int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrSplit(int32_t source, int32_t delimiters) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrSplit_FragStr(int32_t index, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CloneFileNameStr(int32_t string) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrLowerPtr(void* address, int32_t length) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrUpperPtr(void* address, int32_t length) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrAutoCapsPtr(void* address, int32_t length) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrFlipPtr(void* address, int32_t length) KX_NOEXCEPT;

/* ---- Number conversion ------------------------------------------------------------ */
KX_API int32_t KX_CALL VM_StrValL(int32_t string) KX_NOEXCEPT;
KX_API float KX_CALL VM_StrValF(int32_t string) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrStringL(int32_t dest, int32_t value) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrStringF(int32_t dest, float value) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrDigitsL(int32_t dest, int32_t value, int32_t digits) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrBinL(int32_t dest, int32_t value) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrHexL(int32_t dest, int32_t value) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrBinPtrL(void* address, int32_t value) KX_NOEXCEPT;
KX_API void KX_CALL VM_StrHexPtrL(void* address, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_StrSplit_FragValL(int32_t index) KX_NOEXCEPT;
KX_API float KX_CALL VM_StrSplit_FragValF(int32_t index) KX_NOEXCEPT;

/* ---- File channels and host services ------------------------------------------ */
/* File names are strings. Files are non-zero ids; 0 (or an id that names no open
 * file) is refused and gives 0. Every transfer takes a position: >= 0 transfers at
 * that offset and leaves the current position unchanged; < 0 transfers at the
 * current position and advances it. Values are little-endian; text lines end in
 * CR LF. Unless a result is stated, the result is 0. */
KX_API int32_t KX_CALL VM_FileOpen(int32_t name)
    KX_NOEXCEPT; /* "rb+": existing file, read and write */
KX_API int32_t KX_CALL VM_FileRead(int32_t name) KX_NOEXCEPT;  /* "rb" */
KX_API int32_t KX_CALL VM_FileWrite(int32_t name) KX_NOEXCEPT; /* "wb": create or truncate */
KX_API int32_t KX_CALL VM_FileClose(int32_t file) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileEOF(int32_t file) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FilePos(int32_t file) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileSetPos(int32_t file, int32_t offset) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileSize(int32_t name) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileExist(int32_t name) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadB(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadW(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadL(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API float KX_CALL VM_FileReadF(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteB(int32_t file, int32_t position, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteW(int32_t file, int32_t position, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteL(int32_t file, int32_t position, int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteF(int32_t file, int32_t position, float value) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadStr(int32_t file, int32_t position, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadStr_OLD(int32_t file, int32_t position, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteStr(int32_t file, int32_t position, int32_t string) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadCHR(int32_t file, int32_t position, int32_t dest,
                                      int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteCHR(int32_t file, int32_t position, int32_t string,
                                       int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadMem(int32_t file, int32_t position, void* address,
                                      int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileWriteMem(int32_t file, int32_t position, const void* start,
                                       const void* end) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileReadValueL(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API float KX_CALL VM_FileReadValueF(int32_t file, int32_t position) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_CHDIR(const void* path) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_FileTempFolder(int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL Timer(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_GethInstance(int32_t window) KX_NOEXCEPT;

/* ---- Line tests --------------------------------------------------------------- */
/* Segments are four floats (x1, y1, x2, y2); the point is two floats (x, y). */
KX_API int32_t KX_CALL Math_LinesHit(const void* segment_a, const void* segment_b) KX_NOEXCEPT;
KX_API int32_t KX_CALL Math_LinesIntersect(const void* segment_a, const void* segment_b,
                                           void* point) KX_NOEXCEPT;

/* ---- Window, keyboard and mouse, debug counters ------------------------------------ */
/* Window arguments are window record handles (bank type 7), screen arguments
 * screen record handles (bank type 8); invalid ones give 0. */
KX_API int32_t KX_CALL KX_OpenWindow(int32_t width, int32_t height) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_CloseWindow(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PositionWindow(int32_t window, int32_t x, int32_t y) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SizeWindow(int32_t window, int32_t width, int32_t height) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_CenterWindow(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FullScreenWindow(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowX(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowY(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowWidth(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowHeight(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowHandle(int32_t window) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetWindowClose(int32_t window) KX_NOEXCEPT;
KX_API void KX_CALL KX_GetWindowTitle(int32_t window, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SetWindowTitle(int32_t window, int32_t source) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetHinstance(int32_t hwnd) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_AvailSysMem(void) KX_NOEXCEPT;

KX_API int32_t KX_CALL KX_KeyBoardAquire(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseAquire(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_KeyBoardUpdateInputState(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseUpdateInputState(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_KeyState(int32_t scan_code) KX_NOEXCEPT;
KX_API void KX_CALL KX_FlushKeys(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ScanCode(void) KX_NOEXCEPT;
KX_API void KX_CALL KX_Inkey(int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_InkeyASCII(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_KeyStateFKEYS(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseX(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseY(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseZ(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseMoveX(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseMoveY(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseMoveZ(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_MouseButton(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_WindowDebug(int32_t index) KX_NOEXCEPT;

/* ---- Screen, surfaces and images ---------------------------------------------------- */
/* Surface arguments are screen (bank type 8) or image (bank type 9) handles. */
KX_API int32_t KX_CALL KX_OpenGraphics(int32_t a, int32_t b, int32_t c, int32_t d,
                                       int32_t e) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_CloseGraphics(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GraphicsPixelFormat(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SwapGraphics(int32_t screen, int32_t waitVSync) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_Graphics3DState(int32_t screen) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ValidSurface(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetGfxSurface(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_GetSurfaceSizePtr(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_GetViewportPtr(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_GetLockBufferPtr(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_GetImageTypePtr(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_GetFXImagePtr(int32_t image) KX_NOEXCEPT;
KX_API void* KX_CALL KX_SurfaceGetViewportPtr(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SetCurrentSurface(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_GetCurrentSurface(void) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SetCurrentBlitFXSurface(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_LockSurface(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_UnLockSurface(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfaceWidth(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfaceHeight(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfaceDepth(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfacePTR(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfacePitch(int32_t surface) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfaceFormat(int32_t surface) KX_NOEXCEPT;
KX_API void* KX_CALL KX_SurfaceSetViewport(int32_t surface, int32_t x1, int32_t y1, int32_t x2,
                                           int32_t y2) KX_NOEXCEPT;

KX_API int32_t KX_CALL KX_ImageCreate(int32_t screen, int32_t width, int32_t height, int32_t depth,
                                      int32_t typeFlags) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageDelete(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageClone(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageClone_ORIGINAL(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageSync(int32_t image, int32_t from, int32_t to) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImagePrepareFX(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageMaskColour(int32_t image, int32_t colour) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageGetMaskColour(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageRenderTo(int32_t image, int32_t kind) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageGetRenderTo(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageGetType(int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_CacheTexturesChanges(int32_t on) KX_NOEXCEPT;

/* ---- Blits ----------------------------------------------------------------
 * Images onto the current surface, clipped to its viewport: by DirectDraw
 * between video and texture buffers, by the raster library where an FX buffer
 * is involved. rect is the address of four int32_t: left, top, right, bottom
 * (right and bottom exclusive). The fifth argument of KX_ImageBltFX is not
 * read. KX_ImageBltRot turns by angle degrees (clockwise on the screen) about
 * (x, y) after adding the offsets to image coordinates and scaling. */
KX_API int32_t KX_CALL KX_ImageBlt(int32_t image, int32_t x, int32_t y,
                                   int32_t transparent) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageBltRect(int32_t image, const void* rect, int32_t x, int32_t y,
                                       int32_t transparent) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageBltFX(int32_t image, int32_t x, int32_t y, int32_t fx1,
                                     int32_t unused, int32_t fx2, int32_t fx3, int32_t fx4,
                                     int32_t fx5) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageBltGrid(int32_t image, int32_t x, int32_t y, int32_t across,
                                    int32_t down, int32_t transparent) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageBltTile(int32_t image, int32_t x, int32_t y,
                                    int32_t transparent) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SurfaceCopyRect(int32_t source, int32_t x1, int32_t y1, int32_t x2,
                                          int32_t y2, int32_t dest, int32_t dx, int32_t dy,
                                          int32_t transparent) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageBltRot(int32_t image, int32_t x, int32_t y, float angle,
                                      float scaleX, float scaleY, float offsetX, float offsetY,
                                      int32_t alpha, int32_t transparent) KX_NOEXCEPT;

/* ---- Drawing primitives on the current surface --------------------------------------- */
/* Colours are 0xRRGGBB, passed to the raster library unchanged; right and bottom
 * of boxes are exclusive. Textured shapes take an image handle first. */
KX_API void KX_CALL KX_Cls(int32_t colour) KX_NOEXCEPT;
KX_API void KX_CALL KX_Dot(int32_t x, int32_t y, int32_t colour, int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_Dot2(int32_t x, int32_t y, int32_t colour, int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_FastDot_SetCurrentBuffer(void) KX_NOEXCEPT;
KX_API void KX_CALL KX_FastDot(int32_t x, int32_t y, int32_t colour, int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_Point(int32_t x, int32_t y) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FastPoint(int32_t x, int32_t y) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_PixelRunLength(int32_t x, int32_t y, int32_t dx, int32_t dy,
                                         int32_t max) KX_NOEXCEPT;
KX_API void KX_CALL KX_Box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour,
                           int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_ShadeBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t c1,
                                int32_t c2, int32_t c3, int32_t c4, int32_t mode,
                                int32_t alpha) KX_NOEXCEPT;
KX_API void KX_CALL KX_Circle(int32_t x, int32_t y, int32_t radius, int32_t colour,
                              int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_Ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t colour,
                               int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_Line(float x1, float y1, float x2, float y2, int32_t colour,
                            int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_Tri(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                           int32_t colour, int32_t mode, int32_t alpha) KX_NOEXCEPT;
KX_API void KX_CALL KX_TriG(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2,
                            int32_t x3, int32_t y3, int32_t c3, int32_t mode,
                            int32_t alpha) KX_NOEXCEPT;
KX_API void KX_CALL KX_TriT(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                            int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, int32_t x3,
                            int32_t y3, int32_t tx3, int32_t ty3, int32_t mode,
                            int32_t alpha) KX_NOEXCEPT;
KX_API void KX_CALL KX_TriTG(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                             int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                             int32_t c3, int32_t transparent, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_TriTI(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                             int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                             int32_t c3, int32_t transparent, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_Quad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                            int32_t x4, int32_t y4, int32_t colour, int32_t mode,
                            int32_t unused) KX_NOEXCEPT;
KX_API void KX_CALL KX_QuadG(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2,
                             int32_t x3, int32_t y3, int32_t c3, int32_t x4, int32_t y4, int32_t c4,
                             int32_t mode, int32_t unused) KX_NOEXCEPT;
KX_API void KX_CALL KX_QuadT(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, int32_t x3,
                             int32_t y3, int32_t tx3, int32_t ty3, int32_t x4, int32_t y4,
                             int32_t tx4, int32_t ty4, int32_t mode, int32_t alpha) KX_NOEXCEPT;
KX_API void KX_CALL KX_QuadTG(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                              int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                              int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                              int32_t c3, int32_t x4, int32_t y4, int32_t tx4, int32_t ty4,
                              int32_t c4, int32_t transparent, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_QuadTI(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                              int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                              int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                              int32_t c3, int32_t x4, int32_t y4, int32_t tx4, int32_t ty4,
                              int32_t c4, int32_t transparent, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_GouraudStripV(int32_t y1, int32_t c1, int32_t y2, int32_t c2,
                                     int32_t x) KX_NOEXCEPT;
KX_API void KX_CALL KX_GouraudStripH(int32_t x1, int32_t c1, int32_t x2, int32_t c2,
                                     int32_t y) KX_NOEXCEPT;
KX_API void KX_CALL KX_TextureStripV(int32_t image, int32_t y1, int32_t tx1, int32_t ty1,
                                     int32_t y2, int32_t tx2, int32_t ty2, int32_t x) KX_NOEXCEPT;
KX_API void KX_CALL KX_TextureStripH(int32_t image, int32_t x1, int32_t tx1, int32_t ty1,
                                     int32_t x2, int32_t tx2, int32_t ty2, int32_t y) KX_NOEXCEPT;
KX_API void KX_CALL KX_DrawShape(void* spans, int32_t count, int32_t colour,
                                 int32_t mode) KX_NOEXCEPT;

/* ---- Image effects on a surface's viewport ------------------------------------------ */
KX_API void KX_CALL KX_ImageFade(int32_t surface, int32_t level) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageGreyScale(int32_t surface) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageMirror(int32_t surface, int32_t horizontal,
                                   int32_t vertical) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageRGBMask(int32_t surface, int32_t colour, int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImagePhongMap(int32_t surface, int32_t x, int32_t y, int32_t radius,
                                     int32_t colour, int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageLight(int32_t surface, int32_t x, int32_t y, int32_t radius,
                                  int32_t colour) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageBlur(int32_t surface, float divisor) KX_NOEXCEPT;
KX_API void KX_CALL KX_ImageScroll(int32_t image, int32_t dx, int32_t dy, int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_ImageScale(int32_t image, float sx, float sy,
                                     int32_t absolute) KX_NOEXCEPT;

/* ---- Fonts and text ------------------------------------------------------------------ */
/* Font arguments are font handles (bank type 11); characters are bytes 0-255, read as
 * Windows-1252 by system fonts. */
KX_API int32_t KX_CALL KX_FontLoad(int32_t screen, int32_t name, int32_t size,
                                   int32_t style) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontCreateBitmap(int32_t screen, int32_t width, int32_t height,
                                           int32_t imageFlags) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontConvertBitmap(int32_t font, int32_t colour,
                                            int32_t imageFlags) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontPrepareFX(int32_t font, int32_t colour) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontDelete(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_DrawText(int32_t font, int32_t string, int32_t x, int32_t y,
                                   int32_t colour, int32_t centre) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontDrawChr(int32_t font, int32_t code, int32_t x, int32_t y,
                                      int32_t colour, int32_t unused) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontDrawChrSet(int32_t font, int32_t x, int32_t y,
                                         int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetChrSet(int32_t font, int32_t x, int32_t y) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetChr(int32_t font, int32_t code, int32_t x, int32_t y) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetType(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetStyle(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetImage(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetSize(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetWidth(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetHeight(int32_t font) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetMaskColour(int32_t font) KX_NOEXCEPT;
KX_API void KX_CALL KX_FontGetName(int32_t font, int32_t dest) KX_NOEXCEPT;
KX_API void KX_CALL KX_FontSetMaskColour(int32_t font, int32_t colour) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontCalcTextSize(int32_t font, int32_t string, int32_t mode) KX_NOEXCEPT;
KX_API void KX_CALL KX_FontSetChrSize(int32_t font, int32_t code, int32_t value,
                                      int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetChrSize(int32_t font, int32_t code, int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_FontGetChrHang(int32_t font, int32_t code, int32_t side) KX_NOEXCEPT;

/* ---- Vertex transform and projection --------------------------------------------- */
/* Vertex addresses point at 24-byte vertex records; position, handle, scale and angles
 * at three floats each (angles in degrees). camera: the address of a KX_Camera, or 0. */
KX_API void KX_CALL VM_RotateVertex3DXYZ(void* source, void* dest, void* position, void* handle,
                                         void* scale, void* angles, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshProjectVertex(int32_t mesh, void* camera,
                                            int32_t project) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshTranslateToVertexCache(int32_t mesh, void* camera) KX_NOEXCEPT;
KX_API void KX_CALL VM_MeshInitParticleController(int32_t mesh, int32_t capacity) KX_NOEXCEPT;
KX_API int32_t KX_CALL VM_MeshGetParticleBuffer(int32_t mesh) KX_NOEXCEPT;

/* ---- Sprites ----------------------------------------------------------------------- */
/* Sprite handles are bank handles (type 10, KX_Sprite). Axis masks: 1 x, 2 y, 4 z;
 * getters with an axis return z for 4, else y for 2, else x for 1, else 0. Block
 * offsets are bytes (0, 4, ... 20). */
KX_API int32_t KX_CALL KX_SpriteCreate(void) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteDelete(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteImage(int32_t sprite, int32_t image) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetImage(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteImageIndex(int32_t sprite, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetImageIndex(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteAlpha(int32_t sprite, float alpha) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetAlpha(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteTransparent(int32_t sprite, int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetTransparent(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteVisible(int32_t sprite, int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetVisible(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteDrawMode(int32_t sprite, int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetDrawMode(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpritePokeColour(int32_t sprite, int32_t offset, int32_t colour) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpritePeekColour(int32_t sprite, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpritePokeCollision(int32_t sprite, int32_t offset,
                                           int32_t value) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpritePeekCollision(int32_t sprite, int32_t offset) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpritePos(int32_t sprite, float x, float y, float z,
                                 int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteMove(int32_t sprite, float dx, float dy, float dz,
                                  int32_t mask) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetPos(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetOldPos(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetSize(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteScale(int32_t sprite, float sx, float sy, float sz,
                                   int32_t mask) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetScale(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteRotationMode(int32_t sprite, int32_t mode) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetRotationMode(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteRotate(int32_t sprite, float ax, float ay, float az,
                                    int32_t mask) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetRotate(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteTurn(int32_t sprite, float dax, float day, float daz,
                                  int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteHandle(int32_t sprite, float hx, float hy, float hz,
                                    int32_t mask) KX_NOEXCEPT;
KX_API float KX_CALL KX_SpriteGetHandle(int32_t sprite, int32_t axis) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteCenterHandle(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteAutoCenterHandles(int32_t sprite, int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetAutoCenterHandles(int32_t sprite) KX_NOEXCEPT;

/* ---- Sprite drawing and collision ---------------------------------------------------- */
KX_API void KX_CALL KX_SpriteDraw(int32_t sprite, void* camera) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpritePeekBoundingRect(int32_t sprite, int32_t offset) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteBoundsOverLap(int32_t a, int32_t b) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteCheckCollide(int32_t a, int32_t b, int32_t mask) KX_NOEXCEPT;

/* ---- Sprite vertices, particles and local data --------------------------------------- */
KX_API void KX_CALL KX_SpritePokeVertex(int32_t sprite, int32_t index, float x, float y, float z,
                                        int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpritePokeFace(int32_t sprite, int32_t face, int32_t corner, int32_t vertex,
                                      float u, float v, int32_t colour, int32_t mask) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpritePokeFaceVerts(int32_t sprite, int32_t face, int32_t count) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteVertexQuantity(int32_t sprite, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetVertexQuantity(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteFaceQuantity(int32_t sprite, int32_t count) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetFaceQuantity(int32_t sprite) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteBackFace(int32_t sprite, int32_t flag) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetBackFace(int32_t sprite) KX_NOEXCEPT;
/* A particle record is a 308-byte KX_Particle. */
KX_API int32_t KX_CALL KX_SpriteInitParticles(int32_t sprite, int32_t capacity) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteUpdateParticles(int32_t sprite) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteAddParticle(int32_t sprite, void* record) KX_NOEXCEPT;
KX_API void* KX_CALL KX_SpriteGetParticlePtr(int32_t sprite, int32_t index) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteDeleteParticle(int32_t sprite, int32_t index) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteLocalCreate(int32_t sprite, int32_t size) KX_NOEXCEPT;
KX_API void KX_CALL KX_SpriteLocalDelete(int32_t sprite) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteLocalCopy(int32_t source, int32_t dest) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteGetLocalBank(int32_t sprite) KX_NOEXCEPT;
KX_API void* KX_CALL KX_SpriteLocalPtr(int32_t sprite) KX_NOEXCEPT;
KX_API int32_t KX_CALL KX_SpriteLocalSize(int32_t sprite) KX_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
