// state.h - the game's state by lifetime: the settings (cfg/config.txt), the profile
// (cfg/prf/<name>), the session (the game-state machine, its pending request, the fade, the sway,
// the notice, the game's random generator), the scene list (cfg/scenes.txt) and the handles of
// what the engine made; with the settings and profile files.
//
// Each record says beside it when it is reset. The level being played is not here: it is the
// world value (world/world.h) in the shell's level record, whose tallies the world step keeps. Nothing here draws or reads
// devices; the shell, the menus and the drawing read and write these records on the engine's
// thread (no locking).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_api.h"

constexpr int32_t kLastLevel = 10;      // level_index of the final scene (also the game-over marker)
// Deaths above this end the game; the status bar shows kDeathsToGameOver - deaths lives left.
constexpr int32_t kDeathsToGameOver = 3;
// Bounds of the profile's numbers, in play and as read from its file, so that no sum of saved
// values overflows and the status bar shows a sane count. Points and golden nuts are banked by
// adding and stop at kMostBanked; deaths go down by one for each extra life, to kFewestDeaths
// (9999 lives shown), and up to kMostDeaths, where the game is over.
constexpr int32_t kMostBanked = 2147483647;
constexpr int32_t kFewestDeaths = kDeathsToGameOver - 9999;
constexpr int32_t kMostDeaths = kDeathsToGameOver + 1;
// `total` + `amount` held within 0..kMostBanked (a banked total, or one shown beside a level's).
int32_t banked_sum(int32_t total, int32_t amount);
// `deaths` + `change` held within kFewestDeaths..kMostDeaths.
int32_t deaths_after(int32_t deaths, int32_t change);

// ---- settings: cfg/config.txt -----------------------------------------------------------------------
// Reset: read from the file at program start (read_settings); changed by the settings window and the
// profile chooser; written by every return to the main menu. reset_settings() gives the defaults of a
// fresh installation without touching the file.
struct Settings {
    int32_t windowed = 1;            // 1 window, 0 full screen
    int32_t colour16 = 0;            // 1 16 bits per pixel, 0 32
    int32_t mouse_off = 0;           // 1 keyboard only
    int32_t music_off = 0;           // 1 no music
    std::string profile_name;        // current profile, 1251; also its file name
    // Not in the file: cfg/config.txt exists but its last read failed, so it is not replaced
    // until a later read succeeds (what the player saved there may still be fine).
    bool file_unreadable = false;
    bool operator==(const Settings &) const = default;
};
extern Settings settings;
void reset_settings();

// ---- profile: cfg/prf/<settings.profile_name> -----------------------------------------------------
// Reset: read from its file at program start and at every return to the main menu (an abandoned
// level leaves no trace); zeroed by a new game and a new profile; written when a level is banked,
// at game over and by those two. reset_profile() zeroes it without touching the file.
struct Profile {
    int32_t level_index = 0;         // level to play, 0..9; 10 final scene / game over
    int32_t total_nuts = 0;          // golden nuts banked
    int32_t total_points = 0;        // points banked from finished levels
    int32_t deaths = 0;              // lives lost in this game; kDeathsToGameOver - deaths are shown
    // The best time of each level 0..9 in milliseconds (world steps x 20 ms), 0 = never finished
    // (or only with the developer's F2). Kept across new games; lines 5 to 14 of the file.
    std::array<int32_t, kLastLevel> best_ms{};
    // Not in the file: the path of the profile file whose last read failed, which is not replaced
    // until a later read of it succeeds; "" when the last read was fine or found no file.
    std::string unreadable_path;
    bool operator==(const Profile &) const = default;
};
extern Profile profile;
void reset_profile();

// ---- session: the game-state machine ------------------------------------------------------------------
enum class GameState : uint8_t {
    menu = 0,     // the main menu and its windows
    playing = 1,  // a level is being played
    frozen = 2,   // the level is frozen behind a window (pause, results) or a fade
};

// A change of game state asked for by the menus, the world's events or the shell itself. Only the
// shell's transitions (shell/transitions.h) perform requests and write game_state; everyone else
// asks, with request(). One request is pending at a time: a newer one replaces it.
enum class Request : uint8_t {
    none = 0,
    start_level,  // start profile.level_index from the menu once the fade-out reaches black
    load_level,   // load the level at profile.level_index (next level, play again) once black
    respawn,      // the hero died: respawn, or the game is over, once black
    results,      // the level's end was reached: the results window once black
    resume,       // the pause window closed: play on, at the start of the next logic tick
    main_menu,    // back to the main menu, at the start of the next logic tick
};

// Tips the loading screen shows (one chosen per requested load).
constexpr int32_t kLoadingHintCount = 5;

// Reset: at program start only (reset_session); lives until the process ends. The shell's
// transitions are its state machine's one owner: they perform every level change in the logic
// tick in which a requested fade-out has reached black; the menu actions (run by the tick) and
// the world's events only ask (request()).
struct Session {
    GameState game_state = GameState::menu;  // written by the shell's transitions alone
    Request request = Request::none;         // the pending request
    int32_t fade_level = 0;          // screen brightness 0 (black) .. 255 (fully visible)
    int32_t fading_out = 0;          // 1 while fading to black
    int32_t loading_hint = 0;        // 0..kLoadingHintCount-1: the tip of the loading screen, chosen
                                     // when the load was requested (the frame only reads it)
    float sway_phase = 0;            // radians, +0.1 per slow tick, never wrapped
    float sway_offset = 0;           // cos(sway_phase) * 6, pixels
    int32_t camera_lead = 0;         // screen x at which the camera places the hero
    // -- the finished level's tallies: set by the logic tick when it shows the results window,
    //    banked into the profile by that window's buttons --
    int32_t finished_points = 0;     // the level's points
    uint8_t finished_nut = 0;        // its golden nut was taken
    int32_t finished_time_ms = 0;    // its world steps x 20 ms (the time the hero was in play)
    int32_t finished_deaths = 0;     // lives lost in it (since its last load)
    int32_t finished_bonuses = 0;    // point bonuses (apples, berries, gold, silver) it held at its load
    int32_t finished_taken = 0;      // ... of which the hero took
    int32_t finished_best_ms = 0;    // the profile's best time of the level after this one, 0 none
    uint8_t finished_new_best = 0;   // this finish set that best time
    // -- the title card over a level's first seconds (shell/cards.cpp) --
    int32_t title_card_ticks = 0;    // logic ticks it still shows; set when a level is loaded
    uint8_t title_card_keys = 0;     // the walk and jump keys held in the last tick (a new press
                                     // shortens the card to its fade-out)
    // -- the notice over the screen (tell_player_once) --
    std::string notice_line1, notice_line2;  // 1251
    int32_t notice_ticks = 0;                // logic ticks it is still shown
    std::vector<std::string> notices_told;   // keys of the notices given in this run
    uint64_t random_state = 0;               // the game's generator (random_below)
    bool operator==(const Session &) const = default;
};
extern Session session;
void reset_session();

// Asks for `r` (see Request); start_level and load_level also choose the loading screen's tip now,
// from the game's generator, so that what the loading screen shows does not depend on how many
// frames are drawn.
void request(Request r);

// The game's pseudo-random generator (deterministic for a seed; its state is the session's).
void random_seed(uint32_t seed);
int32_t random_below(int32_t n);  // 0 .. n-1; 0 when n <= 0

// ---- scene list: cfg/scenes.txt ---------------------------------------------------------------------
constexpr int32_t kSceneCapacity = 30;  // entries of the scene list

// Level file paths by level index, a line of the file an entry, taken whole. Reset: read once by
// the load procedure (load_scene_catalogue), kept until the process ends; reset_scenes() empties it
// (as a missing file would, without reading anything).
struct SceneList {
    std::array<std::string, kSceneCapacity> files;  // "" where the list gives no path
    bool read = false;                               // the file was there and could be read
    std::array<bool, kSceneCapacity> refused{};      // the line held a NUL byte
};
extern SceneList scenes;
void reset_scenes();
// Reads cfg\scenes.txt into `scenes`. A missing file leaves the list empty (reported when a level
// is started); lines past the 30th are ignored with one warning.
void load_scene_catalogue();
// scenes.files[index], or "" outside the list.
std::string scene_file(int32_t index);
// Says what is wrong with the scene list for `index`: the list missing, no such entry, or an empty
// entry ("cfg\scenes.txt, line 4: empty entry for level 3"). Meant for an empty scene_file(index).
std::string scene_problem(int32_t index);

// ---- handles: what the start-up and the load procedure made --------------------------------------------
// Engine-owned, kept until the process ends. Reset: at program start only (reset_handles forgets
// them without freeing anything).
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
void reset_handles();

// Tells the player something no window says (a save that failed, names a list cannot show): one
// or two lines of 1251 text on a plate near the bottom of the screen, over whatever is shown, in
// every game state, for kNoticeTicks logic ticks (fading out at the end). Once per `key` per run:
// false, and nothing shown, when that key was told already. A newer notice replaces the one shown.
constexpr int32_t kNoticeTicks = 250;  // 5 s of 20 ms ticks
bool tell_player_once(const std::string &key, const std::string &line1, const std::string &line2 = "");

// ---- settings and profile files ----
// Default profile name, 1251, in the chosen language ("Игрок").
std::string default_profile_name();
// Longest profile name, in 1251 bytes (its UTF-8 file name is then at most 192 bytes, well within
// the file system's 255).
constexpr std::size_t kProfileNameMaxBytes = 64;
// True when `name` can be a profile file name: 1..kProfileNameMaxBytes bytes, none of the
// characters NameHasBadChars refuses, no control characters, no byte that the UTF-8 file name
// would lose (0x98), no leading '.' (a hidden file that the profile list would not show; also
// rules out "." and ".."), no blank (space or no-break space) at either end (it would look like
// another name). Every place that accepts a name (settings, the new-profile box) asks this.
bool profile_name_usable(const std::string &name);
// Creates cfg/ and cfg/prf/ when missing.
void ensure_config_dirs();
// Removes the hidden temporary files that a save killed part-way left in cfg/ and cfg/prf/ (only
// the writer's own names, regular files, none another running game is still writing). At start.
void remove_leftover_saves();
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
// Keeps `ms` as the best time of `level` (0..9) in the profile and in its file at once, whatever
// the player does next (play again, leave through the pause window): the file's other values
// stay as they are on disk (a level's lives lost are saved only when it is banked). False when
// the level is out of range or the file could not be written or read (then it is not replaced).
bool save_best_time(int32_t level, int32_t ms);
