#include "platform/process/SignalBridge.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <csignal>
#include <vector>

#include "support/TestApplication.h"

namespace quib {
namespace {

extern "C" void ignoreSignal(int) {}

class SignalBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override { test::application(); }
};

TEST_F(SignalBridgeTest, TermSignalQuitsTheRunningEventLoop) {
    SignalBridge bridge;
    ASSERT_TRUE(bridge.isActive());
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    // Should the signal not arrive, the loop ends with a failure code instead.
    QTimer::singleShot(3000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(SignalBridgeTest, SignalSeenDuringStartUpQuitsOnceTheLoopRuns) {
    SignalBridge bridge;
    std::raise(SIGTERM);
    // Start-up code that processes events reads the pipe before exec() runs.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::processEvents();
    }
    QTimer::singleShot(3000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(SignalBridgeTest, EachHandledSignalReachesTheCallbackOnTheEventLoop) {
    SignalBridge bridge;
    std::vector<int> received;
    bridge.onSignal = [&](int number) { received.push_back(number); };
    std::raise(SIGINT);
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    EXPECT_TRUE(received.empty()) << "the handler must only wake the event loop";
    ASSERT_TRUE(test::waitFor([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (std::vector<int>{SIGINT, SIGHUP, SIGTERM}));
}

TEST_F(SignalBridgeTest, PreviousHandlersComeBackWhenTheBridgeEnds) {
    struct sigaction custom {};
    custom.sa_handler = ignoreSignal;
    sigemptyset(&custom.sa_mask);
    struct sigaction saved {};
    ::sigaction(SIGHUP, &custom, &saved);
    { SignalBridge bridge; }
    struct sigaction current {};
    ::sigaction(SIGHUP, &saved, &current);
    EXPECT_EQ(current.sa_handler, &ignoreSignal);
}

TEST_F(SignalBridgeTest, SecondBridgeStaysInertWhileTheFirstLives) {
    SignalBridge first;
    SignalBridge second;
    EXPECT_TRUE(first.isActive());
    EXPECT_FALSE(second.isActive());
    bool firstGotIt = false;
    first.onSignal = [&](int) { firstGotIt = true; };
    std::raise(SIGTERM);
    EXPECT_TRUE(test::waitFor([&] { return firstGotIt; }));
}

}  // namespace
}  // namespace quib
