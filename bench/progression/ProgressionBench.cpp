// make bench: the hot path, one flush of a 5-second batch on a real file, and
// `quib stats` on three years of daily keys.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/StatsCommand.h"
#include "platform/Clock.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/Fakes.h"

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
