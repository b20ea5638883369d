// scenes.cpp - the scene list: cfg\scenes.txt, one level file path a line, by level index.
//
// Read once at start-up. Lines are taken whole (no trimming); blank lines give empty entries.
// A missing file leaves every entry empty and is reported when a level is started
// (scene_problem); lines past the 30th are ignored with one warning.
#include <cstdio>

#include "platform/platform.h"
#include "platform/textreader.h"
#include "world/world.h"
#include "world/world_scenes.h"

std::array<std::string, kSceneCapacity> scene_files;

namespace {
const char *const kSceneListPath = "cfg\\scenes.txt";
bool g_catalogue_read = false;  // the file was there and could be read
}  // namespace

const std::string &scene_file(int32_t index) {
    static const std::string none;
    if (index < 0 || index >= kSceneCapacity) return none;
    return scene_files[static_cast<std::size_t>(index)];
}

void load_scene_catalogue() {
    for (auto &entry : scene_files) entry.clear();
    std::string bytes;
    g_catalogue_read = platform::read_file(kSceneListPath, bytes);
    if (!g_catalogue_read) return;
    platform::TextReader reader(std::move(bytes));
    for (auto &entry : scene_files) {
        if (reader.at_end()) break;
        entry = reader.read_line();
    }
    if (!reader.at_end())
        platform::warn_once("scenes-too-long",
                            std::string(kSceneListPath) + ": more than " + std::to_string(kSceneCapacity) +
                                " lines; the lines after line " + std::to_string(kSceneCapacity) +
                                " are ignored");
}

std::string scene_problem(int32_t index) {
    if (!g_catalogue_read) return std::string(kSceneListPath) + ": missing or unreadable";
    if (index < 0 || index >= kSceneCapacity)
        return std::string(kSceneListPath) + ": no entry for level " + std::to_string(index);
    return std::string(kSceneListPath) + ", line " + std::to_string(index + 1) + ": empty entry for level " +
           std::to_string(index);
}
