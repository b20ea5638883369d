// world.h - the level being played, as one value: the world record (World) with its four layers,
// the particles, the hero and level state, the level's tallies and the ground index; the input of
// one logic tick (TickInput) and what happened in it (WorldEvents); and the operations the shell calls on the level's lifecycle (clear, load, reload, respawn) and per tick
// (world step, animation step, shadow probe).
//
// A World is a plain value: copy it and the copy steps on its own (the automatic player does).
// The world writes nothing outside the World it is given: the shell reads the events a step
// returns and acts on them (fades, pending requests, the profile's deaths, sounds).
//
// Units: world pixels (x right, y down), speeds in pixels per logic tick of 20 ms, angles in
// degrees, times in milliseconds of the engine's clock.
// Not here: drawing the world (render/draw_world.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine_api.h"
#include "world/particles.h"
constexpr int32_t kLayerCapacity = 4097;  // items per layer
// What one level may hold beyond its items: a bigger file is refused when it is read, so that no
// level can take the game's memory or its frame rate (the shipped levels hold at most 6 points an
// outline, 533 a level, and coordinates within -800..11364). Every outline is filled every frame:
// a level at both capacities costs about 1.5 times the CPU of a shipped level per frame.
constexpr int32_t kOutlinePointCapacity = 1024;  // points of one outline
constexpr int32_t kLevelPointCapacity = 8192;    // points of all the outlines of a level together
constexpr int32_t kWorldExtent = 1000000;         // world pixels: every position and point lies
                                                  // within -kWorldExtent..kWorldExtent on both axes

// An item's outline: count is the index of the last point (0 = no outline); segment i joins point
// i and point i + 1. cx, cy: the mean of the points, filled at load; the logic never reads them.
struct TPolyLine2D {
    int32_t count = 0;
    float cx = 0, cy = 0;
    std::vector<OE_Point> points;
};

// What an object does, resolved from its kind name once when the level is read. Every name
// without behaviour (scenery, lamps, plants, unknown names) is `other`: drawn and animated, never
// moved, never touched. `removed`: destroyed or collected, inert and not drawn, taken out of the
// layer at the end of the hero's turn (a file item named "delete" is `removed` from the start).
enum class Kind : uint8_t {
    other, enot, bee, worm, krot, hedge, ship, romash, vag,
    health, life, bapple, bberry, bnut, bgold, bsilver, table, fonar, removed
};
// The kind a name stands for, compared exactly and case-sensitively ("delete" is `removed`).
Kind kind_of(const std::string &name);

// A checkpoint: a lantern post ("fonar") that the hero lights by touching it; from then on a
// death brings the hero back there instead of to the level's start. Its `phase` is 1 once lit
// (its `row`, the picture row drawn, too).
inline constexpr char kCheckpointKind[] = "fonar";
// A sign ("znak"): scenery that shows its text in a bubble while the hero is near (the drawing
// decides when). The text is Russian 1251, the key of the language catalogue (tr()).
inline constexpr char kSignKind[] = "znak";
constexpr std::size_t kSignTextCapacity = 64;  // bytes of a sign's text (a few words)

// One level item: its kind name (the file's, and the name of its picture) and what it does.
struct tmin {
    std::string kind;
    std::string text;         // a sign's text (1251); empty for every other item
    Kind role = Kind::other;  // kind_of(kind) at load; Kind::removed once destroyed or collected
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

// A layer that does not change after the load (back, front, ground), shared between copies of a
// World: copying one copies a pointer, so a copy of a World costs what its object layer and state
// cost. Reading is through the const operations; writing asks for edit(), which first gives this
// World a copy of its own when another World shares the layer. A reference from edit() is valid
// until the World is copied; do not keep one across a copy.
class SharedLayer {
public:
    SharedLayer() : items_(std::make_shared<std::vector<tmin>>()) {}
    const tmin &operator[](std::size_t i) const { return (*items_)[i]; }
    std::size_t size() const { return items_->size(); }
    bool empty() const { return items_->empty(); }
    std::vector<tmin>::const_iterator begin() const { return items_->begin(); }
    std::vector<tmin>::const_iterator end() const { return items_->end(); }
    // The entries for writing, this World's own.
    std::vector<tmin> &edit() {
        if (items_.use_count() > 1) items_ = std::make_shared<std::vector<tmin>>(*items_);
        return *items_;
    }
    // Empties the layer without touching the copies that share it.
    void clear() { items_ = std::make_shared<std::vector<tmin>>(); }
    // True when both read the same entries (a copy that neither has written to).
    bool shares_with(const SharedLayer &other) const { return items_ == other.items_; }

private:
    std::shared_ptr<std::vector<tmin>> items_;  // never null
};

// The level's layers, backdrop and particles. Each layer holds at most kLayerCapacity entries;
// entries 0..count-1 are in use, in file order (the vector holds at least count entries; add with
// append_item). Only the object layer changes after a load; the others are shared between copies.
struct tscene {
    Tpart_sys particles;    // the level's effects; they outlive clear_world until faded
    std::string backdrop;   // picture name in the level's pictures; "" draws none
    SharedLayer back_layer;    // distant scenery, drawn at half speed
    int32_t back_count = 0;
    SharedLayer front_layer;   // drawn over everything
    int32_t front_count = 0;
    SharedLayer ground_layer;  // terrain: outlines are solid but "bgcarst"
    int32_t ground_count = 0;
    std::vector<tmin> object_layer;  // hero, creatures, bonuses, level end
    int32_t object_count = 0;
};

// Appends a fresh entry to a layer (count grows by one) and returns it; the caller keeps within
// kLayerCapacity. The shared layers' form edits the layer (see SharedLayer::edit).
tmin &append_item(std::vector<tmin> &layer, int32_t &count);
inline tmin &append_item(SharedLayer &layer, int32_t &count) { return append_item(layer.edit(), count); }

// Hero and level state, in three parts by what resets them. All zero in a new World.
//
// What carries into a level from the level (or life) before: the hero's motion and ground contact,
// its hurt state and clocks, its shadow. A load keeps all of it but `riding`, which it zeroes; a
// respawn keeps all of it. A replay file's "hero" line is exactly this record, written and read
// through one table of its fields (replay/replay_file.cpp), so a field added here must join that
// table (a size check there says so).
struct HeroCarry {
    uint8_t hero_facing = 0;    // 1 faces left
    uint8_t hero_walking = 0;   // a walk input was active in this tick
    float walk_speed = 0;       // 0..1.2, times 3 pixels per tick
    float fall_speed = 0;       // pixels per tick, negative upwards, -20..10
    uint8_t on_ground = 0;      // touched solid terrain in the last terrain pass
    float ground_normal_x = 0, ground_normal_y = 0, ground_depth = 0;  // firmest contact of the pass
    uint8_t ground_corner = 0;  // that contact is with an end of a segment (a rim), not its inside
    uint8_t jumping = 0;        // in the air after a jump, a bounce, a spring or a hit
    uint8_t hurt = 0;           // immune to hits for 3000 ms after one
    float hurt_time = 0;        // clock of the last hit, ms
    float world_time = 0;       // clock at the hero's turn, ms
    uint8_t riding = 0;         // standing in a cart (zeroed by every load)
    float shadow_x = 0, shadow_y = 0, shadow_alpha = 0;  // ground point below the hero, 0..255
    bool operator==(const HeroCarry &) const = default;
};

// What a load sets (load_level; the F1 reload keeps the start point) and keeps until the next one.
// The start point is where a respawn puts the hero back, until the hero lights a checkpoint: from
// then on the respawn goes to the checkpoint lit last. A load and the F1 reload (which reads the
// checkpoints again unlit) put it back to the start; a respawn keeps it.
struct LevelSetup {
    int32_t start_x = 0, start_y = 0;  // the hero's position as loaded
    uint8_t checkpoint_lit = 0;        // a checkpoint has been lit since the load: respawn there
    int32_t checkpoint_x = 0, checkpoint_y = 0;  // the respawn point it gave (its centre)
    std::string level_file;     // path of the level file last loaded
    uint8_t final_scene = 0;    // set by whoever loads the level: the final scene has no level end
    bool operator==(const LevelSetup &) const = default;
};

// What each of the hero's turns takes afresh: its position at the start of the turn (after a
// respawn, the start point's from the next turn on).
struct HeroTurn {
    int32_t hero_x = 0, hero_y = 0;  // the hero's position taken at the start of its turn
    bool operator==(const HeroTurn &) const = default;
};

// The three together; their fields are read and written as the level state's own
// (w.level.walk_speed, w.level.start_x).
struct LevelState : HeroTurn, HeroCarry, LevelSetup {
    bool operator==(const LevelState &) const = default;
};

// The current level's tallies. level_points and damage are zeroed by clear_world (so by every load
// and by the F1 reload), damage also by a death; gold_nut_found is cleared by load_level only (the
// F1 reload keeps it). The shell banks points and nut when the player moves on.
struct LevelTallies {
    int32_t level_points = 0;    // points earned in this level
    int32_t damage = 0;          // damage in the current life; death above 110
    uint8_t gold_nut_found = 0;  // this level's golden nut was taken
    bool operator==(const LevelTallies &) const = default;
};

struct GroundCache;  // the ground index and the terrain's bounds (world_step.cpp)

// The whole level as one value: layers and particles (tscene), hero state, tallies, the level's
// random generator and the ground index (derived from the ground layer, shared between copies
// until the terrain changes).
struct World : tscene {
    LevelState level;
    LevelTallies tallies;
    uint64_t random_state = 0;   // the level's generator: pick-up bursts, frames at load
    int64_t steps = 0;           // world steps since the level was loaded (load_level zeroes it)
    mutable std::shared_ptr<const GroundCache> ground;  // built on first use; terrain_changed drops it
    // True (the game's way): terrain contact finds the segments near a walker through the ground
    // index; false: it scans every segment. Both give the same positions; the switch exists for
    // the tests and benchmarks that compare them.
    bool use_ground_index = true;
};

// Seeds the world's generator (the shell passes a value of its own generator at every load, and a
// replay the recorded one).
void world_seed(World &w, uint64_t seed);

// One logic tick's input to the world, filled by the shell once per tick.
struct TickInput {
    uint8_t left = 0, right = 0;  // walk keys held (both: left wins)
    uint8_t jump = 0;             // jump held this tick (Space, or the left button with the mouse on)
    uint8_t finish = 0;           // the developer's level end (F2) pressed in this tick
    uint8_t mouse_steers = 0;     // mouse control is on: the pointer's motion walks the hero
    int32_t mouse_x = 0;          // pointer, logical screen pixels
    int32_t mouse_dx = 0;         // its motion since the last read, pixels
    float camera_x = 0;           // world x of the screen's left edge (for the pointer's distance)
    double time_ms = 0;           // the clock at this tick, ms
};

// Sounds a step asks for, in order (names in the sound catalogue).
constexpr int32_t kStepSoundCapacity = 32;

// What happened in one world step; the shell acts on it.
struct WorldEvents {
    uint8_t died = 0;        // damage passed 110: a life is lost (damage already zeroed)
    uint8_t level_end = 0;   // the table was reached (or F2)
    uint8_t nut_taken = 0;   // a golden nut was taken in this step
    int32_t lives_gained = 0;  // extra lives picked up in this step
    int32_t sound_count = 0;
    std::array<const char *, kStepSoundCapacity> sounds{};  // static names; extra sounds are dropped
};

// Empties the layers and the backdrop, zeroes level_points and damage; keeps the particles.
void clear_world(World &w);
// Full load of a level file (hero start; riding and the nut cleared). `pictures`, when given, is
// the level's picture catalogue: it is freed, then given the pictures of gfx\obj\ whose names the
// level's kinds and backdrop begin with; without it no picture is freed or loaded (a replay needs
// no engine). On a bad or missing file, a file without an "enot" among its objects (no hero to
// play), or an empty path, the load stops: a message box and stderr name the file and the line
// (for an empty path, "The level cannot be started: " and `why_no_path`, which the caller takes
// from the scene list), the world is left empty, and false comes back. The caller resets the
// camera and the timers.
bool load_level(World &w, const std::string &path, TBase *pictures, const std::string &why_no_path = "");
// The same reading without pictures and without moving the hero's start point (developer's F1).
bool reload_level(World &w, const std::string &path);
// Puts the first "enot" back at the respawn point: the checkpoint lit last (checkpoint_x,
// checkpoint_y) when there is one, else (start_x, start_y); nothing else changes.
void respawn_hero(World &w);
// Where respawn_hero puts the hero.
inline int32_t respawn_x(const LevelSetup &s) { return s.checkpoint_lit ? s.checkpoint_x : s.start_x; }
inline int32_t respawn_y(const LevelSetup &s) { return s.checkpoint_lit ? s.checkpoint_y : s.start_y; }

// Takes the object-layer entries whose role is Kind::removed out of the layer in one pass, keeping
// the order of the others. The entry right after a removed one is passed over in that call (it
// waits for the next), so of two adjacent removed entries the second goes one call later.
void remove_marked(World &w);

// Once per logic tick while playing: the death check, then every object's turn with the hero's
// interactions. Reads nothing but `w` and `in`.
WorldEvents world_step(World &w, const TickInput &in);
void animation_step(World &w);       // once per slow tick outside state 2
void shadow_probe(World &w);         // once per slow tick
// The first solid terrain edge that the line from (x0, y0) to (x1, y1) crosses (world pixels): the
// crossing nearest to (x0, y0) in (hit_x, hit_y), true; false when it crosses none. Reads the
// ground layer only (for the view; the world step does not use it).
bool terrain_crossing(const World &w, float x0, float y0, float x1, float y1, float &hit_x, float &hit_y);
// The particles' motion, once per logic tick while playing.
void update_particles(World &w);

// The world step tests walkers against the solid outlines through an index of the ground layer,
// and the drawing skips outlines by their bounding boxes; both are built on first use. Code that
// edits the outlines of the ground or back layer calls this afterwards.
void terrain_changed(const World &w);

// The drawn terrain's bounding box in world pixels: every point of every ground-layer outline
// (solid or not). False, with the box untouched, when the ground layer has no outline point.
// Kept until the next terrain_changed(), so a call per tick costs nothing.
struct TerrainExtent {
    float left = 0, top = 0, right = 0, bottom = 0;
};
bool terrain_extent(const World &w, TerrainExtent &out);

// The bounding box of one layer entry's outline points in world pixels. An outline that draws
// nothing (`count` below 2, or fewer points than `count` + 1) has `drawn` false; one with a point
// that is not a number gets the whole plane, so that it is never taken for being off the screen.
struct OutlineBox {
    float left = 0, top = 0, right = 0, bottom = 0;
    bool drawn = false;
};
// The boxes of the back layer's and the ground layer's entries, in layer order (one per entry in
// use, with or without an outline). Kept until the next terrain_changed(); built again when a
// layer's entry count no longer matches.
struct OutlineBoxes {
    std::vector<OutlineBox> back, ground;
};
const OutlineBoxes &outline_boxes(const World &w);
