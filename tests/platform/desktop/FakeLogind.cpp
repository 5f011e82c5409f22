#include "FakeLogind.h"

#include <poll.h>
#include <unistd.h>

#include <QDBusMessage>

namespace quib::test {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");

}  // namespace

FakeLogindSession::FakeLogindSession(QDBusConnection connection, QString path, bool lockedHint)
    : m_connection(std::move(connection)), m_path(std::move(path)), m_lockedHint(lockedHint) {
    m_connection.registerObject(m_path, this, QDBusConnection::ExportAllProperties);
}

void FakeLogindSession::setLockedHint(bool locked) {
    m_lockedHint = locked;
    QDBusMessage signal =
        QDBusMessage::createSignal(m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kSession << QVariantMap{{QStringLiteral("LockedHint"), locked}} << QStringList();
    m_connection.send(signal);
}

void FakeLogindSession::send(const QString& name) {
    m_connection.send(QDBusMessage::createSignal(m_path, kSession, name));
}

FakeLogind::FakeLogind(QDBusConnection connection, bool ownLockedHint)
    : m_connection(std::move(connection)),
      m_own(std::make_unique<FakeLogindSession>(
          m_connection, QStringLiteral("/org/freedesktop/login1/session/_31"), ownLockedHint)),
      m_other(std::make_unique<FakeLogindSession>(
          m_connection, QStringLiteral("/org/freedesktop/login1/session/_42"), false)) {
    m_registered =
        m_connection.registerObject(kManagerPath, this, QDBusConnection::ExportAllSlots) &&
        m_connection.registerService(kService);
}

FakeLogind::~FakeLogind() {
    m_connection.unregisterService(kService);
    for (int fd : m_inhibitReadEnds) {
        close(fd);
    }
}

QDBusObjectPath FakeLogind::GetSession(const QString& id) {
    m_lookups.append(id);
    return QDBusObjectPath(m_own->path());
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString&, const QString&, const QString&,
                                            const QString&) {
    int ends[2];
    if (pipe(ends) != 0) {
        return {};
    }
    m_inhibitReadEnds.push_back(ends[0]);
    QDBusUnixFileDescriptor handed(ends[1]);  // takes a copy
    close(ends[1]);
    return handed;
}

int FakeLogind::heldInhibitors() const {
    int held = 0;
    for (int fd : m_inhibitReadEnds) {
        pollfd entry{fd, POLLIN, 0};
        held += poll(&entry, 1, 0) == 0 ? 1 : 0;  // a closed write end reads as hang-up
    }
    return held;
}

void FakeLogind::sendPrepareForSleep(bool sleeping) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kManagerPath, QStringLiteral("org.freedesktop.login1.Manager"),
                                   QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    m_connection.send(signal);
}

}  // namespace quib::test
