// shell.h - the program shell: the run-wide game state, the start-up, the two timer procedures with
// the game-state machine, the frame drawing, and the settings and profile files.
//
// Everything here runs on the engine's thread inside the procedures the engine calls; there is no
// loop of its own and no locking. Other subsystems read and write the records below by the names
// used throughout the game; level changes are asked for only through the pending flags plus a
// fade-out (fade_level = 255, fading_out = 1), never performed directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine_api.h"
#include "render/effects.h"
#include "world/world.h"

// The logical screen, fixed for the whole run; every screen position is computed from these.
constexpr int32_t screen_width = 800;
constexpr int32_t screen_height = 600;

constexpr int32_t kLastLevel = 10;      // level_index of the final scene (also the game-over marker)
constexpr int32_t kLevelTitleCount = 11;
// Deaths above this end the game; the status bar shows kDeathsToGameOver - deaths lives left.
constexpr int32_t kDeathsToGameOver = 3;

// Game state that lives for the whole run. Zero at start unless noted.
struct Run {
    // -- game flow (logic tick, menu actions, world) --
    uint8_t game_state = 0;          // 0 main menu, 1 playing, 2 frozen behind a window or a fade
    int32_t fade_level = 0;          // screen brightness 0 (black) .. 255 (fully visible)
    int32_t fading_out = 0;          // 1 while fading to black
    uint8_t start_pending = 0;       // start level_index from the menu once black
    uint8_t death_pending = 0;       // the hero died; respawn (or game over) once black
    uint8_t level_done_pending = 0;  // the level's end was reached; results once black
    uint8_t reload_pending = 0;      // load the level at level_index once black
    uint8_t jump_pressed = 0;        // jump input of this logic tick
    float sway_phase = 0;            // radians, +0.1 per slow tick, never wrapped
    float sway_offset = 0;           // cos(sway_phase) * 6, pixels
    int32_t camera_lead = 0;         // screen x at which the camera places the hero
    // -- the profile (cfg/prf/<profile_name>) --
    int32_t level_index = 0;         // level to play, 0..9; 10 final scene / game over
    int32_t total_nuts = 0;          // golden nuts banked
    int32_t total_points = 0;        // points banked from finished levels
    int32_t deaths = 0;              // lives lost in this game; 3 - deaths are shown
    // -- the settings (cfg/config.txt) --
    int32_t windowed = 1;            // 1 window, 0 full screen
    int32_t colour16 = 0;            // 1 16 bits per pixel, 0 32
    int32_t mouse_off = 0;           // 1 keyboard only
    int32_t music_off = 0;           // 1 no music
    std::string profile_name;        // current profile, 1251; also its file name
    // -- the notice over the screen (tell_player_once) --
    std::string notice_line1, notice_line2;  // 1251
    int32_t notice_ticks = 0;                // logic ticks it is still shown
    std::vector<std::string> notices_told;   // keys of the notices given in this run
};
extern Run run;

// What the start-up and the load procedure make; engine-owned, kept until the process ends.
struct RunHandles {
    OE_Timer *logic_timer = nullptr;   // 20 ms
    OE_Timer *slow_timer = nullptr;    // 50 ms
    OE_Camera *camera = nullptr;       // x, y written by the camera follow; camera_on by drawing
    OE_Font *font_cyr = nullptr;
    OE_Font *font_cyrl = nullptr;
    OE_Device *direct3d_device = nullptr;  // counted reference, for the terrain fill
    OE_Texture *splash = nullptr;      // the splash picture, loaded by path once
};
extern RunHandles handles;

// The level being played (its tallies: world.tallies); the shell loads it, steps it once per
// logic tick while playing and acts on what each step reports.
extern World world;

// The catalogues, filled by the load procedure and kept for the whole run.
extern TBase share_textures;
extern TS_List sounds;
// The main menu's particle set (updated and drawn on the menu; nothing adds to it).
extern Tpart_sys menu_effects;

// Title of a level for the loading screen and the "continue" hint; "" outside 0..10.
const char *level_title(int32_t index);

// ---- start-up ----
// Runs the game on the engine already loaded into `eng`: settings, profile, seed, timers,
// procedures, screen options, then OE_Init until the engine quits. `seed` seeds the game's random
// generator (the game passes the clock, the simulator its --seed). Returns the process exit status.
int run_game(uint32_t seed);

// The game's pseudo-random generator (deterministic for a seed).
void random_seed(uint32_t seed);
int32_t random_below(int32_t n);  // 0 .. n-1; 0 when n <= 0

// ---- engine procedures and timers (registered by run_game) ----
void logic_tick();
void slow_tick();
void frame_procedure();
void load_procedure();
void splash_procedure();

// Starts the level in `path` once the screen is black: menu windows hidden, the world cleared and
// loaded, game state 1 (the fade-in follows). A level that fails to load is reported and the game
// goes back to the main menu.
void start_level(const std::string &path);
// Loads `path` into `world` as every level start does: camera at 0, 0, the world cleared and given
// a seed of its own, the final scene marked, the timers' last runs set to now. False when the load
// failed (reported; the world is empty).
bool load_world(const std::string &path);
// The developer's F1: the current level file read again in place (pictures and start point kept).
bool reload_world();

// Tells the player something no window says (a save that failed, names a list cannot show): one
// or two lines of 1251 text on a plate near the bottom of the screen, over whatever is shown, in
// every game state, for kNoticeTicks logic ticks (fading out at the end). Once per `key` per run:
// false, and nothing shown, when that key was told already. A newer notice replaces the one shown.
constexpr int32_t kNoticeTicks = 250;  // 5 s of 20 ms ticks
bool tell_player_once(const std::string &key, const std::string &line1, const std::string &line2 = "");

// The world's input of this tick, read from the engine once per logic tick while playing (after
// the camera follow): the walk keys, the jump, F2, the pointer when mouse control is on, the
// camera and the clock.
TickInput read_tick_input();
// Acts on what a world step reported: its sounds, a death (a life lost, a fade-out to the
// respawn), extra lives, the level's end (a fade-out to the results).
void apply_world_events(const WorldEvents &events);

// Camera follow, once per logic tick while playing (before the world step).
void camera_follow();

// Drawing pieces of the frame procedure.
void draw_loading_screen();
void draw_fade_overlay();
void draw_cursor();
void draw_status_bar();
void draw_menu_backdrop();
void draw_notice();  // the notice of tell_player_once, if one is shown; drawn last

// ---- settings and profile files ----
// Default profile name, 1251 ("Игрок").
const std::string &default_profile_name();
// Longest profile name, in 1251 bytes (its UTF-8 file name is then at most 192 bytes, well within
// the file system's 255).
constexpr std::size_t kProfileNameMaxBytes = 64;
// True when `name` can be a profile file name: 1..kProfileNameMaxBytes bytes, none of the
// characters NameHasBadChars refuses, no control characters, no byte that the UTF-8 file name
// would lose (0x98), no leading '.' (a hidden file that the profile list would not show; also
// rules out "." and ".."). Every place that accepts a name (settings, the new-profile box) asks this.
bool profile_name_usable(const std::string &name);
// Creates cfg/ and cfg/prf/ when missing.
void ensure_config_dirs();
// Reads cfg/config.txt into the settings. A missing file gives the defaults and is created; a bad
// line gives that value's default with one warning; an unusable profile name gives the default.
void read_settings();
// Writes cfg/config.txt from the settings (atomic replace). False when it could not be written, or
// when it exists but the last read of it failed (it is then kept as it is).
bool write_settings();
// Reads cfg/prf/<profile_name>. A missing profile is created with four zeros; a bad line gives 0
// with one warning; level_index is kept within 0..10. An unusable name switches to the default.
void read_profile();
// Writes the profile file (atomic replace). False when it could not be written, or when it exists
// but the last read of it failed (it is then kept as it is).
bool write_profile();
// Path of the current profile's file, 1251 with '/' separators.
std::string profile_path();
