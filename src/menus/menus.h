// menus.h - the eight menu windows and the actions behind their buttons.
//
// build_menus creates every window and element once, from the load procedure; afterwards windows
// change only by visibility and text writes. The actions are the parameterless procedures stored
// in the elements' on_click: they switch windows, edit the shell's profile and settings records,
// read and write the profile and settings files, ask the shell for level changes through its
// pending flags plus a fade-out, and open the link files. Nothing here loads a level or draws.
#pragma once

#include <cstdint>
#include <string>

// ---- built once -----------------------------------------------------------------------------------
// Creates the eight windows and their 64 elements (only "wnd_main" visible) and sets the toolkit's
// fonts, textures, sounds and colours. Needs the fonts, share_textures and sounds loaded and the
// settings and profile read. A second call replaces everything.
void build_menus();

// The interface walk as the frame procedure runs it: run_interface, then the windows that actions
// opened during the walk become visible (so one click never also presses a button of the window
// it opened).
void run_menus();

// ---- called by the shell too -----------------------------------------------------------------------
// Back to the main menu: the profile reread (an abandoned level leaves no trace), the settings
// written, the screen mode reapplied when it differs from the engine's, the greeting renewed, every
// other window hidden, game_state 0.
void return_to_menu();
// Fills the progress list with the current profile's name, points and golden nuts ("из" the number
// of playable levels in the scene list) and shows the progress window.
void show_records();
// The engine's exit procedure: opens the "play.url" link when it holds a web address. The portal
// launcher of the original platform is never started.
void exit_links();

// ---- the buttons' actions ----------------------------------------------------------------------------
// Game flow.
void new_game();          // level 0 with zero totals, written at once; the level fades in
void continue_game();     // the profile's level; only stops the music once the game is over
void resume_game();       // closes the pause window
void next_level();        // banks the level's points and nut, advances, writes, loads the next
void replay_level();      // reloads the current level; nothing banked
void bank_and_return();   // banks and advances like next_level, then back to the menu
// Windows.
void open_settings();
void open_profiles();
void open_new_profile();
void back_to_profiles();
void leave_records();     // progress window's "Назад": back to the menu, the profile unchanged
// Profiles.
void create_profile();    // the edit box's name as a new profile of four zeros, or why not
void leave_profiles();    // the highlighted profile becomes current; back to the menu
// Settings: flip 0 <-> 1 and renew the labels; written and applied by return_to_menu.
void toggle_windowed();
void toggle_colour16();
void toggle_mouse();
void toggle_music();
void refresh_setting_captions();
// Link files beside the game.
void open_website();
void open_more_games();
void open_tell_friend();
void open_subscribe();

// Number of playable levels the scene list names (its non-empty entries before the final scene);
// ten in the shipped game.
int32_t playable_level_count();

// Opens one Internet-shortcut file: when it exists and its URL= line holds an http:// or https://
// address, that address goes to the desktop's opener; other content is ignored with one warning
// naming the file. A missing file is skipped silently. True when an address was handed on.
bool open_link_file(const std::string &path);
