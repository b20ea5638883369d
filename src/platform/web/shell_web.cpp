// shell_web.cpp - the page's side of platform.h and system.h: an acceptable web address opens in
// a new tab (never the game's own), and the system's message box is the page's overlay.
//
// The same rule as on the desktop decides what may be opened (web_address_acceptable): http(s)
// only, printable ASCII, so a link file cannot send the player to javascript: or a file.
#include <emscripten.h>

#include <string>

#include "platform/platform.h"
#include "platform/system.h"

// clang-format off
EM_JS(int, tarvelok_open_tab, (const char *address), {
    var w = window.open(UTF8ToString(address), '_blank', 'noopener,noreferrer');
    // With noopener the browser hands back null even when the tab opened.
    return 1;
});
EM_JS(void, tarvelok_platform_message, (const char *caption, const char *text), {
    if (Module.tarvelokShowMessage) Module.tarvelokShowMessage(UTF8ToString(caption), UTF8ToString(text));
    else alert(UTF8ToString(caption) + '\n\n' + UTF8ToString(text));
});
// clang-format on

namespace platform {

void set_shell_opener(const std::string &) {}  // the page has one opener: the browser

bool open_web_address(const std::string &address) {
    if (!web_address_acceptable(address)) return false;
    return tarvelok_open_tab(address.c_str()) != 0;
}

void system_message_box(const std::string &caption_utf8, const std::string &text_utf8, int) {
    tarvelok_platform_message(caption_utf8.c_str(), text_utf8.c_str());
}

}  // namespace platform
