// Loading packs on the worker: results come back through the owner's queue,
// and only the newest request's counts.
#include "sound/packs/PackLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "sound/PackFixtures.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

// The owner's thread: tasks wait here until the test runs them.
class TaskQueue {
  public:
    PackLoader::Deliver deliver() {
        return [this](PackLoader::Task task) {
            const std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            m_wake.notify_one();
        };
    }
    // Runs delivered tasks until `until` holds; false if none came for 20 s.
    template <typename Until>
    bool runUntil(Until until) {
        while (!until()) {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_for(lock, std::chrono::seconds(20),
                                 [this] { return !m_tasks.empty(); })) {
                return false;
            }
            PackLoader::Task task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }
    bool waitForTask() {
        std::unique_lock lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return !m_tasks.empty(); });
    }
    std::deque<PackLoader::Task> take() {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_tasks, {});
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<PackLoader::Task> m_tasks;
};

class PackLoaderTest : public ::testing::Test {
  protected:
    fs::path makePack(const std::string& id, const std::string& file = "a.wav") {
        const fs::path pack = dir.path() / id;
        test::writeText(pack / "config.json",
                        R"({"name":")" + id + R"(","key_define_type":"multi","defines":{"30":")" +
                            file + R"("}})");
        test::writeTone(pack / "a.wav", 440.0, 0.05);
        return pack;
    }

    test::TempDir dir;
    TaskQueue owner;
    std::vector<std::pair<std::string, bool>> done;  // id, loaded
    PackLoader::Done record() {
        return [this](const std::string& id, PackLoad load) {
            done.emplace_back(id, load.sounds.has_value());
        };
    }
};

TEST_F(PackLoaderTest, AResultReachesTheOwnerThroughItsQueue) {
    PackLoader loader(owner.deliver());
    loader.load("good", makePack("good"), false, record());
    EXPECT_TRUE(loader.isLoading());
    EXPECT_EQ(loader.loadingId(), "good");
    ASSERT_TRUE(owner.runUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, (std::vector<std::pair<std::string, bool>>{{"good", true}}));
    EXPECT_FALSE(loader.isLoading());

    loader.load("broken", makePack("broken", "gone.wav"), false, record());
    ASSERT_TRUE(owner.runUntil([&] { return done.size() == 2; }));
    EXPECT_EQ(done.back(), (std::pair<std::string, bool>{"broken", false}));
}

TEST_F(PackLoaderTest, OnlyTheNewestRequestIsDelivered) {
    PackLoader loader(owner.deliver());
    const fs::path first = makePack("first");
    const fs::path second = makePack("second");
    loader.load("first", first, false, record());
    loader.load("second", second, false, record());
    ASSERT_TRUE(owner.runUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, (std::vector<std::pair<std::string, bool>>{{"second", true}}));

    loader.load("first", first, false, record());
    loader.cancel();
    EXPECT_FALSE(loader.isLoading());
    loader.load("second", second, false, record());
    ASSERT_TRUE(owner.runUntil([&] { return done.size() == 2; }));
    EXPECT_EQ(done.back().first, "second") << "a cancelled request is never delivered";
}

TEST_F(PackLoaderTest, ATaskRunAfterTheLoaderIsGoneDoesNothing) {
    {
        PackLoader loader(owner.deliver());
        loader.load("good", makePack("good"), false, record());
        ASSERT_TRUE(owner.waitForTask());
    }
    for (auto& task : owner.take()) {
        task();
    }
    EXPECT_TRUE(done.empty());
}

}  // namespace
}  // namespace quib
