// options_test.cpp - cfg/options.txt: the first start (defaults, the language from the
// environment, the file written), a file read back as written, every kind of bad line (a bad
// volume, a language without catalogue, an unknown or developer's key, an unknown name kept, a
// name given twice, one key for two actions), a file that cannot be read and is not replaced;
// binding keys with the swap, the refusal of developer keys, and the defaults restored.
#include <gtest/gtest.h>

#include <cstdlib>

#include "assets/lang.h"
#include "shell/shell.h"
#include "shell/test_support.h"
#include "state/options.h"
#include "state/state.h"

using namespace testsupport;

namespace {

constexpr int kLeft = 37, kRight = 39, kSpace = 32, kEscape = 27, kA = 'A', kD = 'D', kF2 = 113;

// The environment variables of the language, set for one test and put back afterwards.
class LanguageEnvironment {
public:
    LanguageEnvironment(const char *language, const char *lang) {
        save("LANGUAGE", old_language_, had_language_);
        save("LANG", old_lang_, had_lang_);
        set("LANGUAGE", language);
        set("LANG", lang);
    }
    ~LanguageEnvironment() {
        set("LANGUAGE", had_language_ ? old_language_.c_str() : nullptr);
        set("LANG", had_lang_ ? old_lang_.c_str() : nullptr);
    }

private:
    static void save(const char *name, std::string &out, bool &had) {
        const char *v = std::getenv(name);
        had = v != nullptr;
        out = v ? v : "";
    }
    static void set(const char *name, const char *value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    std::string old_language_, old_lang_;
    bool had_language_ = false, had_lang_ = false;
};

struct OptionsTest : ::testing::Test {
    void SetUp() override { reset_records(); }
    void TearDown() override { reset_records(); }
    ScratchDir dir;
};

void english_catalogue() { write_bytes("cfg/lang/en.lng", "language=en\nname=English\n"); }

std::string read_and_capture() {
    ::testing::internal::CaptureStderr();
    read_options();
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace

TEST_F(OptionsTest, AFirstStartTakesEnglishFromTheEnvironmentOnlyWhereACatalogueExists) {
    english_catalogue();
    {
        LanguageEnvironment env(nullptr, "en_US.UTF-8");
        read_options();
    }
    EXPECT_EQ(options.language, "en");
    EXPECT_EQ(read_bytes("cfg/options.txt"),
              "language=en\r\nmusic_volume=100\r\neffects_volume=100\r\n"
              "key_left=Left\r\nkey_right=Right\r\nkey_jump=Space\r\nkey_pause=Escape\r\n");
    // Then the player's choice holds whatever the environment says.
    options.language = "ru";
    ASSERT_TRUE(write_options());
    {
        LanguageEnvironment env("en", "en_GB.UTF-8");
        read_options();
    }
    EXPECT_EQ(options.language, "ru");
    fs::remove("cfg/options.txt");
    {
        LanguageEnvironment env(nullptr, "C.UTF-8");
        read_options();
    }
    EXPECT_EQ(options.language, "ru");
    fs::remove("cfg/options.txt");
    fs::remove("cfg/lang/en.lng");
    {
        LanguageEnvironment env(nullptr, "en_US.UTF-8");
        read_options();
    }
    EXPECT_EQ(options.language, "ru");
}

TEST_F(OptionsTest, WhatIsWrittenIsReadBackAndUnknownLinesAreKept) {
    english_catalogue();
    write_bytes("cfg/options.txt", "language=en\nmusic_volume=50\r\n\r\neffects_volume=0\n"
                                   "key_left=a\nkey_right=D\nkey_jump=Left Ctrl\nkey_pause=P\n"
                                   "gamma=1.2\nno equals sign here\n");
    const std::string err = read_and_capture();
    EXPECT_EQ(options.language, "en");
    EXPECT_EQ(options.music_volume, 50);
    EXPECT_EQ(options.effects_volume, 0);
    EXPECT_EQ(action_key(KeyAction::left), kA);
    EXPECT_EQ(action_key(KeyAction::right), kD);
    EXPECT_EQ(action_key(KeyAction::jump), 162);
    EXPECT_EQ(action_key(KeyAction::pause), 'P');
    EXPECT_NE(err.find("cfg/options.txt, line 9"), std::string::npos) << err;
    EXPECT_NE(err.find("cfg/options.txt, line 10"), std::string::npos) << err;
    ASSERT_TRUE(write_options());
    EXPECT_EQ(read_bytes("cfg/options.txt"),
              "language=en\r\nmusic_volume=50\r\neffects_volume=0\r\n"
              "key_left=A\r\nkey_right=D\r\nkey_jump=Left Ctrl\r\nkey_pause=P\r\n"
              "gamma=1.2\r\nno equals sign here\r\n");
}

TEST_F(OptionsTest, BadValuesGiveTheirDefaultsWithAWarningNamingTheLine) {
    write_bytes("cfg/options.txt", "music_volume=55\neffects_volume=110\nlanguage=xx\n"
                                   "key_left=Nope\nkey_right=F2\nkey_jump=\nkey_pause=Escape\n");
    const std::string err = read_and_capture();
    EXPECT_EQ(options.music_volume, 100);
    EXPECT_EQ(options.effects_volume, 100);
    EXPECT_EQ(options.language, "ru");
    EXPECT_EQ(action_key(KeyAction::left), kLeft);
    EXPECT_EQ(action_key(KeyAction::right), kRight);
    EXPECT_EQ(action_key(KeyAction::jump), kSpace);
    for (int line = 1; line <= 6; ++line)
        EXPECT_NE(err.find("cfg/options.txt, line " + std::to_string(line) + ":"), std::string::npos) << line << err;
    EXPECT_EQ(err.find("line 7"), std::string::npos) << err;
    EXPECT_TRUE(options.kept_lines.empty());
    // The volumes' edges: 0 and 100 are fine, -10 and 5 and "1e2" are not.
    for (const char *bad : {"-10", "5", "1e2", " 50", "0100"}) {
        write_bytes("cfg/options.txt", std::string("music_volume=") + bad + "\n");
        read_options();
        EXPECT_EQ(options.music_volume, 100) << bad;
    }
    write_bytes("cfg/options.txt", "music_volume=0\neffects_volume=100\n");
    read_options();
    EXPECT_EQ(options.music_volume, 0);
    EXPECT_EQ(options.effects_volume, 100);
}

TEST_F(OptionsTest, ANameGivenTwiceTakesTheLaterLineAndOneKeyForTwoActionsGivesTheDefaultKeys) {
    write_bytes("cfg/options.txt", "music_volume=30\nmusic_volume=70\n");
    const std::string err = read_and_capture();
    EXPECT_EQ(options.music_volume, 70);
    EXPECT_NE(err.find("line 2"), std::string::npos) << err;
    write_bytes("cfg/options.txt", "key_left=A\nkey_right=Space\n");  // Space is the jump's default
    read_options();
    EXPECT_EQ(action_key(KeyAction::left), kLeft);
    EXPECT_EQ(action_key(KeyAction::right), kRight);
    EXPECT_EQ(action_key(KeyAction::jump), kSpace);
    write_bytes("cfg/options.txt", "key_left=A\nkey_right=Space\nkey_jump=W\n");  // no collision left
    read_options();
    EXPECT_EQ(action_key(KeyAction::left), kA);
    EXPECT_EQ(action_key(KeyAction::right), kSpace);
    EXPECT_EQ(action_key(KeyAction::jump), 'W');
}

TEST_F(OptionsTest, AFileThatCannotBeReadIsNotReplaced) {
    fs::create_directories("cfg/options.txt/inside");  // a folder where the file should be
    {
        LanguageEnvironment env(nullptr, "C");
        read_options();
    }
    EXPECT_TRUE(options.file_unreadable);
    EXPECT_EQ(options.music_volume, 100);
    options.music_volume = 20;
    EXPECT_FALSE(write_options());
    EXPECT_TRUE(fs::is_directory("cfg/options.txt/inside"));
}

TEST_F(OptionsTest, BindingSwapsAKeyInUseRefusesDeveloperKeysAndDefaultsComeBack) {
    EXPECT_TRUE(bind_key(KeyAction::left, kA));
    EXPECT_EQ(action_key(KeyAction::left), kA);
    // Space belongs to the jump: the jump takes the left walk's old key.
    EXPECT_TRUE(bind_key(KeyAction::left, kSpace));
    EXPECT_EQ(action_key(KeyAction::left), kSpace);
    EXPECT_EQ(action_key(KeyAction::jump), kA);
    // Binding an action to its own key changes nothing.
    EXPECT_TRUE(bind_key(KeyAction::right, kRight));
    EXPECT_EQ(action_key(KeyAction::right), kRight);
    // F1..F12 stay the developer's; a code without a name is refused too.
    for (int f = 112; f <= 123; ++f) EXPECT_FALSE(bind_key(KeyAction::pause, f)) << f;
    EXPECT_FALSE(bind_key(KeyAction::pause, 0x98));
    EXPECT_EQ(action_key(KeyAction::pause), kEscape);
    EXPECT_EQ(key_name(kF2), "F2");
    EXPECT_TRUE(key_is_reserved(kF2));
    for (int32_t vk : bindable_keys()) EXPECT_FALSE(key_is_reserved(vk)) << vk;
    restore_default_keys();
    EXPECT_EQ(action_key(KeyAction::left), kLeft);
    EXPECT_EQ(action_key(KeyAction::jump), kSpace);
    // Every name the table gives reads back as its key.
    for (int32_t vk : bindable_keys()) EXPECT_EQ(key_from_name(key_name(vk)), vk) << key_name(vk);
    EXPECT_EQ(key_from_name("space"), kSpace);
    EXPECT_EQ(key_from_name("Spacebar"), -1);
}

TEST_F(OptionsTest, TheDefaultProfileIsNamedInTheChosenLanguage) {
    write_bytes("cfg/lang/en.lng", std::string("language=en\nname=English\n") + CP1251("Игрок").c_str() + "\tPlayer\n");
    ASSERT_TRUE(load_language("en"));
    read_settings();  // no settings file: the defaults, written
    EXPECT_EQ(settings.profile_name, "Player");
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n0\r\nPlayer\r\n");
}
