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

#include "ui/ui.h"
#include "world/particles.h"

// ---- built once -----------------------------------------------------------------------------------
// The interface as build_menus makes it: every window and element, typed, one record a window,
// each member named as its element. The game reaches its elements only through this record; the
// names it gives twice ("btn_bk3", "txt_stat", "btn_restart", "btn_back") are told apart by
// their window. The registry owns the elements: the pointers are valid from build_menus until the
// registry is cleared, and null before the first build.
struct MainMenu {
    Iwindow *wnd_main = nullptr;
    Iimage *img_logo = nullptr, *img_logo21 = nullptr;
    Ibutton *btn_mp1 = nullptr, *btn_mp2 = nullptr, *btn_mp3 = nullptr;
    Iimage *img_op33 = nullptr;
    Ibutton *btn_new = nullptr, *btn_con = nullptr, *btn_opt = nullptr, *btn_r = nullptr, *btn_qt = nullptr;
    Ibutton *btn_pr = nullptr;
};
struct EndWindow {
    Iwindow *wnd_win = nullptr;
    Iimage *imgwin1 = nullptr, *imgwin2 = nullptr, *imgwin03 = nullptr;
    Itext *txt_a1 = nullptr, *txt_a2 = nullptr, *txt_a3 = nullptr;
    Ibutton *btn_bbb = nullptr;
};
struct NewProfileWindow {
    Iwindow *wnd_np = nullptr;
    Itext *txt_add = nullptr;
    Iedit *edt_add = nullptr;
    Ibutton *btn_add2 = nullptr, *btn_bk3 = nullptr;
};
struct ProgressWindow {
    Iwindow *wnd_rec = nullptr;
    Itext *lbl_go = nullptr;
    Ilist *lst_rec = nullptr;
    Iimage *img0 = nullptr, *img1 = nullptr, *img2 = nullptr;
    Ibutton *btn_bk3 = nullptr;
};
struct ProfileWindow {
    Iwindow *wnd_profile = nullptr;
    Ilist *lst_prof = nullptr;
    Ibutton *btn_add = nullptr, *btn_bk2 = nullptr;
};
struct SettingsWindow {
    Iwindow *wnd_cfg = nullptr;
    Ibutton *btn_fs = nullptr, *btn_bit = nullptr, *btn_mct = nullptr, *btn_mus = nullptr;
    Itext *txt_fs = nullptr, *txt_bit = nullptr, *txt_mct = nullptr, *txt_mus = nullptr;
    Ibutton *btn_bk = nullptr;
};
struct ResultsWindow {
    Iwindow *wnd_stat = nullptr;
    Iimage *img_list = nullptr, *img_bbb = nullptr;
    Itext *txt_stat = nullptr, *txt_score = nullptr, *txt_points = nullptr, *txt_tnut = nullptr, *txt_tnuts = nullptr;
    Ibutton *btn_next = nullptr, *btn_restart = nullptr, *btn_back = nullptr;
};
struct PauseWindow {
    Iwindow *wnd_pause = nullptr;
    Iimage *img_list2 = nullptr;
    Itext *txt_stat = nullptr;
    Ibutton *btn_cont = nullptr, *btn_restart = nullptr, *btn_back = nullptr;
};
// The options window (language, volumes, keys), and the button that opens it from the settings
// window. Built after the eight windows, so that their registry indices 0..63 stay as they are.
struct OptionsWindow {
    Ibutton *btn_opts = nullptr;  // in "wnd_cfg"
    Iwindow *wnd_opt = nullptr;
    Itext *txt_lang = nullptr;
    Ibutton *btn_lang = nullptr;
    Itext *txt_mvol = nullptr;
    Ibutton *btn_mvol_down = nullptr;
    Itext *txt_mvol_value = nullptr;
    Ibutton *btn_mvol_up = nullptr;
    Itext *txt_evol = nullptr;
    Ibutton *btn_evol_down = nullptr;
    Itext *txt_evol_value = nullptr;
    Ibutton *btn_evol_up = nullptr;
    Itext *txt_kleft = nullptr;
    Ibutton *btn_kleft = nullptr;
    Itext *txt_kright = nullptr;
    Ibutton *btn_kright = nullptr;
    Itext *txt_kjump = nullptr;
    Ibutton *btn_kjump = nullptr;
    Itext *txt_kpause = nullptr;
    Ibutton *btn_kpause = nullptr;
    Itext *txt_khint = nullptr;
    Ibutton *btn_kdefault = nullptr, *btn_obk = nullptr;
};
// The finished level's card in the results window "wnd_stat": a line naming the level, then rows
// of a caption and its value (the texts set by the shell when the window opens). Built after the
// options window, so that the eight windows' registry indices stay as they are.
struct ResultsCard {
    Itext *txt_level = nullptr;  // the level's number and name
    Itext *txt_time = nullptr, *txt_time_value = nullptr;
    Itext *txt_best = nullptr, *txt_best_value = nullptr;  // "best time", or "new best" when it is
    Itext *txt_lost = nullptr, *txt_lost_value = nullptr;
    Itext *txt_bonus = nullptr, *txt_bonus_value = nullptr;
    Itext *txt_nut = nullptr, *txt_nut_value = nullptr;
};
struct MenuElements {
    MainMenu main;
    EndWindow win;
    NewProfileWindow np;
    ProgressWindow rec;
    ProfileWindow profile;
    SettingsWindow cfg;
    ResultsWindow stat;
    PauseWindow pause;
    OptionsWindow opt;
    ResultsCard card;
};

// ---- the menus' record (whole run) -------------------------------------------------------------
// Reset: build_menus() fills `elements` once, from the load procedure, into a registry it has just
// cleared; the main menu's particle set is updated by the logic tick while the menu is shown and
// nothing adds to it. reset_menus() gives the record a fresh program starts with (no windows, no
// effects); it frees nothing (the registry owns the elements).
struct MenuRecord {
    MenuElements elements;     // the windows built last; menu() gives them while they live
    uint32_t generation = 0;   // registry_generation() when `elements` were built
    Tpart_sys menu_effects;    // the main menu's particle set
    // The options window waiting for a key: the action (KeyAction as a number) being bound, -1
    // when it waits for none; and the line under the keys (the prompt, a refusal, a swap), 1251.
    int32_t capturing = -1;
    std::string key_hint;
};
extern MenuRecord menus;
void reset_menus();

// The windows built last, while the registry they were built into lives (not cleared since); a
// record of null pointers otherwise.
const MenuElements &menu();

// Visibility of a window or element of the record; a null pointer (menus not built) is hidden and
// stays so.
inline void show(ielement *e) {
    if (e) e->visible = true;
}
inline void hide(ielement *e) {
    if (e) e->visible = false;
}
inline bool shown(const ielement *e) { return e && e->visible; }

// Creates the eight windows and their 64 elements (only "wnd_main" visible), then the options
// window and the settings window's button to it (registry indices 64 on), fills menu(), sets
// the toolkit's fonts, textures, sounds and colours, and has the toolkit collect the actions that
// clicks start (apply_menu_actions runs them). Needs the fonts, share_textures and sounds loaded
// and the settings and profile read. A second call replaces everything.
void build_menus();

// The interface walk as the frame procedure runs it: the windows draw themselves and collect the
// actions the player's clicks and keys start; nothing else changes.
void run_menus();
// Runs the actions collected since the last call, in the order they were started. The logic tick
// calls it first thing, so every change of the game's state happens in a tick.
void apply_menu_actions();

// ---- called by the shell too -----------------------------------------------------------------------
// Hands the options' music and effects volumes to the music player and the engine's mixer; the
// load procedure calls it once the sound is up, the options window after every change.
void apply_volumes();
// Back to the main menu: the profile reread (an abandoned level leaves no trace), the settings
// written, the screen mode reapplied when it differs from the engine's, the greeting renewed, every
// other window hidden, and the main menu requested (Request::main_menu: game state 0 from the next
// logic tick on; the shell performs it at once where it calls this itself).
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
void resume_game();       // closes the pause window and asks to play on
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
// The options window (options_window.cpp).
void open_options();      // from the settings window
void leave_options();     // "Назад": back to the settings window
void next_language();     // the next language of the list; every window is built anew in it
void music_quieter();     // volumes in steps of 10 %, applied and saved at once
void music_louder();
void effects_quieter();
void effects_louder();
void bind_left_key();     // wait for the key to walk left with (then right, jump, pause)
void bind_right_key();
void bind_jump_key();
void bind_pause_key();
void restore_keys();      // the four keys back to Left, Right, Space, Escape
void refresh_option_captions();
// Called by the logic tick while the menus are shown: while the options window waits for a key,
// takes the first key pressed and binds it (a developer's F-key is refused, a key in use swapped).
void options_window_tick();
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
// True when the link file exists and holds an address open_link_file would hand on; a file that
// exists with no such address gets open_link_file's one warning.
bool link_file_opens(const std::string &path);
// The main menu's link buttons ("btn_mp1", "btn_mp2", "btn_mp3") and its logo ("img_logo", which
// opens "website.url") are shown only when their link file opens; run when the menus are built
// (the files are read once, not at every frame).
void show_link_buttons();
