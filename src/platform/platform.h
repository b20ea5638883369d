// platform.h - stand-ins for the operating-system calls the game makes: directory search, whole
// text files (read, and written by atomic replace), handing a web address to the desktop's opener,
// and the error message box.
//
// Paths come in as the game writes them: relative to the game folder, either separator ('\' or
// '/'), bytes in code page 1251. They are opened with '/' and with the name converted to UTF-8, the
// file-name encoding of this platform, where the layout puts them (paths.h): game data in the data
// folder, the player's files in the working directory (the game folder, or the player's folder). Names coming back from a directory search are
// converted to 1251. Nothing here throws; failures come back as return values.
// Not here: the wave-out audio device (waveout.h).
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// The path as the file system wants it: '\' becomes '/', 1251 bytes become UTF-8, and game data of
// an installed game is found in its data folder (paths.h, located()).
std::string native_path(const std::string &path);

// Names of the directory entries matching `pattern`, a directory followed by a wildcard mask
// ("gfx\share\*.tga", "cfg/prf/*.*"; '*' any run, '?' one character, ASCII letters compared
// without case as the original platform's search did). Only regular files are listed (no
// directories, no "." or ".."), and no hidden names (those starting with '.', which is where the
// game's own temporary files go). Names come back in 1251, sorted byte-wise, so that every run sees
// the same order; a name that 1251 cannot spell is skipped. A missing directory lists nothing.
std::vector<std::string> find_files(const std::string &pattern);

// True when `path` names an existing regular file.
bool file_exists(const std::string &path);

// Creates the directory (one level, inside the game folder) when it is missing. True when it exists
// afterwards as a real folder; a symbolic link on the way or in its place is refused, so that no
// folder is ever made outside the game folder.
bool make_dir(const std::string &path);

// Largest file read_file reads, in bytes (the game's text files are a few kilobytes; this only
// keeps a huge or endless file from taking all memory).
constexpr std::size_t kMaxReadBytes = 64u << 20;

// Opens `path` for reading only if it is a regular file of at most kMaxReadBytes: looked at by name
// first (a device or a FIFO is never opened), then opened without waiting (a FIFO swapped in after
// the look would otherwise block the open until some writer comes) and checked again on what was
// actually opened. Returns the descriptor, `st` describing it; or -1 with `why` saying what is
// wrong ("cannot be read (reason)", "has a name too long for the file system", "is not a regular
// file", "is larger than N bytes") and
// `missing` telling whether the file does not exist.
int open_regular_file(const std::string &path, struct stat &st, std::string &why,
                      bool *missing = nullptr);

// Reads the whole file into `bytes`. Only a regular file is read: a FIFO, a device or a directory
// is refused without waiting on it, and so is a file larger than kMaxReadBytes. False (and `bytes`
// empty) when it cannot be opened or read; `missing` tells whether the reason was that the file
// does not exist, `why` what is wrong, as open_regular_file says it.
bool read_file(const std::string &path, std::string &bytes, bool *missing = nullptr, std::string *why = nullptr);

// Writes `bytes` as the whole new content of `path`, a path relative to the game folder (the
// working directory) without "..": to a new hidden temporary file of a fresh name beside it
// (".NAME.xxxxxx.tmp", created exclusively: a link, a FIFO or anything else already standing at a
// name is never followed, truncated or waited on), flushed to disk, then renamed over the old
// file, so the old content survives any failure. An installed game writes only the player's data
// (paths.h, kPlayerData) and only in the player's folder; anything else is refused. The folders on
// the way are entered without following symbolic links, so nothing outside the game folder (or
// the player's folder) is ever written, whatever links the folder holds. False on failure, with a
// message on stderr naming the file; the old file is then untouched, and errno says why (ENOSPC a
// full disk, EACCES or EROFS a folder closed to writing, ...). A crash between creating and
// renaming leaves one hidden temporary file behind, which remove_leftover_temporaries takes away.
bool write_file_atomic(const std::string &path, const std::string &bytes);

// Removes from `folder` (inside the game folder, entered without following links) the hidden
// temporary files that write_file_atomic leaves when its process dies before the rename: regular
// files named "." NAME "." six lower-case letters or digits ".tmp", and only those no living
// process is writing (a writer holds a lock on its file until it has its real name). Links and
// every other name are left alone. Returns how many were removed; a missing folder has none.
int remove_leftover_temporaries(const std::string &folder);

// Longest web address handed to the opener, in bytes: far beyond what sites use, well within what
// one program argument may hold (128 KiB on Linux).
constexpr std::size_t kWebAddressMaxBytes = 8192;

// True for an address the game may hand to the desktop: "http://" or "https://" (either case),
// then a host name (letters, digits, '-' and '.'), optionally user info before '@' and a port
// after ':', then any path, query and fragment; every character one of RFC 3986 (unreserved,
// reserved, '%' with two hex digits); at most kWebAddressMaxBytes. Anything else (file:, a program
// path, control bytes, a backtick or "$(...)" where the host should be) is refused.
bool web_address_acceptable(const std::string &address);

// Hands an acceptable web address to the desktop's opener (xdg-open) as its one argument: never
// through a command interpreter, in a session of its own, not waited for. False, and nothing
// started, when the address is not acceptable or the opener cannot be started. No file is ever
// opened or executed by the game.
bool open_web_address(const std::string &address);

// The program open_web_address starts; "xdg-open" unless changed (tests point it at a recorder).
void set_shell_opener(const std::string &program);

// A finished file the player should take away (a replay for a bug report), relative to the game
// folder. The page's files live only in its memory, so there it is handed to the browser as a
// download under the same name; on the desktop it stays where it is, in the game folder. True
// when it was handed over as a download.
bool offer_download(const std::string &path);

// Shows an error text: through the handler set by set_message_handler (the shell sets one that
// calls the engine's OE_MessageBox), otherwise on stderr, and in an SDL message box unless
// TARVELOK_NO_DIALOGS=1. Text and caption are 1251.
void message_box(const std::string &text, const std::string &caption, int style);
using MessageHandler = void (*)(const char *text, const char *caption, int style);
void set_message_handler(MessageHandler handler);

// One warning on stderr (text in 1251, printed as UTF-8) per distinct `key` per run; returns true
// when it was printed. Used for bad input that would otherwise repeat every read.
bool warn_once(const std::string &key, const std::string &text);

// Longest part of a text that quote() shows, in bytes of the text.
constexpr std::size_t kQuoteMaxBytes = 80;

// `text` (1251 bytes from a file or typed by the player) made safe to put into a message: in
// double quotes, with '"' and '\' escaped by a backslash, control bytes (0x00-0x1F, 0x7F) and the
// byte 0x98 (which 1251 leaves undefined and the UTF-8 output would drop) written as \n, \r, \t
// or \xHH, so that nothing in it can move the cursor, clear the screen or retitle the terminal
// that shows the log. Only the first `max_bytes` bytes are shown; a longer text is cut and
// followed by "... (N bytes)". The result is printable ASCII and 1251 letters only.
std::string quote(const std::string &text, std::size_t max_bytes = kQuoteMaxBytes);

}  // namespace platform
