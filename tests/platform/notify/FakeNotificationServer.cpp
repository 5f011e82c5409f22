#include "FakeNotificationServer.h"

#include <QDBusMessage>

namespace quib::test {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection connection)
    : m_connection(std::move(connection)) {
    m_registered = m_connection.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
                   m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints,
                                    int expireTimeout) {
    const uint id = replacesId != 0 ? replacesId : ++m_lastId;
    m_calls.push_back({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout,
                       message().service(), id});
    return id;
}

void FakeNotificationServer::invokeAction(const Call& call, uint serverId,
                                          const QString& actionKey) {
    QDBusMessage signal = QDBusMessage::createTargetedSignal(call.sender, kPath, kInterface,
                                                             QStringLiteral("ActionInvoked"));
    signal << serverId << actionKey;
    m_connection.send(signal);
}

void FakeNotificationServer::closeNotification(const Call& call, uint serverId) {
    QDBusMessage signal = QDBusMessage::createTargetedSignal(call.sender, kPath, kInterface,
                                                             QStringLiteral("NotificationClosed"));
    signal << serverId << 2u;
    m_connection.send(signal);
}

ActionSignalCounter::ActionSignalCounter(QDBusConnection connection) {
    connection.connect(QStringLiteral("org.freedesktop.Notifications"), kPath, kInterface,
                       QStringLiteral("ActionInvoked"), this, SLOT(count(uint, QString)));
}

void ActionSignalCounter::count(uint, const QString&) {
    ++m_received;
}

}  // namespace quib::test
