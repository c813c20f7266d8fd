// Strings and conversions: the string exports called in any order on a pool of
// handles (strings of the three types, raw banks, released and foreign
// handles), with any positions and counts. Raw-memory exports get buffers as
// large as their documented contract asks.
#include <algorithm>
#include <vector>

#include "fuzz_input.h"
#include "kx/kx_vm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kx::fuzz::keep_raster_library();
    kx::fuzz::Input in(data, size);
    VM_OpenMemoryManager(256);
    std::vector<std::int32_t> pool = {0, -1, 1 << 20};
    auto h = [&] { return pool[in.pick(pool.size())]; };
    auto count = [&] {
        std::int32_t n = in.number();
        return (n >= 0 && n < INT32_MAX - 64) ? (n & 0xFFFF) : n; // big ones only at the edges
    };
    while (in.more()) {
        switch (in.pick(40)) {
        case 0: {
            std::string s = in.text();
            std::int32_t n = VM_NewKXStr(static_cast<std::int32_t>(s.size()));
            VM_PeekMemToStr(n, s.data(), static_cast<std::int32_t>(s.size()));
            pool.push_back(n);
            break;
        }
        case 1: {
            std::string s = in.text();
            std::int32_t type = static_cast<std::int32_t>(in.pick(4));
            std::int32_t n = VM_TypedAlloc(static_cast<std::uint32_t>(s.size()), type, 0);
            if (void* p = VM_BankPtr(n)) std::memcpy(p, s.data(), s.size());
            pool.push_back(n);
            break;
        }
        case 2: VM_Free(h()); break;
        case 3: VM_SwapBankPtrs(h(), h()); break;
        case 4: VM_ResizeStr(h(), count()); break;
        case 5: VM_StrRefreshLen(h(), in.number()); break;
        case 6: VM_NullStr(h()); break;
        case 7: VM_CopyStrToStr(h(), h()); break;
        case 8: pool.push_back(VM_CloneStr(h())); break;
        case 9: pool.push_back(VM_CombineStrs(h(), h())); break;
        case 10: VM_AddStrings(h(), h(), h()); break;
        case 11:
            VM_StrCmpEqual(h(), h());
            VM_StrCmpGrt(h(), h());
            VM_StrCmpLowE(h(), h());
            VM_StrCmpLow(h(), h());
            break;
        case 12: VM_StrLeft(h(), h(), in.number()); break;
        case 13: VM_StrRight(h(), h(), in.number()); break;
        case 14: VM_StrMid(h(), h(), in.number(), in.number()); break;
        case 15: VM_StrCutLeft(h(), h(), in.number()); break;
        case 16: VM_StrCutRight(h(), h(), in.number()); break;
        case 17: VM_StrTrim(h(), h(), h()); break;
        case 18: VM_StrTrimLeft(h(), h(), h()); break;
        case 19: VM_StrAutoCaps(h(), h()); break;
        case 20: VM_StrFlip(h(), h()); break;
        case 21: VM_StrMake(h(), count() & 0xFF, h()); break;
        case 22: {
            // Sizes a program may well ask for, but of more than 16 MiB, are left out.
            std::int32_t s = h(), p = h(), interval = std::max(in.number(), 1);
            if (std::int64_t(VM_StrLen(s)) / interval * VM_StrLen(p) < (1 << 24))
                VM_StrPad(s, p, in.number(), interval, h());
            break;
        }
        case 23: VM_StrInsert(h(), h(), in.number(), h()); break;
        case 24: {
            // As for padding: results that may pass 16 MiB are left out (each match of
            // the search text can grow by the replacement's length).
            std::int32_t s = h(), f = h(), r = h();
            const std::int64_t len = VM_StrLen(s), grow = VM_StrLen(r);
            if (len + len / std::max<std::int64_t>(VM_StrLen(f), 1) * grow < (1 << 24))
                VM_StrReplace(s, f, r, in.number(), in.byte() & 1, in.byte() & 1, h());
            break;
        }
        case 25: VM_StrSplit(h(), h()); break;
        case 26: VM_StrSplit_FragStr(in.number(), h()); break;
        case 27:
            VM_StrSplit_FragValL(in.number());
            VM_StrSplit_FragValF(in.number());
            break;
        case 28:
            VM_StrInstring(h(), h(), in.number(), in.byte() & 1);
            VM_StrInstringOLD(h(), h(), in.number(), 0);
            VM_StrFindNextDelimiter(h(), h(), in.number());
            break;
        case 29: pool.push_back(VM_CloneFileNameStr(h())); break;
        case 30:
            VM_StrValL(h());
            VM_StrValF(h());
            VM_StrAsc(h(), in.number());
            break;
        case 31: VM_StrStringL(h(), in.number()); break;
        case 32:
            VM_StrStringF(h(), static_cast<float>(static_cast<std::int32_t>(in.u32())) / 7.0f);
            break;
        case 33: VM_StrDigitsL(h(), in.number(), in.number()); break;
        case 34:
            VM_StrBinL(h(), in.number());
            VM_StrHexL(h(), in.number());
            VM_StrCHR(in.number(), h());
            break;
        case 35: {
            // Memory transfers with buffers as large as the calls may touch.
            std::int32_t s = h();
            std::int32_t n = VM_StrLen(s);
            std::vector<char> out(static_cast<std::size_t>(n) + 64, 'x');
            VM_PokeStrToMem(s, out.data(), static_cast<std::int32_t>(in.pick(out.size() - 1)));
            VM_PokeStrToMem(s, out.data(), 0);
            VM_StrCopyChrsToPtr(s, in.number(), static_cast<std::int32_t>(in.pick(64)), out.data());
            VM_StrMoveChrsToPtr(s, in.number(), static_cast<std::int32_t>(in.pick(64)), out.data());
            std::string src = in.text();
            VM_PeekMemToStr(h(), src.data(), static_cast<std::int32_t>(in.pick(src.size() + 1)));
            src.push_back('\0');
            VM_PeekMemToStr(h(), src.data(), 0);
            pool.push_back(VM_NewStrFromPtr(src.data()));
            break;
        }
        case 36: {
            std::string s = in.text() + '\0';
            VM_StrLowerPtr(s.data(), static_cast<std::int32_t>(s.size() - 1));
            VM_StrUpperPtr(s.data(), static_cast<std::int32_t>(s.size() - 1));
            VM_StrFlipPtr(s.data(), static_cast<std::int32_t>(s.size() - 1));
            char bin[34], hex[10];
            VM_StrBinPtrL(bin, in.number());
            VM_StrHexPtrL(hex, in.number());
            break;
        }
        case 37:
            VM_StrLen(h());
            VM_StrBufferSize(h());
            break;
        case 38: VM_StrLower(h(), h()); break;
        default: VM_StrUpper(h(), h()); break;
        }
        if (pool.size() > 64) pool.resize(32);
        // Strings that doubling calls have grown past 64 KiB are emptied, so that
        // an input runs in milliseconds (their sizes are the program's to choose).
        for (std::int32_t s : pool)
            if (VM_StrBufferSize(s) > (1 << 16)) VM_ResizeStr(s, 0);
    }
    VM_FreeALLBanks();
    VM_CloseMemoryManager();
    return 0;
}
