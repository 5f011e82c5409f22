#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace quib::test {

// A dbus-daemon of our own for one test: no service directories, so nothing
// is ever activated on it and a missing notification server stays missing.
class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    // A new connection to the bus; closed when the bus fixture goes.
    QDBusConnection connect(const QString& name);

  private:
    QTemporaryDir m_directory;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connectionNames;
};

}  // namespace quib::test
