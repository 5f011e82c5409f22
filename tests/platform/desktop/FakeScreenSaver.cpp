#include "FakeScreenSaver.h"

#include <QDBusMessage>

namespace quib::test {

FakeScreenSaver::FakeScreenSaver(QDBusConnection connection, const QString& service, bool active)
    : m_connection(std::move(connection)),
      m_service(service),
      m_path(QLatin1Char('/') + QString(service).replace(QLatin1Char('.'), QLatin1Char('/'))),
      m_active(active) {
    m_registered =
        m_connection.registerObject(m_path, m_service, this, QDBusConnection::ExportAllSlots) &&
        m_connection.registerService(m_service);
}

FakeScreenSaver::~FakeScreenSaver() {
    m_connection.unregisterService(m_service);
    m_connection.unregisterObject(m_path);
}

void FakeScreenSaver::setActive(bool active) {
    m_active = active;
    QDBusMessage signal =
        QDBusMessage::createSignal(m_path, m_service, QStringLiteral("ActiveChanged"));
    signal << active;
    m_connection.send(signal);
}

}  // namespace quib::test
