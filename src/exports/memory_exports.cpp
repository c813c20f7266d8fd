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

KX_API void* KX_CALL KX_AllocMem(int32_t size) noexcept {
    return size < 0 ? nullptr : kxp::heap::alloc(static_cast<std::size_t>(size));
}
KX_API void KX_CALL KX_FreeMem(void* block) noexcept {
    kxp::heap::free(block);
}
KX_API int32_t KX_CALL KX_MemSize(void* block) noexcept {
    return static_cast<int32_t>(kxp::heap::usable_size(block));
}
KX_API void* KX_CALL KX_ResizeMem(void* block, int32_t size) noexcept {
    return mem::resize_block(block, size);
}
KX_API int32_t KX_CALL KX_CopyMemory(const void* source, void* dest, int32_t count) noexcept {
    if (count > 0 && source && dest) mem::copy_bytes(source, dest, static_cast<std::size_t>(count));
    return count;
}
KX_API int32_t KX_CALL KX_PokeINT(void* address, int32_t value) noexcept {
    if (address) store<int32_t>(address, value);
    return value;
}
KX_API int32_t KX_CALL KXp_PokeINT(void* address, int32_t value) noexcept {
    return KX_PokeINT(address, value);
}
KX_API int32_t KX_CALL KX_PokeWord(void* address, int32_t value) noexcept {
    if (address) store<uint16_t>(address, static_cast<uint16_t>(value));
    return value;
}
KX_API int32_t KX_CALL KX_PokeByte(void* address, int32_t value) noexcept {
    if (address) store<uint8_t>(address, static_cast<uint8_t>(value));
    return value;
}
KX_API int32_t KX_CALL KX_PeekINT(const void* address) noexcept {
    return address ? load<int32_t>(address) : 0;
}
KX_API int32_t KX_CALL KX_PeekWord(const void* address) noexcept {
    return address ? load<uint16_t>(address) : 0;
}
KX_API int32_t KX_CALL KX_PeekByte(const void* address) noexcept {
    return address ? load<uint8_t>(address) : 0;
}
KX_API void KX_CALL KX_PokeIntRect(void* address, int32_t x1, int32_t y1, int32_t x2,
                                   int32_t y2) noexcept {
    if (!address) return;
    const int32_t rect[4] = {x1, y1, x2, y2};
    std::memcpy(address, rect, sizeof rect);
}

KX_API void* KX_CALL Create_VM_StringCache(int32_t count) noexcept {
    return mem::create_string_cache(count);
}
KX_API void KX_CALL StringCache_AllocString(void* cache, int32_t index) noexcept {
    mem::cache_alloc_string(static_cast<uint32_t*>(cache), index);
}
KX_API void KX_CALL StringCache_FreeString(void* cache, int32_t index) noexcept {
    mem::cache_free_string(static_cast<uint32_t*>(cache), index);
}
KX_API void KX_CALL Destory_VM_StringCache(void* cache) noexcept {
    mem::destroy_string_cache(static_cast<uint32_t*>(cache));
}

// ---- Slot lists ---------------------------------------------------------------

KX_API void* KX_CALL LinkList_Create(int32_t size) noexcept {
    return slots::create(size);
}
KX_API void KX_CALL LinkList_Delete(void* list) noexcept {
    slots::destroy(L(list));
}
KX_API int32_t KX_CALL LinkList_GetListSize(void* list) noexcept {
    return slots::size(L(list));
}
KX_API int32_t KX_CALL LinkList_GetFreeItem(void* list) noexcept {
    return slots::free_head(L(list));
}
KX_API int32_t KX_CALL LinkList_GetFirstItem(void* list) noexcept {
    return slots::used_head(L(list));
}
KX_API int32_t KX_CALL LinkList_GetNextItem(void* list, int32_t index) noexcept {
    return slots::next(L(list), index);
}
KX_API int32_t KX_CALL LinkList_GetPreviousItem(void* list, int32_t index) noexcept {
    return slots::previous(L(list), index);
}
KX_API int32_t KX_CALL LinkList_Convert_Index_To_Element(void* list, int32_t index) noexcept {
    return slots::element(L(list), index);
}
KX_API void KX_CALL LinkList_AddItem(void* list, int32_t index) noexcept {
    slots::take(L(list), index);
}
KX_API void KX_CALL LinkList_FreeItem(void* list, int32_t index) noexcept {
    slots::release(L(list), index);
}
KX_API int32_t KX_CALL LinkList_ItemStatus(void* list, int32_t index) noexcept {
    return slots::status(L(list), index);
}
KX_API int32_t KX_CALL LinkList_GetLastFreeItem(void* list) noexcept {
    return slots::last_free(L(list));
}
KX_API void KX_CALL LinkList_SetPreviousLink(void* list, int32_t index, int32_t other) noexcept {
    slots::set_previous(L(list), index, other);
}
KX_API void KX_CALL LinkList_SetNextLink(void* list, int32_t index, int32_t other) noexcept {
    slots::set_next(L(list), index, other);
}
KX_API void KX_CALL LinkList_SetFreeListPointer(void* list, int32_t index) noexcept {
    slots::set_free_head(L(list), index);
}
KX_API void* KX_CALL LinkList_Expand(void* list, int32_t extra) noexcept {
    return slots::expand(L(list), extra);
}

// ---- Bank table -----------------------------------------------------------------

KX_API int32_t KX_CALL VM_OpenMemoryManager(int32_t table_size) noexcept {
    if (!mem::open(table_size)) return 0;
    return kx::graphics::bind_raster();
}
KX_API void KX_CALL VM_CloseMemoryManager(void) noexcept {
    kx::graphics::unbind_raster();
    mem::close();
}
KX_API int32_t KX_CALL VM_MMCacheSize(void) noexcept {
    return mem::table_size();
}
KX_API int32_t KX_CALL VM_TypedAlloc(uint32_t size, int32_t type, int32_t structure) noexcept {
    return mem::alloc(size, type, structure);
}
KX_API int32_t KX_CALL VM_Alloc(uint32_t size) noexcept {
    return mem::alloc(size, mem::kRaw, 0);
}
KX_API void KX_CALL VM_Resize(int32_t bank, int32_t size) noexcept {
    mem::resize(bank, size);
}
KX_API void KX_CALL VM_Free(int32_t bank) noexcept {
    mem::free(bank);
}
KX_API void KX_CALL VM_IncBankRef(int32_t bank) noexcept {
    mem::inc_ref(bank);
}
KX_API void KX_CALL VM_DecBankRef(int32_t bank) noexcept {
    mem::dec_ref(bank);
}
KX_API void KX_CALL VM_FreeALLBanks(void) noexcept {
    mem::free_all();
}
KX_API int32_t KX_CALL VM_FreeFromPtr(const void* address) noexcept {
    return mem::free_from_ptr(address);
}
KX_API int32_t KX_CALL VM_UsedBankQuantity(void) noexcept {
    return mem::used_count();
}
KX_API void* KX_CALL VM_BankPtr(int32_t bank) noexcept {
    return mem::ptr(bank);
}
KX_API int32_t KX_CALL VM_BankSize(int32_t bank) noexcept {
    return static_cast<int32_t>(mem::size(bank));
}
KX_API int32_t KX_CALL VM_BankType(int32_t bank) noexcept {
    const mem::Bank* b = mem::find(bank);
    return b ? b->type : 0;
}
KX_API int32_t KX_CALL VM_BankStructure(int32_t bank) noexcept {
    const mem::Bank* b = mem::find(bank);
    return b ? b->structure : 0;
}
KX_API int32_t KX_CALL VM_BankRef(int32_t bank) noexcept {
    const mem::Bank* b = mem::find(bank);
    return b ? b->refs : 0;
}
KX_API int32_t KX_CALL VM_BankExist(int32_t bank) noexcept {
    return mem::exists(bank) ? 1 : 0;
}
KX_API void KX_CALL VM_SwapBankPtrs(int32_t bank_a, int32_t bank_b) noexcept {
    mem::swap(bank_a, bank_b);
}

// ---- Bank contents ----------------------------------------------------------------

KX_API void KX_CALL VM_PokeByte(int32_t bank, int32_t offset, int32_t value) noexcept {
    mem::poke<uint8_t>(bank, offset, static_cast<uint8_t>(value));
}
KX_API int32_t KX_CALL VM_PeekByte(int32_t bank, int32_t offset) noexcept {
    uint8_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeWord(int32_t bank, int32_t offset, int32_t value) noexcept {
    mem::poke<uint16_t>(bank, offset, static_cast<uint16_t>(value));
}
KX_API int32_t KX_CALL VM_PeekWord(int32_t bank, int32_t offset) noexcept {
    uint16_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeInt(int32_t bank, int32_t offset, int32_t value) noexcept {
    mem::poke<int32_t>(bank, offset, value);
}
KX_API int32_t KX_CALL VM_PeekInt(int32_t bank, int32_t offset) noexcept {
    int32_t v = 0;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeFloat(int32_t bank, int32_t offset, float value) noexcept {
    mem::poke<float>(bank, offset, value);
}
KX_API float KX_CALL VM_PeekFloat(int32_t bank, int32_t offset) noexcept {
    float v = 0.0f;
    mem::peek(bank, offset, v);
    return v;
}
KX_API void KX_CALL VM_PokeBankRef(int32_t bank, int32_t offset, int32_t referenced) noexcept {
    mem::poke_bank_ref(bank, offset, referenced);
}
KX_API void KX_CALL VM_ClearBank(int32_t bank, int32_t value) noexcept {
    mem::clear_bank(bank, value);
}
KX_API void KX_CALL VM_FillBank(int32_t bank, int32_t start, int32_t end, int32_t value) noexcept {
    mem::fill_bank(bank, start, end, value);
}
KX_API int32_t KX_CALL VM_CopyBankBytes(int32_t source, int32_t start, int32_t end, int32_t dest,
                                        int32_t dest_offset) noexcept {
    return mem::copy_bank_bytes(source, start, end, dest, dest_offset);
}
KX_API int32_t KX_CALL VM_CloneBank(int32_t bank) noexcept {
    return mem::clone_bank(bank);
}
KX_API void KX_CALL VM_SortArrayI(void* array, int32_t first, int32_t last) noexcept {
    mem::sort_ints(static_cast<int32_t*>(array), first, last);
}
KX_API void KX_CALL VM_SortArrayF(void* array, int32_t first, int32_t last) noexcept {
    mem::sort_floats(static_cast<float*>(array), first, last);
}
KX_API void KX_CALL VM_SortIntList(void* array, int32_t first, int32_t last) noexcept {
    mem::sort_pairs(static_cast<uint32_t*>(array), first, last);
}

} // extern "C"
