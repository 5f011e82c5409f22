#include "input/AccessWatchdog.h"

#include "input/InputCapture.h"
#include "platform/input/PermissionService.h"

namespace quib {

AccessWatchdog::AccessWatchdog(PermissionService& permission, InputCapture& capture,
                               std::function<void(bool dimmed)> onDimmedChanged)
    : AccessWatchdog(permission, capture, std::move(onDimmedChanged), Intervals{}) {}

AccessWatchdog::AccessWatchdog(PermissionService& permission, InputCapture& capture,
                               std::function<void(bool dimmed)> onDimmedChanged,
                               Intervals intervals)
    : m_permission(permission), m_capture(capture), m_onDimmedChanged(std::move(onDimmedChanged)) {
    // The timers and the watch are members, so they die with this object: a
    // tick or a change can never reach a watchdog that is gone.
    m_pollTimer.setInterval(intervals.poll);
    m_watchdogTimer.setInterval(intervals.watchdog);
    QObject::connect(&m_pollTimer, &QTimer::timeout, [this] { pollTick(); });
    QObject::connect(&m_watchdogTimer, &QTimer::timeout, [this] { watchdogTick(); });
    m_changes = m_permission.watchChanges([this] { accessMayHaveChanged(); });
}

AccessWatchdog::~AccessWatchdog() = default;

void AccessWatchdog::requestAccessAndListen() {
    if (m_permission.requestTrust()) {
        m_waitingForAccess = false;
        m_pollTimer.stop();
        grant();
        return;
    }
    m_waitingForAccess = true;
    if (!m_changes) {
        m_pollTimer.start();  // Restarts a running poll rather than adding a second one.
    }
}

void AccessWatchdog::startAccessibilityWatchdog() {
    m_watching = true;
    if (!m_changes) {
        m_watchdogTimer.start();
    }
    updateRetry();
}

void AccessWatchdog::accessMayHaveChanged() {
    if (m_waitingForAccess) {
        pollTick();
    } else if (m_watching) {
        watchdogTick();
    }
}

void AccessWatchdog::pollTick() {
    if (!m_permission.isTrusted()) {
        return;
    }
    m_waitingForAccess = false;
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
    updateRetry();
}

void AccessWatchdog::grant() {
    m_hasPermission = true;
    if (m_onDimmedChanged) {
        m_onDimmedChanged(!m_capture.isEnabled());
    }
    m_capture.startEventTap();
    updateRetry();
}

// With change reports, the watchdog timer only retries a capture that should
// run but failed to start; no change may ever come to retry it otherwise.
void AccessWatchdog::updateRetry() {
    if (!m_changes || !m_watching) {
        return;
    }
    if (m_hasPermission && !m_capture.hasEventTap()) {
        if (!m_watchdogTimer.isActive()) {
            m_watchdogTimer.start();
        }
    } else {
        m_watchdogTimer.stop();
    }
}

}  // namespace quib
