// list.cpp - Ilist: a circular selector drawn as rows 40 pixels apart (the profile chooser), or,
// without arrows and highlight, a plain multi-line text (the progress table).
//
// In: the mouse on the two arrows; Left/Right while the list holds the keyboard focus. Out: the
// frame, the arrows (glowing under the keyboard focus), the highlight bar on the row showing
// entry 0 (the selection), the focus frame, the rows; rotations of `entries` with the click sound. Entries are filled by others.
// Rows are not clipped to the box's width.
#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {
constexpr float kFrameMargin = 32;      // frame picture extends this far beyond the box, pixels
constexpr int32_t kArrowSize = 64;      // each arrow is a square at the box's right edge
constexpr int32_t kFlagsFlipped = 5;    // ordinary sprite flipped top to bottom: the down arrow
constexpr int32_t kRowPitch = 40;       // pixels between rows; also the highlight bar's height
constexpr int32_t kBarShorter = 48;     // the highlight bar is this much narrower than the box
constexpr float kRowTextLeft = 20;      // row text left of the box's left edge, pixels
constexpr float kRowTextTop = 4;        // first row's text top below the box's top
constexpr int32_t kRowsReserve = 80;    // rows below row 0 while 40 * i < height - this
constexpr int32_t kFocusFrameAlpha = 128;
constexpr int32_t kKeyFocusArrowAlpha = 128;  // additive redraw of the arrows under the keyboard focus
constexpr uint32_t kShadowColour = 0x333333;
}  // namespace

void Ilist::update() {
    if (!visible) return;
    ielement::update();
    const UiSettings &s = toolkit.settings;
    const float px = screen_x(), py = screen_y();
    // Frame, 32 pixels larger on every side.
    ui_detail::draw_picture(s.button_texture, float(eng.M_Round(px)) - kFrameMargin,
                            float(eng.M_Round(py)) - kFrameMargin, float(width) + 2 * kFrameMargin,
                            float(height) + 2 * kFrameMargin, 255, 0, 1);
    eng.FX_SetBlendMode(0);
    // Arrows: up rotates +1 (the entry above becomes the selection), down rotates -1.
    if (!no_arrows) {
        const float ax = px + float(width - kArrowSize);
        const float top = float(eng.M_Round(py));
        ui_detail::draw_picture(s.list_arrow_texture, float(eng.M_Round(ax)), top, kArrowSize, kArrowSize,
                                255, 0, 1);
        ui_detail::draw_picture(s.list_arrow_texture, float(eng.M_Round(ax)), top + kArrowSize, kArrowSize,
                                kArrowSize, 255, 0, kFlagsFlipped);
        // Under the keyboard focus the arrows glow, as the keys now turn them (Left, Right).
        if (key_focus) {
            eng.FX_SetBlendMode(1);
            ui_detail::draw_picture(s.list_arrow_texture, float(eng.M_Round(ax)), top, kArrowSize, kArrowSize,
                                    kKeyFocusArrowAlpha, 0, 1);
            ui_detail::draw_picture(s.list_arrow_texture, float(eng.M_Round(ax)), top + kArrowSize, kArrowSize,
                                    kArrowSize, kKeyFocusArrowAlpha, 0, kFlagsFlipped);
            eng.FX_SetBlendMode(0);
        }
        if (hit_test(ax, py, kArrowSize, kArrowSize) && eng.Mouse_Click(1)) {
            ui_detail::play(s.click_sound, eng.Mouse_X() - ui_detail::kScreenMiddleX);
            FList_Rotate(entries, +1);
        }
        if (hit_test(ax, py + kArrowSize, kArrowSize, kArrowSize) && eng.Mouse_Click(1)) {
            ui_detail::play(s.click_sound, eng.Mouse_X() - ui_detail::kScreenMiddleX);
            FList_Rotate(entries, -1);
        }
    }
    // Highlight bar on the row that shows entry 0: row 0 when it is the only entry, else row 1.
    if (!no_highlight) {
        const int32_t r = entries.count == 1 ? 0 : kRowPitch;
        eng.FX_SetBlendMode(1);
        ui_detail::draw_picture(s.button_texture, float(eng.M_Round(px)), float(eng.M_Round(py + float(r))),
                                float(width - kBarShorter), kRowPitch, 255, 0, 1);
        eng.FX_SetBlendMode(0);
    }
    if (focused)
        eng.Pr2D_Rect(float(eng.M_Round(px - 1)), float(eng.M_Round(py - 1)), float(width + 2),
                      float(height + 2), 0x000000, kFocusFrameAlpha, 0);
    // Rows: row 0 shows the last entry, row i + 1 entry i while it fits.
    const float tx = float(eng.M_Round(px + kRowTextLeft));
    auto draw_row = [&](int32_t row, const std::string &str) {
        const float ty = float(eng.M_Round(py + kRowTextTop + float(kRowPitch * row)));
        ui_detail::draw_text(s.gui_font, tx + 1, ty + 1, str, 255, kShadowColour);
        ui_detail::draw_text(s.gui_font, tx, ty, str, 255, s.caption_colour);
    };
    draw_row(0, entries.count > 0 ? entries.names[static_cast<std::size_t>(entries.count - 1)] : std::string());
    for (int32_t i = 0; i <= entries.count - 2; ++i)
        if (kRowPitch * i < height - kRowsReserve) draw_row(i + 1, entries.names[static_cast<std::size_t>(i)]);
}

bool Ilist::accepts_key_focus() const { return visible && !no_arrows; }

// The keyboard focus shows as the focus frame.
void Ilist::on_key_focus() { focused = true; }
void Ilist::on_key_blur() { focused = false; }

// Left acts as the up arrow, Right as the down arrow, with the click sound panned by the arrows.
bool Ilist::key_step(int32_t direction) {
    const int32_t pan = int32_t(screen_x() + float(width - kArrowSize / 2)) - ui_detail::kScreenMiddleX;
    ui_detail::play(toolkit.settings.click_sound, pan);
    FList_Rotate(entries, direction < 0 ? +1 : -1);
    return true;
}
