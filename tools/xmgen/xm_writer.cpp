// xm_writer.cpp - serializes an xmgen::Module as FastTracker 2 XM 1.04 bytes.
//
// In: a Module (see xm_module.h). Out: the file's bytes. Layout, all little-endian:
//   header (60 bytes + 276-byte extended header with the 256-entry order table),
//   each pattern (9-byte header + packed rows), each instrument (263-byte header with
//   sample map and envelopes, 40-byte sample headers, then the delta-encoded sample data).
// Not here: reading XM, or any check that the song makes musical sense.
#include "xm_module.h"

namespace xmgen {
namespace {

constexpr int kHeaderSize = 276;          // extended header size field: 20 + 256 order bytes
constexpr int kInstrumentHeaderSize = 263;
constexpr int kSampleHeaderSize = 40;
constexpr int kFlagLinearFrequencies = 1;

void put8(std::string &s, unsigned v) { s += (char)(v & 0xFF); }
void put16(std::string &s, unsigned v) { put8(s, v); put8(s, v >> 8); }
void put32(std::string &s, uint32_t v) { put16(s, v & 0xFFFF); put16(s, v >> 16); }

// A text field of exactly `width` bytes: the text cut to fit, then zero bytes.
void put_text(std::string &s, const std::string &text, size_t width) {
    for (size_t i = 0; i < width; ++i) s += i < text.size() ? text[i] : '\0';
}

// Packed pattern data: a cell with every field set is written as five plain bytes; any other
// cell as a flag byte (0x80 | which fields follow) and those fields.
std::string pack_pattern(const Pattern &p, int channels) {
    std::string out;
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < channels; ++c) {
            const Cell &cell = p.cells[(size_t)r * channels + c];
            unsigned mask = (cell.note ? 1 : 0) | (cell.instrument ? 2 : 0) | (cell.volume ? 4 : 0) |
                            (cell.effect ? 8 : 0) | (cell.param ? 16 : 0);
            if (mask == 31) {
                put8(out, cell.note); put8(out, cell.instrument); put8(out, cell.volume);
                put8(out, cell.effect); put8(out, cell.param);
                continue;
            }
            put8(out, 0x80 | mask);
            if (mask & 1) put8(out, cell.note);
            if (mask & 2) put8(out, cell.instrument);
            if (mask & 4) put8(out, cell.volume);
            if (mask & 8) put8(out, cell.effect);
            if (mask & 16) put8(out, cell.param);
        }
    }
    return out;
}

void put_envelope_points(std::string &s, const Envelope &e) {
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        put16(s, i < e.points ? e.xy[i].first : 0);
        put16(s, i < e.points ? e.xy[i].second : 0);
    }
}

// Envelope type bits: 1 on, 2 sustain, 4 loop.
unsigned envelope_type(const Envelope &e) {
    if (e.points == 0) return 0;
    return 1u | (e.sustain >= 0 ? 2u : 0u) | (e.loop_start >= 0 ? 4u : 0u);
}

void put_instrument(std::string &s, const Instrument &ins) {
    size_t start = s.size();
    put32(s, kInstrumentHeaderSize);
    put_text(s, ins.name, 22);
    put8(s, 0);                                   // instrument type (always 0)
    put16(s, (unsigned)ins.samples.size());
    put32(s, kSampleHeaderSize);
    for (uint8_t m : ins.sample_map) put8(s, m);
    put_envelope_points(s, ins.volume_env);
    put_envelope_points(s, ins.panning_env);
    put8(s, ins.volume_env.points);
    put8(s, ins.panning_env.points);
    for (const Envelope *e : {&ins.volume_env, &ins.panning_env}) {
        put8(s, e->sustain < 0 ? 0 : e->sustain);
        put8(s, e->loop_start < 0 ? 0 : e->loop_start);
        put8(s, e->loop_end < 0 ? 0 : e->loop_end);
    }
    put8(s, envelope_type(ins.volume_env));
    put8(s, envelope_type(ins.panning_env));
    put8(s, ins.vibrato_type);
    put8(s, ins.vibrato_sweep);
    put8(s, ins.vibrato_depth);
    put8(s, ins.vibrato_rate);
    put16(s, ins.fadeout);
    while (s.size() < start + kInstrumentHeaderSize) put8(s, 0);  // reserved

    for (const Sample &smp : ins.samples) {
        put32(s, (uint32_t)smp.data.size() * 2);  // lengths are in bytes for 16-bit samples
        put32(s, smp.loop_start * 2);
        put32(s, smp.loop_length * 2);
        put8(s, smp.volume);
        put8(s, (uint8_t)smp.finetune);
        unsigned loop = smp.loop_length == 0 ? 0 : (smp.ping_pong ? 2 : 1);
        put8(s, loop | 0x10);                     // bit 4: 16-bit sample data
        put8(s, smp.panning);
        put8(s, (uint8_t)smp.relative_note);
        put8(s, 0);                               // delta-encoded (not ADPCM)
        put_text(s, smp.name, 22);
    }
    for (const Sample &smp : ins.samples) {
        int16_t old = 0;
        for (int16_t v : smp.data) {
            put16(s, (uint16_t)(int16_t)(v - old));
            old = v;
        }
    }
}

}  // namespace

std::string write_xm(const Module &m) {
    std::string s;
    put_text(s, "Extended Module: ", 17);
    put_text(s, m.name, 20);
    put8(s, 0x1A);
    put_text(s, "tarvelok xmgen", 20);
    put16(s, 0x0104);
    put32(s, kHeaderSize);
    put16(s, (unsigned)m.orders.size());
    put16(s, (unsigned)m.restart);
    put16(s, (unsigned)m.channels);
    put16(s, (unsigned)m.patterns.size());
    put16(s, (unsigned)m.instruments.size());
    put16(s, kFlagLinearFrequencies);
    put16(s, (unsigned)m.speed);
    put16(s, (unsigned)m.bpm);
    for (int i = 0; i < 256; ++i) put8(s, i < (int)m.orders.size() ? m.orders[i] : 0);

    for (const Pattern &p : m.patterns) {
        std::string packed = pack_pattern(p, m.channels);
        put32(s, 9);
        put8(s, 0);                               // packing type
        put16(s, (unsigned)p.rows);
        put16(s, (unsigned)packed.size());
        s += packed;
    }
    for (const Instrument &ins : m.instruments) put_instrument(s, ins);
    return s;
}

}  // namespace xmgen
