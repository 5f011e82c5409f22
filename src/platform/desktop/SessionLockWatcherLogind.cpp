// logind on the system bus: the user's session (Lock, Unlock, LockedHint) and
// the machine's sleep (PrepareForSleep, with a delay inhibitor lock).
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include "platform/desktop/SessionLockWatcher.h"

namespace quib {

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");

}  // namespace

void SessionLockWatcher::watchLogind() {
    m_systemBus.connect(kLogind, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                        SLOT(handlePrepareForSleep(bool)));
    takeSleepDelay();
    // "auto" is the caller's own session, or, for a program that belongs to
    // none (started by the user's service manager), the user's graphical one.
    QDBusMessage lookup = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager,
                                                         QStringLiteral("GetSession"));
    lookup << QStringLiteral("auto");
    startProbe();
    call(m_systemBus, lookup, [this](const QDBusMessage& reply) {
        const bool found =
            isAnswer(reply) && reply.arguments().constFirst().canConvert<QDBusObjectPath>();
        if (found) {
            watchSession(qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path());
        }
        finishProbe(found);
    });
}

void SessionLockWatcher::watchSession(const QString& path) {
    m_sessionPath = path;
    // Only the user's own session: Lock and Unlock are sent per session.
    m_systemBus.connect(kLogind, path, kSession, QStringLiteral("Lock"), this, SLOT(handleLock()));
    m_systemBus.connect(kLogind, path, kSession, QStringLiteral("Unlock"), this,
                        SLOT(handleUnlock()));
    m_systemBus.connect(kLogind, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                        SLOT(handleSessionProperties(QString, QVariantMap, QStringList)));
    QDBusMessage get =
        QDBusMessage::createMethodCall(kLogind, path, kProperties, QStringLiteral("Get"));
    get << kSession << kLockedHint;
    call(m_systemBus, get, [this](const QDBusMessage& reply) {
        if (isAnswer(reply)) {
            const QVariant value = reply.arguments().constFirst();
            applyInitialState(qvariant_cast<QDBusVariant>(value).variant().toBool());
        }
    });
}

void SessionLockWatcher::handleLock() {
    applyChange(true);
}

void SessionLockWatcher::handleUnlock() {
    applyChange(false);
}

void SessionLockWatcher::handleSessionProperties(const QString& interface,
                                                 const QVariantMap& changed,
                                                 const QStringList& /*invalidated*/) {
    const auto hint = changed.constFind(kLockedHint);
    if (interface == kSession && hint != changed.constEnd()) {
        applyChange(hint->toBool());
    }
}

void SessionLockWatcher::takeSleepDelay() {
    if (!m_systemBus.connectionCapabilities().testFlag(
            QDBusConnection::UnixFileDescriptorPassing)) {
        return;
    }
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QStringLiteral("QUIB")
            << QStringLiteral("Saving the typing statistics") << QStringLiteral("delay");
    call(m_systemBus, inhibit, [this](const QDBusMessage& reply) {
        if (isAnswer(reply)) {
            m_sleepDelay = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
        }
    });
}

void SessionLockWatcher::handlePrepareForSleep(bool sleeping) {
    if (sleeping) {
        if (onWillSleep) {
            onWillSleep();
        }
        m_sleepDelay = QDBusUnixFileDescriptor();  // closing it lets the sleep proceed
        return;
    }
    if (onDidWake) {
        onDidWake();
    }
    takeSleepDelay();
}

}  // namespace quib
