#pragma once

#include <memory>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"

namespace quib::shots {

// A progression store as a user of a few weeks has it: some thousands of
// keys, a level, three coins, a six-day streak, a handful of unlocked
// profiles and themes and the achievements those counts earn. It lives on a
// real SQLite file in a directory that goes with it.
class SeededStore {
  public:
    SeededStore();
    ~SeededStore();
    SeededStore(const SeededStore&) = delete;
    SeededStore& operator=(const SeededStore&) = delete;

    GameStats& stats() { return *m_stats; }

  private:
    // Nothing is flushed while the pictures are taken; posted tasks are dropped.
    struct IdleQueue final : MainQueue {
        void post(std::function<void()>) override {}
        void postDelayed(std::chrono::milliseconds, std::function<void()>) override {}
    };

    void seed(Preferences& preferences) const;

    std::filesystem::path m_dir;
    SystemClock m_clock;
    SystemRandom m_random;
    IdleQueue m_queue;
    std::unique_ptr<SqlitePreferences> m_preferences;
    std::unique_ptr<GameStats> m_stats;
};

}  // namespace quib::shots
