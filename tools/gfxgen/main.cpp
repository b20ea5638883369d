// gfxgen - draws every picture of the game as vector art and writes it as 32-bit TGA.
//
//   gfxgen [--out GAME_DIR] [--only NAME]...     write GAME_DIR/gfx/share/*.tga and gfx/obj/*.tga
//   gfxgen --icons OUT_DIR                       the application icon at 16-512 px, as
//                                                OUT_DIR/<N>x<N>/apps/tarvelok.png (icon.cpp)
//   gfxgen --list                                print "folder name width height" per picture
// The contact sheet of what it wrote is another program, gfxsheet (the game does not need it).
// GAME_DIR defaults to the folder holding this program. The output is the same bytes on every
// run. Exit status 0 on success, 1 when a file cannot be written or read (the message names it),
// 2 on a bad command line.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "art.h"
#include "common/own_folder.h"
#include "common/tga_write.h"

namespace fs = std::filesystem;

namespace {

using tools::own_folder;

int usage() {
    std::fprintf(stderr,
                 "usage: gfxgen [--out GAME_DIR] [--only NAME]...\n"
                 "       gfxgen --icons OUT_DIR\n"
                 "       gfxgen --list\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    fs::path game_dir = own_folder();
    std::vector<std::string> only;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) game_dir = argv[++i];
        else if (a == "--only" && i + 1 < argc) only.push_back(argv[++i]);
        else if (a == "--list") list = true;
        else if (a == "--icons" && i + 1 < argc) return gfx::write_icons(argv[i + 1]) ? 0 : 1;
        else return usage();
    }

    gfx::add_share_pictures();
    gfx::add_hero_pictures();
    gfx::add_creature_pictures();
    gfx::add_item_pictures();
    gfx::add_scenery_pictures();
    gfx::add_waymark_pictures();

    if (list) {
        for (const gfx::Picture &p : gfx::registry())
            std::printf("%s %s %d %d%s\n", p.folder.c_str(), p.name.c_str(), p.w, p.h, p.opaque ? " opaque" : "");
        return 0;
    }

    const auto start = std::chrono::steady_clock::now();
    std::error_code ec;
    for (const char *sub : {"gfx/share", "gfx/obj"}) {
        fs::create_directories(game_dir / sub, ec);
        if (ec) {
            std::fprintf(stderr, "gfxgen: %s: cannot create the folder: %s\n", (game_dir / sub).c_str(), ec.message().c_str());
            return 1;
        }
    }
    int written = 0;
    for (const gfx::Picture &p : gfx::registry()) {
        if (!only.empty() && std::find(only.begin(), only.end(), p.name) == only.end()) continue;
        cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.w, p.h);
        cairo_t *cr = cairo_create(s);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
        p.draw(cr, p.w, p.h);
        cairo_destroy(cr);
        std::vector<uint8_t> rgba = gfx::to_rgba(s);
        cairo_surface_destroy(s);
        if (p.opaque)
            for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        const fs::path out = game_dir / "gfx" / p.folder / (p.name + ".tga");
        if (!tools::write_tga(out.string(), p.w, p.h, rgba)) {
            std::fprintf(stderr, "gfxgen: %s: cannot write the picture\n", out.c_str());
            return 1;
        }
        ++written;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (getenv("GFXGEN_VERBOSE")) std::fprintf(stderr, "gfxgen: %d pictures in %.2f s\n", written, secs);
    return 0;
}
