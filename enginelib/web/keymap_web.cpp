// keymap_web.cpp - DOM KeyboardEvent.code names to Windows virtual-key codes, the same codes the
// SDL engine gives for the same keys.
#include <cstring>

#include "web_engine.h"

namespace web_engine {
namespace {

struct Named {
    const char *code;
    int first, second;
};
constexpr Named kKeys[] = {
    {"Backspace", 8, 0},     {"Tab", 9, 0},           {"Enter", 13, 0},        {"NumpadEnter", 13, 0},
    {"ShiftLeft", 16, 160},  {"ShiftRight", 16, 161}, {"ControlLeft", 17, 162}, {"ControlRight", 17, 163},
    {"AltLeft", 18, 164},    {"AltRight", 18, 165},   {"Pause", 19, 0},        {"CapsLock", 20, 0},
    {"Escape", 27, 0},       {"Space", 32, 0},        {"PageUp", 33, 0},       {"PageDown", 34, 0},
    {"End", 35, 0},          {"Home", 36, 0},         {"ArrowLeft", 37, 0},    {"ArrowUp", 38, 0},
    {"ArrowRight", 39, 0},   {"ArrowDown", 40, 0},    {"PrintScreen", 44, 0},  {"Insert", 45, 0},
    {"Delete", 46, 0},       {"MetaLeft", 91, 0},     {"MetaRight", 92, 0},    {"ContextMenu", 93, 0},
    {"Numpad0", 96, 0},      {"NumpadMultiply", 106, 0}, {"NumpadAdd", 107, 0}, {"NumpadSubtract", 109, 0},
    {"NumpadDecimal", 110, 0}, {"NumpadDivide", 111, 0}, {"NumLock", 144, 0},   {"ScrollLock", 145, 0},
    {"Semicolon", 186, 0},   {"Equal", 187, 0},       {"Comma", 188, 0},       {"Minus", 189, 0},
    {"Period", 190, 0},      {"Slash", 191, 0},       {"Backquote", 192, 0},   {"BracketLeft", 219, 0},
    {"Backslash", 220, 0},   {"BracketRight", 221, 0}, {"Quote", 222, 0},
};

bool starts_with(const char *s, const char *prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

}  // namespace

VkCodes vk_from_dom_code(const char *code) {
    VkCodes out;
    if (!code) return out;
    const size_t n = std::strlen(code);
    if (n == 4 && starts_with(code, "Key") && code[3] >= 'A' && code[3] <= 'Z') {
        out.first = code[3];
        return out;
    }
    if (n == 6 && starts_with(code, "Digit") && code[5] >= '0' && code[5] <= '9') {
        out.first = code[5];
        return out;
    }
    if (n == 7 && starts_with(code, "Numpad") && code[6] >= '1' && code[6] <= '9') {
        out.first = 97 + (code[6] - '1');
        return out;
    }
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if ((n == 2 || n == 3) && code[0] == 'F' && code[1] >= '1' && code[1] <= '9' && (n == 2 || digit(code[2]))) {
        const int f = n == 2 ? code[1] - '0' : (code[1] - '0') * 10 + (code[2] - '0');
        if (f >= 1 && f <= 12) out.first = 111 + f;  // F1 is 112
        return out;
    }
    for (const Named &k : kKeys)
        if (std::strcmp(code, k.code) == 0) return VkCodes{k.first, k.second};
    return out;
}

}  // namespace web_engine
