// render_log.h - drawing tests' bench: the headless engine loaded into the test program, a
// scratch game folder with pictures of chosen sizes, fresh catalogues, camera and device, and the
// recorded engine calls read back as (operation, arguments).
//
// Use: HeadlessDraw d; d.share("light", 256, 256); d.object("enot", 1440, 288); fill `world` and
// `level`; d.start(); draw...; auto calls = d.stop(); then look calls up with find/ops.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine/engine.h"
#include "render/draw_world.h"
#include "shell/game_records.h"
#include "shell/shell.h"
#include "shell/test_support.h"
#include "support/call_log.h"
#include "world/world.h"

namespace render_test {

using testsupport::fs::path;

// One recorded call: the operation and its arguments as logged (quotes removed).
struct Call {
    std::string op;
    std::vector<std::string> args;
    double num(std::size_t i) const { return std::stod(args.at(i)); }
    std::string str() const {
        std::string s = op;
        for (const std::string &a : args) s += " " + a;
        return s;
    }
};

using call_log::split_log_line;

// An uncompressed 32-bit TGA of w x h transparent pixels (only its size matters to the headless
// engine).
inline void write_tga(const path &p, int w, int h) {
    std::string bytes(18, '\0');
    bytes[2] = 2;  // true colour
    bytes[12] = char(w & 0xFF);
    bytes[13] = char(w >> 8);
    bytes[14] = char(h & 0xFF);
    bytes[15] = char(h >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;  // top-left origin, 8 alpha bits
    bytes.append(std::size_t(w) * h * 4, '\0');
    testsupport::write_bytes(p, bytes);
}

template <typename T>
T symbol(const char *name) {
    T fn = reinterpret_cast<T>(engine_symbol(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
}

// The headless engine with a scratch game folder as working directory, fresh records (reset_records:
// empty catalogues, an empty world), a camera at (0, 0) and the device; records calls between start() and stop().
class HeadlessDraw {
public:
    HeadlessDraw() {
        const std::string lib = std::string(TARVELOK_GAME_DIR) + "/libengine_headless.so";
        loaded_ = engine_load(lib.c_str());
        EXPECT_TRUE(loaded_) << "cannot load " << lib;
        if (!loaded_) return;
        symbol<void (*)()>("HL_Reset")();
        reset_records();
        handles.camera = eng.Cam2D_Create();
        eng.Cam2D_Set(handles.camera);
        handles.camera->x = 0;
        handles.camera->y = 0;
        handles.camera->camera_on = 0;
        handles.direct3d_device = *static_cast<OE_Device **>(eng.P_GetParams(18));
    }
    ~HeadlessDraw() {
        if (loaded_) symbol<int32_t (*)(const char *)>("HL_SetCallLog")(nullptr);
        reset_records();
    }
    bool ok() const { return loaded_; }

    // A picture of w x h pixels in gfx/share (resp. gfx/obj), entered into its catalogue.
    void share(const std::string &name, int w, int h) { add(assets.share_textures, "share", name, w, h); }
    void object(const std::string &name, int w, int h) { add(object_textures, "obj", name, w, h); }

    void start() {
        log_ = dir_.path() / "calls.txt";
        EXPECT_NE(symbol<int32_t (*)(const char *)>("HL_SetCallLog")(log_.c_str()), 0);
    }
    std::vector<Call> stop() {
        symbol<int32_t (*)(const char *)>("HL_SetCallLog")(nullptr);
        std::vector<Call> calls;
        std::istringstream in(testsupport::read_bytes(log_));
        std::string line;
        while (std::getline(in, line)) {
            std::vector<std::string> parts = split_log_line(line);
            if (parts.empty() || parts[0] == "M_Round") continue;  // a query, not drawing
            Call c;
            c.op = parts[0];
            c.args.assign(parts.begin() + 1, parts.end());
            calls.push_back(std::move(c));
        }
        return calls;
    }
    // Records the calls of one draw_world(world) (M_Round queries left out). The signs' bubbles are
    // written in handles.font_cyr (none unless a test loads one).
    std::vector<Call> draw() { return draw_with_device(handles.direct3d_device); }
    // The same with another device stand-in for the terrain fills (null: none).
    std::vector<Call> draw_with_device(OE_Device *device) {
        start();
        draw_world(world, DrawContext{object_textures, handles.camera, device, presentation.sway_offset, handles.font_cyr});
        return stop();
    }

private:
    void add(TBase &base, const char *folder, const std::string &name, int w, int h) {
        write_tga(dir_.path() / "gfx" / folder / (name + ".tga"), w, h);
        Base_AddFile(base, std::string("gfx\\") + folder + "\\" + name + ".tga");
    }

    testsupport::ScratchDir dir_;
    path log_;
    bool loaded_ = false;
};

// The log's name for a picture made by HeadlessDraw.
inline std::string obj(const std::string &name) { return "gfx/obj/" + name + ".tga"; }
inline std::string shr(const std::string &name) { return "gfx/share/" + name + ".tga"; }

// Calls of one operation, in order.
inline std::vector<Call> ops(const std::vector<Call> &calls, const std::string &op) {
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}

// Index of the first call at or after `from` satisfying `pred`, or -1.
inline int find(const std::vector<Call> &calls, const std::function<bool(const Call &)> &pred, int from = 0) {
    for (int i = from; i < int(calls.size()); ++i)
        if (pred(calls[std::size_t(i)])) return i;
    return -1;
}

// Index of the first draw (SSprite_Draw or ASprite_Draw) of `picture`, or -1.
inline int find_draw(const std::vector<Call> &calls, const std::string &picture, int from = 0) {
    return find(calls, [&](const Call &c) {
        return (c.op == "SSprite_Draw" || c.op == "ASprite_Draw") && !c.args.empty() && c.args[0] == picture;
    }, from);
}

// The numbers of a call after its first argument (the picture), as doubles.
inline std::vector<double> nums(const Call &c) {
    std::vector<double> out;
    for (std::size_t i = 1; i < c.args.size(); ++i) out.push_back(std::stod(c.args[i]));
    return out;
}

}  // namespace render_test
