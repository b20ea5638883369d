// sheet.h - the review contact sheet: every picture already written under GAME_DIR/gfx, and a
// sample of the bitmap font from GAME_DIR/fnt, rendered into one PNG with names and sizes.
#pragma once

#include <filesystem>
#include <string>

namespace gfx {

// Renders the sheet; returns false (after a message naming the file) when a picture cannot be
// read or the PNG cannot be written.
bool contact_sheet(const std::filesystem::path &game_dir, const std::string &png_path);

}  // namespace gfx
