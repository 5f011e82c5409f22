#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace quib {

// The line a second `quib` prints on stderr before it exits.
inline constexpr const char* kAlreadyRunningMessage = "QUIB is already running; opening its panel.";

// One running instance per user and data directory. The first instance holds
// an exclusive lock on "<runtime dir>/<name>.lock" for its whole run and
// listens on the local socket "<runtime dir>/<name>.socket"; a later one finds
// the lock taken, connects to the socket and sends the line "activate", upon
// which the first calls onActivateRequested on its main thread. A command
// that changed the stored settings (`quib set`, `quib packs use`) sends
// "reload" instead, and the first calls onReloadRequested.
//
// The lock, not the socket, decides who is first: the kernel drops the lock
// of a crashed run, so a socket file left behind by it never blocks a new
// start (the new primary removes it before listening), and two programs that
// start at the same moment cannot both become primary.
//
// The runtime directory is $XDG_RUNTIME_DIR when it is a directory of the
// user's that no one else can use (mode 0700), else <temp dir>/quib-<uid>
// ($TMPDIR or /tmp; created with mode 0700, refused if it is not private).
// The lock is opened without following a link and the socket checked after
// it is made: both must be the user's alone, or the guard is not used. The name is "quib" plus a
// short hash of the instance key, so runs with different data directories
// (the e2e tests) do not meet.
//
// The key is the canonical data directory, and the data folder has a lock of
// its own (DataFolderLock) for the routes this one cannot see.
//
// Limits: the local socket only reaches instances on this machine with the
// same runtime directory. If the guard cannot be set up at all (no writable
// runtime directory), tryBecomePrimary() logs a line and returns true: running
// twice is better than not running.
class SingleInstance {
  public:
    // instanceKey: normally the data directory; empty gives the plain name.
    // runtimeDirectory: empty picks the default above (tests pass a temp dir).
    explicit SingleInstance(const QString& instanceKey = {}, const QString& runtimeDirectory = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process is now the primary (call once, early in main).
    // False when another instance holds the lock: call activatePrimary() and
    // exit 0 after printing kAlreadyRunningMessage.
    bool tryBecomePrimary();

    // Asks the primary to open its panel. Waits at most the timeout for the
    // primary to accept (it may still be starting up). False if nobody did.
    bool activatePrimary(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // The same for the primary listening on `socketPath`.
    static bool activate(const QString& socketPath,
                         std::chrono::milliseconds timeout = std::chrono::seconds(2));

    // A connection that sends no request within this time is closed, so that
    // an idle client cannot hold resources of the primary.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }
    static constexpr std::chrono::milliseconds kIdleTimeout{5000};

    // Tells a running primary that the stored settings changed. Tries once:
    // false when no instance listens (it reads the settings when it starts).
    bool notifyPrimaryOfNewSettings();

    bool isPrimary() const { return m_isPrimary; }
    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }

    // The primary's handler of an activation request, on the main thread.
    std::function<void()> onActivateRequested;
    // The primary's handler of "reload", on the main thread.
    std::function<void()> onReloadRequested;

    static QString defaultRuntimeDirectory();

  private:
    bool claimLock();
    void listen();
    void acceptConnections();
    void readRequests(QLocalSocket* socket);
    void handleRequest(QLocalSocket* socket, const QByteArray& line);

    QString m_socketPath;
    QString m_lockPath;
    int m_lockFd = -1;
    bool m_isPrimary = false;
    std::chrono::milliseconds m_idleTimeout = kIdleTimeout;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace quib
