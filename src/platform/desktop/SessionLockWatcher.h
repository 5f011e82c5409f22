#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

#include "platform/desktop/SessionMonitor.h"

class QDBusMessage;

namespace quib {

// Follows the screen lock and system sleep over D-Bus.
//
// Lock: the screen savers' ActiveChanged(bool) on the session bus (the
// freedesktop name, which KDE, Xfce and LXQt own, and the names GNOME,
// Cinnamon, MATE and Xfce use for their own lockers), and, on the system bus,
// logind's Lock and Unlock for the user's own session and that session's
// LockedHint property (read at start and followed through PropertiesChanged).
// Whichever source speaks last decides: desktops report an unlock through one
// source only, and a pause that never ends would be worse than one that ends
// early.
//
// Sleep: logind's PrepareForSleep(bool) on the system bus. A "delay"
// inhibitor lock is held while awake, so that the sleep waits until
// onWillSleep has returned; it is released then and taken again after waking.
//
// Nothing here blocks: every query is asynchronous, and calls never start a
// service that is not running. When at start no screen saver answers and
// logind knows no session for the user, one line says that the lock cannot be
// followed; a screen saver that appears later is still heard.
class SessionLockWatcher final : public QObject, public SessionMonitor {
    Q_OBJECT

  public:
    explicit SessionLockWatcher(QDBusConnection sessionBus = QDBusConnection::sessionBus(),
                                QDBusConnection systemBus = QDBusConnection::systemBus(),
                                QObject* parent = nullptr);

    bool isLocked() const override { return m_locked; }

    // For tests: every start-up query has been answered; the object path of
    // the user's logind session (empty until found); whether the sleep delay
    // lock is held.
    bool isSettled() const { return m_pendingProbes == 0; }
    QString sessionPath() const { return m_sessionPath; }
    bool holdsSleepDelay() const { return m_sleepDelay.isValid(); }

  private slots:
    void handleScreenSaverActive(bool active);
    void handleLock();
    void handleUnlock();
    void handleSessionProperties(const QString& interface, const QVariantMap& changed,
                                 const QStringList& invalidated);
    void handlePrepareForSleep(bool sleeping);

  private:
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    // A reply with at least one value (not an error).
    static bool isAnswer(const QDBusMessage& reply);

    void watchScreenSavers();
    void watchLogind();
    void watchSession(const QString& path);
    void takeSleepDelay();
    void call(QDBusConnection& bus, QDBusMessage message, ReplyHandler handler);
    void startProbe() { ++m_pendingProbes; }
    void finishProbe(bool followed);
    void reportIfUnfollowed();
    // A state read at start; any change reported since then wins over it.
    void applyInitialState(bool locked);
    void applyChange(bool locked);
    void setLocked(bool locked);

    QDBusConnection m_sessionBus;
    QDBusConnection m_systemBus;
    QString m_sessionPath;
    QDBusUnixFileDescriptor m_sleepDelay;
    bool m_locked = false;
    bool m_sawChange = false;
    bool m_followed = false;
    bool m_reportedUnfollowed = false;
    int m_pendingProbes = 0;
};

}  // namespace quib
