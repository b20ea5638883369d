// shell_open.cpp - handing web addresses to the desktop's opener, the error message box and
// one-time warnings (platform.h).
//
// Only web addresses leave the game: an http:// or https:// address of printable ASCII without
// blanks goes to the opener (xdg-open) as one argument, started in a session of its own and never
// waited for. No file is ever opened or executed here, so a link file or a program lying beside
// the game cannot make the game start a program.
#include "platform/platform.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#include "cp1251.h"

extern char **environ;

namespace platform {

namespace {
std::string g_opener = "xdg-open";
MessageHandler g_message_handler = nullptr;
std::vector<pid_t> g_children;  // handlers started and not yet reaped
std::set<std::string> g_warned;

const std::string kHttp = "http://";
const std::string kHttps = "https://";

bool equal_ignoring_case(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void reap_children() {
    for (std::size_t i = 0; i < g_children.size();) {
        int status = 0;
        if (waitpid(g_children[i], &status, WNOHANG) != 0) {
            g_children.erase(g_children.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}
}  // namespace

void set_shell_opener(const std::string &program) { g_opener = program; }

bool web_address_acceptable(const std::string &address) {
    std::size_t rest = 0;
    if (equal_ignoring_case(address.substr(0, kHttp.size()), kHttp))
        rest = kHttp.size();
    else if (equal_ignoring_case(address.substr(0, kHttps.size()), kHttps))
        rest = kHttps.size();
    else
        return false;
    // A host must follow the scheme ("http:///etc/passwd" has none).
    if (address.size() == rest || address[rest] == '/') return false;
    for (unsigned char c : address)
        if (c <= ' ' || c >= 0x7F) return false;  // blanks, control bytes, anything beyond ASCII
    return true;
}

bool open_web_address(const std::string &address) {
    reap_children();
    if (!web_address_acceptable(address)) return false;
    std::string arg = address;
    std::vector<char *> argv = {const_cast<char *>(g_opener.c_str()), arg.data(), nullptr};
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    // A session of its own: the browser outlives the game and ignores the game's terminal.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, g_opener.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (failed != 0) return false;
    g_children.push_back(pid);
    return true;
}

void set_message_handler(MessageHandler handler) { g_message_handler = handler; }

void message_box(const std::string &text, const std::string &caption, int style) {
    if (g_message_handler) {
        g_message_handler(text.c_str(), caption.c_str(), style);
        return;
    }
    const std::string t = cp1251::to_utf8(text), c = cp1251::to_utf8(caption);
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    const char *quiet = std::getenv("TARVELOK_NO_DIALOGS");
    if (quiet && std::strcmp(quiet, "1") == 0) return;
    SDL_ShowSimpleMessageBox((style & 0x10) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION,
                             c.c_str(), t.c_str(), nullptr);
}

bool warn_once(const std::string &key, const std::string &text) {
    if (!g_warned.insert(key).second) return false;
    std::fprintf(stderr, "tarvelok: %s\n", cp1251::to_utf8(text).c_str());
    return true;
}

}  // namespace platform
