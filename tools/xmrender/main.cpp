// xmrender - renders an XM module to a 48000 Hz stereo 16-bit WAV file, offline.
//
//   xmrender IN.xm OUT.wav [--seconds N]
//
// Uses the game's replay and block mixer (the same 16-bit conversion), with no device or thread.
// Without --seconds it renders from the start until the song would loop (at most 600 s); with it,
// N seconds (0 < N <= 600), looping as the game does. Prints the module's title on the first line
// of stdout and the rendered seconds on the second. A module that is missing, broken or lies about
// its sizes is refused: a message on stderr naming the file and the fault, exit status 1.
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

static int usage() {
  std::fprintf(stderr, "usage: xmrender IN.xm OUT.wav [--seconds N]   (0 < N <= 600)\n");
  return 1;
}

static void put32(std::vector<uint8_t> &b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
static void put16(std::vector<uint8_t> &b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

int main(int argc, char **argv) {
  if (argc != 3 && argc != 5) return usage();
  const char *in = argv[1], *out = argv[2];
  double seconds = 0;
  if (argc == 5) {
    if (std::strcmp(argv[3], "--seconds") != 0) return usage();
    char *end = nullptr;
    seconds = std::strtod(argv[4], &end);
    if (!end || *end || !(seconds > 0) || seconds > XMRENDER_MAX_SECONDS) return usage();
  }
  std::ifstream f(in, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "xmrender: %s: cannot be opened\n", in);
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (bytes.size() > XMRENDER_MAX_FILE_BYTES) {
    std::fprintf(stderr, "xmrender: %s: larger than %zu bytes\n", in, XMRENDER_MAX_FILE_BYTES);
    return 1;
  }
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
  char title[21];
  xm::xm_title(module, title);

  auto player = std::make_unique<xm::Player>(module);
  player->set_looping(seconds > 0);
  auto ring = std::make_unique<MusicRing>();
  ring->set_source(player.get());
  uint64_t limit = static_cast<uint64_t>(std::llround((seconds > 0 ? seconds : XMRENDER_MAX_SECONDS) *
                                                      xm::XM_OUTPUT_RATE));
  std::vector<uint8_t> pcm;
  uint64_t frames = 0;
  while (frames < limit) {
    int index = ring->write_index();
    ring->mix_block();
    uint64_t take = MUSIC_BLOCK_FRAMES;
    if (seconds <= 0 && player->song_ended()) take = player->frames_rendered() - frames;
    if (frames + take > limit) take = limit - frames;
    const uint8_t *block = ring->bytes() + index * MUSIC_BLOCK_BYTES;
    pcm.insert(pcm.end(), block, block + take * 4);
    frames += take;
    if (seconds <= 0 && player->song_ended()) break;
  }
  std::vector<uint8_t> wav;
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  put32(wav, static_cast<uint32_t>(36 + pcm.size()));
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(wav, 16);
  put16(wav, 1);  // PCM
  put16(wav, 2);
  put32(wav, xm::XM_OUTPUT_RATE);
  put32(wav, xm::XM_OUTPUT_RATE * 4);
  put16(wav, 4);
  put16(wav, 16);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  put32(wav, static_cast<uint32_t>(pcm.size()));
  wav.insert(wav.end(), pcm.begin(), pcm.end());
  std::ofstream o(out, std::ios::binary);
  if (!o || !o.write(reinterpret_cast<const char *>(wav.data()), static_cast<std::streamsize>(wav.size()))) {
    std::fprintf(stderr, "xmrender: %s: cannot be written\n", out);
    return 1;
  }
  std::printf("%s\n%.3f\n", title, static_cast<double>(frames) / xm::XM_OUTPUT_RATE);
  return 0;
}
