// cards.cpp - the level names, the title card over a level's first seconds and the figures of the
// results card (see shell.h). The cards are drawn by frame.cpp from what this file leaves in the
// session; nothing here draws, and nothing here changes the game state: the transitions call
// start_title_card() after a level's load and fill_results_card() when the results window opens,
// the logic tick calls title_card_tick() while the level is played.
#include <algorithm>

#include "assets/lang.h"
#include "cp1251.h"
#include "menus/menus.h"
#include "shell/shell.h"
#include "ui/ui.h"

namespace {

// The title card shows for the level's fade-in (26 ticks) and about a second and a half more,
// then fades out; a press of a walk or jump key leaves it only its fade-out. The hero can move
// from the first tick: the card covers the sky above it, not the level.
constexpr int32_t kTitleCardTicks = 110;     // 2.2 s of 20 ms logic ticks
constexpr int32_t kTitleCardFadeTicks = 20;  // its last 0.4 s fade out
constexpr uint8_t kLeftKey = 1, kRightKey = 2, kJumpKey = 4;
constexpr uint8_t kEveryCardKey = kLeftKey | kRightKey | kJumpKey;

// A level's best time is kept for levels 0..9 only.
bool has_best_time(int32_t level) { return level >= 0 && level < int32_t(profile.best_ms.size()); }

void set_label(Itext *label, const std::string &text) {
    if (label) label->text = text;
}

// The results window's card from the session's figures, in the language shown.
void write_results_card() {
    const ResultsCard &card = menu().card;
    const Session &s = session;
    set_label(card.txt_level, level_heading(profile.level_index));
    set_label(card.txt_time_value, time_text(s.finished_time_ms));
    set_label(card.txt_best, s.finished_new_best ? TR("Новый рекорд!") : TR("Лучшее время"));
    set_label(card.txt_best_value, s.finished_best_ms > 0 ? time_text(s.finished_best_ms) : "-");
    set_label(card.txt_lost_value, std::to_string(s.finished_deaths));
    std::string bonuses = std::to_string(s.finished_taken) + TR(" из ") + std::to_string(s.finished_bonuses);
    if (s.finished_bonuses > 0)
        bonuses += " (" + std::to_string(int64_t(s.finished_taken) * 100 / s.finished_bonuses) + "%)";
    set_label(card.txt_bonus_value, bonuses);
    set_label(card.txt_nut_value, s.finished_nut ? TR("найден") : TR("не найден"));
}

}  // namespace

std::string level_heading(int32_t index) {
    if (index < 0 || index >= kLastLevel) return tr(level_name(index));
    return TR("Уровень ") + std::to_string(index + 1) + " - " + tr(level_name(index));
}

std::string time_text(int32_t ms) {
    ms = std::max(ms, 0);
    const int32_t minutes = ms / 60000, seconds = ms / 1000 % 60, hundredths = ms / 10 % 100;
    std::string s = std::to_string(minutes) + ":";
    if (seconds < 10) s += "0";
    s += std::to_string(seconds) + ".";
    if (hundredths < 10) s += "0";
    return s + std::to_string(hundredths);
}

int32_t count_bonuses(const World &w) {
    int32_t n = 0;
    for (int32_t i = 0; i < w.object_count && i < int32_t(w.object_layer.size()); ++i) {
        const Kind k = w.object_layer[std::size_t(i)].role;
        if (k == Kind::bapple || k == Kind::bberry || k == Kind::bgold || k == Kind::bsilver) ++n;
    }
    return n;
}

// ---- the title card ----
void start_title_card() {
    session.title_card_ticks = has_best_time(profile.level_index) ? kTitleCardTicks : 0;  // not on the final scene
    session.title_card_keys = kEveryCardKey;  // a key already held when the level starts is no press
}

void title_card_tick(const TickInput &in) {
    if (session.title_card_ticks <= 0) return;
    const uint8_t held = uint8_t((in.left ? kLeftKey : 0) | (in.right ? kRightKey : 0) | (in.jump ? kJumpKey : 0));
    const bool pressed = (held & ~session.title_card_keys) != 0;
    session.title_card_keys = held;
    --session.title_card_ticks;
    if (pressed) session.title_card_ticks = std::min(session.title_card_ticks, kTitleCardFadeTicks);
}

int32_t title_card_alpha() {
    if (session.title_card_ticks <= 0) return 0;
    return std::min(255, session.title_card_ticks * 255 / kTitleCardFadeTicks);
}

// ---- the results card ----
void fill_results_card() {
    const World &w = level_record.world;
    session.finished_points = w.tallies.level_points;  // what the window's buttons bank
    session.finished_nut = w.tallies.gold_nut_found;
    session.finished_time_ms = int32_t(std::clamp<int64_t>(w.steps * kLogicTickMs, 0, kMostBanked));
    session.finished_deaths = level_record.deaths;
    session.finished_bonuses = level_record.bonuses;
    session.finished_taken = std::clamp(level_record.bonuses - count_bonuses(w), 0, level_record.bonuses);
    session.finished_new_best = 0;
    session.finished_best_ms = 0;
    const int32_t level = profile.level_index;
    if (has_best_time(level)) {
        const int32_t &best = profile.best_ms[std::size_t(level)];
        // The developer's F2 ends a level at once: not a time anyone ran.
        if (!level_record.ended_by_key && session.finished_time_ms > 0 && (best == 0 || session.finished_time_ms < best)) {
            save_best_time(level, session.finished_time_ms);  // sets `best`; a failed save is told
            session.finished_new_best = 1;
        }
        session.finished_best_ms = best;
    }
    write_results_card();
}
