// xmgen - writes the game's music modules from the song files of content/music.
//
// In:  xmgen SONG_FOLDER OUTPUT_FOLDER; reads SONG_FOLDER/{menu,level0,level1}.song.
// Out: OUTPUT_FOLDER/{menu,level0,level1}.xm (XM 1.04), the same bytes on every run.
// A faulty song file is reported with its file name and line; the other songs are still
// written, and the exit status is 1.
#include "instruments.h"
#include "song.h"
#include "xm_module.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xmgen SONG_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string songs = argv[1], out = argv[2];
    const std::vector<xmgen::Instrument> instruments = xmgen::make_instruments();
    int failed = 0;
    for (const char *name : {"menu", "level0", "level1"}) {
        std::string path = songs + "/" + name + ".song";
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "xmgen: cannot read %s\n", path.c_str());
            ++failed;
            continue;
        }
        std::stringstream text;
        text << in.rdbuf();
        xmgen::Song song;
        std::string error;
        if (!xmgen::parse_song(text.str(), path, song, error)) {
            std::fprintf(stderr, "xmgen: %s\n", error.c_str());
            ++failed;
            continue;
        }
        std::string bytes = xmgen::write_xm(xmgen::arrange(song, instruments));
        std::string target = out + "/" + name + ".xm";
        FILE *f = std::fopen(target.c_str(), "wb");
        bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (f && std::fclose(f) != 0) ok = false;
        if (!ok) {
            std::fprintf(stderr, "xmgen: cannot write %s\n", target.c_str());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}
