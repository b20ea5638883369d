// music.cpp - the music player's entries (placeholder until the replay lands: plays nothing).
#include "music/music.h"

static char g_title[21] = "";

void music_play(const char *module, int32_t parameter, int32_t flags) { (void)module; (void)parameter; (void)flags; }
void music_stop() {}
uint32_t music_output_level() { return 0; }
const char *music_title() { return g_title; }
