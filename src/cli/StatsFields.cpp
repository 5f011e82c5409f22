// The figures a `--format` template can name, taken from the store.
#include "cli/StatsTemplate.h"

#include <algorithm>

#include "progression/StoreKeys.h"

namespace quib {

namespace {

std::int64_t xpToNextLevel(const GameStats& stats) {
    const std::int64_t level = stats.currentLevel();
    if (level >= GameStats::kMaxLevel) {
        return 0;
    }
    const std::int64_t base = level > 0 ? GameStats::cumulativeXPForLevel(level) : 0;
    return std::max<std::int64_t>(0, base + GameStats::xpForLevel(level + 1) - stats.totalXP());
}

std::int64_t typingSpeedToday(const GameStats& stats, const Preferences& preferences,
                              const Clock& clock) {
    if (stats.lastActiveDate() != clock.today()) {
        return 0;
    }
    return std::clamp<std::int64_t>(preferences.integer(keys::typingSpeed), 0, 300);
}

}  // namespace

StatsFields statsFields(const GameStats& stats, const Preferences& preferences,
                        const Clock& clock) {
    const auto percent = static_cast<int>(stats.progressToNextLevel() * 100.0);
    return {{"todayKeystrokes", std::to_string(stats.todayKeystrokes())},
            {"todayClicks", std::to_string(stats.todayClicks())},
            {"totalKeystrokes", std::to_string(stats.totalKeystrokes())},
            {"totalClicks", std::to_string(stats.totalClicks())},
            {"level", std::to_string(stats.currentLevel())},
            {"levelTitle", stats.levelTitle()},
            {"totalXP", std::to_string(stats.totalXP())},
            {"xpToNextLevel", std::to_string(xpToNextLevel(stats))},
            {"progressPercent", std::to_string(percent)},
            {"currentStreak", std::to_string(stats.currentStreak())},
            {"wpm", std::to_string(typingSpeedToday(stats, preferences, clock))},
            {"coins", std::to_string(stats.coins())}};
}

}  // namespace quib
