// Run under ThreadSanitizer in CI: the hot path on one thread, flushes on
// another, and not one event lost or counted twice.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>

#include "progression/StoreFixture.h"
#include "support/HookedPreferences.h"
#include "support/QuibProcess.h"

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
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
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
    ASSERT_TRUE(waitUntil([&] {
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

// Reads an integer straight from the file, as a fresh process would.
std::int64_t readInteger(sqlite3* db, const char* key) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT value FROM preferences WHERE key = ?1", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, key, -1, SQLITE_STATIC);
    const std::int64_t value =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    return value;
}

TEST(CrashTest, KilledMidFlushLeavesTheLastCommittedBatch) {
    TempDir dir;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        FakeClock clock;
        ManualQueue queue;
        ScriptedRandom random;
        auto preferences =
            SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        GameStats stats(*preferences, queue, clock, random);
        for (std::int64_t batch = 1;; ++batch) {
            for (int i = 0; i < 97; ++i) {
                stats.recordKeystroke();
            }
            stats.flushNow();
            const std::int64_t committed = batch * 97;
            if (write(pipeFds[1], &committed, sizeof committed) < 0) {
                _exit(1);
            }
        }
    }
    close(pipeFds[1]);
    std::int64_t committed = 0;
    std::int64_t value = 0;
    while (committed < 97 * 300 && read(pipeFds[0], &value, sizeof value) == sizeof value) {
        committed = value;
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    while (read(pipeFds[0], &value, sizeof value) == sizeof value) {
        committed = value;  // batches reported just before the kill
    }
    close(pipeFds[0]);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    const std::int64_t total = readInteger(db, "gs_totalKeystrokes");
    EXPECT_GE(total, committed);
    EXPECT_LE(total, committed + 97) << "at most the batch in flight";
    // One transaction per flush: the totals and the day's count move together.
    EXPECT_EQ(readInteger(db, "gs_daily_2026-03-05_keys"), total);
    EXPECT_EQ(readInteger(db, "gs_totalXP") % 50, total % 50);
    sqlite3_close(db);
}

}  // namespace
}  // namespace quib::test
