// scenes.cpp - the scene list: cfg\scenes.txt, one level file path a line, by level index.
//
// Read once at start-up. Lines are taken whole (no trimming); blank lines give empty entries.
// A missing file leaves every entry empty and is reported when a level is started
// (scene_problem); lines past the 30th are ignored with one warning. A line holding a NUL byte
// cannot be a path (the file system would see only what comes before the NUL): its entry stays
// empty, with one warning naming the line, and starting that level says why.
#include <cstdio>

#include "platform/platform.h"
#include "platform/textreader.h"
#include "state/state.h"

SceneList scenes;

namespace {
const char *const kSceneListPath = "cfg\\scenes.txt";

std::string line_of(std::size_t index) {
    return std::string(kSceneListPath) + ", line " + std::to_string(index + 1);
}
}  // namespace

void reset_scenes() { scenes = SceneList{}; }

std::string scene_file(int32_t index) {
    if (index < 0 || index >= kSceneCapacity) return {};
    return scenes.files[static_cast<std::size_t>(index)];
}

void load_scene_catalogue() {
    reset_scenes();
    std::string bytes;
    scenes.read = platform::read_file(kSceneListPath, bytes);
    if (!scenes.read) return;
    platform::TextReader reader(std::move(bytes));
    for (std::size_t i = 0; i < scenes.files.size() && !reader.at_end(); ++i) {
        std::string line = reader.read_line();
        if (line.find('\0') != std::string::npos) {
            scenes.refused[i] = true;
            platform::warn_once("scenes-nul:" + std::to_string(i),
                                line_of(i) + ": " + platform::quote(line) +
                                    " holds a NUL byte and cannot be a file name; the line is ignored");
            continue;
        }
        scenes.files[i] = std::move(line);
    }
    if (!reader.at_end())
        platform::warn_once("scenes-too-long",
                            std::string(kSceneListPath) + ": more than " + std::to_string(kSceneCapacity) +
                                " lines; the lines after line " + std::to_string(kSceneCapacity) +
                                " are ignored");
}

std::string scene_problem(int32_t index) {
    if (!scenes.read) return std::string(kSceneListPath) + ": missing or unreadable";
    if (index < 0 || index >= kSceneCapacity)
        return std::string(kSceneListPath) + ": no entry for level " + std::to_string(index);
    if (scenes.refused[static_cast<std::size_t>(index)])
        return line_of(static_cast<std::size_t>(index)) + ": ignored, it holds a NUL byte (level " +
               std::to_string(index) + ")";
    return line_of(static_cast<std::size_t>(index)) + ": empty entry for level " + std::to_string(index);
}
