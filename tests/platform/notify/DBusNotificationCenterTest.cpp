#include "platform/notify/DBusNotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>

#include "FakeNotificationServer.h"
#include "platform/desktop/PrivateSessionBus.h"
#include "support/TestApplication.h"

namespace quib {
namespace {

using test::FakeNotificationServer;

class DBusNotificationCenterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        bus = std::make_unique<test::PrivateSessionBus>();
        ASSERT_TRUE(bus->isRunning()) << "dbus-daemon did not start";
        center = std::make_unique<DBusNotificationCenter>(bus->connect(QStringLiteral("client")));
        center->onActivated = [this] { ++activations; };
    }

    void startServer() {
        server = std::make_unique<FakeNotificationServer>(bus->connect(QStringLiteral("server")));
        ASSERT_TRUE(server->isRegistered());
    }

    bool waitForCalls(std::size_t count) {
        return test::waitFor([&] { return server->calls().size() >= count; });
    }

    void TearDown() override {
        center.reset();
        server.reset();
        bus.reset();
    }

    std::unique_ptr<test::PrivateSessionBus> bus;
    std::unique_ptr<FakeNotificationServer> server;
    std::unique_ptr<DBusNotificationCenter> center;
    int activations = 0;
};

TEST_F(DBusNotificationCenterTest, PostSendsTitleBodyDefaultActionAndSoundAndDesktopHints) {
    startServer();
    center->post("LEVEL UP", "LVL 5 -- Apprentice // +1 COIN", "levelup_5");
    ASSERT_TRUE(waitForCalls(1));
    const auto& call = server->calls()[0];
    EXPECT_EQ(call.appName, QStringLiteral("QUIB"));
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.summary, QStringLiteral("LEVEL UP"));
    EXPECT_EQ(call.body, QStringLiteral("LVL 5 -- Apprentice // +1 COIN"));
    ASSERT_GE(call.actions.size(), 2);
    EXPECT_EQ(call.actions[0], QStringLiteral("default"));
    EXPECT_EQ(call.hints.value(QStringLiteral("sound-name")).toString(),
              QStringLiteral("message-new-instant"));
    EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(),
              QString::fromLatin1(kApplicationId));
    EXPECT_EQ(call.appIcon, center->appIcon());
}

TEST_F(DBusNotificationCenterTest, SilentPostAsksForNoSoundAndReplacesByIdentifier) {
    startServer();
    center->postSilently("QUIB MUTED", "first", "mute");
    ASSERT_TRUE(waitForCalls(1));
    center->postSilently("QUIB UNMUTED", "second", "mute");
    ASSERT_TRUE(waitForCalls(2));
    const auto& call = server->calls()[1];
    EXPECT_FALSE(call.hints.contains(QStringLiteral("sound-name")));
    EXPECT_TRUE(call.hints.value(QStringLiteral("suppress-sound")).toBool());
    EXPECT_EQ(call.hints.value(QStringLiteral("urgency")).toInt(), 0);
    EXPECT_EQ(call.replacesId, server->calls()[0].returnedId);
}

TEST_F(DBusNotificationCenterTest, MarkupCharactersInTheBodyAreEscaped) {
    startServer();
    center->post("A", "Fish & <Chips>", "b");
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(server->calls()[0].body, QStringLiteral("Fish &amp; &lt;Chips&gt;"));
    EXPECT_EQ(server->calls()[0].summary, QStringLiteral("A"));
}

TEST_F(DBusNotificationCenterTest, SameIdentifierReplacesTheShownNotification) {
    startServer();
    center->post("LEVEL UP", "first", "levelup_7");
    ASSERT_TRUE(waitForCalls(1));
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    center->post("LEVEL UP", "second", "levelup_7");
    center->post("ACHIEVEMENT UNLOCKED", "other", "achievement_first_steps");
    ASSERT_TRUE(waitForCalls(3));
    const auto& calls = server->calls();
    EXPECT_EQ(calls[1].replacesId, calls[0].returnedId);
    EXPECT_EQ(calls[1].body, QStringLiteral("second"));
    EXPECT_EQ(calls[2].replacesId, 0u) << "another identifier is a new notification";
}

TEST_F(DBusNotificationCenterTest, RepostBeforeTheServerAnsweredStillReplaces) {
    startServer();
    center->post("LEVEL UP", "first", "levelup_8");
    center->post("LEVEL UP", "second", "levelup_8");
    center->post("LEVEL UP", "third", "levelup_8");
    ASSERT_TRUE(waitForCalls(2));
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    const auto& calls = server->calls();
    ASSERT_EQ(calls.size(), 2u) << "the middle post is superseded while waiting";
    EXPECT_EQ(calls[1].replacesId, calls[0].returnedId);
    EXPECT_EQ(calls[1].body, QStringLiteral("third"));
}

TEST_F(DBusNotificationCenterTest, ClosedNotificationIsPostedAnewNotReplaced) {
    startServer();
    center->post("LEVEL UP", "first", "levelup_9");
    ASSERT_TRUE(waitForCalls(1));
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    server->closeNotification(server->calls()[0], server->calls()[0].returnedId);
    // A click sent after the close arrives after it: once it is heard, so was the close.
    server->invokeAction(server->calls()[0], server->calls()[0].returnedId,
                         QStringLiteral("default"));
    ASSERT_TRUE(test::waitFor([&] { return activations == 1; }));
    center->post("LEVEL UP", "again", "levelup_9");
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_EQ(server->calls()[1].replacesId, 0u);
}

TEST_F(DBusNotificationCenterTest, DefaultActionOnOwnNotificationActivatesOnce) {
    startServer();
    center->post("LEVEL UP", "body", "levelup_2");
    ASSERT_TRUE(waitForCalls(1));
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    const auto& call = server->calls()[0];
    test::ActionSignalCounter delivered(QDBusConnection(QStringLiteral("client")));
    server->invokeAction(call, call.returnedId + 100, QStringLiteral("default"));
    server->invokeAction(call, call.returnedId, QStringLiteral("other"));
    server->invokeAction(call, call.returnedId, QStringLiteral("default"));
    ASSERT_TRUE(test::waitFor([&] { return delivered.received() == 3; }));
    QCoreApplication::processEvents();  // the center's share of the last delivery
    EXPECT_EQ(activations, 1) << "foreign ids and other action keys are not clicks";
}

TEST_F(DBusNotificationCenterTest, ClickReportedAfterCloseStillActivates) {
    startServer();
    center->post("LEVEL UP", "body", "levelup_3");
    ASSERT_TRUE(waitForCalls(1));
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    const auto& call = server->calls()[0];
    server->closeNotification(call, call.returnedId);
    server->invokeAction(call, call.returnedId, QStringLiteral("default"));
    EXPECT_TRUE(test::waitFor([&] { return activations == 1; }));
}

TEST_F(DBusNotificationCenterTest, WithoutServerPostsAreDroppedWithOneLogLine) {
    ::testing::internal::CaptureStderr();
    center->post("LEVEL UP", "one", "levelup_1");
    center->post("LEVEL UP", "two", "levelup_2");
    const bool answered = test::waitFor([&] { return center->pendingPosts() == 0; });
    center->post("LEVEL UP", "three", "levelup_3");
    test::waitFor([&] { return center->pendingPosts() == 0; });
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(answered);
    const std::string prefix = "[QUIB] Notifications unavailable: ";
    ASSERT_NE(log.find(prefix), std::string::npos) << log;
    EXPECT_EQ(log.find(prefix, log.find(prefix) + 1), std::string::npos) << log;
    EXPECT_GT(log.size(), prefix.size() + 1) << "the D-Bus error message follows the prefix";
}

TEST_F(DBusNotificationCenterTest, ServerStartedLaterReceivesLaterPosts) {
    center->post("LEVEL UP", "lost", "levelup_1");
    ASSERT_TRUE(test::waitFor([&] { return center->pendingPosts() == 0; }));
    startServer();
    center->post("LEVEL UP", "seen", "levelup_1");
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(server->calls()[0].body, QStringLiteral("seen"));
}

TEST(DBusNotificationCenterWithoutBus, DisconnectedBusLogsOnceAndDropsPosts) {
    test::application();
    const QString name = QStringLiteral("nowhere");
    DBusNotificationCenter center(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/quib-bus"), name));
    ::testing::internal::CaptureStderr();
    center.post("A", "B", "c");
    center.post("A", "B", "c");
    const std::string log = ::testing::internal::GetCapturedStderr();
    QDBusConnection::disconnectFromBus(name);
    EXPECT_EQ(center.pendingPosts(), 0);
    const std::string prefix = "[QUIB] Notifications unavailable: ";
    ASSERT_NE(log.find(prefix), std::string::npos);
    EXPECT_EQ(log.find(prefix, log.find(prefix) + 1), std::string::npos) << log;
}

}  // namespace
}  // namespace quib
