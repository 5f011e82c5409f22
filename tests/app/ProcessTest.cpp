// The real executable in a child process, without any display server: input
// arrives through a FIFO read as an event device, and the process is stopped
// with a signal, as a logout or `kill` would.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/prefs/PendingJournal.h"
#include "support/QuibProcess.h"
#include "support/TempDir.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

class ProcessTest : public ::testing::Test {
  protected:
    TempDir dir;
    QuibHome where{dir.path()};
};

TEST_F(ProcessTest, SigtermFlushesWhatWasCountedAndExitsCleanly) {
    QuibProcess quib(QUIB_EXECUTABLE, where);
    KeyFifo keys(where.fifo);
    ASSERT_TRUE(keys.open()) << readText(where.log);
    for (int i = 0; i < 23; ++i) {
        ASSERT_TRUE(keys.press());
    }
    // Counted (well inside the 5-second flush period), not yet stored.
    ASSERT_TRUE(waitUntil([&] {
        const auto page = PendingJournal::peek(where.home);
        return page && page->keyCount() == 23;
    })) << readText(where.log);
    const int status = quib.stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status)) << readText(where.log);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string json = statsJson(QUIB_EXECUTABLE, where.home);
    EXPECT_EQ(statsField(json, "totalKeystrokes"), 23) << json << readText(where.log);
    EXPECT_EQ(statsField(json, "todayKeystrokes"), 23);
    EXPECT_NE(readText(where.log).find("[QUIB] No system tray found"), std::string::npos);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    EXPECT_TRUE(fs::exists(where.home / ("preferences.sqlite3.backup-" + std::string(day))))
        << "the running program takes its daily backup";
}

TEST_F(ProcessTest, SecondInstanceHandsOverAndExitsZero) {
    QuibProcess first(QUIB_EXECUTABLE, where);
    ASSERT_TRUE(waitUntil([&] {
        return readText(where.log).find("No system tray") != std::string::npos;
    })) << readText(where.log);
    const fs::path secondLog = dir.path() / "second.log";
    const std::string command =
        "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + where.runtime.string() +
        " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus " + QUIB_EXECUTABLE + " --home " +
        where.home.string() + " > " + secondLog.string() + " 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readText(secondLog).find("already running"), std::string::npos)
        << readText(secondLog);
    first.stop(SIGINT);
}

TEST_F(ProcessTest, TheMuteChordWorksOnTheEvdevFeedAndIsCounted) {
    QuibProcess quib(QUIB_EXECUTABLE, where);
    KeyFifo keys(where.fifo);
    ASSERT_TRUE(keys.open()) << readText(where.log);
    ASSERT_TRUE(keys.press(KEY_SCROLLLOCK));
    ASSERT_TRUE(keys.press(KEY_SCROLLLOCK));
    ASSERT_TRUE(waitUntil([&] {
        return readText(where.log).find("[QUIB] Mute chord: clicks muted") != std::string::npos;
    })) << readText(where.log);
    EXPECT_EQ(quib.stop(SIGTERM), 0);
    const std::string json = statsJson(QUIB_EXECUTABLE, where.home);
    EXPECT_EQ(statsField(json, "totalKeystrokes"), 2) << json;
    auto store = SqlitePreferences::open(where.home, SqlitePreferences::Mode::readOnly).store;
    EXPECT_EQ(store->stringValue("keyProfile"), "off") << "muted as the panel's speaker does";
}

}  // namespace
}  // namespace quib::test
