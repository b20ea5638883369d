// links_test.cpp - the link files beside the game: an Internet shortcut's http(s) address reaches
// the desktop's opener; a file: address, a program path, a missing or empty URL= line do not (one
// warning per file); the exit procedure hands on only "play.url" and never starts the launcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "menus/menus.h"
#include "platform/platform.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

// Points the opener at a script that appends each argument it gets to "opened", one a line.
struct RecordingOpener {
    fs::path log;
    explicit RecordingOpener(const fs::path &dir) : log(dir / "opened") {
        const fs::path script = dir / "opener.sh";
        write_bytes(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
        fs::permissions(script, fs::perms::owner_all);
        platform::set_shell_opener(script.string());
    }
    ~RecordingOpener() { platform::set_shell_opener("xdg-open"); }
    // What the opener received once `expected_lines` lines arrived (or after two seconds), plus a
    // short wait so that a late extra start would show too.
    std::string received(std::size_t expected_lines) const {
        for (int i = 0; i < 200; ++i) {
            const std::string s = read_bytes(log);
            if (static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')) >= expected_lines) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return read_bytes(log);
    }
};

}  // namespace

TEST(LinkFiles, OnlyHttpAddressesOfTheShortcutReachTheOpener) {
    ScratchDir dir;
    RecordingOpener opener(dir.path());
    write_bytes("website.url", "[InternetShortcut]\r\nURL=https://example.org/tarvelok\r\nIconIndex=0\r\n");
    // The key in any case, blanks around the line, another section's URL ignored.
    write_bytes("subscribe.url", "[Other]\nURL=https://wrong.example/\n[InternetShortcut]\n  url=http://example.org/news  \n");
    write_bytes("moregames.url", "[InternetShortcut]\r\nURL=file:///usr/bin/xterm\r\n");
    write_bytes("tellafriend.url", "[InternetShortcut]\r\nURL=/usr/bin/xterm\r\n");

    testing::internal::CaptureStderr();
    open_website();
    open_subscribe();
    open_more_games();
    open_more_games();  // the same bad file again: no second warning
    open_tell_friend();
    EXPECT_FALSE(open_link_file("nothing-here.url"));  // missing: silent
    write_bytes("empty.url", "[InternetShortcut]\r\nIconFile=x.ico\r\n");
    EXPECT_FALSE(open_link_file("empty.url"));
    const std::string err = testing::internal::GetCapturedStderr();

    // Two openers started at once may finish in either order.
    std::vector<std::string> got;
    std::istringstream lines(opener.received(2));
    for (std::string l; std::getline(lines, l);) got.push_back(l);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"http://example.org/news", "https://example.org/tarvelok"}));
    // One warning for each bad file, naming it; none for the missing one.
    auto count = [&](const std::string &what) {
        std::size_t n = 0;
        for (std::size_t at = err.find(what); at != std::string::npos; at = err.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("moregames.url"), 1u) << err;
    EXPECT_EQ(count("tellafriend.url"), 1u) << err;
    EXPECT_EQ(count("empty.url"), 1u) << err;
    EXPECT_EQ(count("nothing-here.url"), 0u) << err;
}

TEST(LinkFiles, ExitHandsOnThePlayLinkAndNeverStartsTheLauncher) {
    ScratchDir dir;
    RecordingOpener opener(dir.path());
    // A launcher that would leave a mark if anything ran it.
    write_bytes("fscommand/launch.exe", "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\n");
    fs::permissions("fscommand/launch.exe", fs::perms::owner_all);
    exit_links();  // no play.url: nothing at all
    write_bytes("play.url", "[InternetShortcut]\r\nURL=https://example.org/play\r\n");
    exit_links();
    EXPECT_EQ(opener.received(1), "https://example.org/play\n");
    EXPECT_FALSE(fs::exists("fscommand/ran"));

    // A play link pointing at the launcher is refused like any other non-web address.
    write_bytes("play.url", "[InternetShortcut]\r\nURL=fscommand\\launch.exe\r\n");
    exit_links();
    EXPECT_EQ(opener.received(1), "https://example.org/play\n");
    EXPECT_FALSE(fs::exists("fscommand/ran"));
}

TEST(LinkFiles, ShellLookingOrOverlongAddressesAreRefusedWithOneWarning) {
    ScratchDir dir;
    RecordingOpener opener(dir.path());
    // Shell syntax where the host should be, and a backtick form: not RFC 3986 addresses.
    write_bytes("website.url", "[InternetShortcut]\r\nURL=http://$(touch${IFS}/tmp/pwn)/\r\n");
    write_bytes("subscribe.url", "[InternetShortcut]\r\nURL=https://example.org/`touch /tmp/pwn`\r\n");
    // Longer than the opener is handed (a program argument may hold 128 KiB; such an address
    // made the start fail without a word).
    const std::string long_address = "https://example.org/" + std::string(200000, 'a');
    write_bytes("moregames.url", "[InternetShortcut]\r\nURL=" + long_address + "\r\n");
    // Exactly the longest address handed on still goes.
    const std::string longest = "https://example.org/" + std::string(platform::kWebAddressMaxBytes - 20, 'b');
    write_bytes("tellafriend.url", "[InternetShortcut]\r\nURL=" + longest + "\r\n");

    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {  // the second round warns no more
        open_website();
        open_subscribe();
        open_more_games();
    }
    open_tell_friend();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(opener.received(1), longest + "\n");
    auto count = [&](const std::string &what) {
        std::size_t n = 0;
        for (std::size_t at = err.find(what); at != std::string::npos; at = err.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("website.url"), 1u) << err;
    EXPECT_EQ(count("subscribe.url"), 1u) << err;
    EXPECT_EQ(count("moregames.url\": the address on its URL= line is 200020 bytes long, more than the 8192"), 1u)
        << err.substr(0, 2000);
    EXPECT_EQ(count("tellafriend.url"), 0u) << err.substr(0, 2000);
}
