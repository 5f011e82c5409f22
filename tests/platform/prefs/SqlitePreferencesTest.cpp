#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/prefs/PendingJournal.h"
#include "platform/prefs/SqlitePreferences.h"
#include "support/CommaLocale.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;
using test::filesIn;
using test::TempDir;

std::unique_ptr<SqlitePreferences> openStore(const fs::path& dir) {
    return SqlitePreferences::open(dir, SqlitePreferences::Mode::readWrite).store;
}

// Runs SQL on the file behind the store's back, as a hand edit or an older
// version would.
void runSql(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SqlitePreferencesTest, TypedValuesRoundTripThroughTheFile) {
    TempDir dir;
    {
        auto store = openStore(dir.path());
        store->setInteger("gs_totalXP", 1234567890123);
        store->setFloat("keyVolume", 0.25);
        store->setBool("enabled", false);
        store->setString("keyProfile", "MX Blue");
        store->setStringList("ambientSounds", {"Rain", "Caf\xC3\xA9 \"quoted\"", ""});
        store->setString("gone", "x");
        store->remove("gone");
    }
    auto store = openStore(dir.path());
    EXPECT_EQ(store->integerValue("gs_totalXP"), 1234567890123);
    EXPECT_EQ(store->floatValue("keyVolume"), 0.25);
    EXPECT_EQ(store->boolValue("enabled"), false);
    EXPECT_EQ(store->stringValue("keyProfile"), "MX Blue");
    EXPECT_EQ(store->stringListValue("ambientSounds"),
              (std::vector<std::string>{"Rain", "Caf\xC3\xA9 \"quoted\"", ""}));
    EXPECT_FALSE(store->contains("gone"));
    EXPECT_EQ(store->integer("absent"), 0);
    EXPECT_FALSE(store->floatValue("absent"));
}

TEST(SqlitePreferencesTest, FileFollowsTheFixedSchema) {
    TempDir dir;
    openStore(dir.path())->setBool("onboardingComplete", true);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT type, typeof(value), value, (SELECT user_version FROM "
                       "pragma_user_version), (SELECT journal_mode FROM pragma_journal_mode) "
                       "FROM preferences WHERE key = 'onboardingComplete'",
                       -1, &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "bool");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)), "integer");
    EXPECT_EQ(sqlite3_column_int(statement, 2), 1);
    EXPECT_EQ(sqlite3_column_int(statement, 3), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 4)), "wal");
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST(SqlitePreferencesTest, OtherTypesConvertOnlyWhereNatural) {
    TempDir dir;
    auto store = openStore(dir.path());
    const fs::path file = dir.path() / "preferences.sqlite3";
    runSql(file,
           "INSERT INTO preferences VALUES ('int', 'integer', 7), ('real', 'float', 2.9),"
           "('one', 'string', '1'), ('zero', 'string', '0'), ('word', 'string', 'loud'),"
           "('list', 'stringList', '[\"a\"]'), ('badlist', 'stringList', '[\"a\",'),"
           "('numtext', 'string', '42'), ('blob', 'integer', x'00ff'), ('nul', 'float', NULL)");
    EXPECT_EQ(store->floatValue("int"), 7.0);
    EXPECT_EQ(store->integerValue("real"), 2);
    EXPECT_EQ(store->boolValue("one"), true);
    EXPECT_EQ(store->boolValue("zero"), false);
    EXPECT_FALSE(store->boolValue("word"));
    EXPECT_FALSE(store->integerValue("word"));
    EXPECT_FALSE(store->floatValue("word"));
    EXPECT_EQ(store->integerValue("numtext"), 42);
    EXPECT_FALSE(store->stringValue("list")) << "a list is not a text";
    EXPECT_FALSE(store->stringListValue("word")) << "a text is not a list";
    EXPECT_FALSE(store->stringListValue("badlist"));
    EXPECT_FALSE(store->integerValue("blob"));
    EXPECT_FALSE(store->contains("nul"));
}

TEST(SqlitePreferencesTest, TextsReadAsNumbersWithADecimalPointUnderACommaLocale) {
    test::CommaLocale german;
    ASSERT_TRUE(german.active());
    auto store = SqlitePreferences::inMemory();
    store->setString("keyVolume", "0.25");
    store->setString("halfWay", "0,5");
    EXPECT_EQ(store->floatValue("keyVolume"), 0.25);
    EXPECT_FALSE(store->floatValue("halfWay")) << "only QUIB's own notation";
}

TEST(SqlitePreferencesTest, TransactionCommitsAllWritesTogether) {
    TempDir dir;
    auto store = openStore(dir.path());
    {
        Preferences::Transaction transaction(*store);
        store->setInteger("a", 1);
        store->setInteger("b", 2);
        // Another connection sees nothing until the transaction ends.
        sqlite3* db = nullptr;
        sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &db);
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM preferences", -1, &count, nullptr);
        ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(count, 0), 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
    }
    EXPECT_EQ(openStore(dir.path())->integer("b"), 2);
}

TEST(SqlitePreferencesTest, GarbageFileIsMovedAsideAndTheNewestGoodBackupRestored) {
    TempDir dir;
    const fs::path file = dir.path() / "preferences.sqlite3";
    {
        auto store = openStore(dir.path());
        store->setInteger("gs_totalXP", 100);
        store->backUpOncePerDay("2026-03-04");
        store->setInteger("gs_totalXP", 200);
        store->backUpOncePerDay("2026-03-05");
        store->setInteger("gs_totalXP", 300);
    }
    std::ofstream(dir.path() / "preferences.sqlite3.backup-2026-03-05", std::ios::trunc)
        << "not a database at all, but long enough to have a header";
    std::ofstream(file, std::ios::trunc) << "this is not SQLite, just some text in the way";
    fs::remove(dir.path() / "preferences.sqlite3-wal");

    auto store = openStore(dir.path());
    EXPECT_EQ(store->integer("gs_totalXP"), 100) << "the damaged newest backup is skipped";
    EXPECT_FALSE(store->isInMemory());
    int corrupt = 0;
    for (const auto& name : filesIn(dir.path())) {
        corrupt += name.rfind("preferences.sqlite3.corrupt-", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(corrupt, 1) << "the damaged file is kept, not deleted";
}

TEST(SqlitePreferencesTest, DamagedFileIsReplacedByTheNewestOfSeveralGoodBackups) {
    TempDir dir;
    {
        auto store = openStore(dir.path());
        for (const char* day : {"2026-03-05", "2026-02-27", "2026-03-01"}) {
            store->setString("day", day);
            store->backUpOncePerDay(day);
        }
    }
    std::ofstream(dir.path() / "preferences.sqlite3", std::ios::trunc) << std::string(900, '#');
    fs::remove(dir.path() / "preferences.sqlite3-wal");
    EXPECT_EQ(openStore(dir.path())->stringValue("day"), "2026-03-05");
}

TEST(SqlitePreferencesTest, DamagedFileWithoutBackupStartsEmpty) {
    TempDir dir;
    std::ofstream(dir.path() / "preferences.sqlite3")
        << "SQLite format 3" << std::string(4096, 'x');
    auto store = openStore(dir.path());
    store->setInteger("x", 1);
    EXPECT_EQ(openStore(dir.path())->integer("x"), 1);
}

TEST(SqlitePreferencesTest, BackupIsTakenOncePerDayAndOnlyThreeAreKept) {
    TempDir dir;
    auto store = openStore(dir.path());
    for (const char* day : {"2026-03-01", "2026-03-02", "2026-03-02", "2026-03-03", "2026-03-04"}) {
        store->setString("day", day);
        store->backUpOncePerDay(day);
    }
    std::vector<std::string> backups;
    for (const auto& name : filesIn(dir.path())) {
        if (name.find(".backup-") != std::string::npos) {
            backups.push_back(name);
        }
    }
    EXPECT_EQ(backups, (std::vector<std::string>{"preferences.sqlite3.backup-2026-03-02",
                                                 "preferences.sqlite3.backup-2026-03-03",
                                                 "preferences.sqlite3.backup-2026-03-04"}));
}

TEST(SqlitePreferencesTest, UnwritableDirectoryRunsInMemoryAndRetriesLater) {
    TempDir dir;
    const fs::path blocker = dir.path() / "blocked";
    std::ofstream(blocker) << "a file where the directory should be";
    const fs::path home = blocker / "quib";  // cannot be created, even by root
    auto store = openStore(home);
    ASSERT_TRUE(store);
    EXPECT_TRUE(store->isInMemory());
    store->setInteger("gs_coins", 3);
    EXPECT_EQ(store->integer("gs_coins"), 3);

    fs::remove(blocker);
    {
        Preferences::Transaction transaction(*store);  // a flush retries the file
        store->setInteger("gs_totalXP", 9);
    }
    EXPECT_FALSE(store->isInMemory());
    auto reopened = openStore(home);
    EXPECT_EQ(reopened->integer("gs_coins"), 3);
    EXPECT_EQ(reopened->integer("gs_totalXP"), 9);
}

TEST(SqlitePreferencesTest, WriteFailureInTheMiddleOfARunKeepsTheBatch) {
    TempDir dir;
    auto store = openStore(dir.path());
    store->setInteger("gs_totalXP", 1);
    // Another process holds the write lock past the store's busy timeout, so
    // the next transaction cannot reach the file.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        Preferences::Transaction transaction(*store);
        store->setInteger("gs_totalXP", 2);
        store->setInteger("gs_coins", 3);
    }
    EXPECT_TRUE(store->isInMemory());
    EXPECT_EQ(store->integer("gs_totalXP"), 2);
    EXPECT_EQ(store->integer("gs_coins"), 3);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    {
        Preferences::Transaction transaction(*store);  // the next flush finds the file again
        store->setInteger("gs_totalClicks", 4);
    }
    EXPECT_FALSE(store->isInMemory());
    store.reset();
    auto reopened = openStore(dir.path());
    EXPECT_EQ(reopened->integer("gs_totalXP"), 2);
    EXPECT_EQ(reopened->integer("gs_coins"), 3);
    EXPECT_EQ(reopened->integer("gs_totalClicks"), 4);
}

TEST(SqlitePreferencesTest, ReadOnlyModeNeverCreatesOrWrites) {
    TempDir dir;
    const fs::path home = dir.path() / "none";
    auto missing = SqlitePreferences::open(home, SqlitePreferences::Mode::readOnly);
    ASSERT_TRUE(missing.store);
    EXPECT_FALSE(fs::exists(home));

    openStore(dir.path())->setInteger("gs_totalXP", 5);
    const auto before = filesIn(dir.path());
    const std::string bytes = readBytes(dir.path() / "preferences.sqlite3");
    auto opened = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readOnly);
    ASSERT_TRUE(opened.store);
    EXPECT_EQ(opened.store->integer("gs_totalXP"), 5);
    opened.store->setInteger("gs_totalXP", 6);
    opened.store.reset();
    EXPECT_EQ(readBytes(dir.path() / "preferences.sqlite3"), bytes);
    // A reader of a WAL database may leave SQLite's shared-memory and log
    // companions behind; no backup, corrupt copy or journal appears.
    auto after = filesIn(dir.path());
    std::erase_if(after, [](const std::string& name) {
        return name == "preferences.sqlite3-shm" || name == "preferences.sqlite3-wal";
    });
    EXPECT_EQ(after, before);
    EXPECT_EQ(openStore(dir.path())->integer("gs_totalXP"), 5);

    std::ofstream(dir.path() / "preferences.sqlite3", std::ios::trunc) << std::string(600, 'z');
    auto broken = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readOnly);
    EXPECT_FALSE(broken.store);
    EXPECT_FALSE(broken.error.empty());
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(SqlitePreferencesTest, AFreshDataFolderAndEveryFileInItAreTheUsersAlone) {
    TempDir dir;
    const fs::path home = dir.path() / "share" / "quib";
    auto store = openStore(home);
    store->setInteger("gs_totalXP", 1);
    store->backUpOncePerDay("2026-03-05");
    const auto journal = store->openPendingJournal();
    ASSERT_TRUE(journal);
    EXPECT_EQ(modeOf(home), 0700u);
    for (const auto& name : filesIn(home)) {
        EXPECT_EQ(modeOf(home / name), 0600u) << name;
    }
    EXPECT_EQ(filesIn(home).size(), 5u) << "store, -wal, -shm, backup, journal";
}

TEST(SqlitePreferencesTest, AnOpenFolderIsMadePrivateOnStartWithOneLine) {
    TempDir dir;
    openStore(dir.path())->setInteger("gs_totalXP", 1);
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir.path() / "preferences.sqlite3", fs::perms(0644));
    std::ofstream(dir.path() / "preferences.sqlite3.corrupt-20260101T000000Z") << "x";
    fs::permissions(dir.path() / "preferences.sqlite3.corrupt-20260101T000000Z", fs::perms(0664));
    testing::internal::CaptureStderr();
    auto store = openStore(dir.path());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(modeOf(dir.path()), 0700u);
    for (const auto& name : filesIn(dir.path())) {
        EXPECT_EQ(modeOf(dir.path() / name), 0600u) << name;
    }
    EXPECT_EQ(log.find("[QUIB] Made the data folder private"), 0u) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << log;
    EXPECT_EQ(store->integer("gs_totalXP"), 1);
}

// Links planted where the store writes a new file: the file they lead to
// stays as it was.
TEST(SqlitePreferencesTest, PlantedLinksAreNeverWrittenThrough) {
    for (const char* name :
         {"pending.journal.tmp", "pending.journal", "preferences.sqlite3.backup-2026-03-05.tmp"}) {
        TempDir dir;
        const fs::path victim = dir.path() / "victim";
        std::ofstream(victim) << "precious";
        const fs::path home = dir.path() / "home";
        auto store = openStore(home);
        fs::create_symlink(victim, home / name);
        store->backUpOncePerDay("2026-03-05");
        const auto journal = store->openPendingJournal();
        ASSERT_TRUE(journal) << name;
        journal->page().addKey(1.0);
        EXPECT_EQ(readBytes(victim), "precious") << name;
    }
}

// Data folders that are not what QUIB would have made (the process test
// takes the others through the commands and the tray): the file a link
// leads to keeps its mode, and the store still works.
TEST(SqlitePreferencesTest, HostileDataFoldersChangeNothingThatIsNotQuibs) {
    enum class Shape { linkToADatabase, emptyFile, noTable };
    for (const Shape shape : {Shape::linkToADatabase, Shape::emptyFile, Shape::noTable}) {
        SCOPED_TRACE(static_cast<int>(shape));
        TempDir dir;
        const fs::path home = dir.path() / "home";
        const fs::path store = home / "preferences.sqlite3";
        const fs::path outside = dir.path() / "outside";
        fs::create_directories(home);
        fs::permissions(home, fs::perms(0755));
        switch (shape) {
            case Shape::linkToADatabase:
                runSql(outside,
                       "CREATE TABLE preferences (key TEXT PRIMARY KEY NOT NULL, "
                       "type TEXT NOT NULL, value); INSERT INTO preferences VALUES "
                       "('gs_totalXP', 'integer', 7)");
                fs::create_symlink(outside, store);
                break;
            case Shape::emptyFile:
                std::ofstream(store) << "";
                break;
            case Shape::noTable:
                runSql(store, "CREATE TABLE notes (text)");
                break;
        }
        if (fs::exists(outside)) {
            fs::permissions(outside, fs::perms(0644));
        }
        const std::string storeBytes = readBytes(store);

        // An empty file, or one without the table, is an empty store.
        auto reading = SqlitePreferences::open(home, SqlitePreferences::Mode::readOnly);
        ASSERT_TRUE(reading.store) << reading.error;
        EXPECT_EQ(reading.store->integer("gs_totalXP"), shape == Shape::linkToADatabase ? 7 : 0);
        reading.store.reset();
        EXPECT_EQ(readBytes(store), storeBytes) << "a reader writes nothing";

        auto writing = openStore(home);
        ASSERT_TRUE(writing);
        EXPECT_FALSE(writing->isInMemory());
        writing->setInteger("gs_totalCoins", 3);
        EXPECT_EQ(openStore(home)->integer("gs_totalCoins"), 3);
        if (fs::exists(outside)) {
            EXPECT_EQ(modeOf(outside), 0644u) << "the link's target keeps its mode";
        }
        if (shape == Shape::linkToADatabase) {
            EXPECT_TRUE(fs::is_symlink(store)) << "a linked store keeps working";
        }
        EXPECT_EQ(modeOf(home), 0700u) << "only QUIB's files: the folder is made private";
    }
}

TEST(SqlitePreferencesTest, AFailedWriteLogsItsOwnCause) {
    TempDir dir;
    auto store = openStore(dir.path());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "preferences.sqlite3").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    testing::internal::CaptureStderr();
    {
        Preferences::Transaction transaction(*store);
        store->setInteger("gs_totalXP", 2);
    }
    const std::string log = testing::internal::GetCapturedStderr();
    sqlite3_close(other);
    EXPECT_NE(log.find("writing to disk failed: database is locked"), std::string::npos) << log;
    EXPECT_EQ(log.find("cannot rollback"), std::string::npos) << log;
}

TEST(SqlitePreferencesTest, OnlyTheNewestThreeDamagedFilesAreKept) {
    TempDir dir;
    for (const char* stamp : {"20250101T000000Z", "20250201T000000Z", "20250301T000000Z"}) {
        std::ofstream(dir.path() / ("preferences.sqlite3.corrupt-" + std::string(stamp))) << "x";
    }
    std::ofstream(dir.path() / "preferences.sqlite3") << std::string(900, '#');
    openStore(dir.path());
    std::vector<std::string> kept;
    for (const auto& name : filesIn(dir.path())) {
        if (name.find(".corrupt-") != std::string::npos) {
            kept.push_back(name);
        }
    }
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0], "preferences.sqlite3.corrupt-20250201T000000Z");
    EXPECT_NE(kept[2].find(".corrupt-20"), std::string::npos) << "today's is kept";
}

TEST(StringListTest, EncodingRoundTripsAndRejectsMalformedJson) {
    const std::vector<std::string> list{"a", "b\\c", "line\nbreak", "\x01", "\xE2\x82\xAC"};
    EXPECT_EQ(decodeStringList(encodeStringList(list)), list);
    EXPECT_EQ(decodeStringList(" [ ] "), std::vector<std::string>{});
    EXPECT_EQ(decodeStringList("[\"\\u00e9\\ud83d\\ude00\"]"),
              std::vector<std::string>{"\xC3\xA9\xF0\x9F\x98\x80"});
    for (const char* bad : {"", "[", "[1]", "[\"a\" \"b\"]", "{\"a\":1}", "[\"a\"] x",
                            "[\"\\ud800\"]", "[\"\\q\"]", "null"}) {
        EXPECT_FALSE(decodeStringList(bad)) << bad;
    }
}

}  // namespace
}  // namespace quib
