// state.cpp - the records by lifetime (settings, profile, session, handles), their resets, and
// the notice of tell_player_once. The files of the settings and the profile are in files.cpp.
#include "state/state.h"

#include <algorithm>

Settings settings;
Profile profile;
Session session;
RunHandles handles;

void reset_settings() { settings = Settings{}; }
void reset_profile() { profile = Profile{}; }
void reset_session() { session = Session{}; }
void reset_handles() { handles = RunHandles{}; }

bool tell_player_once(const std::string &key, const std::string &line1, const std::string &line2) {
    std::vector<std::string> &told = session.notices_told;
    if (std::find(told.begin(), told.end(), key) != told.end()) return false;
    told.push_back(key);
    session.notice_line1 = line1;
    session.notice_line2 = line2;
    session.notice_ticks = kNoticeTicks;
    return true;
}
