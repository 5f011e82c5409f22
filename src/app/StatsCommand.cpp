#include "app/StatsCommand.h"

#include <cstdio>
#include <ostream>

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"

namespace quib {

namespace {

// The store posts callbacks only from a flush, which this command never runs.
class DiscardingQueue final : public MainQueue {
  public:
    void post(std::function<void()>) override {}
    void postDelayed(std::chrono::milliseconds, std::function<void()>) override {}
};

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string jsonArray(const std::set<std::string>& items) {
    std::string out = "[";
    for (const auto& item : items) {
        if (out.size() > 1) {
            out += ',';
        }
        out += jsonString(item);
    }
    out += ']';
    return out;
}

void printJson(const GameStats& stats, std::ostream& out) {
    char progress[32];
    std::snprintf(progress, sizeof progress, "%.6f", stats.progressToNextLevel());
    out << "{\n"
        << "  \"totalKeystrokes\": " << stats.totalKeystrokes() << ",\n"
        << "  \"totalClicks\": " << stats.totalClicks() << ",\n"
        << "  \"totalXP\": " << stats.totalXP() << ",\n"
        << "  \"coins\": " << stats.coins() << ",\n"
        << "  \"level\": " << stats.currentLevel() << ",\n"
        << "  \"levelTitle\": " << jsonString(stats.levelTitle()) << ",\n"
        << "  \"progressToNextLevel\": " << progress << ",\n"
        << "  \"todayKeystrokes\": " << stats.todayKeystrokes() << ",\n"
        << "  \"todayClicks\": " << stats.todayClicks() << ",\n"
        << "  \"currentStreak\": " << stats.currentStreak() << ",\n"
        << "  \"lastActiveDate\": " << jsonString(stats.lastActiveDate()) << ",\n"
        << "  \"unlockedAchievements\": " << jsonArray(stats.unlockedAchievementIDs()) << ",\n"
        << "  \"unlockedCount\": " << stats.unlockedCount() << ",\n"
        << "  \"totalAchievementCount\": " << GameStats::totalAchievementCount << ",\n"
        << "  \"activeTheme\": " << jsonString(rawValue(stats.activeTheme())) << ",\n"
        << "  \"lockedKeyProfiles\": " << stats.lockedKeyProfiles().size() << ",\n"
        << "  \"lockedMouseProfiles\": " << stats.lockedMouseProfiles().size() << ",\n"
        << "  \"lockedThemes\": " << stats.lockedThemes().size() << ",\n"
        << "  \"unlockedTracks\": " << jsonArray(stats.unlockedTracks()) << ",\n"
        << "  \"canClaimReward\": " << (stats.canClaimReward() ? "true" : "false") << "\n"
        << "}\n";
}

void printText(const GameStats& stats, std::ostream& out) {
    const auto percent = static_cast<int>(stats.progressToNextLevel() * 100.0);
    out << "LVL " << stats.currentLevel() << " -- " << stats.levelTitle() << " (" << percent
        << "% to the next level)\n"
        << "XP        " << stats.totalXP() << "\n"
        << "Coins     " << stats.coins() << "\n"
        << "Keys      " << stats.totalKeystrokes() << " (today " << stats.todayKeystrokes() << ")\n"
        << "Clicks    " << stats.totalClicks() << " (today " << stats.todayClicks() << ")\n"
        << "Streak    " << stats.currentStreak() << " day"
        << (stats.currentStreak() == 1 ? "" : "s") << "\n"
        << "Achieved  " << stats.unlockedCount() << " / " << GameStats::totalAchievementCount
        << "\n"
        << "Theme     " << rawValue(stats.activeTheme()) << "\n"
        << "Reward    " << (stats.canClaimReward() ? "ready to claim" : "not available") << "\n";
}

}  // namespace

int runStatsCommand(const std::filesystem::path& dataDirectory, bool json, std::ostream& out) {
    auto opened = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readOnly);
    if (!opened.store) {
        logLine("Cannot read the preferences database: ", opened.error);
        return 1;
    }
    DiscardingQueue queue;
    SystemClock clock;
    SystemRandom random;
    const GameStats stats(*opened.store, queue, clock, random);
    if (json) {
        printJson(stats, out);
    } else {
        printText(stats, out);
    }
    return 0;
}

}  // namespace quib
