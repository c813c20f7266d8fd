// Banks and bank contents: a program's calls of the bank exports in any order,
// with any handles, offsets and sizes. Each input runs on a fresh bank table.
#include <algorithm>

#include "fuzz_input.h"
#include "kx/kx_vm.h"

namespace {

// Sizes stay below 1 MiB (so that an input runs in microseconds), except the
// negative ones and those near the top of the 32-bit range, which must be refused.
std::int32_t size_of(kx::fuzz::Input& in) {
    std::int32_t n = in.number();
    return (n >= 0 && n < INT32_MAX - 64) ? (n & 0xFFFFF) : n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kx::fuzz::keep_raster_library();
    kx::fuzz::Input in(data, size);
    VM_OpenMemoryManager(static_cast<std::int32_t>(1 + in.byte() % 64));
    // Mostly handles that may name a bank, sometimes any number.
    auto handle = [&] {
        return in.byte() % 4 ? static_cast<std::int32_t>(in.byte() % 70) - 2 : in.number();
    };
    while (in.more()) {
        switch (in.pick(18)) {
        case 0: VM_Alloc(static_cast<std::uint32_t>(size_of(in))); break;
        case 1:
            VM_TypedAlloc(static_cast<std::uint32_t>(size_of(in)), in.number(), in.number());
            break;
        case 2: VM_Free(handle()); break;
        case 3: VM_Resize(handle(), size_of(in)); break;
        case 4: VM_SwapBankPtrs(handle(), handle()); break;
        case 5: VM_CloneBank(handle()); break;
        case 6: {
            std::int32_t h = handle(), off = in.number(), v = in.number();
            switch (in.pick(4)) {
            case 0: VM_PokeByte(h, off, v); break;
            case 1: VM_PokeWord(h, off, v); break;
            case 2: VM_PokeInt(h, off, v); break;
            default: VM_PokeFloat(h, off, static_cast<float>(v)); break;
            }
            break;
        }
        case 7: {
            std::int32_t h = handle(), off = in.number();
            VM_PeekByte(h, off);
            VM_PeekWord(h, off);
            VM_PeekInt(h, off);
            VM_PeekFloat(h, off);
            break;
        }
        case 8: VM_FillBank(handle(), in.number(), in.number(), in.number()); break;
        case 9: VM_CopyBankBytes(handle(), in.number(), in.number(), handle(), in.number()); break;
        case 10: VM_ClearBank(handle(), in.number()); break;
        case 11: VM_IncBankRef(handle()); break;
        case 12: VM_DecBankRef(handle()); break;
        case 13: VM_PokeBankRef(handle(), in.number(), handle()); break;
        case 14: {
            std::int32_t h = handle();
            VM_BankPtr(h);
            VM_BankSize(h);
            VM_BankType(h);
            VM_BankStructure(h);
            VM_BankRef(h);
            VM_BankExist(h);
            VM_UsedBankQuantity();
            break;
        }
        case 15: VM_FreeFromPtr(VM_BankPtr(handle())); break;
        case 16: {
            // The sorts take an address and an index range that the caller keeps
            // inside the array: here the bank's own elements.
            std::int32_t h = handle();
            void* p = VM_BankPtr(h);
            std::int32_t n = VM_BankSize(h) / 8; // whole pairs of words, for every sort
            if (!p || n < 1) break;
            std::int32_t first = static_cast<std::int32_t>(in.u32() % std::uint32_t(n));
            std::int32_t last = static_cast<std::int32_t>(in.u32() % std::uint32_t(n));
            switch (in.pick(2)) {
            case 0: VM_SortArrayI(p, first, last); break;
            default: VM_SortArrayF(p, first, last); break;
            }
            break;
        }
        default: VM_FreeALLBanks(); break;
        }
    }
    VM_FreeALLBanks();
    VM_CloseMemoryManager();
    return 0;
}
