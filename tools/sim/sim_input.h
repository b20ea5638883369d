// sim_input.h - the simulator's scripted-input file: one event a line, "<frame> <event> [args]".
//
// Events: key-down VK, key-up VK (virtual-key codes 0..255), mouse-move X Y (logical pixels),
// mouse-down B, mouse-up B (1 left, 0 right), text UTF-8-TEXT (the rest of the line, at most 255
// bytes), quit. Blank lines are skipped; '#' at the start of a line or after a blank starts a
// comment. Frames count from 0. Separate from main.cpp so that tests can read scripts too.
#pragma once

#include <string>
#include <vector>

#include "engine_api.h"

namespace sim {

// Parses script text. On the first malformed line returns false with `error` naming `source` and
// the line number; `events` then holds the events before it.
bool parse_input(const std::string &text, const std::string &source, std::vector<HL_Event> &events,
                 std::string &error);

// Reads and parses a script file; an unreadable file is an error naming it.
bool read_input_file(const std::string &path, std::vector<HL_Event> &events, std::string &error);

}  // namespace sim
