// options.cpp - cfg/options.txt (language, volumes, keys) and the table of key names.
//
// The file: one "name=value" a line, CR LF; known names language, music_volume, effects_volume,
// key_left, key_right, key_jump, key_pause. Reading rules (the settings file's, as far as they
// apply): blank lines are skipped; a line without '=' or of an unknown name is kept and written
// back, with one warning; a bad value gives the default with one warning naming file and line; a
// name given twice takes the later line, with one warning. Writes are atomic replaces.
#include "state/options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "assets/lang.h"
#include "platform/platform.h"
#include "state/state.h"

Options options;

void reset_options() { options = Options{}; }

namespace {

constexpr const char *kLineEnd = "\r\n";

// Name-to-code table of the keys; an unknown name gets -1, an unknown code "".
struct KeyName {
    const char *name;
    int32_t vk;
};
const KeyName kKeyNames[] = {
    {"Left", 37}, {"Right", 39}, {"Up", 38}, {"Down", 40}, {"Space", 32}, {"Return", 13}, {"Escape", 27},
    {"Tab", 9}, {"Backspace", 8}, {"Shift", 16}, {"Ctrl", 17}, {"Alt", 18},
    {"Left Shift", 160}, {"Right Shift", 161}, {"Left Ctrl", 162}, {"Right Ctrl", 163}, {"Left Alt", 164},
    {"Right Alt", 165}, {"CapsLock", 20}, {"PageUp", 33}, {"PageDown", 34}, {"End", 35}, {"Home", 36},
    {"Insert", 45}, {"Delete", 46},
    {"A", 'A'}, {"B", 'B'}, {"C", 'C'}, {"D", 'D'}, {"E", 'E'}, {"F", 'F'}, {"G", 'G'}, {"H", 'H'},
    {"I", 'I'}, {"J", 'J'}, {"K", 'K'}, {"L", 'L'}, {"M", 'M'}, {"N", 'N'}, {"O", 'O'}, {"P", 'P'},
    {"Q", 'Q'}, {"R", 'R'}, {"S", 'S'}, {"T", 'T'}, {"U", 'U'}, {"V", 'V'}, {"W", 'W'}, {"X", 'X'},
    {"Y", 'Y'}, {"Z", 'Z'},
    {"0", '0'}, {"1", '1'}, {"2", '2'}, {"3", '3'}, {"4", '4'}, {"5", '5'}, {"6", '6'}, {"7", '7'},
    {"8", '8'}, {"9", '9'},
    {"Keypad 0", 96}, {"Keypad 1", 97}, {"Keypad 2", 98}, {"Keypad 3", 99}, {"Keypad 4", 100},
    {"Keypad 5", 101}, {"Keypad 6", 102}, {"Keypad 7", 103}, {"Keypad 8", 104}, {"Keypad 9", 105},
    {";", 186}, {"=", 187}, {",", 188}, {"-", 189}, {".", 190}, {"/", 191}, {"`", 192}, {"[", 219},
    {"\\", 220}, {"]", 221}, {"'", 222},
    {"F1", 112}, {"F2", 113}, {"F3", 114}, {"F4", 115}, {"F5", 116}, {"F6", 117}, {"F7", 118},
    {"F8", 119}, {"F9", 120}, {"F10", 121}, {"F11", 122}, {"F12", 123},
};

const char *const kKeyOptionNames[kKeyActionCount] = {"key_left", "key_right", "key_jump", "key_pause"};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string where(int line) { return std::string(kOptionsFile) + ", line " + std::to_string(line); }

void warn_line(int line, const std::string &what) {
    platform::warn_once(std::string(kOptionsFile) + ":" + std::to_string(line) + ":" + what, where(line) + ": " + what);
}

// A volume: a whole number of percent, 0..100, a multiple of kVolumeStep.
bool parse_volume(const std::string &text, int32_t &out) {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int32_t v = std::atoi(text.c_str());
    if (v > kVolumeFull || v % kVolumeStep != 0) return false;
    out = v;
    return true;
}

bool keys_usable(const int32_t (&keys)[kKeyActionCount]) {
    for (int i = 0; i < kKeyActionCount; ++i) {
        if (key_name(keys[i]).empty() || key_is_reserved(keys[i])) return false;
        for (int j = 0; j < i; ++j)
            if (keys[i] == keys[j]) return false;
    }
    return true;
}

// Applies one known option's value; false (and nothing changed) when the value is bad.
bool apply(const std::string &name, const std::string &value, int line) {
    if (name == "language") {
        if (value == kOwnLanguage || language_catalogue_present(value)) {
            options.language = value;
            return true;
        }
        warn_line(line, "no language " + platform::quote(value) + " here; using Russian");
        options.language = kOwnLanguage;
        return true;
    }
    if (name == "music_volume" || name == "effects_volume") {
        int32_t &slot = name == "music_volume" ? options.music_volume : options.effects_volume;
        if (parse_volume(value, slot)) return true;
        warn_line(line, name + " must be 0..100 in steps of 10, not " + platform::quote(value) + "; using 100");
        slot = kVolumeFull;
        return true;
    }
    for (int i = 0; i < kKeyActionCount; ++i) {
        if (name != kKeyOptionNames[i]) continue;
        const int32_t vk = key_from_name(value);
        if (vk < 0 || key_is_reserved(vk)) {
            warn_line(line, platform::quote(value) + (vk < 0 ? " is no key name" : " is a developer's key") +
                                "; using " + key_name(kDefaultKeys[i]));
            options.keys[i] = kDefaultKeys[i];
        } else {
            options.keys[i] = vk;
        }
        return true;
    }
    return false;
}

}  // namespace

const char *key_option_name(KeyAction action) { return kKeyOptionNames[static_cast<int>(action)]; }

std::string key_name(int32_t vk) {
    for (const KeyName &k : kKeyNames)
        if (k.vk == vk) return k.name;
    return "";
}

int32_t key_from_name(const std::string &name) {
    const std::string wanted = lower(name);
    for (const KeyName &k : kKeyNames)
        if (lower(k.name) == wanted) return k.vk;
    return -1;
}

std::vector<int32_t> bindable_keys() {
    std::vector<int32_t> keys;
    for (const KeyName &k : kKeyNames)
        if (!key_is_reserved(k.vk)) keys.push_back(k.vk);
    return keys;
}

bool key_is_reserved(int32_t vk) { return vk >= kFirstDeveloperKey && vk <= kLastDeveloperKey; }

bool bind_key(KeyAction action, int32_t vk) {
    if (key_is_reserved(vk) || key_name(vk).empty()) return false;
    const int a = static_cast<int>(action);
    for (int i = 0; i < kKeyActionCount; ++i)
        if (i != a && options.keys[i] == vk) options.keys[i] = options.keys[a];  // swap
    options.keys[a] = vk;
    return true;
}

void restore_default_keys() { std::copy(std::begin(kDefaultKeys), std::end(kDefaultKeys), options.keys); }

void read_options() {
    ensure_config_dirs();
    reset_options();
    std::string bytes;
    bool missing = false;
    if (!platform::read_file(kOptionsFile, bytes, &missing)) {
        options.language = language_from_environment(std::getenv("LANGUAGE"), std::getenv("LANG"),
                                                     language_catalogue_present);
        if (missing) {
            write_options();
        } else {
            options.file_unreadable = true;
            platform::warn_once("read-options", platform::quote(kOptionsFile) + " cannot be read; using the defaults");
        }
        return;
    }
    std::vector<std::string> seen;
    std::size_t pos = 0;
    int line_no = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++line_no;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::size_t eq = line.find('=');
        const std::string name = eq == std::string::npos ? "" : line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (!name.empty() && std::find(seen.begin(), seen.end(), name) != seen.end())
            warn_line(line_no, platform::quote(name) + " is given again; the later line holds");
        if (eq != std::string::npos && apply(name, value, line_no)) {
            seen.push_back(name);
            continue;
        }
        warn_line(line_no, platform::quote(line) + " is no option of this game; kept as it is");
        options.kept_lines.push_back(line);
    }
    if (!keys_usable(options.keys)) {
        platform::warn_once("options-keys", platform::quote(kOptionsFile) +
                                                ": one key is given to two actions; using the default keys");
        restore_default_keys();
    }
}

bool write_options() {
    if (options.file_unreadable) {
        platform::warn_once("keep-unreadable:" + platform::quote(kOptionsFile),
                            platform::quote(kOptionsFile) + " could not be read, so it is not overwritten; changes are not saved");
        return false;
    }
    std::string out;
    out += "language=" + options.language + kLineEnd;
    out += "music_volume=" + std::to_string(options.music_volume) + kLineEnd;
    out += "effects_volume=" + std::to_string(options.effects_volume) + kLineEnd;
    for (int i = 0; i < kKeyActionCount; ++i) out += std::string(kKeyOptionNames[i]) + "=" + key_name(options.keys[i]) + kLineEnd;
    for (const std::string &line : options.kept_lines) out += line + kLineEnd;
    return save_told(platform::write_file_atomic(kOptionsFile, out));
}
