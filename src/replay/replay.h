// replay.h - replays: a level's play as data (the level, its seed, the profile values it starts
// from, then every world step's input and the respawns and reloads between them), the text file
// that holds it, the game's recorder (--record FILE, F9 in a level), and the per-tick trace line
// that the game (--trace FILE) and the simulator write alike.
//
// The file: lines ended by LF (a CR before it is ignored); '#' starts a comment line; blank lines
// are skipped. The first line is the version line "tarvelok replay 1". Then one or more sections:
//   level N PATH        level index N (0..29) and the level file as the game loaded it (the rest
//                       of the line, code page 1251)
//   seed S              the level's own generator's seed (0..18446744073709551615)
//   profile D P K       deaths, banked points and banked golden nuts when the level started
//   hero FACING WALKING WALK FALL GROUND NX NY DEPTH JUMPING HURT HURT_TIME TIME RIDING SX SY SA
//                       the hero's state just after the load (most of it carries over from the
//                       previous level or life)
//   particle KIND COLOUR X Y VX VY SIZE FADE AGE ALPHA ANGLE   an effect still running at the
//                       load (effects outlive a level until faded), one line each
//   tick L R J F M X DX CX T   one world step's input: left, right, jump, F2 (0/1 each), mouse
//                       steering (0/1), pointer x, its motion, the camera's x, the clock in ms
//   respawn             the hero put back at its start after a death
//   reload              the developer's F1 reload of the level file
// A bad file is refused with the file's name, the line number and what is wrong there.
//
// Not here: stepping the world (world.h); the simulator's replay loop (tools/sim).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "world/world.h"

namespace replay {

constexpr int kFormatVersion = 1;
extern const char *const kVersionLine;  // "tarvelok replay 1"

// What a recorded level starts from.
struct LevelStart {
    int32_t level_index = 0;
    std::string path;        // the level file as loaded (relative to the game folder), 1251
    uint64_t seed = 0;       // world_seed value of the load
    int32_t deaths = 0;      // the profile's values at the start of the level
    int32_t total_points = 0;
    int32_t total_nuts = 0;
    HeroCarry hero;                     // what the World's hero carried in, just after the load
    std::vector<TEffect2d> particles;   // the live effects just after the load
};

// The start of a section as the World holds it just after a load.
LevelStart start_of(const World &w, int32_t level_index, const std::string &path, uint64_t seed, int32_t deaths,
                    int32_t total_points, int32_t total_nuts);
// Puts a recorded start's hero state and effects into `w`, just after loading its level.
void restore_start(World &w, const LevelStart &start);

enum class EntryKind : uint8_t { tick, respawn, reload };

struct Entry {
    EntryKind kind = EntryKind::tick;
    TickInput input;  // for ticks
};

struct Section {
    LevelStart start;
    std::vector<Entry> entries;
};

// The lines of a section's start, and of one entry (each ending in "\n").
std::string format_start(const LevelStart &start);
std::string format_entry(const Entry &entry);

// Bounds of a replay file, so that a hostile one can take neither all memory nor hours: its size,
// the length of a line, the entries (ticks, respawns, reloads; 2,000,000 ticks are 11 hours at 50
// a second, some 80 MB in memory) and the level loads (each reads a level file).
constexpr std::size_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kMaxLineBytes = 4096;
constexpr int64_t kMaxEntries = 2000000;
constexpr int64_t kMaxLevelLoads = 256;

// Parses a replay file's text (1251; a UTF-8 byte-order mark before the first line is skipped).
// False on the first bad line, with `error` as "SOURCE, line N: what is wrong" (1251, file text
// quoted with platform::quote; SOURCE as given, which a caller naming an outside file quotes);
// `out` then holds what was read before it. Bad lines include one longer than kMaxLineBytes, one holding a control byte (a NUL or a tab
// among them), and the line that passes one of the bounds above. Within them it needs some 80 MB
// beside the text; only running out of memory throws (std::bad_alloc), which the programs catch.
bool parse(const std::string &text, const std::string &source, std::vector<Section> &out, std::string &error);

// ---- the game's recorder ------------------------------------------------------------------------

// --record FILE: every level started from now on is written to FILE (created or replaced). Only a
// regular file is written: a symbolic link at FILE is not followed, and a FIFO, a device or a
// folder there is refused without waiting on it. False (and a message on stderr naming the file
// and the reason) when FILE cannot be written; a later write failure stops the recording with a
// message too.
bool record_to(const std::string &path);
// Why F9 could not start a recording.
enum class RecordFailure : uint8_t {
    none,
    names_taken,    // every name replay-000.txt .. replay-9999.txt exists already
    disk_full,      // no room (or over a quota) for the file
    folder_closed,  // the game folder may not be written
    level_too_long, // the level has run longer than the recorder keeps (an hour): not from its start
    other,          // anything else (said on stderr)
};
// F9 during a level: starts recording the current level into a new file replay-NNN.txt in the game
// folder (the level from its start: what was played so far is written at once, in one buffered
// write), or stops the recording in progress. Returns the file's name; `started` tells which
// happened. "" when no file could be made, `failure` (if given) saying why; each press makes one
// attempt at the first free name and never leaves an empty or partial file behind. The recorder
// keeps at most an hour of the level's steps in memory; after that F9 cannot start a recording
// in that level.
std::string toggle(bool &started, RecordFailure *failure = nullptr);
// The shell's calls: a level loaded, a world step about to run with `input`, a respawn, a reload.
void level_started(const LevelStart &start);
void stepped(const TickInput &input);
void respawned();
void reloaded();
// Closes any recording and the trace (each file stays whole up to its last line).
void finish();
// The recorder a fresh program starts with: finish(), and the level kept and the ticks traced
// forgotten.
void reset_recorder();

// ---- the trace ----------------------------------------------------------------------------------

// What one trace line shows, gathered by whoever writes it: the game's shell from its records
// (shell.h: trace_view), the simulator's replay from the world it steps and the values it keeps.
struct TraceView {
    long tick = 0;                 // logic ticks (or replayed steps) counted from 1
    double time_ms = 0;            // the clock of that tick
    int32_t state = 0;             // GameState as a number (the line's "game_state")
    int32_t level_index = 0;
    int32_t fade_level = 0, fading_out = 0;
    // The request pending after the tick, as the four flags the trace has always shown.
    uint8_t start_pending = 0, reload_pending = 0, death_pending = 0, level_done_pending = 0;
    const World *world = nullptr;  // the level (hero, tallies, objects, particles, steps); required
    int32_t deaths = 0, total_points = 0, total_nuts = 0;  // the profile's
    float camera_x = 0, camera_y = 0;
    int32_t camera_lead = 0;
    std::string music_title;       // 1251
    std::string profile_name;      // 1251
    std::vector<std::string> windows;  // names of the visible top-level windows, in registry order
};

// One JSON object (and "\n") of `view`: state, fade, hero, tallies, camera and its lead, shadow
// opacity, world steps, visible windows. Reads only the view.
std::string trace_line(const TraceView &view);
// --trace FILE in the game: a trace line after every logic tick. The same rules for FILE as
// record_to's; false (and a message) when it cannot be written, and a write that fails later
// stops the trace with a message.
bool trace_to(const std::string &path);
// True while a --trace file is open (the shell gathers a view only then).
bool tracing();
// Writes `view` as the next line of the trace file, its tick set to the next count from 1.
void after_logic_tick(TraceView view);

}  // namespace replay
