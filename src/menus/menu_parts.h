// menu_parts.h - what the menu windows (menu_windows.cpp) and the actions (menu_actions.cpp) share
// inside src/menus: the texts both of them write and the profile chooser's list.
// Not for use outside src/menus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "ui/ui.h"

// The text of an element of the menus; a null element (menus not built) is left alone.
inline void set_text(ielement *e, const std::string &value) {
    if (e) e->text = value;
}

namespace menu_parts {

// "Приветсвуем тебя, " followed by the current profile name: the main menu's greeting.
std::string greeting();

// The prompt of the new-profile window's text line, shown again whenever the window opens.
std::string new_profile_prompt();

// The profile files found in cfg/prf, as the profile chooser lists them: in byte order, turned so
// that the current profile is entry 0 (the selection) when its file is there; one empty name when
// there is none. With more files than the list holds, the names of `keep` that have a file are
// listed first and the others in byte order fill the rest; `left_out` (may be null) says how many
// were not listed (0 when all were), and stderr hears of it once.
TF_list profile_files(const std::vector<std::string> &keep, int32_t *left_out = nullptr);

}  // namespace menu_parts
