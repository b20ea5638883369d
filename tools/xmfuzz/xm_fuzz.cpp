// xm_fuzz - libFuzzer entry for the XM loader and the replay.
//
// Each input is loaded as a module; when it loads (repaired or not), up to two seconds of it are
// mixed through the ring's block mixer, so that loops, envelopes, effects and pattern flow run on
// whatever the loader let through. Any read outside the input or undefined behaviour is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "music/music_ring.h"
#include "music/xm_module.h"
#include "music/xm_player.h"

static constexpr int FUZZ_BLOCKS = 94;  // about two seconds of music per input

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Copy into a buffer of exactly the input's size, so that any overread is caught.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  for (size_t i = 0; i < size; ++i) bytes[i] = data[i];
  xm::Module module;
  std::string error;
  std::vector<std::string> problems;
  if (!xm::load_xm(bytes.get(), size, module, error, &problems)) return 0;
  char title[21];
  xm::xm_title(module, title);
  xm::Player player(module);
  player.set_looping(size % 2 == 0);
  static MusicRing ring;
  ring.set_source(&player);
  for (int i = 0; i < FUZZ_BLOCKS; ++i) ring.mix_block();
  ring.set_source(nullptr);
  return 0;
}
