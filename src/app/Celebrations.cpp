// Level-ups and achievements: a short click pattern and a notification.
#include <cctype>

#include "app/AppDelegate.h"

namespace quib {

using namespace std::chrono_literals;

void AppDelegate::handleAchievementUnlocked(const Achievement& achievement) {
    // Behind a locked screen the milestone is told, but not played to an empty room.
    if (!isPaused()) {
        m_soundPlayer->playKeyClick();
        later(150ms, [](AppDelegate& self) { self.m_soundPlayer->playMouseClick(); });
    }
    m_services.notifications.post("ACHIEVEMENT UNLOCKED",
                                  achievement.name + " -- " + achievement.description,
                                  "achievement_" + achievement.id);
}

void AppDelegate::handleLevelUp(std::int64_t level, std::int64_t coinsEarned) {
    const std::string body = "LVL " + std::to_string(level) + " -- " + m_gameStats->levelTitle() +
                             " // +" + std::to_string(coinsEarned) + " COIN" +
                             (coinsEarned == 1 ? "" : "S");
    m_services.notifications.post("LEVEL UP", body, "levelup_" + std::to_string(level));
    if (isPaused()) {
        return;
    }
    // Key, mouse, key, 100 ms apart.
    m_soundPlayer->playKeyClick();
    later(100ms, [](AppDelegate& self) { self.m_soundPlayer->playMouseClick(); });
    later(200ms, [](AppDelegate& self) { self.m_soundPlayer->playKeyClick(); });
}

void AppDelegate::handleProfileUnlocked(SoundProfile profile) {
    std::string upper(rawValue(profile));
    for (char& ch : upper) {
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    m_services.notifications.post("NEW SOUND UNLOCKED", upper,
                                  "unlock_" + std::string(rawValue(profile)));
    refreshPanelData();
}

}  // namespace quib
