#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace quib {

class InputCapture;
class PermissionService;

// Follows the access permission for the whole run: asks for it, polls every
// second until the first grant, and every three seconds starts the capture when
// access appears (or a start failed) and stops it when access is withdrawn. The
// status icon is dimmed through onDimmedChanged: on every grant it shows the
// master switch (dimmed when off), on withdrawal it is dimmed; waiting for the
// first grant leaves it as it is. Main thread only.
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
    AccessWatchdog(const AccessWatchdog&) = delete;
    AccessWatchdog& operator=(const AccessWatchdog&) = delete;

    // Asks for access (which may tell the user how to grant it); starts the
    // capture at once when granted, else starts the 1-second poll. A poll that is
    // already running is restarted, never left running beside a new one.
    void requestAccessAndListen();
    // Starts (or restarts) the 3-second watchdog.
    void startAccessibilityWatchdog();

    bool hasPermission() const { return m_hasPermission; }
    bool isPolling() const { return m_pollTimer.isActive(); }
    bool isWatching() const { return m_watchdogTimer.isActive(); }

  private:
    void pollTick();
    void watchdogTick();
    void grant();

    PermissionService& m_permission;
    InputCapture& m_capture;
    std::function<void(bool dimmed)> m_onDimmedChanged;
    bool m_hasPermission = false;
    QTimer m_pollTimer;
    QTimer m_watchdogTimer;
};

}  // namespace quib
