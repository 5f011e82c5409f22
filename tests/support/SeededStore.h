#pragma once

#include <functional>
#include <memory>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {

// A progression store on a real SQLite file, for the windows' tests: seed()
// writes stored values the way an earlier run would have, then opens the
// store over them. The clock stands on 2026-03-05.
class SeededStore {
  public:
    SeededStore() {
        seed([](Preferences&) {});
    }

    void seed(const std::function<void(Preferences&)>& write) {
        stats.reset();
        preferences.reset();
        preferences = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        write(*preferences);
        stats = std::make_unique<GameStats>(*preferences, queue, clock, random);
    }

    TempDir dir;
    FakeClock clock;
    ManualQueue queue;
    ScriptedRandom random;
    std::unique_ptr<SqlitePreferences> preferences;
    std::unique_ptr<GameStats> stats;
};

}  // namespace quib::test
