#include "SeededStore.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "progression/Achievement.h"
#include "progression/StoreKeys.h"

namespace quib::shots {

namespace {

constexpr std::int64_t kKeys = 48'210;
constexpr std::int64_t kClicks = 9'120;
constexpr std::int64_t kStreak = 6;

std::filesystem::path makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quib-shots-XXXXXX").string();
    return mkdtemp(pattern.data());
}

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

SeededStore::SeededStore() : m_dir(makeTempDir()) {
    m_preferences = SqlitePreferences::open(m_dir, SqlitePreferences::Mode::readWrite).store;
    seed(*m_preferences);
    m_stats = std::make_unique<GameStats>(*m_preferences, m_queue, m_clock, m_random);
}

SeededStore::~SeededStore() {
    m_stats.reset();
    m_preferences.reset();
    std::error_code error;
    std::filesystem::remove_all(m_dir, error);
}

void SeededStore::seed(Preferences& preferences) const {
    const std::string today = m_clock.today();
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
