// SIGKILL while typing loses nothing: what a killed QUIB had counted but not
// yet flushed is in its pending journal, and the next start adds it. This is
// the real program's part; a kill at every step of a flush or of the fold, and
// at random moments, is JournalCrashTest's.
#include <gtest/gtest.h>

#include "platform/prefs/PendingJournal.h"
#include "support/QuibProcess.h"
#include "support/TempDir.h"

namespace quib::test {
namespace {

// The key-downs the running QUIB has counted into its journal so far.
std::int64_t journalKeys(const std::filesystem::path& home) {
    const auto page = PendingJournal::peek(home);
    return page ? page->keyCount() : -1;
}

TEST(KillTest, KeysCountedBeforeASigkillAreAddedAtTheNextStart) {
    TempDir dir;
    QuibHome where(dir.path());
    int typed = 0;
    for (const int count : {7, 19, 1}) {
        QuibProcess quib(QUIB_EXECUTABLE, where);
        KeyFifo keys(where.fifo);
        ASSERT_TRUE(keys.open()) << readText(where.log);
        const std::int64_t before = journalKeys(where.home);
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(keys.press());
        }
        ASSERT_TRUE(waitFor([&] { return journalKeys(where.home) == before + count; }))
            << readText(where.log);
        // Killed well inside the 5-second flush period: nothing was stored.
        const int status = quib.stop(SIGKILL);
        EXPECT_TRUE(WIFSIGNALED(status));
        typed += count;
    }
    // Each start added what the run before it left; the last run's key waits.
    EXPECT_EQ(statsField(statsJson(QUIB_EXECUTABLE, where.home), "totalKeystrokes"), 7 + 19);
    {
        QuibProcess quib(QUIB_EXECUTABLE, where);
        ASSERT_TRUE(KeyFifo(where.fifo).open());  // started: the fold is done by now
        quib.stop(SIGTERM);
    }
    const std::string json = statsJson(QUIB_EXECUTABLE, where.home);
    EXPECT_EQ(statsField(json, "totalKeystrokes"), typed) << json << readText(where.log);
    EXPECT_EQ(statsField(json, "todayKeystrokes"), typed);
}

}  // namespace
}  // namespace quib::test
