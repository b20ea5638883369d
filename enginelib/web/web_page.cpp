// web_page.cpp - what the engine asks of the page around the canvas (index.html, page.js): the
// title, the message overlay, and the signals that the game has loaded, has ended, or cannot draw.
//
// The overlay (web/pre.js, Module.tarvelokShowMessage) is a plain element of the page (#message)
// filled with text, never with markup, so a file name in a message cannot inject anything; it
// stays until the player closes it. Every message also goes to the console.
#include <emscripten.h>

#include "web_engine.h"

// clang-format off
EM_JS(void, tarvelok_set_title, (const char *utf8), {
    document.title = UTF8ToString(utf8);
});

EM_JS(void, tarvelok_show_message, (const char *caption, const char *text), {
    Module.tarvelokShowMessage(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, tarvelok_page_ready, (), {
    Module['tarvelokReady'] = true;
    if (window.TarvelokPage) window.TarvelokPage.ready();
    if (Module['onTarvelokReady']) Module['onTarvelokReady']();
});

EM_JS(void, tarvelok_page_ended, (), {
    if (window.TarvelokPage) window.TarvelokPage.ended();
});

EM_JS(void, tarvelok_page_no_webgl2, (), {
    if (window.TarvelokPage) window.TarvelokPage.failed('webgl2', '');
});
// clang-format on

namespace web_engine {

void web_set_title(const char *utf8) { tarvelok_set_title(utf8); }
void web_show_message(const char *caption_utf8, const char *text_utf8) { tarvelok_show_message(caption_utf8, text_utf8); }
void web_page_ready() { tarvelok_page_ready(); }
void web_page_ended() { tarvelok_page_ended(); }
void web_page_no_webgl2() { tarvelok_page_no_webgl2(); }

}  // namespace web_engine
