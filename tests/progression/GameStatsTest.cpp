#include <gtest/gtest.h>

#include "progression/StoreKeys.h"
#include "support/StoreFixture.h"
#include "support/Wait.h"

namespace quib::test {
namespace {

using GameStatsTest = StoreFixture;

TEST_F(GameStatsTest, FreshInstallStartsEmpty) {
    EXPECT_EQ(stats->totalKeystrokes(), 0);
    EXPECT_EQ(stats->totalXP(), 0);
    EXPECT_EQ(stats->coins(), 0);
    EXPECT_EQ(stats->currentStreak(), 0);
    EXPECT_EQ(stats->lastActiveDate(), "");
    EXPECT_EQ(stats->activeTheme(), AppTheme::classic);
    EXPECT_EQ(stats->currentLevel(), 0);
    EXPECT_EQ(stats->levelTitle(), "NOOB");
    EXPECT_DOUBLE_EQ(stats->progressToNextLevel(), 0.0);
}

TEST_F(GameStatsTest, FlushTurnsKeysAndClicksIntoXPAndDailyCounts) {
    typeKeys(3);
    clickMouse(2);
    stats->flushNow();
    EXPECT_EQ(stats->totalXP(), 7);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 3);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_clicks"), 2);
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), 3);
    EXPECT_EQ(preferences->integer("gs_totalClicks"), 2);
    EXPECT_EQ(stats->todayKeystrokes(), 3);
    EXPECT_EQ(stats->todayClicks(), 2);
    EXPECT_EQ(stats->currentStreak(), 1);
    EXPECT_EQ(preferences->stringValue("gs_lastActiveDate"), "2026-03-05");
}

TEST_F(GameStatsTest, FirstFlushOfTheDayTakesTheDailyBackupBeforeWriting) {
    const auto backup = dir.path() / "preferences.sqlite3.backup-2026-03-05";
    typeKeys(3);
    stats->flushNow();
    ASSERT_TRUE(std::filesystem::exists(backup));
    const auto copy = dir.path() / "copy";
    std::filesystem::create_directories(copy);
    std::filesystem::copy_file(backup, copy / "preferences.sqlite3");
    const auto opened = SqlitePreferences::open(copy, SqlitePreferences::Mode::readOnly);
    EXPECT_FALSE(opened.store->contains("gs_totalKeystrokes")) << "taken before the day's writes";
    clock.setDay("2026-03-06");
    typeKeys(1);
    stats->flushNow();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "preferences.sqlite3.backup-2026-03-06"));
}

TEST_F(GameStatsTest, FlushWithNoInputWritesNothing) {
    stats->flushNow();
    EXPECT_FALSE(preferences->contains("gs_totalKeystrokes"));
    EXPECT_FALSE(preferences->contains("gs_lastActiveDate"));
    typeKeys(1);
    stats->flushNow();
    preferences->setInteger("gs_totalXP", 123);  // a marker the next flush must not touch
    stats->flushNow();
    EXPECT_EQ(preferences->integer("gs_totalXP"), 123);
}

TEST_F(GameStatsTest, InputBeforeMidnightFlushedAfterCountsForTheNewDay) {
    typeKeys(4);
    clock.setDay("2026-03-06");
    stats->flushNow();
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-06_keys"), 4);
    EXPECT_FALSE(preferences->contains("gs_daily_2026-03-05_keys"));
}

TEST_F(GameStatsTest, CrossingTwoLevelsEarnsTwoCoinsInOneCallback) {
    preferences->setInteger("gs_totalXP", 550);  // level 1
    preferences->setInteger("gs_coins", 5);
    reopen();
    std::vector<std::pair<std::int64_t, std::int64_t>> levelUps;
    stats->onLevelUp = [&](std::int64_t level, std::int64_t coins) {
        levelUps.emplace_back(level, coins);
    };
    typeKeys(1650);  // 550 + 1650 = 2200: level 3
    stats->flushNow();
    EXPECT_EQ(stats->coins(), 7);
    EXPECT_EQ(preferences->integer("gs_coins"), 7);
    EXPECT_TRUE(levelUps.empty()) << "callbacks arrive through the main queue";
    queue.drain();
    ASSERT_EQ(levelUps.size(), 1u);
    EXPECT_EQ(levelUps[0].first, 3) << "the new level";
    EXPECT_EQ(levelUps[0].second, 2) << "the coins earned";
}

TEST_F(GameStatsTest, CallbacksAfterTheStoreIsGoneDoNothing) {
    preferences->setInteger("gs_totalXP", 549);
    reopen();
    bool called = false;
    stats->onLevelUp = [&](std::int64_t, std::int64_t) { called = true; };
    typeKeys(1);
    stats->flushNow();
    stats.reset();
    queue.drain();
    EXPECT_FALSE(called);
}

TEST_F(GameStatsTest, AchievementsUnlockOnceInTableOrderAfterTheLevelUp) {
    preferences->setInteger("gs_totalKeystrokes", 299999);
    preferences->setInteger("gs_totalXP", 549);
    reopen();
    std::vector<std::string> events;
    stats->onLevelUp = [&](std::int64_t level, std::int64_t) {
        events.push_back("level " + std::to_string(level));
    };
    stats->onAchievementUnlocked = [&](const Achievement& a) { events.push_back(a.id); };
    typeKeys(1);
    stats->flushNow();
    queue.drain();
    EXPECT_EQ(events, (std::vector<std::string>{"level 1", "keys_5k", "keys_25k", "keys_100k",
                                                "keys_250k"}));
    EXPECT_EQ(stats->totalXP(), 550 + 200);
    EXPECT_EQ(preferences->integer("gs_totalXP"), 750);
    EXPECT_EQ(stats->unlockedCount(), 4);
    events.clear();
    typeKeys(1);
    stats->flushNow();
    queue.drain();
    EXPECT_TRUE(events.empty());
}

TEST_F(GameStatsTest, LevelCrossedByAnAchievementBonusPaysItsCoinAfterTheAchievement) {
    preferences->setInteger("gs_totalKeystrokes", 4999);
    preferences->setInteger("gs_totalXP", 499);
    reopen();
    std::vector<std::string> events;
    stats->onLevelUp = [&](std::int64_t level, std::int64_t coins) {
        events.push_back("level " + std::to_string(level) + " +" + std::to_string(coins));
    };
    stats->onAchievementUnlocked = [&](const Achievement& a) { events.push_back(a.id); };
    typeKeys(1);  // 500 XP, then +50 for keys_5k: 550, level 1
    stats->flushNow();
    queue.drain();
    EXPECT_EQ(events, (std::vector<std::string>{"keys_5k", "level 1 +1"}));
    EXPECT_EQ(stats->currentLevel(), 1);
    EXPECT_EQ(stats->coins(), 1);
    reopen();
    EXPECT_EQ(stats->coins(), 1) << "the coin is stored";
    typeKeys(1);
    stats->flushNow();
    EXPECT_EQ(stats->coins(), 1) << "and paid only once";
}

TEST_F(GameStatsTest, UnknownStoredAchievementIdsCountButMatchNothing) {
    preferences->setStringList("gs_unlockedAchievements", {"keys_5k", "from_the_future"});
    reopen();
    EXPECT_EQ(stats->unlockedCount(), 2);
}

TEST_F(GameStatsTest, SpeedComesFromTheLastTwentyKeyDowns) {
    typeKeys(1);
    EXPECT_EQ(stats->approximateWPM(), 0);
    clock.advance(0.4);
    typeKeys(1);
    EXPECT_EQ(stats->approximateWPM(), 0) << "span not above 0.5 s";
    reopen();
    typeKeys(2, 1.0);
    EXPECT_EQ(stats->approximateWPM(), 12) << "1 interval over 1 s";
}

TEST_F(GameStatsTest, SpeedOfEvenTypingIsCappedAtThreeHundred) {
    for (int i = 0; i < 25; ++i) {  // only the last 20 count
        stats->recordKeystroke();
        clock.advance(2.0 / 19.0);
    }
    EXPECT_EQ(stats->approximateWPM(), 114);
    for (int i = 0; i < 20; ++i) {
        stats->recordKeystroke();
        clock.advance(0.6 / 19.0);
    }
    EXPECT_EQ(stats->approximateWPM(), 300);
}

TEST_F(GameStatsTest, StreakFollowsConsecutiveActiveDays) {
    for (const char* day : {"2026-03-01", "2026-03-02", "2026-03-03"}) {
        clock.setDay(day);
        typeKeys(1);
        stats->flushNow();
    }
    EXPECT_EQ(stats->currentStreak(), 3);
    clock.setDay("2026-03-03");
    typeKeys(1);
    stats->flushNow();
    EXPECT_EQ(stats->currentStreak(), 3) << "a second flush on the same day";
    clock.setDay("2026-03-05");
    typeKeys(1);
    stats->flushNow();
    EXPECT_EQ(stats->currentStreak(), 1) << "4 March was idle";
    EXPECT_EQ(preferences->integer("gs_currentStreak"), 1);
}

TEST_F(GameStatsTest, StreakCrossesMonthAndYearEndsAndIgnoresAClockSetBack) {
    for (const char* day : {"2024-02-28", "2024-02-29", "2024-03-01"}) {
        clock.setDay(day);
        typeKeys(1);
        stats->flushNow();
    }
    EXPECT_EQ(stats->currentStreak(), 3) << "through a leap day into March";
    for (const char* day : {"2024-12-30", "2024-12-31", "2025-01-01", "2025-01-02"}) {
        clock.setDay(day);
        typeKeys(1);
        stats->flushNow();
    }
    EXPECT_EQ(stats->currentStreak(), 4) << "a gap in the year, then across New Year";
    clock.setDay("2024-01-15");
    typeKeys(1);
    stats->flushNow();
    EXPECT_EQ(stats->currentStreak(), 4);
    EXPECT_EQ(stats->lastActiveDate(), "2024-01-15");
}

TEST_F(GameStatsTest, GarbageLastActiveDateRestartsTheStreak) {
    preferences->setString("gs_lastActiveDate", "2026-02-30");
    preferences->setInteger("gs_currentStreak", 9);
    reopen();
    typeKeys(1);
    stats->flushNow();
    EXPECT_EQ(stats->currentStreak(), 1);
    EXPECT_EQ(stats->lastActiveDate(), "2026-03-05");
}

TEST_F(GameStatsTest, WrongTypedAndNegativeStoredValuesReadSafely) {
    preferences->setString("gs_totalKeystrokes", "lots");
    preferences->setInteger("gs_coins", -40);
    preferences->setString("gs_unlockedThemes", "Midnight");  // not a list
    preferences->setInteger("gs_activeTheme", 3);
    preferences->setFloat("gs_totalXP", 600.9);
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 0);
    EXPECT_EQ(stats->coins(), 0);
    EXPECT_EQ(stats->lockedThemes().size(), 6u);
    EXPECT_EQ(stats->activeTheme(), AppTheme::classic);
    EXPECT_EQ(stats->totalXP(), 600);
}

TEST_F(GameStatsTest, CountersSaturateInsteadOfWrapping) {
    preferences->setInteger("gs_totalKeystrokes", INT64_MAX - 1);
    preferences->setInteger("gs_totalXP", INT64_MAX - 1);
    preferences->setInteger("gs_daily_2026-03-05_keys", INT64_MAX);
    reopen();
    typeKeys(3);
    stats->flushNow();
    EXPECT_EQ(stats->totalKeystrokes(), INT64_MAX);
    EXPECT_EQ(stats->totalXP(), INT64_MAX);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), INT64_MAX);
    EXPECT_EQ(stats->currentLevel(), 99);
}

TEST_F(GameStatsTest, EverythingSurvivesARestart) {
    typeKeys(10);
    clickMouse(5);
    stats->flushNow();
    stats->unlockTheme(AppTheme::ice);
    stats->unlockProfile(SoundProfile::cream, GameStats::UnlockType::keyboard);
    preferences->setString("gs_activeTheme", "Ice");
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 10);
    EXPECT_EQ(stats->totalClicks(), 5);
    EXPECT_EQ(stats->sessionKeystrokes(), 0) << "session counts start again";
    EXPECT_EQ(stats->totalXP(), 20);
    EXPECT_EQ(stats->currentStreak(), 1);
    EXPECT_TRUE(stats->isThemeUnlocked(AppTheme::ice));
    EXPECT_TRUE(stats->isKeyProfileUnlocked(SoundProfile::cream));
    EXPECT_FALSE(stats->isMouseProfileUnlocked(SoundProfile::cream));
    EXPECT_EQ(stats->activeTheme(), AppTheme::ice);
}

TEST_F(GameStatsTest, TimerFlushesInTheBackground) {
    typeKeys(2);
    stats->startFlushTimer(std::chrono::milliseconds(20));
    ASSERT_TRUE(waitFor([&] { return preferences->contains("gs_totalKeystrokes"); }));
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), 2);
    stats.reset();  // joins the thread
}

}  // namespace
}  // namespace quib::test
