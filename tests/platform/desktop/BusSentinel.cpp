#include "BusSentinel.h"

#include <QDBusMessage>

#include "support/Wait.h"

namespace quib::test {

namespace {

const QString kPath = QStringLiteral("/quib/test/Sentinel");
const QString kInterface = QStringLiteral("quib.test.Sentinel");
const QString kName = QStringLiteral("Sentinel");

}  // namespace

BusSentinel::BusSentinel(QDBusConnection receiver) {
    receiver.connect(QString(), kPath, kInterface, kName, this, SLOT(arrived()));
    // The match rule goes to the bus without waiting; a call answered after it
    // makes sure the bus has it before any sentinel is sent.
    receiver.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
}

bool BusSentinel::passes(const QDBusConnection& sender) {
    const int expected = ++m_sent;
    QDBusConnection(sender).send(QDBusMessage::createSignal(kPath, kInterface, kName));
    return waitFor([&] { return m_arrived >= expected; });
}

}  // namespace quib::test
