// test_support.h - helpers shared by the shell, assets and simulator tests: a scratch game folder
// that becomes the working directory, file helpers, and resetting the game's run-wide records.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary folder; it is the working directory while the
// object lives, and is removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/tarvelok-test-XXXXXX";
        const char *made = mkdtemp(tmpl);
        EXPECT_NE(made, nullptr);
        path_ = made ? made : "/tmp";
        old_ = fs::current_path();
        fs::current_path(path_);
    }
    ~ScratchDir() {
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path &path() const { return path_; }

private:
    fs::path path_, old_;
};

inline void write_bytes(const fs::path &p, const std::string &bytes) {
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

inline std::string read_bytes(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace testsupport
