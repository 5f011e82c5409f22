#include "cli/PacksCommand.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "platform/prefs/SqlitePreferences.h"
#include "sound/PackFixtures.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

struct PacksOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

class PacksCommandTest : public ::testing::Test {
  protected:
    PacksOutcome packs(std::vector<std::string> operands, bool json = false) {
        PacksOutcome run;
        std::ostringstream out;
        testing::internal::CaptureStderr();
        run.status = runPacksCommand(home.path(), operands, json, out);
        run.err = testing::internal::GetCapturedStderr();
        run.out = out.str();
        return run;
    }
    std::optional<std::string> stored(const char* key) {
        auto store = SqlitePreferences::open(home.path(), SqlitePreferences::Mode::readOnly).store;
        return store ? store->stringValue(key) : std::nullopt;
    }
    fs::path source(const std::string& name, const std::string& config) {
        const fs::path folder = scratch.path() / name;
        test::writeText(folder / "config.json", config);
        test::writeTone(folder / "a.wav", 880.0, 0.05);
        return folder;
    }

    test::TempDir home;
    test::TempDir scratch;
};

TEST_F(PacksCommandTest, ImportListUseAndRemoveAPack) {
    const auto good =
        source("g", R"({"name":"Good","key_define_type":"multi","defines":{"30":"a.wav"}})");
    const PacksOutcome imported = packs({"import", good.string()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported good: Good\n");

    EXPECT_EQ(packs({"use", "good"}).status, 0);
    EXPECT_EQ(stored("keyPack"), "good");
    const auto rows = nlohmann::json::parse(packs({"list"}, true).out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["id"], "good");
    EXPECT_EQ(rows[0]["name"], "Good");
    EXPECT_EQ(rows[0]["keys"], 1);
    EXPECT_EQ(rows[0]["release"], false);
    EXPECT_EQ(rows[0]["valid"], true);
    EXPECT_TRUE(rows[0]["problem"].is_null());
    EXPECT_EQ(rows[0]["inUse"], true);

    const PacksOutcome removed = packs({"remove", "good"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(stored("keyPack"), std::nullopt);
    EXPECT_EQ(stored("keyProfile"), "iPhone Keyboard") << "the pack in use falls back";
    EXPECT_EQ(nlohmann::json::parse(packs({"list"}, true).out).size(), 0u);
}

// What a pack names reaches the terminal escaped: an ESC in a name must not
// clear the screen. A second pack asking for a taken id is told its own.
TEST_F(PacksCommandTest, ATakenIdIsSaidAndControlCharactersAreShownEscaped) {
    const auto first = source(
        "a",
        R"({"id":"same","name":"Clear\u001b[2J","key_define_type":"multi","defines":{"30":"a.wav"}})");
    const auto second = source(
        "b", R"({"id":"same","name":"Other","key_define_type":"multi","defines":{"30":"a.wav"}})");
    EXPECT_EQ(packs({"import", first.string()}).out, "imported same: Clear\\x1b[2J\n");
    EXPECT_EQ(packs({"import", second.string()}).out,
              "imported same-2: Other (the id same is another pack's: this one is same-2)\n");
    EXPECT_EQ(packs({"import", first.string()}).out,
              "imported same: Clear\\x1b[2J (replacing the earlier copy)\n");
    test::writeText(home.path() / "packs/bad/config.json",
                    R"({"name":"Bad","key_define_type":"multi","defines":{"30":"\u0007.wav"}})");
    const PacksOutcome listed = packs({"list"});
    EXPECT_EQ(listed.out.find('\x1b'), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find('\x07'), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("same  Clear\\x1b[2J  1 keys"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("BROKEN: config.json: 'defines'.'30': file '\\x07.wav' not found"),
              std::string::npos)
        << listed.out;
    const PacksOutcome use = packs({"use", "bad"});
    EXPECT_EQ(use.err.find('\x07'), std::string::npos) << use.err;
    EXPECT_NE(use.err.find("\\x07.wav"), std::string::npos) << use.err;
}

TEST_F(PacksCommandTest, WrongUsesExitOneWithALineAndChangeNothing) {
    test::writeText(home.path() / "packs/broken/config.json", "[]");
    const std::vector<std::vector<std::string>> wrong = {
        {"use", "absent"},
        {"use", "broken"},
        {"use", "../.."},
        {"remove", "absent"},
        {"import", "/nonexistent/pack"},
        {"frobnicate"},
        {},
        {"use"},
        {"list", "extra"},
    };
    for (const auto& operands : wrong) {
        const PacksOutcome run = packs(operands);
        EXPECT_EQ(run.status, 1) << testing::PrintToString(operands);
        EXPECT_EQ(run.err.rfind("[QUIB] ", 0), 0u) << run.err;
    }
    EXPECT_FALSE(fs::exists(home.path() / "preferences.sqlite3"));
    EXPECT_TRUE(fs::exists(home.path() / "packs/broken"));
    const PacksOutcome listed = packs({"list"});
    EXPECT_NE(listed.out.find("broken  broken  BROKEN: config.json: expected an object"),
              std::string::npos)
        << listed.out;
}

}  // namespace
}  // namespace quib
