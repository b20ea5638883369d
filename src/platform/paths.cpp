// paths.cpp - the portable and installed layouts (paths.h).
#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cp1251.h"
#include "platform/platform.h"

// The installed folders relative to the installed program, from the build (CMakeLists.txt); a
// build that is never installed keeps these defaults, which only matter once the program runs
// from a folder without the game data beside it.
#ifndef TARVELOK_INSTALLED_DATA
#define TARVELOK_INSTALLED_DATA "../share/games/tarvelok"
#endif
#ifndef TARVELOK_INSTALLED_LIB
#define TARVELOK_INSTALLED_LIB "../lib/games/tarvelok"
#endif

namespace platform {

namespace {

constexpr mode_t kPlayerFolderMode = 0700;  // folders made for the player: theirs alone (XDG)

// Process-level plumbing: where this process reads and writes, set once at start by use_layout.
Layout g_layout;

bool is_dir(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool holds_game_data(const std::string &dir) {
    struct stat st;
    return stat((dir + kGameDataMarker).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string with_slash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

// `base` + `rel` with "x/.." pairs and "." taken out, so that messages and tests see plain folders.
std::string joined(const std::string &base, const std::string &rel) {
    std::vector<std::string> parts;
    const std::string all = base + "/" + rel;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find('/', start);
        if (end == std::string::npos) end = all.size();
        const std::string part = all.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = "/";
    for (const std::string &p : parts) out += p + "/";
    return out;
}

// Makes every missing folder of the absolute `dir` (mode 0700), following links the player made
// on the way (their own folders, wherever they keep them). False with errno set on failure.
bool make_folders(const std::string &dir) {
    std::size_t pos = 1;
    while (pos <= dir.size()) {
        std::size_t end = dir.find('/', pos);
        if (end == std::string::npos) end = dir.size();
        const std::string upto = dir.substr(0, end);
        if (!upto.empty() && mkdir(upto.c_str(), kPlayerFolderMode) != 0 && errno != EEXIST) return false;
        if (!is_dir(upto)) {
            errno = ENOTDIR;
            return false;
        }
        pos = end + 1;
    }
    return true;
}

// The whole regular file at the native `path`, at most kMaxReadBytes; false when there is none.
bool read_native(const std::string &path, std::string &bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<unsigned long long>(st.st_size) <= kMaxReadBytes;
    char buf[65536];
    while (ok) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxReadBytes) ok = false;
        else bytes.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return ok;
}

// Copies one seeded file of the game data (`native`: its path in the file system's spelling,
// relative to both folders) into the player's folder, the working directory, when the player has
// none. A file the player has, even an unreadable one or a link, is never touched; the copy is an
// atomic save like any other.
void seed_file(const std::string &data_dir, const std::string &native) {
    struct stat st;
    if (lstat(native.c_str(), &st) == 0 || errno != ENOENT) return;
    std::string bytes;
    if (!read_native(data_dir + native, bytes)) return;  // the game ships no default: nothing to copy
    const std::string name1251 = cp1251::from_utf8(native);
    if (cp1251::to_utf8(name1251) != native) return;  // not a name the game could spell
    write_file_atomic(name1251, bytes);
}

// Makes the folders of the relative `path` up to its last '/' in the working directory.
void make_parents(const std::string &path) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        make_dir(path.substr(0, slash));
}

void seed(const std::string &data_dir) {
    for (const PlayerData &d : kPlayerData) {
        if (!d.seeded) continue;
        make_parents(d.path);
        if (d.match == PlayerMatch::file) {
            seed_file(data_dir, d.path);
        } else if (d.match == PlayerMatch::folder) {
            const std::string folder = d.path;
            if (!make_dir(folder)) continue;
            DIR *dir = opendir((data_dir + folder).c_str());
            if (!dir) continue;
            while (const dirent *e = readdir(dir))
                if (e->d_name[0] != '.') seed_file(data_dir, folder + "/" + e->d_name);
            closedir(dir);
        }
    }
}

}  // namespace

std::string program_folder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    const std::string path(buf);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

LayoutInputs the_inputs() {
    LayoutInputs in;
    in.program_dir = program_folder();
    in.installed_data = TARVELOK_INSTALLED_DATA;
    in.installed_lib = TARVELOK_INSTALLED_LIB;
    const char *xdg = std::getenv("XDG_DATA_HOME");
    in.xdg_data_home = xdg ? xdg : "";
    const char *home = std::getenv("HOME");
    if (home && *home) {
        in.home = home;
    } else if (const passwd *pw = getpwuid(getuid())) {
        in.home = pw->pw_dir ? pw->pw_dir : "";
    }
    return in;
}

Layout choose_layout(const LayoutInputs &in) {
    Layout out;
    const std::string program = with_slash(in.program_dir);
    out.engine_dir = program;
    const bool beside = !program.empty() && holds_game_data(program);
    if (beside && access(program.c_str(), W_OK) == 0) return out;  // the portable game folder
    std::string data;
    if (beside) {
        data = program;  // a read-only game folder: its data, the player's folder for the saves
    } else if (!program.empty() && holds_game_data(joined(program, in.installed_data))) {
        data = joined(program, in.installed_data);
        const std::string lib = joined(program, in.installed_lib);
        struct stat st;
        if (stat((program + "libengine.so").c_str(), &st) != 0) out.engine_dir = lib;
    } else {
        return out;  // no data anywhere we know: the working directory is the game folder, as always
    }
    std::string base;
    if (!in.xdg_data_home.empty() && in.xdg_data_home[0] == '/') base = in.xdg_data_home;
    else if (!in.home.empty() && in.home[0] == '/') base = in.home + "/.local/share";
    out.mode = LayoutMode::installed;
    out.data_dir = data;
    if (base.empty()) {
        out.error = "no home folder is known (HOME and XDG_DATA_HOME are unset or not absolute paths), "
                    "so there is nowhere to keep the player's saves";
        return out;
    }
    out.player_dir = joined(base, kPlayerFolderName);
    return out;
}

bool use_layout(const Layout &layout, std::string &why) {
    if (!layout.error.empty()) {
        why = layout.error;
        return false;
    }
    if (layout.mode == LayoutMode::installed) {
        if (!make_folders(layout.player_dir) || chdir(layout.player_dir.c_str()) != 0) {
            why = "cannot use the folder " + layout.player_dir + " for the player's saves (" +
                  std::strerror(errno) + ")";
            return false;
        }
        seed(layout.data_dir);
    }
    g_layout = layout;
    return true;
}

const Layout &current_layout() { return g_layout; }

std::string engine_folder() { return g_layout.engine_dir.empty() ? program_folder() : g_layout.engine_dir; }

bool is_player_data(const std::string &path) {
    std::string p = path;
    for (char &c : p)
        if (c == '\\') c = '/';
    while (p.compare(0, 2, "./") == 0) p.erase(0, 2);
    if (p == ".." || p.compare(0, 3, "../") == 0 || p.find("/../") != std::string::npos ||
        (p.size() >= 3 && p.compare(p.size() - 3, 3, "/..") == 0))
        return false;  // a way out of the folder is nobody's data
    for (const PlayerData &d : kPlayerData) {
        const std::size_t n = std::strlen(d.path);
        switch (d.match) {
        case PlayerMatch::file:
            if (p == d.path) return true;
            break;
        case PlayerMatch::folder:
            if (p.compare(0, n, d.path) == 0 && (p.size() == n || p[n] == '/')) return true;
            break;
        case PlayerMatch::prefix:
            if (p.compare(0, n, d.path) == 0 && p.find('/') == std::string::npos) return true;
            break;
        }
    }
    return false;
}

std::string located(const std::string &path) {
    if (g_layout.mode != LayoutMode::installed || path.empty() || path[0] == '/' || is_player_data(path))
        return path;
    std::string p = path;
    while (p.compare(0, 2, "./") == 0) p.erase(0, 2);
    return g_layout.data_dir + p;
}

}  // namespace platform
