#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

namespace quib {

class AccessChangeWatch;
class InputCapture;
class PermissionService;

// Follows the access permission for the whole run: asks for it, waits for the
// first grant, and from then on starts the capture when access appears (or a
// start failed) and stops it when access is withdrawn. The status icon is
// dimmed through onDimmedChanged: on every grant it shows the master switch
// (dimmed when off), on withdrawal it is dimmed; waiting for the first grant
// leaves it as it is. Main thread only.
//
// Where the permission service reports its changes, access is checked only
// when something changed, and nothing runs while nothing does; a capture
// that failed to start is retried at the watchdog interval until it runs.
// Otherwise access is polled: every second until the first grant, every three
// seconds after.
class AccessWatchdog {
  public:
    struct Intervals {
        std::chrono::milliseconds poll{1000};
        std::chrono::milliseconds watchdog{3000};
    };

    AccessWatchdog(PermissionService& permission, InputCapture& capture,
                   std::function<void(bool dimmed)> onDimmedChanged);
    AccessWatchdog(PermissionService& permission, InputCapture& capture,
                   std::function<void(bool dimmed)> onDimmedChanged, Intervals intervals);
    ~AccessWatchdog();
    AccessWatchdog(const AccessWatchdog&) = delete;
    AccessWatchdog& operator=(const AccessWatchdog&) = delete;

    // Asks for access (which may tell the user how to grant it); starts the
    // capture at once when granted, else waits for the grant. A second
    // request restarts the same wait, never a second one beside it.
    void requestAccessAndListen();
    // Starts (or restarts) following access after the first grant.
    void startAccessibilityWatchdog();

    bool hasPermission() const { return m_hasPermission; }
    bool isWaitingForAccess() const { return m_waitingForAccess; }
    // The one-second poll for the first grant is running.
    bool isPolling() const { return m_pollTimer.isActive(); }
    bool isWatching() const { return m_watching; }
    // Whether any timer runs: never while changes are reported and the
    // capture runs or access is missing.
    bool hasTimerRunning() const { return m_pollTimer.isActive() || m_watchdogTimer.isActive(); }

  private:
    void accessMayHaveChanged();
    void pollTick();
    void watchdogTick();
    void grant();
    void updateRetry();

    PermissionService& m_permission;
    InputCapture& m_capture;
    std::function<void(bool dimmed)> m_onDimmedChanged;
    bool m_hasPermission = false;
    bool m_waitingForAccess = false;
    bool m_watching = false;
    QTimer m_pollTimer;
    QTimer m_watchdogTimer;
    std::unique_ptr<AccessChangeWatch> m_changes;
};

}  // namespace quib
