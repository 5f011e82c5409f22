#include "platform/notify/DBusNotificationCenter.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/Log.h"

namespace quib {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// The freedesktop sound theme's name for the desktop's default message sound.
const QString kDefaultSound = QStringLiteral("message-new-instant");
// The "urgency" hint is a byte.
constexpr uchar kLowUrgency = 0;
// The server picks its own display time, as the desktop's other programs get.
constexpr int kServerDefaultTimeout = -1;

}  // namespace

DBusNotificationCenter::DBusNotificationCenter(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)) {
    if (!m_connection.isConnected()) {
        return;
    }
    // Both signals are sent only to the connection that posted, so they are
    // subscribed on that same connection.
    m_connection.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                         SLOT(handleActionInvoked(uint, QString)));
    m_connection.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                         SLOT(handleNotificationClosed(uint, uint)));
}

void DBusNotificationCenter::post(const std::string& title, const std::string& body,
                                  const std::string& identifier) {
    enqueue(identifier, {QString::fromStdString(title), QString::fromStdString(body), false});
}

void DBusNotificationCenter::postSilently(const std::string& title, const std::string& body,
                                          const std::string& identifier) {
    enqueue(identifier, {QString::fromStdString(title), QString::fromStdString(body), true});
}

void DBusNotificationCenter::enqueue(const std::string& identifier, const Content& content) {
    if (!m_connection.isConnected()) {
        reportUnavailable(m_connection.lastError().message());
        return;
    }
    Entry& entry = m_entries[identifier];
    if (entry.awaitingReply) {
        // Only the newest content matters: it replaces whatever waited before.
        entry.waiting = content;
        return;
    }
    send(identifier, content);
}

void DBusNotificationCenter::send(const std::string& identifier, const Content& content) {
    Entry& entry = m_entries[identifier];
    entry.awaitingReply = true;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints{{QStringLiteral("desktop-entry"), QLatin1String(kApplicationId)}};
    if (content.silent) {
        hints.insert(QStringLiteral("suppress-sound"), true);
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kLowUrgency));
    } else {
        hints.insert(QStringLiteral("sound-name"), kDefaultSound);
    }
    const QStringList actions{kDefaultAction, QStringLiteral("Open QUIB")};
    call << QStringLiteral("QUIB") << entry.serverId << m_appIcon << content.title
         << content.body.toHtmlEscaped() << actions << hints << kServerDefaultTimeout;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier](QDBusPendingCallWatcher* finished) {
                handleReply(identifier, finished);
            });
}

void DBusNotificationCenter::handleReply(const std::string& identifier,
                                         QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    Entry& entry = m_entries[identifier];
    entry.awaitingReply = false;
    if (reply.isError()) {
        reportUnavailable(reply.error().message());
    } else {
        entry.serverId = reply.value();
        m_postedIds.insert(entry.serverId);
    }
    if (entry.waiting) {
        const Content next = *entry.waiting;
        entry.waiting.reset();
        send(identifier, next);
    }
}

void DBusNotificationCenter::handleActionInvoked(uint serverId, const QString& actionKey) {
    // Some servers broadcast their signals: only clicks on our own count.
    if (actionKey != kDefaultAction || !ownsServerId(serverId)) {
        return;
    }
    if (onActivated) {
        onActivated();
    }
}

void DBusNotificationCenter::handleNotificationClosed(uint serverId, uint /*reason*/) {
    // A closed notification cannot be replaced; the next post of its
    // identifier asks for a new one.
    for (auto& [identifier, entry] : m_entries) {
        if (entry.serverId == serverId) {
            entry.serverId = 0;
        }
    }
}

bool DBusNotificationCenter::ownsServerId(uint serverId) const {
    // Every id ever returned counts: a server may report the click after it
    // reported the notification closed.
    return serverId != 0 && m_postedIds.count(serverId) > 0;
}

int DBusNotificationCenter::pendingPosts() const {
    int count = 0;
    for (const auto& [identifier, entry] : m_entries) {
        count += entry.awaitingReply ? 1 : 0;
    }
    return count;
}

void DBusNotificationCenter::reportUnavailable(const QString& message) {
    if (m_reportedUnavailable) {
        return;
    }
    m_reportedUnavailable = true;
    logLine("Notifications unavailable: ", message.toStdString());
}

}  // namespace quib
