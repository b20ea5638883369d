// edit_box.cpp - Iedit: the one-line text entry (the new profile's name).
//
// In: typed text collected by the engine (code page 1251; the engine drops what 1251 cannot
// hold), Backspace, Enter (through the keyboard focus), the mouse. Out: the text in `text`, the
// frame, the text with a trailing "_" while focused, on_submit on Enter. No character is
// filtered here: the action that uses the text validates it. The width limit is in pixels.
#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {
constexpr int32_t kWidthReserve = 80;   // text (+ kCursorRoom) must stay narrower than width - this
constexpr float kCursorRoom = 20;       // pixels kept for the cursor
constexpr int32_t kKeyBackspace = 8;
constexpr float kTextTop = 13;          // text top below the box's top, pixels (not centred)
constexpr uint32_t kShadowColour = 0x333333;
const char *const kCursor = "_";
}  // namespace

void Iedit::update() {
    if (!visible) return;
    ielement::update();
    const UiSettings &s = toolkit.settings;
    if (focused) {
        // What was typed since the previous frame, one character at a time while the text is
        // narrow enough: several characters arriving in one frame cannot overrun the box.
        const char *typed = eng.Key_EndReadText();
        for (const char *c = typed; c && *c; ++c) {
            if (!(float(width - kWidthReserve) > ui_detail::text_width(s.gui_font, text) + kCursorRoom)) break;
            text += *c;
        }
        eng.Key_BeginReadText("");
        if (eng.Key_Press(kKeyBackspace) && !text.empty()) text.pop_back();
    }
    const float px = screen_x(), py = screen_y();
    eng.FX_SetBlendMode(1);
    ui_detail::draw_picture(s.button_texture, float(eng.M_Round(px)), float(eng.M_Round(py)), float(width),
                            float(height), 255, 0, 1);
    eng.FX_SetBlendMode(0);
    // The text's place is computed without the cursor, so the "_" hangs off its right end.
    const float w = ui_detail::text_width(s.gui_font, text);
    const float tx = float(eng.M_Round(px + float(width / 2) - w / 2));
    const float ty = float(eng.M_Round(py + kTextTop));
    ui_detail::draw_text(s.gui_font, tx + 1, ty + 1, text, 255, kShadowColour);
    ui_detail::draw_text(s.gui_font, tx, ty, text, 255, s.caption_colour);
    if (focused) {
        const std::string shown = text + kCursor;
        ui_detail::draw_text(s.gui_font, tx + 1, ty + 1, shown, 255, kShadowColour);
        ui_detail::draw_text(s.gui_font, tx, ty, shown, 255, s.caption_colour);
    }
    // A click gives focus; typing starts in the next frame.
    if (hit_test(px, py, width, height) && eng.Mouse_Click(1)) {
        focused = true;
        ui_detail::act(on_click);
    }
}

bool Iedit::accepts_key_focus() const { return visible; }

// The keyboard focus arriving starts typing afresh; leaving for another element ends it.
void Iedit::on_key_focus() {
    focused = true;
    eng.Key_BeginReadText("");
}

void Iedit::on_key_blur() { focused = false; }

void Iedit::key_activate() {
    ui_detail::act(on_submit);
}
