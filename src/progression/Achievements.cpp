// The achievement check at the end of every flush that saw input.
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

// Runs inside the flush's model step, under m_stateMutex.
void GameStats::checkAchievements(int wpm, const Batch& batch, Changes& changes) {
    bool any = false;
    for (const auto& achievement : allAchievements()) {
        if (m_unlockedAchievementIDs.count(achievement.id) != 0) {
            continue;
        }
        std::int64_t measure = 0;
        switch (achievement.category) {
            case AchievementCategory::keystrokes:
                measure = batch.totalKeys;
                break;
            case AchievementCategory::clicks:
                measure = batch.totalClicks;
                break;
            case AchievementCategory::streak:
                measure = m_currentStreak;
                break;
            case AchievementCategory::speed:
                measure = wpm;
                break;
            case AchievementCategory::session:
                measure = batch.sessionKeys;
                break;
        }
        if (measure >= achievement.threshold) {
            m_unlockedAchievementIDs.insert(achievement.id);
            m_totalXP = saturatingAdd(m_totalXP, 50);
            changes.announcements.push_back({&achievement, 0, 0});
            any = true;
        }
    }
    if (any) {
        changes.achievements.emplace(m_unlockedAchievementIDs.begin(),
                                     m_unlockedAchievementIDs.end());
    }
}

std::int64_t GameStats::unlockedCount() const {
    return m_figures.read().unlockedCount;
}

}  // namespace quib
