// sdl_engine_test.cpp - the real engine (libengine.so) under Xvfb: a known scene drawn through the
// operations and read back pixel by pixel, input injected with xdotool, the close button, sound
// effects through SDL's disk audio driver, the statistics line; plus the exports and the message
// box, which need no display.
//
// Each display test runs sdl_driver (a scripted mini game) as a child on an X screen of its own
// (tests/support/own_xvfb.sh: Xvfb picks a free display itself) with SDL_VIDEODRIVER=x11, then checks what it wrote. Expected pixels follow from the drawing rules
// and the generated test pictures (quad.tga: red, green / blue, white quadrants of 32 x 32;
// cells.tga: six 32 x 32 cells red, green, blue / yellow, cyan, magenta).
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "cp1251.h"
#include "engine_api.h"
#include "engine_common.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kTolerance = 3;           // colour steps allowed for blending and filtering
constexpr int kDriverTimeoutS = 60;     // a driver run that takes longer has hung
constexpr int kXvfbAttempts = 3;        // starts of the X server before giving up

std::string self_dir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, size_t(n));
    return path.substr(0, path.rfind('/'));
}

using test_files::have_tool;
using test_files::read_file;

struct DriverRun {
    int status = -1;
    std::string dir;
    std::map<std::string, std::string> results;
    std::string err;

    double num(const std::string &key) const {
        auto it = results.find(key);
        return it == results.end() ? -1e9 : std::atof(it->second.c_str());
    }
    std::string str(const std::string &key) const {
        auto it = results.find(key);
        return it == results.end() ? "<missing>" : it->second;
    }
};

// Runs the driver in `mode` under Xvfb with a screen of `screen` (WxHxDEPTH, no window manager);
// `env` is prepended to the command (VAR=value ...). Not xvfb-run: parallel test processes raced
// it for a display number, and its own clean-up could fail after the driver's SIGTERM, turning
// the driver's status into its own. A failed Xvfb start is still retried.
DriverRun run_driver(const std::string &mode, const std::string &env = "",
                     const std::string &screen = "1920x1080x24") {
    DriverRun run;
    char tmpl[] = "/tmp/tarvelok-sdl-XXXXXX";
    run.dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    const std::string dir = self_dir();
    std::string cmd = "cd '" + run.dir + "' && env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk "
                      "SDL_DISKAUDIOFILE=/dev/null TARVELOK_NO_DIALOGS=1 SDL_TEST_CLOSER='" + dir +
                      "/sdl_window_closer' " + env + " timeout " + std::to_string(kDriverTimeoutS) +
                      " '" TARVELOK_SOURCE_DIR "/tests/support/own_xvfb.sh' " + screen + " '" + dir +
                      "/sdl_driver' " + mode + " '" +
                      run.dir + "' > '" + run.dir + "/stdout.txt' 2> '" + run.dir + "/stderr.txt'";
    for (int attempt = 0; attempt < kXvfbAttempts; ++attempt) {
        const int raw = std::system(cmd.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.err = read_file(run.dir + "/stderr.txt");
        if (run.err.find("Xvfb failed to start") == std::string::npos) break;
    }
    std::istringstream in(read_file(run.dir + "/results.txt"));
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) run.results[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return run;
}

// Removes a run's folder when the test is done with it.
struct DirCleanup {
    std::string dir;
    ~DirCleanup() {
        if (dir.rfind("/tmp/tarvelok-sdl-", 0) == 0) std::system(("rm -rf '" + dir + "'").c_str());
    }
};

// Name of the first tarvelok-*.png in dir, or "".
std::string run_capture_ls(const std::string &dir) {
    std::string out;
    if (FILE *p = popen(("ls '" + dir + "' | grep '^tarvelok-.*\\.png$' | head -n 1").c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

#define SKIP_WITHOUT_XVFB()                                                                        \
    do {                                                                                           \
        if (!have_tool("Xvfb"))                                                                    \
            GTEST_SKIP() << "Xvfb is missing: the real engine cannot be run here (install xvfb)"; \
    } while (0)

// Input, focus and closing are driven with xdotool from inside the run.
#define SKIP_WITHOUT_XDOTOOL()                                                                     \
    do {                                                                                           \
        SKIP_WITHOUT_XVFB();                                                                       \
        if (!have_tool("xdotool"))                                                                 \
            GTEST_SKIP() << "xdotool is missing: input cannot be injected here (install xdotool)";  \
    } while (0)

using Rgb = std::array<int, 3>;
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};
constexpr Rgb kYellow{255, 255, 0}, kCyan{0, 255, 255}, kMagenta{255, 0, 255};

struct Frame {
    std::vector<uint8_t> rgba;
    Rgb at(int x, int y) const {
        const uint8_t *p = &rgba[(size_t(y) * kW + x) * 4];
        return {p[0], p[1], p[2]};
    }
};

::testing::AssertionResult pixel_is(const Frame &f, int x, int y, Rgb want, int tol = kTolerance) {
    const Rgb got = f.at(x, y);
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > tol)
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << got[0] << ","
                                                 << got[1] << "," << got[2] << ", expected " << want[0] << ","
                                                 << want[1] << "," << want[2];
    return ::testing::AssertionSuccess();
}

// The scene run is shared by the drawing tests: one Xvfb start for all of them.
struct SceneRun {
    DriverRun run;
    Frame frame;
};
const SceneRun &scene() {
    static SceneRun s = [] {
        SceneRun r;
        r.run = run_driver("scene");
        const std::string bytes = read_file(r.run.dir + "/frame.rgba");
        r.frame.rgba.assign(bytes.begin(), bytes.end());
        DirCleanup cleanup{r.run.dir};
        return r;
    }();
    return s;
}

#define REQUIRE_SCENE(s)                                                                           \
    SKIP_WITHOUT_XVFB();                                                                           \
    const SceneRun &s = scene();                                                                   \
    ASSERT_EQ(s.run.status, 0) << s.run.err;                                                       \
    ASSERT_EQ(s.frame.rgba.size(), size_t(kW) * kH * 4) << "no frame was read back\n" << s.run.err

// ---- No display needed ----------------------------------------------------------------------

TEST(SdlEngine, ExportsEveryOperationAndNoHeadlessControl) {
    const std::string lib = std::string(TARVELOK_GAME_DIR) + "/libengine.so";
    void *handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
#define CHECK_EXPORT(ret, name, params) EXPECT_NE(dlsym(handle, #name), nullptr) << #name " is not exported";
    ENGINE_OPERATIONS(CHECK_EXPORT)
#undef CHECK_EXPORT
#define CHECK_ABSENT(ret, name, params) EXPECT_EQ(dlsym(handle, #name), nullptr) << #name " leaked into libengine.so";
    HEADLESS_OPERATIONS(CHECK_ABSENT)
#undef CHECK_ABSENT
    EXPECT_NE(dlsym(handle, "OE_ReadFrame"), nullptr);
    EXPECT_NE(dlsym(handle, "OE_KeepFrames"), nullptr);
    EXPECT_NE(dlsym(handle, "OE_FrameCount"), nullptr);
    // Internal names stay hidden.
    EXPECT_EQ(dlsym(handle, "_ZN10sdl_engine13renderer_initEv"), nullptr);
    EXPECT_EQ(dlsym(handle, "stbi_write_png"), nullptr);

    // Before any window: options as set, read-back answers "nothing presented", device exists.
    auto set_options = reinterpret_cast<void (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)>(
        dlsym(handle, "OE_SetScreenOptions"));
    auto get_options = reinterpret_cast<OE_Options *(*)()>(dlsym(handle, "OE_GetOptions"));
    set_options(800, 600, 16, 0, 1, 1);
    EXPECT_EQ(get_options()->fullscreen, 1);
    EXPECT_EQ(get_options()->bpp, 16);
    set_options(800, 600, 32, 0, 0, 1);
    EXPECT_EQ(get_options()->fullscreen, 0);
    auto read_frame = reinterpret_cast<int32_t (*)(uint8_t *)>(dlsym(handle, "OE_ReadFrame"));
    std::vector<uint8_t> rgba(size_t(kW) * kH * 4, 7);
    EXPECT_EQ(read_frame(rgba.data()), 0);
    EXPECT_EQ(rgba[0], 0);
    auto params = reinterpret_cast<void *(*)(int32_t)>(dlsym(handle, "P_GetParams"));
    ASSERT_NE(params(18), nullptr);
    EXPECT_NE(*static_cast<OE_Device **>(params(18)), nullptr);
    EXPECT_EQ(params(17), nullptr);
    dlclose(handle);
}

TEST(SdlEngine, MessageBoxGoesToStderrOnlyWithoutDialogs) {
    setenv("TARVELOK_NO_DIALOGS", "1", 1);
    const std::string lib = std::string(TARVELOK_GAME_DIR) + "/libengine.so";
    void *handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto box = reinterpret_cast<void (*)(const char *, const char *, int32_t)>(dlsym(handle, "OE_MessageBox"));
    ASSERT_NE(box, nullptr);
    static constexpr auto kText = CP1251("Файл не найден");
    testing::internal::CaptureStderr();
    box(kText, "Error", 0x10);  // would wait for a click forever if a box were raised
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: Файл не найден"), std::string::npos) << err;  // 1251 shown as UTF-8
    dlclose(handle);
}

// ---- The scene --------------------------------------------------------------------------------

TEST(SdlEngine, LoopRunsSplashLoadFramesExitInOrder) {
    REQUIRE_SCENE(s);
    // Quit in the fourth frame: that pass completes, then the exit procedure, then OE_Init returns.
    EXPECT_EQ(s.run.str("order"), "SLFFFFE");
    EXPECT_EQ(s.run.str("returned"), "1");
    EXPECT_EQ(s.run.num("frames_after_splash"), 1);
    EXPECT_EQ(s.run.num("splash_read"), 1);
    EXPECT_EQ(s.run.str("splash_pixel"), "255,255,0");  // the splash's yellow fill was presented
    EXPECT_EQ(s.run.num("read"), 1);
    EXPECT_EQ(s.run.str("timer_runs_positive"), "1");
    EXPECT_EQ(s.run.str("options"), "800x600 bpp 32 full 0 window 800x600");
    EXPECT_EQ(s.run.str("quad_size"), "64x64");
    EXPECT_EQ(s.run.str("freed_handle_null"), "1");
}

TEST(SdlEngine, SpritesMirrorFlipRotateAndFrames) {
    REQUIRE_SCENE(s);
    const Frame &f = s.frame;
    // Plain at (20, 20).
    EXPECT_TRUE(pixel_is(f, 30, 30, kRed));
    EXPECT_TRUE(pixel_is(f, 74, 30, kGreen));
    EXPECT_TRUE(pixel_is(f, 30, 74, kBlue));
    EXPECT_TRUE(pixel_is(f, 74, 74, kWhite));
    EXPECT_TRUE(pixel_is(f, 10, 10, kBlack));
    // Mirrored at (100, 20): left and right swap.
    EXPECT_TRUE(pixel_is(f, 110, 30, kGreen));
    EXPECT_TRUE(pixel_is(f, 154, 30, kRed));
    EXPECT_TRUE(pixel_is(f, 110, 74, kWhite));
    EXPECT_TRUE(pixel_is(f, 154, 74, kBlue));
    // Flipped at (180, 20): top and bottom swap.
    EXPECT_TRUE(pixel_is(f, 190, 30, kBlue));
    EXPECT_TRUE(pixel_is(f, 234, 30, kWhite));
    EXPECT_TRUE(pixel_is(f, 190, 74, kRed));
    EXPECT_TRUE(pixel_is(f, 234, 74, kGreen));
    // 90 degrees clockwise about the centre at (260, 20): the top-left quadrant moves to the top right.
    EXPECT_TRUE(pixel_is(f, 270, 30, kBlue));
    EXPECT_TRUE(pixel_is(f, 314, 30, kRed));
    EXPECT_TRUE(pixel_is(f, 314, 74, kGreen));
    EXPECT_TRUE(pixel_is(f, 270, 74, kWhite));
    // 45 degrees at (340, 20): a diamond |dx| + |dy| <= 45.25 around (372, 52).
    EXPECT_TRUE(pixel_is(f, 342, 22, kBlack));
    EXPECT_NE(f.at(372, 24), kBlack);
    EXPECT_TRUE(pixel_is(f, 401, 81, kBlack));
    // Frames of 32 x 32 in a 96 x 64 picture: 3 columns, cells counted from 1.
    EXPECT_TRUE(pixel_is(f, 436, 36, kCyan));    // 5: row 2, column 2
    EXPECT_TRUE(pixel_is(f, 476, 36, kYellow));  // 4: row 2, column 1
    EXPECT_TRUE(pixel_is(f, 436, 76, kGreen));   // 8 of 6 wraps to 2
}

TEST(SdlEngine, TintAlphaAdditiveAndCornerOffsets) {
    REQUIRE_SCENE(s);
    const Frame &f = s.frame;
    // Flag 8 multiplies by the colour mix: yellow keeps red and green, removes blue.
    EXPECT_TRUE(pixel_is(f, 530, 30, kRed));
    EXPECT_TRUE(pixel_is(f, 574, 30, kGreen));
    EXPECT_TRUE(pixel_is(f, 530, 74, kBlack));
    EXPECT_TRUE(pixel_is(f, 574, 74, kYellow));
    EXPECT_TRUE(pixel_is(f, 654, 74, Rgb{128, 128, 128}));  // 0x808080 halves white
    EXPECT_TRUE(pixel_is(f, 610, 30, Rgb{128, 0, 0}));
    EXPECT_TRUE(pixel_is(f, 734, 74, kWhite));              // without flag 8 no tint
    // Alpha 128 over black and over white.
    EXPECT_TRUE(pixel_is(f, 30, 110, Rgb{128, 0, 0}));
    EXPECT_TRUE(pixel_is(f, 74, 154, Rgb{128, 128, 128}));
    EXPECT_TRUE(pixel_is(f, 110, 110, Rgb{255, 127, 127}));
    EXPECT_TRUE(pixel_is(f, 154, 154, kWhite));
    // Additive over a red box: colours add.
    EXPECT_TRUE(pixel_is(f, 190, 110, kRed));
    EXPECT_TRUE(pixel_is(f, 234, 110, kYellow));
    EXPECT_TRUE(pixel_is(f, 190, 154, kMagenta));
    EXPECT_TRUE(pixel_is(f, 234, 154, kWhite));
    EXPECT_TRUE(pixel_is(f, 314, 110, Rgb{255, 128, 0}));   // additive at alpha 128
    EXPECT_TRUE(pixel_is(f, 270, 154, Rgb{255, 0, 128}));
    // Corner offsets (10, 0, 10, 0, 0, 0, 0, 0): the top edge moves 10 right, the bottom stays.
    EXPECT_TRUE(pixel_is(f, 343, 102, kBlack));
    EXPECT_TRUE(pixel_is(f, 410, 102, kGreen));
    EXPECT_TRUE(pixel_is(f, 343, 160, kBlue));
    EXPECT_TRUE(pixel_is(f, 410, 160, kBlack));
    EXPECT_TRUE(pixel_is(f, 423, 160, kBlue));   // flag 32 alone draws too (the backdrop's flags)
    EXPECT_TRUE(pixel_is(f, 423, 102, kBlack));
    EXPECT_TRUE(pixel_is(f, 503, 102, kRed));    // without flag 32 the offsets are ignored
}

TEST(SdlEngine, TextDrawsGlyphsWithScaleSpacingAlphaAndMeasuresWidth) {
    REQUIRE_SCENE(s);
    const Frame &f = s.frame;
    // "AB" at (20, 200): A is 8 x 12 at the pen, advance 8; B is 6 x 12 at pen + (1, 2), advance 10.
    EXPECT_TRUE(pixel_is(f, 24, 206, kGreen));
    EXPECT_TRUE(pixel_is(f, 31, 208, kGreen));
    EXPECT_TRUE(pixel_is(f, 28, 206, kBlack));   // between A (ends at 28) and B (starts at 29)
    EXPECT_TRUE(pixel_is(f, 31, 201, kBlack));   // above B's offset
    // Scale 2, spacing 3 at (100, 200): A 16 x 24; pen moves (8 + 3) x 2 = 22; B at 124, 204, 12 x 24.
    EXPECT_TRUE(pixel_is(f, 108, 212, kWhite));
    EXPECT_TRUE(pixel_is(f, 119, 212, kBlack));
    EXPECT_TRUE(pixel_is(f, 122, 216, kBlack));
    EXPECT_TRUE(pixel_is(f, 130, 216, kWhite));
    EXPECT_TRUE(pixel_is(f, 130, 226, kWhite));
    EXPECT_TRUE(pixel_is(f, 130, 229, kBlack));
    // Alpha 128, red.
    EXPECT_TRUE(pixel_is(f, 204, 206, Rgb{128, 0, 0}));
    // Widths: advances 8 + 10; with spacing 3 and scale 2: (18 + 3) x 2.
    EXPECT_DOUBLE_EQ(s.run.num("width_AB_1_0"), 18.0);
    EXPECT_DOUBLE_EQ(s.run.num("width_AB_2_3"), 42.0);
}

TEST(SdlEngine, RectanglesDeviceTrianglesAndCamera) {
    REQUIRE_SCENE(s);
    const Frame &f = s.frame;
    EXPECT_TRUE(pixel_is(f, 50, 280, kBlue));                 // filled 0xFF0000 = blue
    // Outline of width 2 along the inside of (100, 260, 60, 40).
    EXPECT_TRUE(pixel_is(f, 101, 280, kGreen));
    EXPECT_TRUE(pixel_is(f, 103, 280, kBlack));
    EXPECT_TRUE(pixel_is(f, 130, 261, kGreen));
    EXPECT_TRUE(pixel_is(f, 130, 280, kBlack));
    EXPECT_TRUE(pixel_is(f, 158, 280, kGreen));
    EXPECT_TRUE(pixel_is(f, 156, 280, kBlack));
    EXPECT_TRUE(pixel_is(f, 130, 298, kGreen));
    EXPECT_TRUE(pixel_is(f, 200, 280, Rgb{64, 64, 64}));       // white at alpha 64
    // Device: a 128 x 128 quad with u, v 0..2 repeats the 64 x 64 picture twice each way, at
    // screen positions although the camera was on, over the white box drawn before it.
    EXPECT_EQ(s.run.str("device_results"), "0,0,1");
    EXPECT_TRUE(pixel_is(f, 305, 265, kRed));
    EXPECT_TRUE(pixel_is(f, 310, 270, kRed));
    EXPECT_TRUE(pixel_is(f, 354, 270, kGreen));
    EXPECT_TRUE(pixel_is(f, 374, 270, kRed));
    EXPECT_TRUE(pixel_is(f, 418, 270, kGreen));
    EXPECT_TRUE(pixel_is(f, 310, 310, kBlue));
    EXPECT_TRUE(pixel_is(f, 310, 334, kRed));
    EXPECT_TRUE(pixel_is(f, 354, 378, kWhite));
    EXPECT_TRUE(pixel_is(f, 418, 378, kBlue));                // the box drawn after it is on top
    // Untextured triangle, colour 0xFF0000FF (ARGB) = opaque blue.
    EXPECT_TRUE(pixel_is(f, 455, 265, kBlue));
    EXPECT_TRUE(pixel_is(f, 510, 320, kBlack));
    // Camera (100, 50): sprite, rectangle and text at world positions shifted by it.
    EXPECT_TRUE(pixel_is(f, 530, 270, kRed));
    EXPECT_TRUE(pixel_is(f, 574, 314, kWhite));
    EXPECT_TRUE(pixel_is(f, 610, 310, kGreen));
    EXPECT_TRUE(pixel_is(f, 624, 306, kWhite));
    EXPECT_TRUE(pixel_is(f, 650, 270, kRed));                 // camera_on 0: screen position
    EXPECT_TRUE(pixel_is(f, 730, 320, kBlack));               // nothing at the unshifted spot
}

TEST(SdlEngine, MagnifiedTransparentEdgesHaveNoDarkFringe) {
    REQUIRE_SCENE(s);
    // An 8 x 8 picture, opaque white inside, transparent black around, drawn 64 x 64 over white:
    // filtering across its edge must not pull the transparent texels' black in.
    for (int y = 420; y < 484; y += 3)
        for (int x = 600; x < 664; ++x) ASSERT_TRUE(pixel_is(s.frame, x, y, kWhite, 4));
}

TEST(SdlEngine, MissingPictureIsCheckerWithOneWarning) {
    REQUIRE_SCENE(s);
    const Frame &f = s.frame;
    const std::string size = std::to_string(ec::kCheckerSize);
    EXPECT_EQ(s.run.str("missing_size"), size + "x" + size);
    EXPECT_EQ(s.run.str("missing_device_texture"), "1");
    // Drawn at (20, 420) at its own size: neighbouring cells alternate magenta and black.
    const int c = ec::kCheckerCell;
    const Rgb a = f.at(20 + c / 2, 420 + c / 2), b = f.at(20 + c + c / 2, 420 + c / 2);
    const Rgb d = f.at(20 + c / 2, 420 + c + c / 2);
    EXPECT_TRUE((a == kMagenta && b == kBlack) || (a == kBlack && b == kMagenta));
    EXPECT_EQ(a, f.at(20 + c + c / 2, 420 + c + c / 2));
    EXPECT_EQ(b, d);
    size_t warnings = 0;
    for (size_t pos = 0; (pos = s.run.err.find("no/such/picture.tga", pos)) != std::string::npos; ++pos) ++warnings;
    EXPECT_EQ(warnings, 1u) << s.run.err;
}

// ---- Input, closing, sound, statistics -----------------------------------------------------

TEST(SdlEngine, InputFromXdotoolReachesTheOperations) {
    SKIP_WITHOUT_XDOTOOL();
    const DriverRun r = run_driver("input");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.str("window_found"), "1") << r.err;
    EXPECT_EQ(r.str("mouse_at_100_50"), "100,50");
    EXPECT_EQ(r.num("left_held"), 1);
    EXPECT_EQ(r.num("left_after_up"), 0);
    EXPECT_EQ(r.num("press_a_count"), 1);       // one press, reported once
    EXPECT_EQ(r.num("press_a_again"), 0);
    EXPECT_EQ(r.num("press_esc_count"), 1);
    // `xdotool key Escape` and `click 3` are taps within one pass: the 20 ms timer, polling held
    // keys as the logic tick does, still sees them held.
    EXPECT_EQ(r.num("escape_held_in_tick"), 1);
    EXPECT_EQ(r.num("right_held_in_tick"), 1);
    EXPECT_EQ(r.str("game_keys"), "11111");     // 8, 32, 39, 112, 113: one press each
    // F12 is the engine's: a PNG of the last presented frame (the steady 0x202020 fill) in the
    // working folder, and no press for the game.
    EXPECT_EQ(r.num("press_f12"), 0);
    const std::string shots = run_capture_ls(r.dir);
    ASSERT_FALSE(shots.empty()) << "no screenshot in " << r.dir << "\n" << r.err;
    ec::Image shot;
    ASSERT_TRUE(ec::image_load_rgba((r.dir + "/" + shots).c_str(), shot));
    EXPECT_EQ(shot.width, kW);
    EXPECT_EQ(shot.height, kH);
    const uint8_t *mid = &shot.rgba[(size_t(300) * kW + 400) * 4];
    EXPECT_EQ(int(mid[0]), 0x20);
    EXPECT_EQ(int(mid[1]), 0x20);
    EXPECT_EQ(int(mid[2]), 0x20);
    EXPECT_EQ(r.num("click_left_count"), 1);
    EXPECT_EQ(r.num("click_right_count"), 1);   // X button 3 is the engine's button 0
    EXPECT_EQ(r.num("click_left_after_right"), 1);
    EXPECT_EQ(r.num("dbl_before"), 0);
    EXPECT_EQ(r.num("dbl_count"), 1);
    EXPECT_EQ(r.str("mouse_at_300_200"), "300,200");
    EXPECT_EQ(r.str("typed"), "Hi 5");
    EXPECT_EQ(r.str("typed_after_end"), "");
    // Letters outside the keyboard map, pressed on keycodes bound to them (see the driver).
    ASSERT_EQ(r.num("typed_cyrillic_sent"), 1) << r.err;
    EXPECT_EQ(r.str("typed_cyrillic_hex"), "C6F3EA20");  // "Жук " in code page 1251
    // 1600 x 600 window: the 800 x 600 picture sits in the middle, 400 pixels in.
    EXPECT_EQ(r.str("resized_window"), "1600x600");
    EXPECT_EQ(r.str("mouse_letterboxed"), "100,300");
    EXPECT_EQ(r.num("press_enter_on_alt_enter"), 0);
}

// Window geometry as `xdotool getwindowgeometry --shell` prints it: "WINDOW=.. X=.. Y=.. WIDTH=..".
struct Geometry { int x = -1, y = -1, w = -1, h = -1; };
Geometry parse_geometry(const std::string &text) {
    Geometry g;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos) continue;
        const int v = std::atoi(word.c_str() + eq + 1);
        const std::string key = word.substr(0, eq);
        if (key == "X") g.x = v;
        else if (key == "Y") g.y = v;
        else if (key == "WIDTH") g.w = v;
        else if (key == "HEIGHT") g.h = v;
    }
    return g;
}

// The quad picture fills the logical screen: its four quadrants must appear, whole, in the four
// quarters of the window on the root screenshot `png`.
void expect_whole_picture_in(const std::string &png, const Geometry &g) {
    SCOPED_TRACE(png);
    ec::Image shot;
    ASSERT_TRUE(ec::image_load_rgba(png.c_str(), shot));
    ASSERT_GT(g.w, 0);
    // The picture keeps its 4:3 shape: centred in the window, bars elsewhere.
    const double scale = std::min(g.w / 800.0, g.h / 600.0);
    const double ox = g.x + (g.w - 800 * scale) / 2, oy = g.y + (g.h - 600 * scale) / 2;
    struct Probe { double lx, ly; Rgb want; };
    const Probe probes[] = {{20, 20, kRed}, {780, 20, kGreen}, {20, 580, kBlue}, {780, 580, kWhite},
                            {380, 280, kRed}, {420, 280, kGreen}, {380, 320, kBlue}, {420, 320, kWhite}};
    for (const Probe &p : probes) {
        const int x = int(ox + p.lx * scale), y = int(oy + p.ly * scale);
        ASSERT_TRUE(x >= 0 && y >= 0 && x < shot.width && y < shot.height) << x << "," << y;
        const uint8_t *px = &shot.rgba[(size_t(y) * shot.width + x) * 4];
        EXPECT_EQ((Rgb{px[0], px[1], px[2]}), p.want)
            << "logical (" << p.lx << ", " << p.ly << ") at screen (" << x << ", " << y << ")";
    }
}

// Xvfb without a window manager: nobody grants desktop full screen. The window keeps its size and
// must go on showing the whole picture; the engine goes back to a window and says so once; a second
// Alt+Enter tries again and ends the same way.
TEST(SdlEngine, AltEnterWithoutAWindowManagerKeepsTheWholePictureInTheWindow) {
    SKIP_WITHOUT_XDOTOOL();
    if (!have_tool("import")) GTEST_SKIP() << "ImageMagick's import is missing: no screenshots here";
    const DriverRun r = run_driver("fullscreen", "", "1280x720x24");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.str("window_found"), "1") << r.err;
    const Geometry before = parse_geometry(r.str("geometry_before"));
    EXPECT_EQ(before.w, 800);
    EXPECT_EQ(before.h, 600);
    expect_whole_picture_in(r.dir + "/windowed.png", before);
    EXPECT_EQ(r.str("options_after_first"), "0 800x600");
    const Geometry first = parse_geometry(r.str("geometry_after_first"));
    EXPECT_EQ(first.w, 800);
    EXPECT_EQ(first.h, 600);
    expect_whole_picture_in(r.dir + "/first.png", first);
    EXPECT_EQ(r.str("options_after_second"), "0 800x600");
    expect_whole_picture_in(r.dir + "/second.png", parse_geometry(r.str("geometry_after_second")));
    size_t told = 0;
    for (size_t pos = 0; (pos = r.err.find("full screen was not granted", pos)) != std::string::npos; ++pos) ++told;
    EXPECT_EQ(told, 1u) << r.err;
}

// A screen the window already covers (800 x 600): full screen holds; a second Alt+Enter leaves it.
TEST(SdlEngine, AltEnterWhereTheWindowCoversTheScreenStaysFullScreenUntilPressedAgain) {
    SKIP_WITHOUT_XDOTOOL();
    if (!have_tool("import")) GTEST_SKIP() << "ImageMagick's import is missing: no screenshots here";
    const DriverRun r = run_driver("fullscreen", "", "800x600x24");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.str("options_after_first"), "1 800x600");
    expect_whole_picture_in(r.dir + "/first.png", parse_geometry(r.str("geometry_after_first")));
    EXPECT_EQ(r.str("options_after_second"), "0 800x600");
    EXPECT_EQ(r.err.find("not granted"), std::string::npos) << r.err;
}

// Files built to hurt: a picture announcing 8192 x 8192 in 18 bytes and one cut short get the
// checker; a WAV at 1 Hz (SDL's converter would ask for gigabytes) stays silent; a damaged font
// description shared by two fonts is told once; a FIFO as a font's files does not block; an escape
// sequence in a file name does not reach the terminal. The game runs on.
TEST(SdlEngine, HostileFilesGiveCheckersSilenceAndShortWarnings) {
    SKIP_WITHOUT_XVFB();
    const DriverRun r = run_driver("hostile");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string checker = std::to_string(ec::kCheckerSize) + "x" + std::to_string(ec::kCheckerSize);
    EXPECT_EQ(r.str("huge_size"), checker);
    EXPECT_EQ(r.str("cut_size"), checker);
    EXPECT_EQ(r.str("slow_sound_loaded"), "1");
    EXPECT_EQ(r.str("fifo_font_loaded"), "1");
    EXPECT_EQ(r.str("bad_font_widths"), "8.000000,8.000000");  // 'C' was refused in both
    EXPECT_EQ(r.str("returned"), "1");
    EXPECT_NE(r.err.find("huge.tga: cannot load the picture (8192 x 8192 pixels"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cut.tga: cannot load the picture (its data ends early)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("slow.wav: sample rate 1 Hz outside"), std::string::npos) << r.err;
    size_t overflow_lines = 0;
    for (size_t pos = 0; (pos = r.err.find("glyph cell out of range", pos)) != std::string::npos; ++pos) ++overflow_lines;
    EXPECT_EQ(overflow_lines, size_t(ec::kFontWarningLines)) << r.err;
    EXPECT_NE(r.err.find("fifo: cannot read the font description (not a regular file)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1B'), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("evil\\x1B]0;owned\\x07.tga"), std::string::npos) << r.err;
    // The cut picture is drawn as the checker.
    const std::string bytes = read_file(r.dir + "/frame.rgba");
    ASSERT_EQ(bytes.size(), size_t(kW) * kH * 4);
    Frame f;
    f.rgba.assign(bytes.begin(), bytes.end());
    const int c = ec::kCheckerCell;
    const Rgb a = f.at(20 + c / 2, 20 + c / 2), b = f.at(20 + c + c / 2, 20 + c / 2);
    EXPECT_TRUE((a == kMagenta && b == kBlack) || (a == kBlack && b == kMagenta));
}

TEST(SdlEngine, GameControllerHotPlugAndFocusLossStopsTimers) {
    SKIP_WITHOUT_XDOTOOL();
    const DriverRun r = run_driver("pad");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    // A virtual controller: south button = Space, stick = arrows with hysteresis, D-pad = arrows,
    // Start = Escape; unplugging releases what it held; plugging again works.
    EXPECT_EQ(r.num("space_before"), 0);
    EXPECT_EQ(r.num("space_on_south"), 1);
    EXPECT_EQ(r.num("space_after_release"), 0);
    EXPECT_EQ(r.num("left_on_stick"), 1);
    EXPECT_EQ(r.num("right_on_stick"), 0);
    EXPECT_EQ(r.num("left_stick_partly_back"), 1);
    EXPECT_EQ(r.num("left_stick_centred"), 0);
    EXPECT_EQ(r.num("up_on_dpad"), 1);
    EXPECT_EQ(r.num("escape_press_on_start"), 1);
    EXPECT_EQ(r.num("up_after_unplug"), 0);
    EXPECT_EQ(r.num("space_after_replug"), 1);
    // Focus lost: the 20 ms timer stops for the 0.6 s the window is unfocused (counted from the
    // pass in which SDL reports the loss). Focus back: the slow timer, whose interval the driver
    // restarts when the loss is seen, runs again without catching up the unfocused time (a
    // catch-up would run it the per-pass maximum at once, more often than the time since the
    // resume allows).
    ASSERT_EQ(r.str("window_found"), "1") << r.err;
    ASSERT_EQ(r.str("focus_first"), "<missing>") << r.err;
    ASSERT_EQ(r.num("focus_lost"), 1) << r.err;
    ASSERT_EQ(r.num("focus_back"), 1) << r.err;
    EXPECT_EQ(r.str("runs_before_blur_positive"), "1");
    EXPECT_EQ(r.num("runs_while_unfocused"), 0);
    EXPECT_EQ(r.str("runs_after_focus_positive"), "1");
    EXPECT_LE(r.num("excess_runs_after_focus"), 0);
}

TEST(SdlEngine, CloseButtonEndsTheLoopAndRunsTheExitProcedure) {
    SKIP_WITHOUT_XDOTOOL();
    const DriverRun r = run_driver("close");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.str("window_found"), "1") << r.err;
    EXPECT_EQ(r.num("closer_status"), 0);
    EXPECT_EQ(r.str("returned"), "1");
    ASSERT_FALSE(r.str("order").empty());
    EXPECT_EQ(r.str("order").back(), 'E');
    EXPECT_GE(r.num("exit_frame"), 5);
    EXPECT_LT(r.num("exit_frame"), 600) << "the loop ran on until the driver's own limit";
}

TEST(SdlEngine, SigtermEndsTheProcessEvenInTheMiddleOfALongLoad) {
    SKIP_WITHOUT_XVFB();
    // Between passes it ends the loop like the close button: the exit procedure runs.
    const DriverRun idle = run_driver("term_idle");
    DirCleanup cleanup_idle{idle.dir};
    ASSERT_EQ(idle.status, 0) << idle.err;
    ASSERT_FALSE(idle.str("order").empty());
    EXPECT_EQ(idle.str("order").back(), 'E');
    EXPECT_LT(idle.num("exit_frame"), 600) << "the signal did not end the loop";
    // Inside a load that would take 20 s more: the process ends where it stands, 128 + SIGTERM.
    const DriverRun busy = run_driver("term");
    DirCleanup cleanup_busy{busy.dir};
    ASSERT_EQ(read_file(busy.dir + "/term_sent"), "1\n") << busy.err;
    EXPECT_EQ(busy.status, 128 + SIGTERM) << busy.err;
    EXPECT_EQ(busy.str("load_finished"), "<missing>") << "the load ran to its end first";
    EXPECT_NE(busy.err.find("termination signal"), std::string::npos) << busy.err;
}

// Pan, buffer counts and the effects' volume (Snd_SetVolume), measured on the mixed samples.
TEST(SdlEngine, SoundEffectsPanBufferCountsAndVolume) {
    SKIP_WITHOUT_XVFB();
    char tmpl[] = "/tmp/tarvelok-sdl-audio-XXXXXX";
    const int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string audio = tmpl;
    const DriverRun r = run_driver("sound", "SDL_DISKAUDIOFILE='" + audio + "'");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no/such/sound.wav"), std::string::npos) << r.err;

    // The disk driver writes what the device plays: 16-bit stereo, 44100 Hz.
    const std::string raw = read_file(audio);
    std::remove(audio.c_str());
    const size_t frames = raw.size() / 4;
    auto sample = [&](size_t i, int ch) {
        int16_t v;
        std::memcpy(&v, raw.data() + i * 4 + ch * 2, 2);
        return int(v);
    };
    // Split into sounding stretches separated by at least 0.1 s of silence.
    struct Stretch { size_t begin, end; };
    std::vector<Stretch> stretches;
    const int kQuiet = 1000;
    const size_t kGap = 4410;
    size_t last_loud = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (std::abs(sample(i, 0)) <= kQuiet && std::abs(sample(i, 1)) <= kQuiet) continue;
        if (stretches.empty() || i - last_loud > kGap) stretches.push_back({i, i});
        stretches.back().end = i + 1;
        last_loud = i;
    }
    ASSERT_EQ(stretches.size(), 5u) << "audio bytes: " << raw.size();  // the play at 0 % is not heard
    auto median = [&](const Stretch &s, int ch) {
        std::vector<int> v;
        for (size_t i = s.begin; i < s.end; ++i) v.push_back(sample(i, ch));
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    const int kLevel = 8000, kAllowed = 400;
    const size_t kLength = 44100 / 5;  // each sound lasts 0.2 s
    // 1: pan -400, left only.
    EXPECT_NEAR(median(stretches[0], 0), kLevel, kAllowed);
    EXPECT_NEAR(median(stretches[0], 1), 0, kAllowed);
    // 2: pan 400, two copies at once (2 buffers): twice as loud, right only.
    EXPECT_NEAR(median(stretches[1], 0), 0, kAllowed);
    EXPECT_NEAR(median(stretches[1], 1), 2 * kLevel, kAllowed);
    // 3: centred, played twice with 1 buffer: the second play restarts the first copy.
    EXPECT_NEAR(median(stretches[2], 0), kLevel, kAllowed);
    EXPECT_NEAR(median(stretches[2], 1), kLevel, kAllowed);
    // 4: centred at 50 %: half the amplitude of 3 (within a tenth). 5: 250 % is clamped to 100 %.
    EXPECT_NEAR(double(median(stretches[3], 0)) / median(stretches[2], 0), 0.5, 0.05);
    EXPECT_NEAR(double(median(stretches[3], 1)) / median(stretches[2], 1), 0.5, 0.05);
    EXPECT_NEAR(median(stretches[4], 0), kLevel, kAllowed);
    for (const Stretch &s : stretches)
        EXPECT_NEAR(double(s.end - s.begin), double(kLength), kLength * 0.1);
}

TEST(SdlEngine, AudioDeviceThatCannotOpenLeavesTheGameSilentWithOneWarning) {
    SKIP_WITHOUT_XVFB();
    const DriverRun r = run_driver("sound", "SDL_AUDIODRIVER=no-such-driver");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;  // the plays were ignored, nothing crashed
    EXPECT_EQ(r.str("returned"), "1");
    size_t warnings = 0;
    for (size_t pos = 0; (pos = r.err.find("no sound effects", pos)) != std::string::npos; ++pos) ++warnings;
    EXPECT_EQ(warnings, 1u) << r.err;

    // An ALSA card that does not exist: ALSA's own handler would print about eight lines of its
    // own ("ALSA lib ..."); only the engine's one warning may reach stderr.
    const DriverRun alsa = run_driver("sound", "SDL_AUDIODRIVER=alsa AUDIODEV=hw:CARD=tarvelok_no_such_card");
    DirCleanup alsa_cleanup{alsa.dir};
    ASSERT_EQ(alsa.status, 0) << alsa.err;
    EXPECT_EQ(alsa.err.find("ALSA lib"), std::string::npos) << alsa.err;
    EXPECT_NE(alsa.err.find("no sound effects"), std::string::npos) << alsa.err;
}

TEST(SdlEngine, StatisticsLineReportsOneDrawCallFor500SpritesOfOneTexture) {
    SKIP_WITHOUT_XVFB();
    const DriverRun r = run_driver("stats", "TARVELOK_ENGINE_STATS=1");
    DirCleanup cleanup{r.dir};
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.err);
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        double fps = 0, cpu = 0, calls = 0;
        if (std::sscanf(line.c_str(), "engine: %lf fps, %lf ms CPU per frame, %lf draw calls per frame", &fps, &cpu,
                        &calls) != 3)
            continue;
        ++lines;
        EXPECT_GT(fps, 0);
        EXPECT_GT(cpu, 0);
        EXPECT_DOUBLE_EQ(calls, 1.0) << line;  // one texture, one blend mode: one batch per frame
    }
    EXPECT_GE(lines, 2) << r.err;
}

}  // namespace
