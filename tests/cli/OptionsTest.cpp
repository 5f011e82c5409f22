#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/OptionsCommand.h"
#include "options/Options.h"
#include "platform/prefs/SqlitePreferences.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome run(const std::function<int(std::ostream&)>& command) {
    Outcome outcome;
    std::ostringstream out;
    testing::internal::CaptureStderr();
    outcome.status = command(out);
    outcome.err = testing::internal::GetCapturedStderr();
    outcome.out = out.str();
    return outcome;
}

Outcome set(const fs::path& home, std::vector<std::string> operands) {
    return run([&](std::ostream& out) { return runSetCommand(home, operands, out); });
}

Outcome get(const fs::path& home, std::vector<std::string> operands, bool json = false) {
    return run([&](std::ostream& out) { return runGetCommand(home, operands, json, out); });
}

TEST(OptionsTest, EveryRowHasAUniqueNameAndKeyAndAValidDefault) {
    std::set<std::string_view> names;
    std::set<std::string_view> keys;
    for (const OptionDefinition& definition : allOptions()) {
        EXPECT_TRUE(names.insert(definition.name).second) << definition.name;
        EXPECT_TRUE(keys.insert(definition.storedKey).second) << definition.storedKey;
        std::string error;
        EXPECT_TRUE(parseOptionValue(definition, definition.defaultValue, error))
            << definition.name << ": " << error;
    }
    EXPECT_TRUE(findOption(option::releaseSounds));
    EXPECT_TRUE(findOption(option::stereoWidth));
}

TEST(OptionsTest, ValuesAreParsedStrictlyAndFormattedBack) {
    struct Case {
        std::string_view name;
        std::string_view text;
        std::optional<std::string> shown;  // nullopt: refused
    };
    const Case cases[] = {
        {option::releaseSounds, "on", "on"},      {option::releaseSounds, "off", "off"},
        {option::releaseSounds, "On", {}},        {option::releaseSounds, "yes", {}},
        {option::releaseSounds, "", {}},          {option::stereoWidth, "0", "0"},
        {option::stereoWidth, "0.25", "0.25"},    {option::stereoWidth, "1", "1"},
        {option::stereoWidth, "1.01", {}},        {option::stereoWidth, "-0.1", {}},
        {option::stereoWidth, "0,5", {}},         {option::stereoWidth, "0.5x", {}},
        {option::stereoWidth, "nan", {}},         {option::stereoWidth, "", {}},
        {option::packLoudness, "match", "match"}, {option::packLoudness, "original", "original"},
        {option::packLoudness, "Match", {}},      {option::packLoudness, "loud", {}},
    };
    for (const Case& c : cases) {
        std::string error;
        const OptionDefinition& definition = *findOption(c.name);
        const auto value = parseOptionValue(definition, c.text, error);
        ASSERT_EQ(value.has_value(), c.shown.has_value()) << c.name << " '" << c.text << "'";
        if (value) {
            EXPECT_EQ(formatOptionValue(definition, *value), *c.shown);
        } else {
            EXPECT_NE(error.find(definition.allowedValues()), std::string::npos) << error;
        }
    }
}

TEST(OptionsTest, StoredValuesOfTheWrongTypeOrRangeReadAsTheDefault) {
    auto store = SqlitePreferences::inMemory();
    const OptionDefinition& width = *findOption(option::stereoWidth);
    EXPECT_EQ(numberOption(*store, option::stereoWidth), 0.4);
    store->setFloat(width.storedKey, 0.7);
    EXPECT_EQ(numberOption(*store, option::stereoWidth), 0.7);
    testing::internal::CaptureStderr();
    store->setFloat(width.storedKey, 7.0);
    EXPECT_EQ(numberOption(*store, option::stereoWidth), 0.4);
    store->setString(width.storedKey, "wide");
    EXPECT_EQ(numberOption(*store, option::stereoWidth), 0.4);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("[QUIB] "), std::string::npos);
    EXPECT_TRUE(onOffOption(*store, option::releaseSounds));
}

TEST(OptionsCommandTest, SetStoresWhatGetThenPrints) {
    TempDir home;
    EXPECT_EQ(get(home.path(), {option::releaseSounds.data()}).out, "on\n");
    EXPECT_FALSE(fs::exists(home.path() / "preferences.sqlite3")) << "get writes nothing";
    const Outcome changed = set(home.path(), {"release-sounds", "off"});
    EXPECT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(set(home.path(), {"stereo-width", "0.15"}).status, 0);
    EXPECT_EQ(get(home.path(), {"release-sounds"}).out, "off\n");
    EXPECT_EQ(get(home.path(), {"stereo-width"}).out, "0.15\n");
    const std::string all = get(home.path(), {}).out;
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), std::ssize(allOptions())) << all;
    EXPECT_EQ(all.rfind("release-sounds ", 0), 0U) << "a line per option, by name";

    const Outcome json = get(home.path(), {}, true);
    const auto rows = nlohmann::json::parse(json.out);
    ASSERT_EQ(rows.size(), allOptions().size());
    EXPECT_EQ(rows[0]["name"], "release-sounds");
    EXPECT_EQ(rows[0]["value"], "off");
    EXPECT_EQ(rows[0]["default"], "on");
    EXPECT_EQ(rows[0]["available"], true);
    EXPECT_EQ(rows[1]["value"], 0.15);
    EXPECT_EQ(nlohmann::json::parse(get(home.path(), {"stereo-width"}, true).out)["value"], 0.15);
}

TEST(OptionsCommandTest, WrongNamesValuesAndCountsExitOneAndChangeNothing) {
    TempDir home;
    ASSERT_EQ(set(home.path(), {"stereo-width", "0.3"}).status, 0);
    const std::vector<std::vector<std::string>> wrong = {
        {"stereo-width", "2"},
        {"stereo-width", "wide"},
        {"release-sound", "on"},
        {"release-sounds"},
        {},
        {"release-sounds", "off", "now"},
    };
    for (const auto& operands : wrong) {
        const Outcome outcome = set(home.path(), operands);
        EXPECT_EQ(outcome.status, 1) << testing::PrintToString(operands);
        EXPECT_EQ(outcome.err.rfind("[QUIB] ", 0), 0u) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
    EXPECT_EQ(get(home.path(), {"release-sounds"}).out, "on\n");
    EXPECT_EQ(get(home.path(), {"stereo-width"}).out, "0.3\n");
    const Outcome unknown = get(home.path(), {"volume"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("release-sounds"), std::string::npos) << "names the options";
    EXPECT_EQ(get(home.path(), {"a", "b"}).status, 1);
}

TEST(OptionsCommandTest, CommandLineHandsTheWordsToTheCommand) {
    auto line = CommandLine::parse({"set", "stereo-width", "0.5", "--home", "/tmp/q"});
    EXPECT_EQ(line.command, CommandLine::Command::set);
    EXPECT_EQ(line.operands, (std::vector<std::string>{"stereo-width", "0.5"}));
    EXPECT_EQ(line.home, fs::path("/tmp/q"));
    line = CommandLine::parse({"get", "--json"});
    EXPECT_EQ(line.command, CommandLine::Command::get);
    EXPECT_TRUE(line.json && line.operands.empty() && line.error.empty());
    EXPECT_FALSE(CommandLine::parse({"set", "a", "b", "--json"}).error.empty());
    EXPECT_FALSE(CommandLine::parse({"stats", "extra"}).error.empty());
}

}  // namespace
}  // namespace quib
