#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/CommandLine.h"
#include "app/StatsCommand.h"
#include "platform/prefs/SqlitePreferences.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;
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
