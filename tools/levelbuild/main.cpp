// levelbuild - turns the level sources of content/levels into the game's level files and the
// scene list, refusing what the game cannot draw or finish.
//
//   levelbuild --pictures GFX_OBJ_DIR --out GAME_DIR SOURCES_DIR
//   levelbuild --pictures GFX_OBJ_DIR --check SOURCE...     check sources, write nothing
//
// SOURCES_DIR/scenes.list names the sources in level order, one a line (the final scene last);
// each SOURCE.lvs becomes GAME_DIR/cfg/levels/SOURCE.lvl (beside the scene list, with the game's other configuration) and one line of GAME_DIR/cfg/scenes.txt.
// Every refusal is printed as "FILE:LINE: message"; exit status 0 when all is written, 1 when a
// source is refused or a file cannot be read or written, 2 on a bad command line.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "level_core.h"

namespace fs = std::filesystem;

namespace {

bool read_text(const fs::path &p, std::string &out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

// Writes through a temporary file so that a failed build never leaves half a level behind.
bool write_text(const fs::path &p, const std::string &text) {
    const fs::path tmp = p.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        if (!out || !out.write(text.data(), std::streamsize(text.size()))) return false;
    }
    std::error_code ec;
    fs::rename(tmp, p, ec);
    return !ec;
}

// Parses and checks one source; prints every refusal. True when the level is sound.
bool build_one(const fs::path &src, const lv::Pictures &pics, lv::Level &level) {
    std::string text;
    if (!read_text(src, text)) {
        std::fprintf(stderr, "%s: cannot read the level source\n", src.string().c_str());
        return false;
    }
    std::vector<std::string> errors;
    const std::string name = src.filename().string();
    if (lv::parse_source(text, name, pics, level, errors)) lv::check_level(level, name, errors);
    for (const std::string &e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return errors.empty();
}

int usage() {
    std::fprintf(stderr,
                 "usage: levelbuild --pictures GFX_OBJ_DIR --out GAME_DIR SOURCES_DIR\n"
                 "       levelbuild --pictures GFX_OBJ_DIR --check SOURCE...\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    std::string pictures_dir, out_dir;
    bool check_only = false;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pictures" && i + 1 < argc) pictures_dir = argv[++i];
        else if (a == "--out" && i + 1 < argc) out_dir = argv[++i];
        else if (a == "--check") check_only = true;
        else if (!a.empty() && a[0] == '-') return usage();
        else rest.push_back(a);
    }
    if (pictures_dir.empty() || rest.empty() || (!check_only && (out_dir.empty() || rest.size() != 1))) return usage();

    lv::Pictures pics;
    std::string error;
    if (!lv::load_pictures(pictures_dir, pics, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    if (check_only) {
        bool ok = true;
        for (const std::string &s : rest) {
            lv::Level level;
            ok = build_one(s, pics, level) && ok;
        }
        return ok ? 0 : 1;
    }

    const fs::path src_dir = rest[0];
    std::string list;
    if (!read_text(src_dir / "scenes.list", list)) {
        std::fprintf(stderr, "%s: cannot read the scene list\n", (src_dir / "scenes.list").string().c_str());
        return 1;
    }
    std::vector<std::pair<std::string, std::string>> outputs;   // file, text
    std::string scenes;
    bool ok = true;
    std::istringstream in(list);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        lv::Level level;
        if (!build_one(src_dir / line, pics, level)) { ok = false; continue; }
        const std::string stem = fs::path(line).stem().string();
        outputs.push_back({"cfg/levels/" + stem + ".lvl", lv::write_level_file(level)});
        scenes += "cfg/levels/" + stem + ".lvl\r\n";
    }
    if (!ok) return 1;
    std::error_code ec;
    fs::create_directories(fs::path(out_dir) / "cfg" / "levels", ec);
    fs::create_directories(fs::path(out_dir) / "cfg", ec);
    for (const auto &[file, text] : outputs)
        if (!write_text(fs::path(out_dir) / file, text)) {
            std::fprintf(stderr, "%s: cannot write the level file\n", (fs::path(out_dir) / file).string().c_str());
            return 1;
        }
    if (!write_text(fs::path(out_dir) / "cfg" / "scenes.txt", scenes)) {
        std::fprintf(stderr, "%s: cannot write the scene list\n", (fs::path(out_dir) / "cfg/scenes.txt").string().c_str());
        return 1;
    }
    return 0;
}
