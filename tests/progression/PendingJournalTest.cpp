// Counts that were never flushed (the process was killed) live on in
// pending.journal and are folded into the store, exactly once, at the next
// start; a journal the store cannot vouch for is set aside and adds nothing.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstddef>
#include <fstream>
#include <functional>

#include "platform/prefs/PendingJournal.h"
#include "progression/StoreKeys.h"
#include "support/StoreFixture.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

class PendingJournalTest : public StoreFixture {
  protected:
    // Ends the run as SIGKILL would: no flush, nothing written at the end.
    void die() {
        stats.reset();
        preferences.reset();
    }
};

int countLines(const std::string& text, const std::string& needle) {
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// That the fold counts exactly once, whenever the process dies, is
// JournalCrashTest's; here, what the next run makes of the dead one's counts.
TEST_F(PendingJournalTest, CountsNeverFlushedJoinTheStoredOnesAndTheirLevelIsCelebrated) {
    preferences->setInteger("gs_totalXP", 545);
    reopen();
    typeKeys(1, 1.0);
    clickMouse(1);
    stats->flushNow();  // 548 XP
    typeKeys(3, 1.0);
    clickMouse(1);  // 553 XP, level 1, never flushed
    EXPECT_TRUE(fs::exists(dir.path() / "pending.journal"));
    die();

    testing::internal::CaptureStderr();
    reopen();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(stats->totalKeystrokes(), 4);
    EXPECT_EQ(stats->totalClicks(), 2);
    EXPECT_EQ(stats->sessionKeystrokes(), 0) << "the new run starts its own session";
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), 4);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 4);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_clicks"), 2);
    EXPECT_EQ(stats->todayKeystrokes(), 4);
    EXPECT_EQ(stats->totalXP(), 553);
    EXPECT_EQ(stats->coins(), 1) << "the level the dead run reached pays its coin";
    EXPECT_EQ(countLines(log, "[QUIB] Added what the last run counted"), 1) << log;
    std::vector<std::int64_t> levelUps;
    stats->onLevelUp = [&](std::int64_t level, std::int64_t) { levelUps.push_back(level); };
    queue.drain();
    EXPECT_EQ(levelUps, std::vector<std::int64_t>{1}) << "and is celebrated after the start";

    typeKeys(2);
    stats->flushNow();
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 6) << "the journal goes on counting";
}

TEST_F(PendingJournalTest, TwoDaysOfUnstoredCountsFoldIntoTheirOwnDays) {
    typeKeys(1, 0.5);
    stats->flushNow();
    // The file becomes unwritable for a while (another program holds its
    // write lock): the flushes of 5 and 6 March land in memory only, and the
    // process dies before the file comes back.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    typeKeys(4, 0.5);
    stats->flushNow();
    clock.setDay("2026-03-06");
    typeKeys(3, 0.5);
    clickMouse(2);
    stats->flushNow();
    EXPECT_TRUE(preferences->isInMemory());
    die();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    reopen();
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 5);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-06_keys"), 3);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-06_clicks"), 2);
    EXPECT_EQ(stats->totalKeystrokes(), 8);
    EXPECT_EQ(stats->totalXP(), 12);
    EXPECT_EQ(stats->currentStreak(), 2) << "two consecutive active days";
    EXPECT_EQ(stats->lastActiveDate(), "2026-03-06");
}

struct Damage {
    const char* what;
    std::function<void(const fs::path& dir, Preferences& store)> apply;
};

class SetAsideTest : public PendingJournalTest, public testing::WithParamInterface<Damage> {};

TEST_P(SetAsideTest, AJournalTheStoreCannotVouchForAddsNothing) {
    typeKeys(5, 0.2);
    stats->flushNow();
    typeKeys(3, 0.2);  // pending when the run dies
    die();
    GetParam().apply(
        dir.path(), *SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store);
    testing::internal::CaptureStderr();
    reopen();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(stats->totalKeystrokes(), 5);
    EXPECT_EQ(stats->totalXP(), 5);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 5);
    EXPECT_EQ(countLines(log, "[QUIB]"), 1) << log;
    EXPECT_EQ(countLines(log, "set aside"), 1) << log;
    EXPECT_TRUE(fs::exists(dir.path() / "pending.journal.rejected"));
    // A fresh journal takes over.
    typeKeys(2, 0.2);
    die();
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 7);
}

// Overwrites bytes of the journal file at `offset`.
void patch(const fs::path& dir, std::size_t offset, const void* bytes, std::size_t size) {
    std::fstream out(dir / "pending.journal", std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

constexpr std::int64_t kFlood = 5'000'000;
constexpr std::uint32_t kOtherVersion = 7;

INSTANTIATE_TEST_SUITE_P(
    Damages, SetAsideTest,
    testing::Values(
        Damage{"Garbage",
               [](const fs::path& d, Preferences&) {
                   std::ofstream(d / "pending.journal", std::ios::trunc)
                       << std::string(4096, '\x7f');
               }},
        Damage{"CutShort", [](const fs::path& d,
                              Preferences&) { fs::resize_file(d / "pending.journal", 100); }},
        Damage{"AnotherVersion",
               [](const fs::path& d, Preferences&) {
                   patch(d, offsetof(PendingPage, version), &kOtherVersion, sizeof kOtherVersion);
               }},
        Damage{"AnotherDataDirectory",
               [](const fs::path&, Preferences& store) { store.setInteger("gs_journalId", 42); }},
        Damage{"Implausible",
               [](const fs::path& d, Preferences&) {
                   patch(d, offsetof(PendingPage, keys), &kFlood, sizeof kFlood);
               }}),
    [](const testing::TestParamInfo<Damage>& p) { return p.param.what; });

std::vector<std::string> namesIn(const fs::path& dir, const std::string& part) {
    auto names = filesIn(dir);
    std::erase_if(names,
                  [&](const std::string& name) { return name.find(part) == std::string::npos; });
    return names;
}

// Another program (a backup tool, a database browser) holds the store when
// QUIB starts, in either of SQLite's ways: a write transaction (readers get
// in) or exclusive locking mode (nobody does, for as long as it is open).
struct Lock {
    const char* what;
    const char* sql;
};

class LockedAtStartTest : public PendingJournalTest, public testing::WithParamInterface<Lock> {};

TEST_P(LockedAtStartTest, NothingIsMovedAsideOrLostOnceTheLockGoes) {
    typeKeys(100, 0.1);
    stats->flushNow();
    die();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, GetParam().sql, nullptr, nullptr, nullptr), SQLITE_OK);

    testing::internal::CaptureStderr();
    reopen();
    typeKeys(20, 0.1);
    stats->flushNow();  // still locked: kept, not lost
    sqlite3_close(other);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(log, "another program holds the database locked"), 1) << log;
    EXPECT_EQ(countLines(log, "damaged"), 0) << log;
    EXPECT_TRUE(namesIn(dir.path(), ".corrupt-").empty());
    EXPECT_TRUE(namesIn(dir.path(), ".rejected").empty());

    stats->flushNow();  // the lock is gone: written through
    queue.drain();
    EXPECT_FALSE(preferences->isInMemory());
    EXPECT_EQ(stats->totalKeystrokes(), 120);
    die();
    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 120);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 120);
}

INSTANTIATE_TEST_SUITE_P(
    Locks, LockedAtStartTest,
    testing::Values(Lock{"WriteTransaction", "BEGIN EXCLUSIVE"},
                    Lock{"ExclusiveLockingMode",
                         "PRAGMA locking_mode = EXCLUSIVE; SELECT count(*) FROM preferences"}),
    [](const testing::TestParamInfo<Lock>& p) { return p.param.what; });

TEST_F(PendingJournalTest, AStoreRestoredFromADailyCopyTakesTheCountsItLacks) {
    clock.setDay("2026-03-04");
    typeKeys(5, 0.2);
    stats->flushNow();
    clock.setDay("2026-03-05");
    typeKeys(200, 0.2);
    stats->flushNow();  // the day's copy, taken before its first write, holds 5 keys
    die();
    reopen();  // a later, short run: far more is missing than it could have typed
    typeKeys(3, 0.2);
    die();
    std::ofstream(dir.path() / "preferences.sqlite3", std::ios::trunc) << std::string(5000, '!');
    fs::remove(dir.path() / "preferences.sqlite3-wal");

    reopen();
    EXPECT_EQ(stats->totalKeystrokes(), 208) << "the copy's 5, and 203 from the journal";
    EXPECT_TRUE(namesIn(dir.path(), ".rejected").empty());
}

TEST_F(PendingJournalTest, StoresWithoutAFileKeepCountsInMemory) {
    auto memory = SqlitePreferences::inMemory();
    GameStats inMemory(*memory, queue, clock, random);
    inMemory.recordKeystroke();
    inMemory.flushNow();
    EXPECT_EQ(memory->integer("gs_totalKeystrokes"), 1);
    EXPECT_FALSE(memory->contains("gs_journalId")) << "no journal to pair with";
}

}  // namespace
}  // namespace quib::test
