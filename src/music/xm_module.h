// xm_module.h - an XM module (FastTracker 2 Extended Module) in memory, and its loader.
//
// In: the bytes of a .xm file. Out: a Module with unpacked patterns, instruments with envelopes,
// and samples decoded from delta coding to 16-bit points, each followed by guard points so that
// the mixer can interpolate across its end and loop point without a check.
// The loader never reads outside the bytes it is given. It repairs what it can (clamped counts,
// loops, speeds; cut-short data) and lists every repair in `problems`; it refuses (returns false
// with a message) only a file that has nothing playable: wrong signature, a header cut short, no
// orders, too many channels, patterns or instruments.
// Does not: play anything (see xm_player.h), read files from disk, or support the pre-0x0104 layout.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

constexpr int XM_MAX_CHANNELS = 32;
constexpr int XM_MAX_PATTERNS = 256;
constexpr int XM_MAX_INSTRUMENTS = 128;
constexpr int XM_MAX_SAMPLES = 16;  // per instrument
constexpr int XM_MAX_ORDERS = 256;
constexpr int XM_MAX_ROWS = 256;
constexpr int XM_ENVELOPE_POINTS = 12;
constexpr int XM_NOTE_KEY_OFF = 97;        // note value of a key off
constexpr int XM_NOTES = 96;               // notes 1..96 are C-0..B-7
constexpr int XM_EMPTY_PATTERN_ROWS = 64;  // rows of a pattern that is missing from the file
constexpr int XM_GUARD_POINTS = 2;         // extra sample points after the end (interpolation)
constexpr int XM_PAD_POINTS = 16;          // zero points after the guards (vector loads read ahead)

// One cell of a pattern: note 0 (none), 1..96, 97 (key off); instrument 0 (none), 1..128;
// volume column byte; effect 0..35 (0-9, then A=10 ... Z=35); effect parameter.
struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Pattern {
    int rows = XM_EMPTY_PATTERN_ROWS;
    std::vector<Cell> cells;  // rows x channels, row-major; empty means "all cells empty"
};

struct Envelope {
    uint16_t x[XM_ENVELOPE_POINTS] = {};  // ticks, non-decreasing
    uint8_t y[XM_ENVELOPE_POINTS] = {};   // 0..64
    int count = 0;
    int sustain = 0, loop_start = 0, loop_end = 0;  // point indices, < count
    bool on = false, sustain_on = false, loop_on = false;
};

enum class LoopKind : uint8_t { none, forward, pingpong };

struct Sample {
    // `length` points followed by XM_GUARD_POINTS guard points and XM_PAD_POINTS zeros; with a
    // loop the sample ends at the loop end and the guards repeat the point the loop continues with.
    std::vector<int16_t> data;
    int32_t length = 0;       // points
    int32_t loop_start = 0;   // points
    int32_t loop_length = 0;  // points; 0 when there is no loop
    LoopKind loop = LoopKind::none;
    uint8_t volume = 64;       // 0..64
    int8_t finetune = 0;       // -128..127, 1/128 semitone
    uint8_t panning = 128;     // 0 left .. 255 right
    int8_t relative_note = 0;  // semitones added to the played note
    bool sixteen_bit = false;  // as stored in the file
};

struct Instrument {
    std::string name;
    uint8_t sample_map[XM_NOTES] = {};  // note-1 -> sample index
    Envelope volume_env, panning_env;
    uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;  // subtracted from 32768 per tick after key off
    std::vector<Sample> samples;
};

struct Module {
    uint8_t name_field[20] = {};  // the header's name bytes as stored
    std::string tracker;
    int song_length = 1;
    int restart = 0;
    int channels = 0;
    bool linear = true;  // linear frequency table (else Amiga)
    int speed = 6;       // ticks per row
    int bpm = 125;
    uint8_t orders[XM_MAX_ORDERS] = {};
    std::vector<int> empty_orders;  // orders naming a pattern the file lacks (64 empty rows each)
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Loads `size` bytes. True with a playable module (maybe repaired: see `problems`), false with
// `error` saying why nothing could be loaded. `problems` gets one line per repair.
bool load_xm(const uint8_t *bytes, size_t size, Module &out, std::string &error,
             std::vector<std::string> *problems = nullptr);

// The title rule: the name field without bytes below 32 (so zero padding goes, spaces stay),
// written zero-terminated into `title` (at least 21 bytes).
void xm_title(const Module &module, char *title);

}  // namespace xm
