#include "platform/process/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Log.h"

namespace quib {

namespace {

const QByteArray kActivateRequest = QByteArrayLiteral("activate");
const QByteArray kReloadRequest = QByteArrayLiteral("reload");
// A request is one short line; anything longer is not from a QUIB.
constexpr qint64 kLongestRequest = 256;

// Sends one request line on a connected socket and lets it go.
bool sendRequest(QLocalSocket& socket, const QByteArray& request) {
    socket.write(request + '\n');
    socket.flush();
    const bool written = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return written;
}

QString instanceName(const QString& instanceKey) {
    if (instanceKey.isEmpty()) {
        return QStringLiteral("quib");
    }
    const QByteArray hash =
        QCryptographicHash::hash(instanceKey.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("quib-") + QString::fromLatin1(hash.left(12));
}

// The socket must not be reachable by other users: the directory has to be
// ours and a real directory (not a symbolic link someone else planted in /tmp).
bool ensurePrivateDirectory(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        logLine("Single-instance directory unavailable: ", std::strerror(errno));
        return false;
    }
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::getuid()) {
        logLine("Single-instance directory not private: ", native.toStdString());
        return false;
    }
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const QString& instanceKey, const QString& runtimeDirectory) {
    const QString directory =
        runtimeDirectory.isEmpty() ? defaultRuntimeDirectory() : runtimeDirectory;
    const QString base = directory + QLatin1Char('/') + instanceName(instanceKey);
    m_socketPath = base + QStringLiteral(".socket");
    m_lockPath = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() {
    if (m_server) {
        m_server->close();  // Also removes the socket file.
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);  // Releases the lock.
    }
}

QString SingleInstance::defaultRuntimeDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        return runtime;
    }
    return QStringLiteral("/tmp/quib-%1").arg(::getuid());
}

bool SingleInstance::tryBecomePrimary() {
    if (m_isPrimary) {
        return true;
    }
    const QString directory = m_lockPath.section(QLatin1Char('/'), 0, -2);
    if (ensurePrivateDirectory(directory) && !claimLock()) {
        return false;
    }
    m_isPrimary = true;
    if (m_lockFd >= 0) {
        listen();
    }
    return true;
}

// False only when another live instance holds the lock; any other failure
// leaves m_lockFd closed and lets the caller run unguarded.
bool SingleInstance::claimLock() {
    m_lockFd = ::open(m_lockPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        logLine("Single-instance lock unavailable: ", std::strerror(errno));
        return true;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    const int error = errno;
    ::close(m_lockFd);
    m_lockFd = -1;
    if (error == EWOULDBLOCK) {
        return false;
    }
    logLine("Single-instance lock unavailable: ", std::strerror(error));
    return true;
}

void SingleInstance::listen() {
    // Holding the lock proves that any socket file left here is stale.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        logLine("Single-instance socket unavailable: ", m_server->errorString().toStdString());
        m_server.reset();
        return;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, [this] { acceptConnections(); });
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The timer dies with the socket, so it can never reach a deleted one.
        QTimer::singleShot(m_idleTimeout, socket, [socket] { socket->abort(); });
        QObject::connect(socket, &QLocalSocket::readyRead,
                         [this, socket] { readRequests(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, [this, socket] {
            readRequests(socket);
            socket->deleteLater();
        });
        readRequests(socket);
    }
}

void SingleInstance::readRequests(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        handleRequest(socket->readLine(kLongestRequest).trimmed());
    }
    if (socket->bytesAvailable() > kLongestRequest) {
        logLine("Ignored oversized request from another instance");
        socket->abort();
    }
}

void SingleInstance::handleRequest(const QByteArray& line) {
    const std::function<void()>* handler = line == kActivateRequest ? &onActivateRequested
                                           : line == kReloadRequest ? &onReloadRequested
                                                                    : nullptr;
    if (handler == nullptr) {
        logLine("Ignored request from another instance: ", line.left(32).toStdString());
    } else if (*handler) {
        (*handler)();
    }
}

bool SingleInstance::notifyPrimaryOfNewSettings() {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    return socket.waitForConnected(500) && sendRequest(socket, kReloadRequest);
}

bool SingleInstance::activatePrimary(std::chrono::milliseconds timeout) {
    return activate(m_socketPath, timeout);
}

bool SingleInstance::activate(const QString& socketPath, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    QLocalSocket socket;
    // The primary takes the lock before it listens: give it a moment.
    socket.connectToServer(socketPath);
    while (!socket.waitForConnected(100)) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QThread::msleep(50);
        socket.connectToServer(socketPath);
    }
    return sendRequest(socket, kActivateRequest);
}

}  // namespace quib
