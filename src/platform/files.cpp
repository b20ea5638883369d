// files.cpp - directory search, whole-file reading and atomic writing, file tests (platform.h).
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cp1251.h"

namespace platform {

std::string native_path(const std::string &path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    bool ascii = std::all_of(p.begin(), p.end(), [](char c) { return (unsigned char)c < 0x80; });
    return ascii ? p : cp1251::to_utf8(p);
}

namespace {

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Wildcard match, '*' any run (also empty), '?' exactly one byte; ASCII letters without case.
bool mask_match(const char *mask, const char *name) {
    const char *star = nullptr, *resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (*mask == '?' || (*mask && lower_ascii(*mask) == lower_ascii(*name))) {
            ++mask;
            ++name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*') ++mask;
    // "x.*" matches a name without any dot, as on the original platform ("*.*" matches all).
    if (mask[0] == '.' && mask[1] == '*' && mask[2] == '\0') return true;
    return *mask == '\0';
}

}  // namespace

std::vector<std::string> find_files(const std::string &pattern) {
    std::vector<std::string> names;
    std::string p = pattern;
    std::replace(p.begin(), p.end(), '\\', '/');
    std::size_t slash = p.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".")
                            : slash == 0                ? std::string("/")
                                                        : p.substr(0, slash);
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    const std::string native_dir = native_path(dir);
    DIR *d = opendir(native_dir.c_str());
    if (!d) return names;
    while (dirent *e = readdir(d)) {
        const char *n = e->d_name;
        if (n[0] == '.') continue;  // ".", ".." and hidden files
        std::string full = native_dir + "/" + n;
        struct stat st;
        if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        std::string name1251 = cp1251::from_utf8(n);
        if (cp1251::to_utf8(name1251) != n) continue;  // not spellable in 1251
        if (!mask_match(mask.c_str(), name1251.c_str())) continue;
        names.push_back(std::move(name1251));
    }
    closedir(d);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
            [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
    });
    return names;
}

bool file_exists(const std::string &path) {
    struct stat st;
    return stat(native_path(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool make_dir(const std::string &path) {
    const std::string p = native_path(path);
    if (mkdir(p.c_str(), 0755) == 0) return true;
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int open_regular_file(const std::string &path, struct stat &st, std::string &why, bool *missing) {
    if (missing) *missing = false;
    const std::string p = native_path(path);
    auto cannot_read = [&]() {
        const int err = errno;
        if (missing) *missing = (err == ENOENT || err == ENOTDIR);
        why = std::string("cannot be read (") + std::strerror(err) + ")";
        return -1;
    };
    if (stat(p.c_str(), &st) != 0) return cannot_read();
    if (!S_ISREG(st.st_mode)) {
        why = "is not a regular file";
        return -1;
    }
    const int fd = open(p.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return cannot_read();
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        why = "is not a regular file";
        return -1;
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxReadBytes) {
        close(fd);
        why = "is larger than " + std::to_string(kMaxReadBytes) + " bytes";
        return -1;
    }
    return fd;
}

bool read_file(const std::string &path, std::string &bytes, bool *missing) {
    bytes.clear();
    struct stat st;
    std::string why;
    const int fd = open_regular_file(path, st, why, missing);
    if (fd < 0) return false;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxReadBytes) {  // grew while read
            ok = false;
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    if (!ok) bytes.clear();
    return ok;
}

bool write_file_atomic(const std::string &path, const std::string &bytes) {
    const std::string p = native_path(path);
    std::size_t slash = p.rfind('/');
    std::string dir = slash == std::string::npos ? "" : p.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
    const std::string tmp = dir + "." + base + ".tmp";
    auto fail = [&](const char *what) {
        const int err = errno;  // before anything below can change it
        std::fprintf(stderr, "tarvelok: cannot write %s (%s: %s); the old file is kept\n",
                     cp1251::to_utf8(quote(path)).c_str(), what, std::strerror(err));
        std::remove(tmp.c_str());
        return false;
    };
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail("create");
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return fail("write");
        }
        done += static_cast<std::size_t>(w);
    }
    if (fsync(fd) != 0) {
        close(fd);
        return fail("flush");
    }
    if (close(fd) != 0) return fail("close");
    if (rename(tmp.c_str(), p.c_str()) != 0) return fail("rename");
    return true;
}

}  // namespace platform
