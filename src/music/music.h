// music.h - the XM module player's public entries, as the shell uses them.
//
// One song at a time, mixed on a thread of the player's own into a looping ring that an audio
// device plays; 48000 Hz, stereo, 16-bit. Every entry is called from the game's one thread.
#pragma once
#include <cstdint>

// Flags of a song.
constexpr int32_t MUSIC_FROM_MEMORY = 1;   // module points at bytes in memory (parameter = size)
constexpr int32_t MUSIC_FROM_FILE   = 2;   // module is a file name (the game's case)
constexpr int32_t MUSIC_NO_LOOP     = 8;   // stop at the end of the song instead of looping
constexpr int32_t MUSIC_PAUSED      = 16;  // load and fill the ring, but do not start the device

// Stops any song, then loads and starts `module` (nullptr: stop only). The game calls
// music_play("mus\\menu.xm", 0, 2). When the module cannot be loaded or the device cannot be
// opened, the player stays stopped (output level 0). Only regular files are opened. A song loaded
// from a file is kept in memory and used again while the file is unchanged. A file that could not
// be played is not read again when asked for next (the call returns at once) until music_stop()
// or a start of another module; its failure clears the title. After the device failed to open,
// calls within the next few seconds return at once without touching any file (the shell asks
// on every tick); the first call after that tries the device again.
void music_play(const char *module, int32_t parameter, int32_t flags);

// Where the platform has no threads (waveout_threads_available() is false: the page), mixes every
// block the device has finished since the last call, as the mixing thread would; the game calls
// it once a frame (often enough: the ring holds 16 blocks, about 340 ms). Does nothing where the
// thread mixes, or when nothing plays.
void music_step();

// Stops playback and waits for the mixing thread; does nothing when nothing plays. Forgets the
// module last refused, so that the next start of it tries again.
void music_stop();

// True while a song plays: started, not stopped, and (without looping) not yet at its end. A song
// that is only quiet for a while still plays.
bool music_playing();

// Module files read from disk since the start of the process (songs kept in memory and files
// refused before are not read again), for tests and diagnostics.
uint64_t music_files_read();

// Mean absolute sample value of the block mixed last: left channel in the high 16 bits, right in
// the low 16 bits. 0 after a stop, before any song, and for a silent block.
uint32_t music_output_level();

// The player's music volume in percent (clamped to 0..100; 100 at start): every block mixed from
// now on is scaled by it, the song playing included (the ring ahead of the device, about 0.3 s,
// keeps the old level). The shell does not play music at all at 0, so that silence costs no mixing.
void music_set_volume(int32_t percent);

// Title stored in the module last started (bytes below 32 dropped); "" before any song.
const char *music_title();
