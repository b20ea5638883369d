// paths_test.cpp - the portable and installed layouts: which one a program gets from what lies
// around it, where the player's folder is under the XDG rules, what counts as the player's data,
// and, once installed, that game data is read from the data folder and never written, the
// player's files are saved (atomically, never through a link) in the player's folder, seeded once
// from the game's defaults, and that each player's folder is their own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "cp1251.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "shell/test_support.h"

using namespace testsupport;
using platform::Layout;
using platform::LayoutInputs;
using platform::LayoutMode;

namespace {

// A scratch file system: an installed game under usr/ (program in usr/games, data in
// usr/share/games/tarvelok, engine in usr/lib/tarvelok) and homes under home/.
struct Installed : ::testing::Test {
    ScratchDir dir;
    std::string root = dir.path().string() + "/";
    std::string data = root + "usr/share/games/tarvelok/";

    void SetUp() override {
        fs::create_directories(root + "usr/games");
        write_bytes(data + "cfg/scenes.txt", "scenes\r\n");
        write_bytes(data + "cfg/config.txt", "1\r\n0\r\n0\r\n0\r\n" + std::string(CP1251("Игрок").c_str()) + "\r\n");
        write_bytes(data + "cfg/prf/" + "Игрок", "0\r\n0\r\n0\r\n0\r\n");
        write_bytes(data + "cfg/levels/level-00.lvl", "level");
        write_bytes(data + "gfx/share/a.tga", "A");
        fs::create_directories(root + "usr/lib/tarvelok");
    }
    void TearDown() override {
        std::string why;
        platform::use_layout(Layout{}, why);  // back to portable for the next test
    }
    LayoutInputs inputs(const std::string &xdg, const std::string &home) const {
        LayoutInputs in;
        in.program_dir = root + "usr/games/";
        in.installed_data = "../share/games/tarvelok";
        in.installed_lib = "../lib/tarvelok";
        in.xdg_data_home = xdg;
        in.home = home;
        return in;
    }
    // Chooses and uses the layout of a player with HOME `home`; asserts it worked.
    Layout install_for(const std::string &home) {
        const Layout l = platform::choose_layout(inputs("", home));
        std::string why;
        EXPECT_TRUE(platform::use_layout(l, why)) << why;
        return l;
    }
};

}  // namespace

TEST_F(Installed, TheLayoutFollowsWhereTheDataIsAndTheXdgRules) {
    // Data not beside the program, but in the installed data folder: installed, the engine from
    // the installed engine folder, saves under XDG_DATA_HOME when it is an absolute path.
    Layout l = platform::choose_layout(inputs("/x/data", "/home/a"));
    EXPECT_EQ(l.mode, LayoutMode::installed);
    EXPECT_EQ(l.data_dir, data);
    EXPECT_EQ(l.engine_dir, root + "usr/lib/tarvelok/");
    EXPECT_EQ(l.player_dir, "/x/data/tarvelok/");
    EXPECT_TRUE(l.error.empty());
    // Unset or relative XDG_DATA_HOME: HOME/.local/share.
    EXPECT_EQ(platform::choose_layout(inputs("", "/home/a")).player_dir, "/home/a/.local/share/tarvelok/");
    EXPECT_EQ(platform::choose_layout(inputs("rel/data", "/home/a")).player_dir, "/home/a/.local/share/tarvelok/");
    // Nowhere to keep saves: an error, never the working directory or the data folder.
    l = platform::choose_layout(inputs("rel", ""));
    EXPECT_EQ(l.mode, LayoutMode::installed);
    EXPECT_FALSE(l.error.empty());
    EXPECT_TRUE(l.player_dir.empty());
    std::string why;
    EXPECT_FALSE(platform::use_layout(l, why));
    EXPECT_EQ(why, l.error);
    EXPECT_EQ(platform::current_layout().mode, LayoutMode::portable);

    // An engine library beside the program is the one loaded.
    write_bytes(root + "usr/games/libengine.so", "");
    EXPECT_EQ(platform::choose_layout(inputs("", "/home/a")).engine_dir, root + "usr/games/");

    // The data beside a writable program: the portable game folder, nothing moved.
    write_bytes(root + "usr/games/cfg/scenes.txt", "scenes\r\n");
    l = platform::choose_layout(inputs("/x/data", "/home/a"));
    EXPECT_EQ(l.mode, LayoutMode::portable);
    EXPECT_TRUE(l.data_dir.empty());
    EXPECT_TRUE(l.player_dir.empty());
    EXPECT_EQ(l.engine_dir, root + "usr/games/");

    // No data anywhere known (a developer's program run from elsewhere): portable, as before.
    LayoutInputs lost = inputs("", "/home/a");
    lost.program_dir = root + "elsewhere/";
    EXPECT_EQ(platform::choose_layout(lost).mode, LayoutMode::portable);
}

TEST_F(Installed, AReadOnlyGameFolderKeepsItsDataAndSavesInTheHome) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder; the install test covers root";
    write_bytes(root + "usr/games/cfg/scenes.txt", "scenes\r\n");
    chmod((root + "usr/games").c_str(), 0555);
    const Layout l = platform::choose_layout(inputs("", "/home/a"));
    chmod((root + "usr/games").c_str(), 0755);
    EXPECT_EQ(l.mode, LayoutMode::installed);
    EXPECT_EQ(l.data_dir, root + "usr/games/");
    EXPECT_EQ(l.player_dir, "/home/a/.local/share/tarvelok/");
}

TEST(PlayerData, OnlyTheNamedFilesFoldersAndPrefixesAreThePlayers) {
    for (const char *p : {"cfg/config.txt", "cfg\\config.txt", "./cfg/config.txt", "cfg/options.txt", "cfg/prf",
                          "cfg/prf/a", "cfg\\prf\\b", "replay-000.txt", "tarvelok-20260101-101010.png"})
        EXPECT_TRUE(platform::is_player_data(p)) << p;
    for (const char *p : {"cfg/scenes.txt", "cfg/levels/level-00.lvl", "cfg/prfx/a", "cfg/config.txt.bak",
                          "cfg", "gfx/share/a.tga", "sub/replay-000.txt", "xreplay-1.txt", "cfg/prf/../../x"})
        EXPECT_FALSE(platform::is_player_data(p)) << p;
}

TEST_F(Installed, DataIsReadFromTheDataFolderAndTheSavesGoToThePlayersFolder) {
    const std::string home = root + "home/a";
    const Layout l = install_for(home);
    const std::string player = home + "/.local/share/tarvelok/";
    EXPECT_EQ(fs::current_path().string() + "/", player);
    // Every folder made for the player is theirs alone.
    for (const std::string &d : {home + "/.local", home + "/.local/share", player}) {
        struct stat st;
        ASSERT_EQ(stat(d.c_str(), &st), 0) << d;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << d;
    }
    // The defaults were copied: the settings and the shipped profile.
    const std::string igrok = CP1251("Игрок").c_str();
    EXPECT_EQ(read_bytes(player + "cfg/config.txt"), read_bytes(data + "cfg/config.txt"));
    EXPECT_EQ(read_bytes(player + "cfg/prf/Игрок"), "0\r\n0\r\n0\r\n0\r\n");
    EXPECT_FALSE(fs::exists(player + "cfg/scenes.txt"));

    // Reads: game data from the data folder (also for the engine, through native_path).
    std::string bytes;
    ASSERT_TRUE(platform::read_file("cfg\\scenes.txt", bytes));
    EXPECT_EQ(bytes, "scenes\r\n");
    EXPECT_EQ(platform::native_path("gfx\\share\\a.tga"), data + "gfx/share/a.tga");
    EXPECT_EQ(platform::native_path("cfg/prf/" + igrok), "cfg/prf/Игрок");
    EXPECT_EQ(platform::find_files("gfx\\share\\*.tga"), (std::vector<std::string>{"a.tga"}));
    EXPECT_TRUE(platform::file_exists("cfg/levels/level-00.lvl"));

    // Writes: the player's files land in the player's folder and are read back from there.
    ASSERT_TRUE(platform::write_file_atomic("cfg\\prf\\Bob", "7\r\n"));
    EXPECT_EQ(read_bytes(player + "cfg/prf/Bob"), "7\r\n");
    EXPECT_FALSE(fs::exists(data + "cfg/prf/Bob"));
    EXPECT_EQ(platform::find_files("cfg\\prf\\*.*"), (std::vector<std::string>{"Bob", igrok}));
    ASSERT_TRUE(platform::write_file_atomic("cfg/config.txt", "0\r\n"));
    ASSERT_TRUE(platform::read_file("cfg/config.txt", bytes));
    EXPECT_EQ(bytes, "0\r\n");
    EXPECT_EQ(read_bytes(data + "cfg/config.txt").substr(0, 3), "1\r\n");

    // Game data is never written, neither in the data folder nor as a copy in the player's.
    EXPECT_FALSE(platform::write_file_atomic("cfg/scenes.txt", "mine"));
    EXPECT_FALSE(platform::write_file_atomic("gfx/share/a.tga", "mine"));
    EXPECT_EQ(read_bytes(data + "cfg/scenes.txt"), "scenes\r\n");
    EXPECT_FALSE(fs::exists(player + "cfg/scenes.txt"));
    EXPECT_FALSE(fs::exists(player + "gfx"));
    (void)l;
}

TEST_F(Installed, TheSeedNeverReplacesWhatThePlayerHasAndEachPlayerHasTheirOwn) {
    const std::string player_a = root + "home/a/.local/share/tarvelok/";
    write_bytes(player_a + "cfg/config.txt", "mine\r\n");
    install_for(root + "home/a");
    EXPECT_EQ(read_bytes(player_a + "cfg/config.txt"), "mine\r\n");
    EXPECT_EQ(read_bytes(player_a + "cfg/prf/Игрок"), "0\r\n0\r\n0\r\n0\r\n");  // missing: seeded
    ASSERT_TRUE(platform::write_file_atomic("cfg/prf/Anna", "3\r\n"));

    // A second player on the same installation: a folder of their own, the defaults, not Anna.
    const std::string player_b = root + "home/b/.local/share/tarvelok/";
    install_for(root + "home/b");
    EXPECT_EQ(fs::current_path().string() + "/", player_b);
    EXPECT_FALSE(fs::exists(player_b + "cfg/prf/Anna"));
    EXPECT_EQ(read_bytes(player_b + "cfg/config.txt"), read_bytes(data + "cfg/config.txt"));
    ASSERT_TRUE(platform::write_file_atomic("cfg/prf/Boris", "5\r\n"));
    EXPECT_FALSE(fs::exists(player_a + "cfg/prf/Boris"));
    EXPECT_EQ(read_bytes(player_a + "cfg/prf/Anna"), "3\r\n");
}

TEST_F(Installed, NothingIsWrittenThroughALinkInThePlayersFolder) {
    // The player's cfg folder is a link to somewhere else: neither the seed nor a save follows it.
    const std::string player = root + "home/a/.local/share/tarvelok/";
    const std::string outside = root + "outside";
    fs::create_directories(outside);
    fs::create_directories(player);
    fs::create_directory_symlink(outside, player + "cfg");
    install_for(root + "home/a");
    EXPECT_FALSE(platform::write_file_atomic("cfg/config.txt", "x"));
    EXPECT_FALSE(platform::write_file_atomic("cfg/prf/Bob", "x"));
    EXPECT_TRUE(fs::is_empty(outside));
}
