#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/StatsCommand.h"
#include "cli/StatsCommandJson.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "support/CommaLocale.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;
using test::filesIn;
using test::TempDir;

std::string runStats(const fs::path& dir, bool json, int& exitCode) {
    std::ostringstream out;
    exitCode = runStatsCommand(dir, json, out);
    return out.str();
}

TEST(StatsCommandTest, MissingDatabasePrintsFreshInstallFiguresWithEveryField) {
    TempDir dir;
    int exitCode = -1;
    const std::string json = runStats(dir.path() / "absent", true, exitCode);
    EXPECT_EQ(exitCode, 0);
    for (const char* field : {"\"totalKeystrokes\": 0",
                              "\"totalClicks\": 0",
                              "\"totalXP\": 0",
                              "\"coins\": 0",
                              "\"level\": 0",
                              "\"levelTitle\": \"NOOB\"",
                              "\"progressToNextLevel\": 0",
                              "\"todayKeystrokes\": 0",
                              "\"todayClicks\": 0",
                              "\"currentStreak\": 0",
                              "\"lastActiveDate\": \"\"",
                              "\"unlockedAchievements\": []",
                              "\"unlockedCount\": 0",
                              "\"totalAchievementCount\": 28",
                              "\"activeTheme\": \"Classic\"",
                              "\"lockedKeyProfiles\": 19",
                              "\"lockedMouseProfiles\": 19",
                              "\"lockedThemes\": 6",
                              "\"unlockedTracks\": []",
                              "\"canClaimReward\": false"}) {
        EXPECT_NE(json.find(field), std::string::npos) << field;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "absent"));
}

TEST(StatsCommandTest, ReportsStoredProgressWithoutWriting) {
    TempDir dir;
    {
        auto store = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        store->setInteger("gs_totalXP", 1300);
        store->setInteger("gs_coins", 2);
        store->setStringList("gs_unlockedTracks", {"Synthwave"});
        store->setStringList("gs_unlockedAchievements", {"keys_5k"});
        store->setString("gs_activeTheme", "Blood \"red\"");
    }
    const auto file = dir.path() / "preferences.sqlite3";
    const auto sizeBefore = fs::file_size(file);
    const auto timeBefore = fs::last_write_time(file);
    int exitCode = -1;
    const std::string json = runStats(dir.path(), true, exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(json.find("\"level\": 2"), std::string::npos);
    EXPECT_NE(json.find("\"levelTitle\": \"ROOKIE\""), std::string::npos);
    EXPECT_NE(json.find("\"unlockedTracks\": [\"Synthwave\"]"), std::string::npos);
    EXPECT_NE(json.find("\"unlockedAchievements\": [\"keys_5k\"]"), std::string::npos);
    EXPECT_NE(json.find("\"canClaimReward\": true"), std::string::npos);
    EXPECT_NE(json.find("\"activeTheme\": \"Classic\""), std::string::npos)
        << "an unknown theme name reads as Classic";
    EXPECT_EQ(fs::file_size(file), sizeBefore);
    EXPECT_EQ(fs::last_write_time(file), timeBefore);

    const std::string text = runStats(dir.path(), false, exitCode);
    EXPECT_NE(text.find("LVL 2 -- ROOKIE"), std::string::npos);
}

// glibc's converter as an independent judge of well-formed UTF-8.
bool isWellFormedUtf8(std::string text) {
    iconv_t converter = iconv_open("UTF-32LE", "UTF-8");
    std::string out(text.size() * 4 + 4, '\0');
    char* in = text.data();
    char* to = out.data();
    std::size_t inLeft = text.size();
    std::size_t outLeft = out.size();
    const bool ok = iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    return ok && inLeft == 0;
}

TEST(StatsCommandTest, JsonStaysValidWhenStoredTextsAreNotUtf8) {
    TempDir dir;
    {
        auto store = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        store->setString("gs_lastActiveDate", "2026\xff-03");
        store->setStringList("gs_unlockedTracks", {"Synth\xC3", "Caf\xC3\xA9"});
        store->setStringList("gs_unlockedAchievements", {"keys\xED\xA0\x80\"\x01"});
    }
    int exitCode = -1;
    const std::string json = runStats(dir.path(), true, exitCode);
    EXPECT_TRUE(isWellFormedUtf8(json)) << json;
    EXPECT_NE(json.find("\"lastActiveDate\": \"2026\xEF\xBF\xBD-03\""), std::string::npos);
    EXPECT_NE(json.find("\"Caf\xC3\xA9\""), std::string::npos) << "good UTF-8 is kept";
    const fs::path file = dir.path() / "out.json";
    std::ofstream(file) << json;
    const std::string check =
        "jq -e '.unlockedTracks | length == 2' " + file.string() + " >/dev/null";
    EXPECT_EQ(std::system(check.c_str()), 0) << json;
}

TEST(StatsCommandTest, NumbersReadBackExactlyAndIgnoreTheLocale) {
    TempDir dir;
    SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite)
        .store->setInteger("gs_totalXP", 549);
    test::CommaLocale german;
    ASSERT_TRUE(german.active());
    SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite)
        .store->setInteger("gs_totalKeystrokes", 1234567);
    int exitCode = -1;
    const std::string json = runStats(dir.path(), true, exitCode);
    const std::string field = "\"progressToNextLevel\": ";
    const auto at = json.find(field);
    ASSERT_NE(at, std::string::npos);
    const std::string number =
        json.substr(at + field.size(), json.find(',', at) - at - field.size());
    EXPECT_EQ(number, "0.9981818181818182");
    std::istringstream reader(number);
    reader.imbue(std::locale::classic());
    double value = 0.0;
    reader >> value;
    EXPECT_EQ(value, 549.0 / 550.0) << "the same double";
    EXPECT_NE(json.find("\"totalKeystrokes\": 1234567,"), std::string::npos) << json;
    EXPECT_NE(runStats(dir.path(), false, exitCode).find("Keys      1234567 "), std::string::npos);
}

TEST(StatsJsonTest, EscapesControlsAndReplacesEachIllFormedPartOnce) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string in;
        std::string out;
    };
    for (const Case& c :
         {Case{"plain", "plain"}, Case{"\"a\\b\"", "\\\"a\\\\b\\\""},
          Case{"tab\tnl\n\x01\x7F", "tab\\tnl\\n\\u0001\\u007f"},
          Case{"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
          Case{"a\xC3", "a" + fffd},                            // cut short
          Case{"\xF0\x9F\x98z", fffd + "z"},                    // cut short
          Case{"\xC0\xAF", fffd + fffd},                        // overlong
          Case{"\xE0\x80\xAF", fffd + fffd + fffd},             // overlong
          Case{"\xED\xA0\x80", fffd + fffd + fffd},             // a surrogate
          Case{"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // past U+10FFFF
          Case{"\x80\xBF", fffd + fffd}}) {                     // lone continuations
        EXPECT_EQ(json::quoted(c.in), "\"" + c.out + "\"") << c.in;
    }
}

TEST(StatsCommandTest, CountsNotYetStoredAreShownButNeverFolded) {
    TempDir dir;
    {
        test::FakeClock clock;
        test::ManualQueue queue;
        test::ScriptedRandom random;
        auto store = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        GameStats stats(*store, queue, clock, random);
        stats.recordKeystroke();
        stats.flushNow();
        for (int i = 0; i < 3; ++i) {
            stats.recordKeystroke();
            clock.advance(0.5);
        }
        stats.recordClick();
    }  // the run ends without flushing, as a killed one does
    const auto journal = dir.path() / "pending.journal";
    const auto file = dir.path() / "preferences.sqlite3";
    const auto journalTime = fs::last_write_time(journal);
    const auto fileSize = fs::file_size(file);
    int exitCode = -1;
    const std::string text = runStats(dir.path(), false, exitCode);
    EXPECT_NE(text.find("Keys      1 "), std::string::npos) << text;
    EXPECT_NE(text.find("Pending   3 keys, 1 click "), std::string::npos) << text;
    const std::string json = runStats(dir.path(), true, exitCode);
    EXPECT_NE(json.find("\"totalKeystrokes\": 1,"), std::string::npos) << "the store's figures";
    EXPECT_EQ(fs::last_write_time(journal), journalTime);
    EXPECT_EQ(fs::file_size(file), fileSize);
    EXPECT_NE(runStats(dir.path(), false, exitCode).find("Pending   3 keys"), std::string::npos)
        << "still pending: nothing was folded";
}

TEST(StatsCommandTest, UnreadableDatabaseExitsOne) {
    TempDir dir;
    std::ofstream(dir.path() / "preferences.sqlite3") << std::string(1000, '?');
    int exitCode = -1;
    testing::internal::CaptureStderr();
    runStats(dir.path(), true, exitCode);
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(error.rfind("[QUIB] ", 0), 0u) << error;
    EXPECT_TRUE(fs::exists(dir.path() / "preferences.sqlite3")) << "nothing is moved or deleted";
}

void storeXP(const fs::path& dir, std::int64_t xp) {
    SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite)
        .store->setInteger("gs_totalXP", xp);
}

// `quib stats --json` in a child process, stderr to `log`: a command that
// hangs is ended by an alarm instead of hanging the test. Returns the exit
// status, or -1 when the child did not exit by itself.
int statsInChild(
    const fs::path& dir, bool json, const fs::path& log,
    const std::function<void()>& setUp = [] {}) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(30);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(fd, STDERR_FILENO);
        setUp();
        std::ostringstream out;
        const int code = runStatsCommand(dir, json, out);
        _exit(code == 0 && out.str().find("LVL 2") == std::string::npos &&
                      out.str().find("\"level\": 2") == std::string::npos
                  ? 3
                  : code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Beside a live QUIB, beside a program that holds the file exclusively, and
// through a link to a store in another folder: nothing appears or goes, in
// either folder.
TEST(StatsCommandTest, ReadsWithoutCreatingOrLeavingAnyFile) {
    for (const char* holder :
         {"", "SELECT count(*) FROM preferences",
          "PRAGMA locking_mode = EXCLUSIVE; INSERT INTO preferences VALUES ('k', 'integer', 1)"}) {
        TempDir dir;
        const fs::path real = dir.path() / "elsewhere";
        const fs::path home = dir.path() / "home";
        storeXP(real, 1300);
        fs::create_directories(home);
        fs::create_symlink(real / "preferences.sqlite3", home / "preferences.sqlite3");
        sqlite3* other = nullptr;
        if (*holder != '\0') {
            sqlite3_open((real / "preferences.sqlite3").c_str(), &other);
            ASSERT_EQ(sqlite3_exec(other, holder, nullptr, nullptr, nullptr), SQLITE_OK) << holder;
        }
        const auto homeBefore = filesIn(home);
        const auto realBefore = filesIn(real);
        int exitCode = -1;
        const std::string json = runStats(home, true, exitCode);
        EXPECT_EQ(exitCode, 0) << holder;
        EXPECT_NE(json.find("\"level\": 2"), std::string::npos) << holder << json;
        EXPECT_EQ(filesIn(home), homeBefore) << holder;
        EXPECT_EQ(filesIn(real), realBefore) << holder;
        sqlite3_close(other);
    }
}

TEST(StatsCommandTest, FolderNamesAreTakenLiterallyNotAsUriSyntax) {
    for (const char* name : {"a%41", "what?mode=rwc", "hash#tag"}) {
        TempDir dir;
        storeXP(dir.path() / name, 1300);
        storeXP(dir.path() / "aA", 5);  // where "%41" would lead
        int exitCode = -1;
        const std::string json = runStats(dir.path() / name, true, exitCode);
        EXPECT_EQ(exitCode, 0) << name;
        EXPECT_NE(json.find("\"level\": 2"), std::string::npos) << name << json;
    }
}

TEST(StatsCommandTest, AJournalThatIsNotAFileIsSkippedNotWaitedFor) {
    TempDir dir;
    storeXP(dir.path(), 1300);
    ASSERT_EQ(mkfifo((dir.path() / "pending.journal").c_str(), 0600), 0);
    const fs::path log = dir.path() / "stderr";
    EXPECT_EQ(statsInChild(dir.path(), false, log), 0) << "a child that hangs is ended";
    std::ifstream in(log);
    const std::string error((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(error.find("[QUIB] Skipped the journal, which is not a regular file"),
              std::string::npos)
        << error;
}

// As a user who may read the store but not write its folder (as root, the
// child becomes nobody, for whom the folder is not writable).
TEST(StatsCommandTest, WorksInAFolderTheUserCannotWrite) {
    TempDir dir;
    const fs::path home = dir.path() / "home";
    storeXP(home, 1300);
    const bool root = getuid() == 0;
    const uid_t nobody = 65534;
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(home, fs::perms(0555));
    if (root) {
        ASSERT_EQ(chown((home / "preferences.sqlite3").c_str(), nobody, nobody), 0);
    }
    const auto before = filesIn(home);
    const int status = statsInChild(home, true, dir.path() / "stderr", [&] {
        if (root && (setgid(nobody) != 0 || setuid(nobody) != 0)) {
            _exit(4);
        }
    });
    fs::permissions(home, fs::perms(0700));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(filesIn(home), before);
}

TEST(CommandLineTest, ParsesCommandsAndOptions) {
    auto line = CommandLine::parse({"stats", "--json", "--home", "/tmp/q"});
    EXPECT_EQ(line.command, CommandLine::Command::stats);
    EXPECT_TRUE(line.json);
    EXPECT_EQ(line.home, fs::path("/tmp/q"));
    line = CommandLine::parse({"--input=x11", "--input-device", "/a", "--input-device=/b"});
    EXPECT_EQ(line.command, CommandLine::Command::run);
    EXPECT_EQ(line.input, "x11");
    EXPECT_EQ(line.inputDevices, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(line.error.empty());
    EXPECT_EQ(CommandLine::parse({"--version"}).command, CommandLine::Command::version);
}

TEST(CommandLineTest, RejectsWhatItDoesNotUnderstand) {
    EXPECT_FALSE(CommandLine::parse({"--input", "wayland"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"--home"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"--json"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"frobnicate"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"--autostart", "yes"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"--autostart"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"stats", "--autostart", "on"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"--autostart", "on", "--json"}).error.empty());
}

}  // namespace
}  // namespace quib
