// effects.h - drawing a particle set (world/particles.h): every live effect with its kind's
// picture and blend mode.
//
// In: the set, the engine table and share_textures. Out: sprite calls only; the set is not changed.
#pragma once

#include "world/particles.h"

// Draws every live effect in order with its kind's picture and blend mode; kinds without a
// picture (including "delete") draw nothing. Leaves the blend mode at 0.
void draw_effects(const Tpart_sys &set);
