#include "platform/desktop/TrayHostWatch.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDBusConnection>

namespace quib {

TrayHostWatch::TrayHostWatch(std::function<void()> changed)
    : m_changed(std::move(changed)),
      m_statusNotifierHost(QStringLiteral("org.kde.StatusNotifierWatcher"),
                           QDBusConnection::sessionBus(),
                           QDBusServiceWatcher::WatchForOwnerChange) {
    QObject::connect(&m_statusNotifierHost, &QDBusServiceWatcher::serviceOwnerChanged, this,
                     [this] { m_changed(); });
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

TrayHostWatch::~TrayHostWatch() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

// Client messages and destroyed windows are rare while nobody works with the
// desktop, so every one is taken as a hint rather than decoded.
bool TrayHostWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto type = static_cast<xcb_generic_event_t*>(message)->response_type & 0x7F;
    if (type == XCB_CLIENT_MESSAGE || type == XCB_DESTROY_NOTIFY) {
        m_changed();
    }
    return false;
}

}  // namespace quib
