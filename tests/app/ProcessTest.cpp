// The real executable in a child process, without any display server: input
// arrives through a FIFO read as an event device, and the process is stopped
// with a signal, as a logout or `kill` would.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <cstdlib>
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
    ASSERT_TRUE(waitFor([&] {
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

// Runs another QUIB to its end (one that keeps running is stopped after 30
// seconds: status 124); its exit status, and its output in `log`.
int runAnother(const fs::path& home, const fs::path& runtime, const fs::path& log) {
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + runtime.string() +
                                " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus timeout 30 " +
                                QUIB_EXECUTABLE + " --home '" + home.string() + "' > " +
                                log.string() + " 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

// However the second names the folder, and whatever its runtime directory
// (which only the data folder's own lock can see through), it hands over.
TEST_F(ProcessTest, ASecondInstanceOfTheSameFolderHandsOverHoweverItGetsThere) {
    QuibProcess first(QUIB_EXECUTABLE, where);
    ASSERT_TRUE(waitFor([&] {
        return readText(where.log).find("No system tray") != std::string::npos;
    })) << readText(where.log);
    fs::create_symlink(where.home, dir.path() / "link");
    const fs::path otherRuntime = dir.path() / "run-elsewhere";
    fs::create_directories(otherRuntime);
    fs::permissions(otherRuntime, fs::perms::owner_all);
    const struct {
        const char* what;
        fs::path home;
        fs::path runtime;
    } cases[] = {
        {"the same spelling", where.home, where.runtime},
        {"a trailing slash", where.home.string() + "/", where.runtime},
        {"a detour through ..", where.home / ".." / "home", where.runtime},
        {"a symbolic link", dir.path() / "link", where.runtime},
        {"another runtime directory", dir.path() / "link", otherRuntime},
    };
    const fs::path log = dir.path() / "second.log";
    for (const auto& c : cases) {
        EXPECT_EQ(runAnother(c.home, c.runtime, log), 0) << c.what << ": " << readText(log);
        EXPECT_NE(readText(log).find("already running"), std::string::npos) << c.what;
    }
    first.stop(SIGINT);
}

TEST_F(ProcessTest, AFolderHeldByAnUnreachableInstanceStopsTheSecondBeforeItsFiles) {
    const int held = open((where.home / "instance.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const fs::path log = dir.path() / "second.log";
    EXPECT_EQ(runAnother(where.home, where.runtime, log), 1) << readText(log);
    EXPECT_NE(readText(log).find("[QUIB] Another QUIB is already counting in this data folder"),
              std::string::npos)
        << readText(log);
    EXPECT_FALSE(fs::exists(where.home / "pending.journal")) << "the journal was never mapped";
    close(held);
}

TEST_F(ProcessTest, TheMuteChordWorksOnTheEvdevFeedAndIsCounted) {
    QuibProcess quib(QUIB_EXECUTABLE, where);
    KeyFifo keys(where.fifo);
    ASSERT_TRUE(keys.open()) << readText(where.log);
    ASSERT_TRUE(keys.press(KEY_SCROLLLOCK));
    ASSERT_TRUE(keys.press(KEY_SCROLLLOCK));
    ASSERT_TRUE(waitFor([&] {
        return readText(where.log).find("[QUIB] Mute chord: clicks muted") != std::string::npos;
    })) << readText(where.log);
    EXPECT_EQ(quib.stop(SIGTERM), 0);
    const std::string json = statsJson(QUIB_EXECUTABLE, where.home);
    EXPECT_EQ(statsField(json, "totalKeystrokes"), 2) << json;
    auto store = SqlitePreferences::open(where.home, SqlitePreferences::Mode::readOnly).store;
    EXPECT_EQ(store->stringValue("keyProfile"), "off") << "muted as the panel's speaker does";
}

// Without a display the tray program says in one line what is missing and
// exits with status 1, where Qt would abort.
TEST_F(ProcessTest, WithoutADisplayOneLineSaysWhatIsMissing) {
    const struct {
        const char* environment;
        const char* missing;
    } cases[] = {
        {"", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"DISPLAY=:999", "no X server answers at DISPLAY=:999"},
        {"WAYLAND_DISPLAY=wayland-none",
         "no Wayland compositor answers at WAYLAND_DISPLAY=wayland-none"},
        {"QT_QPA_PLATFORM=xcb", "DISPLAY is not set"},
    };
    const fs::path log = dir.path() / "no-display.log";
    for (const auto& start : cases) {
        const std::string command =
            "env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u QT_QPA_PLATFORM "
            "XDG_RUNTIME_DIR=" +
            where.runtime.string() + " " + start.environment + " " + QUIB_EXECUTABLE + " --home " +
            where.home.string() + " > " + log.string() + " 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << start.environment << ": " << readText(log);
        EXPECT_EQ(WEXITSTATUS(status), 1) << start.environment;
        EXPECT_EQ(readText(log), "[QUIB] No display: " + std::string(start.missing) +
                                     ". The tray program needs a graphical session; `quib stats` "
                                     "works without one.\n");
    }
}

}  // namespace
}  // namespace quib::test
