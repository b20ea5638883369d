// trace.cpp - the trace line: one JSON object of the game's state after a logic tick, the same
// for the game (--trace) and the simulator (--trace, and --replay).
//
// In: the shell's records, the World, the camera, the music title and the visible windows.
// Out: text only; nothing is changed and no engine operation is called.
#include <cstdio>
#include <string>

#include "cp1251.h"
#include "music/music.h"
#include "replay/replay.h"
#include "shell/shell.h"
#include "ui/ui.h"

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

std::string trace_line(long tick, double time_ms) {
    std::string s = "{";
    auto field = [&](const char *name, const std::string &value) {
        if (s.size() > 1) s += ",";
        s += "\"";
        s += name;
        s += "\":";
        s += value;
    };
    auto num = [](long long v) { return std::to_string(v); };
    const LevelState &level = level_record.world.level;
    field("tick", num(tick));
    field("time_ms", real(time_ms));
    field("game_state", num(static_cast<int>(session.game_state)));
    field("level_index", num(profile.level_index));
    field("fade_level", num(session.fade_level));
    field("fading_out", num(session.fading_out));
    field("start_pending", num(session.start_pending));
    field("reload_pending", num(session.reload_pending));
    field("death_pending", num(session.death_pending));
    field("level_done_pending", num(session.level_done_pending));
    field("hero_x", num(level.hero_x));
    field("hero_y", num(level.hero_y));
    field("walk_speed", real(level.walk_speed));
    field("fall_speed", real(level.fall_speed));
    field("on_ground", num(level.on_ground));
    field("jumping", num(level.jumping));
    field("hurt", num(level.hurt));
    field("riding", num(level.riding));
    field("damage", num(level_record.world.tallies.damage));
    field("deaths", num(profile.deaths));
    field("level_points", num(level_record.world.tallies.level_points));
    field("total_points", num(profile.total_points));
    field("total_nuts", num(profile.total_nuts));
    field("gold_nut_found", num(level_record.world.tallies.gold_nut_found));
    field("camera_x", real(handles.camera ? handles.camera->x : 0));
    field("camera_y", real(handles.camera ? handles.camera->y : 0));
    field("object_count", num(level_record.world.object_count));
    field("particle_count", num(level_record.world.particles.count));
    field("camera_lead", num(session.camera_lead));
    field("shadow_alpha", real(level.shadow_alpha));
    field("world_steps", num(level_record.world.steps));
    const char *title = music_title();
    field("music_title", json_text(title ? title : ""));
    field("profile_name", json_text(settings.profile_name));
    std::string windows = "[";
    for (int32_t i = 0; i < element_count(); ++i) {
        const ielement *e = element_at(i);
        if (e && !e->has_parent && e->visible) {
            if (windows.size() > 1) windows += ",";
            windows += json_text(e->name);
        }
    }
    field("windows", windows + "]");
    return s + "}\n";
}

}  // namespace replay
