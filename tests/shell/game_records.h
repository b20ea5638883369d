// game_records.h - the game's world-side records under the names the tests use: `world` and
// `object_textures` are the shell's level record (the level being played and its pictures).
// reset_records() (shell.h) empties them with every other record.
#pragma once

#include "shell/shell.h"
#include "state/state.h"

inline World &world = level_record.world;
inline TBase &object_textures = level_record.pictures;
