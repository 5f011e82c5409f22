// The real executable in a child process, without any display server: input
// arrives through a FIFO read as an event device, and the process is stopped
// with a signal, as a logout or `kill` would.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>

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

// `quib WORDS --home HOME` with the runtime and temporary folders of `where`:
// its exit status, and its output in `log`.
int runCommand(const std::string& words, const QuibHome& where, const fs::path& log) {
    const std::string command =
        "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + where.runtime.string() +
        " TMPDIR=" + where.runtime.parent_path().string() +
        " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus timeout 30 " + QUIB_EXECUTABLE + " " +
        words + " --home '" + where.home.string() + "' > " + log.string() + " 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// What another user can plant in a runtime folder everyone may write to: the
// instance lock of this data folder, held, and a socket that takes requests.
struct PlantedInstance {
    explicit PlantedInstance(const QuibHome& where) {
        const std::string key = fs::canonical(where.home).string();
        FILE* hash = popen(("printf '%s' '" + key + "' | sha256sum").c_str(), "r");
        char digest[65] = {};
        const bool read = hash != nullptr && fgets(digest, sizeof digest, hash) != nullptr;
        if (hash != nullptr) {
            pclose(hash);
        }
        const fs::path base = where.runtime / ("quib-" + std::string(digest, read ? 12 : 0));
        lock = open((base.string() + ".lock").c_str(), O_RDWR | O_CREAT, 0666);
        flock(lock, LOCK_EX);
        socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = base.string() + ".socket";
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(socket, 8);
    }
    ~PlantedInstance() {
        close(socket);
        close(lock);
    }
    int connections() const {
        int accepted = 0;
        for (int client = accept(socket, nullptr, nullptr); client >= 0;
             client = accept(socket, nullptr, nullptr)) {
            close(client);
            ++accepted;
        }
        return accepted;
    }
    int lock = -1;
    int socket = -1;
};

// $TMPDIR set while it lives.
class TemporaryFolderIs {
  public:
    explicit TemporaryFolderIs(const fs::path& folder) {
        const char* value = std::getenv("TMPDIR");
        m_saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderIs() { m_saved ? setenv("TMPDIR", m_saved->c_str(), 1) : unsetenv("TMPDIR"); }
    TemporaryFolderIs(const TemporaryFolderIs&) = delete;
    TemporaryFolderIs& operator=(const TemporaryFolderIs&) = delete;

  private:
    std::optional<std::string> m_saved;
};

// Data folders and runtime folders that are not what QUIB would have made,
// against every command and the tray: nothing outside QUIB's own files
// changes, the read-only commands agree with the tray, and the tray counts.
TEST_F(ProcessTest, HostileFoldersAgainstEveryCommandAndTheTray) {
    enum class Shape { storeLinkedOutside, otherFiles, openRuntime, longList, emptyStore };
    const struct {
        Shape shape;
        const char* what;
        int stats, get;  // exit statuses before the tray's first start
    } rows[] = {
        {Shape::storeLinkedOutside, "a store linked to a file outside", 1, 1},
        {Shape::otherFiles, "a folder holding other files", 0, 0},
        {Shape::openRuntime, "a runtime folder 0777", 0, 0},
        {Shape::longList, "a 100,000-name list", 0, 0},
        {Shape::emptyStore, "a 0-byte store", 0, 0},
    };
    const fs::path log = dir.path() / "command.log";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir root;
        // The tray's private runtime folder, where it needs one, is here too.
        const TemporaryFolderIs temporary(root.path());
        QuibHome place(root.path());
        const fs::path store = place.home / "preferences.sqlite3";
        const fs::path outside = root.path() / "passwd";
        std::ofstream(outside) << "root:x:0:0:root:/root:/bin/bash\n";
        fs::permissions(outside, fs::perms(0644));
        std::unique_ptr<PlantedInstance> planted;
        switch (row.shape) {
            case Shape::storeLinkedOutside:
                fs::remove(store);
                fs::create_symlink(outside, store);
                break;
            case Shape::otherFiles:
                fs::create_directories(place.home / "public_html");
                std::ofstream(place.home / "public_html" / "index.html") << "<p>hi</p>";
                fs::permissions(place.home / "public_html", fs::perms(0755));
                fs::permissions(place.home / "public_html" / "index.html", fs::perms(0644));
                fs::permissions(place.home, fs::perms(0755));
                fs::permissions(store, fs::perms(0644));
                break;
            case Shape::openRuntime:
                fs::permissions(place.runtime, fs::perms(0777));
                planted = std::make_unique<PlantedInstance>(place);
                break;
            case Shape::longList: {
                std::vector<std::string> names;
                for (int i = 0; i < 100000; ++i) {
                    names.push_back("app" + std::to_string(i));
                }
                SqlitePreferences::open(place.home, SqlitePreferences::Mode::readWrite)
                    .store->setStringList("muteInApps", names);
                break;
            }
            case Shape::emptyStore:
                fs::remove(store);
                fs::remove(store.string() + "-wal");
                fs::remove(store.string() + "-shm");
                std::ofstream(store) << "";
                break;
        }

        EXPECT_EQ(runCommand("stats --json", place, log), row.stats) << readText(log);
        if (row.stats == 0) {
            EXPECT_EQ(statsField(readText(log), "totalKeystrokes"), 0) << readText(log);
        }
        EXPECT_EQ(runCommand("get", place, log), row.get) << readText(log);
        if (row.shape == Shape::emptyStore) {
            EXPECT_EQ(fs::file_size(store), 0u) << "the read-only commands write nothing";
        }
        if (row.shape == Shape::longList) {
            EXPECT_NE(readText(log).find("[QUIB] Using 256 of the 100000 stored names"),
                      std::string::npos)
                << readText(log);
        }
        EXPECT_EQ(runCommand("set stereo-width 0.5", place, log), 0) << readText(log);
        if (row.shape == Shape::otherFiles) {
            EXPECT_NE(readText(log).find("holds files that are not QUIB's (such as public_html), "
                                         "so it is left as it is; to make it private, run chmod "
                                         "700"),
                      std::string::npos)
                << readText(log);
        }
        SqlitePreferences::open(place.home, SqlitePreferences::Mode::readWrite)
            .store->setBool("onboardingComplete", true);

        // The tray: it starts (no other instance is its own), counts and
        // stops at once on SIGTERM.
        {
            QuibProcess tray(QUIB_EXECUTABLE, place);
            KeyFifo keys(place.fifo);
            ASSERT_TRUE(keys.open()) << readText(place.log);
            ASSERT_TRUE(keys.press()) << readText(place.log);
            ASSERT_TRUE(waitFor([&] {
                const auto page = PendingJournal::peek(place.home);
                return page && page->keyCount() == 1;
            })) << readText(place.log);
            EXPECT_EQ(tray.stop(SIGTERM), 0) << readText(place.log);
        }
        EXPECT_EQ(readText(place.log).find("already running"), std::string::npos)
            << readText(place.log);
        EXPECT_EQ(statsField(statsJson(QUIB_EXECUTABLE, place.home), "totalKeystrokes"), 1);

        EXPECT_EQ(readText(outside), "root:x:0:0:root:/root:/bin/bash\n");
        EXPECT_EQ(modeOf(outside), 0644u) << "nothing outside the data folder changes";
        if (row.shape == Shape::otherFiles) {
            EXPECT_EQ(modeOf(place.home), 0755u);
            EXPECT_EQ(modeOf(place.home / "public_html"), 0755u);
            EXPECT_EQ(modeOf(place.home / "public_html" / "index.html"), 0644u);
            EXPECT_EQ(modeOf(store), 0600u);
        }
        if (planted) {
            EXPECT_EQ(planted->connections(), 0) << "no request reached the planted socket";
        }
    }
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
