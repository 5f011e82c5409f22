#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib {

// The measure an achievement compares with its threshold.
enum class AchievementCategory { keystrokes, clicks, streak, speed, session };

struct Achievement {
    std::string id;  // stable; the stored form in "gs_unlockedAchievements"
    std::string name;
    std::string description;
    AchievementCategory category;
    std::int64_t threshold;
};

// The 28 achievements in checking and display order.
const std::vector<Achievement>& allAchievements();

}  // namespace quib
