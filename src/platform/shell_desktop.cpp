// shell_desktop.cpp - the desktop's side of platform.h and system.h: web addresses go to the
// desktop's opener (xdg-open), message boxes are SDL's.
//
// An acceptable address (web_address_acceptable) goes to the opener as one argument, started in a
// session of its own and never waited for. No file is ever opened or executed here, so a link file
// or a program lying beside the game cannot make the game start a program.
#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/system.h"

extern char **environ;

namespace platform {

namespace {
// Process-level, not game state: the program this process hands web addresses to (tests set a
// stand-in), and the children it started, which only this process can reap.
std::string g_opener = "xdg-open";
std::vector<pid_t> g_children;  // handlers started and not yet reaped

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

bool offer_download(const std::string &) { return false; }  // already in the game folder

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

void system_message_box(const std::string &caption_utf8, const std::string &text_utf8, int style) {
    SDL_ShowSimpleMessageBox((style & 0x10) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION,
                             caption_utf8.c_str(), text_utf8.c_str(), nullptr);
}

}  // namespace platform
