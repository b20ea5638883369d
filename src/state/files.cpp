// files.cpp - the settings file cfg/config.txt and the profile files cfg/prf/<name>.
//
// Both are small text files of decimal lines ended by CR LF (the settings add the profile name as a
// fifth line, 1251 bytes as typed). They are read line by line (platform::TextReader) and written
// whole by atomic replace, so a failed write leaves the old file. Bad input never ends the game:
//   - missing cfg/, cfg/prf/: created;
//   - missing settings file: defaults (window, 32 bits, mouse on, music on, "Игрок"), written;
//   - missing profile: four zeros, written;
//   - a number line that is not a number: the value's default, one warning naming file and line;
//   - a file that ends early: every number past the end is 0, a missing name line is empty (and
//     so the default profile);
//   - a setting other than 0 or 1: the default for that setting, one warning;
//   - level_index outside 0..10, points or golden nuts below 0, lives lost outside
//     kFewestDeaths..kMostDeaths: the nearest bound, one warning;
//   - a profile name that cannot be a file name (empty, longer than 64 bytes, "/", a leading '.',
//     a control byte, a byte the file-system name would lose, a blank at either end, ...): the
//     default profile;
//   - a file that exists but cannot be read: defaults (zeros), and that file is not overwritten
//     until a later read of it succeeds;
//   - the profile's best times (lines 5 to 14, after the four lines every reader of the file
//     knows): missing lines are no best time; a bad or negative one is none for that level only,
//     one warning naming file and line.
// The next write repairs the file. A write that fails keeps the old file; the player is told once
// per run and reason (full disk, folder closed to writing) on screen as well as on stderr. The
// hidden temporary files a killed save leaves are removed at start (remove_leftover_saves). Every message quotes names and file text through
// platform::quote (control bytes escaped, long text cut).
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "cp1251.h"
#include "platform/platform.h"
#include "platform/textreader.h"
#include "assets/assets.h"
#include "assets/lang.h"
#include "state/options.h"
#include "state/state.h"

namespace {

constexpr const char *kConfigDir = "cfg";
constexpr const char *kProfileDir = "cfg/prf";
constexpr const char *kSettingsFile = "cfg/config.txt";
constexpr const char *kProfilePrefix = "cfg/prf/";
constexpr const char *kLineEnd = "\r\n";

// Defaults of a fresh installation.
constexpr int32_t kDefaultWindowed = 1;
constexpr int32_t kDefaultColour16 = 0;
constexpr int32_t kDefaultMouseOff = 0;
constexpr int32_t kDefaultMusicOff = 0;

// "<file>, line <n>" for a message, the file name quoted (a profile's path holds its name).
std::string where(const std::string &file, int32_t line) {
    return platform::quote(file) + ", line " + std::to_string(line);
}

// Reads one number line; on a bad word warns once (naming file and line) and keeps `fallback`.
// A file that has ended gives 0, as every number read past the end does (no warning: a short
// file is no error).
int32_t read_number(platform::TextReader &reader, const std::string &file, const char *what,
                    int32_t fallback) {
    int32_t value = 0;
    switch (reader.read_int(value)) {
    case platform::TextReader::Number::ok: return value;
    case platform::TextReader::Number::end_of_file: return 0;
    case platform::TextReader::Number::bad:
        platform::warn_once(platform::quote(file) + ":" + std::to_string(reader.line()) + ":" + what,
                            where(file, reader.line()) + ": " + what +
                            " is not a number; using " + std::to_string(fallback));
        return fallback;
    }
    return fallback;
}

// A setting must be 0 or 1; anything else falls back to its default.
int32_t read_switch(platform::TextReader &reader, const char *what, int32_t fallback) {
    int32_t v = read_number(reader, kSettingsFile, what, fallback);
    if (v == 0 || v == 1) return v;
    platform::warn_once(std::string(kSettingsFile) + ":range:" + what,
                        where(kSettingsFile, reader.line()) + ": " + what + " must be 0 or 1, not " + std::to_string(v) + "; using " +
                        std::to_string(fallback));
    return fallback;
}

// A profile value outside lo..hi becomes the nearest bound, with one warning naming the line
// (a level above 10 is past the end: the game counts as finished; a negative total or more deaths
// than a game allows cannot come from play).
void keep_within(int32_t &value, int32_t lo, int32_t hi, const std::string &path, int32_t line, const char *what) {
    if (value >= lo && value <= hi) return;
    const int32_t fixed = value < lo ? lo : hi;
    platform::warn_once(std::string("range:") + what + ":" + platform::quote(path),
                        where(path, line) + ": " + what + " " + std::to_string(value) + " is outside " +
                            std::to_string(lo) + ".." + std::to_string(hi) + "; using " + std::to_string(fixed));
    value = fixed;
}

// A file that exists but could not be read is not replaced for the rest of the run (until a later
// read succeeds): what the player saved there may still be fine, and the values in memory are
// only stand-ins. The records say which (Settings::file_unreadable, Profile::unreadable_path).
bool refuse_overwrite(bool unreadable, const std::string &path) {
    if (!unreadable) return false;
    platform::warn_once("keep-unreadable:" + platform::quote(path),
                        platform::quote(path) +
                            " could not be read, so it is not overwritten; changes are not saved");
    return true;
}

void set_default_settings() {
    settings.windowed = kDefaultWindowed;
    settings.colour16 = kDefaultColour16;
    settings.mouse_off = kDefaultMouseOff;
    settings.music_off = kDefaultMusicOff;
    settings.profile_name = default_profile_name();
}

}  // namespace

// A save that failed is told on stderr by the writer; the player hears of it once per reason in
// the game too, whichever file it was (a full disk fails them all): a full disk, a folder closed
// to writing, or anything else. Called right after the write, whose errno says why.
bool save_told(bool ok) {
    if (ok) return ok;
    const int err = errno;
    const char *key = "save-failed:other";
    std::string why = TR("Запись в папку игры не удалась");
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) {
        key = "save-failed:full";
        why = TR("Проверьте, есть ли место на диске");
    } else if (err == EACCES || err == EPERM || err == EROFS) {
        key = "save-failed:closed";
        why = TR("Папка игры закрыта для записи");
    }
    tell_player_once(key, TR("Не удалось сохранить игру!"), why);
    return ok;
}

std::string default_profile_name() { return TR("Игрок"); }

bool profile_name_usable(const std::string &name) {
    if (name.empty() || name.size() > kProfileNameMaxBytes || NameHasBadChars(name)) return false;
    for (unsigned char c : name)
        if (c < 32 || c == 127) return false;
    // The checks above see 1251 bytes; the file system sees the UTF-8 spelling. A byte that has no
    // UTF-8 form (0x98) would vanish there: "\x98" would name the profile folder itself, "A\x98B"
    // the file of "AB". So the name must come back unchanged from the file system's spelling, and
    // that spelling must not start with '.' (a hidden file, which the profile list never shows).
    const std::string native = cp1251::to_utf8(name);
    if (cp1251::from_utf8(native) != name) return false;
    if (native[0] == '.') return false;
    // A blank (a space or a no-break space, 0xA0) at either end is invisible in the profile list:
    // "Игрок " would pass for "Игрок".
    auto blank = [](char c) { return c == ' ' || static_cast<unsigned char>(c) == 0xA0; };
    return !blank(name.front()) && !blank(name.back());
}

void remove_leftover_saves() {
    for (const char *folder : {kConfigDir, kProfileDir}) platform::remove_leftover_temporaries(folder);
}

std::string profile_path() { return kProfilePrefix + settings.profile_name; }

void ensure_config_dirs() {
    if (!platform::make_dir(kConfigDir) || !platform::make_dir(kProfileDir))
        platform::warn_once("mkdir-cfg", "cannot create the folder cfg/prf; settings and profiles "
                                         "will not be saved");
}

void read_settings() {
    ensure_config_dirs();
    std::string bytes;
    bool missing = false;
    settings.file_unreadable = false;
    if (!platform::read_file(kSettingsFile, bytes, &missing)) {
        set_default_settings();
        if (missing) {
            write_settings();
        } else {
            settings.file_unreadable = true;
            platform::warn_once("read-settings", platform::quote(kSettingsFile) +
                                " cannot be read; using the default settings");
        }
        return;
    }
    platform::TextReader reader(std::move(bytes));
    settings.windowed = read_switch(reader, "window mode", kDefaultWindowed);
    settings.colour16 = read_switch(reader, "colour depth", kDefaultColour16);
    settings.mouse_off = read_switch(reader, "mouse control", kDefaultMouseOff);
    settings.music_off = read_switch(reader, "music", kDefaultMusicOff);
    settings.profile_name = reader.read_line();
    if (!profile_name_usable(settings.profile_name)) {
        platform::warn_once("settings-profile:" + platform::quote(settings.profile_name),
                            where(kSettingsFile, reader.line()) + ": " +
                            platform::quote(settings.profile_name) + " cannot be a profile name; using " +
                            platform::quote(default_profile_name()));
        settings.profile_name = default_profile_name();
    }
}

bool write_settings() {
    if (refuse_overwrite(settings.file_unreadable, kSettingsFile)) return false;
    std::string out;
    for (int32_t v : {settings.windowed, settings.colour16, settings.mouse_off, settings.music_off})
        out += std::to_string(v) + kLineEnd;
    out += settings.profile_name + kLineEnd;
    return save_told(platform::write_file_atomic(kSettingsFile, out));
}

namespace {

// Reads a profile file's text into `p`: the four values, each held within its bounds naming the
// line it came from, then the best times of levels 0..9 (lines the old four-line reader never
// looked at: a file without them has no best time, with no warning).
void parse_profile(std::string bytes, const std::string &path, Profile &p) {
    platform::TextReader reader(std::move(bytes));
    auto read_within = [&](int32_t &value, const char *what, int32_t lo, int32_t hi) {
        value = read_number(reader, path, what, 0);
        keep_within(value, lo, hi, path, reader.line(), what);
    };
    read_within(p.level_index, "level", 0, kLastLevel);
    read_within(p.total_nuts, "golden nuts", 0, kMostBanked);
    read_within(p.total_points, "points", 0, kMostBanked);
    read_within(p.deaths, "lives lost", kFewestDeaths, kMostDeaths);
    for (std::size_t level = 0; level < p.best_ms.size(); ++level) {
        const std::string what = "best time of level " + std::to_string(level);
        read_within(p.best_ms[level], what.c_str(), 0, kMostBanked);
    }
}

// The file's text: the four values, then the best times up to the last level that has one (a
// profile without any stays four lines, as the game always wrote it).
std::string profile_text(const Profile &p) {
    std::string out;
    for (int32_t v : {p.level_index, p.total_nuts, p.total_points, p.deaths}) out += std::to_string(v) + kLineEnd;
    std::size_t lines = p.best_ms.size();
    while (lines > 0 && p.best_ms[lines - 1] == 0) --lines;
    for (std::size_t level = 0; level < lines; ++level) out += std::to_string(p.best_ms[level]) + kLineEnd;
    return out;
}

}  // namespace

void read_profile() {
    if (!profile_name_usable(settings.profile_name)) {
        platform::warn_once("profile-name:" + platform::quote(settings.profile_name),
                            platform::quote(settings.profile_name) + " cannot be a profile name; using " +
                            platform::quote(default_profile_name()));
        settings.profile_name = default_profile_name();
    }
    const std::string path = profile_path();
    std::string bytes;
    bool missing = false;
    profile.level_index = profile.total_nuts = profile.total_points = profile.deaths = 0;
    profile.best_ms = {};
    profile.unreadable_path.clear();
    if (!platform::read_file(path, bytes, &missing)) {
        if (missing) {
            ensure_config_dirs();
            write_profile();
        } else {
            profile.unreadable_path = path;
            platform::warn_once("read-profile:" + platform::quote(path),
                                platform::quote(path) + " cannot be read; starting from zero");
        }
        return;
    }
    parse_profile(std::move(bytes), path, profile);
}

bool write_profile() {
    if (!profile_name_usable(settings.profile_name)) {
        platform::warn_once("write-profile:" + platform::quote(settings.profile_name),
                            platform::quote(settings.profile_name) + " cannot be a profile name; not saved");
        return false;
    }
    const std::string path = profile_path();
    if (refuse_overwrite(!profile.unreadable_path.empty() && profile.unreadable_path == path, path)) return false;
    return save_told(platform::write_file_atomic(path, profile_text(profile)));
}

bool save_best_time(int32_t level, int32_t ms) {
    if (level < 0 || level >= int32_t(profile.best_ms.size())) return false;
    profile.best_ms[std::size_t(level)] = std::max(ms, 0);
    if (!profile_name_usable(settings.profile_name)) return write_profile();  // warns, saves nothing
    const std::string path = profile_path();
    if (refuse_overwrite(!profile.unreadable_path.empty() && profile.unreadable_path == path, path)) return false;
    // The file as it stands (the level's start, with what an earlier finish saved), this one best
    // time changed. A file gone since the level started is written from the profile in play.
    std::string bytes;
    bool missing = false;
    Profile on_disk = profile;
    if (platform::read_file(path, bytes, &missing)) {
        parse_profile(std::move(bytes), path, on_disk);
    } else if (!missing) {
        platform::warn_once("read-profile:" + platform::quote(path),
                            platform::quote(path) + " cannot be read; the best time is not saved");
        return false;
    }
    on_disk.best_ms[std::size_t(level)] = profile.best_ms[std::size_t(level)];
    return save_told(platform::write_file_atomic(path, profile_text(on_disk)));
}
