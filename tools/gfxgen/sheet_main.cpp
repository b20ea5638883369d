// gfxsheet - the review contact sheet: renders the pictures gfxgen wrote into GAME_DIR/gfx (and
// the font in GAME_DIR/fnt, when present) into one PNG, each with its name, on a checker
// background. Review aid only; the game never reads it.
//
//   gfxsheet [--out GAME_DIR] OUT.png
//
// GAME_DIR defaults to the folder holding this program. Exit status 0 when written, 1 when a
// picture cannot be read or the PNG cannot be written (the message names it), 2 on a bad command
// line.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/own_folder.h"
#include "sheet.h"

namespace fs = std::filesystem;

namespace {

using tools::own_folder;

}  // namespace

int main(int argc, char **argv) {
    fs::path game_dir = own_folder();
    std::string png;
    bool bad = false;
    for (int i = 1; i < argc && !bad; ++i) {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) game_dir = argv[++i];
        else if (png.empty() && !a.empty() && a[0] != '-') png = a;
        else bad = true;
    }
    if (bad || png.empty()) {
        std::fprintf(stderr, "usage: gfxsheet [--out GAME_DIR] OUT.png\n");
        return 2;
    }
    return gfx::contact_sheet(game_dir, png) ? 0 : 1;
}
