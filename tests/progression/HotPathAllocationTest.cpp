// The input callback runs for every key press on the desktop: counting must
// never allocate. This binary replaces the global allocator to count.
#include <gtest/gtest.h>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/CountingAllocator.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {
namespace {

void expectNoAllocation(Preferences& preferences, const char* what) {
    ManualQueue queue;
    FakeClock clock;
    ScriptedRandom random;
    GameStats stats(preferences, queue, clock, random);
    const long before = allocationCount();
    for (int i = 0; i < 10000; ++i) {
        stats.recordKeystroke();
        stats.recordClick();
    }
    EXPECT_EQ(allocationCount() - before, 0) << what;
    EXPECT_EQ(stats.totalKeystrokes(), 10000) << what;
}

TEST(HotPathAllocationTest, RecordingKeysAndClicksAllocatesNothing) {
    expectNoAllocation(*SqlitePreferences::inMemory(), "counts in memory");
    TempDir dir;
    auto file = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
    expectNoAllocation(*file, "counts in the mapped journal");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "pending.journal"));
}

}  // namespace
}  // namespace quib::test
