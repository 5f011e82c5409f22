// Importing, listing and removing packs on a real data directory.
#include "sound/packs/PackStore.h"

#include <gtest/gtest.h>

#include "sound/PackFixtures.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

const std::string kGoodConfig =
    R"({"name":"Good Pack","key_define_type":"multi","defines":{"30":"a.wav","57":"space.wav"}})";

std::string toneBytes(const test::TempDir& scratch, double ms) {
    const fs::path file = scratch.path() / "tone.wav";
    test::writeTone(file, 880.0, ms / 1000.0);
    return test::readFile(file);
}

class PackStoreTest : public ::testing::Test {
  protected:
    // A valid pack folder at `where` with the given config.
    fs::path makePack(const fs::path& where, const std::string& config = kGoodConfig) {
        test::writeText(where / "config.json", config);
        test::writeTone(where / "a.wav", 880.0, 0.05);
        test::writeTone(where / "space.wav", 440.0, 0.08);
        return where;
    }
    bool dataDirectoryIsEmpty() const {
        return !fs::exists(home.path()) || fs::is_empty(home.path());
    }

    test::TempDir scratch;
    test::TempDir home;
};

TEST_F(PackStoreTest, AFolderIsImportedUnderAnIdMadeOfItsName) {
    const PackImport result = importPack(makePack(scratch.path() / "src"), home.path());
    ASSERT_TRUE(result.pack) << result.problem;
    EXPECT_EQ(result.pack->id, "good-pack");
    EXPECT_EQ(result.pack->name, "Good Pack");
    EXPECT_FALSE(result.replaced);
    EXPECT_TRUE(fs::exists(home.path() / "packs/good-pack/config.json"));
    const auto packs = listPacks(home.path());
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_TRUE(packs[0].valid);
    EXPECT_EQ(packs[0].keys, 2);

    const PackImport again = importPack(scratch.path() / "src", home.path());
    EXPECT_TRUE(again.replaced);
    EXPECT_EQ(listPacks(home.path()).size(), 1u);
}

TEST_F(PackStoreTest, AZipWithThePackInAFolderIsImportedByItsDeclaredId) {
    const std::string config =
        R"({"id":"My ID!","name":"Zipped","key_define_type":"multi","defines":{"30":"A.WAV"}})";
    ASSERT_TRUE(test::writeZip(scratch.path() / "pack.zip",
                               {{"Zipped/config.json", config},
                                {"Zipped/sounds/a.wav", toneBytes(scratch, 40)},
                                {"__MACOSX/._a.wav", "junk"}}));
    const PackImport result = importPack(scratch.path() / "pack.zip", home.path());
    ASSERT_TRUE(result.pack) << result.problem;
    EXPECT_EQ(result.pack->id, "my-id");
    EXPECT_TRUE(fs::exists(home.path() / "packs/my-id/Zipped/sounds/a.wav"));
}

TEST_F(PackStoreTest, UnsafeOrOversizedArchivesAreRefusedBeforeAnythingIsWritten) {
    const std::string tone = toneBytes(scratch, 20);
    std::vector<test::ZipEntry> many;
    for (int i = 0; i <= 2000; ++i) {
        std::string name = std::to_string(i);
        name.insert(name.begin(), 'f');  // not "f" + ...: GCC 12 -Wrestrict in Release
        many.push_back({name, "x"});
    }
    const std::vector<std::pair<std::vector<test::ZipEntry>, std::string>> cases = {
        {{{"config.json", kGoodConfig}, {"../a.wav", tone}}, "'..'"},
        {{{"config.json", kGoodConfig}, {"sub/..\\..\\a.wav", tone}}, "'..'"},
        {{{"/etc/config.json", kGoodConfig}, {"a.wav", tone}}, "absolute"},
        {{{"config.json", kGoodConfig}, {"a.wav", "/etc/passwd", true}}, "link"},
        {many, "2000 entries"},
        {{{"config.json", kGoodConfig}, {"big.wav", std::string(101 << 20, '\0')}}, "100 MB"},
    };
    for (const auto& [entries, problem] : cases) {
        SCOPED_TRACE(problem);
        const fs::path zip = scratch.path() / "bad.zip";
        fs::remove(zip);
        ASSERT_TRUE(test::writeZip(zip, entries));
        const PackImport result = importPack(zip, home.path());
        EXPECT_FALSE(result.pack);
        EXPECT_NE(result.problem.find(problem), std::string::npos) << result.problem;
        EXPECT_TRUE(dataDirectoryIsEmpty());
    }
}

TEST_F(PackStoreTest, APackThatDoesNotCheckOutLeavesTheDataDirectoryAsItWas) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"name":"x","key_define_type":"multi","defines":{"30":"gone.wav"}})", "gone.wav"},
        {R"({"name":"x","key_define_type":"multi","defines":{"30":"bad.wav"}})", "bad.wav"},
        {"{", "config.json"},
    };
    for (const auto& [config, named] : cases) {
        const fs::path source = scratch.path() / "bad";
        fs::remove_all(source);
        test::writeText(source / "config.json", config);
        test::writeText(source / "bad.wav", "not audio");
        const PackImport result = importPack(source, home.path());
        EXPECT_FALSE(result.pack);
        EXPECT_NE(result.problem.find(named), std::string::npos) << result.problem;
        EXPECT_TRUE(dataDirectoryIsEmpty());
    }
    fs::create_symlink("/etc/passwd", scratch.path() / "bad/link.wav");
    EXPECT_NE(importPack(scratch.path() / "bad", home.path()).problem.find("symbolic link"),
              std::string::npos);
    EXPECT_FALSE(importPack(scratch.path() / "absent", home.path()).pack);
}

TEST_F(PackStoreTest, ABrokenPackIsListedWithItsProblemBesideTheGoodOnes) {
    makePack(home.path() / "packs/good");
    test::writeText(home.path() / "packs/broken/config.json", "{ nope");
    makePack(home.path() / "packs/missing-file",
             R"({"name":"Alpha","key_define_type":"multi","defines":{"30":"gone.wav"}})");
    test::writeText(home.path() / "packs/.good.import-x/config.json", kGoodConfig);
    const auto packs = listPacks(home.path());
    ASSERT_EQ(packs.size(), 3u) << "half-written imports are not packs";
    EXPECT_EQ(packs[0].name, "Alpha");  // by name: the broken one keeps its id as its name
    EXPECT_FALSE(packs[0].valid);
    EXPECT_NE(packs[0].problem.find("gone.wav"), std::string::npos);
    EXPECT_EQ(packs[1].id, "broken");
    EXPECT_FALSE(packs[1].valid);
    EXPECT_NE(packs[1].problem.find("not valid JSON"), std::string::npos);
    EXPECT_EQ(packs[2].name, "Good Pack");
    EXPECT_TRUE(packs[2].valid);
}

TEST_F(PackStoreTest, RemovingTakesOnlyAPackThatExists) {
    makePack(home.path() / "packs/good");
    std::string problem;
    for (const char* id : {"../packs", "", ".", "nope", "/etc"}) {
        EXPECT_FALSE(removePack(home.path(), id, problem)) << id;
    }
    EXPECT_TRUE(fs::exists(home.path() / "packs/good"));
    EXPECT_TRUE(removePack(home.path(), "good", problem)) << problem;
    EXPECT_TRUE(listPacks(home.path()).empty());
}

TEST(PackIdTest, IdsAreMadeFromTheDeclaredIdElseTheName) {
    EXPECT_EQ(packIdFor("", "Cherry MX Blue (ABS)"), "cherry-mx-blue-abs");
    EXPECT_EQ(packIdFor("custom_id", "Name"), "custom_id");
    EXPECT_EQ(packIdFor("", "../../etc"), "etc");
    EXPECT_EQ(packIdFor("", "日本語"), "pack");
    EXPECT_EQ(packIdFor("", std::string(80, 'a')).size(), 48u);
    EXPECT_TRUE(isPackId("good-pack"));
    EXPECT_FALSE(isPackId(".hidden"));
    EXPECT_FALSE(isPackId("a/b"));
}

}  // namespace
}  // namespace quib
