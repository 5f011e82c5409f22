// make bench: the hot path (counting into memory and into the mapped
// journal), one flush of a 5-second batch on a real file, the main thread
// while a flush is stalled in the store, the fold of a full journal at start,
// and `quib stats` on three years of daily keys.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/StatsCommand.h"
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

// The hot path, counting into memory (0) or into the page mapped from
// pending.journal (1), as the application does.
void BM_RecordKeystroke(benchmark::State& state) {
    const fs::path dir = freshDirectory("quib-bench-record");
    auto preferences = state.range(0) == 0
                           ? SqlitePreferences::inMemory()
                           : SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
    test::ManualQueue queue;
    SystemClock clock;
    SystemRandom random;
    GameStats stats(*preferences, queue, clock, random);
    for (auto _ : state) {
        stats.recordKeystroke();
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_RecordKeystroke)->Arg(0)->Arg(1);

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
                       stats.currentStreak() + stats.unlockedCount() + stats.sessionKeystrokes() +
                       stats.sessionClicks() + stats.totalKeystrokes() + stats.totalClicks() +
                       static_cast<std::int64_t>(stats.progressToNextLevel() * 100.0);
    sum += static_cast<std::int64_t>(stats.levelTitle().size());
    return sum;
}

// Context switches of the calling thread: voluntary ones mean it waited (a
// lock, the disk), involuntary ones that the scheduler took the core away.
std::pair<long, long> contextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}

// The main thread (key callback, then the panel's reads) while the flush
// thread sits 200 ms inside every commit, as on a disk that wakes up (with
// the argument 0: no flush at all, for comparison).
// Reports the worst single iteration; among the iterations the scheduler did
// not interrupt (on a loaded machine preemption dominates the plain maximum)
// the 99.9th percentile, the worst and how many took over 5 us; and how often
// the main thread had to wait at all (voluntary context switches).
void BM_MainThreadDuringStalledFlush(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const fs::path dir = freshDirectory("quib-bench-stall");
    auto file = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
    test::HookedPreferences slow(*file);
    const auto stall = std::chrono::milliseconds(state.range(0));
    slow.beforeCommit = [stall] { std::this_thread::sleep_for(stall); };
    test::ManualQueue queue;
    SystemClock clock;
    SystemRandom random;
    GameStats stats(slow, queue, clock, random);
    std::atomic<bool> stop{false};
    std::atomic<int> flushes{0};
    std::thread flusher([&] {  // with no stall: no flushes, the machine's own noise
        while (stall.count() > 0 && !stop.load()) {
            stats.flushNow();
            flushes.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Clock::duration worst{};
    std::vector<Clock::duration> uninterrupted;
    uninterrupted.reserve(1 << 22);
    long waits = 0;
    long interrupted = 0;
    for (auto _ : state) {
        const auto before = contextSwitches();
        const auto start = Clock::now();
        stats.recordKeystroke();
        benchmark::DoNotOptimize(readPanel(stats));
        const auto took = Clock::now() - start;
        const auto after = contextSwitches();
        worst = std::max(worst, took);
        waits += after.first - before.first;
        if (after.second == before.second && uninterrupted.size() < uninterrupted.capacity()) {
            uninterrupted.push_back(took);
        } else {
            ++interrupted;
        }
    }
    stop = true;
    flusher.join();
    const auto micros = [](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    };
    std::sort(uninterrupted.begin(), uninterrupted.end());
    const auto quantile = [&](double q) {
        return uninterrupted.empty()
                   ? 0.0
                   : micros(
                         uninterrupted[static_cast<std::size_t>(q * (uninterrupted.size() - 1))]);
    };
    state.counters["worst_us"] = micros(worst);
    state.counters["uninterrupted_median_us"] = quantile(0.5);
    state.counters["uninterrupted_p999_us"] = quantile(0.999);
    state.counters["uninterrupted_worst_us"] = quantile(1.0);
    state.counters["uninterrupted_over_5us"] = static_cast<double>(
        uninterrupted.end() -
        std::upper_bound(uninterrupted.begin(), uninterrupted.end(), std::chrono::microseconds(5)));
    state.counters["waits"] = static_cast<double>(waits);
    state.counters["preempted"] = static_cast<double>(interrupted);
    state.counters["stalled_flushes"] = flushes.load();
    fs::remove_all(dir);
}
BENCHMARK(BM_MainThreadDuringStalledFlush)->Arg(0)->Arg(200)->MinTime(2.0)->UseRealTime();

// Three years of daily keys and clicks, in one transaction.
void seedThreeYears(Preferences& store) {
    Preferences::Transaction transaction(store);
    for (int day = 0; day < 3 * 365; ++day) {
        char date[16];
        std::snprintf(date, sizeof date, "20%02d-%02d-%02d", 23 + day / 365, 1 + day % 12,
                      1 + day % 28);
        store.setInteger(std::string("gs_daily_") + date + "_keys", 1000 + day);
        store.setInteger(std::string("gs_daily_") + date + "_clicks", day);
    }
}

// A store with three years of daily keys, and a journal whose dead run left
// counts on every one of the eight days the journal can tell apart, each
// past a level and with achievements to unlock.
void leaveFullJournal(const fs::path& dir) {
    auto store = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
    seedThreeYears(*store);
    store->setInteger("gs_totalKeystrokes", 4000);
    store->setInteger("gs_totalClicks", 4000);
    // Today's backup is taken already: it is the first flush's cost every day
    // and not part of the fold.
    store->backUpOncePerDay("2026-03-05");
    auto journal = store->openPendingJournal();
    PendingPage& page = journal->page();
    store->setInteger("gs_journalId", static_cast<std::int64_t>(page.identity));
    page.beginRun(0.0, "2026-03-01");
    double now = 0.0;
    for (int day = 1; day <= static_cast<int>(PendingPage::kMaxMarks); ++day) {
        page.markDay("2026-03-0" + std::to_string(day), page.keyCount(), page.clickCount());
        for (int i = 0; i < 400; ++i) {
            page.addKey(now += 0.1);
            page.addClick(now);
        }
    }
}

// The start of a run after a crash: loading the store and folding the full
// journal into it (one transaction).
void BM_FoldFullJournalAtStart(benchmark::State& state) {
    const fs::path dir = freshDirectory("quib-bench-fold");
    const fs::path left = freshDirectory("quib-bench-fold-left");
    leaveFullJournal(left);
    test::ManualQueue queue;
    test::FakeClock clock;
    SystemRandom random;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dir);
        fs::copy(left, dir, fs::copy_options::recursive);
        auto preferences = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
        state.ResumeTiming();
        GameStats stats(*preferences, queue, clock, random);
        state.PauseTiming();
        if (stats.totalKeystrokes() != 4000 + 8 * 400) {
            state.SkipWithError("the journal was not folded");
        }
        state.ResumeTiming();
    }
    fs::remove_all(dir);
    fs::remove_all(left);
}
BENCHMARK(BM_FoldFullJournalAtStart)->Unit(benchmark::kMillisecond);

void BM_StatsCommandThreeYears(benchmark::State& state) {
    const fs::path dir = freshDirectory("quib-bench-stats");
    {
        auto preferences = SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
        seedThreeYears(*preferences);
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
