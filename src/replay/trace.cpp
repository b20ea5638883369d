// trace.cpp - the trace line: one JSON object of the game's state after a logic tick, the same
// for the game (--trace) and the simulator (--trace, and --replay).
//
// In: a TraceView, gathered by the writer (the shell's records, or the simulator's replay).
// Out: text only; nothing is changed and no engine operation is called.
#include <cstdio>
#include <string>

#include "cp1251.h"
#include "replay/replay.h"

namespace replay {

namespace {

// Decimal text of a real with at most three decimals, trailing zeros dropped.
std::string real(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

// A JSON string of 1251 text.
std::string json_text(const std::string &text1251) {
    std::string out = "\"";
    for (char c : cp1251::to_utf8(text1251)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", u);
            out += b;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string trace_line(const TraceView &v) {
    std::string s = "{";
    auto field = [&](const char *name, const std::string &value) {
        if (s.size() > 1) s += ",";
        s += "\"";
        s += name;
        s += "\":";
        s += value;
    };
    auto num = [](long long x) { return std::to_string(x); };
    const World &w = *v.world;
    const LevelState &level = w.level;
    field("tick", num(v.tick));
    field("time_ms", real(v.time_ms));
    field("game_state", num(v.state));
    field("level_index", num(v.level_index));
    field("fade_level", num(v.fade_level));
    field("fading_out", num(v.fading_out));
    field("start_pending", num(v.start_pending));
    field("reload_pending", num(v.reload_pending));
    field("death_pending", num(v.death_pending));
    field("level_done_pending", num(v.level_done_pending));
    field("hero_x", num(level.hero_x));
    field("hero_y", num(level.hero_y));
    field("walk_speed", real(level.walk_speed));
    field("fall_speed", real(level.fall_speed));
    field("on_ground", num(level.on_ground));
    field("jumping", num(level.jumping));
    field("hurt", num(level.hurt));
    field("riding", num(level.riding));
    field("damage", num(w.tallies.damage));
    field("deaths", num(v.deaths));
    field("level_points", num(w.tallies.level_points));
    field("total_points", num(v.total_points));
    field("total_nuts", num(v.total_nuts));
    field("gold_nut_found", num(w.tallies.gold_nut_found));
    field("camera_x", real(v.camera_x));
    field("camera_y", real(v.camera_y));
    field("object_count", num(w.object_count));
    field("particle_count", num(w.particles.count));
    field("camera_lead", num(v.camera_lead));
    field("shadow_alpha", real(level.shadow_alpha));
    field("world_steps", num(w.steps));
    // Only once a checkpoint is lit, so that levels without one trace as they always have.
    if (level.checkpoint_lit) {
        field("checkpoint_x", num(level.checkpoint_x));
        field("checkpoint_y", num(level.checkpoint_y));
    }
    field("music_title", json_text(v.music_title));
    field("profile_name", json_text(v.profile_name));
    std::string windows = "[";
    for (const std::string &name : v.windows) {
        if (windows.size() > 1) windows += ",";
        windows += json_text(name);
    }
    field("windows", windows + "]");
    return s + "}\n";
}

}  // namespace replay
