// transitions.cpp - the game-state machine's transitions (see transitions.h): the only source that
// assigns session.game_state. Each transition says what it shows or hides, what it loads and which
// state follows; the requests come from state/state.h's request().
#include "shell/transitions.h"

#include "engine/engine.h"
#include "menus/menus.h"
#include "music/music.h"
#include "replay/replay.h"
#include "shell/shell.h"
#include "ui/ui.h"
#include "world/world.h"

namespace {

void enter(GameState s) { session.game_state = s; }

// The request has been performed.
void done() { session.request = Request::none; }

}  // namespace

void perform_immediate_requests() {
    switch (session.request) {
    case Request::resume:
        done();
        enter(GameState::playing);
        break;
    case Request::main_menu:
        done();
        enter(GameState::menu);
        break;
    default: break;
    }
}

void go_to_main_menu() {
    return_to_menu();
    perform_immediate_requests();
}

void pause_game() {
    show(menu().pause.wnd_pause);
    SList_Play(assets.sounds, "click", 0);
    enter(GameState::frozen);
}

void freeze_for(Request r) {
    request(r);
    session.fading_out = 1;
    enter(GameState::frozen);
}

void start_level(const std::string &path) {
    hide(menu().main.wnd_main);
    hide(menu().cfg.wnd_cfg);
    hide(menu().rec.wnd_rec);
    session.fading_out = 0;
    if (session.request == Request::start_level) done();
    if (!load_world(path)) {  // reported; the world is empty, the profile untouched
        go_to_main_menu();
        return;
    }
    music_stop();
    eng.Mouse_Lock();
    start_title_card();
    enter(GameState::playing);
}

void start_requested_level() {
    if (session.request == Request::start_level && session.fade_level < 1) start_level(scene_file(profile.level_index));
}

void perform_requests_at_black() {
    if (!(session.fading_out == 1 && session.fade_level == 0)) return;
    const Request r = session.request;
    done();
    switch (r) {
    case Request::load_level:
        session.fading_out = 0;
        enter(GameState::playing);
        if (handles.camera) handles.camera->x = handles.camera->y = 0;
        if (load_world(scene_file(profile.level_index))) {
            music_stop();
            eng.Mouse_Lock();
            start_title_card();
            if (profile.level_index == kLastLevel) show(menu().win.wnd_win);
        } else {
            go_to_main_menu();  // reported; the world is empty, the profile untouched
        }
        break;
    case Request::results: {
        const ResultsWindow &results = menu().stat;
        fill_results_card();  // the level's figures, what the window's buttons bank, its best time
        if (results.txt_points) results.txt_points->text = std::to_string(banked_sum(profile.total_points, session.finished_points));
        if (results.txt_tnuts) results.txt_tnuts->text = std::to_string(banked_sum(profile.total_nuts, session.finished_nut));
        show(results.wnd_stat);
        session.fading_out = 0;
        break;
    }
    case Request::respawn:
        hide(menu().pause.wnd_pause);
        respawn_hero(level_record.world);
        replay::respawned();
        session.fading_out = 0;
        enter(GameState::playing);
        if (profile.deaths > kDeathsToGameOver) {
            show(menu().rec.lbl_go);
            profile.level_index = kLastLevel;
            write_profile();
            go_to_main_menu();
            show_records();
        }
        break;
    default: break;
    }
}
