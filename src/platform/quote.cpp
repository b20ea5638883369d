// quote.cpp - text from files and from the player made safe for messages (platform.h quote()).
// In: 1251 bytes of any content and length. Out: a short quoted string without control bytes.
// Does not print anything and does not convert to UTF-8 (warn_once and message_box do).
#include "platform/platform.h"

namespace platform {

std::string quote(const std::string &text, std::size_t max_bytes) {
    static const char kHex[] = "0123456789abcdef";
    const std::size_t shown = text.size() < max_bytes ? text.size() : max_bytes;
    std::string out;
    out.reserve(shown + 16);
    out += '"';
    for (std::size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F || c == 0x98) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    if (shown < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

}  // namespace platform
