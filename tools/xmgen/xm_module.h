// xm_module.h - an in-memory FastTracker 2 Extended Module (XM 1.04) and its writer.
//
// In:  patterns of cells, instruments with 16-bit samples, song settings.
// Out: the bytes of an .xm file (header, order table, packed patterns, instruments with their
//      sample maps and envelopes, delta-encoded 16-bit sample data).
// The writer only serializes what it is given; it does not check musical sense, and reads no XM.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xmgen {

constexpr int kNoteOff = 97;        // the XM "key off" note value
constexpr int kMaxChannels = 32;
constexpr int kMaxEnvelopePoints = 12;

// One pattern cell. note: 0 none, 1..96 (1 = C-0, 49 = C-4), 97 key off. volume is the raw
// volume-column byte (0 none, 0x10..0x50 set volume 0..64, 0xC0..0xCF set panning, ...).
struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;  // rows x channels, row-major
    Cell &at(int row, int channel, int channels) { return cells[(size_t)row * channels + channel]; }
};

struct Envelope {
    int points = 0;                              // 0 = envelope off
    std::array<std::pair<uint16_t, uint16_t>, kMaxEnvelopePoints> xy{};  // (tick, value 0..64)
    int sustain = -1;                            // point index, -1 = none
    int loop_start = -1, loop_end = -1;          // point indices, -1 = no loop
};

struct Sample {
    std::string name;
    std::vector<int16_t> data;
    uint32_t loop_start = 0, loop_length = 0;    // in sample frames; length 0 = no loop
    bool ping_pong = false;
    uint8_t volume = 64;
    int8_t finetune = 0;                         // 1/128 semitone
    uint8_t panning = 128;
    int8_t relative_note = 0;                    // semitones added to the played note
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;
    std::array<uint8_t, 96> sample_map{};        // sample index for each note
    Envelope volume_env, panning_env;
    uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;
};

struct Module {
    std::string name;                            // up to 20 bytes, padded with zero bytes
    int channels = 8;
    int speed = 6;                               // ticks per row
    int bpm = 125;
    int restart = 0;                             // order index the song restarts at
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The module as XM 1.04 bytes (linear frequency table). Names longer than their fields are cut.
std::string write_xm(const Module &m);

}  // namespace xmgen
