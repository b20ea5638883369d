// world_model.cpp - the kind table, the world's generator, and the layer operations that do not
// depend on the rest of the game: appending, emptying the layers and removing entries of one kind.
//
// Nothing here reads files, draws or plays sounds.
#include <string_view>

#include "world/world_internal.h"

namespace {

// Name-to-behaviour table: the one place that says which names act. Names not listed are Kind::other.
struct KindName {
    std::string_view name;
    Kind kind;
};
constexpr KindName kKindNames[] = {
    {"enot", Kind::enot},       {"bee", Kind::bee},         {"worm", Kind::worm},
    {"krot", Kind::krot},       {"hedge", Kind::hedge},     {"ship", Kind::ship},
    {"romash", Kind::romash},   {"vag", Kind::vag},         {"health", Kind::health},
    {"life", Kind::life},       {"bapple", Kind::bapple},   {"bberry", Kind::bberry},
    {"bnut", Kind::bnut},       {"bgold", Kind::bgold},     {"bsilver", Kind::bsilver},
    {"table", Kind::table},     {"fonar", Kind::fonar},     {"delete", Kind::removed},
};

constexpr std::size_t kLongestKind = 7;

// Kind names by length, first and last letter (each kept to 5 bits): no two names of the table
// share a slot, so one full comparison decides. Built from the table by the compiler.
struct KindIndex {
    int8_t slot[kLongestKind + 1][32][32];
    constexpr KindIndex() : slot{} {
        for (auto &a : slot)
            for (auto &b : a)
                for (int8_t &c : b) c = -1;
        for (std::size_t i = 0; i < std::size(kKindNames); ++i) {
            const std::string_view n = kKindNames[i].name;
            slot[n.size()][n.front() & 31][n.back() & 31] = static_cast<int8_t>(i);
        }
    }
};
constexpr KindIndex kKindIndex;

}  // namespace

Kind kind_of(const std::string &name) {
    // Called for every object several times a tick.
    if (name.empty() || name.size() > kLongestKind) return Kind::other;
    const int8_t i = kKindIndex.slot[name.size()][name.front() & 31][name.back() & 31];
    if (i < 0 || kKindNames[i].name != name) return Kind::other;
    return kKindNames[i].kind;
}

tmin &append_item(std::vector<tmin> &layer, int32_t &count) {
    if (layer.size() <= static_cast<std::size_t>(count)) layer.resize(static_cast<std::size_t>(count) + 1);
    tmin &t = layer[static_cast<std::size_t>(count++)];
    t = tmin{};
    return t;
}

void world_seed(World &w, uint64_t seed) { w.random_state = seed; }

int32_t random_int(World &w, int32_t n) {
    // 64-bit linear congruential step (Knuth's MMIX constants); the high bits are the good ones.
    w.random_state = w.random_state * 6364136223846793005ULL + 1442695040888963407ULL;
    if (n <= 0) return 0;
    return static_cast<int32_t>((w.random_state >> 33) % static_cast<uint64_t>(n));
}

void play_sound(WorldEvents &events, const char *name) {
    if (events.sound_count < kStepSoundCapacity) events.sounds[static_cast<std::size_t>(events.sound_count++)] = name;
}

// Empties the backdrop and the four layers (kinds and outlines released).
void clear_layers(World &w) {
    w.backdrop.clear();
    w.object_count = w.back_count = w.front_count = w.ground_count = 0;
    w.back_layer.clear();
    w.front_layer.clear();
    w.ground_layer.clear();
    w.object_layer.clear();
    terrain_changed(w);
}

void remove_marked(World &w) {
    // As the removal has always behaved: the entry right after a removed one waits for the next
    // call, so an entry is never examined twice in one call.
    int32_t kept = 0;
    bool passed_over = false;
    for (int32_t i = 0; i < w.object_count; ++i) {
        tmin &o = w.object_layer[static_cast<std::size_t>(i)];
        if (!passed_over && o.role == Kind::removed) {
            passed_over = true;
            continue;
        }
        passed_over = false;
        if (kept != i) w.object_layer[static_cast<std::size_t>(kept)] = std::move(o);
        ++kept;
    }
    w.object_count = kept;
    w.object_layer.resize(static_cast<std::size_t>(kept));
}
