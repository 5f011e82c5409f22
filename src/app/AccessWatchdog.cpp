#include "app/AccessWatchdog.h"

#include "app/InputCapture.h"
#include "platform/input/PermissionService.h"

namespace quib {

AccessWatchdog::AccessWatchdog(PermissionService& permission, InputCapture& capture,
                               std::function<void(bool dimmed)> onDimmedChanged)
    : AccessWatchdog(permission, capture, std::move(onDimmedChanged), Intervals{}) {}

AccessWatchdog::AccessWatchdog(PermissionService& permission, InputCapture& capture,
                               std::function<void(bool dimmed)> onDimmedChanged,
                               Intervals intervals)
    : m_permission(permission), m_capture(capture), m_onDimmedChanged(std::move(onDimmedChanged)) {
    // The timers are members, so they die with this object: a tick can never
    // reach a watchdog that is gone.
    m_pollTimer.setInterval(intervals.poll);
    m_watchdogTimer.setInterval(intervals.watchdog);
    QObject::connect(&m_pollTimer, &QTimer::timeout, [this] { pollTick(); });
    QObject::connect(&m_watchdogTimer, &QTimer::timeout, [this] { watchdogTick(); });
}

void AccessWatchdog::requestAccessAndListen() {
    if (m_permission.requestTrust()) {
        m_pollTimer.stop();
        grant();
        return;
    }
    m_pollTimer.start();  // Restarts a running poll rather than adding a second one.
}

void AccessWatchdog::startAccessibilityWatchdog() {
    m_watchdogTimer.start();
}

void AccessWatchdog::pollTick() {
    if (!m_permission.isTrusted()) {
        return;
    }
    m_pollTimer.stop();
    grant();
}

void AccessWatchdog::watchdogTick() {
    const bool trusted = m_permission.isTrusted();
    if (!trusted && m_hasPermission) {
        m_hasPermission = false;
        m_capture.stopEventTap();
        if (m_onDimmedChanged) {
            m_onDimmedChanged(true);
        }
    } else if (trusted && !m_hasPermission) {
        grant();
    } else if (trusted && !m_capture.hasEventTap()) {
        m_capture.startEventTap();  // An earlier start failed: retry.
    }
}

void AccessWatchdog::grant() {
    m_hasPermission = true;
    if (m_onDimmedChanged) {
        m_onDimmedChanged(!m_capture.isEnabled());
    }
    m_capture.startEventTap();
}

}  // namespace quib
