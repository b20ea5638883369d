// draw_world.h - drawing of the current level: backdrop, layers, terrain fill, hero shadow.
//
// NOT BUILT YET: placeholder with the final name.
#pragma once

// Draws the level through the camera (camera_on stays 1 afterwards).
void draw_world();
