// system.h - the two things the platform layer hands to the system around the game, implemented
// once per place the game runs: shell_desktop.cpp (Linux desktop) and web/shell_web.cpp (the
// page). Internal to src/platform.
#pragma once

#include <string>

namespace platform {

// Shows the system's own message box (UTF-8 caption and text; style 0x10 = error). Returns when
// it is closed, or at once where the system does not wait (the page's overlay).
void system_message_box(const std::string &caption_utf8, const std::string &text_utf8, int style);

}  // namespace platform
