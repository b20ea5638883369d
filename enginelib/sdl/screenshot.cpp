// screenshot.cpp - F12: the last presented frame as a PNG file in the working folder.
//
// In: RGBA8 pixels, rows top-down. Out: tarvelok-YYYYMMDD-HHMMSS[-N].png, one line on stderr.
// The picture is encoded in memory, written to a new hidden temporary file and only then given its
// name, which is never replaced: nothing standing at a name (a file, or a link pointing anywhere,
// dangling or not) is followed or overwritten, and a write that fails leaves no half file.
// Holds the (static) stb_image_write implementation; nothing else.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace sdl_engine {

constexpr int kMaxScreenshotsPerSecond = 99;  // suffixes tried before giving up

namespace {

void append_bytes(void *context, void *data, int size) {
    auto *out = static_cast<std::vector<unsigned char> *>(context);
    const auto *bytes = static_cast<const unsigned char *>(data);
    out->insert(out->end(), bytes, bytes + size);
}

// Writes all of `bytes` to a new file `tmp` (created exclusively, never through a link) and
// flushes it. False, with errno set and nothing left behind, when any step fails; a name already
// taken (EEXIST) is left as it was.
bool write_new_file(const std::string &tmp, const std::vector<unsigned char> &bytes) {
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    int err = 0;
    while (err == 0 && done < bytes.size()) {
        const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) err = errno;
        else if (w == 0) err = EIO;
        else done += static_cast<std::size_t>(w);
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0) return true;
    unlink(tmp.c_str());
    errno = err;
    return false;
}

// Gives the written file `tmp` the name `name` unless that name is taken (EEXIST then).
bool name_without_replacing(const std::string &tmp, const char *name) {
    if (link(tmp.c_str(), name) == 0) {
        unlink(tmp.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
    // A file system without hard links: the same promise from the rename itself.
    return renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, name, RENAME_NOREPLACE) == 0;
}

}  // namespace

// Writes the picture; true when a file was written.
bool write_screenshot(const uint8_t *rgba, int width, int height) {
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(append_bytes, &png, width, height, 4, rgba, width * 4) || png.empty()) {
        std::fprintf(stderr, "engine: the screenshot cannot be encoded\n");
        return false;
    }
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string tmp;
    bool written = false;
    for (int n = 1; n <= kMaxScreenshotsPerSecond && !written; ++n) {
        tmp = ".tarvelok-" + std::string(stamp) + "-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".png.tmp";
        written = write_new_file(tmp, png);
        if (!written && errno != EEXIST) break;
    }
    if (!written) {
        std::fprintf(stderr, "engine: the screenshot cannot be written (%s)\n", std::strerror(errno));
        return false;
    }
    char name[64];
    for (int n = 1; n <= kMaxScreenshotsPerSecond; ++n) {
        if (n == 1) std::snprintf(name, sizeof name, "tarvelok-%s.png", stamp);
        else std::snprintf(name, sizeof name, "tarvelok-%s-%d.png", stamp, n);
        if (name_without_replacing(tmp, name)) {
            std::fprintf(stderr, "engine: screenshot saved as %s\n", name);
            return true;
        }
        if (errno != EEXIST) {
            std::fprintf(stderr, "engine: the screenshot %s cannot be written (%s)\n", name, std::strerror(errno));
            unlink(tmp.c_str());
            return false;
        }
    }
    unlink(tmp.c_str());
    std::fprintf(stderr, "engine: too many screenshots this second\n");
    return false;
}

}  // namespace sdl_engine
