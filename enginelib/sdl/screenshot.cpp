// screenshot.cpp - F12: the last presented frame as a PNG file in the working folder.
//
// In: RGBA8 pixels, rows top-down. Out: tarvelok-YYYYMMDD-HHMMSS[-N].png, one line on stderr.
// Holds the (static) stb_image_write implementation; nothing else.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace sdl_engine {

constexpr int kMaxScreenshotsPerSecond = 99;  // suffixes tried before giving up

// Writes the picture; true when a file was written.
bool write_screenshot(const uint8_t *rgba, int width, int height) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    char name[64];
    for (int n = 1; n <= kMaxScreenshotsPerSecond; ++n) {
        if (n == 1) std::snprintf(name, sizeof name, "tarvelok-%s.png", stamp);
        else std::snprintf(name, sizeof name, "tarvelok-%s-%d.png", stamp, n);
        struct stat st;
        if (stat(name, &st) == 0) continue;
        if (stbi_write_png(name, width, height, 4, rgba, width * 4)) {
            std::fprintf(stderr, "engine: screenshot saved as %s\n", name);
            return true;
        }
        std::fprintf(stderr, "engine: the screenshot %s cannot be written\n", name);
        return false;
    }
    std::fprintf(stderr, "engine: too many screenshots this second\n");
    return false;
}

}  // namespace sdl_engine
