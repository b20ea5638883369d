// own_folder.h - the folder holding the running program, for tools that default to writing into
// or reading from the game folder they were built into.
//
// Linux only (reads /proc/self/exe); header-only. Falls back to the current folder when the link
// cannot be read.
#pragma once

#include <unistd.h>

#include <filesystem>

namespace tools {

// The running program's folder, or the current folder when /proc/self/exe cannot be read.
inline std::filesystem::path own_folder() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::filesystem::current_path();
    buf[n] = 0;
    return std::filesystem::path(buf).parent_path();
}

}  // namespace tools
