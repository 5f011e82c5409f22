#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace quib::test {

// One logind session object: the LockedHint property, and the Lock and Unlock
// signals logind sends to that session only.
class FakeLogindSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint)

  public:
    FakeLogindSession(QDBusConnection connection, QString path, bool lockedHint);

    QString path() const { return m_path; }
    bool lockedHint() const { return m_lockedHint; }
    // Changes the property and announces it with PropertiesChanged.
    void setLockedHint(bool locked);
    void sendLock() { send(QStringLiteral("Lock")); }
    void sendUnlock() { send(QStringLiteral("Unlock")); }

  private:
    void send(const QString& name);

    QDBusConnection m_connection;
    QString m_path;
    bool m_lockedHint;
};

// Just enough of logind's manager: GetSession resolves every name to the
// caller's own session, Inhibit hands out the write end of a pipe (the lock
// is held until every copy of it is closed, which the read end sees), and
// PrepareForSleep is sent on request.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

  public:
    explicit FakeLogind(QDBusConnection connection, bool ownLockedHint = false);
    ~FakeLogind() override;

    bool isRegistered() const { return m_registered; }
    FakeLogindSession& ownSession() { return *m_own; }
    FakeLogindSession& otherSession() { return *m_other; }
    const QStringList& sessionLookups() const { return m_lookups; }
    // Inhibitor locks handed out and not yet released.
    int heldInhibitors() const;
    void sendPrepareForSleep(bool sleeping);

  public slots:
    QDBusObjectPath GetSession(const QString& id);
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

  private:
    QDBusConnection m_connection;
    std::unique_ptr<FakeLogindSession> m_own;
    std::unique_ptr<FakeLogindSession> m_other;
    QStringList m_lookups;
    std::vector<int> m_inhibitReadEnds;
    bool m_registered = false;
};

}  // namespace quib::test
