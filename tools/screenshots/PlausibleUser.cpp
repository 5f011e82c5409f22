#include <string>
#include <vector>

#include "Shots.h"
#include "progression/Achievement.h"
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
    preferences.setStringList(keys::unlockedAchievements, earned);
    preferences.setStringList(keys::unlockedKeyProfiles, {"MX Blue", "Soft Tock", "Cream"});
    preferences.setStringList(keys::unlockedMouseProfiles, {"Snap"});
    preferences.setStringList(keys::unlockedThemes, {"Midnight", "Terminal", "Solar"});
}

}  // namespace quib::shots
