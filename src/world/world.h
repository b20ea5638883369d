// world.h - the level being played: the world record with its four layers, the hero and level
// state beside it, the level's picture catalogue, the scene list, and the operations the shell
// calls on the level's lifecycle (clear, load, reload, respawn) and once per tick (world step,
// animation step, shadow probe).
//
// Units: world pixels (x right, y down), speeds in pixels per logic tick of 20 ms, angles in
// degrees, times in milliseconds of U_GetTime. Everything here runs on the engine's thread.
// Not here: drawing the world (render/draw_world.h) and the particle sets (render/effects.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine_api.h"
#include "render/effects.h"

constexpr int32_t kLayerCapacity = 4097;  // items per layer
// What one level may hold beyond its items: a bigger file is refused when it is read, so that no
// level can take the game's memory or its frame rate (the shipped levels hold at most 6 points an
// outline, 533 a level, and coordinates within -800..11364). Every outline is filled every frame:
// a level at both capacities costs about 1.5 times the CPU of a shipped level per frame.
constexpr int32_t kOutlinePointCapacity = 1024;  // points of one outline
constexpr int32_t kLevelPointCapacity = 8192;    // points of all the outlines of a level together
constexpr int32_t kWorldExtent = 1000000;         // world pixels: every position and point lies
                                                  // within -kWorldExtent..kWorldExtent on both axes
constexpr int32_t kSceneCapacity = 30;    // entries of the scene list

// An item's outline: count is the index of the last point (0 = no outline); segment i joins point
// i and point i + 1. cx, cy: the mean of the points, filled at load; the logic never reads them.
struct TPolyLine2D {
    int32_t count = 0;
    float cx = 0, cy = 0;
    std::vector<OE_Point> points;
};

// One level item; its kind is both its behaviour and its picture name ("delete": to be removed).
struct tmin {
    std::string kind;
    TPolyLine2D outline;
    uint8_t mirrored = 0;   // picture mirrored; a moving object faces left
    int32_t x = 0, y = 0;   // centre, world pixels
    int32_t angle = 0;      // degrees
    int32_t frame = 0;      // animation frame 1..15
    int32_t row = 0;        // animation row; the cell drawn is row * 15 + frame
    float sway = 0;         // scratch value of the world drawing
    int32_t speed = 0;      // per-kind motion value (x step of walkers, "vag": 1 rolling)
    int32_t phase = 0;      // per-kind state (bee: sine degrees, walkers: distance walked,
                            // "vag": 1 while the hero is aboard)
};

// The level: one static record, refilled in place by every load. Layers keep entries
// 0..count-1 in file order.
struct tscene {
    Tpart_sys particles;    // the level's effects; they outlive clear_world until faded
    std::string backdrop;   // picture name in object_textures; "" draws none
    std::array<tmin, kLayerCapacity> back_layer;    // distant scenery, drawn at half speed
    int32_t back_count = 0;
    std::array<tmin, kLayerCapacity> front_layer;   // drawn over everything
    int32_t front_count = 0;
    std::array<tmin, kLayerCapacity> ground_layer;  // terrain: outlines are solid but "bgcarst"
    int32_t ground_count = 0;
    std::array<tmin, kLayerCapacity> object_layer;  // hero, creatures, bonuses, level end
    int32_t object_count = 0;
};
extern tscene world;

// Hero and level state kept beside the world. Zero at start-up; a load resets only what
// load_level says, the rest carries over from the previous level or life.
struct LevelState {
    int32_t hero_x = 0, hero_y = 0;  // the hero's position taken at the start of its turn
    uint8_t hero_facing = 0;    // 1 faces left
    uint8_t hero_walking = 0;   // a walk input was active in this tick
    float walk_speed = 0;       // 0..1.2, times 3 pixels per tick
    float fall_speed = 0;       // pixels per tick, negative upwards, -20..10
    uint8_t on_ground = 0;      // touched solid terrain in the last terrain pass
    float ground_normal_x = 0, ground_normal_y = 0, ground_depth = 0;  // firmest contact of the pass
    uint8_t jumping = 0;        // in the air after a jump, a bounce, a spring or a hit
    uint8_t hurt = 0;           // immune to hits for 3000 ms after one
    float hurt_time = 0;        // U_GetTime of the last hit, ms
    float world_time = 0;       // U_GetTime at the hero's turn, ms
    uint8_t riding = 0;         // standing in a cart
    int32_t start_x = 0, start_y = 0;  // the hero's position as loaded: the respawn point
    float shadow_x = 0, shadow_y = 0, shadow_alpha = 0;  // ground point below the hero, 0..255
    std::string level_file;     // path of the level file last loaded
};
extern LevelState level;

// The current level's pictures, from gfx\obj\ by kind-name prefix; freed at every full load.
extern TBase object_textures;

// Level file paths by level index; entries the scene list does not fill are empty.
extern std::array<std::string, kSceneCapacity> scene_files;
// scene_files[index], or "" outside the list.
const std::string &scene_file(int32_t index);

// Reads cfg\scenes.txt into scene_files, a line an entry, taken whole. A missing file leaves the
// list empty (reported when a level is started); lines past the 30th are ignored with one warning.
void load_scene_catalogue();

// Empties the layers and the backdrop, zeroes level_points and damage; keeps the particles.
void clear_world();
// Full load of a level file (pictures, hero start, timers). On a bad or missing file, a file
// without an "enot" among its objects (no hero to play), or an empty path, the load stops: a message box and stderr name the file and the line, the world is left
// empty, and false comes back (the shell then returns to the main menu).
bool load_level(const std::string &path);
// The same reading without pictures and without moving the hero's start point (developer's F1).
bool reload_level(const std::string &path);
// Puts the first "enot" back at (start_x, start_y); nothing else changes.
void respawn_hero();

// Removes the object-layer entries of `kind`, keeping the order of the others. An entry that moves
// into a vacated place is examined only at the next call.
void remove_kind(const std::string &kind);

void world_step();                  // once per logic tick while playing
void animation_step();              // once per slow tick outside state 2
void shadow_probe();                // once per slow tick

// The world step tests walkers against the solid outlines through an index of the ground layer,
// rebuilt by every load. Code that edits ground outlines by other means calls this afterwards.
void terrain_changed();

// The drawn terrain's bounding box in world pixels: every point of every ground-layer outline
// (solid or not). False, with the box untouched, when the ground layer has no outline point.
// Kept until the next terrain_changed(), so a call per tick costs nothing.
struct TerrainExtent {
    float left = 0, top = 0, right = 0, bottom = 0;
};
bool terrain_extent(TerrainExtent &out);
