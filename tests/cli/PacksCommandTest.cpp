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
