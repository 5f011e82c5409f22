#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace quib::test {

// Just enough of a freedesktop notification server to see what a client
// sends: it records every Notify call, hands out ids the way real servers do
// (a replaced notification keeps its id) and can send the two signals a
// server sends, addressed to the posting connection only, as dunst does.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        QString sender;
        uint returnedId = 0;
    };

    explicit FakeNotificationServer(QDBusConnection connection);

    bool isRegistered() const { return m_registered; }
    const std::vector<Call>& calls() const { return m_calls; }

    void invokeAction(const Call& call, uint serverId, const QString& actionKey);
    void closeNotification(const Call& call, uint serverId);

  public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);

  private:
    QDBusConnection m_connection;
    std::vector<Call> m_calls;
    uint m_lastId = 40;
    bool m_registered = false;
};

// Counts the ActionInvoked signals that reach a client connection. Signals
// from one sender arrive in order, so once the count includes the last one
// sent, every earlier signal has been delivered to the client as well.
class ActionSignalCounter : public QObject {
    Q_OBJECT

  public:
    explicit ActionSignalCounter(QDBusConnection connection);
    int received() const { return m_received; }

  public slots:
    void count(uint serverId, const QString& actionKey);

  private:
    int m_received = 0;
};

}  // namespace quib::test
