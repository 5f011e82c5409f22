#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusServiceWatcher>
#include <QObject>

#include <functional>

namespace quib {

// Tells when a tray host may have come or gone, without polling. Qt has no
// public signal for it, so two things are watched: on X11, the XEmbed tray
// manager announces itself with a MANAGER client message on the root window
// and its window's destruction reaches us because Qt's tray code selects it;
// StatusNotifierItem hosts own a name on the session bus. Each hint calls
// `changed`, which asks Qt again; a hint that changes nothing costs one query.
class TrayHostWatch final : public QObject, public QAbstractNativeEventFilter {
  public:
    explicit TrayHostWatch(std::function<void()> changed);
    ~TrayHostWatch() override;
    TrayHostWatch(const TrayHostWatch&) = delete;
    TrayHostWatch& operator=(const TrayHostWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    std::function<void()> m_changed;
    QDBusServiceWatcher m_statusNotifierHost;
};

}  // namespace quib
