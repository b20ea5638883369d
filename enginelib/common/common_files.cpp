// common_files.cpp - how both engines read the files the game names and quote them in messages:
// whole regular files only (a FIFO or a device never blocks the game), with a size limit, and
// message text with its control bytes escaped. Contracts are in engine_common.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine_common.h"

namespace ec {

bool read_regular_file(const std::string &native, std::size_t max_bytes, std::vector<uint8_t> &out,
                       std::string &why) {
    out.clear();
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer forever.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file";
        ::close(fd);
        return false;
    }
    if (st.st_size < 0 || std::size_t(st.st_size) > max_bytes) {
        why = "file too large (" + std::to_string(st.st_size) + " bytes, at most " + std::to_string(max_bytes) + ")";
        ::close(fd);
        return false;
    }
    // The size may change while reading: read to the end, but never past the limit.
    out.resize(std::size_t(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (out.size() > max_bytes) break;
            out.resize(std::min(max_bytes + 1, out.size() + 4096));
        }
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0) break;
        got += std::size_t(n);
    }
    ::close(fd);
    out.resize(got);
    if (got > max_bytes) {
        why = "file too large (more than " + std::to_string(max_bytes) + " bytes)";
        out.clear();
        return false;
    }
    return true;
}

std::string quote_for_log(const std::string &text, bool keep_line_breaks) {
    std::string out;
    out.reserve(text.size());
    auto escape = [&out](unsigned char c) {
        char buf[5];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += buf;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (keep_line_breaks && (c == '\n' || c == '\t')) {
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            escape(c);
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080..U+009F: C1 controls (0x9B starts a sequence on some terminals).
            escape(c);
            escape(static_cast<unsigned char>(text[++i]));
        } else {
            out += char(c);
        }
    }
    return out;
}

}  // namespace ec
