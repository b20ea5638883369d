// options_window_test.cpp - the options window on the simulator, by mouse and keys: reached from
// the settings window and back by Escape; volumes stepped by 10 % and held at 0 and 100, written
// and handed to the engine's mixer at once; a key bound by pressing it, a developer's F-key
// refused, a key in use swapped, the default keys restored (each seen in what the window draws);
// the language changed with every window built anew in it.
#include <gtest/gtest.h>

#include "menus/sim_driver.h"
#include "cp1251.h"
#include "support/call_log.h"

using namespace simdrive;

namespace {

struct Point {
    int x, y;
};
constexpr Point kSettings{400, 350}, kOptions{400, 160};
constexpr Point kLanguage{515, 153}, kMusicDown{443, 203}, kMusicUp{587, 203}, kEffectsDown{443, 253},
                kEffectsUp{587, 253};
constexpr Point kLeftKey{515, 303}, kRightKey{515, 353}, kDefaultKeys{295, 540};
constexpr int kMenuReady = 40;
constexpr int kVkA = 'A';

Script &click(Script &s, Point p) { return s.click(p.x, p.y); }

std::string options_file(const std::string &language, int music, int effects, const std::string &left,
                         const std::string &right, const std::string &jump) {
    return "language=" + language + "\r\nmusic_volume=" + std::to_string(music) + "\r\neffects_volume=" +
           std::to_string(effects) + "\r\nkey_left=" + left + "\r\nkey_right=" + right + "\r\nkey_jump=" + jump +
           "\r\nkey_pause=Escape\r\n";
}

// The texts drawn in each frame of a call log.
std::vector<std::vector<std::string>> drawn_texts(const std::string &log) {
    std::vector<std::vector<std::string>> frames;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("frame ", 0) == 0) frames.emplace_back();
        else if (!frames.empty() && line.rfind("Text_Draw", 0) == 0) {
            const auto words = call_log::split_log_line(line);
            if (words.size() > 4) frames.back().push_back(words[4]);
        }
    }
    return frames;
}

// Whether `text` was drawn in the frame before `frame` (the events of a frame act before it draws:
// the frame before the next event shows the outcome of the last one).
bool shows(const std::vector<std::vector<std::string>> &frames, int next_event, const std::string &text) {
    const int frame = next_event - 1;
    if (frame < 0 || frame >= static_cast<int>(frames.size())) return false;
    for (const std::string &t : frames[static_cast<std::size_t>(frame)])
        if (t == text) return true;
    return false;
}

}  // namespace

TEST(OptionsWindow, VolumesKeysAndLanguageAreSetWrittenAndApplied) {
    ScratchDir dir;
    make_game_folder("1\r\n0\r\n1\r\n1\r\nTester\r\n", "Tester", "0\r\n0\r\n0\r\n0\r\n");
    fs::create_directory_symlink(fs::path(TARVELOK_GAME_DIR) / "cfg" / "lang", "cfg/lang");
    write_bytes("cfg/options.txt", "language=en\r\n");
    Script s;
    click(s.at(kMenuReady), kSettings);
    click(s, kOptions);
    const int opened = s.now;
    for (int i = 0; i < 5; ++i) click(s, kMusicDown);
    click(s, kMusicUp).click(kMusicDown.x, kMusicDown.y);  // 50 again
    click(s, kEffectsUp);                                  // already 100: stays
    for (int i = 0; i < 11; ++i) click(s, kEffectsDown);    // to 0, and once more: stays
    const int volumes = s.now;
    click(s, kLeftKey);
    const int waiting = s.now;
    s.key(kVkA);
    const int left_bound = s.now;
    click(s, kRightKey);
    s.key(kVkF2);  // the developer's: refused, still waiting
    const int refused = s.now;
    s.key(kVkSpace);  // the jump's key: swapped
    const int swapped = s.now;
    click(s, kDefaultKeys);
    const int defaults = s.now;
    click(s, kLanguage);
    s.wait(5);
    const int english = s.now;
    s.key(kVkEscape);
    const int back = s.now;
    s.key(kVkEscape);
    SimRun r = run_sim(s, s.now + 10, "--calls calls.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.at_frame(opened).windows(), std::vector<std::string>{"wnd_opt"});
    EXPECT_EQ(r.at_frame(waiting).windows(), std::vector<std::string>{"wnd_opt"});
    EXPECT_EQ(r.at_frame(english).windows(), std::vector<std::string>{"wnd_opt"});
    EXPECT_EQ(r.at_frame(back).windows(), std::vector<std::string>{"wnd_cfg"});
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    EXPECT_EQ(read_bytes("cfg/options.txt"), options_file("ru", 50, 0, "Left", "Right", "Space"));
    // What the window showed on the way (its captions in English until the language changed).
    const auto frames = drawn_texts(read_bytes("calls.txt"));
    EXPECT_TRUE(shows(frames, opened, "English"));
    EXPECT_TRUE(shows(frames, opened, "100%"));
    EXPECT_TRUE(shows(frames, volumes, "50%"));
    EXPECT_TRUE(shows(frames, volumes, "0%"));
    EXPECT_TRUE(shows(frames, waiting, "Press a key"));
    EXPECT_TRUE(shows(frames, waiting, "..."));
    EXPECT_TRUE(shows(frames, left_bound, "A"));
    EXPECT_TRUE(shows(frames, refused, "F1-F12 are taken: choose another key"));
    EXPECT_TRUE(shows(frames, refused, "..."));  // still waiting for the walk right's key
    EXPECT_TRUE(shows(frames, swapped, "That key was in use: the two keys swapped"));
    EXPECT_TRUE(shows(frames, swapped, "Space"));  // walk right
    EXPECT_FALSE(shows(frames, defaults, "A"));
    EXPECT_TRUE(shows(frames, defaults, "Left"));
    EXPECT_TRUE(shows(frames, english, cp1251::to_utf8(CP1251("Русский").c_str())));
    EXPECT_TRUE(shows(frames, english, cp1251::to_utf8(CP1251("Громкость музыки").c_str())));
    // Each step was handed to the engine's mixer as it was made: 90 .. 0, never below.
    const std::string calls = read_bytes("calls.txt");
    for (int v = 90; v >= 0; v -= 10)
        EXPECT_NE(calls.find("Snd_SetVolume " + std::to_string(v) + "\n"), std::string::npos) << v;
    EXPECT_EQ(calls.find("Snd_SetVolume -10"), std::string::npos);
    EXPECT_EQ(calls.find("Snd_SetVolume 110"), std::string::npos);
}
