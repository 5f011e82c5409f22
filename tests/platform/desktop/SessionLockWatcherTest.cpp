#include "platform/desktop/SessionLockWatcher.h"

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <memory>
#include <string>
#include <vector>

#include "BusSentinel.h"
#include "FakeLogind.h"
#include "FakeScreenSaver.h"
#include "PrivateSessionBus.h"
#include "support/TestApplication.h"

namespace quib {
namespace {

using test::FakeLogind;
using test::FakeScreenSaver;

const std::string kUnfollowed = "[QUIB] The screen lock cannot be followed";

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// One private bus stands in for both the session bus and the system bus; the
// fakes own their names on connections of their own.
class SessionLockWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        bus = std::make_unique<test::PrivateSessionBus>();
        ASSERT_TRUE(bus->isRunning()) << "dbus-daemon did not start";
    }

    void TearDown() override {
        watcher.reset();
        screenSaver.reset();
        logind.reset();
        bus.reset();
    }

    void startScreenSaver(const QString& service, bool active = false) {
        screenSaver = std::make_unique<FakeScreenSaver>(
            bus->connect(QStringLiteral("saver") + QString::number(++connections)), service,
            active);
        ASSERT_TRUE(screenSaver->isRegistered());
    }

    void startLogind(bool lockedHint = false) {
        logind = std::make_unique<FakeLogind>(bus->connect(QStringLiteral("logind")), lockedHint);
        ASSERT_TRUE(logind->isRegistered());
    }

    // Starts the watcher and waits until its start-up queries are answered.
    void startWatcher() {
        watcher = std::make_unique<SessionLockWatcher>(bus->connect(QStringLiteral("session")),
                                                       bus->connect(QStringLiteral("system")));
        watcher->onLockChanged = [this](bool locked) { changes.push_back(locked); };
        watcher->onWillSleep = [this] {
            events.push_back("sleep");
            heldAtSleep = logind ? logind->heldInhibitors() : -1;
        };
        watcher->onDidWake = [this] { events.push_back("wake"); };
        ASSERT_TRUE(test::waitFor([&] { return watcher->isSettled(); }));
    }

    bool waitForChanges(std::size_t count) {
        return test::waitFor([&] { return changes.size() >= count; });
    }

    std::unique_ptr<test::PrivateSessionBus> bus;
    std::unique_ptr<FakeScreenSaver> screenSaver;
    std::unique_ptr<FakeLogind> logind;
    std::unique_ptr<SessionLockWatcher> watcher;
    std::vector<bool> changes;
    std::vector<std::string> events;
    int heldAtSleep = -1;
    int connections = 0;
};

TEST_F(SessionLockWatcherTest, ScreenSaverActiveChangedLocksAndUnlocks) {
    for (const char* service : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"}) {
        SCOPED_TRACE(service);
        changes.clear();
        startScreenSaver(QLatin1String(service));
        startWatcher();
        EXPECT_FALSE(watcher->isLocked());
        screenSaver->setActive(true);
        ASSERT_TRUE(waitForChanges(1));
        EXPECT_TRUE(watcher->isLocked());
        screenSaver->setActive(false);
        ASSERT_TRUE(waitForChanges(2));
        EXPECT_EQ(changes, (std::vector<bool>{true, false}));
        watcher.reset();
        screenSaver.reset();
    }
}

TEST_F(SessionLockWatcherTest, ALockInPlaceAtStartIsReported) {
    for (const bool fromLogind : {false, true}) {
        SCOPED_TRACE(fromLogind ? "LockedHint" : "GetActive");
        changes.clear();
        if (fromLogind) {
            startLogind(true);
        } else {
            startScreenSaver(QStringLiteral("org.freedesktop.ScreenSaver"), true);
        }
        startWatcher();
        ASSERT_TRUE(waitForChanges(1));
        EXPECT_TRUE(watcher->isLocked());
        watcher.reset();
        screenSaver.reset();
    }
}

TEST_F(SessionLockWatcherTest, ActiveChangedFromAConnectionThatDoesNotOwnTheNameIsIgnored) {
    startScreenSaver(QStringLiteral("org.freedesktop.ScreenSaver"));
    startWatcher();
    QDBusConnection impostor = bus->connect(QStringLiteral("impostor"));
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                     QStringLiteral("org.freedesktop.ScreenSaver"),
                                                     QStringLiteral("ActiveChanged"));
    signal << true;
    test::BusSentinel sentinel(QDBusConnection(QStringLiteral("session")));
    impostor.send(signal);
    ASSERT_TRUE(sentinel.passes(impostor));
    EXPECT_FALSE(watcher->isLocked());
    EXPECT_TRUE(changes.empty());
}

TEST_F(SessionLockWatcherTest, LogindLockAndUnlockOfTheOwnSessionOnly) {
    startLogind();
    startWatcher();
    EXPECT_EQ(logind->sessionLookups(), QStringList{QStringLiteral("auto")});
    EXPECT_EQ(watcher->sessionPath(), logind->ownSession().path());
    test::BusSentinel sentinel(QDBusConnection(QStringLiteral("system")));
    logind->otherSession().sendLock();
    ASSERT_TRUE(sentinel.passes(QDBusConnection(QStringLiteral("logind"))));
    EXPECT_FALSE(watcher->isLocked()) << "another user's session";
    logind->ownSession().sendLock();
    ASSERT_TRUE(waitForChanges(1));
    logind->ownSession().sendUnlock();
    ASSERT_TRUE(waitForChanges(2));
    logind->ownSession().setLockedHint(true);
    ASSERT_TRUE(waitForChanges(3));
    logind->ownSession().setLockedHint(false);
    ASSERT_TRUE(waitForChanges(4));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));
}

TEST_F(SessionLockWatcherTest, AnUnlockFromAnySourceEndsThePause) {
    startScreenSaver(QStringLiteral("org.freedesktop.ScreenSaver"));
    startLogind();
    startWatcher();
    logind->ownSession().sendLock();
    ASSERT_TRUE(waitForChanges(1));
    screenSaver->setActive(false);  // the locker reports the unlock; logind is not told
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_FALSE(watcher->isLocked());
}

TEST_F(SessionLockWatcherTest, SleepWaitsForTheCallbackThenTheDelayIsTakenAgainAfterWaking) {
    startLogind();
    startWatcher();
    ASSERT_TRUE(test::waitFor([&] { return logind->heldInhibitors() == 1; }));
    EXPECT_TRUE(watcher->holdsSleepDelay());
    logind->sendPrepareForSleep(true);
    ASSERT_TRUE(test::waitFor([&] { return logind->heldInhibitors() == 0; }))
        << "released once the callback returned";
    EXPECT_EQ(heldAtSleep, 1) << "still held while the callback ran";
    logind->sendPrepareForSleep(false);
    ASSERT_TRUE(test::waitFor([&] { return logind->heldInhibitors() == 1; }));
    EXPECT_EQ(events, (std::vector<std::string>{"sleep", "wake"}));
}

TEST_F(SessionLockWatcherTest, WithoutAnyServiceOneLineAndALaterScreenSaverIsStillHeard) {
    ::testing::internal::CaptureStderr();
    startWatcher();  // every start-up query answered: nothing more is pending
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(log, kUnfollowed), 1) << log;
    EXPECT_FALSE(watcher->isLocked());
    EXPECT_FALSE(watcher->holdsSleepDelay());

    startScreenSaver(QStringLiteral("org.freedesktop.ScreenSaver"));
    ::testing::internal::CaptureStderr();
    for (bool active : {true, false, true}) {
        screenSaver->setActive(active);
    }
    ASSERT_TRUE(waitForChanges(3));
    EXPECT_EQ(occurrences(::testing::internal::GetCapturedStderr(), kUnfollowed), 0);
}

TEST(SessionLockWatcherWithoutBus, DisconnectedBusesLogOnceAndNeverLock) {
    test::application();
    const QString name = QStringLiteral("nowhere");
    ::testing::internal::CaptureStderr();
    {
        const QDBusConnection none =
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/quib-bus"), name);
        SessionLockWatcher watcher(none, none);
        EXPECT_TRUE(watcher.isSettled());
        EXPECT_FALSE(watcher.isLocked());
    }
    QDBusConnection::disconnectFromBus(name);
    EXPECT_EQ(occurrences(::testing::internal::GetCapturedStderr(), kUnfollowed), 1);
}

}  // namespace
}  // namespace quib
