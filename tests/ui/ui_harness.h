// ui_harness.h - drives the interface toolkit on the headless engine, one frame at a time.
//
// A Ui object loads libengine_headless.so into `eng`, registers a frame procedure that runs
// run_interface, and loads a font whose every glyph advances kGlyph pixels, two pictures
// ("gbut", "gstr") and two sounds ("click", "select") into toolkit.settings. Tests queue mouse, key
// and text events for the next frame, run it, and read that frame's engine calls from the
// headless call log. Elements are made with window() / add().
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/call_log.h"
#include "support/test_files.h"
#include "ui/ui.h"

namespace uitest {

namespace fs = std::filesystem;

constexpr int kGlyph = 10;  // pixels each character of the test font advances

// Windows virtual-key codes used by the tests.
constexpr int kEnter = 13, kEscape = 27, kSpace = 32, kBackspace = 8;
constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

// One logged call: the operation and its arguments as written (quotes removed).
struct Call {
    std::string op;
    std::vector<std::string> args;
    double num(std::size_t i) const { return std::stod(args.at(i)); }
    // The stem of a quoted path argument ("/tmp/x/gbut.tga" -> "gbut").
    std::string stem(std::size_t i) const { return fs::path(args.at(i)).stem().string(); }
};
using Calls = std::vector<Call>;

// Calls of one operation, in order.
inline Calls only(const Calls &calls, const std::string &op) {
    Calls out;
    for (const Call &c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}

// The sprite draws as "stem x y w h alpha angle flags".
inline std::vector<std::string> sprites(const Calls &calls) {
    std::vector<std::string> out;
    for (const Call &c : only(calls, "SSprite_Draw")) {
        std::string s = c.stem(0);
        for (std::size_t i = 1; i < c.args.size(); ++i) s += " " + c.args[i];
        out.push_back(s);
    }
    return out;
}

// The text draws as "x y text alpha colour" (font and scale left out).
inline std::vector<std::string> texts(const Calls &calls) {
    std::vector<std::string> out;
    for (const Call &c : only(calls, "Text_Draw"))
        out.push_back(c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[6] + " " + c.args[7]);
    return out;
}

template <typename T>
T symbol(const char *name) {
    return reinterpret_cast<T>(engine_symbol(name));
}

// A lookup of a name no element has is a fault of the code under test.
inline void unknown_name(const std::string &name) { ADD_FAILURE() << "no interface element is named \"" << name << "\""; }

class Ui {
public:
    Ui() {
        static int serial = 0;
        dir_ = test_files::scratch_dir("ui") / std::to_string(++serial);
        fs::create_directories(dir_);
        std::string ofi = "ofi 1\ntexture 256 256\nline 16\n";
        for (int c = 32; c < 256; ++c)
            ofi += "glyph " + std::to_string(c) + " 0 0 8 16 0 0 " + std::to_string(kGlyph) + "\n";
        std::ofstream(dir_ / "cyr.ofi") << ofi;
        // One-pixel pictures and a one-frame sound, so that the engine loads them without warnings.
        const std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\40\10\377\377\377\377", 22);
        for (const char *name : {"cyr.tga", "cyrl.tga", "gbut.tga", "gstr.tga"})
            std::ofstream(dir_ / name, std::ios::binary) << tga;
        const std::string wav("RIFF\46\0\0\0WAVEfmt \20\0\0\0\1\0\1\0\42\126\0\0\104\254\0\0\2\0\20\0"
                              "data\2\0\0\0\0\0", 46);
        for (const char *name : {"click.wav", "select.wav"})
            std::ofstream(dir_ / name, std::ios::binary) << wav;
        const std::string lib = std::string(TARVELOK_GAME_DIR) + "/libengine_headless.so";
        loaded_ = engine_load(lib.c_str());
        if (!loaded_) {
            ADD_FAILURE() << "cannot load " << lib;
            return;
        }
        symbol<void (*)()>("HL_Reset")();
        eng.OE_RegProcedure(0, [] { run_interface(); });
        reset_toolkit();
        set_unknown_name_handler(unknown_name);
        const std::string ofi_path = (dir_ / "cyr.ofi").string();
        toolkit.settings.gui_font = eng.Text_LoadFontFromFile(path("cyr.tga").c_str(), ofi_path.c_str(), 0, 0);
        toolkit.settings.gui_glow_font = eng.Text_LoadFontFromFile(path("cyrl.tga").c_str(), ofi_path.c_str(), 0, 0);
        toolkit.settings.button_texture = eng.Tex_LoadFromFile(path("gbut.tga").c_str(), -1, 0);
        toolkit.settings.list_arrow_texture = eng.Tex_LoadFromFile(path("gstr.tga").c_str(), -1, 0);
        toolkit.settings.click_sound = eng.Snd_LoadFromFile(path("click.wav").c_str(), 4);
        toolkit.settings.select_sound = eng.Snd_LoadFromFile(path("select.wav").c_str(), 4);
        toolkit.settings.button_caption_colour = 0x11CCFF;
    }
    ~Ui() {
        reset_toolkit();
        if (loaded_) symbol<void (*)()>("HL_Reset")();
    }
    bool ok() const { return loaded_; }

    // A window at (x, y), 800 x 600, fixed, made the parent of what is added next.
    template <typename W = Iwindow>
    W *window(const std::string &name, bool visible, int x = 0, int y = 0) {
        auto *w = new W(name, x, y, 800, 600, "", visible);
        w->fixed = true;
        add_element(w);
        begin_window();
        return w;
    }
    template <typename E>
    E *add(const std::string &name, int x, int y, int w, int h, const std::string &text = "") {
        auto *e = new E(name, x, y, w, h, text, true);
        add_element(e);
        return e;
    }

    // Events applied at the start of the next frame.
    void move(int x, int y) { push(3 /*HL_MOUSE_MOVE*/, x, y); }
    void button_down() { push(4 /*HL_MOUSE_DOWN*/, 1, 0); }
    void button_up() { push(5 /*HL_MOUSE_UP*/, 1, 0); }
    void click() { button_down(), button_up(); }
    void key(int vk) { push(1 /*HL_KEY_DOWN*/, vk, 0), push(2 /*HL_KEY_UP*/, vk, 0); }
    void type(const std::string &utf8) {
        HL_Event e{};
        e.frame = next_frame();
        e.type = 6;  // HL_TEXT
        std::snprintf(e.text, sizeof e.text, "%s", utf8.c_str());
        symbol<void (*)(const HL_Event *)>("HL_PushEvent")(&e);
    }

    // Runs one frame and returns its engine calls.
    Calls frame() {
        const fs::path log = dir_ / "calls.txt";
        symbol<int32_t (*)(const char *)>("HL_SetCallLog")(log.c_str());
        symbol<void (*)(int32_t)>("HL_SetFrameLimit")(next_frame() + 1);
        eng.OE_Init(0, 0);
        symbol<int32_t (*)(const char *)>("HL_SetCallLog")(nullptr);
        Calls calls;
        std::ifstream in(log);
        std::string line;
        bool in_frame = false;
        while (std::getline(in, line)) {
            if (line.rfind("frame ", 0) == 0) { in_frame = true; continue; }
            if (!in_frame) continue;
            auto words = call_log::split_log_line(line);
            if (words.empty()) continue;
            calls.push_back({words[0], {words.begin() + 1, words.end()}});
        }
        return calls;
    }
    Calls frames(int n) {
        Calls last;
        for (int i = 0; i < n; ++i) last = frame();
        return last;
    }

    // Sound plays since the engine was reset: how many of the sound with this stem, and their pans.
    std::vector<int> pans(const std::string &stem) const {
        std::vector<int> out;
        const int n = symbol<int32_t (*)()>("HL_SoundPlayCount")();
        for (int i = 0; i < n; ++i) {
            int32_t pan = 0;
            const char *p = symbol<const char *(*)(int32_t, int32_t *)>("HL_SoundPlay")(i, &pan);
            if (p && fs::path(p).stem() == stem) out.push_back(pan);
        }
        return out;
    }
    int plays(const std::string &stem) const { return int(pans(stem).size()); }

private:
    std::string path(const char *file) const { return (dir_ / file).string(); }
    int next_frame() const { return symbol<int32_t (*)()>("HL_FrameIndex")(); }
    void push(int type, int a, int b) {
        HL_Event e{};
        e.frame = next_frame();
        e.type = type;
        e.a = a;
        e.b = b;
        symbol<void (*)(const HL_Event *)>("HL_PushEvent")(&e);
    }

    fs::path dir_;
    bool loaded_ = false;
};

}  // namespace uitest
