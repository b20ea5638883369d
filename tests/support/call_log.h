// call_log.h - reading the headless engine's call log in tests.
//
// split_log_line: one log line ("SSprite_Draw \"gfx/a.tga\" 1 2 ...") into its words: the
// operation, then each argument, quoted strings unquoted with their \" \\ escapes undone.
// Nothing here runs the engine.
#pragma once

#include <string>
#include <vector>

namespace call_log {

inline std::vector<std::string> split_log_line(const std::string &line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') { ++i; continue; }
        std::string tok;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                tok += line[i];
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ') tok += line[i++];
        }
        out.push_back(tok);
    }
    return out;
}

}  // namespace call_log
