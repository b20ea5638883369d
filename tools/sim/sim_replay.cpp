// sim_replay.cpp - tarvelok-sim --replay FILE: a recording of the game (replay/replay.h) played
// again on the world alone, without an engine: each section's level loaded (no pictures) with its
// seed, its hero state and running effects, then every recorded world step with its input, the
// respawns and reloads in between. After every step one trace line, the game's own format
// (replay::trace_line), so that the game's trace and the replay's can be compared tick for tick
// on what the world decides (the hero, the tallies, deaths, objects, effects, world_steps).
//
// What the game's shell alone decides (fades, windows, music, the camera's y, the shadow of the
// slow tick) is not replayed: those fields show what the replay holds (the camera's x, from the
// input) or stay as they are.
#include "sim/sim_replay.h"

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "replay/replay.h"
#include "shell/shell.h"

namespace sim {

int run_replay(const std::string &path, FILE *trace) {
    std::string text, why;
    bool missing = false;
    if (!platform::read_file(path, text, &missing, &why)) {
        std::fprintf(stderr, "tarvelok-sim: the replay %s %s\n", platform::quote(path).c_str(),
                     missing ? "is missing" : why.c_str());
        return 2;
    }
    std::vector<replay::Section> sections;
    std::string error;
    if (!replay::parse(text, path, sections, error)) {
        std::fprintf(stderr, "tarvelok-sim: %s\n", error.c_str());
        return 2;
    }
    OE_Camera camera{};
    handles.camera = &camera;
    long tick = 0;
    for (const replay::Section &s : sections) {
        const replay::LevelStart &st = s.start;
        profile.level_index = st.level_index;
        profile.deaths = st.deaths;
        profile.total_points = st.total_points;
        profile.total_nuts = st.total_nuts;
        session.game_state = GameState::playing;
        clear_world(level_record.world);
        world_seed(level_record.world, st.seed);
        level_record.world.level.final_scene = st.level_index == kLastLevel ? 1 : 0;
        if (!load_level(level_record.world, st.path, nullptr, st.path.empty() ? scene_problem(st.level_index) : "")) {
            std::fprintf(stderr, "tarvelok-sim: %s: the level %s of the replay did not load\n", path.c_str(),
                         platform::quote(st.path).c_str());
            return 2;
        }
        replay::restore_start(level_record.world, st);
        for (const replay::Entry &e : s.entries) {
            switch (e.kind) {
            case replay::EntryKind::respawn:
                respawn_hero(level_record.world);
                session.death_pending = 0;
                session.game_state = GameState::playing;
                continue;
            case replay::EntryKind::reload:
                clear_world(level_record.world);
                if (!reload_level(level_record.world, level_record.world.level.level_file)) return 2;
                continue;
            case replay::EntryKind::tick: break;
            }
            camera.x = e.input.camera_x;
            const WorldEvents ev = world_step(level_record.world, e.input);
            profile.deaths = deaths_after(profile.deaths, ev.died - ev.lives_gained);
            if (ev.died) session.death_pending = 1;
            if (ev.level_end) session.level_done_pending = 1;
            update_particles(level_record.world);
            if (trace) std::fputs(replay::trace_line(++tick, e.input.time_ms).c_str(), trace);
        }
    }
    handles.camera = nullptr;
    return 0;
}

}  // namespace sim
