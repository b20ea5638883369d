// button.cpp - Ibutton: the menu button with its glow, sounds and tooltip.
//
// In: the mouse, and the keyboard focus (key_focus.cpp) which counts as the pointer being over
// the button. Out: the face (4 pixels smaller while hovered), the additive glow over face and
// caption, the select sound on entering, the click sound and the action on a click or a key press,
// and the tooltip drawn above every element, wholly on the screen, its box holding its two lines. The glow rises 8 per frame while hovered and falls
// 8 per frame otherwise: 32 frames from 0 to 255 and back.
#include <algorithm>

#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {
constexpr int32_t kGlowStep = 8;            // glow change per frame
constexpr int32_t kGlowMax = 255;
constexpr float kPressedInset = 4;          // face shrink on every side while hovered, pixels
constexpr int32_t kTextRaise = 16;          // caption top above the box's vertical middle
constexpr uint32_t kCaptionShadow = 0x222200;
constexpr uint32_t kCaptionOnlyColour = 0xFFFFFF;
// Tooltip (hint): two lines in a box below its anchor (the pointer, or the focused button's
// centre), or above it where the screen ends; box, halo and lines grow with the glow g (scale
// g / 255) about the box's centre.
constexpr float kTipBoxTop = 80;            // full-size box top below the anchor (clears the cursor)
constexpr float kTipAboveGap = 16;          // full-size box bottom above the anchor, when flipped
constexpr float kTipLineHeight = 32;        // the font's line, pixels at scale 1
constexpr float kTipPadX = 12, kTipPadY = 4;  // box margin around the lines at scale 1
constexpr float kTipHaloMargin = 32;        // the halo reaches this far past the box
constexpr uint32_t kTipBoxColour = 0xAA5555;
constexpr float kScreenW = 800, kScreenH = 600;
}  // namespace

// The pointer counts only while the keys are not in charge (without keys: hit_test exactly).
static bool pointer_over(const ielement &e) {
    return ui_detail::pointer_in_charge() && hit_test(e.screen_x(), e.screen_y(), e.width, e.height);
}

// Pan for sounds started by keys: the button's centre offset from the screen's middle.
static int32_t centre_pan(const ielement &e) {
    return int32_t(e.screen_x() + float(e.width / 2)) - ui_detail::kScreenMiddleX;
}

void Ibutton::update() {
    if (!visible) return;
    ielement::update();
    const UiSettings &s = toolkit.settings;
    const float px = screen_x(), py = screen_y();
    // Face, pressed in while hovered (as of the previous frame), then its glow.
    if (!caption_only) {
        if (hovered)
            ui_detail::draw_picture(s.button_texture, px + kPressedInset, py + kPressedInset,
                                    float(width) - 2 * kPressedInset, float(height) - 2 * kPressedInset,
                                    255, 0, 1);
        else
            ui_detail::draw_picture(s.button_texture, px, py, float(width), float(height), 255, 0, 1);
        eng.FX_SetBlendMode(1);
        ui_detail::draw_picture(s.button_texture, px, py, float(width), float(height), glow / 2, 0, 1);
        eng.FX_SetBlendMode(0);
    }
    // Caption: shadow, text, additive glow (the glow font placed by the plain font's width).
    const float w = ui_detail::text_width(s.gui_font, text);
    const float left = px + float(width / 2) - w / 2;
    const float top = py + float(height / 2 - kTextRaise);
    ui_detail::draw_text(s.gui_font, left + 1, top + 1, text, 255, kCaptionShadow);
    ui_detail::draw_text(s.gui_font, left, top, text, 255,
                         caption_only ? kCaptionOnlyColour : s.button_caption_colour);
    eng.FX_SetBlendMode(1);
    ui_detail::draw_text(s.gui_glow_font, left, top, text, glow / 2, s.button_caption_colour);
    eng.FX_SetBlendMode(0);
    // Hover by the pointer or the keyboard focus.
    const bool pointer = pointer_over(*this);
    const bool over = pointer || key_focus;
    if (!hovered && over)
        ui_detail::play(s.select_sound, pointer ? eng.Mouse_X() - ui_detail::kScreenMiddleX : centre_pan(*this));
    if (over) {
        hovered = true;
        glow = std::min(glow + kGlowStep, kGlowMax);
        if (pointer && eng.Mouse_Click(1)) {
            focused = true;
            ui_detail::play(s.click_sound, eng.Mouse_X() - ui_detail::kScreenMiddleX);
            ui_detail::act(on_click);
        }
    } else {
        hovered = false;
        glow = std::max(glow - kGlowStep, 0);
    }
}

void Ibutton::overlay() {
    if (!visible || !has_tooltip) return;
    float mx, my;
    if (pointer_over(*this)) {
        mx = float(eng.Mouse_X());
        my = float(eng.Mouse_Y());
    } else if (key_focus) {
        mx = screen_x() + float(width / 2);
        my = screen_y() + float(height / 2);
    } else {
        return;
    }
    const UiSettings &s = toolkit.settings;
    const float g = float(glow), scale = g / 255.0f;
    // The full-size box: as wide as the longer line, two lines high; below the anchor, or above it
    // when it would leave the screen; then moved sideways and up or down until it and its halo lie
    // wholly on the screen.
    const float w1 = eng.Text_GetWidth(s.gui_font, tooltip1.c_str(), 1.0f, 0);
    const float w2 = eng.Text_GetWidth(s.gui_font, tooltip2.c_str(), 1.0f, 0);
    const float box_w = std::max(w1, w2) + 2 * kTipPadX, box_h = 2 * kTipLineHeight + 2 * kTipPadY;
    const float m = kTipHaloMargin;
    float top = my + kTipBoxTop;
    if (top + box_h + m > kScreenH) top = my - kTipAboveGap - box_h;
    top = std::clamp(top, m, std::max(m, kScreenH - m - box_h));
    const float left = std::clamp(mx - box_w / 2, m, std::max(m, kScreenW - m - box_w));
    const float cx = left + box_w / 2, cy = top + box_h / 2;
    // Grown to `scale` about the box's centre: halo (additive), then the box, opaque once grown, so
    // nothing under it shows through; the lines drawn plainly over it.
    const float bw = box_w * scale, bh = box_h * scale;
    eng.FX_SetColorMix(0xFFFFFF);
    eng.FX_SetBlendMode(1);
    ui_detail::draw_picture(s.button_texture, cx - bw / 2 - m * scale, cy - bh / 2 - m * scale, bw + 2 * m * scale,
                            bh + 2 * m * scale, glow, 0, 1);
    eng.FX_SetBlendMode(0);
    eng.Pr2D_Rect(cx - bw / 2, cy - bh / 2, bw, bh, kTipBoxColour, glow, 1);
    const float line1 = cy - kTipLineHeight * scale, line2 = cy;
    eng.Text_Draw(s.gui_font, cx - w1 * scale / 2, line1, tooltip1.c_str(), scale, 0, glow, s.button_caption_colour);
    eng.Text_Draw(s.gui_font, cx - w2 * scale / 2, line2, tooltip2.c_str(), scale, 0, glow, s.button_caption_colour);
}

bool Ibutton::accepts_key_focus() const { return visible; }

// A key press acts as a click: focus, the click sound (panned by the button's centre), the action.
void Ibutton::key_activate() {
    focused = true;
    ui_detail::play(toolkit.settings.click_sound, centre_pan(*this));
    ui_detail::act(on_click);
}
