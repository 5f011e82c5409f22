#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/ApplicationId.h"
#include "platform/notify/NotificationCenter.h"

class QDBusPendingCallWatcher;

namespace quib {

// Notifications through the freedesktop notification service
// (org.freedesktop.Notifications) on a D-Bus connection, normally the session
// bus. Posting is asynchronous: the main thread never waits for the bus.
//
// - An identifier posted before replaces its notification (replaces_id). A
//   second post of an identifier whose first post is still unanswered waits for
//   that answer, so that it can replace instead of adding a second one.
// - The "default" action is the click; the server reports it with ActionInvoked
//   to the connection that posted, and onActivated runs on the thread that owns
//   this object (the main thread).
// - Without a notification service (no connection, no owner of the name that
//   the bus can start, or an error answer) the notification is dropped and one
//   line "[QUIB] Notifications unavailable: <D-Bus error>" is logged per run.
//
// - Bodies are plain text and are sent escaped ("&" as "&amp;", "<" as
//   "&lt;"), since most servers parse markup in bodies, some without saying
//   so in GetCapabilities (dunst strips what looks like a tag).
//
// Limits: a server that shows bodies raw, as the protocol allows when it does
// not announce "body-markup", shows such characters escaped. The program's own
// texts contain none of them.
class DBusNotificationCenter final : public QObject, public NotificationCenter {
    Q_OBJECT

  public:
    explicit DBusNotificationCenter(QDBusConnection connection = QDBusConnection::sessionBus(),
                                    QObject* parent = nullptr);

    void post(const std::string& title, const std::string& body,
              const std::string& identifier) override;
    // With "suppress-sound" and low urgency instead of the message sound.
    void postSilently(const std::string& title, const std::string& body,
                      const std::string& identifier) override;

    // Posts sent and not yet answered by the server.
    int pendingPosts() const;

    // The icon sent as app_icon: a theme icon name or a file:// URI.
    QString appIcon() const { return m_appIcon; }
    void setAppIcon(const QString& icon) { m_appIcon = icon; }

  private slots:
    void handleActionInvoked(uint serverId, const QString& actionKey);
    void handleNotificationClosed(uint serverId, uint reason);

  private:
    struct Content {
        QString title;
        QString body;
        bool silent = false;
    };
    struct Entry {
        uint serverId = 0;
        bool awaitingReply = false;
        std::optional<Content> waiting;
    };

    void enqueue(const std::string& identifier, const Content& content);
    void send(const std::string& identifier, const Content& content);
    void handleReply(const std::string& identifier, QDBusPendingCallWatcher* watcher);
    void reportUnavailable(const QString& message);
    bool ownsServerId(uint serverId) const;

    QDBusConnection m_connection;
    QString m_appIcon = QString::fromLatin1(kApplicationId);
    std::map<std::string, Entry> m_entries;
    std::set<uint> m_postedIds;
    bool m_reportedUnavailable = false;
};

}  // namespace quib
