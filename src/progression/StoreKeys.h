#pragma once

#include <string>
#include <string_view>

// The preference keys of the progression store.
namespace quib::keys {

inline constexpr const char* totalKeystrokes = "gs_totalKeystrokes";
inline constexpr const char* totalClicks = "gs_totalClicks";
inline constexpr const char* totalXP = "gs_totalXP";
inline constexpr const char* coins = "gs_coins";
inline constexpr const char* currentStreak = "gs_currentStreak";
inline constexpr const char* lastActiveDate = "gs_lastActiveDate";
inline constexpr const char* unlockedAchievements = "gs_unlockedAchievements";
inline constexpr const char* unlockedKeyProfiles = "gs_unlockedKeyProfiles";
inline constexpr const char* unlockedMouseProfiles = "gs_unlockedMouseProfiles";
inline constexpr const char* unlockedThemes = "gs_unlockedThemes";
inline constexpr const char* unlockedTracks = "gs_unlockedTracks";
inline constexpr const char* activeTheme = "gs_activeTheme";
// The typing speed (words a minute) as of the last flush that took keys.
inline constexpr const char* typingSpeed = "gs_typingSpeed";
// The pending journal this store pairs with (its random identity, an
// integer) and how much of its monotonic counters the totals already hold.
inline constexpr const char* journalId = "gs_journalId";
inline constexpr const char* journalAppliedKeys = "gs_journalAppliedKeys";
inline constexpr const char* journalAppliedClicks = "gs_journalAppliedClicks";

// "gs_daily_<yyyy-MM-dd>_<keys|clicks>"
inline std::string daily(std::string_view day, std::string_view what) {
    std::string key = "gs_daily_";
    key.append(day).append("_").append(what);
    return key;
}

}  // namespace quib::keys
