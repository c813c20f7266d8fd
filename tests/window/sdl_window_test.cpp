// The game window on the sdl backend (ctest runs this under xvfb-run): what
// the user does in a real window reaches the key table, the screen's mouse
// fields and the close count, and what the program swaps is what the window
// shows. Skipped without a display.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/host_fixture.h"
#include "kxp/input.h"
#include "platform/sdl_helpers.h"

namespace {

using kxp::test::push;
using kxp::test::sdl_window;

TEST(SdlGameWindow, InputReachesTheRuntimeAndSwapsReachTheScreen) {
    ASSERT_NE(VM_OpenMemoryManager(1000), 0);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        VM_CloseMemoryManager();
        GTEST_SKIP() << "no display: the sdl backend cannot start";
    }
    ASSERT_EQ(KXH_UseBackend("sdl"), 1) << "a display is set but the sdl backend did not start";
    KXH_SetTestClock(1, 5000); // before the window's timer starts
    int32_t window = KX_OpenWindow(320, 240);
    int32_t screen = KXH_OpenScreen(window, 320, 240, 16, 1);
    ASSERT_GT(screen, 0);
    int32_t title = VM_NewStrFromPtr("Game");
    KX_SetWindowTitle(window, title);
    for (int i = 0; i < 3; ++i)
        KXH_PumpMessages();
    SDL_Window* sdl = sdl_window("Game");
    ASSERT_NE(sdl, nullptr);

    // A 5-6-5 pattern through the lock buffer, swapped into the window.
    kxt::Pixels pattern;
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x)
            pattern.push_back(uint32_t((x * 31 / 319) << 11 | (y * 63 / 239) << 5 |
                                       ((x / 40 + y / 40) % 2 ? 31 : 0)));
    kxt::write(screen, pattern);
    ASSERT_EQ(KX_SwapGraphics(screen, 0), 1);
    std::vector<uint32_t> frame(320 * 240);
    int32_t fw = 0, fh = 0;
    ASSERT_GT(KXH_ReadFrame(window, frame.data(), 320 * 240 * 4, &fw, &fh), 0);
    ASSERT_EQ(fw * 1000 + fh, 320240);
    // Black at the top left; red and green at their top, blue cell 0 at the bottom right.
    EXPECT_EQ((kxt::Pixels{frame[0], frame[239 * 320 + 319]}), (kxt::Pixels{0, 0xFFFF00}));
    int sw = 0, sh = 0;
    std::vector<uint32_t> shown = kxp::test::x11_screenshot(sdl, sw, sh);
    ASSERT_EQ(sw * 1000 + sh, 320240);
    EXPECT_EQ(shown, frame);
    std::filesystem::create_directories(KX_ARTIFACTS_DIR);
    std::string path = std::string(KX_ARTIFACTS_DIR) + "/sdl_game_window.png";
    EXPECT_EQ(KXH_SaveFramePNG(window, path.c_str()), 1);
    std::printf("frame of the game window: %s\n", path.c_str());

    // A key and the mouse, as the user would use them, then one timer period.
    // Timer samples acquire the keyboard once the window manager has made the
    // window active.
    for (int i = 0; i < 50 && KX_KeyBoardUpdateInputState(screen) != 0; ++i) {
        KXH_AdvanceClock(10);
        KXH_PumpMessages();
    }
    ASSERT_EQ(KX_KeyBoardUpdateInputState(screen), 0);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.scancode = SDL_SCANCODE_SPACE;
    push(e);
    e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = SDL_GetWindowID(sdl);
    e.motion.x = 100;
    e.motion.y = 60;
    push(e);
    KXH_AdvanceClock(10);
    KXH_PumpMessages();
    EXPECT_EQ((kxt::Quad{KX_KeyState(kxp::DIK_SPACE), KX_ScanCode(), KX_MouseX(screen),
                         KX_MouseY(screen)}),
              (kxt::Quad{1, static_cast<int32_t>(kxp::DIK_SPACE), 100, 60}));

    // The close button.
    e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(sdl);
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    push(e);
    EXPECT_EQ(KXH_PumpMessages(), -1);
    EXPECT_EQ((kxt::Quad{KX_GetWindowClose(window), KX_GetWindowClose(window)}),
              (kxt::Quad{1, 0})); // read once

    KX_FlushKeys();
    KXH_SetTestClock(0, 0);
    KX_CloseGraphics(screen);
    KX_CloseWindow(window);
    KXH_UseBackend("headless");
    VM_CloseMemoryManager();
}

} // namespace
