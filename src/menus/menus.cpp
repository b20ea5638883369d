// menus.cpp - menu windows and actions (placeholder).
//
// NOT BUILT YET: the menu screens are another issue. build_menus creates nothing; return_to_menu
// does only its file and state part (profile reread, settings written, game_state 0);
// show_records does nothing. exit_links is complete.
#include "menus/menus.h"

#include "platform/platform.h"
#include "shell/shell.h"

void build_menus() {}

void return_to_menu() {
    read_profile();
    write_settings();
    run.game_state = 0;
}

void show_records() {}

void exit_links() {
    platform::shell_open("fscommand\\zlaun.exe");
    platform::shell_open("play.url");
}
