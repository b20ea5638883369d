// menu_parts.h - what the menu windows (menu_windows.cpp) and the actions (menu_actions.cpp) share
// inside src/menus: the typed lookup of an element by name and the texts both of them write.
// Not for use outside src/menus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "ui/ui.h"

namespace menus {

// The element find_element reaches for `name`, when it is of class T; null otherwise (no element
// of that name and the first element is not a T, or the registry is empty).
template <typename T>
T *named(const std::string &name) {
    return dynamic_cast<T *>(element_named(name));
}

// Window switching. A window shown while the interface walk runs becomes visible when the walk
// has ended, so the click that opened it cannot also press the new window's elements lying under
// the pointer (the walk would otherwise reach them in the same frame). Outside the walk, and for
// hiding, the write is immediate; hiding a window cancels a show still waiting.
void show_window(const char *name);
void hide_window(const char *name);

// "Приветсвуем тебя, " followed by the current profile name: the main menu's greeting.
std::string greeting();

// The prompt of the new-profile window's text line, shown again whenever the window opens.
const std::string &new_profile_prompt();

// The profile files found in cfg/prf, as the profile chooser lists them: in byte order, turned so
// that the current profile is entry 0 (the selection) when its file is there; one empty name when
// there is none. With more files than the list holds, the names of `keep` that have a file are
// listed first and the others in byte order fill the rest; `left_out` (may be null) says how many
// were not listed (0 when all were), and stderr hears of it once.
TF_list profile_files(const std::vector<std::string> &keep, int32_t *left_out = nullptr);

}  // namespace menus
