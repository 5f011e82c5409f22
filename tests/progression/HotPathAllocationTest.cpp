// The input callback runs for every key press on the desktop: counting must
// never allocate. This binary replaces the global allocator to count.
#include <gtest/gtest.h>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/CountingAllocator.h"
#include "support/Fakes.h"

namespace quib::test {
namespace {

TEST(HotPathAllocationTest, RecordingKeysAndClicksAllocatesNothing) {
    auto preferences = SqlitePreferences::inMemory();
    ManualQueue queue;
    FakeClock clock;
    ScriptedRandom random;
    GameStats stats(*preferences, queue, clock, random);
    const long before = allocationCount();
    for (int i = 0; i < 10000; ++i) {
        stats.recordKeystroke();
        stats.recordClick();
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_EQ(stats.totalKeystrokes(), 10000);
}

}  // namespace
}  // namespace quib::test
