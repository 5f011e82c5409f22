#include "platform/process/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
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
// A QUIB sends one request per connection; a client that sends many more is
// not one, and is cut off.
constexpr int kMostRequests = 16;
// How much of an unknown request the log shows.
constexpr qsizetype kShownRequest = 32;
const char* const kUnknownCount = "quibUnknownRequests";
const char* const kRequestCount = "quibRequests";

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

// A directory other users cannot enter, plant files in or swap: a real
// directory (not a symbolic link someone else planted in /tmp), ours, and
// with no access for group or others, as the XDG base-directory rules ask of
// a runtime directory.
bool isPrivateDirectory(const QByteArray& native) {
    struct stat status {};
    return ::lstat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

bool ensurePrivateDirectory(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        logLine("Single-instance directory unavailable: ", std::strerror(errno));
        return false;
    }
    if (!isPrivateDirectory(native)) {
        logLine("Single-instance directory not private: ", native.toStdString());
        return false;
    }
    return true;
}

// A file just created or opened in the runtime directory: a regular file or a
// socket of ours that only we can use.
bool isOurOwn(const struct stat& status, bool socket) {
    const bool kind = socket ? S_ISSOCK(status.st_mode) : S_ISREG(status.st_mode);
    return kind && status.st_uid == ::getuid() && (status.st_mode & 077) == 0 &&
           status.st_nlink == 1;
}

// An unknown request as the log shows it: the first bytes, with control
// characters and bytes outside ASCII written as \xNN.
std::string printable(const QByteArray& line) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : line.left(kShownRequest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '\\') {
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        } else {
            shown += c;
        }
    }
    return line.size() > kShownRequest ? shown + "..." : shown;
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
    if (!runtime.isEmpty() && isPrivateDirectory(runtime.toLocal8Bit())) {
        return runtime;
    }
    const QString fallback = QDir::tempPath() + QStringLiteral("/quib-%1").arg(::getuid());
    if (!runtime.isEmpty()) {
        logLine(
            "XDG_RUNTIME_DIR is not a folder only you can use, so the single-instance files "
            "go to ",
            fallback.toStdString() + " instead: " + runtime.toStdString());
    }
    return fallback;
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
    m_lockFd = ::open(m_lockPath.toLocal8Bit().constData(),
                      O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        logLine("Single-instance lock unavailable: ", std::strerror(errno));
        return true;
    }
    struct stat status {};
    if (::fstat(m_lockFd, &status) != 0 || !isOurOwn(status, false)) {
        logLine("Single-instance lock not ours alone, so it is not used: ",
                m_lockPath.toStdString());
        ::close(m_lockFd);
        m_lockFd = -1;
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
    struct stat status {};
    if (::lstat(m_socketPath.toLocal8Bit().constData(), &status) != 0 || !isOurOwn(status, true)) {
        logLine("Single-instance socket not ours alone, so it is not used: ",
                m_socketPath.toStdString());
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
        const int requests = socket->property(kRequestCount).toInt() + 1;
        if (requests > kMostRequests + 1) {
            return;  // cut off already (abort() may report the end from within)
        }
        socket->setProperty(kRequestCount, requests);
        if (requests > kMostRequests) {
            logLine("Closed a connection from another instance that sent more than ",
                    std::to_string(kMostRequests) + " requests");
            socket->abort();
            return;
        }
        handleRequest(socket, socket->readLine(kLongestRequest).trimmed());
    }
    if (socket->bytesAvailable() > kLongestRequest) {
        logLine("Ignored oversized request from another instance");
        socket->abort();
    }
}

// Unknown requests are counted; the first of a connection is logged.
void SingleInstance::handleRequest(QLocalSocket* socket, const QByteArray& line) {
    const std::function<void()>* handler = line == kActivateRequest ? &onActivateRequested
                                           : line == kReloadRequest ? &onReloadRequested
                                                                    : nullptr;
    if (handler == nullptr) {
        const int unknown = socket->property(kUnknownCount).toInt() + 1;
        socket->setProperty(kUnknownCount, unknown);
        if (unknown == 1) {
            logLine("Ignored request from another instance: ", printable(line));
        }
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
