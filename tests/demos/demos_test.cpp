// The demos in examples/, run by kxrun headless for a fixed number of frames
// with a fixed seed (and keys pressed at fixed frames): the last frame must
// equal the checked-in one, pixel for pixel, or within a small tolerance for
// the demos whose pictures rest on floating point. KX_UPDATE_EXPECTED=1 in the
// environment writes the frames instead (after a deliberate change to a demo;
// look at them before committing). Under a display, the sprites demo also runs
// in an SDL2 window and must show what it shows headless.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Frame {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB
};

bool read_png(const std::string& path, Frame& f) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_BGRA;
    f.width = png.width;
    f.height = png.height;
    f.pixels.assign(std::size_t(png.width) * png.height, 0);
    return png_image_finish_read(&png, nullptr, f.pixels.data(), 0, nullptr) != 0;
}

struct Demo {
    const char* file;
    int frames;
    int seed;
    const char* keys = ""; // --keys, when not empty
    int channel = 0;       // a pixel differs when a channel differs by more than this,
    double share = 0;      // and at most this share of the pixels may differ
};

// The sprites demo's input: left, then up with Space held, then right.
constexpr const char* kShipKeys = "10:203:1,30:203:0,30:200:1,30:57:1,50:200:0,70:205:1,100:205:0,"
                                  "100:57:0";

// Runs kxrun on the demo; the command's status.
int run(const std::string& options, const char* file) {
    std::string command =
        std::string(KXRUN_PATH) + " " + options + " " + KX_EXAMPLES_DIR + "/" + file;
    int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Pixels of a and b (of equal size) that differ by more than `channel` in a channel.
std::size_t count_differences(const Frame& a, const Frame& b, int channel, std::size_t& first) {
    std::size_t differ = 0;
    for (std::size_t k = 0; k < a.pixels.size(); ++k) {
        const std::uint32_t p = a.pixels[k], q = b.pixels[k];
        bool d = false;
        for (int shift : {0, 8, 16})
            d = d || std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)) > channel;
        if (d && differ++ == 0) first = k;
    }
    return differ;
}

void PrintTo(const Demo& d, std::ostream* os) {
    *os << d.file;
}

class Demos : public ::testing::TestWithParam<Demo> {};

TEST_P(Demos, LastFrameMatchesTheCheckedInOne) {
    const Demo& d = GetParam();
    std::string name = fs::path(d.file).stem().string();
    fs::path dir =
        fs::path(::testing::TempDir()) / ("kx_demo_" + name + "_" + std::to_string(getpid()));
    std::string options = "--backend headless --frames " + std::to_string(d.frames) + " --seed " +
                          std::to_string(d.seed) + " --capture " + dir.string() +
                          " --capture-every " + std::to_string(d.frames) +
                          (*d.keys ? std::string(" --keys ") + d.keys : "");
    ASSERT_EQ(run(options, d.file), 0) << options;
    char last[32];
    std::snprintf(last, sizeof last, "frame_%06d.png", d.frames);
    fs::path got_path = dir / last;
    fs::path want_path = fs::path(KX_EXPECTED_DIR) / (name + ".png");
    // Exactly one frame was saved: the last.
    std::vector<fs::path> saved(fs::directory_iterator(dir), fs::directory_iterator{});
    ASSERT_EQ(saved.size(), 1u);
    ASSERT_EQ(saved[0], got_path);

    if (const char* update = std::getenv("KX_UPDATE_EXPECTED"); update && *update == '1') {
        fs::copy_file(got_path, want_path, fs::copy_options::overwrite_existing);
        fs::remove_all(dir);
        GTEST_SKIP() << "wrote " << want_path;
    }
    Frame got, want;
    ASSERT_TRUE(read_png(got_path, got)) << got_path;
    ASSERT_TRUE(read_png(want_path, want)) << want_path << " (KX_UPDATE_EXPECTED=1 makes it)";
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    std::size_t first = 0;
    const std::size_t differ = count_differences(got, want, d.channel, first);
    EXPECT_LE(double(differ), d.share * double(got.pixels.size()))
        << differ << " pixels differ, the first at (" << first % got.width << ", "
        << first / got.width << "): " << std::hex << got.pixels[first] << " instead of "
        << want.pixels[first] << "; this run's frame: " << got_path;
    if (differ == 0) fs::remove_all(dir);
}

// The sprites demo in a real SDL2 window for 120 frames, the ship steered by
// injected keys: every 20th frame read back from the window equals the same
// frame of a headless run. ctest runs it under xvfb-run as the test
// demo_window, which sets KX_DEMO_WINDOW=1; it skips elsewhere.
TEST(DemoWindow, SpritesInAWindowShowWhatTheyShowHeadless) {
    const char* on = std::getenv("KX_DEMO_WINDOW");
    const char* display = std::getenv("DISPLAY");
    if (!on || *on != '1' || !display || !*display) GTEST_SKIP() << "no display for the window";
    fs::path dir = fs::path(::testing::TempDir()) / ("kx_demo_window_" + std::to_string(getpid()));
    const std::string common = " --frames 120 --seed 2 --capture-every 20 --keys " +
                               std::string(kShipKeys) + " --capture ";
    ASSERT_EQ(run("--backend headless" + common + (dir / "headless").string(), "sprites.kxa"), 0);
    ASSERT_EQ(run("--backend sdl" + common + (dir / "sdl").string(), "sprites.kxa"), 0);
    bool same = true;
    for (int f = 20; f <= 120; f += 20) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", f);
        Frame a, b;
        ASSERT_TRUE(read_png((dir / "headless" / name).string(), a)) << name;
        ASSERT_TRUE(read_png((dir / "sdl" / name).string(), b)) << name;
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        std::size_t first = 0;
        const std::size_t differ = count_differences(a, b, 0, first);
        EXPECT_EQ(differ, 0u) << name << ": first at (" << first % a.width << ", "
                              << first / a.width << ")";
        same = same && differ == 0;
    }
    if (same) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Examples, Demos,
                         ::testing::Values(Demo{"shapes.kxa", 90, 1}, Demo{"tilemap.kxa", 120, 4},
                                           Demo{"sprites.kxa", 120, 2, kShipKeys},
                                           Demo{"particles.kxa", 90, 3, "", 24, 0.01},
                                           Demo{"mesh.kxa", 120, 1, "", 24, 0.01}),
                         [](const ::testing::TestParamInfo<Demo>& i) {
                             return fs::path(i.param.file).stem().string();
                         });

} // namespace
