// shell_open.cpp - opening files with the desktop's handler, the error message box and one-time
// warnings (platform.h).
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

bool shell_open(const std::string &path) {
    reap_children();
    if (!file_exists(path)) return false;
    std::string file = native_path(path);
    // A name starting with '-' would read as an option of the handler.
    if (!file.empty() && file[0] == '-') file = "./" + file;
    std::vector<char *> argv = {const_cast<char *>(g_opener.c_str()), file.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, g_opener.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
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
