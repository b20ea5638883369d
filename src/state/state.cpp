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

int32_t banked_sum(int32_t total, int32_t amount) {
    const int64_t sum = int64_t(total) + int64_t(amount);
    return int32_t(std::clamp<int64_t>(sum, 0, kMostBanked));
}

int32_t deaths_after(int32_t deaths, int32_t change) {
    return int32_t(std::clamp<int64_t>(int64_t(deaths) + int64_t(change), kFewestDeaths, kMostDeaths));
}

bool tell_player_once(const std::string &key, const std::string &line1, const std::string &line2) {
    std::vector<std::string> &told = session.notices_told;
    if (std::find(told.begin(), told.end(), key) != told.end()) return false;
    told.push_back(key);
    session.notice_line1 = line1;
    session.notice_line2 = line2;
    session.notice_ticks = kNoticeTicks;
    return true;
}
