#include "cli/StatsCommand.h"

#include <locale>
#include <ostream>
#include <sstream>

#include "cli/StatsCommandJson.h"
#include "cli/StatsReading.h"
#include "platform/Log.h"
#include "progression/StoreKeys.h"

namespace quib {

namespace {

std::string jsonArray(const std::set<std::string>& items) {
    std::string out = "[";
    for (const auto& item : items) {
        if (out.size() > 1) {
            out += ',';
        }
        out += json::quoted(item);
    }
    out += ']';
    return out;
}

void printJson(const GameStats& stats, std::ostream& out) {
    out << "{\n"
        << "  \"totalKeystrokes\": " << stats.totalKeystrokes() << ",\n"
        << "  \"totalClicks\": " << stats.totalClicks() << ",\n"
        << "  \"totalXP\": " << stats.totalXP() << ",\n"
        << "  \"coins\": " << stats.coins() << ",\n"
        << "  \"level\": " << stats.currentLevel() << ",\n"
        << "  \"levelTitle\": " << json::quoted(stats.levelTitle()) << ",\n"
        << "  \"progressToNextLevel\": " << json::number(stats.progressToNextLevel()) << ",\n"
        << "  \"todayKeystrokes\": " << stats.todayKeystrokes() << ",\n"
        << "  \"todayClicks\": " << stats.todayClicks() << ",\n"
        << "  \"currentStreak\": " << stats.currentStreak() << ",\n"
        << "  \"lastActiveDate\": " << json::quoted(stats.lastActiveDate()) << ",\n"
        << "  \"unlockedAchievements\": " << jsonArray(stats.unlockedAchievementIDs()) << ",\n"
        << "  \"unlockedCount\": " << stats.unlockedCount() << ",\n"
        << "  \"totalAchievementCount\": " << GameStats::totalAchievementCount << ",\n"
        << "  \"activeTheme\": " << json::quoted(rawValue(stats.activeTheme())) << ",\n"
        << "  \"lockedKeyProfiles\": " << stats.lockedKeyProfiles().size() << ",\n"
        << "  \"lockedMouseProfiles\": " << stats.lockedMouseProfiles().size() << ",\n"
        << "  \"lockedThemes\": " << stats.lockedThemes().size() << ",\n"
        << "  \"unlockedTracks\": " << jsonArray(stats.unlockedTracks()) << ",\n"
        << "  \"canClaimReward\": " << (stats.canClaimReward() ? "true" : "false") << "\n"
        << "}\n";
}

// What a journal holds that the store has not applied yet (a running QUIB
// flushes it within seconds; after a crash the next start adds it). Only
// read: this command never folds, creates or moves anything.
std::optional<std::pair<std::int64_t, std::int64_t>> pendingCounts(
    const std::filesystem::path& dataDirectory, const Preferences& store) {
    PendingJournal::Found found = PendingJournal::Found::nothing;
    const auto page = PendingJournal::peek(dataDirectory, &found);
    if (found == PendingJournal::Found::notAFile) {
        logLine("Skipped the journal, which is not a regular file: ",
                (dataDirectory / PendingJournal::kFileName).string());
    }
    if (!page) {
        return std::nullopt;
    }
    const auto identity = store.integerValue(keys::journalId);
    const auto check = checkPendingPage(
        *page, identity ? std::optional(static_cast<std::uint64_t>(*identity)) : std::nullopt,
        store.integer(keys::journalAppliedKeys), store.integer(keys::journalAppliedClicks));
    std::pair<std::int64_t, std::int64_t> counts{0, 0};
    for (const auto& day : check.pending.days) {
        counts.first += day.keys;
        counts.second += day.clicks;
    }
    if (counts.first == 0 && counts.second == 0) {
        return std::nullopt;
    }
    return counts;
}

void printPending(const std::pair<std::int64_t, std::int64_t>& counts, std::ostream& out) {
    out << "Pending   " << counts.first << " key" << (counts.first == 1 ? "" : "s") << ", "
        << counts.second << " click" << (counts.second == 1 ? "" : "s")
        << " (not stored yet: QUIB adds them at its next flush or start)\n";
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
    const auto reading = StatsReading::open(dataDirectory);
    if (!reading) {
        return 1;
    }
    const GameStats& stats = *reading->stats;
    // The figures are QUIB's own text: no digit grouping or decimal comma
    // from a locale the caller's stream may carry.
    std::ostringstream text;
    text.imbue(std::locale::classic());
    if (json) {
        printJson(stats, text);
    } else {
        printText(stats, text);
        if (const auto pending = pendingCounts(dataDirectory, *reading->store)) {
            printPending(*pending, text);
        }
    }
    out << text.str();
    return 0;
}

}  // namespace quib
