// sim_test.cpp - tarvelok-sim as tests and tools use it: run from a game folder, one trace line per
// logic tick with the fade running 10, 20, ... 250, 255 from start, byte-identical repeated runs,
// cfg/ recreated when removed, the call log, scripted quit, status 2 with a message for bad
// arguments and bad input files, the game binary without its engine library; and the input
// parser's rules.
#include <gtest/gtest.h>

#include <regex>
#include <sys/wait.h>

#include "shell/test_support.h"
#include "sim/sim_input.h"

using namespace testsupport;

namespace {

struct Result {
    int status = -1;
    std::string err;
};

// Runs the simulator with `args` in the current directory (a scratch game folder).
Result run_sim(const std::string &args) {
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' " + args +
                            " > sim.out 2> sim.err";
    Result r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = read_bytes("sim.err");
    return r;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) out.push_back(l);
    return out;
}

long field(const std::string &json_line, const std::string &name) {
    std::smatch m;
    const std::regex re("\"" + name + "\":(-?[0-9]+)");
    if (!std::regex_search(json_line, m, re)) return LONG_MIN;
    return std::stol(m[1]);
}

}  // namespace

TEST(Simulator, TraceHasOneLinePerTickFadingInAndRunsAreIdentical) {
    ScratchDir dir;
    ASSERT_EQ(run_sim("--frames 40 --trace t1.jsonl").status, 0);
    ASSERT_EQ(run_sim("--frames 40 --trace t2.jsonl").status, 0);
    const std::string t1 = read_bytes("t1.jsonl");
    EXPECT_EQ(t1, read_bytes("t2.jsonl"));
    const auto lines = lines_of(t1);
    // Frame k runs at k * 1000/60 ms on the virtual clock; by the last of 40 frames (650 ms) 32
    // whole 20 ms intervals have passed.
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(39 * 1000 / 60 / 20));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(field(lines[i], "tick"), static_cast<long>(i + 1));
        EXPECT_EQ(field(lines[i], "fade_level"), i < 25 ? 10 * static_cast<long>(i + 1) : 255) << i;
        EXPECT_EQ(field(lines[i], "game_state"), 0);
    }
    for (const char *name : {"time_ms", "level_index", "fading_out", "start_pending", "reload_pending",
                             "death_pending", "level_done_pending", "hero_x", "hero_y", "walk_speed",
                             "fall_speed", "on_ground", "jumping", "hurt", "riding", "damage", "deaths",
                             "level_points", "total_points", "total_nuts", "gold_nut_found", "camera_x",
                             "camera_y", "object_count", "particle_count"})
        EXPECT_NE(field(lines[0], name), LONG_MIN) << name;
    EXPECT_NE(lines[0].find("\"music_title\":\""), std::string::npos);
    EXPECT_NE(lines[0].find("\"profile_name\":\"Игрок\""), std::string::npos);  // UTF-8
    EXPECT_NE(lines[0].find("\"windows\":["), std::string::npos);
    EXPECT_EQ(lines[0].front(), '{');
    EXPECT_EQ(lines[0].back(), '}');
}

TEST(Simulator, RecreatesTheSettingsFolderAndKeepsAnExistingOne) {
    ScratchDir dir;
    ASSERT_EQ(run_sim("--frames 3").status, 0);
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n0\r\n\xC8\xE3\xF0\xEE\xEA\r\n");
    EXPECT_EQ(read_bytes("cfg/prf/Игрок"), "0\r\n0\r\n0\r\n0\r\n");
    write_bytes("cfg/config.txt", "1\r\n0\r\n0\r\n1\r\nAnn\r\n");
    write_bytes("cfg/prf/Ann", "4\r\n2\r\n999\r\n1\r\n");
    ASSERT_EQ(run_sim("--frames 3 --trace t.jsonl").status, 0);
    const auto lines = lines_of(read_bytes("t.jsonl"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(field(lines[0], "level_index"), 4);
    EXPECT_EQ(field(lines[0], "total_points"), 999);
    EXPECT_EQ(read_bytes("cfg/prf/Ann"), "4\r\n2\r\n999\r\n1\r\n");
}

TEST(Simulator, CallLogAndScriptedQuit) {
    ScratchDir dir;
    write_bytes("in.txt", "# quit early\n5 mouse-move 100 200\n10 quit   # as the close button\n");
    ASSERT_EQ(run_sim("--frames 100 --input in.txt --calls calls.txt --trace t.jsonl").status, 0);
    const std::string calls = read_bytes("calls.txt");
    EXPECT_EQ(calls.rfind("Timer_Create", 0), 0u);
    EXPECT_NE(calls.find("OE_SetWndName \"Tarvelok\""), std::string::npos);
    EXPECT_NE(calls.find("frame 0"), std::string::npos);
    EXPECT_EQ(calls.find("frame 11\n"), std::string::npos);  // quit during frame 10
    // 11 frames are about 183 ms: far fewer ticks than 100 frames would give.
    EXPECT_LT(lines_of(read_bytes("t.jsonl")).size(), 12u);
}

TEST(Simulator, BadArgumentsAndInputFilesGiveStatusTwoWithAMessage) {
    ScratchDir dir;
    for (const char *args : {"--frames", "--frames abc", "--frames 0", "--seed -1", "--bogus", "--trace", "--input"}) {
        Result r = run_sim(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    Result missing = run_sim("--input nowhere.txt");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("nowhere.txt"), std::string::npos);
    fs::create_directory("script_dir");  // opens like a file; only reading it fails
    Result folder = run_sim("--input script_dir");
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("script_dir"), std::string::npos) << folder.err;
    write_bytes("bad.txt", "0 key-down 27\n\n3 jump 1\n");
    Result bad = run_sim("--input bad.txt");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("bad.txt:3"), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists("cfg"));  // nothing ran
    EXPECT_EQ(run_sim("--frames 2 --seed 4294967295").status, 0);
}

TEST(Game, WithoutTheEngineLibraryItSaysSoAndEndsBeforeCallingTheEngine) {
    const fs::path game = fs::path(TARVELOK_GAME_DIR) / "tarvelok";
    if (!fs::exists(game)) GTEST_SKIP() << "the game is not built";
    ScratchDir dir;  // a game folder holding the game but no libengine.so
    fs::copy_file(game, "tarvelok");
    const int raw = std::system("TARVELOK_NO_DIALOGS=1 ./tarvelok > game.out 2> game.err");
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_NE(WEXITSTATUS(raw), 0);
    EXPECT_NE(read_bytes("game.err").find("Error while loading the engine library"), std::string::npos)
        << read_bytes("game.err");
    // The settings are read only after the engine has loaded: nothing was created.
    EXPECT_FALSE(fs::exists("cfg"));
}

TEST(SimInput, EventsArgumentsAndComments) {
    std::vector<HL_Event> ev;
    std::string error;
    ASSERT_TRUE(sim::parse_input("# header\n"
                                 "0 key-down 27\n"
                                 "  1 key-up 27 # released\n"
                                 "2 mouse-move -5 600\r\n"
                                 "3 mouse-down 1\n"
                                 "4 mouse-up 0\n"
                                 "5 text Игрок 1#2\n"
                                 "6 quit\n",
                                 "in", ev, error))
        << error;
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[0].type, HL_KEY_DOWN);
    EXPECT_EQ(ev[0].a, 27);
    EXPECT_EQ(ev[1].frame, 1);
    EXPECT_EQ(ev[1].type, HL_KEY_UP);
    EXPECT_EQ(ev[2].type, HL_MOUSE_MOVE);
    EXPECT_EQ(ev[2].a, -5);
    EXPECT_EQ(ev[2].b, 600);
    EXPECT_EQ(ev[3].type, HL_MOUSE_DOWN);
    EXPECT_EQ(ev[3].a, 1);
    EXPECT_EQ(ev[4].type, HL_MOUSE_UP);
    EXPECT_EQ(ev[4].a, 0);
    EXPECT_EQ(ev[5].type, HL_TEXT);
    EXPECT_STREQ(ev[5].text, "Игрок 1#2");  // '#' inside a word is text
    EXPECT_EQ(ev[6].type, HL_QUIT);
    EXPECT_EQ(ev[6].frame, 6);
}

TEST(SimInput, MalformedLinesAreNamed) {
    for (const char *line : {"x key-down 1", "-1 quit", "3", "3 key-down", "3 key-down 256",
                             "3 key-down 1 2", "3 mouse-move 1", "3 mouse-down 2", "3 quit now",
                             "3 text", "3 fly 1"}) {
        std::vector<HL_Event> ev;
        std::string error;
        EXPECT_FALSE(sim::parse_input(std::string("0 quit\n") + line + "\n", "script.txt", ev, error)) << line;
        EXPECT_EQ(error.rfind("script.txt:2: ", 0), 0u) << error;
        EXPECT_EQ(ev.size(), 1u);
    }
    std::vector<HL_Event> ev;
    std::string error;
    EXPECT_FALSE(sim::parse_input("0 text " + std::string(300, 'a') + "\n", "s", ev, error));
}

TEST(Simulator, ScreenOptionsFollowTheSettings) {
    ScratchDir dir;
    write_bytes("cfg/config.txt", "1\r\n1\r\n0\r\n1\r\nAnn\r\n");  // window, 16 bits
    ASSERT_EQ(run_sim("--frames 2 --calls calls.txt").status, 0);
    EXPECT_NE(read_bytes("calls.txt").find("OE_SetScreenOptions 800 600 16 0 0 1\n"), std::string::npos);
    write_bytes("cfg/config.txt", "0\r\n0\r\n0\r\n1\r\nAnn\r\n");  // full screen, 32 bits
    ASSERT_EQ(run_sim("--frames 2 --calls calls.txt").status, 0);
    const std::string calls = read_bytes("calls.txt");
    EXPECT_NE(calls.find("OE_SetScreenOptions 800 600 32 0 1 1\n"), std::string::npos);
    // The start-up order: timers, then the options, procedures 3, 0, 1, 2, then the loop.
    const std::vector<std::string> order = {"Timer_Create proc 20 5", "Timer_Create proc 50 0", "OE_Disable 2",
                                            "OE_SetWndName \"Tarvelok\"", "OE_RegProcedure 3", "OE_RegProcedure 0",
                                            "OE_RegProcedure 1", "OE_RegProcedure 2", "OE_SetAdvancedOptions 1 1 1",
                                            "OE_SetScreenOptions", "OE_Init 16 0"};
    std::size_t at = 0;
    for (const auto &step : order) {
        const std::size_t found = calls.find(step, at);
        ASSERT_NE(found, std::string::npos) << step;
        at = found + step.size();
    }
}

TEST(Simulator, MenuPlaysTheMenuModuleUnlessMusicIsOff) {
    const fs::path module = fs::path(TARVELOK_GAME_DIR) / "mus" / "menu.xm";
    if (!fs::exists(module)) GTEST_SKIP() << "no generated mus/menu.xm in the game folder";
    ScratchDir dir;
    fs::create_directories("mus");
    fs::copy_file(module, "mus/menu.xm");
    ASSERT_EQ(run_sim("--frames 10 --trace t.jsonl").status, 0);
    auto lines = lines_of(read_bytes("t.jsonl"));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("\"music_title\":\"menu\""), std::string::npos) << lines[0];
    write_bytes("cfg/config.txt", "1\r\n0\r\n0\r\n1\r\nAnn\r\n");  // music off
    ASSERT_EQ(run_sim("--frames 10 --trace t.jsonl").status, 0);
    lines = lines_of(read_bytes("t.jsonl"));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"music_title\":\"\""), std::string::npos) << lines.back();
}
