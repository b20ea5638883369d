// draw_world.cpp - world drawing (placeholder).
//
// NOT BUILT YET: the world drawing is another issue; nothing is drawn.
#include "render/draw_world.h"

void draw_world() {}
