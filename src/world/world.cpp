// world.cpp - the world record and the level lifecycle (placeholder).
//
// NOT BUILT YET: the world is another issue. clear_world and the bookkeeping of load_level are
// there (camera home, level_file, timers reset); no level file is read, nothing moves.
// load_scene_catalogue reads the list but tolerates a missing file.
#include "world/world.h"

#include "engine/engine.h"
#include "platform/platform.h"
#include "platform/textreader.h"
#include "shell/shell.h"

tscene world;
LevelState level;
std::array<std::string, kSceneCapacity> scene_files;

const std::string &scene_file(int32_t index) {
    static const std::string none;
    if (index < 0 || index >= kSceneCapacity) return none;
    return scene_files[static_cast<std::size_t>(index)];
}

void load_scene_catalogue() {
    std::string bytes;
    if (!platform::read_file("cfg\\scenes.txt", bytes)) return;
    platform::TextReader reader(std::move(bytes));
    for (auto &entry : scene_files) {
        if (reader.at_end()) break;
        entry = reader.read_line();
    }
}

void clear_world() {
    world.backdrop.clear();
    world.object_count = world.back_count = world.front_count = 0;
    for (int32_t i = 0; i < world.ground_count; ++i) {
        world.ground_layer[i].kind.clear();
        world.ground_layer[i].outline.count = 0;
    }
    world.ground_count = 0;
    run.level_points = 0;
    run.damage = 0;
}

void load_level(const std::string &path) {
    if (handles.camera) handles.camera->x = handles.camera->y = 0;
    level.riding = 0;
    run.gold_nut_found = 0;
    level.level_file = path;
    const double now = eng.U_GetTime();
    if (handles.logic_timer) handles.logic_timer->time_stamp = now;
    if (handles.slow_timer) handles.slow_timer->time_stamp = now;
}

void reload_level(const std::string &path) {
    level.riding = 0;
    level.level_file = path;
    if (handles.logic_timer) handles.logic_timer->time_stamp = eng.U_GetTime();
}

void respawn_hero() {}
void world_step() {}
void animation_step() {}
void shadow_probe() {}
