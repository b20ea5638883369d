// ui_internal.h - what the toolkit's own files share and nobody else needs: the keyboard focus
// step run at the start of each walk, whether the pointer is in charge of hovering, and the
// small drawing helpers every element uses.
#pragma once

#include <cstdint>
#include <string>

#include "ui/ui.h"

namespace ui_detail {

constexpr int32_t kScreenMiddleX = 400;  // sounds are panned by their X offset from here

// Once per walk, before any element's update: reads the focus keys, moves the keyboard focus,
// presses the focused element, and hands hovering back to the pointer when the mouse moves.
void keyboard_step();
// False while the keys are in charge: a still pointer then shows no hover. Back to true as soon
// as the mouse moves or its button 1 goes down, so every click is handled as without keys.
bool pointer_in_charge();

// Text_Draw with scale 1 and spacing 0 (how every element but the tooltip writes).
void draw_text(OE_Font *font, float x, float y, const std::string &text, int32_t alpha,
               uint32_t colour);
// SSprite_Draw of `texture` into the box; a missing picture (null) is never handed to the engine:
// the box is filled with a plain colour at `alpha` instead, so that a button, a frame or an arrow
// whose picture is missing is still seen (and a clickable thing can still be found).
void draw_picture(OE_Texture *texture, float x, float y, float w, float h, int32_t alpha, float angle,
                  int32_t flags);
// Text_GetWidth with scale 1 and spacing 0.
float text_width(OE_Font *font, const std::string &text);
// Snd_Play with the pan given and the other arguments 0.
void play(OE_Sound *sound, int32_t pan);
// Starts an element's action (none: nothing): at once, or into the collection when actions are
// deferred (set_actions_deferred).
void act(OE_Proc action);

}  // namespace ui_detail
