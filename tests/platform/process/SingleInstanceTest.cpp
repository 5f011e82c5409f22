#include "platform/process/SingleInstance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "support/TestApplication.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        ASSERT_TRUE(directory.isValid());
    }

    std::unique_ptr<SingleInstance> instance(const QString& key = QStringLiteral("/home/a")) {
        return std::make_unique<SingleInstance>(key, directory.path());
    }

    QTemporaryDir directory;
};

// What a crashed run leaves: a socket file that nothing listens on any more.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = path.toLocal8Bit();
    std::memcpy(address.sun_path, native.constData(), native.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
}

TEST_F(SingleInstanceTest, SecondInstanceIsNotPrimaryAndOpensThePrimarysPanel) {
    auto primary = instance();
    int requests = 0;
    primary->onActivateRequested = [&] { ++requests; };
    ASSERT_TRUE(primary->tryBecomePrimary());

    auto second = instance();
    EXPECT_FALSE(second->tryBecomePrimary());
    EXPECT_FALSE(second->isPrimary());
    EXPECT_TRUE(second->activatePrimary());
    EXPECT_TRUE(test::waitFor([&] { return requests == 1; }));
    EXPECT_TRUE(second->activatePrimary());
    EXPECT_TRUE(test::waitFor([&] { return requests == 2; }));
}

TEST_F(SingleInstanceTest, NewSettingsReachTheRunningPrimaryOnlyAsAReload) {
    EXPECT_FALSE(instance()->notifyPrimaryOfNewSettings()) << "nobody runs: nothing to tell";
    auto primary = instance();
    int reloads = 0;
    int activations = 0;
    primary->onReloadRequested = [&] { ++reloads; };
    primary->onActivateRequested = [&] { ++activations; };
    ASSERT_TRUE(primary->tryBecomePrimary());
    EXPECT_TRUE(instance()->notifyPrimaryOfNewSettings());
    EXPECT_TRUE(test::waitFor([&] { return reloads == 1; }));
    EXPECT_EQ(activations, 0);
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedRunDoesNotBlockStart) {
    auto probe = instance();
    leaveStaleSocket(probe->socketPath());
    auto primary = instance();
    int requests = 0;
    primary->onActivateRequested = [&] { ++requests; };
    ASSERT_TRUE(primary->tryBecomePrimary());
    EXPECT_TRUE(instance()->activatePrimary());
    EXPECT_TRUE(test::waitFor([&] { return requests == 1; }));
}

TEST_F(SingleInstanceTest, EndedPrimaryLetsTheNextRunBecomePrimary) {
    auto first = instance();
    ASSERT_TRUE(first->tryBecomePrimary());
    first.reset();
    auto next = instance();
    EXPECT_TRUE(next->tryBecomePrimary());
}

TEST_F(SingleInstanceTest, DifferentDataDirectoriesRunSideBySide) {
    auto first = instance(QStringLiteral("/home/a"));
    auto other = instance(QStringLiteral("/home/b"));
    EXPECT_TRUE(first->tryBecomePrimary());
    EXPECT_TRUE(other->tryBecomePrimary());
    EXPECT_NE(first->socketPath(), other->socketPath());
}

TEST_F(SingleInstanceTest, ActivationWaitsForAPrimaryThatIsStillStartingUp) {
    auto second = instance();
    // A primary that holds the lock but listens only a little later.
    const int lock = ::open(second->lockPath().toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(second->tryBecomePrimary());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::thread lateStart([&] {
        std::this_thread::sleep_for(200ms);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = second->socketPath().toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(), path.size() + 1);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 4);
    });
    EXPECT_TRUE(second->activatePrimary(10s));
    lateStart.join();
    const int accepted = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    char request[16] = {};
    EXPECT_EQ(::read(accepted, request, sizeof request - 1), 9);
    EXPECT_STREQ(request, "activate\n");
    ::close(accepted);
    ::close(listener);
    ::close(lock);
}

TEST_F(SingleInstanceTest, ActivationWithoutPrimaryGivesUpAfterTheTimeout) {
    EXPECT_FALSE(instance()->activatePrimary(150ms));
}

TEST_F(SingleInstanceTest, UnknownRequestIsLoggedAndIgnored) {
    auto primary = instance();
    int requests = 0;
    primary->onActivateRequested = [&] { ++requests; };
    ASSERT_TRUE(primary->tryBecomePrimary());
    ::testing::internal::CaptureStderr();
    QLocalSocket stranger;
    stranger.connectToServer(primary->socketPath());
    ASSERT_TRUE(stranger.waitForConnected(1000));
    // The request after it on the same connection is read after it.
    stranger.write("open the pod bay doors\nactivate\n");
    stranger.flush();
    ASSERT_TRUE(test::waitFor([&] { return requests > 0; }));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(requests, 1) << "only the activation";
    EXPECT_NE(log.find("[QUIB] Ignored request from another instance: "), std::string::npos);
    EXPECT_TRUE(instance()->activatePrimary());
    EXPECT_TRUE(test::waitFor([&] { return requests == 2; }));
}

TEST_F(SingleInstanceTest, AnIdleConnectionIsClosedButARequestAfterItStillWorks) {
    auto primary = instance();
    primary->setIdleTimeout(200ms);
    int requests = 0;
    primary->onActivateRequested = [&] { ++requests; };
    ASSERT_TRUE(primary->tryBecomePrimary());
    QLocalSocket idle;
    idle.connectToServer(primary->socketPath());
    ASSERT_TRUE(idle.waitForConnected(1000));
    EXPECT_TRUE(test::waitFor([&] { return idle.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_TRUE(instance()->activatePrimary());
    EXPECT_TRUE(test::waitFor([&] { return requests == 1; }));
}

// A runtime directory others could plant the lock and the socket in: the
// guard is not used there, and the program still runs.
TEST_F(SingleInstanceTest, ARuntimeDirectoryOthersCanReachIsRefusedButTheProgramStillRuns) {
    const QString target = directory.filePath(QStringLiteral("elsewhere"));
    const QString link = directory.filePath(QStringLiteral("link"));
    const QString open = directory.filePath(QStringLiteral("open"));
    const QString shared = directory.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(target));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(::mkdir(open.toLocal8Bit().constData(), 0700), 0);
    ASSERT_EQ(::chmod(open.toLocal8Bit().constData(), 0777), 0);
    ASSERT_EQ(::mkdir(shared.toLocal8Bit().constData(), 0700), 0);
    ASSERT_EQ(::chmod(shared.toLocal8Bit().constData(), 0750), 0);
    for (const QString& runtime : {link, open, shared}) {
        SingleInstance guarded(QStringLiteral("/home/a"), runtime);
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(guarded.tryBecomePrimary());
        const std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("[QUIB] Single-instance directory not private: "), std::string::npos)
            << runtime.toStdString();
        EXPECT_FALSE(QFileInfo::exists(guarded.socketPath())) << runtime.toStdString();
        EXPECT_FALSE(QFileInfo::exists(guarded.lockPath())) << runtime.toStdString();
    }
}

// Set by the environment, such a directory gives way to a private one of
// QUIB's under the temporary folder.
TEST_F(SingleInstanceTest, AnOpenXdgRuntimeDirGivesWayToAPrivateFolder) {
    const QString open = directory.filePath(QStringLiteral("open"));
    ASSERT_EQ(::mkdir(open.toLocal8Bit().constData(), 0700), 0);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray temporary = qgetenv("TMPDIR");
    qputenv("XDG_RUNTIME_DIR", open.toLocal8Bit());
    qputenv("TMPDIR", directory.path().toLocal8Bit());
    const QString privateRun = SingleInstance::defaultRuntimeDirectory();
    ASSERT_EQ(::chmod(open.toLocal8Bit().constData(), 0777), 0);
    ::testing::internal::CaptureStderr();
    const QString fallback = SingleInstance::defaultRuntimeDirectory();
    const std::string log = ::testing::internal::GetCapturedStderr();
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TMPDIR", temporary);
    EXPECT_EQ(privateRun, open);
    EXPECT_EQ(fallback, directory.filePath(QStringLiteral("quib-%1").arg(::getuid())));
    EXPECT_NE(log.find("[QUIB] XDG_RUNTIME_DIR is not a folder only you can use"),
              std::string::npos)
        << log;
}

// One connection that floods: one line in the log, control characters
// escaped, and the connection closed.
TEST_F(SingleInstanceTest, AFloodOfUnknownRequestsIsLoggedOnceAndCutOff) {
    auto primary = instance();
    ASSERT_TRUE(primary->tryBecomePrimary());
    ::testing::internal::CaptureStderr();
    QLocalSocket flood;
    flood.connectToServer(primary->socketPath());
    ASSERT_TRUE(flood.waitForConnected(1000));
    QByteArray lines;
    for (int i = 0; i < 2000; ++i) {
        lines += "\x1b[2Jgone\a\n";
    }
    flood.write(lines);
    flood.flush();
    const bool closed =
        test::waitFor([&] { return flood.state() == QLocalSocket::UnconnectedState; });
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(closed);
    EXPECT_EQ(log.find("[QUIB] Ignored request from another instance: \\x1b[2Jgone\\x07\n"), 0u)
        << log.substr(0, 400);
    EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 2) << log.substr(0, 400);
    EXPECT_EQ(log.find('\x1b'), std::string::npos);
}

TEST_F(SingleInstanceTest, SocketIsPrivateToTheUser) {
    auto primary = instance();
    ASSERT_TRUE(primary->tryBecomePrimary());
    const QFileInfo socket(primary->socketPath());
    ASSERT_TRUE(socket.exists());
    EXPECT_FALSE(socket.permissions() & (QFile::ReadOther | QFile::WriteOther));
}

}  // namespace
}  // namespace quib
