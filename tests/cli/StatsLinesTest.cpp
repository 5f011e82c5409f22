// The status-bar forms of `quib stats`: --days, --format and --watch.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/StatsDaysCommand.h"
#include "cli/StatsLineCommand.h"
#include "cli/StatsTemplate.h"
#include "platform/Clock.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/CalendarDays.h"
#include "progression/StoreKeys.h"
#include "support/QuibProcess.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

StatsTemplate parsed(std::string_view text) {
    std::string error;
    auto line = StatsTemplate::parse(text, error);
    EXPECT_TRUE(line) << text << ": " << error;
    return line.value_or(*StatsTemplate::parse("", error));
}

std::string today() {
    return SystemClock().today();
}

TEST(StatsLinesTest, CommandLineTakesTheStatsFormsAndRefusesWhatDoesNotMix) {
    struct Case {
        std::vector<std::string> arguments;
        const char* error;  // a part of the message; empty: accepted
    };
    const std::vector<Case> cases{
        {{"stats", "--days", "30", "--json"}, ""},
        {{"stats", "--days=7"}, ""},
        {{"stats", "--format", "{level}", "--watch"}, ""},
        {{"stats", "--watch"}, ""},
        {{"stats", "--days", "0"}, "--days takes a whole number from 1 to 3660"},
        {{"stats", "--days", "3661"}, "not '3661'"},
        {{"stats", "--days", "7d"}, "not '7d'"},
        {{"stats", "--days", "99999999999999"}, "--days takes"},
        {{"stats", "--days", "7", "--watch"}, "does not go with --format or --watch"},
        {{"stats", "--format", "x", "--json"}, "--json does not go with them"},
        {{"--watch"}, "belong to the stats command"},
        {{"get", "--days", "3"}, "belong to the stats command"},
        {{"--json"}, "--json belongs to the stats, get and packs commands"},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::parse(c.arguments);
        if (*c.error == '\0') {
            EXPECT_EQ(line.error, "") << c.arguments[1];
        } else {
            EXPECT_NE(line.error.find(c.error), std::string::npos) << line.error;
        }
    }
    EXPECT_EQ(CommandLine::parse({"stats", "--days", "30"}).days, 30);
    EXPECT_EQ(CommandLine::parse({"stats", "--format", "{coins}"}).format, "{coins}");
}

TEST(StatsLinesTest, TemplatesRenderNamedFieldsAndBracesAndRefuseUnknownOnes) {
    const StatsFields fields{{"level", "7"}, {"levelTitle", "TYPIST"}, {"coins", "3"}};
    struct Case {
        const char* text;
        const char* line;
    };
    for (const Case& c :
         {Case{"LVL {level} {levelTitle}", "LVL 7 TYPIST"},
          Case{"{{\"text\": \"{coins}\"}}", "{\"text\": \"3\"}"}, Case{"plain", "plain"},
          Case{"", ""}, Case{"{level}{level}", "77"}, Case{"{wpm} wpm", " wpm"}}) {
        EXPECT_EQ(parsed(c.text).render(fields), c.line) << c.text;
    }
    for (const char* bad : {"{lvl}", "{level", "level}", "{}", "{ level}"}) {
        std::string error;
        EXPECT_FALSE(StatsTemplate::parse(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    StatsTemplate::parse("{nope}", error);
    EXPECT_NE(error.find("todayKeystrokes"), std::string::npos) << "names the fields: " << error;
}

class StatsStoreTest : public ::testing::Test {
  protected:
    std::unique_ptr<SqlitePreferences> openStore() {
        return SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
    }
    TempDir dir;
};

TEST_F(StatsStoreTest, FormatPrintsEveryFieldOfTheStore) {
    {
        auto store = openStore();
        store->setInteger(keys::totalXP, 550 + 300);  // level 1, 300 of the 700 to level 2
        store->setInteger(keys::coins, 4);
        store->setInteger(keys::currentStreak, 3);
        store->setString(keys::lastActiveDate, today());
        store->setInteger(keys::typingSpeed, 72);
        store->setInteger(keys::totalKeystrokes, 5000);
        store->setInteger(keys::totalClicks, 60);
        store->setInteger(keys::daily(today(), "keys"), 1840);
        store->setInteger(keys::daily(today(), "clicks"), 312);
    }
    std::string all;
    for (std::string_view name : statsFieldNames()) {
        all.append(name).append("={").append(name).append("};");
    }
    std::ostringstream out;
    EXPECT_EQ(runStatsFormatCommand(dir.path(), parsed(all), out), 0);
    EXPECT_EQ(out.str(),
              "todayKeystrokes=1840;todayClicks=312;totalKeystrokes=5000;totalClicks=60;level=1;"
              "levelTitle=ROOKIE;totalXP=850;xpToNextLevel=400;progressPercent=42;"
              "currentStreak=3;wpm=72;coins=4;\n");
}

TEST_F(StatsStoreTest, SpeedFromAnEarlierDayReadsZero) {
    {
        auto store = openStore();
        store->setString(keys::lastActiveDate, "2001-01-01");
        store->setInteger(keys::typingSpeed, 72);
    }
    EXPECT_EQ(readStatsLine(dir.path(), parsed("{wpm}")), "0");
}

TEST_F(StatsStoreTest, DaysPrintsTheSeriesAsATableOrJson) {
    const std::int64_t now = calendar::parseDay(today()).value();
    {
        auto store = openStore();
        store->setInteger(keys::daily(calendar::formatDay(now), "keys"), 12);
        store->setInteger(keys::daily(calendar::formatDay(now - 2), "clicks"), 5);
    }
    std::ostringstream json;
    EXPECT_EQ(runStatsDaysCommand(dir.path(), 3, true, json), 0);
    const std::string day = calendar::formatDay(now);
    EXPECT_EQ(json.str(), "[\n  {\"day\": \"" + calendar::formatDay(now - 2) +
                              "\", \"keys\": 0, \"clicks\": 5},\n  {\"day\": \"" +
                              calendar::formatDay(now - 1) +
                              "\", \"keys\": 0, \"clicks\": 0},\n  {\"day\": \"" + day +
                              "\", \"keys\": 12, \"clicks\": 0}\n]\n");
    std::ostringstream text;
    EXPECT_EQ(runStatsDaysCommand(dir.path(), 1, false, text), 0);
    EXPECT_EQ(text.str(),
              "DAY               KEYS      CLICKS\n" + day + "          12           0\n");
    EXPECT_FALSE(fs::exists(dir.path() / "preferences.sqlite3-journal"));
}

// The watch in a thread of its own, its lines collected as they come. It
// ends at the first line after stop(), which `nudge` brings about by
// changing a figure the template shows.
class Watch {
  public:
    Watch(const fs::path& directory, std::string_view text, std::function<void()> nudge)
        : m_template(parsed(text)), m_nudge(std::move(nudge)), m_thread([this, directory] {
              runStatsWatch(directory, m_template, [this](const std::string& line) {
                  std::lock_guard lock(m_mutex);
                  m_lines.push_back(line);
                  return !m_stop;
              });
          }) {}
    ~Watch() {
        m_stop = true;
        m_nudge();
        m_thread.join();
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    bool shows(const std::vector<std::string>& expected) {
        return test::waitFor([&] { return lines() == expected; });
    }

  private:
    StatsTemplate m_template;
    std::function<void()> m_nudge;
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST_F(StatsStoreTest, WatchPrintsALineWhenAFigureChangesAndNotForOtherFiles) {
    auto store = openStore();
    store->setInteger(keys::coins, 1);
    auto watch = std::make_unique<Watch>(dir.path(), "coins {coins}",
                                         [&] { store->setInteger(keys::coins, 99); });
    ASSERT_TRUE(watch->shows({"coins 1"}));
    std::ofstream(dir.path() / "unrelated.txt") << "x";
    store->setInteger(keys::totalKeystrokes, 5);  // a change that prints the same line
    store->setInteger(keys::coins, 2);
    ASSERT_TRUE(watch->shows({"coins 1", "coins 2"}));
    store->setInteger(keys::coins, 3);
    store->setInteger(keys::coins, 4);  // within the same second: one line, the last figures
    EXPECT_TRUE(watch->shows({"coins 1", "coins 2", "coins 4"}));
}

TEST_F(StatsStoreTest, WatchWaitsForADataFolderThatDoesNotExistYet) {
    const fs::path later = dir.path() / "not" / "yet";
    std::unique_ptr<SqlitePreferences> store;
    Watch watch(later, "LVL {level}", [&] { store->setInteger(keys::totalXP, 5000); });
    ASSERT_TRUE(watch.shows({"LVL 0"}));
    store = SqlitePreferences::open(later, SqlitePreferences::Mode::readWrite).store;
    store->setInteger(keys::totalXP, 600);
    EXPECT_TRUE(watch.shows({"LVL 0", "LVL 1"}));
}

}  // namespace
}  // namespace quib
