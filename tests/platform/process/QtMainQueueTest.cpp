#include "platform/process/QtMainQueue.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "support/TestApplication.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

class QtMainQueueTest : public ::testing::Test {
  protected:
    void SetUp() override { test::application(); }
    QThread* mainThread() const { return QCoreApplication::instance()->thread(); }
};

TEST_F(QtMainQueueTest, PostedTasksRunLaterInPostingOrderOnTheMainThread) {
    QtMainQueue queue;
    std::vector<int> order;
    bool allOnMainThread = true;
    for (int index = 0; index < 50; ++index) {
        queue.post([&, index] {
            order.push_back(index);
            allOnMainThread = allOnMainThread && QThread::currentThread() == mainThread();
        });
    }
    EXPECT_TRUE(order.empty()) << "post must not run the task synchronously";
    ASSERT_TRUE(test::waitFor([&] { return order.size() == 50; }));
    for (int index = 0; index < 50; ++index) {
        EXPECT_EQ(order[static_cast<std::size_t>(index)], index);
    }
    EXPECT_TRUE(allOnMainThread);
}

TEST_F(QtMainQueueTest, PostsFromAnotherThreadRunOnTheMainThreadInThatThreadsOrder) {
    QtMainQueue queue;
    std::vector<int> order;
    std::atomic<bool> offMainThread{true};
    std::thread worker([&] {
        for (int index = 0; index < 500; ++index) {
            queue.post([&, index] {
                order.push_back(index);
                if (QThread::currentThread() != mainThread()) {
                    offMainThread = false;
                }
            });
        }
    });
    worker.join();
    ASSERT_TRUE(test::waitFor([&] { return order.size() == 500; }));
    EXPECT_TRUE(offMainThread);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST_F(QtMainQueueTest, DelayedTaskWaitsAndLetsImmediateTasksGoFirst) {
    QtMainQueue queue;
    std::vector<char> order;
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 delayedAt = -1;
    queue.postDelayed(40ms, [&] {
        order.push_back('d');
        delayedAt = elapsed.elapsed();
    });
    queue.post([&] { order.push_back('i'); });
    ASSERT_TRUE(test::waitFor([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<char>{'i', 'd'}));
    EXPECT_GE(delayedAt, 35);
}

TEST_F(QtMainQueueTest, DelayedTaskPostedFromAnotherThreadRunsOnTheMainThread) {
    QtMainQueue queue;
    std::atomic<bool> ranOnMainThread{false};
    std::atomic<bool> ran{false};
    std::thread worker([&] {
        queue.postDelayed(10ms, [&] {
            ranOnMainThread = QThread::currentThread() == mainThread();
            ran = true;
        });
    });
    worker.join();
    ASSERT_TRUE(test::waitFor([&] { return ran.load(); }));
    EXPECT_TRUE(ranOnMainThread);
}

TEST_F(QtMainQueueTest, TasksStillQueuedWhenTheQueueIsDestroyedNeverRun) {
    bool ran = false;
    {
        QtMainQueue queue;
        queue.post([&] { ran = true; });
        queue.postDelayed(1ms, [&] { ran = true; });
    }
    // Posted later, due later: once these have run, the ones above would have.
    QtMainQueue later;
    int sentinels = 0;
    later.post([&] { ++sentinels; });
    later.postDelayed(20ms, [&] { ++sentinels; });
    ASSERT_TRUE(test::waitFor([&] { return sentinels == 2; }));
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace quib
