// replay_fuzz - libFuzzer entry for the replay file reader.
//
// Each input is read as a replay file. What reads is written out again, line by line as the
// recorder writes it, and read back: the second reading must succeed and give the same number of
// sections and entries (a difference traps), and every start is put into a World as the simulator
// does. Reads outside the input, undefined behaviour, exceptions and runaway memory are findings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "replay/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<replay::Section> sections;
    std::string error;
    if (!replay::parse(text, "fuzz", sections, error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    std::string again = std::string(replay::kVersionLine) + "\n";
    World world;
    for (const replay::Section &s : sections) {
        again += replay::format_start(s.start);
        for (const replay::Entry &e : s.entries) again += replay::format_entry(e);
        replay::restore_start(world, s.start);
    }
    std::vector<replay::Section> back;
    if (!replay::parse(again, "again", back, error)) std::abort();
    if (back.size() != sections.size()) std::abort();
    for (std::size_t i = 0; i < back.size(); ++i)
        if (back[i].entries.size() != sections[i].entries.size()) std::abort();
    return 0;
}
