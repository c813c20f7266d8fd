// kxrun's graphics instructions, headless: frames on the test clock, capture,
// images loaded from PNG files, random numbers, the close button and Escape,
// and the messages of programs that misuse them.
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "host.h"
#include "kx/kx_host.h"
#include "tools_fixture.h"

namespace kx::test {
namespace {

namespace fs = std::filesystem;

// A host kit function of the loaded runtime (the test does not link it).
#define KIT(name) reinterpret_cast<decltype(&::name)>(runtime().symbol(#name))

std::string temp_dir(const std::string& name) {
    return ::testing::TempDir() + "kx_graphics_" + std::to_string(getpid()) + "_" + name;
}

TEST(Graphics, FramesAdvanceTheTestClockAndEveryKthIsCaptured) {
    std::string dir = temp_dir("capture");
    run::Options opt;
    opt.graphics.frames = 7;
    opt.graphics.capture_dir = dir;
    opt.graphics.capture_every = 3;
    Ran r = run_source(R"(
        int scr, t, n
        open_screen scr, 40, 30, 16
        frame_rate 50                 ; 20 ms a frame
    loop:
        call KX_Cls(0x00FF00)
        sync
        clock t
        write t, " "
        goto loop
    )",
                       opt);
    EXPECT_TRUE(r.outcome.ended) << r.outcome.message;
    EXPECT_EQ(r.outcome.status, 0);
    EXPECT_EQ(r.frames, 7);
    EXPECT_EQ(r.out, "20 40 60 80 100 120 "); // the seventh sync ends the run
    std::set<fs::path> files(fs::directory_iterator(dir), fs::directory_iterator{});
    EXPECT_EQ(files, (std::set<fs::path>{dir + "/frame_000003.png", dir + "/frame_000006.png"}));
    fs::remove_all(dir);
}

// A 3 x 2 PNG: red, green, blue / white, transparent, grey.
std::string write_png(const std::string& path) {
    const std::uint8_t rgba[] = {255, 0,   0,   255, 0, 255, 0, 255, 0,   0,   255, 255,
                                 255, 255, 255, 255, 9, 9,   9, 0,   128, 128, 128, 200};
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = 3;
    png.height = 2;
    png.format = PNG_FORMAT_RGBA;
    EXPECT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, rgba, 0, nullptr));
    return path;
}

std::vector<std::uint32_t> seen; // the frame at the last sync, 8 x 8

TEST(Graphics, ImagesLoadInTheScreensFormatWithTransparentPixelsMasked) {
    std::string png = write_png(temp_dir("image.png"));
    for (std::string depth : {"32", "16"}) {
        SCOPED_TRACE(depth);
        // Flags 3 draw from the FX buffer first; then from video. Both keyed.
        Ran r = run_source("int scr, img, w\nopen_screen scr, 8, 8, " + depth +
                               "\nload_image img, \"" + png +
                               "\", 3\nw = call KX_SurfaceWidth(img)\nprint w\n"
                               "call KX_Cls(0x112233)\ncall KX_ImageBlt(img, 1, 1, 1)\n"
                               "call KX_ImageRenderTo(img, 1)\ncall KX_ImageBlt(img, 4, 4, 1)\n"
                               "sync\nend\n",
                           {}, [](void*, std::int64_t, std::int32_t window) {
                               seen.assign(64, 0);
                               KIT(KXH_ReadFrame)(window, seen.data(), 256, nullptr, nullptr);
                           });
        EXPECT_TRUE(r.outcome.ended) << r.outcome.message;
        EXPECT_EQ(r.out, "3\n");
        // The masked pixel shows the background: KX_Cls takes the colour as the screen's raw
        // value, so 0x2233 in 5-6-5 at 16 bits; 16-bit pixels are widened by their top bits.
        std::uint32_t bg = depth == "32" ? 0x112233 : 0x21459C,
                      grey = depth == "32" ? 0x808080 : 0x848284;
        std::vector<std::uint32_t> got, want;
        for (int at : {1, 4}) {
            for (int k = 0; k < 6; ++k)
                got.push_back(seen.at(std::size_t((at + k / 3) * 8 + at + k % 3)));
            want.insert(want.end(), {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, bg, grey});
        }
        EXPECT_EQ(got, want);
    }
    std::remove(png.c_str());
}

TEST(Graphics, RandomNumbersRepeatForASeedAndStayInRange) {
    // Ten integers below 10 and floats below 2.5, then limits below 1 (they give 0).
    const std::string src = "int k, i\nfloat f\nL: random i, 10\nrandom f, 2.5\n"
                            "write i, \" \", f, \" \"\nnext k, 9, L\nrandom i, 0\nrandom i, -4\n"
                            "print i\n";
    run::Options opt;
    opt.seed = 7;
    std::string first = run_source(src, opt).out;
    EXPECT_EQ(first, run_source(src, opt).out);
    opt.seed = 8;
    EXPECT_NE(first, run_source(src, opt).out);
    std::istringstream in(first);
    for (int k = 0; k < 10; ++k) {
        int i = -1;
        float f = -1;
        in >> i >> f;
        EXPECT_TRUE(i >= 0 && i < 10 && f >= 0 && f < 2.5f) << first;
    }
    EXPECT_TRUE(first.ends_with(" 0\n")) << first;
}

TEST(Graphics, TheCloseButtonAndEscapeEndTheProgramCleanly) {
    const std::string src = R"(
        int scr
        open_screen scr, 16, 16, 32
    loop:
        call KX_Cls(0)
        sync
        goto loop
    )";
    run::Options opt;
    opt.graphics.frames = 100;
    Ran r = run_source(src, opt, [](void*, std::int64_t frame, std::int32_t window) {
        if (frame == 3) KIT(KXH_FeedClose)(window);
    });
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.outcome.status, 0);
    EXPECT_EQ(r.frames, 3);
    EXPECT_EQ(r.outcome.note, "t.kxa:6 (at position 16): the window was closed (sync)");

    r = run_source(src, opt, [](void*, std::int64_t frame, std::int32_t) {
        if (frame == 5) KIT(KXH_FeedKey)(1, 1);
    });
    KIT(KXH_FeedKey)(1, 0);
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.frames, 5);
    EXPECT_EQ(r.outcome.note, "t.kxa:6 (at position 16): Escape was pressed (sync)");
    // A new screen starts with no key down.
    EXPECT_EQ(run_source(src, opt).frames, 100);
}

TEST(Graphics, MisusesStopWithTheInstructionAndTheLine) {
    std::string dir = temp_dir("never");
    struct Case {
        const char* src;
        const char* message;
    } cases[] = {
        {"int s, i\nopen_screen s, 8, 8, 32\nload_image i, \"/nonexistent/x.png\", 0\nsync\nend\n",
         "t.kxa:3 (at position 9): load_image: cannot read the PNG file '/nonexistent/x.png': No "
         "such file or directory"},
        {"int s, i\nopen_screen s, 8, 8, 32\nload_image i, \"\", 8\nend\n",
         "t.kxa:3 (at position 9): load_image: flags 8 are not a sum of 1 (video), 2 (FX), 4 "
         "(texture)"},
        {"int i\nload_image i, \"x.png\", 1\nend\n",
         "t.kxa:2 (at position 0): load_image: no screen is open (images take the screen's "
         "format: open_screen first)"},
        {"int x\ncall KX_Box(0, 0, 4, 4, 255, 1)\nend\n",
         "t.kxa:2 (at position 0): call KX_Box: nothing to draw on (no screen is open: "
         "open_screen comes first)"},
        {"sync\nend\n", "t.kxa:1 (at position 0): sync: no screen is open (open one with "
                        "open_screen first)"},
        {"int s\nopen_screen s, 8, 8, 8\nend\n",
         "t.kxa:2 (at position 0): open_screen: the depth 8 is not 16, 24 or 32"},
        {"int s\nopen_fullscreen s, 0, 8, 32\nend\n",
         "t.kxa:2 (at position 0): open_fullscreen: the size 0 x 8 is outside 1 to 16384"},
        {"int s\nopen_screen s, 8, 8, 32\nopen_screen s, 8, 8, 32\nend\n",
         "t.kxa:3 (at position 9): open_screen: a screen is already open"},
        {"int s\nopen_screen s, 8, 8, 32\nl: inc s\ngoto l\n",
         "t.kxa:3 (at position 9): no sync for 0.2 s while a screen is open: a main loop calls "
         "sync once per frame"},
    };
    for (const Case& c : cases) {
        run::Options opt;
        opt.graphics.frames = 5;
        opt.graphics.capture_dir = dir;
        opt.sync_timeout = 0.2;
        opt.budget = 1000;
        Ran r = run_source(c.src, opt);
        EXPECT_FALSE(r.outcome.ended) << c.src;
        EXPECT_EQ(r.outcome.message, c.message);
    }
    // A program that draws and ends without sync runs, with a note.
    Ran r = run_source("int s\nopen_screen s, 8, 8, 32\ncall KX_Cls(9)\nend 3\n", {});
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.outcome.status, 3);
    EXPECT_EQ(r.outcome.note, "t.kxa:4 (at position 16): the program ended without calling "
                              "sync, so no frame was presented");
    EXPECT_FALSE(fs::exists(dir)); // no frame, no capture folder
}

} // namespace
} // namespace kx::test
