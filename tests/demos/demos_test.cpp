// The demos in examples/, run by kxrun headless for a fixed number of frames
// with a fixed seed: the last frame must equal the checked-in one, pixel for
// pixel. KX_UPDATE_EXPECTED=1 in the environment writes the frames instead
// (after a deliberate change to a demo; look at them before committing).
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
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
};

void PrintTo(const Demo& d, std::ostream* os) {
    *os << d.file;
}

class Demos : public ::testing::TestWithParam<Demo> {};

TEST_P(Demos, LastFrameMatchesTheCheckedInOne) {
    const Demo& d = GetParam();
    std::string name = fs::path(d.file).stem().string();
    fs::path dir =
        fs::path(::testing::TempDir()) / ("kx_demo_" + name + "_" + std::to_string(getpid()));
    std::string command = std::string(KXRUN_PATH) + " --backend headless --frames " +
                          std::to_string(d.frames) + " --seed " + std::to_string(d.seed) +
                          " --capture " + dir.string() + " --capture-every " +
                          std::to_string(d.frames) + " " + KX_EXAMPLES_DIR + "/" + d.file;
    int rc = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << command;
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
    std::size_t differ = 0, first = 0;
    for (std::size_t k = 0; k < got.pixels.size(); ++k)
        if (got.pixels[k] != want.pixels[k] && differ++ == 0) first = k;
    EXPECT_EQ(differ, 0u) << "first at (" << first % got.width << ", " << first / got.width
                          << "): " << std::hex << got.pixels[first] << " instead of "
                          << want.pixels[first] << "; this run's frame: " << got_path;
    if (differ == 0) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Examples, Demos,
                         ::testing::Values(Demo{"shapes.kxa", 90, 1}, Demo{"tilemap.kxa", 120, 4}),
                         [](const ::testing::TestParamInfo<Demo>& i) {
                             return fs::path(i.param.file).stem().string();
                         });

} // namespace
