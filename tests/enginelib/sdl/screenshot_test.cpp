// screenshot_test.cpp - F12's file: created new beside the game, never through a link planted at
// its name, and never left half written when the write fails.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/test_support.h"

namespace sdl_engine {
bool write_screenshot(const uint8_t *rgba, int width, int height);  // screenshot.cpp
}

using namespace testsupport;

namespace {

std::vector<std::string> names_in(const fs::path &dir) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The names F12 would take during the next few seconds.
std::vector<std::string> names_for_the_next_seconds(int seconds) {
    std::vector<std::string> names;
    for (int s = 0; s < seconds; ++s) {
        const std::time_t t = std::time(nullptr) + s;
        std::tm tm{};
        localtime_r(&t, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        names.push_back(std::string("tarvelok-") + stamp + ".png");
    }
    return names;
}

}  // namespace

TEST(Screenshot, ALinkAtItsNameIsNeverFollowed) {
    ScratchDir outside;
    ScratchDir game;
    // Dangling links (stat says "no such file") at the names of this second and the next ones.
    const std::vector<std::string> planted = names_for_the_next_seconds(5);
    for (std::size_t i = 0; i < planted.size(); ++i)
        fs::create_symlink(outside.path() / ("target" + std::to_string(i) + ".png"), planted[i]);
    const std::vector<uint8_t> rgba(16 * 8 * 4, 0x80);
    ASSERT_TRUE(sdl_engine::write_screenshot(rgba.data(), 16, 8));
    EXPECT_TRUE(names_in(outside.path()).empty()) << "the PNG went through a planted link";
    // The picture took the next free name, a real file; the links are as they were.
    int pngs = 0;
    for (const std::string &n : names_in(game.path())) {
        if (std::find(planted.begin(), planted.end(), n) != planted.end()) {
            EXPECT_TRUE(fs::is_symlink(n)) << n;
            continue;
        }
        EXPECT_TRUE(n.rfind("tarvelok-", 0) == 0 && n.size() > 4 && n.substr(n.size() - 6) == "-2.png") << n;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(n))) << n;
        EXPECT_EQ(read_bytes(n).substr(1, 3), "PNG");
        ++pngs;
    }
    EXPECT_EQ(pngs, 1);
}

TEST(Screenshot, AFailedWriteLeavesNoHalfFile) {
    ScratchDir game;
    // Files may grow to 1000 bytes only: the noisy 256 x 256 picture's PNG is far larger.
    std::vector<uint8_t> rgba(256 * 256 * 4);
    uint32_t x = 12345;
    for (uint8_t &b : rgba) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = sdl_engine::write_screenshot(rgba.data(), 256, 256);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written);
    EXPECT_TRUE(names_in(game.path()).empty()) << names_in(game.path())[0];
    // With room again the same picture is written whole.
    ASSERT_TRUE(sdl_engine::write_screenshot(rgba.data(), 256, 256));
    const std::vector<std::string> names = names_in(game.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_GT(fs::file_size(names[0]), 1000u);
}
