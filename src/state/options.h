// options.h - the options beyond the settings file: language, music and effects volume, and the
// keys of the four game actions; kept in cfg/options.txt, one name=value a line.
//
// cfg/config.txt keeps its five lines unchanged; everything newer lives here. The file is read once
// at start (before the settings: the language decides the default profile's name), changed by the
// options window and written whole by atomic replace whenever a change is made. Bad input never
// ends the game: a bad value gives that option's default with one warning naming file and line, a
// line of unknown name is kept (written back as it was) with one warning, and a file that exists
// but cannot be read is not replaced for the rest of the run.
// Not here: applying the volumes to the players, reading keys from the engine (the shell does).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr const char *kOptionsFile = "cfg/options.txt";
constexpr int32_t kVolumeStep = 10;   // percent between two volume settings
constexpr int32_t kVolumeFull = 100;  // percent: the players' own loudness

// The four actions a player may put on keys of their choice.
enum class KeyAction : uint8_t { left = 0, right, jump, pause };
constexpr int32_t kKeyActionCount = 4;

// ---- options: cfg/options.txt ------------------------------------------------------------------
// Reset: read from the file at program start (read_options); changed by the options window, which
// writes the file after each change. reset_options() gives a fresh installation's values (Russian)
// without touching the file.
struct Options {
    std::string language = "ru";       // a code load_language() accepts: "ru", "en", ...
    int32_t music_volume = kVolumeFull;    // percent, 0..100 in steps of kVolumeStep; 0 silent
    int32_t effects_volume = kVolumeFull;  // percent, likewise
    // Virtual-key codes of walk left, walk right, jump and pause (KeyAction order).
    int32_t keys[kKeyActionCount] = {37, 39, 32, 27};
    // Lines of names this game does not know, kept as read and written back after the known ones.
    std::vector<std::string> kept_lines;
    // The file exists but its last read failed: it is not replaced until a later read succeeds.
    bool file_unreadable = false;
};
extern Options options;
void reset_options();

// The keys a fresh installation uses: Left, Right, Space, Escape.
constexpr int32_t kDefaultKeys[kKeyActionCount] = {37, 39, 32, 27};
// The name of an action as the file writes it: "key_left", "key_right", "key_jump", "key_pause".
const char *key_option_name(KeyAction action);

// Reads cfg/options.txt. A missing file (a first start) gives the defaults with the language the
// environment names (LANGUAGE, LANG; see language_from_environment) and is written. Keys read
// that collide (one key for two actions) or name a developer key (F1..F12) give the defaults of
// all four with one warning. Does not load the language (the caller does).
void read_options();
// Writes cfg/options.txt from `options` (atomic replace). False when it could not be written, or
// when it exists but the last read of it failed (it is then kept as it is).
bool write_options();
// A save that failed (ok false) is told to the player once per run and reason (files.cpp), whichever
// file it was (a full disk fails them all); the writer has said which on stderr. Call it right
// after the write: its errno says why. Returns ok.
bool save_told(bool ok);

// ---- key names ---------------------------------------------------------------------------------
// The keys the game knows by name: the names SDL gives them ("Left", "A", "Space", "Return",
// "Left Shift", "Keypad 4", ...) and the virtual-key codes the engine reports for them.
// The name of a key ("" for a code the table lacks).
std::string key_name(int32_t vk);
// The code of a key name, compared without case ("space" = "Space"); -1 for an unknown name.
int32_t key_from_name(const std::string &name);
// Every code the table holds, in table order (what the keys window listens for while it waits
// for a key).
std::vector<int32_t> bindable_keys();
// The developer's keys F1..F12 (virtual-key codes): never bound to an action.
constexpr int32_t kFirstDeveloperKey = 112, kLastDeveloperKey = 123;
bool key_is_reserved(int32_t vk);

// Binds `vk` to `action`. A reserved or unknown key is refused (false, nothing changes). A key
// that another action holds is swapped: that action takes `action`'s old key. True when bound.
bool bind_key(KeyAction action, int32_t vk);
// All four keys back to kDefaultKeys.
void restore_default_keys();
// True when `vk` is the key of `action` now.
inline bool key_is(KeyAction action, int32_t vk) { return options.keys[static_cast<int>(action)] == vk; }
inline int32_t action_key(KeyAction action) { return options.keys[static_cast<int>(action)]; }
