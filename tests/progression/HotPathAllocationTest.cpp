// The input callback runs for every key press on the desktop: counting must
// never allocate. This binary replaces the global allocator to count.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/Fakes.h"

namespace {
std::atomic<long> g_allocations{0};
}

// GCC pairs the malloc inside the replacement with the free below and warns;
// both sides are this file's own, so the pairing is right.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace quib::test {
namespace {

TEST(HotPathAllocationTest, RecordingKeysAndClicksAllocatesNothing) {
    auto preferences = SqlitePreferences::inMemory();
    ManualQueue queue;
    FakeClock clock;
    ScriptedRandom random;
    GameStats stats(*preferences, queue, clock, random);
    const long before = g_allocations.load();
    for (int i = 0; i < 10000; ++i) {
        stats.recordKeystroke();
        stats.recordClick();
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(stats.totalKeystrokes(), 10000);
}

}  // namespace
}  // namespace quib::test
