#pragma once

// The one store of the tests: the progression store on a real SQLite file,
// with a settable clock (standing on 2026-03-05), a drainable main queue and
// scripted random draws.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {

class TestStore {
  public:
    // In a fresh directory of its own.
    TestStore() : TestStore(std::filesystem::path()) {}
    // In `directory`, as a run there would see it (a fresh one when empty).
    explicit TestStore(const std::filesystem::path& directory)
        : m_path(directory.empty() ? dir.path() : directory) {
        reopen();
    }

    const std::filesystem::path& path() const { return m_path; }

    // Drops the store and reads everything back from the file, as a restart does.
    void reopen() {
        seed([](Preferences&) {});
    }

    // Writes stored values the way an earlier run would have, then opens the
    // store over them.
    void seed(const std::function<void(Preferences&)>& write) {
        stats.reset();
        preferences.reset();
        preferences = SqlitePreferences::open(m_path, SqlitePreferences::Mode::readWrite).store;
        write(*preferences);
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

    TempDir dir;  // the store's own directory, unused when it was given one
    FakeClock clock;
    ManualQueue queue;
    ScriptedRandom random;
    std::unique_ptr<SqlitePreferences> preferences;
    std::unique_ptr<GameStats> stats;

  private:
    std::filesystem::path m_path;
};

// The same store as a test fixture, its members used directly by the tests.
class StoreFixture : public ::testing::Test, protected TestStore {};

}  // namespace quib::test
