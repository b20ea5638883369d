// xm_load.cpp - reads an XM module from bytes in memory, checking every size against the data.
//
// Layout read (all little-endian): the 60-byte fixed header, the song header whose size is stored
// at offset 60, then each pattern (header + packed cells), then each instrument (header, sample
// headers, then the delta-coded data of its samples in order).
#include "music/xm_module.h"

#include <algorithm>
#include <cstring>

namespace xm {

// Sizes of the fixed parts of the format.
static constexpr size_t XM_ID_BYTES = 17;            // "Extended Module: "
static constexpr size_t XM_HEADER_SIZE_OFFSET = 60;  // where the song header's size is stored
static constexpr uint32_t XM_SONG_FIELDS = 20;       // size field + 8 words before the order table
static constexpr uint32_t XM_PATTERN_HEADER_MIN = 9;
static constexpr uint32_t XM_INSTRUMENT_HEADER_MIN = 29;  // up to the sample count
static constexpr uint32_t XM_INSTRUMENT_HEADER_FULL = 243;  // up to the fadeout word + reserved
static constexpr uint32_t XM_SAMPLE_HEADER = 40;
static constexpr int XM_DEFAULT_SPEED = 6;
static constexpr int XM_DEFAULT_BPM = 125;
static constexpr int XM_MAX_SPEED = 31;
static constexpr int XM_MIN_BPM = 32;
static constexpr int XM_MAX_BPM = 255;

namespace {

// Bounds-checked little-endian reads; reads past the end yield 0 and set `short_read`.
struct Reader {
  const uint8_t *data;
  size_t size;
  bool short_read = false;

  bool has(size_t offset, size_t n) const { return offset <= size && n <= size - offset; }
  uint8_t u8(size_t off) {
    if (!has(off, 1)) { short_read = true; return 0; }
    return data[off];
  }
  uint16_t u16(size_t off) {
    if (!has(off, 2)) { short_read = true; return 0; }
    return static_cast<uint16_t>(data[off] | (data[off + 1] << 8));
  }
  uint32_t u32(size_t off) {
    if (!has(off, 4)) { short_read = true; return 0; }
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

// Unpacks one pattern's cells from `n` bytes at `p`. Returns false when the data ends inside a
// cell (the cells decoded so far are kept).
bool unpack_pattern(const uint8_t *p, size_t n, int rows, int channels, Pattern &pat) {
  pat.cells.assign(static_cast<size_t>(rows) * channels, Cell{});
  size_t i = 0;
  size_t total = pat.cells.size();
  for (size_t c = 0; c < total && i < n; ++c) {
    Cell &cell = pat.cells[c];
    uint8_t b = p[i++];
    uint8_t mask = 0x1F;
    if (b & 0x80) {
      mask = b & 0x1F;
    } else {
      cell.note = b;
      mask = 0x1E;
    }
    uint8_t *fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.param};
    for (int f = 0; f < 5; ++f) {
      if (!(mask & (1 << f))) continue;
      if (i >= n) return false;
      *fields[f] = p[i++];
    }
    if (cell.note > XM_NOTE_KEY_OFF) cell.note = 0;
    if (cell.effect > 35) cell.effect = 0, cell.param = 0;
  }
  return true;
}

void read_envelope(Reader &r, size_t points_off, size_t count_off, size_t info_off, size_t type_off,
                   Envelope &env, const char *what, int ins, Problems &pr) {
  int count = r.u8(count_off);
  if (count > XM_ENVELOPE_POINTS) {
    pr.add("instrument " + std::to_string(ins) + ": " + what + " envelope has " +
           std::to_string(count) + " points (at most 12)");
    count = XM_ENVELOPE_POINTS;
  }
  env.count = count;
  uint16_t last = 0;
  bool disordered = false;
  for (int i = 0; i < XM_ENVELOPE_POINTS; ++i) {
    env.x[i] = r.u16(points_off + i * 4);
    env.y[i] = static_cast<uint8_t>(std::min<uint16_t>(r.u16(points_off + i * 4 + 2), 64));
    if (i < count) {
      if (i > 0 && env.x[i] < last) {
        env.x[i] = last;
        disordered = true;
      }
      last = env.x[i];
    }
  }
  if (disordered)
    pr.add("instrument " + std::to_string(ins) + ": " + what + " envelope points out of order");
  env.sustain = r.u8(info_off);
  env.loop_start = r.u8(info_off + 1);
  env.loop_end = r.u8(info_off + 2);
  uint8_t type = r.u8(type_off);
  env.on = (type & 1) && count > 0;
  env.sustain_on = (type & 2) && env.on;
  env.loop_on = (type & 4) && env.on;
  if (env.sustain_on && env.sustain >= count) {
    pr.add("instrument " + std::to_string(ins) + ": " + what + " sustain point past the envelope");
    env.sustain_on = false;
  }
  if (env.loop_on && (env.loop_start >= count || env.loop_end >= count || env.loop_start > env.loop_end)) {
    pr.add("instrument " + std::to_string(ins) + ": " + what + " loop points past the envelope");
    env.loop_on = false;
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
  if (!bytes || size < XM_HEADER_SIZE_OFFSET + XM_SONG_FIELDS) {
    error = "not an XM module (file too short)";
    return false;
  }
  static const char id[] = "extended module: ";
  for (size_t i = 0; i < XM_ID_BYTES; ++i) {
    char c = static_cast<char>(bytes[i]);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != id[i]) {
      error = "not an XM module (no \"Extended Module:\" signature)";
      return false;
    }
  }
  std::memcpy(out.name_field, bytes + 17, 20);
  for (int i = 0; i < 20; ++i) {
    char c = static_cast<char>(bytes[38 + i]);
    if (c) out.tracker += c;
  }
  uint16_t version = r.u16(58);
  if (version < 0x0104) {
    error = "XM version " + std::to_string(version >> 8) + "." + std::to_string(version & 0xFF) +
            " is not supported (0x0104 and later only)";
    return false;
  }
  uint32_t header_size = r.u32(60);
  if (header_size < XM_SONG_FIELDS) {
    error = "song header size " + std::to_string(header_size) + " is too small";
    return false;
  }
  if (!r.has(XM_HEADER_SIZE_OFFSET, header_size)) {
    pr.add("song header size " + std::to_string(header_size) + " runs past the end of the file");
  }
  int song_length = r.u16(64);
  int restart = r.u16(66);
  int channels = r.u16(68);
  int npatterns = r.u16(70);
  int ninstruments = r.u16(72);
  uint16_t flags = r.u16(74);
  int speed = r.u16(76);
  int bpm = r.u16(78);
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
  size_t order_room = std::min<size_t>(header_size - XM_SONG_FIELDS, XM_MAX_ORDERS);
  int orders_read = 0;
  for (int i = 0; i < song_length; ++i) {
    if (static_cast<size_t>(i) < order_room && r.has(80 + i, 1)) {
      out.orders[i] = bytes[80 + i];
      ++orders_read;
    }
  }
  if (orders_read < song_length)
    pr.add("order list cut short: " + std::to_string(orders_read) + " of " +
           std::to_string(song_length) + " entries present");
  if (restart >= song_length) {
    pr.add("restart position " + std::to_string(restart) + " past the song end; using 0");
    restart = 0;
  }
  if (speed < 1 || speed > XM_MAX_SPEED) {
    pr.add("speed " + std::to_string(speed) + " is not playable; using " +
           std::to_string(speed < 1 ? XM_DEFAULT_SPEED : XM_MAX_SPEED));
    speed = speed < 1 ? XM_DEFAULT_SPEED : XM_MAX_SPEED;
  }
  if (bpm < XM_MIN_BPM || bpm > XM_MAX_BPM) {
    int fixed = bpm == 0 ? XM_DEFAULT_BPM : std::clamp(bpm, XM_MIN_BPM, XM_MAX_BPM);
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

  // Patterns.
  size_t off = XM_HEADER_SIZE_OFFSET + static_cast<size_t>(header_size);
  out.patterns.resize(static_cast<size_t>(npatterns));
  bool data_ended = false;
  for (int p = 0; p < npatterns; ++p) {
    Pattern &pat = out.patterns[p];
    if (data_ended || !r.has(off, XM_PATTERN_HEADER_MIN)) {
      if (!data_ended)
        pr.add("pattern " + std::to_string(p) + " and later are missing (file cut short)");
      data_ended = true;
      continue;
    }
    uint32_t pheader = r.u32(off);
    int rows = r.u16(off + 5);
    uint32_t packed = r.u16(off + 7);
    if (pheader < XM_PATTERN_HEADER_MIN) {
      pr.add("pattern " + std::to_string(p) + ": header size " + std::to_string(pheader) + " too small");
      pheader = XM_PATTERN_HEADER_MIN;
    }
    if (rows < 1 || rows > XM_MAX_ROWS) {
      pr.add("pattern " + std::to_string(p) + ": " + std::to_string(rows) + " rows (1 to 256); played as 64 empty rows");
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
      pr.add("pattern " + std::to_string(p) + ": header runs past the end of the file");
      data_ended = true;
      continue;
    }
    off += pheader;
    size_t avail = r.has(off, packed) ? packed : size - std::min(off, size);
    if (avail < packed) {
      pr.add("pattern " + std::to_string(p) + ": " + std::to_string(packed) +
             " bytes of cells, only " + std::to_string(avail) + " in the file");
      data_ended = true;
    }
    if (avail > 0 && !unpack_pattern(bytes + off, avail, rows, channels, pat))
      pr.add("pattern " + std::to_string(p) + ": last cell cut short");
    off += avail;
  }

  // Instruments.
  out.instruments.resize(static_cast<size_t>(ninstruments));
  for (int i = 0; i < ninstruments && !data_ended; ++i) {
    Instrument &ins = out.instruments[i];
    int num = i + 1;
    uint32_t isize = r.u32(off);
    if (!r.has(off, XM_INSTRUMENT_HEADER_MIN) || isize < XM_INSTRUMENT_HEADER_MIN) {
      pr.add("instrument " + std::to_string(num) + " and later are missing or broken (header size " +
             std::to_string(isize) + ")");
      data_ended = true;
      break;
    }
    for (int k = 0; k < 22; ++k) {
      char c = static_cast<char>(r.u8(off + 4 + k));
      if (!c) break;
      ins.name += c;
    }
    int nsamples = r.u16(off + 27);
    if (nsamples > XM_MAX_SAMPLES) {
      pr.add("instrument " + std::to_string(num) + ": " + std::to_string(nsamples) +
             " samples (at most 16); the rest of the file is skipped");
      data_ended = true;
      break;
    }
    uint32_t sample_header = XM_SAMPLE_HEADER;
    if (nsamples > 0) {
      // Fields past the stored header size read as 0 (the size of the header decides where the
      // sample headers start).
      Reader ir{bytes, std::min(size, off + static_cast<size_t>(isize))};
      sample_header = ir.u32(off + 29);
      for (int k = 0; k < XM_NOTES; ++k) ins.sample_map[k] = ir.u8(off + 33 + k);
      read_envelope(ir, off + 129, off + 225, off + 227, off + 233, ins.volume_env, "volume", num, pr);
      read_envelope(ir, off + 177, off + 226, off + 230, off + 234, ins.panning_env, "panning", num, pr);
      ins.vibrato_type = ir.u8(off + 235) & 3;
      ins.vibrato_sweep = ir.u8(off + 236);
      ins.vibrato_depth = ir.u8(off + 237) & 15;
      ins.vibrato_rate = ir.u8(off + 238);
      ins.fadeout = ir.u16(off + 239);
      if (isize < XM_INSTRUMENT_HEADER_FULL)
        pr.add("instrument " + std::to_string(num) + ": header size " + std::to_string(isize) +
               " leaves fields out");
      if (sample_header < XM_SAMPLE_HEADER) {
        pr.add("instrument " + std::to_string(num) + ": sample header size " +
               std::to_string(sample_header) + "; using 40");
        sample_header = XM_SAMPLE_HEADER;
      }
    }
    if (!r.has(off, isize)) {
      pr.add("instrument " + std::to_string(num) + ": header runs past the end of the file");
      data_ended = true;
      break;
    }
    off += isize;
    // Sample headers.
    struct Raw { uint32_t length, loop_start, loop_length; uint8_t type; };
    std::vector<Raw> raw(static_cast<size_t>(nsamples));
    ins.samples.resize(static_cast<size_t>(nsamples));
    for (int s = 0; s < nsamples; ++s) {
      if (!r.has(off, XM_SAMPLE_HEADER)) {
        pr.add("instrument " + std::to_string(num) + ": sample headers cut short");
        ins.samples.resize(static_cast<size_t>(s));
        raw.resize(static_cast<size_t>(s));
        data_ended = true;
        break;
      }
      Sample &smp = ins.samples[s];
      raw[s].length = r.u32(off);
      raw[s].loop_start = r.u32(off + 4);
      raw[s].loop_length = r.u32(off + 8);
      smp.volume = std::min<uint8_t>(r.u8(off + 12), 64);
      smp.finetune = static_cast<int8_t>(r.u8(off + 13));
      raw[s].type = r.u8(off + 14);
      smp.panning = r.u8(off + 15);
      smp.relative_note = static_cast<int8_t>(r.u8(off + 16));
      if (!r.has(off, sample_header)) {
        data_ended = true;
        ins.samples.resize(static_cast<size_t>(s));
        raw.resize(static_cast<size_t>(s));
        pr.add("instrument " + std::to_string(num) + ": sample headers cut short");
        break;
      }
      off += sample_header;
    }
    // Sample data, delta-coded, in the order of the headers.
    for (size_t s = 0; s < ins.samples.size(); ++s) {
      Sample &smp = ins.samples[s];
      const Raw &rw = raw[s];
      smp.sixteen_bit = rw.type & 0x10;
      size_t bytes_stored = rw.length;
      size_t avail = data_ended ? 0 : std::min(bytes_stored, size - std::min(off, size));
      if (avail < bytes_stored) {
        pr.add("instrument " + std::to_string(num) + " sample " + std::to_string(s) + ": " +
               std::to_string(bytes_stored) + " bytes of data, only " + std::to_string(avail) +
               " in the file");
        data_ended = true;
      }
      int bps = smp.sixteen_bit ? 2 : 1;
      int32_t length = static_cast<int32_t>(std::min<size_t>(avail / bps, INT32_MAX / 4));
      uint32_t ls = rw.loop_start / bps, ll = rw.loop_length / bps;
      // Decode.
      smp.data.assign(static_cast<size_t>(length) + XM_GUARD_POINTS + XM_PAD_POINTS, 0);
      const uint8_t *p = bytes + std::min(off, size);
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
      int kind = rw.type & 3;
      LoopKind loop = kind == 1 ? LoopKind::forward : kind >= 2 ? LoopKind::pingpong : LoopKind::none;
      if (kind == 3)
        pr.add("instrument " + std::to_string(num) + " sample " + std::to_string(s) +
               ": loop type 3; played as ping-pong");
      if (loop != LoopKind::none) {
        if (ll == 0) {
          loop = LoopKind::none;
        } else if (ls >= static_cast<uint32_t>(length)) {
          pr.add("instrument " + std::to_string(num) + " sample " + std::to_string(s) +
                 ": loop starts past the sample end; no loop");
          loop = LoopKind::none;
        } else if (ll > static_cast<uint32_t>(length) - ls) {
          pr.add("instrument " + std::to_string(num) + " sample " + std::to_string(s) +
                 ": loop runs past the sample end; cut at the end");
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
  }
  (void)r.short_read;
  return true;
}

}  // namespace xm
