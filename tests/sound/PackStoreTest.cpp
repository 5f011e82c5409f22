// Importing, listing and removing packs on a real data directory.
#include "sound/packs/PackStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

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

    // Its loudness measured and kept beside it, as privately as its files.
    const fs::path stored = home.path() / "packs/good-pack" / kPackLoudnessFile;
    EXPECT_TRUE(storedPackLoudness(home.path() / "packs/good-pack"));
    EXPECT_EQ(fs::status(stored).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // The same pack again, once as imported before loudness was kept.
    fs::remove(stored);
    const PackImport again = importPack(scratch.path() / "src", home.path());
    EXPECT_TRUE(again.replaced);
    EXPECT_EQ(again.pack->id, "good-pack");
    EXPECT_EQ(listPacks(home.path()).size(), 1u);
    EXPECT_TRUE(fs::exists(stored));
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

int permissionsOf(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

TEST_F(PackStoreTest, AZipOfUtf8NamesIsImportedWithFoldersAndFilesTheUsersAlone) {
    const std::string config =
        R"({"name":"Café","key_define_type":"multi","defines":{"30":"sons/été.wav"}})";
    ASSERT_TRUE(test::writeZip(
        scratch.path() / "pack.zip",
        {{"Café/config.json", config}, {"Café/sons/été.wav", toneBytes(scratch, 40)}}));
    const PackImport result = importPack(scratch.path() / "pack.zip", home.path());
    ASSERT_TRUE(result.pack) << result.problem;
    const fs::path pack = home.path() / "packs" / result.pack->id;
    EXPECT_EQ(permissionsOf(home.path() / "packs"), 0700);
    EXPECT_EQ(permissionsOf(pack), 0700);
    EXPECT_EQ(permissionsOf(pack / "Café/sons"), 0700);
    EXPECT_EQ(permissionsOf(pack / "Café/sons/été.wav"), 0600);

    const PackImport folder = importPack(makePack(scratch.path() / "folder"), home.path());
    ASSERT_TRUE(folder.pack) << folder.problem;
    EXPECT_EQ(permissionsOf(home.path() / "packs/good-pack"), 0700);
    EXPECT_EQ(permissionsOf(home.path() / "packs/good-pack/a.wav"), 0600);
}

// Real packs share config ids: a different pack never replaces another.
TEST_F(PackStoreTest, APackKeepsAnIdOfItsOwnAndOnlyTheSamePackReplacesIt) {
    const auto config = [](const char* name) {
        return std::string(R"({"id":"travel","name":")") + name +
               R"(","key_define_type":"multi","defines":{"30":"a.wav"}})";
    };
    const fs::path first = makePack(scratch.path() / "first", config("Train"));
    const fs::path second = makePack(scratch.path() / "second", config("Plane"));
    const fs::path third = makePack(scratch.path() / "third", config("Plane"));
    test::writeTone(third / "a.wav", 300.0, 0.05);  // the same name, another sound
    const std::vector<std::tuple<fs::path, std::string, bool, std::string>> steps = {
        // source, id it gets, replaced, the id it asked for when taken
        {first, "travel", false, ""},         {second, "travel-2", false, "travel"},
        {first, "travel", true, ""},          {second, "travel-2", true, "travel"},
        {third, "travel-3", false, "travel"},
    };
    for (const auto& [source, id, replaced, taken] : steps) {
        SCOPED_TRACE(source.filename().string() + " as " + id);
        const PackImport result = importPack(source, home.path());
        ASSERT_TRUE(result.pack) << result.problem;
        EXPECT_EQ(result.pack->id, id);
        EXPECT_EQ(result.replaced, replaced);
        EXPECT_EQ(result.takenId, taken);
    }
    const auto packs = listPacks(home.path());
    ASSERT_EQ(packs.size(), 3u);
    EXPECT_EQ(planPack(home.path() / "packs/travel").info.name, "Train");
    EXPECT_EQ(test::readFile(home.path() / "packs/travel-3/a.wav"),
              test::readFile(third / "a.wav"));
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
    // Cut short at every tenth of its length: refused with a line, never taken in part.
    const fs::path whole = scratch.path() / "whole.zip";
    ASSERT_TRUE(test::writeZip(whole, {{"config.json", kGoodConfig}, {"a.wav", tone}}));
    const std::string bytes = test::readFile(whole);
    for (std::size_t tenth = 1; tenth < 10; ++tenth) {
        test::writeText(scratch.path() / "cut.zip", bytes.substr(0, bytes.size() * tenth / 10));
        const PackImport result = importPack(scratch.path() / "cut.zip", home.path());
        EXPECT_FALSE(result.pack) << tenth;
        EXPECT_FALSE(result.problem.empty()) << tenth;
        EXPECT_TRUE(dataDirectoryIsEmpty()) << tenth;
    }
}

TEST_F(PackStoreTest, APackThatDoesNotCheckOutLeavesTheDataDirectoryAsItWas) {
    test::TempDir temporary;  // where the import unpacks: empty again after each refusal
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"name":"x","key_define_type":"multi","defines":{"30":"gone.wav"}})", "gone.wav"},
        {R"({"name":"x","key_define_type":"multi","defines":{"30":"bad.wav"}})", "bad.wav"},
        {"{", "config.json"},
        {R"({"name":"x","key_define_type":"single","sound":"bad.wav","defines":{"30":[1e400,1]}})",
         "not valid JSON"},
        {R"({"name":"x","key_define_type":"multi","defines":{"30":"a{2147483647-2147483647}"}})",
         "malformed"},
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
        EXPECT_TRUE(fs::is_empty(temporary.path()));
    }
    fs::create_hard_link(scratch.path() / "bad/bad.wav", scratch.path() / "bad/hard.wav");
    EXPECT_NE(importPack(scratch.path() / "bad", home.path()).problem.find("is a hard link"),
              std::string::npos);
    fs::remove(scratch.path() / "bad/hard.wav");
    fs::create_symlink("/etc/passwd", scratch.path() / "bad/link.wav");
    EXPECT_NE(importPack(scratch.path() / "bad", home.path()).problem.find("symbolic link"),
              std::string::npos);
    EXPECT_FALSE(importPack(scratch.path() / "absent", home.path()).pack);
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    EXPECT_TRUE(dataDirectoryIsEmpty());
    before != nullptr ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
}

// The import unpacks on another file system (a tmpfs), so the checked pack is
// copied into place rather than moved. The data directory's path is long, so
// that a deep file of the pack, short enough where it was unpacked, is too
// long a path in packs/: its copy fails there, and only there.
TEST_F(PackStoreTest, ACopyErrorIntoPlaceStopsTheImportAndKeepsTheEarlierCopy) {
    struct stat shm {};
    struct stat data {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(home.path().c_str(), &data) != 0 ||
        shm.st_dev == data.st_dev) {
        GTEST_SKIP() << "no /dev/shm on a file system of its own";
    }
    // TMPDIR as it was, whatever way the test ends.
    struct TemporaryFolderBack {
        std::optional<std::string> value;
        ~TemporaryFolderBack() {
            value ? ::setenv("TMPDIR", value->c_str(), 1) : ::unsetenv("TMPDIR");
        }
    } back;
    if (const char* before = std::getenv("TMPDIR")) {
        back.value = before;
    }
    ::setenv("TMPDIR", "/dev/shm", 1);
    test::TempDir temporary;
    ::setenv("TMPDIR", temporary.path().c_str(), 1);

    const std::string folder(200, 'd');
    fs::path dataDirectory = home.path();
    for (int depth = 0; depth < 15; ++depth) {
        dataDirectory /= folder;
    }
    const fs::path source = makePack(scratch.path() / "src");
    ASSERT_TRUE(importPack(source, dataDirectory).pack);
    const fs::path earlier = dataDirectory / "packs/good-pack";
    const std::string earlierSound = test::readFile(earlier / "a.wav");

    fs::path deep = source;
    for (int depth = 0; depth < 6; ++depth) {
        deep /= folder;
    }
    test::writeText(deep / "notes.txt", "made on another machine");
    test::writeTone(source / "a.wav", 300.0, 0.05);  // another pack now: it would be good-pack-2
    const PackImport result = importPack(source, dataDirectory);
    EXPECT_FALSE(result.pack);
    EXPECT_NE(result.problem.find("cannot copy"), std::string::npos) << result.problem;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dataDirectory / "packs")) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"good-pack"}) << "nothing half copied is kept";
    EXPECT_EQ(test::readFile(earlier / "a.wav"), earlierSound);
    EXPECT_TRUE(planPack(earlier).info.valid);
    EXPECT_TRUE(fs::is_empty(temporary.path()));
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
