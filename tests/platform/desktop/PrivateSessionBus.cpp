#include "PrivateSessionBus.h"

#include <QFile>

namespace quib::test {

namespace {

QByteArray busConfiguration(const QString& socketPath) {
    return QByteArrayLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path=") +
           socketPath.toUtf8() +
           QByteArrayLiteral(
               "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n");
}

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
    const QString configPath = m_directory.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(busConfiguration(m_directory.filePath(QStringLiteral("bus")))) < 0) {
        return;
    }
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
    while (m_daemon.waitForReadyRead(3000)) {
        const QByteArray output = m_daemon.readAllStandardOutput();
        m_address += QString::fromUtf8(output);
        if (m_address.contains(QLatin1Char('\n'))) {
            m_address = m_address.trimmed();
            return;
        }
    }
    m_address.clear();
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : m_connectionNames) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(1000);
    }
}

QDBusConnection PrivateSessionBus::connect(const QString& name) {
    m_connectionNames.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

}  // namespace quib::test
