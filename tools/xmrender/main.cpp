// xmrender - renders an XM module to a 48000 Hz stereo 16-bit WAV file, offline.
//
//   xmrender IN.xm OUT.wav [--seconds N] [--stats]
//
// Uses the game's replay and block mixer (the same 16-bit conversion), with no device or thread.
// Without --seconds it renders from the start until the song would loop (at most 600 s); with it,
// N seconds (0 < N <= 600), looping as the game does. Each block goes to the file as soon as it is
// mixed; the WAV header's sizes are set at the end. Prints the module's title on the first line
// of stdout and the rendered seconds on the last; --stats adds, after the title, the peak level
// (before the 16-bit clamp) and the number of frames that clipped.
// It plays what the game plays: an order naming a pattern the file lacks plays 64 empty rows, with
// one warning on stderr. A module that is missing, not XM, or damaged (data cut short, sizes or
// loop points that lie, zero speed or BPM) is refused: a message naming the file, exit status 1.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "music/music_ring.h"
#include "music/xm_module.h"
#include "music/xm_player.h"

static constexpr double XMRENDER_MAX_SECONDS = 600.0;  // longest render
static constexpr size_t XMRENDER_MAX_FILE_BYTES = 64u << 20;
static constexpr int WAV_HEADER_BYTES = 44;
static constexpr size_t OUTPUT_BUFFER_BYTES = 1u << 20;  // stdio buffer of the output file
static constexpr float FULL_SCALE = 32768.0f;

namespace {

int usage() {
  std::fprintf(stderr, "usage: xmrender IN.xm OUT.wav [--seconds N] [--stats]   (0 < N <= 600)\n");
  return 1;
}

void put32(uint8_t *b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(uint8_t *b, uint16_t v) {
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}

// The 44-byte header of a PCM WAV file holding `frames` stereo 16-bit frames at 48000 Hz.
void wav_header(uint8_t *h, uint64_t frames) {
  uint32_t data = static_cast<uint32_t>(frames * 4);
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + data);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);
  put16(h + 20, 1);  // PCM
  put16(h + 22, 2);
  put32(h + 24, xm::XM_OUTPUT_RATE);
  put32(h + 28, xm::XM_OUTPUT_RATE * 4);
  put16(h + 32, 4);
  put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, data);
}

// Peak level and clipped frames of what was mixed, before the conversion to 16 bits.
struct Stats {
  float peak = 0;        // largest magnitude, 16-bit scale (32768 = full scale)
  uint64_t clipped = 0;  // frames with a side that rounds outside -32768..32767

  void add(const float *frames, uint64_t n) {
    for (uint64_t i = 0; i < n; ++i) {
      float l = frames[2 * i], r = frames[2 * i + 1];
      peak = std::fmax(peak, std::fmax(std::fabs(l), std::fabs(r)));
      float rl = std::nearbyint(l), rr = std::nearbyint(r);
      if (rl > 32767.0f || rl < -32768.0f || rr > 32767.0f || rr < -32768.0f) ++clipped;
    }
  }
};

bool read_module(const char *in, std::vector<uint8_t> &bytes) {
  std::ifstream f(in, std::ios::binary | std::ios::ate);
  if (!f) {
    std::fprintf(stderr, "xmrender: %s: cannot be opened\n", in);
    return false;
  }
  std::streamoff size = f.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > XMRENDER_MAX_FILE_BYTES) {
    std::fprintf(stderr, "xmrender: %s: cannot be read or larger than %zu bytes\n", in, XMRENDER_MAX_FILE_BYTES);
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  f.seekg(0);
  if (size > 0 && !f.read(reinterpret_cast<char *>(bytes.data()), size)) {
    std::fprintf(stderr, "xmrender: %s: cannot be read\n", in);
    return false;
  }
  return true;
}

// One warning for every order that names a pattern the file lacks.
void warn_empty_orders(const char *in, const std::vector<int> &orders) {
  if (orders.empty()) return;
  std::string list;
  for (size_t i = 0; i < orders.size(); ++i) list += (i ? ", " : "") + std::to_string(orders[i]);
  if (orders.size() == 1)
    std::fprintf(stderr, "xmrender: %s: order %s names a pattern the file lacks; it plays as 64 empty rows\n",
                 in, list.c_str());
  else
    std::fprintf(stderr, "xmrender: %s: orders %s name patterns the file lacks; they play as 64 empty rows each\n",
                 in, list.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) return usage();
  const char *in = argv[1], *out = argv[2];
  double seconds = 0;
  bool stats_wanted = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--stats") == 0) {
      stats_wanted = true;
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      char *end = nullptr;
      seconds = std::strtod(argv[++i], &end);
      if (!end || *end || !(seconds > 0) || seconds > XMRENDER_MAX_SECONDS) return usage();
    } else {
      return usage();
    }
  }

  std::vector<uint8_t> bytes;
  if (!read_module(in, bytes)) return 1;
  xm::Module module;
  std::string error;
  std::vector<std::string> problems;
  if (!xm::load_xm(bytes.data(), bytes.size(), module, error, &problems)) {
    std::fprintf(stderr, "xmrender: %s: %s\n", in, error.c_str());
    return 1;
  }
  if (!problems.empty()) {
    for (const std::string &p : problems) std::fprintf(stderr, "xmrender: %s: %s\n", in, p.c_str());
    std::fprintf(stderr, "xmrender: %s: broken module refused\n", in);
    return 1;
  }
  bytes = std::vector<uint8_t>();  // the module holds what it needs
  warn_empty_orders(in, module.empty_orders);
  char title[21];
  xm::xm_title(module, title);

  std::FILE *o = std::fopen(out, "wb");
  if (!o) {
    std::fprintf(stderr, "xmrender: %s: cannot be written\n", out);
    return 1;
  }
  std::setvbuf(o, nullptr, _IOFBF, OUTPUT_BUFFER_BYTES);
  uint64_t limit = static_cast<uint64_t>(std::llround((seconds > 0 ? seconds : XMRENDER_MAX_SECONDS) *
                                                      xm::XM_OUTPUT_RATE));
  // With --seconds the length is known now; otherwise the header is written again at the end.
  uint8_t header[WAV_HEADER_BYTES];
  wav_header(header, seconds > 0 ? limit : 0);
  bool ok = std::fwrite(header, 1, sizeof header, o) == sizeof header;

  auto player = std::make_unique<xm::Player>(module);
  player->set_looping(seconds > 0);
  auto ring = std::make_unique<MusicRing>();
  ring->set_source(player.get());
  Stats stats;
  uint64_t frames = 0;
  while (ok && frames < limit) {
    int index = ring->write_index();
    ring->mix_block();
    uint64_t take = MUSIC_BLOCK_FRAMES;
    bool ended = seconds <= 0 && player->song_ended();
    if (ended) take = player->frames_rendered() - frames;
    if (frames + take > limit) take = limit - frames;
    if (stats_wanted) stats.add(ring->mixed_frames(), take);
    const uint8_t *block = ring->bytes() + index * MUSIC_BLOCK_BYTES;
    ok = std::fwrite(block, 4, take, o) == take;
    frames += take;
    if (ended) break;
  }
  if (ok && seconds <= 0) {
    wav_header(header, frames);
    ok = std::fseek(o, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, o) == sizeof header;
  }
  if (std::fclose(o) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "xmrender: %s: cannot be written\n", out);
    return 1;
  }
  std::printf("%s\n", title);
  if (stats_wanted) {
    double db = stats.peak > 0 ? 20 * std::log10(stats.peak / FULL_SCALE) : -INFINITY;
    std::printf("peak %.0f (%.2f dBFS)\nclipped frames %llu\n", stats.peak, db,
                static_cast<unsigned long long>(stats.clipped));
  }
  std::printf("%.3f\n", static_cast<double>(frames) / xm::XM_OUTPUT_RATE);
  return 0;
}
