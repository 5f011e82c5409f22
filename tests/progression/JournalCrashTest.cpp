// SIGKILL at any moment, of the flush or of the fold at the next start: the
// totals come out exact, nothing lost and nothing counted twice. Each run is
// a child process that kills itself (or is killed) as a crash would.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <random>

#include "support/HookedPreferences.h"
#include "support/StoreFixture.h"
#include "support/Wait.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

// Runs `body` in a child process; true when the child lived to the end.
template <typename Body>
bool inChild(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Key-downs half a second apart, then clicks.
void type(GameStats& stats, FakeClock& clock, int keys, int clicks) {
    for (int i = 0; i < keys; ++i) {
        stats.recordKeystroke();
        clock.advance(0.5);
    }
    for (int i = 0; i < clicks; ++i) {
        stats.recordClick();
    }
}

void copyDirectory(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// Copies the data directory `left`, starts a store on it in a child that kills
// itself at its n-th write or commit (of the fold at start, then of `work`),
// then `check`s the copy, for n = 1, 2, ... until the child lives to the
// end. Returns the number of steps.
int killAtEveryStep(const fs::path& left, const std::function<void(GameStats&, FakeClock&)>& work,
                    const std::function<void(const fs::path&, int step)>& check) {
    for (int step = 1; step < 100; ++step) {
        TempDir dir;
        copyDirectory(left, dir.path());
        const bool finished = inChild([&] {
            auto store = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite);
            HookedPreferences dying(*store.store);
            int steps = 0;
            const auto maybeDie = [&] {
                if (++steps == step) {
                    raise(SIGKILL);
                }
            };
            dying.beforeWrite = maybeDie;
            dying.beforeCommit = maybeDie;
            dying.afterCommit = maybeDie;
            FakeClock clock;
            ManualQueue queue;
            ScriptedRandom random;
            GameStats stats(dying, queue, clock, random);  // folds what the last run left
            work(stats, clock);
        });
        check(dir.path(), step);
        if (finished) {
            return step;
        }
    }
    return 0;
}

// A data directory whose last run died with 9 keys and 3 clicks never
// flushed, enough for a level and an achievement.
void leaveCountsPending(const fs::path& dir) {
    {
        auto seed = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
        seed->setInteger("gs_totalKeystrokes", 4995);
        seed->setInteger("gs_totalXP", 540);
    }
    TestStore run(dir);
    type(*run.stats, run.clock, 9, 3);
}

// Twice, so a second start adds nothing more.
void expectTheNineKeysOnce(const fs::path& dir, int step) {
    for (int restart = 0; restart < 2; ++restart) {
        TestStore next(dir);
        EXPECT_EQ(next.stats->totalKeystrokes(), 5004) << "killed at step " << step;
        EXPECT_EQ(next.stats->totalClicks(), 3) << step;
        EXPECT_EQ(next.preferences->integer("gs_daily_2026-03-05_keys"), 9) << step;
        EXPECT_EQ(next.stats->totalXP(), 540 + 9 + 6 + 50) << step;
        EXPECT_EQ(next.stats->coins(), 1) << step;
        EXPECT_EQ(next.stats->unlockedCount(), 1) << step;
    }
}

// SQLite's own check of a file a killed process left.
void expectIntact(const fs::path& file) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(db);
}

TEST(JournalCrashTest, KilledAtEveryStepOfTheFoldTheNextStartCountsExactlyOnce) {
    TempDir left;
    leaveCountsPending(left.path());
    const int steps = killAtEveryStep(
        left.path(), [](GameStats&, FakeClock&) {}, expectTheNineKeysOnce);
    EXPECT_GE(steps, 13) << "every write of the fold and its commit were interrupted";
}

TEST(JournalCrashTest, KilledAtEveryStepOfAFlushTheNextStartCountsExactlyOnce) {
    TempDir left;
    leaveCountsPending(left.path());
    TestStore(left.path()).stats.reset();  // folded: the store holds the nine keys
    const int steps = killAtEveryStep(
        left.path(),
        [](GameStats& stats, FakeClock& clock) {
            type(stats, clock, 4, 1);
            stats.flushNow();
        },
        [](const fs::path& dir, int step) {
            TestStore next(dir);
            EXPECT_EQ(next.stats->totalKeystrokes(), 5008) << "killed at step " << step;
            EXPECT_EQ(next.stats->totalClicks(), 4) << step;
            EXPECT_EQ(next.preferences->integer("gs_daily_2026-03-05_keys"), 13) << step;
            EXPECT_EQ(next.stats->totalXP(), 605 + 4 + 2) << step;
        });
    EXPECT_GE(steps, 8);
}

TEST(JournalCrashTest, KilledAtRandomMomentsWhileTypingAndFlushingLosesNothing) {
    TempDir dir;
    // What the child has recorded, shared with this process.
    auto* typed =
        static_cast<std::int64_t*>(mmap(nullptr, 2 * sizeof(std::int64_t), PROT_READ | PROT_WRITE,
                                        MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(typed, MAP_FAILED);
    std::mt19937 random(20260305);
    std::int64_t keys = 0;
    std::int64_t clicks = 0;
    for (int round = 0; round < 12; ++round) {
        typed[0] = typed[1] = 0;
        const pid_t child = fork();
        if (child == 0) {
            TestStore run(dir.path());
            for (std::int64_t i = 1;; ++i) {
                run.stats->recordKeystroke();
                std::atomic_ref<std::int64_t>(typed[0]).store(i);
                run.clock.advance(0.05);  // 20 keys a second
                if (i % 5 == 0) {
                    run.stats->recordClick();
                    std::atomic_ref<std::int64_t>(typed[1]).fetch_add(1);
                }
                if (i % 37 == 0) {
                    run.stats->flushNow();  // as the timer would, between keys
                }
            }
        }
        // The kill comes once the child has typed a drawn number of keys, at
        // whatever pace the machine allows, and lands wherever the child has
        // got to by then: between keys, inside a flush or between the two.
        const std::int64_t target = 20 + static_cast<std::int64_t>(random() % 400);
        const bool typing =
            waitFor([&] { return std::atomic_ref<std::int64_t>(typed[0]).load() >= target; });
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_TRUE(typing) << "round " << round;
        expectIntact(dir.path() / "preferences.sqlite3");
        TestStore next(dir.path());
        // The kill may fall between counting an event and telling us.
        const std::int64_t total = next.stats->totalKeystrokes();
        EXPECT_GE(total, keys + typed[0]) << "round " << round;
        EXPECT_LE(total, keys + typed[0] + 1) << "round " << round;
        EXPECT_GE(next.stats->totalClicks(), clicks + typed[1]) << "round " << round;
        EXPECT_LE(next.stats->totalClicks(), clicks + typed[1] + 1) << "round " << round;
        keys = total;
        clicks = next.stats->totalClicks();
        // One transaction per flush: the totals and the day's count move together.
        EXPECT_EQ(next.preferences->integer("gs_daily_2026-03-05_keys"), keys);
        EXPECT_EQ(next.stats->totalXP(), keys + 2 * clicks + 50 * next.stats->unlockedCount());
    }
    EXPECT_GT(keys, 100);
    munmap(typed, 2 * sizeof(std::int64_t));
}

}  // namespace
}  // namespace quib::test
