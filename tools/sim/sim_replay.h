// sim_replay.h - tarvelok-sim --replay: a recording of the game played again on the world alone
// (see sim_replay.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace sim {

// Replays the file at `path`, writing a trace line after every world step to `trace` (may be
// null). 0 when the whole file was replayed; 2, with a message on stderr naming the file (and
// the line), when it cannot be read, is not a replay or names a level that does not load.
int run_replay(const std::string &path, FILE *trace);

}  // namespace sim
