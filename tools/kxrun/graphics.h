// kxrun's graphics: the window and screen a program opens, the frame loop
// around sync (present, pump messages, wait for the next frame, capture), and
// images loaded from PNG files. Everything goes through the runtime's exports
// and the host kit (kx_host.h), looked up in the loaded KX_VM.so.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace kx::run {

class Runtime;

// A key fed to the keyboard at a frame's sync (--keys).
struct KeyEvent {
    std::int64_t frame = 0; // fed at the sync that ends this frame, before its pump
    std::int32_t scan_code = 0;
    bool down = false;
};

// Parses "FRAME:SCANCODE:DOWN,..." (frames from 1, scan codes 1 to 255, DOWN 1
// or 0) into events in frame order; false with the reason.
bool parse_keys(const std::string& text, std::vector<KeyEvent>& out, std::string& error);

struct GraphicsOptions {
    std::string backend;            // "headless", "sdl", or empty: as KX_BACKEND or the display
    std::int64_t frames = 0;        // stop after this many frames (0: never)
    std::string capture_dir;        // save frames here as PNG files (empty: none)
    std::int32_t capture_every = 1; // every k-th frame
    double rate = 60;               // frames per second that sync waits for (0: no wait)
    std::vector<KeyEvent> keys;     // input injected at given frames, in frame order
};

class Graphics {
  public:
    Graphics(const Runtime& runtime, GraphicsOptions options);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Chooses the backend (once, before the first window). False with the reason.
    bool start(std::string& error);
    // Opens a window of the screen's size and a screen on it; the screen handle,
    // or 0 with the reason.
    std::int32_t open(std::int32_t width, std::int32_t height, std::int32_t depth, bool windowed,
                      std::string& error);

    enum class Step { Go, Closed, Escape, LastFrame, Failed };
    // Presents the frame, saves it when captured, waits for the next frame and
    // pumps messages.
    Step sync(std::string& error);
    // Pumps messages between syncs (a program that does not call sync); Closed
    // or Escape when the program should stop.
    Step poll();
    void set_rate(double rate);
    // A PNG file into a new image of the screen's format; the handle, or 0 with
    // the reason.
    std::int32_t load_image(const std::string& path, std::int32_t flags, std::string& error);

    bool started() const { return started_; }
    std::int32_t screen() const { return screen_; }
    std::int32_t window() const { return window_; }
    std::int64_t frames() const { return frames_; }
    // True when frames advance the platform's test clock instead of waiting.
    bool test_clock() const { return test_clock_; }
    std::uint32_t clock_ms() const { return clock_ms_; }
    const std::string& backend() const { return backend_; }
    // Time each frame took from the end of the previous sync to the present, in ms.
    const std::vector<double>& frame_times() const { return frame_times_; }
    // Seconds since the last sync (or since the screen opened).
    double since_sync() const;

    // Called at every sync before messages are pumped (tests feed input there).
    void (*on_frame)(void* context, std::int64_t frame, std::int32_t window) = nullptr;
    void* on_frame_context = nullptr;

  private:
    void close();
    bool capture(std::string& error);

    GraphicsOptions opt_;
    bool started_ = false, test_clock_ = false;
    std::string backend_;
    std::int32_t window_ = 0, screen_ = 0, depth_ = 32;
    std::int64_t frames_ = 0;
    std::uint32_t clock_ms_ = 0;
    bool capture_dir_made_ = false;
    std::chrono::steady_clock::time_point deadline_, frame_start_;
    std::vector<double> frame_times_;
    std::size_t next_key_ = 0; // the first event of opt_.keys not fed yet

    // The exports and host kit functions used here.
#define KX_GFX_FN(name) decltype(&::name) name = nullptr
    KX_GFX_FN(KXH_UseBackend);
    KX_GFX_FN(KXH_OpenScreen);
    KX_GFX_FN(KXH_PumpMessages);
    KX_GFX_FN(KXH_SetTestClock);
    KX_GFX_FN(KXH_AdvanceClock);
    KX_GFX_FN(KXH_SaveFramePNG);
    KX_GFX_FN(KXH_FeedKey);
    KX_GFX_FN(KX_OpenWindow);
    KX_GFX_FN(KX_CloseWindow);
    KX_GFX_FN(KX_CloseGraphics);
    KX_GFX_FN(KX_SwapGraphics);
    KX_GFX_FN(KX_KeyState);
    KX_GFX_FN(KX_FlushKeys);
    KX_GFX_FN(KX_ImageCreate);
    KX_GFX_FN(KX_ImageDelete);
    KX_GFX_FN(KX_ImageRenderTo);
    KX_GFX_FN(KX_ImageGetMaskColour);
    KX_GFX_FN(KX_LockSurface);
    KX_GFX_FN(KX_UnLockSurface);
    KX_GFX_FN(KX_GetLockBufferPtr);
#undef KX_GFX_FN
};

} // namespace kx::run
