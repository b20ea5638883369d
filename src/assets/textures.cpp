// textures.cpp - TBase, the name-indexed catalogue of engine textures (assets.h).
//
// Files are handed to the engine with '/' separators and UTF-8 names (platform::native_path); the
// entries keep the 1251 stem. Entries stay in load order, which decides the first-of-equal-names
// rule; lookup is a linear scan. A name that is not there gets no handle (callers draw without it).
#include "assets/assets.h"

#include "engine/engine.h"
#include "platform/platform.h"

namespace {
constexpr int32_t kTextureTransparent = -1;  // colour key argument: none
constexpr int32_t kTextureFlags = 264;       // load flags of catalogue pictures
}  // namespace

void Base_AddFile(TBase &base, const std::string &path) {
    if (base.count < 0) base.count = 0;
    if (base.count >= kTextureCapacity) {
        platform::warn_once("Base_AddFile", "texture catalogue full (" +
                            std::to_string(kTextureCapacity) + " pictures); " + path +
                            " and further pictures are not loaded");
        return;
    }
    OE_Texture *t = eng.Tex_LoadFromFile(platform::native_path(path).c_str(), kTextureTransparent,
                                         kTextureFlags);
    _PTexture &e = base.entries[static_cast<std::size_t>(base.count)];
    e.handle = t;
    const std::size_t sep = path.find_last_of("\\/:");
    e.name = FileStem(sep == std::string::npos ? path : path.substr(sep + 1));
    ++base.count;
}

void Base_LoadDir(TBase &base, const std::string &directory) {
    for (const char *mask : {"*.tga", "*.jpg"}) {
        TF_list list = FList_FindFiles(directory + mask);
        if (list.names[0].empty()) continue;
        for (int32_t i = 0; i < list.count; ++i) Base_AddFile(base, directory + list.names[i]);
    }
}

void Base_LoadPrefix(TBase &base, const std::string &directory, const std::string &prefix) {
    for (int32_t i = 0; i < base.count; ++i)
        if (base.entries[i].name == prefix) return;
    TF_list list = FList_FindFiles(directory + "*.tga");
    if (list.names[0].empty()) return;
    for (int32_t i = 0; i < list.count; ++i) {
        if (list.names[i].compare(0, prefix.size(), prefix) != 0 || list.names[i].size() < prefix.size()) continue;
        // A picture already loaded is not loaded again: lookups find the first of equal names, so
        // a second copy could never be drawn, and asking for a prefix over and over (a level of
        // thousands of items named "b") would otherwise fill the catalogue with copies.
        const std::string stem = FileStem(list.names[i]);
        bool present = false;
        for (int32_t k = 0; k < base.count && !present; ++k) present = base.entries[k].name == stem;
        if (!present) Base_AddFile(base, directory + list.names[i]);
    }
}

OE_Texture *Base_Find(const TBase &base, const std::string &name) {
    for (int32_t i = 0; i < base.count; ++i)
        if (base.entries[i].name == name) return base.entries[i].handle;
    // A miss is a picture the game asks for and no file provided: said once, so that it can be
    // mended, and answered with nothing rather than with some other picture. A catalogue that holds
    // no picture at all (nothing loaded yet, or a test without pictures) stays quiet.
    if (base.count > 0)
        platform::warn_once("Base_Find " + name, "no picture \"" + name + "\" among the " +
                            std::to_string(base.count) + " loaded; it is not drawn");
    return nullptr;
}

void Base_Free(TBase &base) {
    for (int32_t i = 0; i < base.count; ++i) {
        _PTexture &e = base.entries[i];
        if (e.handle) eng.Tex_Free(&e.handle);
        e.handle = nullptr;
        e.name.clear();
    }
    base.count = 0;
}
