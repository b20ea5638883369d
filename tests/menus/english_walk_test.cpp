// english_walk_test.cpp - the whole game in English on the simulator, from a scratch game folder
// whose options say English: every window (main menu and its tooltips, profile chooser, new
// profile with its refusals, progress, settings with every caption toggled, the options window
// with its key prompt and refusal, loading screen with its hint and level title, status bar,
// pause, results, game over, the end window) and the recording notices. Every text the game
// measures or draws must be free of Cyrillic, and the windows' English texts must have been drawn
// (so the walk did reach them).
#include <gtest/gtest.h>

#include "menus/sim_driver.h"
#include "support/call_log.h"

using namespace simdrive;

namespace {

struct Point {
    int x, y;
};
constexpr Point kNew{400, 230}, kContinue{400, 290}, kSettings{400, 350}, kProgress{400, 410}, kQuit{400, 470};
constexpr Point kGreeting{400, 90};
constexpr Point kWindowMode{320, 220}, kDepth{360, 280}, kMouse{360, 340}, kMusic{360, 400};
constexpr Point kBack{400, 470};
constexpr Point kNewProfile{400, 410}, kEditBox{400, 290}, kAdd{400, 350};
constexpr Point kResume{400, 330}, kNext{400, 444}, kEndBack{400, 540};
constexpr Point kOptions{400, 160}, kLeftKey{515, 303};
constexpr int kMenuReady = 40, kFadeFrames = 40, kTooltipFrames = 40;
constexpr int kVkF9 = 120;

Script &click(Script &s, Point p) { return s.click(p.x, p.y); }
Script &hover(Script &s, Point p) { return s.move(p.x, p.y).wait(kTooltipFrames); }

// An English game folder: the built catalogues, the options naming English, mouse control off.
void english_game_folder(const std::string &profile, const std::vector<std::string> &levels = {}) {
    make_game_folder("1\r\n0\r\n1\r\n1\r\nTester\r\n", "Tester", profile, levels);
    fs::create_directories("cfg");
    fs::create_directory_symlink(fs::path(TARVELOK_GAME_DIR) / "cfg" / "lang", "cfg/lang");
    write_bytes("cfg/options.txt", "language=en\r\n");
}

// A UTF-8 Cyrillic letter (U+0400..U+04FF: lead byte 0xD0..0xD3).
bool has_cyrillic(const std::string &utf8) {
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xD0 && c <= 0xD3 && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) return true;
    }
    return false;
}

// Every text the game measured or drew in the call log, in order.
std::vector<std::string> texts_of(const std::string &log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Text_Draw", 0) != 0 && line.rfind("Text_GetWidth", 0) != 0) continue;
        const auto words = call_log::split_log_line(line);
        const std::size_t at = line.rfind("Text_Draw", 0) == 0 ? 4 : 2;
        if (words.size() > at) out.push_back(words[at]);
    }
    return out;
}

bool drawn(const std::vector<std::string> &texts, const std::string &wanted) {
    for (const std::string &t : texts)
        if (t.find(wanted) != std::string::npos) return true;
    return false;
}

void expect_english(const std::vector<std::string> &texts, std::initializer_list<const char *> wanted) {
    ASSERT_FALSE(texts.empty());
    int cyrillic = 0;
    for (const std::string &t : texts)
        if (has_cyrillic(t) && ++cyrillic <= 5) ADD_FAILURE() << "Cyrillic shown: " << t;
    EXPECT_EQ(cyrillic, 0);
    for (const char *w : wanted) EXPECT_TRUE(drawn(texts, w)) << "never shown: " << w;
}

}  // namespace

TEST(EnglishWalk, TheMenusProfilesProgressAndSettingsShowNoCyrillic) {
    ScratchDir dir;
    english_game_folder("2\r\n1\r\n300\r\n0\r\n");
    Script s;
    s.at(kMenuReady);
    for (Point p : {kNew, kContinue, kQuit, kGreeting}) hover(s, p);
    click(s, kGreeting);
    click(s, kNewProfile);
    click(s, kAdd);  // empty name: refused with a reason
    s.wait(20);
    click(s, kEditBox);
    s.type("a/b");
    click(s, kAdd);  // a bad character: refused
    s.wait(20);
    click(s, kBack);
    click(s, kBack);
    click(s, kProgress);
    s.wait(20);
    click(s, kBack);
    click(s, kSettings);
    for (Point p : {kWindowMode, kDepth, kMouse, kMusic}) click(s, p).wait(5);
    for (Point p : {kWindowMode, kDepth, kMouse, kMusic}) click(s, p).wait(5);
    click(s, kOptions);
    click(s, kLeftKey);
    s.key(kVkF2);    // refused, with a word why
    s.key(kVkLeft);  // its own key again
    s.key(kVkEscape);
    click(s, kBack);
    SimRun r = run_sim(s, s.now + 10, "--calls calls.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_main"});
    expect_english(texts_of(read_bytes("calls.txt")),
                   {"New game", "Continue", "Settings", "Progress", "Quit", "Welcome, Tester",  // no link file here: no "MORE GAMES"
                    "Start a new game", "Your progress will be reset", "Continue at the level:",
                    "Green Valley - Chapter 3", "Quit the game", "Good luck!", "Click here and choose your name",
                    "Type a new name", "Add", "New", "Back", "Type a name", "Not allowed", "Points: 300",
                    "Nuts: 1 of 10", "Mode", "Quality", "Mouse", "Music", "Full screen", "Window", "32 bits",
                    "16 bits", "On", "Off", "Options", "Language", "English", "Music volume", "Effects volume",
                    "Walk left", "Walk right", "Jump", "Pause", "Reset keys", "Press a key", "F1-F12 are taken"});
}

TEST(EnglishWalk, LevelsPauseResultsNoticesGameOverAndTheEndShowNoCyrillic) {
    ScratchDir dir;
    // Level 8 ends with F2; level 9 has spikes; three lives are already lost.
    write_level("levels/spikes.txt", {{"ship", 700, 468}});
    std::vector<std::string> levels(9, "levels/flat.txt");
    levels.push_back("levels/spikes.txt");
    english_game_folder("8\r\n1\r\n300\r\n3\r\n", levels);
    Script s;
    click(s.at(kMenuReady), kContinue);
    s.wait(kFadeFrames + 10);
    s.key(kVkF9).wait(20).key(kVkF9).wait(20);  // recording notices
    s.key(kVkEscape);
    s.wait(10);
    click(s, kResume);
    s.key(kVkF2).wait(kFadeFrames + 10);  // results
    click(s, kNext);
    s.wait(kFadeFrames + 10);
    s.hold(kVkRight, 200);  // level 9: the spikes, the fourth death, game over
    s.wait(kFadeFrames + 10);
    SimRun r = run_sim(s, s.now + 10, "--calls calls.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.last().windows(), std::vector<std::string>{"wnd_rec"});
    expect_english(texts_of(read_bytes("calls.txt")),
                   {"Loading", "Old Mine - Chapter 3", "Points: 0", "Recording: ", "F9 - stop", "Recording saved: ",
                    "Pause", "Continue", "Play again", "Quit", "Results", "Total points", "Total nuts", "Game over",
                    // the title card, the loading screen's name line and the results card
                    "Level 9", "The Deep Hall", "Golden nuts: 1 of ", "Level 9 - The Deep Hall", "Time", "Best time",
                    "Lives lost", "Bonuses", "Golden nut", "not found", "Out of the Mine", "Level 10"});
    // Some hint of the five was shown on each loading screen.
    const auto texts = texts_of(read_bytes("calls.txt"));
    bool hint = false;
    for (const char *h : {"Jump on your enemies", "Collect bonuses", "A chamomile", "Never jump on a hedgehog",
                          "Golden nuts are usually"})
        hint = hint || drawn(texts, h);
    EXPECT_TRUE(hint);

    // The end of the game: level 9 finished, the final scene's window.
    ScratchDir end_dir;
    english_game_folder("9\r\n5\r\n2000\r\n2\r\n");
    Script e;
    click(e.at(kMenuReady), kContinue);
    e.wait(kFadeFrames + 10);
    e.key(kVkF2).wait(kFadeFrames + 10);
    click(e, kNext);
    e.wait(kFadeFrames + 10);
    const int end = e.now;
    click(e, kEndBack);
    SimRun er = run_sim(e, e.now + 10, "--calls calls.txt");
    ASSERT_EQ(er.status, 0) << er.err;
    EXPECT_EQ(er.at_frame(end).windows(), std::vector<std::string>{"wnd_win"});
    expect_english(texts_of(read_bytes("calls.txt")),
                   {"Congratulations!", "You reached the end, and for that you get", "the very best golden nut!",
                    "The game is complete!"});
}
