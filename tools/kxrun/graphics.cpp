#include "graphics.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "host.h"

namespace kx::run {
namespace {

constexpr std::int32_t kEscape = 1;      // the keyboard device's code for Escape
constexpr std::int32_t kMaxSide = 16384; // screens and loaded images, in pixels
constexpr std::int32_t kVideo = 1, kFX = 2, kTexture = 4;

using Clock = std::chrono::steady_clock;

// One 0x00RRGGBB colour in a surface format (KX_FORMAT_*), written at p.
void put_pixel(std::uint8_t* p, std::int32_t format, std::uint32_t c) {
    std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    switch (format) {
    case KX_FORMAT_565: {
        auto v = static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        std::memcpy(p, &v, 2);
        break;
    }
    case KX_FORMAT_555: {
        auto v = static_cast<std::uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
        std::memcpy(p, &v, 2);
        break;
    }
    case KX_FORMAT_24:
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
        break;
    case KX_FORMAT_32: std::memcpy(p, &c, 4); break;
    default: *p = static_cast<std::uint8_t>(b); break;
    }
}

std::int32_t bytes_per_pixel(std::int32_t format) {
    switch (format) {
    case KX_FORMAT_565:
    case KX_FORMAT_555: return 2;
    case KX_FORMAT_24: return 3;
    case KX_FORMAT_32: return 4;
    default: return 1;
    }
}

} // namespace

bool parse_keys(const std::string& text, std::vector<KeyEvent>& out, std::string& error) {
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        long long f = 0, code = 0, down = 0;
        int used = 0;
        if (std::sscanf(item.c_str(), "%lld:%lld:%lld%n", &f, &code, &down, &used) != 3 ||
            used != int(item.size()) || f < 1 || code < 1 || code > 255 || down < 0 || down > 1) {
            error = "'" + item +
                    "' is not FRAME:SCANCODE:DOWN (a frame from 1, a scan code from 1 to 255, "
                    "DOWN 1 or 0)";
            return false;
        }
        out.push_back({f, std::int32_t(code), down == 1});
        start = end + 1;
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
    return true;
}

Graphics::Graphics(const Runtime& rt, GraphicsOptions options) : opt_(std::move(options)) {
    if (opt_.capture_every < 1) opt_.capture_every = 1;
#define KX_GFX_BIND(name) name = reinterpret_cast<decltype(name)>(rt.symbol(#name))
    KX_GFX_BIND(KXH_UseBackend);
    KX_GFX_BIND(KXH_OpenScreen);
    KX_GFX_BIND(KXH_PumpMessages);
    KX_GFX_BIND(KXH_SetTestClock);
    KX_GFX_BIND(KXH_AdvanceClock);
    KX_GFX_BIND(KXH_SaveFramePNG);
    KX_GFX_BIND(KXH_FeedKey);
    KX_GFX_BIND(KX_OpenWindow);
    KX_GFX_BIND(KX_CloseWindow);
    KX_GFX_BIND(KX_CloseGraphics);
    KX_GFX_BIND(KX_SwapGraphics);
    KX_GFX_BIND(KX_KeyState);
    KX_GFX_BIND(KX_FlushKeys);
    KX_GFX_BIND(KX_ImageCreate);
    KX_GFX_BIND(KX_ImageDelete);
    KX_GFX_BIND(KX_ImageRenderTo);
    KX_GFX_BIND(KX_ImageGetMaskColour);
    KX_GFX_BIND(KX_LockSurface);
    KX_GFX_BIND(KX_UnLockSurface);
    KX_GFX_BIND(KX_GetLockBufferPtr);
#undef KX_GFX_BIND
}

Graphics::~Graphics() {
    close();
}

void Graphics::close() {
    if (screen_) KX_CloseGraphics(screen_);
    if (window_) KX_CloseWindow(window_);
    if (window_ && KXH_PumpMessages) KXH_PumpMessages(); // the window's last messages
    screen_ = window_ = 0;
    if (test_clock_) KXH_SetTestClock(0, 0);
    test_clock_ = false;
}

bool Graphics::start(std::string& error) {
    if (started_) return true;
    void* all[] = {reinterpret_cast<void*>(KXH_UseBackend),
                   reinterpret_cast<void*>(KXH_OpenScreen),
                   reinterpret_cast<void*>(KXH_PumpMessages),
                   reinterpret_cast<void*>(KXH_SetTestClock),
                   reinterpret_cast<void*>(KXH_AdvanceClock),
                   reinterpret_cast<void*>(KXH_SaveFramePNG),
                   reinterpret_cast<void*>(KXH_FeedKey),
                   reinterpret_cast<void*>(KX_OpenWindow),
                   reinterpret_cast<void*>(KX_CloseWindow),
                   reinterpret_cast<void*>(KX_CloseGraphics),
                   reinterpret_cast<void*>(KX_SwapGraphics),
                   reinterpret_cast<void*>(KX_KeyState),
                   reinterpret_cast<void*>(KX_FlushKeys),
                   reinterpret_cast<void*>(KX_ImageCreate),
                   reinterpret_cast<void*>(KX_ImageDelete),
                   reinterpret_cast<void*>(KX_ImageRenderTo),
                   reinterpret_cast<void*>(KX_ImageGetMaskColour),
                   reinterpret_cast<void*>(KX_LockSurface),
                   reinterpret_cast<void*>(KX_UnLockSurface),
                   reinterpret_cast<void*>(KX_GetLockBufferPtr)};
    for (void* f : all)
        if (!f) {
            error = "the loaded runtime lacks the host kit or the screen exports";
            return false;
        }
    std::string name = opt_.backend;
    bool chosen = !name.empty();
    if (!chosen) {
        const char* env = std::getenv("KX_BACKEND");
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        name = env && *env                                      ? env
               : (display && *display) || (wayland && *wayland) ? "sdl"
                                                                : "headless";
    }
    if (!KXH_UseBackend(name.c_str())) {
        if (chosen || name == "headless") {
            error = "the " + name + " backend cannot run here" +
                    (name == "sdl" ? " (no display? try --backend headless)" : "");
            return false;
        }
        name = "headless";
        if (!KXH_UseBackend(name.c_str())) {
            error = "no backend can run here";
            return false;
        }
    }
    backend_ = name;
    test_clock_ = name == "headless" && opt_.frames > 0;
    if (test_clock_) KXH_SetTestClock(1, 0);
    started_ = true;
    return true;
}

std::int32_t Graphics::open(std::int32_t width, std::int32_t height, std::int32_t depth,
                            bool windowed, std::string& error) {
    if (screen_) {
        error = "a screen is already open";
        return 0;
    }
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        error = "the size " + std::to_string(width) + " x " + std::to_string(height) +
                " is outside 1 to " + std::to_string(kMaxSide);
        return 0;
    }
    if (depth != 16 && depth != 24 && depth != 32) {
        error = "the depth " + std::to_string(depth) + " is not 16, 24 or 32";
        return 0;
    }
    if (!start(error)) return 0;
    window_ = KX_OpenWindow(width, height);
    if (window_ < 1) {
        window_ = 0;
        error = "cannot open a window (is the bank table full?)";
        return 0;
    }
    screen_ = KXH_OpenScreen(window_, width, height, depth, windowed ? 1 : 0);
    if (screen_ < 1) {
        screen_ = 0;
        KX_CloseWindow(window_);
        window_ = 0;
        error = "cannot open a " + std::to_string(width) + " x " + std::to_string(height) + " x " +
                std::to_string(depth) + (windowed ? " windowed" : " full-screen") + " screen";
        return 0;
    }
    depth_ = depth;
    KXH_PumpMessages(); // the messages of opening
    KX_FlushKeys();     // no key is down on a new screen
    deadline_ = frame_start_ = Clock::now();
    return screen_;
}

void Graphics::set_rate(double rate) {
    opt_.rate = std::isfinite(rate) && rate > 0 ? std::min(rate, 1000.0) : 0;
    deadline_ = Clock::now();
}

double Graphics::since_sync() const {
    return std::chrono::duration<double>(Clock::now() - frame_start_).count();
}

bool Graphics::capture(std::string& error) {
    if (opt_.capture_dir.empty() || frames_ % opt_.capture_every != 0) return true;
    if (!capture_dir_made_) {
        std::error_code ec;
        std::filesystem::create_directories(opt_.capture_dir, ec);
        if (ec) {
            error = "cannot make the capture folder " + opt_.capture_dir + ": " + ec.message();
            return false;
        }
        capture_dir_made_ = true;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06lld.png", static_cast<long long>(frames_));
    std::string path = opt_.capture_dir + name;
    if (!KXH_SaveFramePNG(window_, path.c_str())) {
        error = "cannot write the frame to " + path;
        return false;
    }
    return true;
}

Graphics::Step Graphics::sync(std::string& error) {
    if (!screen_) {
        error = "no screen is open (open one with open_screen first)";
        return Step::Failed;
    }
    KX_SwapGraphics(screen_, 0);
    frames_++;
    frame_times_.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - frame_start_).count());
    if (!capture(error)) return Step::Failed;
    if (test_clock_) {
        if (opt_.rate > 0) {
            auto due =
                static_cast<std::uint32_t>(std::llround(double(frames_) * 1000.0 / opt_.rate));
            KXH_AdvanceClock(due - clock_ms_);
            clock_ms_ = due;
        }
    } else if (opt_.rate > 0) {
        auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / opt_.rate));
        deadline_ += period;
        Clock::time_point now = Clock::now();
        if (deadline_ < now - period) deadline_ = now; // far behind: do not race to catch up
        std::this_thread::sleep_until(deadline_);
    }
    for (; next_key_ < opt_.keys.size() && opt_.keys[next_key_].frame <= frames_; ++next_key_)
        KXH_FeedKey(opt_.keys[next_key_].scan_code, opt_.keys[next_key_].down ? 1 : 0);
    if (on_frame) on_frame(on_frame_context, frames_, window_);
    Step s = poll();
    frame_start_ = Clock::now();
    if (s != Step::Go) return s;
    if (opt_.frames > 0 && frames_ >= opt_.frames) return Step::LastFrame;
    return Step::Go;
}

Graphics::Step Graphics::poll() {
    if (!window_) return Step::Go;
    if (KXH_PumpMessages() < 0) return Step::Closed;
    if (KX_KeyState(kEscape)) return Step::Escape;
    return Step::Go;
}

std::int32_t Graphics::load_image(const std::string& path, std::int32_t flags, std::string& error) {
    if (!screen_) {
        error = "no screen is open (images take the screen's format: open_screen first)";
        return 0;
    }
    if (flags == 0) flags = kVideo;
    if (flags < 0 || flags > (kVideo | kFX | kTexture)) {
        error =
            "flags " + std::to_string(flags) + " are not a sum of 1 (video), 2 (FX), 4 (texture)";
        return 0;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = "cannot read the PNG file '" + path + "': " + png.message;
        png_image_free(&png);
        return 0;
    }
    if (png.width < 1 || png.height < 1 || png.width > kMaxSide || png.height > kMaxSide) {
        error = "'" + path + "' is " + std::to_string(png.width) + " x " +
                std::to_string(png.height) + " pixels, outside 1 to " + std::to_string(kMaxSide);
        png_image_free(&png);
        return 0;
    }
    png.format = PNG_FORMAT_BGRA; // little-endian words 0xAARRGGBB
    const auto w = static_cast<std::int32_t>(png.width), h = static_cast<std::int32_t>(png.height);
    std::vector<std::uint32_t> argb(std::size_t(w) * std::size_t(h));
    if (!png_image_finish_read(&png, nullptr, argb.data(), 0, nullptr)) {
        error = "cannot decode the PNG file '" + path + "': " + png.message;
        png_image_free(&png);
        return 0;
    }
    std::int32_t image = KX_ImageCreate(screen_, w, h, depth_, flags);
    if (image < 1) {
        error = "cannot make a " + std::to_string(w) + " x " + std::to_string(h) + " image";
        return 0;
    }
    // Pixels less than half opaque take the image's mask colour, so that
    // transparent blits leave them out.
    const std::uint32_t mask = static_cast<std::uint32_t>(KX_ImageGetMaskColour(image)) & 0xFFFFFF;
    for (std::int32_t kind : {kVideo, kFX, kTexture}) {
        if (!(flags & kind)) continue;
        KX_ImageRenderTo(image, kind);
        auto* lock = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(image));
        if (!lock || KX_LockSurface(image) != 1) {
            KX_ImageDelete(image);
            error = "cannot lock the new image";
            return 0;
        }
        const std::int32_t bpp = bytes_per_pixel(lock->Format);
        auto* base = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(lock->Pixels));
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* row = base + std::int64_t(y) * lock->Pitch;
            const std::uint32_t* src = argb.data() + std::size_t(y) * std::size_t(w);
            for (std::int32_t x = 0; x < w; ++x)
                put_pixel(row + std::int64_t(x) * bpp, lock->Format,
                          (src[x] >> 24) < 128 ? mask : src[x] & 0xFFFFFF);
        }
        KX_UnLockSurface(image);
    }
    KX_ImageRenderTo(image, (flags & kTexture) ? kTexture : (flags & kFX) ? kFX : kVideo);
    return image;
}

} // namespace kx::run
