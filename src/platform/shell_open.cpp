// shell_open.cpp - which web addresses may leave the game, the error message box and one-time
// warnings (platform.h).
//
// Only web addresses leave the game: an absolute http:// or https:// address with a host name, of
// RFC 3986 characters only (so nothing in it looks like shell syntax to an opener that is a shell
// script), at most kWebAddressMaxBytes long. Handing one over and the system's own dialog depend
// on where the game runs: shell_desktop.cpp (xdg-open, SDL's message box) or web/shell_web.cpp (a
// new tab, the page's overlay), both behind system.h.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>

#include "cp1251.h"
#include "platform/system.h"

namespace platform {

namespace {
// Process-level, not game state: where this process's messages to the user go (the shell hooks
// the engine's message box in while the engine runs), and the warnings it has printed, each
// printed once per process.
MessageHandler g_message_handler = nullptr;
std::set<std::string> g_warned;

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

namespace {

bool is_alpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_hex(unsigned char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The characters an address may hold after its host (RFC 3986: unreserved, reserved and '%'
// starting a percent-encoding). A backtick, braces, blanks, '"', '<', '>', '\', '^', '|' and
// anything outside printable ASCII are not among them.
bool is_address_char(unsigned char c) {
    return is_alpha(c) || is_digit(c) || std::strchr("-._~:/?#[]@!$&'()*+,;=%", c) != nullptr;
}

// A host name: dot-separated labels of letters, digits and '-', none empty, none starting or
// ending with '-' ("localhost", "example.org", "127.0.0.1").
bool is_host_name(const std::string &host) {
    if (host.empty()) return false;
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('.', start);
        if (end == std::string::npos) end = host.size();
        if (end == start) return false;
        if (host[start] == '-' || host[end - 1] == '-') return false;
        for (std::size_t i = start; i < end; ++i)
            if (!is_alpha(host[i]) && !is_digit(host[i]) && host[i] != '-') return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool web_address_acceptable(const std::string &address) {
    if (address.size() > kWebAddressMaxBytes) return false;
    std::size_t rest = 0;
    if (equal_ignoring_case(address.substr(0, kHttp.size()), kHttp))
        rest = kHttp.size();
    else if (equal_ignoring_case(address.substr(0, kHttps.size()), kHttps))
        rest = kHttps.size();
    else
        return false;
    for (std::size_t i = rest; i < address.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        if (!is_address_char(c)) return false;
        if (c == '%' && (i + 2 >= address.size() || !is_hex(address[i + 1]) || !is_hex(address[i + 2]))) return false;
    }
    // The authority runs to the first '/', '?' or '#': [user@]host[:port].
    const std::size_t end = address.find_first_of("/?#", rest);
    std::string authority = address.substr(rest, end == std::string::npos ? std::string::npos : end - rest);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string user = authority.substr(0, at);
        if (user.find_first_of("[]") != std::string::npos) return false;
        authority = authority.substr(at + 1);
    }
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return false;
        for (unsigned char c : port)
            if (!is_digit(c)) return false;
        authority.resize(colon);
    }
    return is_host_name(authority);
}

void set_message_handler(MessageHandler handler) { g_message_handler = handler; }

void message_box(const std::string &text, const std::string &caption, int style) {
    if (g_message_handler) {
        g_message_handler(text.c_str(), caption.c_str(), style);
        return;
    }
    const std::string t = cp1251::to_utf8(text), c = cp1251::to_utf8(caption);
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    const char *quiet = std::getenv("TARVELOK_NO_DIALOGS");
    if (quiet && std::strcmp(quiet, "1") == 0) return;
    system_message_box(c, t, style);
}

bool warn_once(const std::string &key, const std::string &text) {
    if (!g_warned.insert(key).second) return false;
    std::fprintf(stderr, "tarvelok: %s\n", cp1251::to_utf8(text).c_str());
    return true;
}

}  // namespace platform
