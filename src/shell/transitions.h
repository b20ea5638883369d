// transitions.h - the game-state machine: the one place that writes session.game_state (every
// assignment is in transitions.cpp; ctest -L layers fails when another file writes it). The menus,
// the world's events and the rest of the shell only ask (request() in state/state.h, one pending
// request at a time); the logic tick performs the requests here at fixed points:
//   - at once, right after the menu actions: Request::resume (play on), Request::main_menu;
//   - in the menu state, once the fade-out is black: Request::start_level;
//   - in the frozen state, once the fade-out is black: Request::load_level, Request::results,
//     Request::respawn (or the game is over).
// A death or the level's end freezes the game at once and fades out (freeze_for); Escape pauses.
// Runs on the engine's thread inside the logic tick (and the simulator's start of a level).
#pragma once

#include <string>

#include "state/state.h"

// First thing after the menu actions of a logic tick: performs a pending resume or main menu.
void perform_immediate_requests();
// The menu state's part of the logic tick: a requested level start once the screen is black.
void start_requested_level();
// The frozen state's part of the logic tick: once the fade-out has reached black, the requested
// load, results window or respawn (a fourth death: the game is over, back to the main menu with
// the progress window). The request is then done.
void perform_requests_at_black();
// The world reported a death (Request::respawn) or the level's end (Request::results): the game
// freezes at once and the screen fades out; the rest waits for black.
void freeze_for(Request r);
// Escape or the right button while playing: the pause window over the frozen level.
void pause_game();
// Back to the main menu now (the menus' return_to_menu, performed at once): for failures and the
// end of the game found by the shell itself.
void go_to_main_menu();
