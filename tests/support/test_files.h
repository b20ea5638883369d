// test_files.h - small file helpers shared by the test programs.
//
// scratch_dir(): a folder of this test program's own under the system's temp folder, created on
// first use and removed when the program ends. read_file / write_file: whole files as bytes.
// have_tool(): whether a command is on the PATH (tests that drive outside programs skip without).
// Picture / load_picture: a picture file decoded to RGBA rows with stb_image (the test program
// must link stb_image itself or through engine_common; this header only declares the calls).
// Nothing here knows about the game.
#pragma once

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace test_files {

namespace fs = std::filesystem;

// This program's scratch folder ("<temp>/tarvelok_<tag>_<pid>"); removed at the program's end.
inline fs::path scratch_dir(const std::string &tag = "test") {
    struct Remove : ::testing::Environment {
        fs::path dir;
        explicit Remove(fs::path d) : dir(std::move(d)) {}
        void TearDown() override {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    };
    static const fs::path dir = [&] {
        fs::path d = fs::temp_directory_path() / ("tarvelok_" + tag + "_" + std::to_string(getpid()));
        fs::create_directories(d);
        ::testing::AddGlobalTestEnvironment(new Remove(d));
        return d;
    }();
    return dir;
}

// The whole file as bytes; "" when it cannot be read.
inline std::string read_file(const fs::path &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// True when `name` is a command the shell can find.
inline bool have_tool(const char *name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline void write_file(const fs::path &path, const std::string &bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

// A decoded picture: w x h pixels of RGBA, top row first. Empty when the file did not decode.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgba;
    bool ok() const { return !rgba.empty(); }
    const unsigned char *px(int x, int y) const { return &rgba[(static_cast<size_t>(y) * w + x) * 4]; }
    int alpha(int x, int y) const { return px(x, y)[3]; }
};

inline Picture load_picture(const fs::path &path) {
    Picture p;
    int n = 0;
    unsigned char *data = stbi_load(path.c_str(), &p.w, &p.h, &n, 4);
    if (data) {
        p.rgba.assign(data, data + static_cast<size_t>(p.w) * p.h * 4);
        stbi_image_free(data);
    }
    return p;
}

}  // namespace test_files
