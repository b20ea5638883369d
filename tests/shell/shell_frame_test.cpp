// shell_frame_test.cpp - the frame drawing, read from the headless engine's call log while the real
// start-up runs in this process: the splash, the menu backdrop's order and positions, the fade
// overlay's alpha, the status bar's positions and health bar width, and the loading screen at
// fade levels 15 and 5. A scratch game folder supplies empty pictures (the engine stands in a
// checker picture but records the path) and a font whose every glyph advances 10 pixels.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <algorithm>
#include <map>
#include <set>

#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menus.h"
#include "shell/game_records.h"
#include "shell/shell.h"
#include "shell/transitions.h"
#include "shell/test_support.h"
#include "support/call_log.h"
#include "ui/ui.h"
#include "world/world.h"

using namespace testsupport;

namespace {

constexpr int kGlyphAdvance = 10;  // pixels per character of the scratch font

// One recorded call: its operation and its arguments as written in the log (quotes removed).
struct Call {
    std::string op;
    std::vector<std::string> args;
    double num(std::size_t i) const { return std::stod(args.at(i)); }
};

using call_log::split_log_line;

// A run of the game on the headless engine.
struct HeadlessRun {
    std::vector<std::vector<Call>> frames;   // calls of each frame procedure pass
    std::map<int, int> fade_at_frame;        // fade_level in force when each frame was drawn
    std::map<int, int> ticks_at_frame;       // logic ticks run before each frame was drawn
};

std::function<void(int)> g_on_tick;
int g_tick = 0;
std::vector<int> g_fade_by_tick;  // fade_level after each logic tick

void timer_hook(OE_Timer *timer) {
    if (timer != handles.logic_timer) return;
    ++g_tick;
    if (g_on_tick) g_on_tick(g_tick);
    g_fade_by_tick.push_back(session.fade_level);
}

void make_game_folder(const fs::path &dir) {
    for (const char *n : {"bg", "menu", "clock", "gtit", "gbut", "gstr", "cur", "compass", "str",
                          "berry", "health", "rnd", "h1", "mon", "shadow", "logo", "emblo", "plaq"})
        write_bytes(dir / "gfx" / "share" / (std::string(n) + ".tga"), "");
    std::string ofi = "ofi 1\ntexture 256 256\nline 16\n";
    for (int c = 32; c < 256; ++c)
        ofi += "glyph " + std::to_string(c) + " 0 0 8 16 0 0 " + std::to_string(kGlyphAdvance) + "\n";
    write_bytes(dir / "fnt" / "cyr.ofi", ofi);
    write_bytes(dir / "cfg" / "config.txt", "1\r\n0\r\n0\r\n1\r\nTester\r\n");  // music off
}

template <typename T>
T symbol(const char *name) {
    T fn = reinterpret_cast<T>(engine_symbol(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
}

HeadlessRun run_headless(const fs::path &dir, int frames, std::function<void(int)> on_tick) {
    HeadlessRun result;
    const std::string lib = std::string(TARVELOK_GAME_DIR) + "/libengine_headless.so";
    if (!engine_load(lib.c_str())) {
        ADD_FAILURE() << "cannot load " << lib;
        return result;
    }
    symbol<void (*)()>("HL_Reset")();
    const fs::path log = dir / "calls.txt";
    EXPECT_NE(symbol<int32_t (*)(const char *)>("HL_SetCallLog")(log.c_str()), 0);
    symbol<void (*)(int32_t)>("HL_SetFrameLimit")(frames);
    symbol<void (*)(void (*)(OE_Timer *))>("HL_SetTimerHook")(timer_hook);
    // Fresh run-wide state, as at process start.
    reset_records();
    g_tick = 0;
    g_on_tick = std::move(on_tick);
    g_fade_by_tick.clear();

    EXPECT_EQ(run_game(1), 0);
    symbol<int32_t (*)(const char *)>("HL_SetCallLog")(nullptr);
    symbol<void (*)(void (*)(OE_Timer *))>("HL_SetTimerHook")(nullptr);
    g_on_tick = nullptr;

    std::istringstream in(read_bytes(log));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("frame ", 0) == 0) {
            result.frames.emplace_back();
            continue;
        }
        if (result.frames.empty()) continue;  // start-up calls
        auto tokens = split_log_line(line);
        if (tokens.empty()) continue;
        Call c{tokens[0], {tokens.begin() + 1, tokens.end()}};
        result.frames.back().push_back(std::move(c));
    }
    // Fade level per frame: the value after the last logic tick run before that frame. Each logic
    // tick asks for the jump key once, so those calls show in which frame's pass each tick ran.
    int ticks = 0;
    for (int f = 0; f < static_cast<int>(result.frames.size()); ++f) {
        for (const Call &c : result.frames[f])
            if (c.op == "KeyEx_Down" && !c.args.empty() && c.args[0] == "32") ++ticks;
        result.fade_at_frame[f] = ticks == 0 ? 0 : g_fade_by_tick.at(static_cast<std::size_t>(ticks - 1));
        result.ticks_at_frame[f] = ticks;
    }
    return result;
}

// The sprite draws of a frame as "name x y w h alpha angle flags" with the picture's stem.
std::vector<std::string> sprites(const std::vector<Call> &calls) {
    std::vector<std::string> out;
    for (const Call &c : calls) {
        if (c.op != "SSprite_Draw") continue;
        std::string s = fs::path(c.args[0]).stem().string();
        for (std::size_t i = 1; i < c.args.size(); ++i) s += " " + c.args[i];
        out.push_back(s);
    }
    return out;
}

const Call *find_call(const std::vector<Call> &calls, const std::string &op, std::size_t nth = 0) {
    for (const Call &c : calls)
        if (c.op == op && nth-- == 0) return &c;
    return nullptr;
}

std::string real(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

}  // namespace

TEST(FrameDrawing, SplashThenMenuBackdropInOrderWithTheSway) {
    ScratchDir dir;
    make_game_folder(dir.path());
    // Pin the sway after every logic tick so that the frames drawn next use 6 pixels.
    HeadlessRun r = run_headless(dir.path(), 12, [](int) { session.sway_offset = 6; });
    ASSERT_GE(r.frames.size(), 12u);
    const std::string log = read_bytes(dir.path() / "calls.txt");
    EXPECT_NE(log.find("SSprite_Draw \"gfx/share/splash.tga\" 272 172 256 256 255 0 1"), std::string::npos);

    const auto s = sprites(r.frames[10]);
    const std::vector<std::string> expected = {
        "bg 0 0 800 600 255 0 1",
        "compass -112 -212 1024 1024 128 6 9",
        "compass 144 90 512 512 255 -6 1",
        "str 144 90 512 512 255 24 1",
        "menu 144 90 512 512 255 0 1",
        "gtit 140 0 512 128 255 0 1",
        "berry 120 56 48 48 255 0 1",  // 50 + sway
        "berry 625 44 48 48 255 0 1",  // 50 - sway
    };
    // The backdrop first, then the menu windows (their own tests), the cursor last.
    ASSERT_GT(s.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_EQ(s.back(), "cur 0 0 64 64 255 0 1");
    // Additive blending with the olive tint exactly around the three ornaments.
    std::vector<std::string> state;
    for (const Call &c : r.frames[10])
        if (c.op == "FX_SetBlendMode" || c.op == "FX_SetColorMix" || c.op == "SSprite_Draw")
            state.push_back(c.op == "SSprite_Draw" ? fs::path(c.args[0]).stem().string() : c.op + " " + c.args[0]);
    EXPECT_EQ(std::vector<std::string>(state.begin(), state.begin() + 7),
              (std::vector<std::string>{"bg", "FX_SetBlendMode 1", "FX_SetColorMix 0x00AAAA", "compass",
                                        "compass", "str", "FX_SetBlendMode 0"}));
    const Call *frames_size = find_call(r.frames[10], "Tex_SetFramesSize");
    ASSERT_NE(frames_size, nullptr);
    EXPECT_EQ(frames_size->args, (std::vector<std::string>{"gfx/share/cur.tga", "64", "64"}));
}

// Pictures missing from the game's folder: no null picture reaches the engine and no other picture
// is drawn in a missing one's place (the catalogue's first used to stand in); the cursor is a plain
// square at the pointer, the buttons' faces plain grey boxes, the rest is left out.
TEST(FrameDrawing, MissingPicturesAreLeftOutOrStoodInForByPlainBoxes) {
    ScratchDir dir;
    make_game_folder(dir.path());
    for (const char *n : {"cur", "gbut", "compass", "logo"})
        fs::remove(dir.path() / "gfx" / "share" / (std::string(n) + ".tga"));
    testing::internal::CaptureStderr();
    HeadlessRun r = run_headless(dir.path(), 40, nullptr);
    const std::string told = testing::internal::GetCapturedStderr();
    ASSERT_EQ(r.frames.size(), 40u);
    const std::vector<Call> &frame = r.frames[38];  // the menu, fully faded in (the last has the exit)
    for (const Call &c : frame) {
        if (c.op != "SSprite_Draw" && c.op != "ASprite_Draw" && c.op != "Tex_SetFramesSize") continue;
        EXPECT_NE(c.args[0], "null");
        EXPECT_NE(c.args[0], "unknown");
    }
    // The backdrop keeps its own pictures, in order, without the compasses.
    const auto s = sprites(frame);
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(fs::path(s[0].substr(0, s[0].find(' '))).string(), "bg");
    EXPECT_EQ(s[1].substr(0, s[1].find(' ')), "str");
    EXPECT_EQ(std::count(s.begin(), s.end(), "bg 0 0 800 600 255 0 1"), 1);
    // The cursor: the last thing drawn, a white square at the pointer (0, 0).
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame.back().op, "Pr2D_Rect");
    EXPECT_EQ(frame.back().args, (std::vector<std::string>{"0", "0", "10", "10", "0xFFFFFF", "255", "1"}));
    // Five column buttons of the main menu, each face a grey box (and its glow one more).
    int grey = 0;
    for (const Call &c : frame)
        if (c.op == "Pr2D_Rect" && c.args.size() == 7 && c.args[4] == "0x808080") ++grey;
    EXPECT_GE(grey, 5);
    // Each missing picture told once, by name.
    for (const char *n : {"\"cur\"", "\"gbut\"", "\"compass\"", "\"logo\""}) {
        EXPECT_NE(told.find(n), std::string::npos) << n << " in: " << told;
        EXPECT_EQ(told.find(n), told.rfind(n)) << n << " told twice";
    }
}

TEST(FrameDrawing, FadeOverlayAlphaFollowsTheFadeAndVanishesAtFullBrightness) {
    ScratchDir dir;
    make_game_folder(dir.path());
    HeadlessRun r = run_headless(dir.path(), 50, nullptr);
    ASSERT_EQ(r.frames.size(), 50u);
    int overlays = 0;
    for (std::size_t f = 0; f < r.frames.size(); ++f) {
        const int fade = r.fade_at_frame[static_cast<int>(f)];
        const Call *rect = find_call(r.frames[f], "Pr2D_Rect");
        if (fade == 255) {
            EXPECT_EQ(rect, nullptr) << "frame " << f;
            continue;
        }
        ASSERT_NE(rect, nullptr) << "frame " << f;
        ++overlays;
        EXPECT_EQ(rect->args, (std::vector<std::string>{"0", "0", "800", "600", "0x000000",
                                                        std::to_string(255 - fade), "1"}));
        // The overlay is the last thing of a menu frame (no loading screen here).
        EXPECT_EQ(&r.frames[f].back(), rect);
    }
    EXPECT_GE(overlays, 26);  // 26 ticks at 50 per second span at least 26 frames at 60
    EXPECT_EQ(r.fade_at_frame[49], 255);
}

TEST(FrameDrawing, StatusBarPositionsHealthWidthAndWarningFlash) {
    ScratchDir dir;
    make_game_folder(dir.path());
    HeadlessRun r = run_headless(dir.path(), 40, [](int tick) {
        if (tick == 30) {
            session.game_state = GameState::playing;
            session.fade_level = 255;
            world.tallies.damage = 90;
            profile.deaths = 1;
            world.tallies.level_points = 1234;
            world.level.world_time = 1000;  // flash alpha = round(1000 / 5) mod 255 = 200
        }
    });
    const auto &frame = r.frames.back();
    const std::vector<std::string> expected = {
        "shadow -48 -20 96 32 0 0 9",   // the world's (empty) drawing: the hero's shadow, unseen
        "health 54 544 38 16 255 0 1",  // 128 - damage wide
        "rnd 22 520 192 64 255 0 1",
        "rnd 640 8 128 64 255 0 1",
        "h1 672 24 32 32 255 0 1",
        "rnd 272 8 256 64 255 0 1",
        "mon 304 24 32 32 255 0 1",
        "mon 464 24 32 32 255 0 1",
        "cur 0 0 64 64 255 0 1",
    };
    EXPECT_EQ(sprites(frame), expected);
    const Call *flash = find_call(frame, "Pr2D_Rect");
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->args, (std::vector<std::string>{"54", "544", "38", "16", "0x0000FF", "200", "1"}));

    std::vector<std::string> texts;
    for (const Call &c : frame)
        if (c.op == "Text_Draw") texts.push_back(c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[7]);
    const std::string points = "Очки: 1234";
    const double px = 400 - 10.0 * kGlyphAdvance / 2;  // ten characters centred on 400
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "703 25 x2 0x333333", "704 24 x2 0xFFFFFF",  // lives: shadow to the left
                         real(px + 1) + " 25 " + points + " 0x333333",
                         real(px) + " 24 " + points + " 0xFFFFFF"}));
}

TEST(FrameDrawing, HealthBarIsFullWithoutDamageAndNoCursorWithMouseOff) {
    ScratchDir dir;
    make_game_folder(dir.path());
    HeadlessRun r = run_headless(dir.path(), 40, [](int tick) {
        if (tick == 30) {
            session.game_state = GameState::playing;
            session.fade_level = 255;
            settings.mouse_off = 1;
        }
    });
    const auto s = sprites(r.frames.back());
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[0], "shadow -48 -20 96 32 0 0 9");  // the world's, with no level loaded
    EXPECT_EQ(s[1], "health 54 544 128 16 255 0 1");
    EXPECT_EQ(find_call(r.frames.back(), "Pr2D_Rect"), nullptr);
    for (const auto &d : s) EXPECT_NE(d.rfind("cur ", 0), 0u) << d;
}

TEST(FrameDrawing, ANoticeIsDrawnOverEverythingForFiveSecondsThenFades) {
    ScratchDir dir;
    make_game_folder(dir.path());
    constexpr int kToldAt = 30;  // tick
    HeadlessRun r = run_headless(dir.path(), 360, [](int tick) {
        if (tick == kToldAt) {
            tell_player_once("test", CP1251("Не удалось сохранить игру!").c_str(),
                             CP1251("Проверьте, есть ли место на диске").c_str());
            session.fading_out = 1;  // and the screen goes black under it
        }
    });
    // 26 and 33 characters of 10 px: a plate 330 + 2 * 48 wide, two 30 px lines plus 2 * 14 high,
    // its bottom 24 px above the screen's, centred on 400.
    const std::string plate = "gbut 187 488 426 88 ";
    int shown = 0, faded = 0, after = 0;
    for (const auto &[f, t] : r.ticks_at_frame) {
        const auto &frame = r.frames[static_cast<std::size_t>(f)];
        const auto s = sprites(frame);
        const auto at = std::find_if(s.begin(), s.end(), [&](const std::string &d) { return d.rfind(plate, 0) == 0; });
        // After the tick that told it, the notice stays 250 ticks; alpha 255 until the last 25,
        // then 255 * ticks left / 25.
        const int left = kNoticeTicks - (t - kToldAt);
        if (t < kToldAt || left <= 0) {
            EXPECT_EQ(at, s.end()) << "frame " << f;
            after += t >= kToldAt;
            continue;
        }
        ASSERT_NE(at, s.end()) << "frame " << f << " tick " << t;
        EXPECT_EQ(at + 1, s.end());  // the last picture of the frame
        const int alpha = std::min(255, left * 255 / 25);
        EXPECT_EQ(*at, plate + std::to_string(alpha) + " 0 1") << "tick " << t;
        (alpha == 255 ? shown : faded) += 1;
        // The frame's last four texts, after the black overlay and the plate: shadow and white,
        // shadow and orange.
        std::vector<std::string> tail;
        bool past_plate = false;
        for (const Call &c : frame) {
            if (c.op == "SSprite_Draw" && fs::path(c.args[0]).stem() == "gbut" && c.args[1] == "187") past_plate = true;
            if (c.op == "Text_Draw" && past_plate)
                tail.push_back(c.op + " " + c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[6] + " " +
                               c.args[7]);
        }
        const std::string a = std::to_string(alpha);
        EXPECT_EQ(tail, (std::vector<std::string>{
                            "Text_Draw 271 503 Не удалось сохранить игру! " + a + " 0x333333",
                            "Text_Draw 270 502 Не удалось сохранить игру! " + a + " 0xFFFFFF",
                            "Text_Draw 236 533 Проверьте, есть ли место на диске " + a + " 0x333333",
                            "Text_Draw 235 532 Проверьте, есть ли место на диске " + a + " 0x11CCFF"}));
        const Call *overlay = find_call(frame, "Pr2D_Rect");
        if (t > kToldAt + 26) {
            ASSERT_NE(overlay, nullptr);
            EXPECT_EQ(overlay->args[5], "255");  // black by then, and the notice still readable
        }
    }
    EXPECT_GT(shown, 200);   // about 225 ticks' worth of frames
    EXPECT_GT(faded, 20);    // the last 25 ticks fade
    EXPECT_GT(after, 10);    // then it is gone
    // Told once: the same key again shows nothing new.
    EXPECT_FALSE(tell_player_once("test", "again"));
}

TEST(FrameDrawing, LoadingScreenCoversTheLastTwoStepsOfTheFadeOut) {
    ScratchDir dir;
    make_game_folder(dir.path());
    // The final scene's entry in the scene list, and a small level for it: a floor and the hero.
    write_bytes(dir.path() / "cfg" / "scenes.txt", std::string(10, '\n') + "final.txt\r\n");
    write_bytes(dir.path() / "final.txt", "sky\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n500\r\n900\r\n"
                                          "500\r\n0\r\n1\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n");
    constexpr int kStartTick = 30;
    HeadlessRun r = run_headless(dir.path(), 110, [](int tick) {
        if (tick == kStartTick) {  // what "new game" asks for, with the final scene's title
            profile.level_index = 10;
            session.fade_level = 255;
            session.fading_out = 1;
            session.request = Request::start_level;
        }
    });
    int loading_frames = 0;
    std::set<int> fades_with_loading;
    for (std::size_t f = 0; f < r.frames.size(); ++f) {
        const auto &frame = r.frames[f];
        const auto s = sprites(frame);
        const bool loading = std::find(s.begin(), s.end(), "clock 368 284 64 64 255 0 1") != s.end();
        if (!loading) continue;
        ++loading_frames;
        fades_with_loading.insert(r.fade_at_frame[static_cast<int>(f)]);
        // Drawn over everything, after the black overlay.
        const Call *rect = find_call(frame, "Pr2D_Rect");
        ASSERT_NE(rect, nullptr);
        std::size_t rect_at = static_cast<std::size_t>(rect - frame.data());
        std::vector<std::string> after;
        for (std::size_t i = rect_at + 1; i < frame.size(); ++i) {
            const Call &c = frame[i];
            if (c.op == "SSprite_Draw") after.push_back(fs::path(c.args[0]).stem().string() + " " + c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[4]);
            else if (c.op == "FX_SetBlendMode") after.push_back("blend " + c.args[0]);
            else if (c.op == "Text_Draw") after.push_back("text " + c.args[3] + " " + c.args[2] + " " + c.args[7]);
        }
        ASSERT_GE(after.size(), 15u);
        // The level's title, and under it its name in orange.
        EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 13),
                  (std::vector<std::string>{
                      "blend 0", "bg 0 0 800 600", "menu 272 236 256 192", "clock 368 284 64 64",
                      "gtit 140 64 512 128", "text Загрузка 349 0x333333", "text Загрузка 348 0xFFFFFF",
                      "blend 1", "text Игра закончена! 140 0xFFFFFF", "text Дорога домой 196 0x11CCFF", "blend 0",
                      "gbut 76 472 648 74", "blend 1"}));
        // One of the five tips, orange, at 494.
        EXPECT_EQ(after[13].rfind("text ", 0), 0u);
        EXPECT_EQ(after[13].substr(after[13].size() - 12), "494 0x11CCFF");
        EXPECT_EQ(after.back(), "blend 0");
        // "Загрузка" is 8 characters, the title 15: both centred on 400.
        const Call *title = nullptr;
        for (std::size_t i = rect_at + 1, n = 0; i < frame.size() && !title; ++i)
            if (frame[i].op == "Text_Draw" && n++ == 2) title = &frame[i];
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->num(1), 400 - 15.0 * kGlyphAdvance / 2);
    }
    EXPECT_GE(loading_frames, 2);
    EXPECT_EQ(fades_with_loading, (std::set<int>{5, 15}));
    // The level was loaded 26 ticks after the request, and the game plays on without the screen.
    EXPECT_EQ(session.game_state, GameState::playing);
    EXPECT_NE(session.request, Request::start_level);
}

TEST(FrameDrawing, TheTitleCardFadesInWithTheLevelThenOutAndIsGoneAfterItsTime) {
    ScratchDir dir;
    make_game_folder(dir.path());
    write_bytes(dir.path() / "cfg" / "scenes.txt", "one.txt\r\ntwo.txt\r\n");
    write_bytes(dir.path() / "one.txt", "sky\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n500\r\n2000\r\n"
                                        "500\r\n0\r\n1\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Tester", "0\r\n1\r\n0\r\n0\r\n");  // one golden nut so far
    constexpr int kStart = 30, kLoaded = kStart + 26;
    HeadlessRun r = run_headless(dir.path(), 330, [](int tick) {
        if (tick == kStart) {  // as "continue" asks
            session.fade_level = 255;
            session.fading_out = 1;
            request(Request::start_level);
        }
    });
    // Per frame drawn after the load: the card's plate and its three lines, their opacity, and
    // whether the fade overlay came after them.
    int card_frames = 0, last_card_tick = 0;
    bool faded_out = false;
    for (std::size_t f = 0; f < r.frames.size(); ++f) {
        const int tick = r.ticks_at_frame[int(f)];
        if (tick <= kLoaded) continue;
        const auto &frame = r.frames[f];
        const auto s = sprites(frame);
        const auto plate = std::find_if(s.begin(), s.end(), [](const std::string &x) { return x.rfind("gbut 170 90 460 132 ", 0) == 0; });
        // The card's lines: the texts drawn after its plate, without their shadows.
        std::vector<const Call *> lines;
        bool after_plate = false;
        for (const Call &c : frame) {
            if (c.op == "SSprite_Draw" && fs::path(c.args[0]).stem() == "gbut") after_plate = true;
            if (after_plate && c.op == "Text_Draw" && c.args[7] != "0x333333") lines.push_back(&c);
        }
        if (plate == s.end()) {
            EXPECT_TRUE(lines.empty()) << "tick " << tick;
            if (tick > kLoaded + 1) faded_out = true;
            continue;
        }
        EXPECT_FALSE(faded_out) << "the card came back at tick " << tick;
        ++card_frames;
        last_card_tick = tick;
        ASSERT_EQ(lines.size(), 3u) << "tick " << tick;
        EXPECT_EQ(lines[0]->args[3], "Уровень 1");
        EXPECT_EQ(lines[1]->args[3], "Дубовый луг");
        EXPECT_EQ(lines[2]->args[3], "Золотых орехов: 1 из 2");
        // Centred on 400 (10 px a character), at 105, 139 and 175; the name orange.
        EXPECT_EQ(lines[0]->num(1), 400 - 9 * kGlyphAdvance / 2);
        EXPECT_EQ(lines[1]->num(1), 400 - 11 * kGlyphAdvance / 2);
        EXPECT_EQ(lines[0]->num(2), 105);
        EXPECT_EQ(lines[1]->num(2), 139);
        EXPECT_EQ(lines[2]->num(2), 175);
        EXPECT_EQ(lines[1]->args[7], "0x11CCFF");
        // Full strength until its last 20 ticks, then fading: alpha = ticks left * 255 / 20.
        const int left = 110 - (tick - kLoaded);
        const int alpha = left >= 20 ? 255 : left * 255 / 20;
        EXPECT_EQ(lines[0]->num(6), alpha) << "tick " << tick;
        EXPECT_EQ(*plate, "gbut 170 90 460 132 " + std::to_string(alpha) + " 0 1") << "tick " << tick;
        // While the level fades in, the black overlay (the frame's last rectangle: objects without
        // a picture are boxes too) is drawn over the card.
        const Call *rect = nullptr;
        for (const Call &c : frame)
            if (c.op == "Pr2D_Rect") rect = &c;
        if (r.fade_at_frame[int(f)] < 255) {
            ASSERT_NE(rect, nullptr) << "tick " << tick;
            EXPECT_GT(rect, lines[2]) << "tick " << tick;
        }
    }
    EXPECT_EQ(last_card_tick, kLoaded + 109);  // 110 ticks, the last one with 1 tick left
    EXPECT_NEAR(card_frames, 132, 3);  // 110 ticks of 20 ms: 2.2 s, 132 frames at 60 a second
    EXPECT_TRUE(faded_out);
}

namespace {

// What the game's records hold, for comparing before and after drawing: the settings, the profile,
// the session (the game's random generator among it), the level being played (its state, tallies,
// generator, step count, objects and effects), the camera's place and the menu's particle set.
// Not the toolkit: the interface walk of a frame collects the player's clicks and keys by design.
struct RecordsSnapshot {
    Settings settings_now;
    Profile profile_now;
    Session session_now;
    LevelState level;
    LevelTallies tallies;
    uint64_t world_random = 0;
    int64_t steps = 0;
    std::vector<std::array<int32_t, 6>> objects;  // x, y, angle, frame, row, role
    Tpart_sys particles, menu_particles;
    float camera_x = 0, camera_y = 0;
    bool operator==(const RecordsSnapshot &) const = default;
};

RecordsSnapshot snapshot() {
    RecordsSnapshot r{settings, profile, session, world.level, world.tallies, world.random_state, world.steps,
                      {}, world.particles, menus.menu_effects};
    for (int32_t i = 0; i < world.object_count; ++i) {
        const tmin &o = world.object_layer[std::size_t(i)];
        r.objects.push_back({o.x, o.y, o.angle, o.frame, o.row, int32_t(o.role)});
    }
    if (handles.camera) r.camera_x = handles.camera->x, r.camera_y = handles.camera->y;
    return r;
}

}  // namespace

TEST(FrameDrawing, AnyNumberOfFramesBetweenTwoTicksLeavesEveryRecordAsItWas) {
    ScratchDir dir;
    make_game_folder(dir.path());
    write_bytes(dir.path() / "cfg" / "scenes.txt", "one.txt\r\n");
    write_bytes(dir.path() / "one.txt", "sky\r\n0\r\n1\r\nturf\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n500\r\n2000\r\n"
                                        "500\r\n0\r\n2\r\nenot\r\n400\r\n452\r\n0\r\n0\r\n0\r\nbee\r\n900\r\n300\r\n0\r\n0\r\n0\r\n");
    // The moments looked at: the menu, the loading screen before a level start, the level, the
    // pause window, and the loading screen before the level is played again.
    constexpr int kStart = 30, kOnStartLoading = 54, kInLevel = 75, kPause = 80, kPaused = 84, kAgain = 86,
                  kOnAgainLoading = 110;
    std::vector<std::string> moments;
    HeadlessRun r = run_headless(dir.path(), 160, [&](int tick) {
        if (tick == kStart) {  // as "new game" asks
            session.fade_level = 255;
            session.fading_out = 1;
            request(Request::start_level);
        }
        if (tick == kPause) pause_game();
        if (tick == kAgain) {  // as "play again" asks
            hide(menu().pause.wnd_pause);
            session.fading_out = 1;
            request(Request::load_level);
        }
        if (tick != 10 && tick != kOnStartLoading && tick != kInLevel && tick != kPaused && tick != kOnAgainLoading) return;
        std::string what = std::to_string(tick) + ": state " + std::to_string(int(session.game_state)) + " fade " +
                           std::to_string(session.fade_level) + " request " + std::to_string(int(session.request));
        const RecordsSnapshot before = snapshot();
        for (int k = 0; k < 7; ++k) frame_procedure();
        EXPECT_TRUE(snapshot() == before) << what;
        EXPECT_EQ(session.random_state, before.session_now.random_state) << what;
        EXPECT_EQ(world.level, before.level) << what;
        moments.push_back(what);
    });
    // Each moment was what it was meant to be (the loading screens at fade 15, below 20).
    EXPECT_EQ(moments, (std::vector<std::string>{"10: state 0 fade 100 request 0", "54: state 0 fade 15 request 1",
                                                 "75: state 1 fade 190 request 0", "84: state 2 fade 255 request 0",
                                                 "110: state 2 fade 15 request 2"}));
    EXPECT_GT(r.frames.size(), 100u);
}

TEST(StartUp, LoadProcedureLoadsInItsFixedOrder) {
    ScratchDir dir;
    make_game_folder(dir.path());
    write_bytes(dir.path() / "snd" / "click.wav", "");
    write_bytes(dir.path() / "gfx" / "share" / "zz.jpg", "");
    run_headless(dir.path(), 2, nullptr);
    const std::string log = read_bytes(dir.path() / "calls.txt");
    const std::vector<std::string> order = {
        "Tex_LoadFromFile \"gfx/share/splash.tga\" -1 266", "P_GetParams 18", "Snd_Init",
        "Tex_LoadFromFile \"gfx/share/bg.tga\" -1 264", "Tex_LoadFromFile \"gfx/share/str.tga\" -1 264",
        "Tex_LoadFromFile \"gfx/share/zz.jpg\" -1 264",  // every .jpg after every .tga
        "Text_LoadFontFromFile \"fnt/cyr.tga\" \"fnt/cyr.ofi\" -1 266",
        "Text_LoadFontFromFile \"fnt/cyrl.tga\" \"fnt/cyr.ofi\" -1 266", "Cam2D_Create", "Cam2D_Set",
        "Snd_LoadFromFile \"snd/click.wav\" 6", "frame 0"};
    std::size_t at = 0;
    for (const auto &step : order) {
        const std::size_t found = log.find(step, at);
        ASSERT_NE(found, std::string::npos) << step;
        at = found + step.size();
    }
    EXPECT_NE(handles.camera, nullptr);
    EXPECT_NE(handles.font_cyr, nullptr);
    EXPECT_EQ(assets.share_textures.count, 19);  // the 18 pictures of the scratch folder and zz.jpg
    EXPECT_EQ(assets.sounds.count, 1);
}

// ---- the status bar's room for the points ---------------------------------------------------------

namespace {
// Points the rules give per object (pick-ups; a stomped bee, worm or mole), summed over each level
// file of the built game's scene list: the most a level can score.
struct LevelTotals {
    long max_points = 0;  // of the richest level
};
LevelTotals shipped_level_totals() {
    const std::map<std::string, int> worth = {{"bapple", 40}, {"bberry", 20}, {"bnut", 180}, {"bgold", 120},
                                              {"bsilver", 60}, {"bee", 120},  {"worm", 120}, {"krot", 120}};
    LevelTotals t;
    std::istringstream scenes(read_bytes(fs::path(TARVELOK_GAME_DIR) / "cfg" / "scenes.txt"));
    int levels = 0;
    for (std::string path; std::getline(scenes, path);) {
        if (!path.empty() && path.back() == '\r') path.pop_back();
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.empty()) continue;
        std::istringstream in(read_bytes(fs::path(TARVELOK_GAME_DIR) / path));
        std::vector<std::string> w;
        for (std::string l; std::getline(in, l);) w.push_back(l.empty() || l.back() != '\r' ? l : l.substr(0, l.size() - 1));
        std::size_t at = 1;  // after the backdrop: four sections of counted items
        long points = 0;
        for (int section = 0; section < 4 && at < w.size(); ++section) {
            const int items = std::stoi(w[at++]);
            for (int i = 0; i < items && at + 5 < w.size(); ++i) {
                const std::string kind = w[at];
                const int last_point = std::stoi(w[at + 5]);
                at += 6 + (last_point > 0 ? 2 * (last_point + 1) : 0);
                if (section != 3) continue;
                if (auto it = worth.find(kind); it != worth.end()) points += it->second;
            }
        }
        t.max_points = std::max(t.max_points, points);
        ++levels;
    }
    EXPECT_GE(levels, 10);
    return t;
}
}  // namespace

TEST(FrameDrawing, ThePointsPanelAndItsCoinsMakeRoomForAnyScoreTheGameCanReach) {
    const LevelTotals totals = shipped_level_totals();
    ASSERT_GT(totals.max_points, 1000);
    // Scores: the narrow layout, the 1000 that overlapped, the richest level, the largest int32.
    const std::vector<long> scores = {0, 999, 1000, 99999, totals.max_points, 2147483647};
    for (const bool real_font : {false, true}) {
        SCOPED_TRACE(real_font ? "the game's font" : "10 px glyphs");
        ScratchDir dir;
        make_game_folder(dir.path());
        if (real_font)
            for (const char *f : {"cyr.tga", "cyr.ofi"})
                fs::copy_file(fs::path(TARVELOK_GAME_DIR) / "fnt" / f, dir.path() / "fnt" / f,
                              fs::copy_options::overwrite_existing);
        HeadlessRun r = run_headless(dir.path(), 30 + 3 * static_cast<int>(scores.size()) + 10, [&](int tick) {
            if (tick < 25) return;
            session.game_state = GameState::playing;
            session.fade_level = 255;
            world.tallies.level_points = static_cast<int32_t>(scores[std::min<std::size_t>((tick - 25) / 3, scores.size() - 1)]);
        });
        std::set<long> seen;
        for (const auto &frame : r.frames) {
            // The points text, its logged width, the panel at y 8 that is not the lives panel, the coins.
            double text_x = NAN, text_w = NAN;
            std::string text;
            std::vector<std::array<double, 4>> coins, panels;
            for (const Call &c : frame) {
                if (c.op == "Text_GetWidth" && c.args.size() >= 6 && c.args[1].rfind("Очки: ", 0) == 0)
                    text_w = std::stod(c.args[5]);
                if (c.op == "Text_Draw" && c.args[7] == "0xFFFFFF" && c.args[3].rfind("Очки: ", 0) == 0) {
                    text_x = c.num(1);
                    text = c.args[3];
                }
                if (c.op != "SSprite_Draw") continue;
                const std::string stem = fs::path(c.args[0]).stem().string();
                const std::array<double, 4> box = {c.num(1), c.num(2), c.num(3), c.num(4)};
                if (stem == "mon") coins.push_back(box);
                if (stem == "rnd" && box[1] == 8) panels.push_back(box);
            }
            if (text.empty()) continue;
            seen.insert(std::stol(text.substr(std::string("Очки: ").size())));
            ASSERT_FALSE(std::isnan(text_w)) << text;
            ASSERT_EQ(coins.size(), 2u) << text;
            ASSERT_EQ(panels.size(), 2u) << text;  // the lives panel first, then the points panel
            const auto &lives_panel = panels[0], &panel = panels[1];
            const auto &left = coins[0], &right = coins[1];
            // The text between the coins, clear of both; coins inside the panel; the panel on the
            // screen and clear of the lives panel; the text centred on the screen.
            EXPECT_LT(left[0] + left[2], text_x) << text;
            EXPECT_GT(right[0], text_x + text_w) << text;
            EXPECT_GE(left[0], panel[0]) << text;
            EXPECT_LE(right[0] + right[2], panel[0] + panel[2]) << text;
            EXPECT_GE(panel[0], 0) << text;
            EXPECT_LE(panel[0] + panel[2], lives_panel[0]) << text;
            EXPECT_NEAR(text_x + text_w / 2, 400, 0.5) << text;
        }
        for (long s : scores) EXPECT_EQ(seen.count(s), 1u) << s;
    }
}
