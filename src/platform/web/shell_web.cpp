// shell_web.cpp - the page's side of platform.h and system.h: an acceptable web address opens in
// a new tab (never the game's own), a file the player takes away (a replay) is downloaded, and
// the system's message box is the page's overlay.
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
// The file's bytes as a Blob behind a link with a download name, clicked: the browser saves it
// in the player's downloads. 0 when the file cannot be read.
EM_JS(int, tarvelok_offer_download, (const char *path), {
    var name = UTF8ToString(path), bytes;
    try { bytes = FS.readFile(name); } catch (e) { console.warn('download ' + name + ': ' + e); return 0; }
    var url = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
    var a = document.createElement('a');
    a.href = url;
    a.download = name.substring(name.lastIndexOf('/') + 1);
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
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

bool offer_download(const std::string &path) { return tarvelok_offer_download(path.c_str()) != 0; }

void system_message_box(const std::string &caption_utf8, const std::string &text_utf8, int) {
    tarvelok_platform_message(caption_utf8.c_str(), text_utf8.c_str());
}

}  // namespace platform
