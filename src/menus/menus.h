// menus.h - the menu windows and the actions behind their buttons.
//
// NOT BUILT YET (except exit_links): placeholder with the final names the shell calls.
#pragma once

// Creates every window and element of the interface; once, from the load procedure.
void build_menus();
// Back to the main menu: greeting, profile reread, settings written, screen mode reapplied,
// windows switched, game_state 0.
void return_to_menu();
// Shows the progress window with the current profile's totals.
void show_records();
// The engine's exit procedure: opens "fscommand\zlaun.exe", then "play.url", each only if present.
void exit_links();
