// shell_open.cpp - which web addresses may leave the game, the error message box and one-time
// warnings (platform.h).
//
// Only web addresses leave the game: an http:// or https:// address of printable ASCII without
// blanks. Handing one over and the system's own dialog depend on where the game runs:
// shell_desktop.cpp (xdg-open, SDL's message box) or web/shell_web.cpp (a new tab, the page's
// overlay), both behind system.h.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "cp1251.h"
#include "platform/system.h"

namespace platform {

namespace {
MessageHandler g_message_handler = nullptr;
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

}  // namespace

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
    system_message_box(c, t, style);
}

bool warn_once(const std::string &key, const std::string &text) {
    if (!g_warned.insert(key).second) return false;
    std::fprintf(stderr, "tarvelok: %s\n", cp1251::to_utf8(text).c_str());
    return true;
}

}  // namespace platform
