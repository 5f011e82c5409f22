#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {

// A store on a real SQLite file in a temp directory, with a settable clock,
// a drainable main queue and scripted random draws.
class StoreFixture : public ::testing::Test {
  protected:
    void SetUp() override { reopen(); }

    // Drops the store and reads everything back from the file, as a restart does.
    void reopen() {
        stats.reset();
        preferences.reset();
        preferences = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        stats = std::make_unique<GameStats>(*preferences, queue, clock, random);
    }

    void typeKeys(int count, double secondsApart = 0.0) {
        for (int i = 0; i < count; ++i) {
            stats->recordKeystroke();
            clock.advance(secondsApart);
        }
    }

    void clickMouse(int count) {
        for (int i = 0; i < count; ++i) {
            stats->recordClick();
        }
    }

    TempDir dir;
    FakeClock clock;
    ManualQueue queue;
    ScriptedRandom random;
    std::unique_ptr<SqlitePreferences> preferences;
    std::unique_ptr<GameStats> stats;
};

}  // namespace quib::test
