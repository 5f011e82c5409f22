// The achievement check at the end of every flush that saw input.
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

void GameStats::checkAchievements(int wpm, std::int64_t sessionKeys) {
    std::vector<const Achievement*> unlocked;
    const std::int64_t keys = totalKeystrokes();
    const std::int64_t clicks = totalClicks();
    for (const auto& achievement : allAchievements()) {
        if (m_unlockedAchievementIDs.count(achievement.id) != 0) {
            continue;
        }
        std::int64_t measure = 0;
        switch (achievement.category) {
            case AchievementCategory::keystrokes:
                measure = keys;
                break;
            case AchievementCategory::clicks:
                measure = clicks;
                break;
            case AchievementCategory::streak:
                measure = m_currentStreak;
                break;
            case AchievementCategory::speed:
                measure = wpm;
                break;
            case AchievementCategory::session:
                measure = sessionKeys;
                break;
        }
        if (measure >= achievement.threshold) {
            m_unlockedAchievementIDs.insert(achievement.id);
            m_totalXP = saturatingAdd(m_totalXP, 50);
            unlocked.push_back(&achievement);
        }
    }
    if (unlocked.empty()) {
        return;
    }
    m_preferences.setStringList(keys::unlockedAchievements,
                                {m_unlockedAchievementIDs.begin(), m_unlockedAchievementIDs.end()});
    m_preferences.setInteger(keys::totalXP, m_totalXP);
    std::weak_ptr<char> alive = m_alive;
    for (const Achievement* achievement : unlocked) {
        m_mainQueue.post([this, alive, achievement] {
            if (!alive.expired() && onAchievementUnlocked) {
                onAchievementUnlocked(*achievement);
            }
        });
    }
}

std::int64_t GameStats::unlockedCount() const {
    std::lock_guard lock(m_stateMutex);
    return static_cast<std::int64_t>(m_unlockedAchievementIDs.size());
}

}  // namespace quib
