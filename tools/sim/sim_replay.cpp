// sim_replay.cpp - tarvelok-sim --replay FILE: a recording of the game (replay/replay.h) played
// again on the world alone, without an engine: each section's level started on a World of its own
// (replay::begin_level, as the game starts it; no pictures) with its seed, then its hero state and
// running effects put back, then every recorded world step with its input, the respawns and
// reloads in between; each step's events counted into a profile of its own as the game counts
// them (replay::count_world_events). After every step one trace line, the game's own format
// (replay::trace_line of a view gathered here), so that the game's trace and the replay's can be
// compared tick for tick on what the world decides (the hero, the tallies, deaths, objects,
// effects, world_steps).
//
// What the game's shell alone decides (fades, windows, music, the camera's y, the shadow of the
// slow tick) is not replayed: the view shows the level being played (game state 1), the camera's
// x from the input and zeros for the rest. Nothing of the shell's records is read or written.
#include "sim/sim_replay.h"

#include <cstdio>
#include <string>

#include "cp1251.h"
#include "platform/platform.h"
#include "replay/level_play.h"
#include "replay/replay.h"

namespace sim {

int run_replay(const std::string &path, FILE *trace) {
    std::string text, why;
    bool missing = false;
    // The path comes as the file system spells it (UTF-8); the game's file operations and
    // messages take 1251. As the messages show it: control bytes escaped (without the quotes
    // around it), and printed as UTF-8 like the rest of each message.
    const std::string path1251 = cp1251::from_utf8(path);
    const std::string quoted = platform::quote(path1251, path1251.size());
    const std::string shown = quoted.substr(1, quoted.size() - 2);
    if (!platform::read_file(path1251, text, &missing, &why)) {
        std::fprintf(stderr, "tarvelok-sim: the replay %s %s\n", cp1251::to_utf8(shown).c_str(),
                     missing ? "is missing" : why.c_str());
        return 2;
    }
    std::vector<replay::Section> sections;
    std::string error;
    if (!replay::parse(text, shown, sections, error)) {
        std::fprintf(stderr, "tarvelok-sim: %s\n", cp1251::to_utf8(error).c_str());
        return 2;
    }
    World world;
    replay::TraceView view;
    view.state = static_cast<int32_t>(GameState::playing);
    view.world = &world;
    for (const replay::Section &s : sections) {
        const replay::LevelStart &st = s.start;
        Profile p;
        p.level_index = st.level_index;
        p.deaths = st.deaths;
        p.total_points = st.total_points;
        p.total_nuts = st.total_nuts;
        view.level_index = st.level_index;
        if (!replay::begin_level(world, st.level_index, st.path, st.seed, nullptr, "")) {  // a path is never empty
            std::fprintf(stderr, "tarvelok-sim: %s: the level %s of the replay did not load\n",
                         cp1251::to_utf8(shown).c_str(), cp1251::to_utf8(platform::quote(st.path)).c_str());
            return 2;
        }
        replay::restore_start(world, st);
        for (const replay::Entry &e : s.entries) {
            switch (e.kind) {
            case replay::EntryKind::respawn:
                respawn_hero(world);
                view.death_pending = 0;
                continue;
            case replay::EntryKind::reload:
                clear_world(world);
                if (!reload_level(world, world.level.level_file)) return 2;
                continue;
            case replay::EntryKind::tick: break;
            }
            const Request r = replay::count_world_events(world_step(world, e.input), p);
            if (r == Request::respawn) view.death_pending = 1;
            if (r == Request::results) view.level_done_pending = 1;
            update_particles(world);
            ++view.tick;
            view.time_ms = e.input.time_ms;
            view.camera_x = e.input.camera_x;
            view.deaths = p.deaths;
            view.total_points = p.total_points;
            view.total_nuts = p.total_nuts;
            if (trace) std::fputs(replay::trace_line(view).c_str(), trace);
        }
    }
    return 0;
}

}  // namespace sim
