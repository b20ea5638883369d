// xm_replay.h - the records and functions the parts of the XM replay share (internal to src/music).
//
// The replay is cut into four files: xm_pitch.cpp (periods, waveforms, envelopes), xm_mixer.cpp
// (voices: starting, fading and mixing samples), xm_channel.cpp (one channel: notes, instruments,
// the volume column and one handler per named effect) and xm_player.cpp (the song: rows, ticks,
// order, and each tick's pitch and gains per channel). Only xm_player.h is for other code.
#pragma once
#include <cstdint>

#include "music/xm_module.h"
#include "music/xm_player.h"

namespace xm {

constexpr int64_t kFracOne = int64_t(1) << 31;  // sample position fraction: 31 bits
constexpr int kMinPeriod = 1;
constexpr int kMaxPeriod = 32000;
constexpr int kFadeoutFull = 32768;  // fadeout volume at key off
constexpr int kEnvelopeCentre = 32;  // panning envelope value that leaves panning as is
constexpr int kMaxNote = 119;        // highest note (0-based, relative note included)

// The effect column's effects by number (0-9, then A = 10 ... Z = 35), as FastTracker 2 names them.
enum Effect : uint8_t {
    kArpeggio = 0x00,              // 0xy
    kPortamentoUp = 0x01,          // 1xx
    kPortamentoDown = 0x02,        // 2xx
    kTonePortamento = 0x03,        // 3xx
    kVibrato = 0x04,               // 4xy
    kTonePortamentoVolume = 0x05,  // 5xy: 300 and Axy
    kVibratoVolume = 0x06,         // 6xy: 400 and Axy
    kTremolo = 0x07,               // 7xy
    kSetPanning = 0x08,            // 8xx
    kSampleOffset = 0x09,          // 9xx
    kVolumeSlide = 0x0A,           // Axy
    kPositionJump = 0x0B,          // Bxx
    kSetVolume = 0x0C,             // Cxx
    kPatternBreak = 0x0D,          // Dxy
    kExtended = 0x0E,              // Exy: the effect is x, its value y
    kSetSpeed = 0x0F,              // Fxx
    kSetGlobalVolume = 0x10,       // Gxx
    kGlobalVolumeSlide = 0x11,     // Hxy
    kKeyOff = 0x14,                // Kxx
    kSetEnvelopePosition = 0x15,   // Lxx
    kPanningSlide = 0x19,          // Pxy
    kMultiRetrigger = 0x1B,        // Rxy
    kTremor = 0x1D,                // Txy
    kExtraFinePortamento = 0x21,   // X1y up, X2y down
};
constexpr int kEffectCount = 36;

// The extended effects Exy by x.
enum ExtendedEffect : uint8_t {
    kFinePortamentoUp = 0x1,    // E1y
    kFinePortamentoDown = 0x2,  // E2y
    kGlissandoControl = 0x3,    // E3y
    kVibratoWaveform = 0x4,     // E4y
    kSetFinetune = 0x5,         // E5y
    kPatternLoop = 0x6,         // E6y
    kTremoloWaveform = 0x7,     // E7y
    kRetriggerNote = 0x9,       // E9y
    kFineVolumeUp = 0xA,        // EAy
    kFineVolumeDown = 0xB,      // EBy
    kNoteCut = 0xC,             // ECy
    kNoteDelay = 0xD,           // EDy
    kPatternDelay = 0xE,        // EEy
};

// The extended effect number (x of Exy) of a cell, or -1 when its effect is not Exy.
inline int extended_effect(const Cell &cell) { return cell.effect == kExtended ? cell.param >> 4 : -1; }

// ---- Voices (xm_mixer.cpp) ----------------------------------------------------------------------

// Mixing state of a sample sounding on a channel.
struct Voice {
    Voice *fading = nullptr;  // the channel's fading voice (null for the fading voice itself)
    const int16_t *data = nullptr;
    int64_t length = 0, loop_start = 0, loop_end = 0;  // points
    LoopKind loop = LoopKind::none;
    bool active = false;
    bool backwards = false;            // ping-pong loop running back
    int64_t pos = 0;                   // points << 31
    int64_t step = kFracOne;           // points << 31 per frame, > 0
    float gain_l = 0, gain_r = 0;      // gains now
    float target_l = 0, target_r = 0;  // gains the ramp leads to
    float inc_l = 0, inc_r = 0;        // per-frame ramp increments
    int ramp_left = 0;                 // frames of ramp still to go
};

// Hands what `v` plays to its fading voice, which ramps its gains down to nothing over
// XM_RAMP_FRAMES while it goes on with the same sample, step and loop; `v` is left inactive. A
// voice already silent (or one without a fading voice) just stops. A sound still fading from an
// earlier change is replaced.
void fade_out(Voice &v);

// Starts sample `s` on `v` at `offset_points` from silence (the old sound fades out); a sample of
// no length or an offset past its end leaves the voice silent.
void start_voice(Voice &v, const Sample &s, int64_t offset_points);

// Mixes (or, when silent, only advances) one voice over `frames` frames into `out`.
void mix_voice(Voice &v, float *out, int frames);

// ---- Periods, waveforms and envelopes (xm_pitch.cpp) --------------------------------------------

// Period of 0-based note `note0` at `finetune` (-128..127, 1/128 semitone) on the linear or the
// Amiga table.
int note_period(bool linear, int note0, int finetune);
// Sample rate in Hz at which a period plays.
double period_rate(bool linear, int period);
// Period shifted by `semis` semitones up (arpeggio); on the Amiga table from the nearest note.
int period_up(bool linear, int period, int semis, int finetune);
// Period rounded to the nearest semitone of the channel's finetune (glissando).
int period_glissando(bool linear, int period, int finetune);
// Size (0..255) of a vibrato or tremolo wave at `pos` (0..63); the caller applies the sign.
int wave_size(int wave, int pos, bool second_half);
// Auto-vibrato wave at `pos` (0..255), -64..64.
int auto_vibrato_value(int type, int pos);
// The envelope's value (0..64) at tick `pos`.
int envelope_value(const Envelope &e, int pos);
// Moves an envelope on by one tick (sustain, loop).
void envelope_advance(const Envelope &e, int &pos, bool key_on);

// ---- Channels (xm_channel.cpp) ------------------------------------------------------------------

// Replay state of one channel.
struct Channel {
    const Instrument *ins = nullptr;
    const Sample *smp = nullptr;
    Cell cell;     // the row's cell (effects run from it on later ticks)
    int note = 0;  // last note, 1..96
    int finetune = 0;
    int relative = 0;
    int period = 0, target_period = 0;
    int out_period = 0;  // period of this tick (arpeggio, vibrato)
    int volume = 0;      // 0..64
    int out_volume = 0;  // volume of this tick (tremolo, tremor)
    int panning = 128;   // 0..255
    // Effect memories.
    uint8_t porta_up = 0, porta_down = 0, tone_speed = 0, vol_slide = 0;
    uint8_t fine_up = 0, fine_down = 0, xfine_up = 0, xfine_down = 0;
    uint8_t fine_vol_up = 0, fine_vol_down = 0, pan_slide = 0, offset = 0;
    uint8_t retrig = 0, tremor = 0;
    uint8_t vib_speed = 0, vib_depth = 0, vib_pos = 0, vib_wave = 0;
    uint8_t trem_speed = 0, trem_depth = 0, trem_pos = 0, trem_wave = 0;
    bool glissando = false;
    int retrig_count = 0;
    int tremor_pos = 0;
    int loop_row = 0, loop_count = 0;
    // Instrument state.
    bool key_on = false;
    int fade = kFadeoutFull;
    int venv_pos = 0, penv_pos = 0;
    int venv_val = 64, penv_val = kEnvelopeCentre;
    int av_pos = 0, av_amp = 0;
};

// What the effects of one row ask of the song's flow, gathered over its channels.
struct RowFlow {
    bool jump = false, brk = false, loop = false;
    int jump_order = 0, break_row = 0, loop_row = 0;
    int delay = -1;  // pattern delay asked for (EEx), -1 none
};

// What an effect handler works on: the song, one channel (its cell holds the effect) and the
// channel's voice.
struct EffectCall {
    const Module &mod;
    SongState &song;
    Channel &c;
    Voice &v;
    uint8_t xy() const { return c.cell.param; }      // the parameter
    uint8_t x() const { return c.cell.param >> 4; }  // its high four bits
    uint8_t y() const { return c.cell.param & 15; }  // its low four bits
};

// Plays the note and instrument of `cell` on channel `c` and its voice (first tick of the row, or
// the tick of a note delay: `delayed`), with the first-tick part of its volume column. True when
// a note started.
bool trigger_cell(const Module &m, Channel &c, Voice &v, const Cell &cell, bool delayed = false);

// The first-tick part of the effect in the channel's cell, and what it asks of the row's flow (the
// note, instrument and volume column are trigger_cell's).
void effect_first_tick(EffectCall &call, RowFlow &flow);

// A later tick of the row (or any tick of a row repeated by a pattern delay): the channel's
// period and volume of the tick start from its own, then its volume column and effect run
// (slides, vibrato, retrigger, note cut and delay, ...).
void later_tick(EffectCall &call);

}  // namespace xm
