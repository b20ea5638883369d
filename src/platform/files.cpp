// files.cpp - directory search, whole-file reading and atomic writing, file tests (platform.h).
#include "platform/platform.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cp1251.h"
#include "platform/paths.h"

namespace platform {

namespace {

// The path in the file system's spelling, as the game folder sees it (not yet located).
std::string spelled(const std::string &path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    bool ascii = std::all_of(p.begin(), p.end(), [](char c) { return (unsigned char)c < 0x80; });
    return ascii ? p : cp1251::to_utf8(p);
}

}  // namespace

std::string native_path(const std::string &path) { return located(spelled(path)); }

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

constexpr int kTempNameAttempts = 100;  // fresh temporary names tried before a write gives up

// Six letters and digits that differ from one call to the next and between processes.
std::string random_suffix() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Process-level, not game state: the names only have to differ from other processes' and from
    // this process's earlier ones.
    static std::mt19937_64 gen(std::random_device{}() ^
                               (static_cast<uint64_t>(getpid()) << 32) ^
                               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::string s(6, 'x');
    for (char &c : s) c = kAlphabet[gen() % (sizeof kAlphabet - 1)];
    return s;
}

void close_folder(int fd) {
    if (fd >= 0 && fd != AT_FDCWD) close(fd);
}

// Opens the folder that holds `path` (relative to the working directory, the game folder), one
// folder at a time without following a symbolic link, so that nothing reached through it can lie
// outside the game folder; `base` is the last name of the path. Returns the folder's descriptor
// (AT_FDCWD for the game folder itself, which close_folder leaves alone), or -1 with errno set and
// `why` (UTF-8) saying what is wrong: an absolute path, "..", a missing folder, a link. Note that
// AT_FDCWD is negative too: only -1 is the failure.
int open_parent_folder(const std::string &path, std::string &base, std::string &why) {
    base.clear();
    const std::string p = spelled(path);
    if (p.empty() || p[0] == '/') {
        why = "not a path inside the game folder";
        errno = EINVAL;
        return -1;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        const std::string part = p.substr(start, end - start);
        if (part == "..") {
            why = "not a path inside the game folder";
            errno = EINVAL;
            return -1;
        }
        if (!part.empty() && part != ".") parts.push_back(part);
        start = end + 1;
    }
    if (parts.empty()) {
        why = "not a file name";
        errno = EINVAL;
        return -1;
    }
    base = parts.back();
    parts.pop_back();
    int dir = AT_FDCWD;
    for (const std::string &part : parts) {
        const int next = openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int err = errno;
            struct stat st;
            const bool link = fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
            why = "folder " + cp1251::to_utf8(quote(cp1251::from_utf8(part))) + " " + (link ? std::string("is a symbolic link") : std::strerror(err));
            close_folder(dir);
            errno = err;
            return -1;
        }
        close_folder(dir);
        dir = next;
    }
    return dir;
}

// True for a name write_file_atomic gives its temporary files: "." NAME "." six lower-case
// letters or digits ".tmp", NAME not empty.
bool temporary_name(const std::string &n) {
    const std::size_t kTail = 1 + 6 + 4;  // ".xxxxxx.tmp"
    if (n.size() < 1 + 1 + kTail || n[0] != '.' || n.compare(n.size() - 4, 4, ".tmp") != 0) return false;
    const std::size_t dot = n.size() - kTail;
    if (n[dot] != '.') return false;
    for (std::size_t i = dot + 1; i < dot + 7; ++i)
        if (!((n[i] >= 'a' && n[i] <= 'z') || (n[i] >= '0' && n[i] <= '9'))) return false;
    return true;
}

}  // namespace

int remove_leftover_temporaries(const std::string &folder) {
    std::string base, why;
    // The folder itself is entered like the folders on the way to a file in it.
    const int parent = open_parent_folder(folder + "/*", base, why);
    if (parent == -1) return 0;
    const int listed = parent == AT_FDCWD ? open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                          : openat(parent, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *d = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!d) {
        if (listed >= 0) close(listed);
        close_folder(parent);
        return 0;
    }
    std::vector<std::string> names;
    while (dirent *e = readdir(d))
        if (temporary_name(e->d_name)) names.push_back(e->d_name);
    closedir(d);
    int removed = 0;
    for (const std::string &n : names) {
        struct stat by_name, opened;
        // Regular files only: a link or anything else standing at such a name is left alone.
        if (fstatat(parent, n.c_str(), &by_name, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(by_name.st_mode)) continue;
        const int fd = openat(parent, n.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        // A writer holds its lock until its file has its real name: a lock we get means that
        // writer is gone (the lock dies with its process), so the file is a leftover.
        if (fstat(fd, &opened) == 0 && opened.st_ino == by_name.st_ino && opened.st_dev == by_name.st_dev &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && unlinkat(parent, n.c_str(), 0) == 0)
            ++removed;
        close(fd);
    }
    close_folder(parent);
    return removed;
}

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
    std::string base, why;
    const int parent = open_parent_folder(path, base, why);
    if (parent == -1) return false;
    bool ok = mkdirat(parent, base.c_str(), 0755) == 0;
    if (!ok) {
        // Already there: it must be a real folder, not a link to one (which would lead outside).
        struct stat st;
        ok = fstatat(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    close_folder(parent);
    return ok;
}

int open_regular_file(const std::string &path, struct stat &st, std::string &why, bool *missing) {
    if (missing) *missing = false;
    const std::string p = native_path(path);
    auto cannot_read = [&]() {
        const int err = errno;
        if (missing) *missing = (err == ENOENT || err == ENOTDIR);
        // A name longer than the system takes is told as such, not as an unreadable file.
        why = err == ENAMETOOLONG ? std::string("has a name too long for the file system")
                                  : std::string("cannot be read (") + std::strerror(err) + ")";
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

bool read_file(const std::string &path, std::string &bytes, bool *missing, std::string *why) {
    bytes.clear();
    struct stat st;
    std::string reason;
    const int fd = open_regular_file(path, st, reason, missing);
    if (why) *why = reason;
    if (fd < 0) return false;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (why) *why = std::string("cannot be read (") + std::strerror(errno) + ")";
            ok = false;
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxReadBytes) {  // grew while read
            if (why) *why = "is larger than " + std::to_string(kMaxReadBytes) + " bytes";
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
    std::string base, why;
    int dir = -1, fd = -1;
    std::string tmp;
    auto fail = [&](const std::string &what, int err) {
        std::fprintf(stderr, "tarvelok: cannot write %s (%s: %s); the old file is kept\n",
                     cp1251::to_utf8(quote(path)).c_str(), what.c_str(), std::strerror(err));
        if (fd >= 0) close(fd);
        if (!tmp.empty()) unlinkat(dir, tmp.c_str(), 0);
        close_folder(dir);
        errno = err;  // the caller tells a full disk from a folder closed to writing
        return false;
    };
    if (current_layout().mode == LayoutMode::installed && !is_player_data(path)) {
        // Installed, the game's data is read-only: only the player's own files are ever written.
        std::fprintf(stderr, "tarvelok: cannot write %s (it is the game's data, not the player's)\n",
                     cp1251::to_utf8(quote(path)).c_str());
        errno = EACCES;
        return false;
    }
    dir = open_parent_folder(path, base, why);
    if (dir == -1) {
        const int err = errno;
        std::fprintf(stderr, "tarvelok: cannot write %s (%s); the old file is kept\n",
                     cp1251::to_utf8(quote(path)).c_str(), why.c_str());
        errno = err;
        return false;
    }
    // A new hidden file of a name nobody chose beforehand: O_EXCL refuses anything already there
    // (a planted link, a FIFO, an old file) instead of following, truncating or waiting on it.
    for (int attempt = 0; attempt < kTempNameAttempts && fd < 0; ++attempt) {
        tmp = "." + base + "." + random_suffix() + ".tmp";
        fd = openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            tmp.clear();
            return fail("create", errno);
        }
    }
    if (fd < 0) {
        tmp.clear();
        return fail("create", EEXIST);
    }
    // Held until the file has its real name, so that remove_leftover_temporaries in another
    // process never takes a file that is still being written.
    flock(fd, LOCK_EX);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return fail("write", errno);
        }
        done += static_cast<std::size_t>(w);
    }
    if (fsync(fd) != 0) return fail("flush", errno);
    // The rename replaces the name itself: a link standing at `path` is replaced, never followed.
    // It comes before the close, while the lock is held (the content is already on disk).
    if (renameat(dir, tmp.c_str(), dir, base.c_str()) != 0) return fail("rename", errno);
    tmp.clear();
    close(fd);
    fd = -1;
    fsync(dir);  // the new name on disk too; a failure here loses nothing already written
    close_folder(dir);
    return true;
}

}  // namespace platform
