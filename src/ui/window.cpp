// window.cpp - Iwindow: the container element. Every other element belongs to the window added
// just before it and is active only while that window is visible.
//
// In: the mouse (title-strip double-click and drag). Out: the optional background picture, title
// bar and caption. In this game every window is full-screen, captionless and fixed, so a window
// draws only an empty caption and never moves.
#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {
constexpr int32_t kTitleStripHeight = 20;  // pixels at the top that grab and double-click
constexpr int32_t kTitleBarHeight = 40;    // pixels of the drawn title bar
constexpr int32_t kTitleBarAlpha = 128;
constexpr int32_t kCaptionTop = 4;         // caption's top below the window's top, pixels
}  // namespace

Iwindow::Iwindow(const std::string &name_, int32_t x_, int32_t y_, int32_t w, int32_t h,
                 const std::string &text_, bool visible_)
    : ielement(name_, x_, y_, w, h, text_, visible_) {
    has_parent = false;
}

void Iwindow::update() {
    if (!visible) return;
    ielement::update();
    // Double-click on the title strip.
    if (eng.Mouse_DblClick(1) && hit_test(x, y, width, kTitleStripHeight)) ui_detail::act(on_click);
    // Grab: a click on the title strip.
    if (hit_test(x, y, width, kTitleStripHeight) && eng.Mouse_Click(1)) {
        focused = true;
        dragging = true;
        grab_x = eng.M_Round(float(eng.Mouse_X()) - x);
        grab_y = eng.M_Round(float(eng.Mouse_Y()) - y);
    }
    // Drag: a fixed window keeps `dragging` but never moves; the next press ends the drag.
    if (dragging && !fixed) {
        if (eng.Mouse_Press(1)) dragging = false;
        if (dragging && eng.Mouse_Down(1)) {
            x = float(eng.Mouse_X() - grab_x);
            y = float(eng.Mouse_Y() - grab_y);
        }
    }
    const UiSettings &s = toolkit.settings;
    if (s.window_texture)
        eng.SSprite_Draw(s.window_texture, float(eng.M_Round(x)), float(eng.M_Round(y)), float(width),
                         float(height), 255, 0, 1);
    if (!text.empty())
        eng.Pr2D_Rect(float(eng.M_Round(x)), float(eng.M_Round(y)), float(width), kTitleBarHeight,
                      s.title_colour, kTitleBarAlpha, 1);
    // The caption is drawn even when empty.
    const float w = ui_detail::text_width(s.gui_font, text);
    ui_detail::draw_text(s.gui_font, float(eng.M_Round(x + float(width / 2) - w / 2)),
                         float(eng.M_Round(y + kCaptionTop)), text, 255, s.caption_colour);
}
