// xm_channel.cpp - one channel of the XM replay: its note and instrument, its volume column and its
// effect, with one handler per named effect.
//
// In: the channel's cell of the row, the module, the song's state. Out: the channel's period,
// volume and panning (and those of this tick: out_period, out_volume), its envelopes' positions,
// its voice started or faded, and what the effect asks of the song (speed, BPM, global volume,
// jumps, breaks, loops, delays).
// An effect acts on the first tick of its row (setting values, remembering parameters, asking for
// a jump) and on the later ticks (slides, vibrato, arpeggio, retrigger, note cut and delay); a row
// repeated by a pattern delay runs only the later-tick part, also on its first tick, as
// FastTracker 2 does. A parameter of 0 means "the one used last" where the effect has a memory.
// Does not: mix, read the song's order, or move from row to row (xm_player.cpp).
#include <algorithm>
#include <array>

#include "music/xm_replay.h"

namespace xm {

namespace {

constexpr int kMaxVolume = 64;
constexpr int kMaxPanning = 255;
constexpr int kPortamentoUnit = 4;  // period units per step of 1xx, 2xx, 3xx, E1x, E2x (X1x, X2x: 1)
constexpr uint8_t kSetVolumeFirst = 0x10, kSetVolumeLast = 0x50;  // volume column 0x10..0x50: 0..64
constexpr int kWaveKeepsPosition = 4;  // E4x / E7x bit: a new note does not reset the wave position
constexpr int kMaxSpeed = 31;          // Fxx below 32 sets the speed, from 32 on the BPM

// The volume column's commands by the high four bits of its byte (0x10..0x50 set the volume).
enum class VolumeCommand : uint8_t {
    slide_down = 0x6,       // every later tick
    slide_up = 0x7,         // every later tick
    fine_down = 0x8,        // first tick
    fine_up = 0x9,          // first tick
    vibrato_speed = 0xA,    // first tick
    vibrato = 0xB,          // depth on the first tick, vibrato on the later ones
    set_panning = 0xC,      // first tick
    panning_left = 0xD,     // every later tick
    panning_right = 0xE,    // every later tick
    tone_portamento = 0xF,  // speed on the first tick, the slide on the later ones
};

VolumeCommand volume_command(uint8_t column) { return static_cast<VolumeCommand>(column >> 4); }

// ---- The channel's instrument and slides ----------------------------------------------------

void reset_envelopes(Channel &c) {
    c.key_on = true;
    c.fade = kFadeoutFull;
    c.venv_pos = c.penv_pos = 0;
    c.venv_val = 64;
    c.penv_val = kEnvelopeCentre;
    c.av_pos = 0;
    c.av_amp = 0;
}

// What FastTracker 2 restarts with an instrument number, a note delay or a retrigger: envelopes,
// fadeout, key, auto-vibrato, the vibrato and tremolo positions (unless E4x/E7x asked to keep
// them), the Rxy count and the tremor.
void restart_instrument(Channel &c) {
    reset_envelopes(c);
    if (!(c.vib_wave & kWaveKeepsPosition)) c.vib_pos = 0;
    if (!(c.trem_wave & kWaveKeepsPosition)) c.trem_pos = 0;
    c.retrig_count = 0;
    c.tremor_pos = 0;
}

// Up by x when x is set, else down by y (Axy, Pxy, Hxy and the memories of 5xy and 6xy).
void volume_slide(Channel &c, uint8_t param) {
    if (param & 0xF0)
        c.volume = std::min(kMaxVolume, c.volume + (param >> 4));
    else
        c.volume = std::max(0, c.volume - (param & 0x0F));
}

void tone_porta(Channel &c, bool linear) {
    if (!c.period || !c.target_period) return;
    int speed = c.tone_speed * kPortamentoUnit;
    if (c.period < c.target_period)
        c.period = std::min(c.target_period, c.period + speed);
    else if (c.period > c.target_period)
        c.period = std::max(c.target_period, c.period - speed);
    c.out_period = c.glissando ? period_glissando(linear, c.period, c.finetune) : c.period;
}

void vibrato(Channel &c) {
    bool second = c.vib_pos >= 32;
    int delta = (wave_size(c.vib_wave, c.vib_pos, second) * c.vib_depth) >> 5;
    c.out_period = second ? c.period - delta : c.period + delta;
    c.vib_pos = static_cast<uint8_t>((c.vib_pos + c.vib_speed) & 63);
}

// As in FastTracker 2, the ramp waveform takes its mirroring from the vibrato's position, not the
// tremolo's own (modules were written against that).
void tremolo(Channel &c) {
    int delta = (wave_size(c.trem_wave, c.trem_pos, c.vib_pos >= 32) * c.trem_depth) >> 6;
    c.out_volume = c.trem_pos >= 32 ? std::max(0, c.volume - delta) : std::min(kMaxVolume, c.volume + delta);
    c.trem_pos = static_cast<uint8_t>((c.trem_pos + c.trem_speed) & 63);
}

// Releases the key: envelopes go past their sustain, fadeout starts; without a volume envelope the
// channel falls silent.
void key_off(Channel &c) {
    c.key_on = false;
    if (!c.ins || !c.ins->volume_env.on) c.volume = 0;
}

void period_down_by(Channel &c, int amount) { c.period = std::max(kMinPeriod, c.period - amount); }
void period_up_by(Channel &c, int amount) { c.period = std::min(kMaxPeriod, c.period + amount); }

// A memory: a parameter of 0 keeps the one used last.
void remember(uint8_t &memory, uint8_t value) {
    if (value) memory = value;
}

// ---- The volume column ------------------------------------------------------------------------

void volume_column_first_tick(Channel &c, uint8_t column) {
    int x = column & 15;
    if (column >= kSetVolumeFirst && column <= kSetVolumeLast) {
        c.volume = column - kSetVolumeFirst;
        return;
    }
    switch (volume_command(column)) {
    case VolumeCommand::fine_down: c.volume = std::max(0, c.volume - x); break;
    case VolumeCommand::fine_up: c.volume = std::min(kMaxVolume, c.volume + x); break;
    case VolumeCommand::vibrato_speed: c.vib_speed = static_cast<uint8_t>(x); break;
    case VolumeCommand::vibrato: remember(c.vib_depth, static_cast<uint8_t>(x)); break;
    case VolumeCommand::set_panning: c.panning = x << 4; break;
    case VolumeCommand::tone_portamento: remember(c.tone_speed, static_cast<uint8_t>(x << 4)); break;
    default: break;
    }
}

void volume_column_later_tick(Channel &c, uint8_t column, bool linear) {
    int x = column & 15;
    switch (volume_command(column)) {
    case VolumeCommand::slide_down: c.volume = std::max(0, c.volume - x); break;
    case VolumeCommand::slide_up: c.volume = std::min(kMaxVolume, c.volume + x); break;
    case VolumeCommand::vibrato: vibrato(c); break;
    case VolumeCommand::panning_left: c.panning = std::max(0, c.panning - x); break;
    case VolumeCommand::panning_right: c.panning = std::min(kMaxPanning, c.panning + x); break;
    case VolumeCommand::tone_portamento: tone_porta(c, linear); break;
    default: break;
    }
}

// ---- The effects: first tick ------------------------------------------------------------------
// Handlers of the effects' first tick: (call, flow), named after the effect.

void portamento_up_row(EffectCall &e, RowFlow &) { remember(e.c.porta_up, e.xy()); }
void portamento_down_row(EffectCall &e, RowFlow &) { remember(e.c.porta_down, e.xy()); }
void tone_portamento_row(EffectCall &e, RowFlow &) { remember(e.c.tone_speed, e.xy()); }
void vibrato_row(EffectCall &e, RowFlow &) {
    remember(e.c.vib_speed, e.x());
    remember(e.c.vib_depth, e.y());
}
// 5xy, 6xy and Axy share one memory.
void volume_slide_row(EffectCall &e, RowFlow &) { remember(e.c.vol_slide, e.xy()); }
void tremolo_row(EffectCall &e, RowFlow &) {
    remember(e.c.trem_speed, e.x());
    remember(e.c.trem_depth, e.y());
}
void set_panning_row(EffectCall &e, RowFlow &) { e.c.panning = e.xy(); }
// The offset itself is taken when the note starts (trigger_cell); this keeps it for later notes.
void sample_offset_row(EffectCall &e, RowFlow &) { remember(e.c.offset, e.xy()); }
void position_jump_row(EffectCall &e, RowFlow &flow) {
    flow.jump = true;
    flow.jump_order = e.xy();
}
void set_volume_row(EffectCall &e, RowFlow &) { e.c.volume = std::min<int>(e.xy(), kMaxVolume); }
// The row is given in decimal digits: D12 is row 12.
void pattern_break_row(EffectCall &e, RowFlow &flow) {
    flow.brk = true;
    flow.break_row = e.x() * 10 + e.y();
}
void set_speed_row(EffectCall &e, RowFlow &) {
    if (e.xy() == 0) return;  // F00 is ignored: a stopped clock would never end the row
    if (e.xy() <= kMaxSpeed)
        e.song.speed = e.xy();
    else
        e.song.bpm = e.xy();
}
void set_global_volume_row(EffectCall &e, RowFlow &) {
    e.song.global_volume = std::min<int>(e.xy(), kMaxVolume);
}
void global_volume_slide_row(EffectCall &e, RowFlow &) { remember(e.song.global_slide_memory, e.xy()); }
// K00 releases the key at once; Kxx on tick xx.
void key_off_row(EffectCall &e, RowFlow &) {
    if (e.xy() == 0) key_off(e.c);
}
// FastTracker 2 moves the panning envelope too, but only when the volume envelope has its sustain
// flag set (it tests the wrong envelope's flag); modules rely on what it did.
void set_envelope_position_row(EffectCall &e, RowFlow &) {
    e.c.venv_pos = e.xy();
    if (e.c.ins && e.c.ins->volume_env.sustain_on) e.c.penv_pos = e.xy();
}
void panning_slide_row(EffectCall &e, RowFlow &) { remember(e.c.pan_slide, e.xy()); }
// The interval (y) and the volume change (x) are remembered separately.
void multi_retrigger_row(EffectCall &e, RowFlow &) {
    if (e.y()) e.c.retrig = static_cast<uint8_t>((e.c.retrig & 0xF0) | e.y());
    if (e.x()) e.c.retrig = static_cast<uint8_t>((e.c.retrig & 0x0F) | (e.x() << 4));
}
void tremor_row(EffectCall &e, RowFlow &) { remember(e.c.tremor, e.xy()); }
// X1y slides up by y, X2y down, in single period units, each with its memory.
void extra_fine_portamento_row(EffectCall &e, RowFlow &) {
    if (e.x() == 1) {
        remember(e.c.xfine_up, e.y());
        period_down_by(e.c, e.c.xfine_up);
    }
    if (e.x() == 2) {
        remember(e.c.xfine_down, e.y());
        period_up_by(e.c, e.c.xfine_down);
    }
}

// Extended effects Exy, first tick; y is the value.
void fine_portamento_up_row(EffectCall &e, RowFlow &) {
    remember(e.c.fine_up, e.y());
    period_down_by(e.c, e.c.fine_up * kPortamentoUnit);
}
void fine_portamento_down_row(EffectCall &e, RowFlow &) {
    remember(e.c.fine_down, e.y());
    period_up_by(e.c, e.c.fine_down * kPortamentoUnit);
}
void glissando_control_row(EffectCall &e, RowFlow &) { e.c.glissando = e.y() != 0; }
void vibrato_waveform_row(EffectCall &e, RowFlow &) { e.c.vib_wave = e.y(); }
// E60 marks the loop start; E6y (y > 0) plays the rows from there y more times.
void pattern_loop_row(EffectCall &e, RowFlow &flow) {
    Channel &c = e.c;
    if (e.y() == 0) {
        c.loop_row = e.song.row;
    } else if (c.loop_count == 0) {
        c.loop_count = e.y();
        flow.loop = true;
        flow.loop_row = c.loop_row;
    } else if (--c.loop_count > 0) {
        flow.loop = true;
        flow.loop_row = c.loop_row;
    }
}
void tremolo_waveform_row(EffectCall &e, RowFlow &) { e.c.trem_wave = e.y(); }
void fine_volume_up_row(EffectCall &e, RowFlow &) {
    remember(e.c.fine_vol_up, e.y());
    e.c.volume = std::min(kMaxVolume, e.c.volume + e.c.fine_vol_up);
}
void fine_volume_down_row(EffectCall &e, RowFlow &) {
    remember(e.c.fine_vol_down, e.y());
    e.c.volume = std::max(0, e.c.volume - e.c.fine_vol_down);
}
// EC0 cuts at once; ECy on tick y.
void note_cut_row(EffectCall &e, RowFlow &) {
    if (e.y() == 0) e.c.volume = 0;
}
// Not while the row is already being repeated: a delay does not ask for itself again.
void pattern_delay_row(EffectCall &e, RowFlow &flow) {
    if (e.song.pattern_delay_left == 0) flow.delay = e.y();
}

// ---- The effects: later ticks -----------------------------------------------------------------

// FastTracker 2 picks the step from the ticks left in the row (speed - tick): 1, 4, 7 ... left play
// the first offset (x), 2, 5, ... the second (y), multiples of 3 and 16 the note itself; with more
// than 16 left its table runs out and the second offset plays.
void arpeggio_tick(EffectCall &e) {
    if (e.xy() == 0) return;  // 000 is no effect
    int left = e.song.speed - e.song.tick;
    int step = left > 16 ? 2 : left == 16 ? 0 : left % 3;
    int semis = step == 1 ? e.x() : step == 2 ? e.y() : 0;
    e.c.out_period = period_up(e.mod.linear, e.c.period, semis, e.c.finetune);
}
void portamento_up_tick(EffectCall &e) {
    period_down_by(e.c, e.c.porta_up * kPortamentoUnit);
    e.c.out_period = e.c.period;
}
void portamento_down_tick(EffectCall &e) {
    period_up_by(e.c, e.c.porta_down * kPortamentoUnit);
    e.c.out_period = e.c.period;
}
void tone_portamento_tick(EffectCall &e) { tone_porta(e.c, e.mod.linear); }
void vibrato_tick(EffectCall &e) { vibrato(e.c); }
void tone_portamento_volume_tick(EffectCall &e) {
    tone_porta(e.c, e.mod.linear);
    volume_slide(e.c, e.c.vol_slide);
    e.c.out_volume = e.c.volume;
}
void vibrato_volume_tick(EffectCall &e) {
    vibrato(e.c);
    volume_slide(e.c, e.c.vol_slide);
    e.c.out_volume = e.c.volume;
}
void tremolo_tick(EffectCall &e) { tremolo(e.c); }
void volume_slide_tick(EffectCall &e) {
    volume_slide(e.c, e.c.vol_slide);
    e.c.out_volume = e.c.volume;
}
void global_volume_slide_tick(EffectCall &e) {
    uint8_t g = e.song.global_slide_memory;
    if (g & 0xF0)
        e.song.global_volume = std::min(kMaxVolume, e.song.global_volume + (g >> 4));
    else
        e.song.global_volume = std::max(0, e.song.global_volume - (g & 15));
}
void key_off_tick(EffectCall &e) {
    if (e.song.tick != e.xy()) return;
    key_off(e.c);
    e.c.out_volume = e.c.volume;
}
void panning_slide_tick(EffectCall &e) {
    Channel &c = e.c;
    if (c.pan_slide & 0xF0)
        c.panning = std::min(kMaxPanning, c.panning + (c.pan_slide >> 4));
    else
        c.panning = std::max(0, c.panning - (c.pan_slide & 15));
}
// Every y ticks (the remembered interval) the sample starts again, its volume changed by the
// remembered x: 1..5 down by 1, 2, 4, 8, 16; 6 to about two thirds; 7 to half; 9..D up by 1, 2,
// 4, 8, 16; E to one and a half; F to double (0 and 8 leave it).
void multi_retrigger_tick(EffectCall &e) {
    Channel &c = e.c;
    if (!c.smp) return;
    int interval = c.retrig & 15;
    if (!interval || ++c.retrig_count < interval) return;
    c.retrig_count = 0;
    switch (c.retrig >> 4) {
    case 1: c.volume -= 1; break;
    case 2: c.volume -= 2; break;
    case 3: c.volume -= 4; break;
    case 4: c.volume -= 8; break;
    case 5: c.volume -= 16; break;
    case 6: c.volume = (c.volume >> 1) + (c.volume >> 3) + (c.volume >> 4); break;  // ~2/3
    case 7: c.volume /= 2; break;
    case 9: c.volume += 1; break;
    case 10: c.volume += 2; break;
    case 11: c.volume += 4; break;
    case 12: c.volume += 8; break;
    case 13: c.volume += 16; break;
    case 14: c.volume = c.volume * 3 / 2; break;
    case 15: c.volume *= 2; break;
    default: break;
    }
    c.volume = std::clamp(c.volume, 0, kMaxVolume);
    c.out_volume = c.volume;
    start_voice(e.v, *c.smp, 0);
}
// On for x + 1 ticks, off for y + 1, counted over the rows the effect goes on.
void tremor_tick(EffectCall &e) {
    Channel &c = e.c;
    int on = (c.tremor >> 4) + 1, off = (c.tremor & 15) + 1;
    int t = c.tremor_pos % (on + off);
    c.out_volume = t < on ? c.volume : 0;
    ++c.tremor_pos;
}

// Extended effects Exy, later ticks.
// The note again from its start every y ticks, with a fresh instrument (envelopes, fadeout, key).
void retrigger_note_tick(EffectCall &e) {
    if (!e.y() || e.song.tick % e.y() != 0 || !e.c.smp) return;
    start_voice(e.v, *e.c.smp, 0);
    restart_instrument(e.c);
}
void note_cut_tick(EffectCall &e) {
    if (e.song.tick == e.y()) e.c.volume = e.c.out_volume = 0;
}
// The row's note, instrument and volume column play on tick y instead of the first.
void note_delay_tick(EffectCall &e) {
    if (!e.y() || e.song.tick != e.y()) return;
    trigger_cell(e.mod, e.c, e.v, e.c.cell, true);
    e.c.out_volume = e.c.volume;
}

// ---- The tables ---------------------------------------------------------------------------------

// What an effect does on the first tick of its row and on the later ticks (null: nothing).
struct EffectHandler {
    void (*first_tick)(EffectCall &, RowFlow &) = nullptr;
    void (*later_tick)(EffectCall &) = nullptr;
};

void extended_row(EffectCall &e, RowFlow &flow);
void extended_tick(EffectCall &e);

constexpr std::array<EffectHandler, kEffectCount> kEffectHandlers = [] {
    std::array<EffectHandler, kEffectCount> t{};
    t[kArpeggio] = {nullptr, arpeggio_tick};
    t[kPortamentoUp] = {portamento_up_row, portamento_up_tick};
    t[kPortamentoDown] = {portamento_down_row, portamento_down_tick};
    t[kTonePortamento] = {tone_portamento_row, tone_portamento_tick};
    t[kVibrato] = {vibrato_row, vibrato_tick};
    t[kTonePortamentoVolume] = {volume_slide_row, tone_portamento_volume_tick};
    t[kVibratoVolume] = {volume_slide_row, vibrato_volume_tick};
    t[kTremolo] = {tremolo_row, tremolo_tick};
    t[kSetPanning] = {set_panning_row, nullptr};
    t[kSampleOffset] = {sample_offset_row, nullptr};
    t[kVolumeSlide] = {volume_slide_row, volume_slide_tick};
    t[kPositionJump] = {position_jump_row, nullptr};
    t[kSetVolume] = {set_volume_row, nullptr};
    t[kPatternBreak] = {pattern_break_row, nullptr};
    t[kExtended] = {extended_row, extended_tick};
    t[kSetSpeed] = {set_speed_row, nullptr};
    t[kSetGlobalVolume] = {set_global_volume_row, nullptr};
    t[kGlobalVolumeSlide] = {global_volume_slide_row, global_volume_slide_tick};
    t[kKeyOff] = {key_off_row, key_off_tick};
    t[kSetEnvelopePosition] = {set_envelope_position_row, nullptr};
    t[kPanningSlide] = {panning_slide_row, panning_slide_tick};
    t[kMultiRetrigger] = {multi_retrigger_row, multi_retrigger_tick};
    t[kTremor] = {tremor_row, tremor_tick};
    t[kExtraFinePortamento] = {extra_fine_portamento_row, nullptr};
    return t;
}();

// E5y (set finetune) is taken when the note starts (trigger_cell).
constexpr std::array<EffectHandler, 16> kExtendedHandlers = [] {
    std::array<EffectHandler, 16> t{};
    t[kFinePortamentoUp] = {fine_portamento_up_row, nullptr};
    t[kFinePortamentoDown] = {fine_portamento_down_row, nullptr};
    t[kGlissandoControl] = {glissando_control_row, nullptr};
    t[kVibratoWaveform] = {vibrato_waveform_row, nullptr};
    t[kPatternLoop] = {pattern_loop_row, nullptr};
    t[kTremoloWaveform] = {tremolo_waveform_row, nullptr};
    t[kRetriggerNote] = {nullptr, retrigger_note_tick};
    t[kFineVolumeUp] = {fine_volume_up_row, nullptr};
    t[kFineVolumeDown] = {fine_volume_down_row, nullptr};
    t[kNoteCut] = {note_cut_row, note_cut_tick};
    t[kNoteDelay] = {nullptr, note_delay_tick};
    t[kPatternDelay] = {pattern_delay_row, nullptr};
    return t;
}();

void extended_row(EffectCall &e, RowFlow &flow) {
    if (auto handler = kExtendedHandlers[e.x()].first_tick) handler(e, flow);
}
void extended_tick(EffectCall &e) {
    if (auto handler = kExtendedHandlers[e.x()].later_tick) handler(e);
}

const EffectHandler *handler_of(const Cell &cell) {
    return cell.effect < kEffectCount ? &kEffectHandlers[cell.effect] : nullptr;
}

}  // namespace

void effect_first_tick(EffectCall &call, RowFlow &flow) {
    const EffectHandler *h = handler_of(call.c.cell);
    if (h && h->first_tick) h->first_tick(call, flow);
}

void later_tick(EffectCall &call) {
    Channel &c = call.c;
    c.out_period = c.period;
    c.out_volume = c.volume;
    volume_column_later_tick(c, c.cell.volume, call.mod.linear);
    c.out_volume = c.volume;
    const EffectHandler *h = handler_of(c.cell);
    if (h && h->later_tick) h->later_tick(call);
}

// A note under a tone portamento only sets the slide's target; an instrument number resets volume
// and panning and restarts the instrument (a note without one, as in FastTracker 2, plays the
// sample but leaves envelopes, fadeout and key as they are); a note delay restarts the instrument
// and, without a note, the channel's last note; a missing instrument or sample silences the
// channel.
bool trigger_cell(const Module &m, Channel &c, Voice &v, const Cell &cell, bool delayed) {
    int note = cell.note;
    if (delayed && note == 0) note = c.note;
    int insnum = cell.instrument;
    bool porta = cell.effect == kTonePortamento || cell.effect == kTonePortamentoVolume ||
                 volume_command(cell.volume) == VolumeCommand::tone_portamento;
    if (insnum) {
        c.ins = insnum <= static_cast<int>(m.instruments.size()) ? &m.instruments[insnum - 1] : nullptr;
        if (!c.ins) {
            c.smp = nullptr;
            fade_out(v);
        }
    }
    bool triggered = false;
    bool slides = false;  // the note only sets the tone portamento's target
    if (note == XM_NOTE_KEY_OFF) {
        key_off(c);
    } else if (note >= 1 && note <= XM_NOTES) {
        const Sample *s = nullptr;
        if (c.ins) {
            int si = c.ins->sample_map[note - 1];
            if (si < static_cast<int>(c.ins->samples.size())) s = &c.ins->samples[si];
        }
        if (porta && c.smp && v.active) {
            // Slide towards the note instead of playing it. The sample goes on, and so do its
            // relative note and finetune: the target is the note as that sample would play it
            // (FastTracker 2).
            slides = true;
            int n0 = note - 1 + c.relative;
            int ft = c.finetune;
            if (n0 >= 0 && n0 <= kMaxNote) {
                c.note = note;
                c.target_period = note_period(m.linear, n0, ft);
            }
        } else if (!s || s->length == 0) {
            c.smp = nullptr;
            fade_out(v);
        } else {
            int ft = s->finetune;
            // E5y: the note plays at finetune (y - 8) sixteenths of a semitone.
            if (extended_effect(cell) == kSetFinetune) ft = ((cell.param & 15) - 8) * 16;
            int n0 = note - 1 + s->relative_note;
            if (n0 >= 0 && n0 <= kMaxNote) {
                c.smp = s;
                c.note = note;
                c.finetune = ft;
                c.relative = s->relative_note;
                c.period = c.target_period = note_period(m.linear, n0, ft);
                int64_t offset = 0;
                if (cell.effect == kSampleOffset) {
                    remember(c.offset, cell.param);
                    offset = static_cast<int64_t>(c.offset) * 256;  // 9xx: xx * 256 points in
                }
                start_voice(v, *s, offset);
                triggered = true;
            }
        }
    }
    if (insnum && c.ins && note != XM_NOTE_KEY_OFF && c.smp) {
        c.volume = c.smp->volume;
        c.panning = c.smp->panning;
    }
    if (note != XM_NOTE_KEY_OFF && ((insnum && c.ins) || (delayed && triggered))) {
        // Under a tone portamento the note goes on: its vibrato, tremolo, retrigger and tremor carry
        // on through the slide; only the instrument's envelopes and fadeout start again.
        if (slides)
            reset_envelopes(c);
        else
            restart_instrument(c);
    }
    c.out_period = c.period;
    volume_column_first_tick(c, cell.volume);
    return triggered;
}

}  // namespace xm
