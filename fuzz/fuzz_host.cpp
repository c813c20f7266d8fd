// The host kit's feed functions and message pump on the headless desktop,
// with the window and input exports a program reads them through: any
// sequence of keys, mouse motion, buttons, wheel, close clicks, clock steps,
// pumps and window opens and closes.
#include <vector>

#include "fuzz_input.h"
#include "kx/kx_host.h"
#include "kx/kx_vm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        kx::fuzz::keep_raster_library();
        KXH_UseBackend("headless");
        KXH_SetTestClock(1, 0);
        return true;
    }();
    (void)ready;
    kx::fuzz::Input in(data, size);
    VM_OpenMemoryManager(64);
    std::vector<std::int32_t> windows = {0, -1};
    auto window = [&] { return windows[in.pick(windows.size())]; };
    while (in.more()) {
        switch (in.pick(16)) {
        case 0: windows.push_back(KX_OpenWindow(in.byte() * 4, in.byte() * 4)); break;
        case 1: KX_CloseWindow(window()); break;
        case 2: KXH_FeedKey(in.number(), in.byte() & 1); break;
        case 3: KXH_FeedMouseMove(window(), in.number(), in.number()); break;
        case 4: KXH_FeedMouseMotion(in.number(), in.number()); break;
        case 5: KXH_FeedMouseWheel(in.number()); break;
        case 6: KXH_FeedMouseButton(in.number(), in.byte() & 1); break;
        case 7: KXH_FeedClose(window()); break;
        case 8: KXH_PumpMessages(); break;
        case 9: KXH_AdvanceClock(in.u32() % 100000); break;
        case 10:
            KX_KeyBoardAquire(window());
            KX_MouseAquire(window());
            break;
        case 11:
            KX_KeyBoardUpdateInputState(window());
            KX_MouseUpdateInputState(window());
            break;
        case 12:
            KX_KeyState(in.number());
            KX_ScanCode();
            KX_InkeyASCII();
            KX_KeyStateFKEYS();
            break;
        case 13: {
            std::int32_t s = VM_NewKXStr(4);
            KX_Inkey(s);
            VM_Free(s);
            KX_FlushKeys();
            break;
        }
        case 14:
            KX_MouseX(window());
            KX_MouseMoveX(window());
            KX_MouseButton(window());
            break;
        default: KX_GetWindowClose(window()); break;
        }
        if (windows.size() > 8) windows.resize(2);
    }
    for (std::size_t k = 2; k < windows.size(); ++k)
        KX_CloseWindow(windows[k]);
    KXH_PumpMessages();
    VM_FreeALLBanks();
    VM_CloseMemoryManager();
    return 0;
}
