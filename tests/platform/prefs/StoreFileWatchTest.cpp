#include "platform/prefs/StoreFileWatch.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/prefs/SqlitePreferences.h"
#include "support/TempDir.h"

namespace quib {
namespace {

using std::chrono::milliseconds;

// Every inotify event is queued before the file operation that caused it
// returns, so a zero timeout tells at once whether anything woke the watch.
bool woken(StoreFileWatch& watch) {
    return watch.wait(milliseconds(0));
}

TEST(StoreFileWatchTest, WakesForTheWritersChangesButNotForReadersOrOtherFiles) {
    test::TempDir dir;
    auto writer = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
    writer->setInteger("gs_coins", 1);
    StoreFileWatch watch(dir.path());
    ASSERT_TRUE(watch.isValid());
    EXPECT_FALSE(woken(watch));

    for (int read = 0; read < 2; ++read) {  // the first read creates the log, the second opens it
        auto reader = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readOnly).store;
        EXPECT_EQ(reader->integer("gs_coins"), 1);
        reader.reset();
        EXPECT_FALSE(woken(watch)) << "a reader's own open, read " << read;
    }
    std::ofstream(dir.path() / "pending.journal.rejected") << "x";
    EXPECT_FALSE(woken(watch)) << "another file";

    writer->setInteger("gs_coins", 2);
    EXPECT_TRUE(woken(watch)) << "a flush";
    EXPECT_FALSE(woken(watch)) << "every event of it taken at once";
    writer.reset();  // the last connection checkpoints into the database
    EXPECT_TRUE(woken(watch));
}

TEST(StoreFileWatchTest, FollowsADataFolderMadeLater) {
    test::TempDir dir;
    const auto later = dir.path() / "a" / "b";
    StoreFileWatch watch(later);
    std::filesystem::create_directories(later);
    EXPECT_TRUE(woken(watch));
    while (woken(watch)) {
    }
    SqlitePreferences::open(later, SqlitePreferences::Mode::readWrite).store->setInteger("k", 1);
    EXPECT_TRUE(woken(watch));
}

}  // namespace
}  // namespace quib
