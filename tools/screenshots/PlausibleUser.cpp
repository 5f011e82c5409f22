#include <string>
#include <vector>

#include "Shots.h"
#include "progression/Achievement.h"
#include "progression/CalendarDays.h"
#include "progression/StoreKeys.h"

namespace quib::shots {

namespace {

constexpr std::int64_t kKeys = 48'210;
constexpr std::int64_t kClicks = 9'120;
constexpr std::int64_t kStreak = 6;

// The achievements these counts would have earned by now.
std::vector<std::string> earnedAchievements() {
    std::vector<std::string> ids;
    for (const Achievement& achievement : allAchievements()) {
        const std::int64_t measure = achievement.category == AchievementCategory::keystrokes ? kKeys
                                     : achievement.category == AchievementCategory::clicks ? kClicks
                                     : achievement.category == AchievementCategory::streak ? kStreak
                                                                                           : 0;
        if (measure >= achievement.threshold) {
            ids.push_back(achievement.id);
        }
    }
    return ids;
}

// A month of work before today: busier midweek, a few days off (no row at
// all, as the store keeps none for a day without input).
void seedPastDays(Preferences& preferences, const std::string& today) {
    static constexpr std::int64_t kDayKeys[] = {
        2'410, 3'120, 0,     0,     1'980, 2'760, 3'540, 2'980, 1'460, 0,
        0,     2'230, 3'310, 2'870, 3'660, 2'120, 640,   0,     1'870, 2'540,
        3'020, 2'690, 1'730, 0,     0,     2'380, 2'940, 3'280, 2'150};
    const auto day = calendar::parseDay(today);
    for (std::size_t back = 1; day && back <= std::size(kDayKeys); ++back) {
        const std::int64_t typed = kDayKeys[std::size(kDayKeys) - back];
        if (typed > 0) {
            const std::string name = calendar::formatDay(*day - static_cast<std::int64_t>(back));
            preferences.setInteger(keys::daily(name, "keys"), typed);
            preferences.setInteger(keys::daily(name, "clicks"), typed / 6);
        }
    }
}

}  // namespace

void seedPlausibleUser(Preferences& preferences, const std::string& today) {
    const auto earned = earnedAchievements();
    preferences.setInteger(keys::totalKeystrokes, kKeys);
    preferences.setInteger(keys::totalClicks, kClicks);
    preferences.setInteger(keys::totalXP, kKeys + 2 * kClicks + 50 * std::ssize(earned));
    preferences.setInteger(keys::coins, 3);
    preferences.setInteger(keys::currentStreak, kStreak);
    preferences.setString(keys::lastActiveDate, today);
    preferences.setInteger(keys::daily(today, "keys"), 1'840);
    preferences.setInteger(keys::daily(today, "clicks"), 312);
    seedPastDays(preferences, today);
    preferences.setStringList(keys::unlockedAchievements, earned);
    preferences.setStringList(keys::unlockedKeyProfiles, {"MX Blue", "Soft Tock", "Cream"});
    preferences.setStringList(keys::unlockedMouseProfiles, {"Snap"});
    preferences.setStringList(keys::unlockedThemes, {"Midnight", "Terminal", "Solar"});
}

}  // namespace quib::shots
