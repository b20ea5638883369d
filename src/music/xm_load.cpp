// xm_load.cpp - reads an XM module from bytes in memory, checking every size against the data.
//
// Layout read (all little-endian): the 60-byte fixed header, the song header whose size is stored
// at offset 60 (with the order table), then each pattern (header + packed cells), then each
// instrument (header, sample headers, then the delta-coded data of its samples in order). Every
// field's offset is named below, as the format's documentation lays it out.
// The three parts are read in turn by read_song_header, read_patterns and read_instruments; a part
// cut short ends the reading there (what was read stays) and is listed in the problems.
#include <algorithm>
#include <cstring>

#include "music/xm_module.h"

namespace xm {

namespace {

// The fixed header, from the start of the file.
constexpr size_t kIdOffset = 0;
constexpr size_t kIdBytes = 17;  // "Extended Module: "
constexpr size_t kNameOffset = 17;
constexpr size_t kNameBytes = 20;
constexpr size_t kTrackerOffset = 38;  // after the 0x1A byte
constexpr size_t kTrackerBytes = 20;
constexpr size_t kVersionOffset = 58;
constexpr uint16_t kFirstVersion = 0x0104;  // the layout read here

// The song header: its size is stored at kSongHeaderOffset and counts from there.
constexpr size_t kSongHeaderOffset = 60;
constexpr size_t kSongLengthOffset = 64;
constexpr size_t kRestartOffset = 66;
constexpr size_t kChannelsOffset = 68;
constexpr size_t kPatternCountOffset = 70;
constexpr size_t kInstrumentCountOffset = 72;
constexpr size_t kFlagsOffset = 74;  // bit 0: linear frequency table
constexpr size_t kSpeedOffset = 76;
constexpr size_t kBpmOffset = 78;
constexpr size_t kOrderTableOffset = 80;
constexpr uint32_t kSongFields = kOrderTableOffset - kSongHeaderOffset;  // size field + 8 words

// A pattern header, from its start.
constexpr size_t kPatternRowsOffset = 5;  // after the header size (4 bytes) and the packing type (1)
constexpr size_t kPatternPackedSizeOffset = 7;
constexpr uint32_t kPatternHeaderMin = 9;

// An instrument header, from its start; the fields from kSampleHeaderSizeOffset on are present
// only when the instrument has samples.
constexpr size_t kInstrumentNameOffset = 4;
constexpr size_t kInstrumentNameBytes = 22;
constexpr size_t kSampleCountOffset = 27;
constexpr uint32_t kInstrumentHeaderMin = 29;  // up to the sample count
constexpr size_t kSampleHeaderSizeOffset = 29;
constexpr size_t kSampleMapOffset = 33;      // 96 bytes: the sample of each note
constexpr size_t kVolumePointsOffset = 129;  // 12 points of two words: tick, value
constexpr size_t kPanningPointsOffset = 177;
constexpr size_t kVolumePointCountOffset = 225;
constexpr size_t kPanningPointCountOffset = 226;
constexpr size_t kVolumeSustainOffset = 227;  // then the loop start and the loop end point
constexpr size_t kPanningSustainOffset = 230;
constexpr size_t kVolumeTypeOffset = 233;  // bit 0 on, bit 1 sustain, bit 2 loop
constexpr size_t kPanningTypeOffset = 234;
constexpr size_t kVibratoTypeOffset = 235;
constexpr size_t kVibratoSweepOffset = 236;
constexpr size_t kVibratoDepthOffset = 237;
constexpr size_t kVibratoRateOffset = 238;
constexpr size_t kFadeoutOffset = 239;
constexpr uint32_t kInstrumentHeaderFull = 243;  // up to the fadeout word + reserved

// A sample header, from its start.
constexpr size_t kSampleLengthOffset = 0;  // bytes
constexpr size_t kSampleLoopStartOffset = 4;
constexpr size_t kSampleLoopLengthOffset = 8;
constexpr size_t kSampleVolumeOffset = 12;
constexpr size_t kSampleFinetuneOffset = 13;
constexpr size_t kSampleTypeOffset = 14;  // bits 0-1 loop kind, bit 4 16-bit
constexpr size_t kSamplePanningOffset = 15;
constexpr size_t kSampleRelativeNoteOffset = 16;
constexpr uint32_t kSampleHeaderSize = 40;

constexpr int kDefaultSpeed = 6;
constexpr int kDefaultBpm = 125;
constexpr int kMaxSpeed = 31;
constexpr int kMinBpm = 32;
constexpr int kMaxBpm = 255;
constexpr int kMaxEffect = 35;  // Z
constexpr uint8_t kMaxVolume = 64;

// Bounds-checked little-endian reads; reads past the end yield 0 and set `short_read`.
struct Reader {
    const uint8_t *data;
    size_t size;
    bool short_read = false;

    bool has(size_t offset, size_t n) const { return offset <= size && n <= size - offset; }
    uint8_t u8(size_t off) {
        if (!has(off, 1)) {
            short_read = true;
            return 0;
        }
        return data[off];
    }
    uint16_t u16(size_t off) {
        if (!has(off, 2)) {
            short_read = true;
            return 0;
        }
        return static_cast<uint16_t>(data[off] | (data[off + 1] << 8));
    }
    uint32_t u32(size_t off) {
        if (!has(off, 4)) {
            short_read = true;
            return 0;
        }
        return static_cast<uint32_t>(data[off]) | (static_cast<uint32_t>(data[off + 1]) << 8) |
               (static_cast<uint32_t>(data[off + 2]) << 16) | (static_cast<uint32_t>(data[off + 3]) << 24);
    }
};

struct Problems {
    std::vector<std::string> *list;
    void add(const std::string &s) {
        if (list) list->push_back(s);
    }
};

// What the song header gives the later parts.
struct SongCounts {
    size_t header_size = 0;
    int patterns = 0, instruments = 0;
};

std::string instrument_text(int num) { return "instrument " + std::to_string(num); }

// ---- The song header ------------------------------------------------------------------------------

// Reads the fixed header and the song header into `out`. False with `error` when the module cannot
// be played at all; repairs go to `pr`.
bool read_song_header(Reader &r, Module &out, SongCounts &counts, std::string &error, Problems &pr) {
    const uint8_t *bytes = r.data;
    if (!bytes || r.size < kSongHeaderOffset + kSongFields) {
        error = "not an XM module (file too short)";
        return false;
    }
    static const char id[] = "extended module: ";
    for (size_t i = 0; i < kIdBytes; ++i) {
        char c = static_cast<char>(bytes[kIdOffset + i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != id[i]) {
            error = "not an XM module (no \"Extended Module:\" signature)";
            return false;
        }
    }
    std::memcpy(out.name_field, bytes + kNameOffset, kNameBytes);
    for (size_t i = 0; i < kTrackerBytes; ++i) {
        char c = static_cast<char>(bytes[kTrackerOffset + i]);
        if (c) out.tracker += c;
    }
    uint16_t version = r.u16(kVersionOffset);
    if (version < kFirstVersion) {
        error = "XM version " + std::to_string(version >> 8) + "." + std::to_string(version & 0xFF) +
                " is not supported (0x0104 and later only)";
        return false;
    }
    uint32_t header_size = r.u32(kSongHeaderOffset);
    if (header_size < kSongFields) {
        error = "song header size " + std::to_string(header_size) + " is too small";
        return false;
    }
    if (!r.has(kSongHeaderOffset, header_size)) {
        pr.add("song header size " + std::to_string(header_size) + " runs past the end of the file");
    }
    int song_length = r.u16(kSongLengthOffset);
    int restart = r.u16(kRestartOffset);
    int channels = r.u16(kChannelsOffset);
    int npatterns = r.u16(kPatternCountOffset);
    int ninstruments = r.u16(kInstrumentCountOffset);
    uint16_t flags = r.u16(kFlagsOffset);
    int speed = r.u16(kSpeedOffset);
    int bpm = r.u16(kBpmOffset);
    if (channels < 1 || channels > XM_MAX_CHANNELS) {
        error = std::to_string(channels) + " channels (1 to 32 are playable)";
        return false;
    }
    if (npatterns > XM_MAX_PATTERNS) {
        error = std::to_string(npatterns) + " patterns (at most 256)";
        return false;
    }
    if (ninstruments > XM_MAX_INSTRUMENTS) {
        error = std::to_string(ninstruments) + " instruments (at most 128)";
        return false;
    }
    if (song_length < 1) {
        error = "the order list is empty";
        return false;
    }
    if (song_length > XM_MAX_ORDERS) {
        pr.add("song length " + std::to_string(song_length) + " cut to 256");
        song_length = XM_MAX_ORDERS;
    }
    // The order table lies inside the song header; what the header or the file does not hold is 0.
    size_t order_room = std::min<size_t>(header_size - kSongFields, XM_MAX_ORDERS);
    int orders_read = 0;
    for (int i = 0; i < song_length; ++i) {
        if (static_cast<size_t>(i) < order_room && r.has(kOrderTableOffset + i, 1)) {
            out.orders[i] = bytes[kOrderTableOffset + i];
            ++orders_read;
        }
    }
    if (orders_read < song_length)
        pr.add("order list cut short: " + std::to_string(orders_read) + " of " + std::to_string(song_length) +
               " entries present");
    if (restart >= song_length) {
        pr.add("restart position " + std::to_string(restart) + " past the song end; using 0");
        restart = 0;
    }
    if (speed < 1 || speed > kMaxSpeed) {
        pr.add("speed " + std::to_string(speed) + " is not playable; using " +
               std::to_string(speed < 1 ? kDefaultSpeed : kMaxSpeed));
        speed = speed < 1 ? kDefaultSpeed : kMaxSpeed;
    }
    if (bpm < kMinBpm || bpm > kMaxBpm) {
        int fixed = bpm == 0 ? kDefaultBpm : std::clamp(bpm, kMinBpm, kMaxBpm);
        pr.add("BPM " + std::to_string(bpm) + " is not playable; using " + std::to_string(fixed));
        bpm = fixed;
    }
    out.song_length = song_length;
    out.restart = restart;
    out.channels = channels;
    out.linear = flags & 1;
    out.speed = speed;
    out.bpm = bpm;
    // FastTracker 2 itself plays an order naming a pattern the file lacks as 64 empty rows, and real
    // modules have such orders: noted on the module, not reported as damage.
    for (int i = 0; i < song_length; ++i)
        if (out.orders[i] >= npatterns) out.empty_orders.push_back(i);
    counts.header_size = header_size;
    counts.patterns = npatterns;
    counts.instruments = ninstruments;
    return true;
}

// ---- Patterns -------------------------------------------------------------------------------------

// Unpacks one pattern's cells from `n` bytes at `p`. Returns false when the data ends inside a
// cell (the cells decoded so far are kept). A cell starts with a byte that either has bit 7 set
// and says which of the five fields follow (bits 0-4), or is the note itself, all five following.
bool unpack_pattern(const uint8_t *p, size_t n, int rows, int channels, Pattern &pat) {
    constexpr uint8_t kPackedFlag = 0x80, kAllFields = 0x1F, kFieldsAfterNote = 0x1E;
    pat.cells.assign(static_cast<size_t>(rows) * channels, Cell{});
    size_t i = 0;
    size_t total = pat.cells.size();
    for (size_t c = 0; c < total && i < n; ++c) {
        Cell &cell = pat.cells[c];
        uint8_t b = p[i++];
        uint8_t mask = kAllFields;
        if (b & kPackedFlag) {
            mask = b & kAllFields;
        } else {
            cell.note = b;
            mask = kFieldsAfterNote;
        }
        uint8_t *fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.param};
        for (int f = 0; f < 5; ++f) {
            if (!(mask & (1 << f))) continue;
            if (i >= n) return false;
            *fields[f] = p[i++];
        }
        if (cell.note > XM_NOTE_KEY_OFF) cell.note = 0;
        if (cell.effect > kMaxEffect) cell.effect = 0, cell.param = 0;
    }
    return true;
}

// Reads the patterns that follow the song header from `off` on; `off` ends after the last one
// read. Sets `data_ended` when the file ends (or cannot be followed) inside them.
void read_patterns(Reader &r, Module &out, const SongCounts &counts, size_t &off, bool &data_ended,
                   Problems &pr) {
    out.patterns.resize(static_cast<size_t>(counts.patterns));
    for (int p = 0; p < counts.patterns; ++p) {
        Pattern &pat = out.patterns[p];
        const std::string name = "pattern " + std::to_string(p);
        if (data_ended || !r.has(off, kPatternHeaderMin)) {
            if (!data_ended) pr.add(name + " and later are missing (file cut short)");
            data_ended = true;
            continue;
        }
        uint32_t pheader = r.u32(off);
        int rows = r.u16(off + kPatternRowsOffset);
        uint32_t packed = r.u16(off + kPatternPackedSizeOffset);
        if (pheader < kPatternHeaderMin) {
            pr.add(name + ": header size " + std::to_string(pheader) + " too small");
            pheader = kPatternHeaderMin;
        }
        if (rows < 1 || rows > XM_MAX_ROWS) {
            pr.add(name + ": " + std::to_string(rows) + " rows (1 to 256); played as 64 empty rows");
            pat.rows = XM_EMPTY_PATTERN_ROWS;  // the cells cannot be laid out; skip the stored data
            if (!r.has(off, pheader) || !r.has(off + pheader, packed)) {
                data_ended = true;
                continue;
            }
            off += pheader + packed;
            continue;
        }
        pat.rows = rows;
        if (!r.has(off, pheader)) {
            pr.add(name + ": header runs past the end of the file");
            data_ended = true;
            continue;
        }
        off += pheader;
        size_t avail = r.has(off, packed) ? packed : r.size - std::min(off, r.size);
        if (avail < packed) {
            pr.add(name + ": " + std::to_string(packed) + " bytes of cells, only " + std::to_string(avail) +
                   " in the file");
            data_ended = true;
        }
        if (avail > 0 && !unpack_pattern(r.data + off, avail, rows, out.channels, pat))
            pr.add(name + ": last cell cut short");
        off += avail;
    }
}

// ---- Instruments ----------------------------------------------------------------------------------

// Reads an envelope of the instrument header: its points, count, sustain and loop points (three
// bytes from `info_off`) and type. Repairs what does not fit and notes it.
void read_envelope(Reader &r, size_t points_off, size_t count_off, size_t info_off, size_t type_off,
                   Envelope &env, const char *what, int ins, Problems &pr) {
    constexpr uint8_t kOn = 1, kSustain = 2, kLoop = 4;
    int count = r.u8(count_off);
    if (count > XM_ENVELOPE_POINTS) {
        pr.add(instrument_text(ins) + ": " + what + " envelope has " + std::to_string(count) +
               " points (at most 12)");
        count = XM_ENVELOPE_POINTS;
    }
    env.count = count;
    uint16_t last = 0;
    bool disordered = false;
    for (int i = 0; i < XM_ENVELOPE_POINTS; ++i) {
        env.x[i] = r.u16(points_off + i * 4);
        env.y[i] = static_cast<uint8_t>(std::min<uint16_t>(r.u16(points_off + i * 4 + 2), kMaxVolume));
        if (i < count) {
            if (i > 0 && env.x[i] < last) {
                env.x[i] = last;
                disordered = true;
            }
            last = env.x[i];
        }
    }
    if (disordered) pr.add(instrument_text(ins) + ": " + what + " envelope points out of order");
    env.sustain = r.u8(info_off);
    env.loop_start = r.u8(info_off + 1);
    env.loop_end = r.u8(info_off + 2);
    uint8_t type = r.u8(type_off);
    env.on = (type & kOn) && count > 0;
    env.sustain_on = (type & kSustain) && env.on;
    env.loop_on = (type & kLoop) && env.on;
    if (env.sustain_on && env.sustain >= count) {
        pr.add(instrument_text(ins) + ": " + what + " sustain point past the envelope");
        env.sustain_on = false;
    }
    if (env.loop_on && (env.loop_start >= count || env.loop_end >= count || env.loop_start > env.loop_end)) {
        pr.add(instrument_text(ins) + ": " + what + " loop points past the envelope");
        env.loop_on = false;
    }
}

// The sizes and loop a sample header states, before they are checked against the data.
struct StoredSample {
    uint32_t length, loop_start, loop_length;  // bytes
    uint8_t type;
};

// The instrument's name: up to 22 bytes, ended early by a zero byte.
void read_instrument_name(Reader &r, size_t off, Instrument &ins) {
    for (size_t k = 0; k < kInstrumentNameBytes; ++k) {
        char c = static_cast<char>(r.u8(off + kInstrumentNameOffset + k));
        if (!c) break;
        ins.name += c;
    }
}

// Reads the rest of the header at `off` (of `isize` bytes) of an instrument with samples into
// `ins`: sample map, envelopes, auto-vibrato, fadeout; `sample_header` gets the size of its sample
// headers.
void read_instrument_header(Reader &r, size_t off, uint32_t isize, int num, Instrument &ins,
                            uint32_t &sample_header, Problems &pr) {
    // Fields past the stored header size read as 0 (the size of the header decides where the
    // sample headers start).
    Reader ir{r.data, std::min(r.size, off + static_cast<size_t>(isize))};
    sample_header = ir.u32(off + kSampleHeaderSizeOffset);
    for (int k = 0; k < XM_NOTES; ++k) ins.sample_map[k] = ir.u8(off + kSampleMapOffset + k);
    read_envelope(ir, off + kVolumePointsOffset, off + kVolumePointCountOffset, off + kVolumeSustainOffset,
                  off + kVolumeTypeOffset, ins.volume_env, "volume", num, pr);
    read_envelope(ir, off + kPanningPointsOffset, off + kPanningPointCountOffset, off + kPanningSustainOffset,
                  off + kPanningTypeOffset, ins.panning_env, "panning", num, pr);
    ins.vibrato_type = ir.u8(off + kVibratoTypeOffset) & 3;
    ins.vibrato_sweep = ir.u8(off + kVibratoSweepOffset);
    ins.vibrato_depth = ir.u8(off + kVibratoDepthOffset) & 15;
    ins.vibrato_rate = ir.u8(off + kVibratoRateOffset);
    ins.fadeout = ir.u16(off + kFadeoutOffset);
    if (isize < kInstrumentHeaderFull)
        pr.add(instrument_text(num) + ": header size " + std::to_string(isize) + " leaves fields out");
    if (sample_header < kSampleHeaderSize) {
        pr.add(instrument_text(num) + ": sample header size " + std::to_string(sample_header) + "; using 40");
        sample_header = kSampleHeaderSize;
    }
}

// Reads the sample headers from `off` on into `ins.samples` and `stored`; a header cut short ends
// the list there and sets `data_ended`.
void read_sample_headers(Reader &r, size_t &off, uint32_t sample_header, int num, int nsamples,
                         Instrument &ins, std::vector<StoredSample> &stored, bool &data_ended, Problems &pr) {
    stored.resize(static_cast<size_t>(nsamples));
    ins.samples.resize(static_cast<size_t>(nsamples));
    for (int s = 0; s < nsamples; ++s) {
        if (!r.has(off, kSampleHeaderSize)) {
            pr.add(instrument_text(num) + ": sample headers cut short");
            ins.samples.resize(static_cast<size_t>(s));
            stored.resize(static_cast<size_t>(s));
            data_ended = true;
            break;
        }
        Sample &smp = ins.samples[s];
        stored[s].length = r.u32(off + kSampleLengthOffset);
        stored[s].loop_start = r.u32(off + kSampleLoopStartOffset);
        stored[s].loop_length = r.u32(off + kSampleLoopLengthOffset);
        smp.volume = std::min<uint8_t>(r.u8(off + kSampleVolumeOffset), kMaxVolume);
        smp.finetune = static_cast<int8_t>(r.u8(off + kSampleFinetuneOffset));
        stored[s].type = r.u8(off + kSampleTypeOffset);
        smp.panning = r.u8(off + kSamplePanningOffset);
        smp.relative_note = static_cast<int8_t>(r.u8(off + kSampleRelativeNoteOffset));
        if (!r.has(off, sample_header)) {
            data_ended = true;
            ins.samples.resize(static_cast<size_t>(s));
            stored.resize(static_cast<size_t>(s));
            pr.add(instrument_text(num) + ": sample headers cut short");
            break;
        }
        off += sample_header;
    }
}

// Decodes the delta-coded data of sample `s` from `off` on (what the file holds of it), checks its
// loop against the decoded length and lays out the guard points.
void read_sample_data(Reader &r, size_t &off, const StoredSample &stored, int num, size_t s, Sample &smp,
                      bool &data_ended, Problems &pr) {
    constexpr uint8_t kSixteenBit = 0x10;
    const std::string name = instrument_text(num) + " sample " + std::to_string(s);
    smp.sixteen_bit = stored.type & kSixteenBit;
    size_t bytes_stored = stored.length;
    size_t avail = data_ended ? 0 : std::min(bytes_stored, r.size - std::min(off, r.size));
    if (avail < bytes_stored) {
        pr.add(name + ": " + std::to_string(bytes_stored) + " bytes of data, only " + std::to_string(avail) +
               " in the file");
        data_ended = true;
    }
    int bps = smp.sixteen_bit ? 2 : 1;
    int32_t length = static_cast<int32_t>(std::min<size_t>(avail / bps, INT32_MAX / 4));
    uint32_t ls = stored.loop_start / bps, ll = stored.loop_length / bps;
    // Decode.
    smp.data.assign(static_cast<size_t>(length) + XM_GUARD_POINTS + XM_PAD_POINTS, 0);
    const uint8_t *p = r.data + std::min(off, r.size);
    if (smp.sixteen_bit) {
        int16_t acc = 0;
        for (int32_t k = 0; k < length; ++k) {
            acc = static_cast<int16_t>(acc + static_cast<int16_t>(p[2 * k] | (p[2 * k + 1] << 8)));
            smp.data[k] = acc;
        }
    } else {
        int8_t acc = 0;
        for (int32_t k = 0; k < length; ++k) {
            acc = static_cast<int8_t>(acc + static_cast<int8_t>(p[k]));
            smp.data[k] = static_cast<int16_t>(acc * 256);
        }
    }
    off += avail;
    // Loop.
    int kind = stored.type & 3;
    LoopKind loop = kind == 1 ? LoopKind::forward : kind >= 2 ? LoopKind::pingpong : LoopKind::none;
    if (kind == 3) pr.add(name + ": loop type 3; played as ping-pong");
    if (loop != LoopKind::none) {
        if (ll == 0) {
            loop = LoopKind::none;
        } else if (ls >= static_cast<uint32_t>(length)) {
            pr.add(name + ": loop starts past the sample end; no loop");
            loop = LoopKind::none;
        } else if (ll > static_cast<uint32_t>(length) - ls) {
            pr.add(name + ": loop runs past the sample end; cut at the end");
            ll = static_cast<uint32_t>(length) - ls;
        }
    }
    smp.loop = loop;
    if (loop != LoopKind::none) {
        smp.loop_start = static_cast<int32_t>(ls);
        smp.loop_length = static_cast<int32_t>(ll);
        length = smp.loop_start + smp.loop_length;  // nothing after the loop end is ever played
    }
    smp.length = length;
    // Guard points: what the interpolation reads after the last point.
    int16_t guard = 0;
    if (loop == LoopKind::forward) guard = smp.data[smp.loop_start];
    if (loop == LoopKind::pingpong) guard = smp.data[length - 1];
    for (int g = 0; g < XM_GUARD_POINTS; ++g) smp.data[length + g] = guard;
    smp.data.resize(static_cast<size_t>(length) + XM_GUARD_POINTS + XM_PAD_POINTS);
    std::fill(smp.data.begin() + length + XM_GUARD_POINTS, smp.data.end(), 0);
}

// Reads the instruments from `off` on, each with its sample headers and data, until the file ends.
void read_instruments(Reader &r, Module &out, const SongCounts &counts, size_t off, bool &data_ended,
                      Problems &pr) {
    out.instruments.resize(static_cast<size_t>(counts.instruments));
    for (int i = 0; i < counts.instruments && !data_ended; ++i) {
        Instrument &ins = out.instruments[i];
        int num = i + 1;
        uint32_t isize = r.u32(off);
        if (!r.has(off, kInstrumentHeaderMin) || isize < kInstrumentHeaderMin) {
            pr.add(instrument_text(num) + " and later are missing or broken (header size " +
                   std::to_string(isize) + ")");
            data_ended = true;
            break;
        }
        read_instrument_name(r, off, ins);
        int nsamples = r.u16(off + kSampleCountOffset);
        if (nsamples > XM_MAX_SAMPLES) {
            pr.add(instrument_text(num) + ": " + std::to_string(nsamples) +
                   " samples (at most 16); the rest of the file is skipped");
            data_ended = true;
            break;
        }
        uint32_t sample_header = kSampleHeaderSize;
        if (nsamples > 0) read_instrument_header(r, off, isize, num, ins, sample_header, pr);
        if (!r.has(off, isize)) {
            pr.add(instrument_text(num) + ": header runs past the end of the file");
            data_ended = true;
            break;
        }
        off += isize;
        std::vector<StoredSample> stored;
        read_sample_headers(r, off, sample_header, num, nsamples, ins, stored, data_ended, pr);
        // Sample data, delta-coded, in the order of the headers.
        for (size_t s = 0; s < ins.samples.size(); ++s)
            read_sample_data(r, off, stored[s], num, s, ins.samples[s], data_ended, pr);
    }
}

}  // namespace

void xm_title(const Module &module, char *title) {
    int n = 0;
    for (uint8_t c : module.name_field)
        if (c >= 32) title[n++] = static_cast<char>(c);
    title[n] = 0;
}

bool load_xm(const uint8_t *bytes, size_t size, Module &out, std::string &error,
             std::vector<std::string> *problems) {
    out = Module{};
    Problems pr{problems};
    Reader r{bytes, size};
    SongCounts counts;
    if (!read_song_header(r, out, counts, error, pr)) return false;
    size_t off = kSongHeaderOffset + counts.header_size;
    bool data_ended = false;
    read_patterns(r, out, counts, off, data_ended, pr);
    read_instruments(r, out, counts, off, data_ended, pr);
    return true;
}

}  // namespace xm
