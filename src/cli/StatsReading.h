#pragma once

#include <filesystem>
#include <memory>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"

namespace quib {

// The store as every form of `quib stats` reads it: opened read-only (a
// missing database reads as a fresh install) with the progression figures
// over it. Nothing is written, created or moved, and no flush runs.
struct StatsReading {
    // The store posts callbacks only from a flush, which never runs here.
    class DiscardingQueue final : public MainQueue {
      public:
        void post(std::function<void()>) override {}
        void postDelayed(std::chrono::milliseconds, std::function<void()>) override {}
    };

    std::unique_ptr<SqlitePreferences> store;
    DiscardingQueue queue;
    SystemClock clock;
    SystemRandom random;
    std::unique_ptr<GameStats> stats;

    // nullptr, with a "[QUIB] " line, when the file is not a readable database.
    static std::unique_ptr<StatsReading> open(const std::filesystem::path& dataDirectory);
};

}  // namespace quib
