// world.h - the level being played: the world record, the hero and level state beside it, the
// scene list, and the level lifecycle and per-tick operations the shell calls.
//
// NOT BUILT YET: placeholder with the final records and names. The records are complete enough for
// the shell and the simulator's trace; the operations have minimal bodies (see world.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_api.h"
#include "render/effects.h"

constexpr int32_t kLayerCapacity = 4097;  // items per layer
constexpr int32_t kSceneCapacity = 30;    // entries of the scene list

// An item's outline: count is the index of the last point (0 = no outline).
struct TPolyLine2D {
    int32_t count = 0;
    float cx = 0, cy = 0;
    std::vector<OE_Point> points;
};

// One level item; its kind is both its behaviour and its picture name.
struct tmin {
    std::string kind;
    TPolyLine2D outline;
    uint8_t mirrored = 0;
    int32_t x = 0, y = 0;   // centre, world pixels
    int32_t angle = 0;      // degrees
    int32_t frame = 0;      // 1..15
    int32_t row = 0;
    float sway = 0;
    int32_t speed = 0;
    int32_t phase = 0;
};

struct tscene {
    Tpart_sys particles;
    std::string backdrop;
    std::array<tmin, kLayerCapacity> back_layer;
    int32_t back_count = 0;
    std::array<tmin, kLayerCapacity> front_layer;
    int32_t front_count = 0;
    std::array<tmin, kLayerCapacity> ground_layer;
    int32_t ground_count = 0;
    std::array<tmin, kLayerCapacity> object_layer;
    int32_t object_count = 0;
};
extern tscene world;

// Hero and level state kept beside the world.
struct LevelState {
    int32_t hero_x = 0, hero_y = 0;
    uint8_t hero_facing = 0;    // 1 faces left
    uint8_t hero_walking = 0;
    float walk_speed = 0;
    float fall_speed = 0;
    uint8_t on_ground = 0;
    float ground_normal_x = 0, ground_normal_y = 0, ground_depth = 0;
    uint8_t jumping = 0;
    uint8_t hurt = 0;
    float hurt_time = 0;
    float world_time = 0;       // U_GetTime at the hero's turn, ms
    uint8_t riding = 0;
    int32_t start_x = 0, start_y = 0;
    float shadow_x = 0, shadow_y = 0, shadow_alpha = 0;
    std::string level_file;
};
extern LevelState level;

// Level file paths by level index; entries the scene list does not fill are empty.
extern std::array<std::string, kSceneCapacity> scene_files;
// scene_files[index], or "" outside the list.
const std::string &scene_file(int32_t index);

void load_scene_catalogue();        // reads cfg\scenes.txt; a missing file leaves the list empty
void clear_world();
void load_level(const std::string &path);
void reload_level(const std::string &path);
void respawn_hero();
void world_step();                  // once per logic tick while playing
void animation_step();              // once per slow tick outside state 2
void shadow_probe();                // once per slow tick
