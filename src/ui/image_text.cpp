// image_text.cpp - Iimage (a picture, optionally a picture button) and Itext (a shadowed label).
//
// In: the mouse (clickable images only). Out: the picture with its caption below, or the label
// centred in its box; for a clickable image the select sound on entering, a second draw under the
// pointer, the click sound and the action on a click. Neither takes the keyboard focus.
#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {
constexpr int32_t kFlagsPlain = 1;       // ordinary sprite
constexpr int32_t kFlagsTinted = 9;      // ordinary plus colour mix
constexpr int32_t kCaptionGap = 8;       // caption top below the picture, pixels
constexpr float kHoverLineWidth = 2;     // engine line width set while a picture button is hovered
constexpr int32_t kTextRaise = 16;       // label top above the box's vertical middle, pixels
constexpr uint32_t kShadowColour = 0x333333;
}  // namespace

void Iimage::update() {
    if (!visible) return;
    ielement::update();
    const UiSettings &s = toolkit.settings;
    const float px = screen_x(), py = screen_y();
    const float left = float(eng.M_Round(px)), top = float(eng.M_Round(py));
    if (tinted) eng.FX_SetColorMix(tint_colour);
    ui_detail::draw_picture(texture, left, top, float(width), float(height), 255, float(angle),
                            tinted ? kFlagsTinted : kFlagsPlain);
    // Caption below the picture, drawn also when empty.
    const float w = ui_detail::text_width(s.gui_font, text);
    ui_detail::draw_text(s.gui_font, float(eng.M_Round(px + float(width / 2) - w / 2)),
                         float(eng.M_Round(py + float(height + kCaptionGap))), text, 255,
                         s.caption_colour);
    const bool over = hit_test(px, py, width, height);
    if (!hovered && clickable && over) ui_detail::play(s.select_sound, 0);
    if (over && clickable) {
        hovered = true;
        eng.Pr2D_LineWidth(kHoverLineWidth);
        ui_detail::draw_picture(texture, left, top, float(width), float(height), 255, float(angle),
                                kFlagsPlain);
        if (eng.Mouse_Click(1)) {
            focused = true;
            ui_detail::play(s.click_sound, 0);
            ui_detail::act(on_click);
        }
    } else {
        hovered = false;
    }
}

void Itext::update() {
    if (!visible) return;
    ielement::update();
    const UiSettings &s = toolkit.settings;
    const float w = ui_detail::text_width(s.gui_font, text);
    const float left = screen_x() + float(width / 2) - w / 2;
    const float top = screen_y() + float(height / 2 - kTextRaise);
    ui_detail::draw_text(s.gui_font, left + 1, top + 1, text, 255, kShadowColour);
    ui_detail::draw_text(s.gui_font, left, top, text, 255, s.caption_colour);
}
