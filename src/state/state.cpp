// state.cpp - the records by lifetime (settings, profile, session, presentation, handles), their resets, the
// game's random generator, requests to the game-state machine and the notice of tell_player_once.
// The files of the settings and the profile are in files.cpp.
#include "state/state.h"

#include <algorithm>

Settings settings;
Profile profile;
Session session;
Presentation presentation;
RunHandles handles;

void reset_settings() { settings = Settings{}; }
void reset_profile() { profile = Profile{}; }
void reset_session() { session = Session{}; }
void reset_presentation() { presentation = Presentation{}; }
void reset_handles() { handles = RunHandles{}; }

void random_seed(uint32_t seed) { session.random_state = seed; }

int32_t random_below(int32_t n) {
    // 64-bit linear congruential step (Knuth's MMIX constants); the high bits are the good ones.
    uint64_t &state = session.random_state;
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    if (n <= 0) return 0;
    return static_cast<int32_t>((state >> 33) % static_cast<uint64_t>(n));
}

void request(Request r) {
    session.request = r;
    if (r == Request::start_level || r == Request::load_level) session.loading_hint = random_below(kLoadingHintCount);
}

int32_t banked_sum(int32_t total, int32_t amount) {
    const int64_t sum = int64_t(total) + int64_t(amount);
    return int32_t(std::clamp<int64_t>(sum, 0, kMostBanked));
}

int32_t deaths_after(int32_t deaths, int32_t change) {
    return int32_t(std::clamp<int64_t>(int64_t(deaths) + int64_t(change), kFewestDeaths, kMostDeaths));
}

bool tell_player_once(const std::string &key, const std::string &line1, const std::string &line2) {
    std::vector<std::string> &told = presentation.notices_told;
    if (std::find(told.begin(), told.end(), key) != told.end()) return false;
    told.push_back(key);
    presentation.notice_line1 = line1;
    presentation.notice_line2 = line2;
    presentation.notice_ticks = kNoticeTicks;
    return true;
}
