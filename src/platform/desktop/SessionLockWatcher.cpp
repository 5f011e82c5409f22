// The screen savers, the lock state and the bookkeeping of the start-up
// queries; logind lives in SessionLockWatcherLogind.cpp.
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include "platform/Log.h"
#include "platform/desktop/SessionLockWatcher.h"

namespace quib {

namespace {

struct ScreenSaver {
    const char* service;
    const char* path;
    const char* interface;
};

// Every one of these sends ActiveChanged(bool) when its lock screen comes or
// goes and answers GetActive().
constexpr ScreenSaver kScreenSavers[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"},
    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver", "org.cinnamon.ScreenSaver"},
    {"org.mate.ScreenSaver", "/org/mate/ScreenSaver", "org.mate.ScreenSaver"},
    {"org.xfce.ScreenSaver", "/org/xfce/ScreenSaver", "org.xfce.ScreenSaver"},
};

}  // namespace

bool SessionLockWatcher::isAnswer(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

SessionLockWatcher::SessionLockWatcher(QDBusConnection sessionBus, QDBusConnection systemBus,
                                       QObject* parent)
    : QObject(parent), m_sessionBus(std::move(sessionBus)), m_systemBus(std::move(systemBus)) {
    if (m_sessionBus.isConnected()) {
        watchScreenSavers();
    }
    if (m_systemBus.isConnected()) {
        watchLogind();
    }
    reportIfUnfollowed();  // at once when there is no bus at all
}

void SessionLockWatcher::watchScreenSavers() {
    for (const ScreenSaver& saver : kScreenSavers) {
        const QString service = QLatin1String(saver.service);
        const QString interface = QLatin1String(saver.interface);
        // Any object path: KDE sends the signal from two of them.
        m_sessionBus.connect(service, QString(), interface, QStringLiteral("ActiveChanged"), this,
                             SLOT(handleScreenSaverActive(bool)));
        startProbe();
        call(m_sessionBus,
             QDBusMessage::createMethodCall(service, QLatin1String(saver.path), interface,
                                            QStringLiteral("GetActive")),
             [this](const QDBusMessage& reply) {
                 const bool answered = isAnswer(reply);
                 if (answered) {
                     applyInitialState(reply.arguments().constFirst().toBool());
                 }
                 finishProbe(answered);
             });
    }
}

void SessionLockWatcher::call(QDBusConnection& bus, QDBusMessage message, ReplyHandler handler) {
    // Asking must not start a locker that the desktop does not run.
    message.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                handler(finished->reply());
            });
}

void SessionLockWatcher::finishProbe(bool followed) {
    --m_pendingProbes;
    m_followed = m_followed || followed;
    reportIfUnfollowed();
}

void SessionLockWatcher::reportIfUnfollowed() {
    if (m_pendingProbes > 0 || m_followed || m_reportedUnfollowed) {
        return;
    }
    m_reportedUnfollowed = true;
    logLine(
        "The screen lock cannot be followed (no screen saver service and no logind session): "
        "keys typed at a locked screen are heard and counted");
}

void SessionLockWatcher::handleScreenSaverActive(bool active) {
    applyChange(active);
}

void SessionLockWatcher::applyInitialState(bool locked) {
    if (!m_sawChange && locked) {
        setLocked(true);
    }
}

void SessionLockWatcher::applyChange(bool locked) {
    m_sawChange = true;
    setLocked(locked);
}

void SessionLockWatcher::setLocked(bool locked) {
    if (locked == m_locked) {
        return;
    }
    m_locked = locked;
    if (onLockChanged) {
        onLockChanged(locked);
    }
}

}  // namespace quib
