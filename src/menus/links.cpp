// links.cpp - the link files beside the game ("website.url", "moregames.url", "tellafriend.url",
// "subscribe.url", "play.url") and the engine's exit procedure.
//
// A link file is an Internet shortcut: an INI-style text whose [InternetShortcut] section holds a
// line "URL=<address>". Only an http:// or https:// address that platform::web_address_acceptable
// takes is handed to the desktop's opener; a missing file is skipped silently, anything else
// (another address, one too long, an opener that cannot start) is ignored with one warning naming
// the file. The main menu shows only the link buttons (and the logo, which is one) whose file
// holds such an address: a button that could do nothing is not offered. No file is ever opened or run as a program: the portal
// launcher of the original platform is not started here.
#include <cctype>

#include "menus/menus.h"
#include "platform/platform.h"

namespace {

constexpr const char *kWebsiteLink = "website.url";
constexpr const char *kMoreGamesLink = "moregames.url";
constexpr const char *kTellFriendLink = "tellafriend.url";
constexpr const char *kSubscribeLink = "subscribe.url";
constexpr const char *kPlayLink = "play.url";
constexpr const char *kShortcutSection = "internetshortcut";  // compared without case

std::string lower_ascii(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trimmed(const std::string &s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// The value of the first "URL=" line that lies before any section or in [InternetShortcut];
// empty when there is none. Keys are compared without case, as INI files are read.
std::string shortcut_address(const std::string &bytes) {
    std::string section;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = trimmed(bytes.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            section = lower_ascii(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        if ((section.empty() || section == kShortcutSection) && line.size() >= 4 &&
            lower_ascii(line.substr(0, 4)) == "url=")
            return trimmed(line.substr(4));
    }
    return "";
}

}  // namespace

namespace {

// The address a link file holds, ready for the opener; empty when the file is missing (silently)
// or holds none that may be opened (`problem` then says why, for the one warning).
std::string link_file_address(const std::string &path, std::string &problem) {
    problem.clear();
    if (!platform::file_exists(path)) return "";
    std::string bytes;
    const bool read = platform::read_file(path, bytes);
    const std::string address = read ? shortcut_address(bytes) : "";
    if (!read) {
        problem = ": cannot be read; the link is not opened";
    } else if (address.size() > platform::kWebAddressMaxBytes) {
        problem = ": the address on its URL= line is " + std::to_string(address.size()) + " bytes long, more than the " +
                  std::to_string(platform::kWebAddressMaxBytes) + " handed to the opener; the link is not opened";
    } else if (!platform::web_address_acceptable(address)) {
        problem = ": no http:// or https:// address on a URL= line; the link is not opened";
    } else {
        return address;
    }
    return "";
}

void warn_link(const std::string &path, const std::string &problem) {
    platform::warn_once("link:" + path, platform::quote(path) + problem);
}

}  // namespace

bool open_link_file(const std::string &path) {
    std::string problem;
    const std::string address = link_file_address(path, problem);
    if (address.empty()) {
        if (!problem.empty()) warn_link(path, problem);
        return false;
    }
    if (platform::open_web_address(address)) return true;
    warn_link(path, ": the opener cannot be started; the link is not opened");
    return false;
}

bool link_file_opens(const std::string &path) {
    std::string problem;
    const bool opens = !link_file_address(path, problem).empty();
    if (!problem.empty()) warn_link(path, problem);
    return opens;
}

void show_link_buttons() {
    const MainMenu &m = menu().main;
    if (m.img_logo) m.img_logo->visible = link_file_opens(kWebsiteLink);  // it reads "ещё игры": a link
    if (m.btn_mp1) m.btn_mp1->visible = link_file_opens(kMoreGamesLink);
    if (m.btn_mp2) m.btn_mp2->visible = link_file_opens(kTellFriendLink);
    if (m.btn_mp3) m.btn_mp3->visible = link_file_opens(kSubscribeLink);
}

void open_website() { open_link_file(kWebsiteLink); }
void open_more_games() { open_link_file(kMoreGamesLink); }
void open_tell_friend() { open_link_file(kTellFriendLink); }
void open_subscribe() { open_link_file(kSubscribeLink); }

void exit_links() { open_link_file(kPlayLink); }
