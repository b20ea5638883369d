// shell.h - the program shell: the start-up, the two timer procedures, the frame drawing and the
// menu's particle set. The game-state machine (the one owner of session.game_state) is in
// transitions.h.
//
// Everything here runs on the engine's thread inside the procedures the engine calls; there is no
// loop of its own and no locking. The records by lifetime (settings, profile, session, handles)
// are in state/state.h; level changes are asked for only through request() plus a fade-out
// (fade_level = 255, fading_out = 1) and performed by the transitions in the logic tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine/engine.h"
#include "engine_api.h"
#include "render/effects.h"
#include "replay/replay.h"
#include "state/state.h"
#include "world/world.h"

constexpr int32_t kLevelTitleCount = 11;
constexpr int32_t kLogicTickMs = 20;  // the logic tick's period: one world step

// ---- the records ----
// The game's state lives in records by lifetime, each with its reset rule beside it: the settings,
// profile, session, handles and scene list (state/state.h), the catalogues (`assets`,
// assets/assets.h), the toolkit (`toolkit`, ui/ui.h), the menus (`menus`, menus/menus.h), the
// level record (`level_record`, below), the recorder (replay/replay.h) and the music player
// (music/music.h).
// Every record but the music player's back to what a fresh program starts with: settings,
// profile, session and handles reset, the scene list emptied, the catalogues forgotten, the
// toolkit emptied (its elements freed), the menus forgotten, the recorder's files closed, the
// level record emptied (its pictures forgotten, not freed). For tests and tools that run
// the game's pieces more than once in one process; the engine table is theirs to set.
void reset_records();

// ---- the level record (per level) ----
// The level being played and its pictures. Reset: by every full load (load_world: the world
// cleared and read, the pictures freed and loaded anew); the developer's F1 reload reads the world
// again and keeps the pictures; a failed load leaves the world empty. reset_level_record() gives
// an empty world and an empty catalogue without freeing anything (the engine owns the textures).
struct LevelRecord {
    World world;     // stepped by the logic tick while playing, drawn by the frame
    TBase pictures;  // the level's pictures, from gfx\obj\ by kind-name prefix
    // For the results card, counted from the load on (the F1 reload counts the bonuses again):
    int32_t deaths = 0;         // lives lost in the level
    int32_t bonuses = 0;        // point bonuses it held at its load (count_bonuses)
    uint8_t ended_by_key = 0;   // the developer's F2 ended it (no best time)
};
extern LevelRecord level_record;
void reset_level_record();

// Title of a level for the loading screen and the "continue" hint; "" outside 0..10.
const char *level_title(int32_t index);
// The name of a level (0..9) or of the final scene (10), 1251, the key of its translation; ""
// outside. Kept beside the titles (shell.cpp), one table each, both indexed by level.
const char *level_name(int32_t index);

// ---- the level cards (cards.cpp) ----
// "Уровень 3 - <name>" for levels 0..9 (numbered from 1), the name alone for the final scene, in
// the language shown.
std::string level_heading(int32_t index);
// A time in milliseconds as minutes, seconds and hundredths: 83460 -> "1:23.46" (below 0: 0).
std::string time_text(int32_t ms);
// The point bonuses (apples, berries, gold, silver) in the world's object layer.
int32_t count_bonuses(const World &w);
// After a level's load (transitions): its title card - number, name, golden nuts so far - shows
// over its first seconds while it is played; none on the final scene.
void start_title_card();
// Once per logic tick while playing, with the tick's input: the card's time runs down; a walk or
// jump key pressed (down now, up in the last tick) leaves it only its fade-out.
void title_card_tick(const TickInput &in);
// The card's opacity now, 0 (not shown) .. 255; the frame reads it.
int32_t title_card_alpha();
// When the results window opens (transitions): the finished level's figures into the session -
// points, nut, time (world steps x kLogicTickMs), lives lost, bonuses held and taken - and its
// best time: a finish faster than the profile's best (or the first one) is saved at once and
// marked new; a level ended with F2 sets none. Then the texts of the results window's card.
void fill_results_card();

// ---- start-up ----
// Runs the game on the engine already loaded into `eng`: settings, profile, seed, timers,
// procedures, screen options, then OE_Init until the engine quits. `seed` seeds the game's random
// generator (the game passes the clock, the simulator its --seed). Returns the process exit status.
int run_game(uint32_t seed);

// ---- engine procedures and timers (registered by run_game) ----
void logic_tick();
void slow_tick();
void frame_procedure();
void load_procedure();
void splash_procedure();

// Starts the level in `path` once the screen is black: menu windows hidden, the world cleared and
// loaded, game state 1 (the fade-in follows); a pending Request::start_level is done. A level that
// fails to load is reported and the game goes back to the main menu. (transitions.cpp)
void start_level(const std::string &path);
// Loads `path` into `world` as every level start does: camera at 0, 0, the world cleared and given
// a seed of its own, the final scene marked, the timers' last runs set to now. False when the load
// failed (reported; the world is empty).
bool load_world(const std::string &path);
// The developer's F1: the current level file read again in place (pictures and start point kept).
bool reload_world();

// The jump input of this tick: Space, or the left button while mouse control is on. Read once per
// logic tick in every state (before the state's part of the tick).
uint8_t read_jump();
// The world's input of this tick, read from the engine once per logic tick while playing (after
// the camera follow): the walk keys, `jump` (read_jump), F2, the pointer when mouse control is
// on, the camera and the clock.
TickInput read_tick_input(uint8_t jump);
// Acts on what a world step reported: its sounds, a death (a life lost, the game frozen and a
// fade-out to the respawn), extra lives, the level's end (frozen, a fade-out to the results).
void apply_world_events(const WorldEvents &events);

// The trace line's view of the game after a logic tick (`tick` counted by the caller): the shell's
// records, the level being played, the camera, the music title and the visible windows.
replay::TraceView trace_view(long tick, double time_ms);

// Camera follow, once per logic tick while playing (before the world step).
void camera_follow();

// Drawing pieces of the frame procedure.
void draw_loading_screen();
void draw_fade_overlay();
void draw_cursor();
void draw_status_bar();
void draw_menu_backdrop();
void draw_title_card();  // over a level's first seconds (cards.cpp says when), while playing
void draw_notice();  // the notice of tell_player_once, if one is shown; drawn last
