// xm_player.cpp - the XM replay's song: rows, ticks and the order, and each tick's pitch, volume
// and panning of every channel turned into its voice's step and gains.
//
// Time: a tick lasts a whole number of frames, floor(2.5 x 48000 / BPM) = floor(120000 / BPM), as
// FastTracker 2 counts it; a row lasts `speed` ticks (times 1 + the pattern delay). On the first
// tick of a row the cells are read (notes, instruments, volume column, the first-tick part of each
// effect); the other ticks run the effects that slide (xm_channel.cpp). After every tick each
// channel's envelopes, fadeout and auto-vibrato are applied and its pitch, volume and panning
// become the mixer's step and gains for the frames of that tick.
// Level: a channel at volume 64 panned hard to one side adds half its sample to that side; centred,
// a quarter to each side. That leaves the headroom FT2-style mixers leave, so that many channels
// sounding together rarely reach full scale.
// Note changes: when a new note (or 9xx, E9x, Rxy, EDx) starts on a channel whose sample still
// sounds, the old sound moves to the channel's fading voice, which goes on with its sample, step
// and loop while its gains ramp down to nothing over XM_RAMP_FRAMES; the new note ramps up
// meanwhile (xm_mixer.cpp).
// The song's end: a row played before means the song has come round (a jump back, or the order's
// end going to the restart position); rows a pattern loop plays again do not count.
#include "music/xm_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "music/xm_replay.h"

namespace xm {

namespace {

constexpr int kFramesPerTickAt1Bpm = XM_OUTPUT_RATE * 5 / 2;  // 2.5 s at BPM 1
// Share of a channel's volume that reaches one side when panned hard to it (the rest is headroom):
// left volume = volume x (255 - panning) x this, right volume = volume x panning x this (0..255).
constexpr double kSideVolumeShare = 0.5;
constexpr int kCentrePanning = 128;

int pattern_rows(const Module &m, int order) {
    int p = m.orders[order];
    return p < static_cast<int>(m.patterns.size()) ? m.patterns[p].rows : XM_EMPTY_PATTERN_ROWS;
}

Cell cell_at(const Module &m, int order, int row, int channel) {
    int p = m.orders[order];
    if (p >= static_cast<int>(m.patterns.size())) return Cell{};
    const Pattern &pat = m.patterns[p];
    if (pat.cells.empty() || row >= pat.rows) return Cell{};
    return pat.cells[static_cast<size_t>(row) * m.channels + channel];
}

bool is_vibrato(uint8_t effect) { return effect == kVibrato || effect == kVibratoVolume; }

}  // namespace

// ---- Set-up and rendering -----------------------------------------------------------------------

Player::Player(const Module &module) : mod_(module) {
    ch_ = new Channel[XM_MAX_CHANNELS];
    voice_ = new Voice[2 * XM_MAX_CHANNELS];  // each channel's voice, then the fading voices
    for (int c = 0; c < XM_MAX_CHANNELS; ++c) voice_[c].fading = &voice_[XM_MAX_CHANNELS + c];
    song_.speed = std::max(1, mod_.speed);
    song_.bpm = std::max(1, mod_.bpm);
    for (int c = 0; c < XM_MAX_CHANNELS; ++c) ch_[c].panning = kCentrePanning;
}

Player::~Player() {
    delete[] ch_;
    delete[] voice_;
}

void Player::render(float *out, int frames) {
    while (frames > 0) {
        if (stopped_) break;
        if (tick_frames_left_ == 0) {
            tick();
            if (stopped_) break;
            tick_frames_left_ = kFramesPerTickAt1Bpm / song_.bpm;
        }
        int n = std::min(frames, tick_frames_left_);
        mix(out, n);
        out += 2 * n;
        frames -= n;
        tick_frames_left_ -= n;
        frames_rendered_ += static_cast<uint64_t>(n);
    }
}

void Player::mix(float *out, int frames) {
    for (int c = 0; c < mod_.channels; ++c) {
        if (voice_[c].active) mix_voice(voice_[c], out, frames);
        Voice &fading = voice_[XM_MAX_CHANNELS + c];
        if (fading.active) {
            mix_voice(fading, out, frames);
            if (fading.ramp_left == 0) fading.active = false;  // faded out
        }
    }
}

// ---- Rows and the song's order ------------------------------------------------------------------

// Marks the row as played; one played before means the song has come round, and without looping
// it stops here: then false, with every voice silenced.
bool Player::note_row_played() {
    uint8_t &seen = visited_[song_.order][song_.row >> 3];
    uint8_t bit = static_cast<uint8_t>(1u << (song_.row & 7));
    if ((seen & bit) && !loop_jump_) {
        song_ended_ = true;
        if (!looping_) {
            stopped_ = true;
            for (int c = 0; c < mod_.channels; ++c) voice_[c].active = false;
            return false;
        }
        std::memset(visited_, 0, sizeof visited_);
    }
    visited_[song_.order][song_.row >> 3] |= bit;
    loop_jump_ = false;
    return true;
}

// The first tick of a row: every channel's cell is read and played, and its effect's first-tick
// part run; what the effects ask of the flow takes effect at the end of the row.
void Player::start_row() {
    if (song_.row >= pattern_rows(mod_, song_.order)) song_.row = 0;
    if (!note_row_played()) return;
    RowFlow flow;
    for (int ci = 0; ci < mod_.channels; ++ci) {
        Channel &c = ch_[ci];
        Voice &v = voice_[ci];
        Cell cell = cell_at(mod_, song_.order, song_.row, ci);
        // A vibrato (4xy, 6xy) that goes on from the row before keeps its pitch through the first
        // tick, as in FastTracker 2; otherwise the first tick plays the plain period.
        bool vibrato_goes_on = is_vibrato(c.cell.effect) && is_vibrato(cell.effect);
        const int held_period = c.out_period;
        c.cell = cell;
        c.out_period = c.period;
        bool delayed = extended_effect(cell) == kNoteDelay && (cell.param & 15) != 0;
        bool played = false;
        if (cell.effect == kKeyOff && cell.param == 0) {
            // K00 releases the note that sounds; FastTracker 2 ignores a note and instrument beside it.
            Cell rest = cell;
            rest.note = 0;
            rest.instrument = 0;
            trigger_cell(mod_, c, v, rest);
        } else if (!delayed) {
            played = trigger_cell(mod_, c, v, cell);
        }
        // E90 without a note plays the channel's last note again.
        if (extended_effect(cell) == kRetriggerNote && (cell.param & 15) == 0 && cell.note == 0 && c.note) {
            Cell again = cell;
            again.note = static_cast<uint8_t>(c.note);
            again.instrument = 0;
            again.volume = 0;
            trigger_cell(mod_, c, v, again, true);
        }
        EffectCall call{mod_, song_, c, v};
        effect_first_tick(call, flow);
        c.out_period = vibrato_goes_on && !played ? held_period : c.period;
        c.out_volume = c.volume;
    }
    apply_flow(flow);
}

// What the row's effects asked for: a pattern delay, then a pattern loop before a jump or break.
void Player::apply_flow(const RowFlow &flow) {
    if (flow.delay >= 0) song_.pattern_delay = flow.delay;
    jump_ = false;
    if (flow.loop) {
        jump_ = true;
        jump_order_ = song_.order;
        jump_row_ = flow.loop_row;
        loop_jump_ = true;
        // The rows of the loop will play again legitimately.
        for (int r = flow.loop_row; r <= song_.row; ++r)
            visited_[song_.order][r >> 3] &= static_cast<uint8_t>(~(1u << (r & 7)));
    } else if (flow.jump || flow.brk) {
        jump_ = true;
        jump_order_ = flow.jump ? flow.jump_order : song_.order + 1;
        jump_row_ = flow.brk ? flow.break_row : 0;
    }
}

// A new pattern forgets the loop start rows of the old one.
void Player::forget_pattern_loops() {
    for (int c = 0; c < mod_.channels; ++c) ch_[c].loop_row = 0, ch_[c].loop_count = 0;
}

void Player::advance_row() {
    if (jump_) {
        song_.order = jump_order_;
        song_.row = jump_row_;
        jump_ = false;
        if (song_.order >= mod_.song_length) song_.order = mod_.restart;
        if (song_.row >= pattern_rows(mod_, song_.order)) song_.row = 0;
        if (!loop_jump_) forget_pattern_loops();
        return;
    }
    if (++song_.row >= pattern_rows(mod_, song_.order)) {
        song_.row = 0;
        if (++song_.order >= mod_.song_length) song_.order = mod_.restart;
        forget_pattern_loops();
    }
}

// ---- Ticks --------------------------------------------------------------------------------------

void Player::tick() {
    bool first = song_.tick == 0;
    bool repeat = song_.pattern_delay_left > 0;  // a pattern-delay repeat of the row: no new cells
    if (first && !repeat) {
        start_row();
        if (stopped_) return;
        song_.pattern_delay_left = 0;
    }
    // On the first tick of a row repeated by a pattern delay FastTracker 2 reads no cells and runs
    // the effects as on any later tick (slides move, a note delay plays again on its tick).
    if (repeat) first = false;
    for (int ci = 0; ci < mod_.channels; ++ci) {
        Channel &c = ch_[ci];
        Voice &v = voice_[ci];
        if (!first) {
            EffectCall call{mod_, song_, c, v};
            later_tick(call);
        }
        update_voice(c, v);
    }
    if (++song_.tick >= song_.speed) {
        song_.tick = 0;
        if (song_.pattern_delay > 0) {
            song_.pattern_delay_left = song_.pattern_delay;
            song_.pattern_delay = 0;
        } else if (song_.pattern_delay_left > 0) {
            --song_.pattern_delay_left;
        }
        if (song_.pattern_delay_left == 0) advance_row();
    }
}

// The channel's instrument moves on by a tick (envelopes, fadeout, auto-vibrato); then its period,
// volume and panning of this tick become the voice's step and target gains.
void Player::update_voice(Channel &c, Voice &v) {
    const bool linear = mod_.linear;
    const Instrument *ins = c.ins;
    int env_vol = 64, env_pan = kEnvelopeCentre;
    int period = c.out_period;
    if (ins) {
        if (ins->volume_env.on) {
            env_vol = envelope_value(ins->volume_env, c.venv_pos);
            envelope_advance(ins->volume_env, c.venv_pos, c.key_on);
        }
        if (ins->panning_env.on) {
            env_pan = envelope_value(ins->panning_env, c.penv_pos);
            envelope_advance(ins->panning_env, c.penv_pos, c.key_on);
        }
        if (!c.key_on) c.fade = std::max(0, c.fade - ins->fadeout);
        if (ins->vibrato_depth) {
            int full = ins->vibrato_depth << 8;
            if (ins->vibrato_sweep == 0)
                c.av_amp = full;
            else if (c.key_on)
                c.av_amp = std::min(full, c.av_amp + full / ins->vibrato_sweep);
            period += (auto_vibrato_value(ins->vibrato_type, c.av_pos) * c.av_amp) >> 14;
            c.av_pos = (c.av_pos + ins->vibrato_rate) & 255;
        }
    }
    if (!v.active) return;
    period = std::clamp(period, kMinPeriod, kMaxPeriod);
    double rate = period_rate(linear, period);
    int64_t step = static_cast<int64_t>(rate / XM_OUTPUT_RATE * kFracOne + 0.5);
    v.step = std::max<int64_t>(1, step);
    double vol =
        c.out_volume / 64.0 * env_vol / 64.0 * c.fade / double(kFadeoutFull) * song_.global_volume / 64.0;
    int pan = c.panning + (env_pan - kEnvelopeCentre) * (128 - std::abs(c.panning - 128)) / kEnvelopeCentre;
    pan = std::clamp(pan, 0, 255);
    // Left and right volumes 0..255; the gains are those over 255.
    int lv = static_cast<int>(std::lround(vol * (255 - pan) * kSideVolumeShare));
    int rv = static_cast<int>(std::lround(vol * pan * kSideVolumeShare));
    float tl = lv / 255.0f, tr = rv / 255.0f;
    if (tl != v.target_l || tr != v.target_r || (v.ramp_left == 0 && (tl != v.gain_l || tr != v.gain_r))) {
        v.target_l = tl;
        v.target_r = tr;
        v.inc_l = (tl - v.gain_l) / XM_RAMP_FRAMES;
        v.inc_r = (tr - v.gain_r) / XM_RAMP_FRAMES;
        v.ramp_left = XM_RAMP_FRAMES;
    }
}

}  // namespace xm
