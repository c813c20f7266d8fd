/* The host kit: what a host needs around the runtime's exports, whatever its
 * language: choosing the platform backend, pumping messages, feeding input
 * and driving the test clock. Exported by KX_VM.so beside the runtime's
 * exports, with the same conventions. Window arguments are window record
 * handles (from KX_OpenWindow). Nothing here throws, prints or touches memory
 * outside what it is given. */
#ifndef KX_HOST_H
#define KX_HOST_H

#include "kx/kx_vm.h"

#ifdef __cplusplus
extern "C" {
#endif

/* "headless" or "sdl" (null: the default, as KX_BACKEND or the first that can
 * run). Starts it with an empty desktop. 1, or 0 when that backend cannot run
 * here (nothing changes). */
KX_API int32_t KX_CALL KXH_UseBackend(const char* name) KX_NOEXCEPT;
/* Delivers every pending message (input, timers, paint, move, size, close) to
 * the window procedures. Returns how many it delivered, or -1 when it took a
 * quit message (one posted while it delivers included). */
KX_API int32_t KX_CALL KXH_PumpMessages(void) KX_NOEXCEPT;
/* on 1: the platform clock stands at ms and moves only by KXH_AdvanceClock;
 * on 0: the real clock again. */
KX_API void KX_CALL KXH_SetTestClock(int32_t on, uint32_t ms) KX_NOEXCEPT;
/* Moves the test clock; each timer that came due posts its message (one per
 * timer, however many periods passed), delivered by the next pump. */
KX_API void KX_CALL KXH_AdvanceClock(uint32_t ms) KX_NOEXCEPT;

/* Input. Keys and mouse reach the acquired input devices at once and the
 * window procedure at the next pump, as hardware input would. */
/* A key (scan code 1-255, the keyboard device's codes) goes down or up; 1, or 0
 * for another code. */
KX_API int32_t KX_CALL KXH_FeedKey(int32_t scanCode, int32_t down) KX_NOEXCEPT;
/* The cursor moves to client position (x, y) of the window. */
KX_API int32_t KX_CALL KXH_FeedMouseMove(int32_t window, int32_t x, int32_t y) KX_NOEXCEPT;
/* Relative motion seen by the mouse device only. */
KX_API void KX_CALL KXH_FeedMouseMotion(int32_t dx, int32_t dy) KX_NOEXCEPT;
/* Wheel motion, 120 per notch. */
KX_API void KX_CALL KXH_FeedMouseWheel(int32_t delta) KX_NOEXCEPT;
/* Button 0 left, 1 right, 2 middle, 3 fourth; 1, or 0 for another button. */
KX_API int32_t KX_CALL KXH_FeedMouseButton(int32_t button, int32_t down) KX_NOEXCEPT;
/* The user clicks the window's close button. */
KX_API int32_t KX_CALL KXH_FeedClose(int32_t window) KX_NOEXCEPT;

/* Screens and frames. */
/* Makes a screen record (KX_OpenGraphics), fills it through the platform
 * (display object, front and back surfaces, 3D device, input devices; depth 16
 * means 5-6-5, or 24, or 32), stores it in the window record's ScreenHandle,
 * refreshes the window record's rectangles and makes it the current surface.
 * Returns the screen handle, or 0 with nothing made (invalid window, size
 * below 1, other depth). */
KX_API int32_t KX_CALL KXH_OpenScreen(int32_t window, int32_t width, int32_t height, int32_t depth,
                                      int32_t windowed) KX_NOEXCEPT;
/* The last frame presented to the window's client area as 32-bit 0x00RRGGBB
 * pixels, rows of width pixels, top row first. Writes width and height (when
 * not null) and, when capacity >= 4 x width x height, the pixels. Returns the
 * number of presentations to that window so far; 0 when none (nothing
 * written). */
KX_API int32_t KX_CALL KXH_ReadFrame(int32_t window, void* pixels, int32_t capacity, int32_t* width,
                                     int32_t* height) KX_NOEXCEPT;
/* Writes that frame as a PNG file. 1, or 0. */
KX_API int32_t KX_CALL KXH_SaveFramePNG(int32_t window, const char* path) KX_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
