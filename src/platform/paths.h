// paths.h - where the game reads its data and where it writes the player's files: the one place
// that knows folders.
//
// The game names every file by a path relative to its game folder ("gfx/share/x.tga",
// "cfg/prf/<name>"). Two layouts give those paths a place:
//   portable   the game folder is the working directory and holds everything (build/game/): read
//              and written there, exactly as the names say. Tests, tools and the simulator run so.
//   installed  the game's data (pictures, sounds, fonts, music, levels, the scene list, the default
//              settings) is read from the installed data folder, read-only; the player's files
//              (kPlayerData below) live in the player's folder, $XDG_DATA_HOME/tarvelok/ (by default
//              ~/.local/share/tarvelok/), which becomes the working directory, so that what the
//              engine writes there (F12 screenshots) and the replays land beside the saves.
// The game decides at start, without a flag (choose_layout): a program whose folder holds the game
// data and is writable is portable; a program whose folder holds no data but whose installed data
// folder (found relative to the program, so any install prefix works) does is installed; a game
// folder that holds the data but cannot be written (a read-only copy) reads its data there and
// keeps the player's files in the player's folder.
// In installed mode the player's folder gets the same rules as the game folder: atomic saves,
// nothing written through a symbolic link inside it, and no game data is ever written.
// Not here: reading and writing files (platform.h), which route every path through located().
#pragma once

#include <string>

namespace platform {

// How a path of the player's data is matched.
enum class PlayerMatch {
    file,    // exactly this path
    folder,  // this folder and everything in it ("cfg/prf" names the folder itself)
    prefix,  // any name in the game folder that starts with this text
};

// One kind of file the player's game writes. `seeded`: copied from the game data into the
// player's folder at start when the player has none yet (the defaults the game ships).
struct PlayerData {
    const char *path;  // relative to the game folder, '/' separators
    PlayerMatch match;
    bool seeded;
};

// Everything the game writes for the player; one line per saved file, anything not named here is
// read-only game data. In installed mode a write to anything else is refused.
inline constexpr PlayerData kPlayerData[] = {
    {"cfg/config.txt", PlayerMatch::file, true},    // the settings
    {"cfg/options.txt", PlayerMatch::file, false},  // further options, written by the game
    {"cfg/prf", PlayerMatch::folder, true},         // the profiles, one file each
    {"replay-", PlayerMatch::prefix, false},        // F9 recordings, replay-NNN.txt
    {"tarvelok-", PlayerMatch::prefix, false},      // F12 screenshots, tarvelok-YYYYMMDD-HHMMSS.png
};
inline constexpr int kPlayerDataCount = sizeof kPlayerData / sizeof kPlayerData[0];

// Name of the player's folder under the XDG data folder.
inline constexpr const char *kPlayerFolderName = "tarvelok";
// The file whose presence marks a folder as holding the game's data.
inline constexpr const char *kGameDataMarker = "cfg/scenes.txt";

enum class LayoutMode { portable, installed };

// Where this run reads and writes. Folders are absolute with a trailing '/', or "" for the working
// directory.
struct Layout {
    LayoutMode mode = LayoutMode::portable;
    std::string data_dir;    // the game's data ("" in portable mode)
    std::string player_dir;  // the player's folder ("" in portable mode: the game folder)
    std::string engine_dir;  // the folder libengine.so is loaded from
    std::string error;       // non-empty: no usable layout (the player's folder cannot be named)
};

// What the layout is chosen from; the real values come from the_inputs().
struct LayoutInputs {
    std::string program_dir;    // the running program's folder, absolute, trailing '/'
    std::string installed_data; // the installed data folder relative to program_dir ("../share/...")
    std::string installed_lib;  // the installed engine folder relative to program_dir
    std::string xdg_data_home;  // $XDG_DATA_HOME as set ("" when unset)
    std::string home;           // $HOME, or the password database's home when unset ("" if none)
};

// The inputs of this process: /proc/self/exe, the folders this build installs to, the environment.
LayoutInputs the_inputs();

// Chooses the layout from `in`, looking only at the file system (which folders hold the game data,
// whether the program's folder is writable); changes nothing. XDG_DATA_HOME counts only when it is
// an absolute path (the XDG rule), else HOME/.local/share; with neither, `error` says so.
Layout choose_layout(const LayoutInputs &in);

// Makes `layout` this process's: in installed mode creates the player's folder (missing folders
// made 0700, as XDG asks), makes it the working directory, and copies the seeded defaults the
// player does not have yet. False, with the reason in `why`, when the folder cannot be made or
// entered; the process's layout is then unchanged.
bool use_layout(const Layout &layout, std::string &why);

// The process's layout: portable with the working directory as game folder until use_layout.
const Layout &current_layout();

// True when `path` (relative, '/' or '\' separators) is the player's data by kPlayerData.
bool is_player_data(const std::string &path);

// Where a game path is opened: in installed mode a relative path of game data becomes the data
// folder's path; anything else (the player's data, an absolute path, any path in portable mode)
// is returned as given. `path` is already in the file system's spelling ('/', UTF-8).
std::string located(const std::string &path);

// The folder libengine.so is loaded from: the layout's, or the program's folder before use_layout.
std::string engine_folder();

// The running program's folder with a trailing '/' ("" when /proc/self/exe cannot be read).
std::string program_folder();

}  // namespace platform
