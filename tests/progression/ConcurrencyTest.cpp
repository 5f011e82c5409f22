// Run under ThreadSanitizer in CI: the hot path on one thread, flushes on
// another, and not one event lost or counted twice.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>
#include <thread>

#include "support/HookedPreferences.h"
#include "support/StoreFixture.h"
#include "support/Wait.h"

namespace quib::test {
namespace {

using ConcurrencyTest = StoreFixture;

TEST_F(ConcurrencyTest, TenMillionEventsDuringFlushesAddUpExactly) {
    constexpr std::int64_t kKeys = 8'000'000;
    constexpr std::int64_t kClicks = 2'000'000;
    stats->startFlushTimer(std::chrono::milliseconds(2));
    for (std::int64_t i = 0; i < kKeys; ++i) {
        stats->recordKeystroke();
        if (i % 4 == 0) {
            stats->recordClick();
        }
    }
    stats->flushNow();
    EXPECT_EQ(stats->totalKeystrokes(), kKeys);
    EXPECT_EQ(stats->totalClicks(), kClicks);
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), kKeys);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), kKeys);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_clicks"), kClicks);
    // XP: 1 per key, 2 per click, 50 per achievement.
    EXPECT_EQ(stats->totalXP(), kKeys + 2 * kClicks + 50 * stats->unlockedCount());
    stats.reset();
}

// A store another program held locked at start frees up while the flush
// thread runs and the main thread types: the flush finds it, the main queue
// takes it, and not one key is lost or counted twice on the way.
TEST_F(ConcurrencyTest, AStoreThatLoadsLateIsTakenOverWhileKeysArrive) {
    typeKeys(100, 0.05);
    stats->flushNow();
    stats.reset();
    preferences.reset();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode = EXCLUSIVE; SELECT * FROM preferences",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    reopen();
    ASSERT_FALSE(preferences->isLoaded());
    stats->startFlushTimer(std::chrono::milliseconds(2));
    typeKeys(20000, 0.05);
    sqlite3_close(other);
    typeKeys(20000, 0.05);
    std::int64_t typedWhileWaiting = 0;
    ASSERT_TRUE(waitFor([&] {
        typeKeys(10, 0.05);
        typedWhileWaiting += 10;
        return queue.drain() > 0;
    }));
    typeKeys(20000, 0.05);
    stats->flushNow();
    const std::int64_t typed = 100 + 60000 + typedWhileWaiting;
    EXPECT_EQ(stats->totalKeystrokes(), typed);
    stats.reset();
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), typed);
}

TEST_F(ConcurrencyTest, MainThreadSpendingWhileFlushesEarnKeepsCoinsConsistent) {
    preferences->setInteger("gs_coins", 1000);
    reopen();
    stats->startFlushTimer(std::chrono::milliseconds(1));
    int spent = 0;
    for (int i = 0; i < 3000; ++i) {  // 3000 XP: levels 1, 2 and 3 are earned on the way
        stats->recordKeystroke();
        if (stats->pickReward()) {
            ++spent;
        }
        stats->approximateWPM();
        stats->currentLevel();
    }
    stats->flushNow();
    stats.reset();
    reopen();
    const std::int64_t earned = GameStats::levelForXP(stats->totalXP());
    EXPECT_EQ(earned, 3);
    EXPECT_EQ(stats->coins(), 1000 + earned - spent);
}

TEST_F(ConcurrencyTest, MainThreadNeverWaitsForAFlushStuckInTheStore) {
    preferences->setInteger("gs_totalXP", 549);
    HookedPreferences stuck(*preferences);
    stats.reset();
    GameStats slow(stuck, queue, clock, random);
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    stuck.beforeCommit = [&] {
        entered.set_value();
        released.wait();  // a disk that does not answer
    };
    slow.recordKeystroke();
    std::thread flusher([&] { slow.flushNow(); });
    entered.get_future().wait();
    // The key callback and everything the Stats tab reads each second.
    auto mainThread = std::async(std::launch::async, [&] {
        slow.recordKeystroke();
        return slow.currentLevel() + slow.totalXP() + slow.coins() + slow.todayKeystrokes() +
               slow.todayClicks() + slow.approximateWPM() + slow.currentStreak() +
               slow.unlockedCount() + (slow.canClaimReward() ? 1 : 0) +
               static_cast<std::int64_t>(slow.levelTitle().size() + slow.progressToNextLevel());
    });
    const bool answered =
        mainThread.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    release.set_value();
    flusher.join();
    EXPECT_TRUE(answered) << "the main thread waited for the disk";
    EXPECT_EQ(mainThread.get(), 1 + 550 + 1 + 1 + 0 + 0 + 1 + 0 + 1 + 6);
}

}  // namespace
}  // namespace quib::test
