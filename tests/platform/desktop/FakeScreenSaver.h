#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace quib::test {

// A screen saver on a bus: owns its service name, answers GetActive and
// sends ActiveChanged(bool) when told to, from the connection that owns the
// name, as a real locker does.
class FakeScreenSaver : public QObject {
    Q_OBJECT

  public:
    // The name, object path and interface are the same apart from the
    // separators: "org.gnome.ScreenSaver" serves "/org/gnome/ScreenSaver".
    FakeScreenSaver(QDBusConnection connection, const QString& service, bool active = false);
    ~FakeScreenSaver() override;

    bool isRegistered() const { return m_registered; }
    void setActive(bool active);

  public slots:
    bool GetActive() const { return m_active; }

  private:
    QDBusConnection m_connection;
    QString m_service;
    QString m_path;
    bool m_active;
    bool m_registered = false;
};

}  // namespace quib::test
