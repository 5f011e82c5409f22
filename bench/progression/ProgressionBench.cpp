// make bench: the hot path, one flush of a 5-second batch on a real file, the
// main thread while a flush is stalled in the store, and `quib stats` on three
// years of daily keys.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "app/StatsCommand.h"
#include "platform/Clock.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/Fakes.h"
#include "support/HookedPreferences.h"

namespace {

using namespace quib;
namespace fs = std::filesystem;

fs::path freshDirectory(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void BM_RecordKeystroke(benchmark::State& state) {
    auto preferences = SqlitePreferences::inMemory();
    test::ManualQueue queue;
    SystemClock clock;
    SystemRandom random;
    GameStats stats(*preferences, queue, clock, random);
    for (auto _ : state) {
        stats.recordKeystroke();
    }
}
BENCHMARK(BM_RecordKeystroke);

// 5 s at 20 keys/s plus a few clicks, flushed to a file as the timer does.
void BM_FlushFiveSecondBatch(benchmark::State& state) {
    const fs::path dir = freshDirectory("quib-bench-flush");
    auto preferences = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
    test::ManualQueue queue;
    test::FakeClock clock;
    SystemRandom random;
    GameStats stats(*preferences, queue, clock, random);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 100; ++i) {
            stats.recordKeystroke();
            clock.advance(0.05);
        }
        stats.recordClick();
        state.ResumeTiming();
        stats.flushNow();
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_FlushFiveSecondBatch)->Unit(benchmark::kMicrosecond);

// Everything the Stats tab reads at its 1-second refresh.
std::int64_t readPanel(const GameStats& stats) {
    std::int64_t sum = stats.currentLevel() + stats.totalXP() + stats.coins() +
                       stats.todayKeystrokes() + stats.todayClicks() + stats.approximateWPM() +
                       stats.currentStreak() + stats.unlockedCount() +
                       static_cast<std::int64_t>(stats.progressToNextLevel() * 100.0) +
                       (stats.canClaimReward() ? 1 : 0);
    sum += static_cast<std::int64_t>(stats.levelTitle().size());
    return sum;
}

// The main thread (key callback, then the panel's reads) while the flush
// thread sits 200 ms inside every commit, as on a disk that wakes up. Reports
// the worst single call of each.
void BM_MainThreadDuringStalledFlush(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const fs::path dir = freshDirectory("quib-bench-stall");
    auto file = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
    test::HookedPreferences slow(*file);
    slow.beforeCommit = [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); };
    test::ManualQueue queue;
    SystemClock clock;
    SystemRandom random;
    GameStats stats(slow, queue, clock, random);
    std::atomic<bool> stop{false};
    std::atomic<int> flushes{0};
    std::thread flusher([&] {
        while (!stop.load()) {
            stats.flushNow();
            flushes.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Clock::duration worstRecord{};
    Clock::duration worstRead{};
    std::int64_t slowCalls = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        stats.recordKeystroke();
        const auto recorded = Clock::now();
        benchmark::DoNotOptimize(readPanel(stats));
        const auto read = Clock::now();
        worstRecord = std::max(worstRecord, recorded - start);
        worstRead = std::max(worstRead, read - recorded);
        slowCalls += (read - start) > std::chrono::microseconds(5) ? 1 : 0;
    }
    stop = true;
    flusher.join();
    const auto micros = [](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    };
    state.counters["worst_record_us"] = micros(worstRecord);
    state.counters["worst_reads_us"] = micros(worstRead);
    state.counters["over_5us"] = static_cast<double>(slowCalls);
    state.counters["flushes"] = flushes.load();
    fs::remove_all(dir);
}
BENCHMARK(BM_MainThreadDuringStalledFlush)->MinTime(2.0)->UseRealTime();

void BM_StatsCommandThreeYears(benchmark::State& state) {
    const fs::path dir = freshDirectory("quib-bench-stats");
    {
        auto preferences = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
        Preferences::Transaction transaction(*preferences);
        for (int day = 0; day < 3 * 365; ++day) {
            char date[16];
            std::snprintf(date, sizeof date, "20%02d-%02d-%02d", 23 + day / 365, 1 + day % 12,
                          1 + day % 28);
            preferences->setInteger(std::string("gs_daily_") + date + "_keys", 1000 + day);
            preferences->setInteger(std::string("gs_daily_") + date + "_clicks", day);
        }
        preferences->setInteger("gs_totalXP", 5000000);
    }
    for (auto _ : state) {
        std::ostringstream out;
        benchmark::DoNotOptimize(runStatsCommand(dir, true, out));
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_StatsCommandThreeYears)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
