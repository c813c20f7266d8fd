// Exports of the memory manager: raw memory, the string cache, slot lists,
// the bank table and bank contents.
#include <cstring>

#include "graphics/raster.h"
#include "kx/kx_vm.h"
#include "kxp/heap.h"
#include "memory/banks.h"
#include "memory/contents.h"
#include "memory/raw.h"
#include "memory/slot_list.h"
#include "memory/sort.h"

namespace mem = kx::memory;
namespace slots = kx::slots;

namespace {
template <class T> T load(const void* a) {
    T v;
    std::memcpy(&v, a, sizeof v);
    return v;
}
template <class T> void store(void* a, T v) {
    std::memcpy(a, &v, sizeof v);
}
inline slots::List L(void* list) {
    return static_cast<slots::List>(list);
}
} // namespace

extern "C" {

// ---- Raw memory -------------------------------------------------------------

KX_API void* KX_CALL KX_AllocMem(int32_t size) {
    return size < 0 ? nullptr : kxp::heap::alloc(static_cast<std::size_t>(size));
}
KX_API void KX_CALL KX_FreeMem(void* block) {
    kxp::heap::free(block);
}
KX_API int32_t KX_CALL KX_MemSize(void* block) {
    return static_cast<int32_t>(kxp::heap::usable_size(block));
}
KX_API void* KX_CALL KX_ResizeMem(void* block, int32_t size) {
    if (size < 0) return nullptr; // cannot be had: the block stays as it was
    if (size == 0) {
        kxp::heap::free(block);
        return nullptr;
    }
    return kxp::heap::realloc(block, static_cast<std::size_t>(size));
}
KX_API int32_t KX_CALL KX_CopyMemory(const void* source, void* dest, int32_t count) {
    if (count > 0 && source && dest) mem::copy_bytes(source, dest, static_cast<std::size_t>(count));
    return count;
}
KX_API int32_t KX_CALL KX_PokeINT(void* address, int32_t value) {
    if (address) store<int32_t>(address, value);
    return value;
}
KX_API int32_t KX_CALL KXp_PokeINT(void* address, int32_t value) {
    return KX_PokeINT(address, value);
}
KX_API int32_t KX_CALL KX_PokeWord(void* address, int32_t value) {
    if (address) store<uint16_t>(address, static_cast<uint16_t>(value));
    return value;
}
KX_API int32_t KX_CALL KX_PokeByte(void* address, int32_t value) {
    if (address) store<uint8_t>(address, static_cast<uint8_t>(value));
    return value;
}
KX_API int32_t KX_CALL KX_PeekINT(const void* address) {
    return address ? load<int32_t>(address) : 0;
}
KX_API int32_t KX_CALL KX_PeekWord(const void* address) {
    return address ? load<uint16_t>(address) : 0;
}
KX_API int32_t KX_CALL KX_PeekByte(const void* address) {
    return address ? load<uint8_t>(address) : 0;
}
KX_API void KX_CALL KX_PokeIntRect(void* address, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!address) return;
    const int32_t rect[4] = {x1, y1, x2, y2};
    std::memcpy(address, rect, sizeof rect);
}

KX_API void* KX_CALL Create_VM_StringCache(int32_t count) {
    return mem::create_string_cache(count);
}
KX_API void KX_CALL StringCache_AllocString(void* cache, int32_t index) {
    mem::cache_alloc_string(static_cast<uint32_t*>(cache), index);
}
KX_API void KX_CALL StringCache_FreeString(void* cache, int32_t index) {
    mem::cache_free_string(static_cast<uint32_t*>(cache), index);
}
// Frees the buffers of entries 0 and 1; the block itself stays (its owner frees it).
KX_API void KX_CALL Destory_VM_StringCache(void* cache) {
    mem::cache_free_string(static_cast<uint32_t*>(cache), 0);
    mem::cache_free_string(static_cast<uint32_t*>(cache), 1);
}

// ---- Slot lists ---------------------------------------------------------------

KX_API void* KX_CALL LinkList_Create(int32_t size) {
    return slots::create(size);
}
KX_API void KX_CALL LinkList_Delete(void* list) {
    slots::destroy(L(list));
}
KX_API int32_t KX_CALL LinkList_GetListSize(void* list) {
    return slots::size(L(list));
}
KX_API int32_t KX_CALL LinkList_GetFreeItem(void* list) {
    return slots::free_head(L(list));
}
KX_API int32_t KX_CALL LinkList_GetFirstItem(void* list) {
    return slots::used_head(L(list));
}
KX_API int32_t KX_CALL LinkList_GetNextItem(void* list, int32_t index) {
    return slots::next(L(list), index);
}
KX_API int32_t KX_CALL LinkList_GetPreviousItem(void* list, int32_t index) {
    return slots::previous(L(list), index);
}
KX_API int32_t KX_CALL LinkList_Convert_Index_To_Element(void* list, int32_t index) {
    return slots::element(L(list), index);
}
KX_API void KX_CALL LinkList_AddItem(void* list, int32_t index) {
    slots::take(L(list), index);
}
KX_API void KX_CALL LinkList_FreeItem(void* list, int32_t index) {
    slots::release(L(list), index);
}
KX_API int32_t KX_CALL LinkList_ItemStatus(void* list, int32_t index) {
    return slots::status(L(list), index);
}
KX_API int32_t KX_CALL LinkList_GetLastFreeItem(void* list) {
    return slots::last_free(L(list));
}
KX_API void KX_CALL LinkList_SetPreviousLink(void* list, int32_t index, int32_t other) {
    slots::set_previous(L(list), index, other);
}
KX_API void KX_CALL LinkList_SetNextLink(void* list, int32_t index, int32_t other) {
    slots::set_next(L(list), index, other);
}
KX_API void KX_CALL LinkList_SetFreeListPointer(void* list, int32_t index) {
    slots::set_free_head(L(list), index);
}
KX_API void* KX_CALL LinkList_Expand(void* list, int32_t extra) {
    return slots::expand(L(list), extra);
}

// ---- Bank table -----------------------------------------------------------------

KX_API int32_t KX_CALL VM_OpenMemoryManager(int32_t table_size) {
    if (!mem::open(table_size)) return 0;
    return kx::graphics::bind_raster();
}
KX_API void KX_CALL VM_CloseMemoryManager(void) {
    kx::graphics::unbind_raster();
    mem::close();
}
KX_API int32_t KX_CALL VM_MMCacheSize(void) {
    return mem::table_size();
}
KX_API int32_t KX_CALL VM_TypedAlloc(uint32_t size, int32_t type, int32_t structure) {
    return mem::alloc(size, type, structure);
}
KX_API int32_t KX_CALL VM_Alloc(uint32_t size) {
    return mem::alloc(size, mem::kRaw, 0);
}
KX_API void KX_CALL VM_Resize(int32_t bank, int32_t size) {
    mem::resize(bank, size);
}
KX_API void KX_CALL VM_Free(int32_t bank) {
    mem::free(bank);
}
KX_API void KX_CALL VM_IncBankRef(int32_t bank) {
    mem::inc_ref(bank);
}
KX_API void KX_CALL VM_DecBankRef(int32_t bank) {
    mem::dec_ref(bank);
}
KX_API void KX_CALL VM_FreeALLBanks(void) {
    mem::free_all();
}
KX_API int32_t KX_CALL VM_FreeFromPtr(const void* address) {
    return mem::free_from_ptr(address);
}
KX_API int32_t KX_CALL VM_UsedBankQuantity(void) {
    return mem::used_count();
}
KX_API void* KX_CALL VM_BankPtr(int32_t bank) {
    return mem::ptr(bank);
}
KX_API int32_t KX_CALL VM_BankSize(int32_t bank) {
    return static_cast<int32_t>(mem::size(bank));
}
KX_API int32_t KX_CALL VM_BankType(int32_t bank) {
    const mem::Bank* b = mem::find(bank);
    return b ? b->type : 0;
}
KX_API int32_t KX_CALL VM_BankStructure(int32_t bank) {
    const mem::Bank* b = mem::find(bank);
    return b ? b->structure : 0;
}
KX_API int32_t KX_CALL VM_BankRef(int32_t bank) {
    const mem::Bank* b = mem::find(bank);
    return b ? b->refs : 0;
}
KX_API int32_t KX_CALL VM_BankExist(int32_t bank) {
    return mem::exists(bank) ? 1 : 0;
}
KX_API void KX_CALL VM_SwapBankPtrs(int32_t bank_a, int32_t bank_b) {
    mem::swap(bank_a, bank_b);
}

// ---- Bank contents ----------------------------------------------------------------

KX_API void KX_CALL VM_PokeByte(int32_t bank, int32_t offset, int32_t value) {
    mem::poke<uint8_t>(bank, offset, static_cast<uint8_t>(value));
}
KX_API int32_t KX_CALL VM_PeekByte(int32_t bank, int32_t offset) {
    uint8_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeWord(int32_t bank, int32_t offset, int32_t value) {
    mem::poke<uint16_t>(bank, offset, static_cast<uint16_t>(value));
}
KX_API int32_t KX_CALL VM_PeekWord(int32_t bank, int32_t offset) {
    uint16_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeInt(int32_t bank, int32_t offset, int32_t value) {
    mem::poke<int32_t>(bank, offset, value);
}
KX_API int32_t KX_CALL VM_PeekInt(int32_t bank, int32_t offset) {
    int32_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeFloat(int32_t bank, int32_t offset, float value) {
    mem::poke<float>(bank, offset, value);
}
KX_API float KX_CALL VM_PeekFloat(int32_t bank, int32_t offset) {
    float v = 0.0f;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeBankRef(int32_t bank, int32_t offset, int32_t referenced) {
    mem::poke_bank_ref(bank, offset, referenced);
}
KX_API void KX_CALL VM_ClearBank(int32_t bank, int32_t value) {
    mem::clear_bank(bank, value);
}
KX_API void KX_CALL VM_FillBank(int32_t bank, int32_t start, int32_t end, int32_t value) {
    mem::fill_bank(bank, start, end, value);
}
KX_API int32_t KX_CALL VM_CopyBankBytes(int32_t source, int32_t start, int32_t end, int32_t dest,
                                        int32_t dest_offset) {
    return mem::copy_bank_bytes(source, start, end, dest, dest_offset);
}
KX_API int32_t KX_CALL VM_CloneBank(int32_t bank) {
    return mem::clone_bank(bank);
}
KX_API void KX_CALL VM_SortArrayI(void* array, int32_t first, int32_t last) {
    mem::sort_ints(static_cast<int32_t*>(array), first, last);
}
KX_API void KX_CALL VM_SortArrayF(void* array, int32_t first, int32_t last) {
    mem::sort_floats(static_cast<float*>(array), first, last);
}
KX_API void KX_CALL VM_SortIntList(void* array, int32_t first, int32_t last) {
    mem::sort_pairs(static_cast<uint32_t*>(array), first, last);
}

} // extern "C"
