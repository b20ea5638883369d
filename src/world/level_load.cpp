// level_load.cpp - the level's lifecycle: clearing the world, the full load of a level file with
// its pictures, the developer's in-place reload, and putting the hero back at its start (or at the
// checkpoint lit last).
//
// In: a level file path as the scene list gives it. Out: the World filled, the level's pictures
// in the catalogue the caller gives, the hero's start. A missing or bad file, or one without a hero, stops the
// load with a message naming the file (and the line), and leaves the world empty. The camera and
// the timers are the caller's.
// Not here: the file format itself (level_file.cpp), what happens per tick (world_step.cpp).
#include <cstdio>

#include "engine_math.h"
#include "platform/platform.h"
#include "world/level_file.h"
#include "world/world_internal.h"

namespace {

const char *const kObjectPictureDir = "gfx\\obj\\";
constexpr int kErrorIcon = 0x10;  // message box style: an error
constexpr int32_t kFirstFrame = 1, kRandomFrames = 14;  // objects start at a frame 1..14

void outline_centre(TPolyLine2D &outline) {
    OE_PolyLine p{outline.count, 0, 0, outline.points.data()};
    engine_math::poly_center(&p);
    outline.cx = p.cx;
    outline.cy = p.cy;
}

bool has_hero(const World &w) {
    for (int32_t i = 0; i < w.object_count; ++i)
        if (w.object_layer[i].role == Kind::enot) return true;
    return false;
}

// Tells the player (message box, stderr) why the level did not load, and empties the world.
void load_failed(World &w, const std::string &text) {
    clear_world(w);
    platform::message_box(text, "Tarvelok", kErrorIcon);
}

// Reads the level file into the cleared world. False after a reported failure.
bool read_level_file(World &w, const std::string &path, bool full, TBase *pictures, const std::string &why_no_path) {
    if (path.empty()) {
        load_failed(w, "The level cannot be started: " + why_no_path);
        return false;
    }
    std::string bytes, why;
    bool missing = false;
    // read_file opens regular files only, so a device or a pipe named here cannot hang the game.
    if (!platform::read_file(path, bytes, &missing, &why)) {
        load_failed(w, "Level file " + platform::quote(path) + (missing ? ": missing" : " " + why));
        return false;
    }
    LevelReadHooks hooks;
    if (full && pictures)
        hooks.want_pictures = [pictures](const std::string &name) { Base_LoadPrefix(*pictures, kObjectPictureDir, name); };
    hooks.random_frame = [&w] { return kFirstFrame + random_int(w, kRandomFrames); };
    hooks.centre = outline_centre;
    const LevelReadReport report = read_level_text(w, bytes, full, hooks);
    if (!report.ok) {
        load_failed(w, "Level file " + platform::quote(path) + ", line " + std::to_string(report.line) + ": " + report.problem);
        return false;
    }
    // Without a hero there is nobody to play (an empty file, a file of NUL bytes, a text that is
    // no level at all read as one): refused like any other bad level.
    if (!has_hero(w)) {
        load_failed(w, "Level file " + platform::quote(path) + ": no \"" + kHeroKind +
                    "\" among its objects, so there is no hero to play");
        return false;
    }
    if (report.extra_heroes > 0)
        platform::warn_once("second-hero:" + path,
                            "level file " + platform::quote(path) + ", line " + std::to_string(report.extra_hero_line) +
                                ": more than one \"enot\"; only the first is the hero, " +
                                std::to_string(report.extra_heroes) + " more stay pictures");
    terrain_changed(w);
    return true;
}

}  // namespace

void clear_world(World &w) {
    clear_layers(w);
    w.tallies.level_points = 0;
    w.tallies.damage = 0;
}

bool load_level(World &w, const std::string &path, TBase *pictures, const std::string &why_no_path) {
    w.level.riding = 0;
    w.level.checkpoint_lit = 0;
    w.level.checkpoint_x = w.level.checkpoint_y = 0;
    w.tallies.gold_nut_found = 0;
    w.steps = 0;
    w.level.level_file = path;
    if (pictures) Base_Free(*pictures);
    return read_level_file(w, path, true, pictures, why_no_path);
}

bool reload_level(World &w, const std::string &path) {
    w.level.riding = 0;
    w.level.checkpoint_lit = 0;  // the checkpoints are read again unlit
    w.level.checkpoint_x = w.level.checkpoint_y = 0;
    w.level.level_file = path;
    return read_level_file(w, path, false, nullptr, "");
}

void respawn_hero(World &w) {
    for (int32_t i = 0; i < w.object_count; ++i) {
        tmin &o = w.object_layer[i];
        if (o.role == Kind::enot) {
            o.x = respawn_x(w.level);
            o.y = respawn_y(w.level);
            return;
        }
    }
}
