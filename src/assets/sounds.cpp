// sounds.cpp - TS_List, the name-indexed catalogue of sound effects (assets.h).
#include "assets/assets.h"

#include "engine/engine.h"
#include "platform/platform.h"

namespace {
constexpr int32_t kSingleBuffer = 1;   // sounds that must never overlap themselves
constexpr int32_t kManyBuffers = 6;    // copies of any other sound that may sound at once
}  // namespace

void SList_Add(TS_List &list, const std::string &name, const std::string &path) {
    if (list.count < 0) list.count = 0;
    if (static_cast<std::size_t>(list.count) >= list.items.size()) list.items.resize(list.count + 1);
    TS_Item &item = list.items[static_cast<std::size_t>(list.count)];
    item.name = name;
    const int32_t buffers = (name == "vag" || name == "menu") ? kSingleBuffer : kManyBuffers;
    item.handle = eng.Snd_LoadFromFile(platform::native_path(path).c_str(), buffers);
    ++list.count;
}

void SList_Load(TS_List &list, const std::string &directory, const std::string &mask) {
    TF_list files = FList_FindFiles(directory + mask);
    list.items.resize(static_cast<std::size_t>(files.count));
    for (int32_t i = 0; i < files.count; ++i)
        SList_Add(list, FileStem(files.names[i]), directory + files.names[i]);
}

OE_Sound *SList_Find(const TS_List &list, const std::string &name) {
    for (int32_t i = 0; i < list.count; ++i)
        if (list.items[i].name == name) return list.items[i].handle;
    return list.count > 0 ? list.items[0].handle : nullptr;
}

void SList_Play(const TS_List &list, const std::string &name, uint8_t flag) {
    OE_Sound *s = SList_Find(list, name);
    if (s) eng.Snd_Play(s, 0, 0, 0, static_cast<int32_t>(flag));
}
