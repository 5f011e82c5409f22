#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/input/PermissionService.h"

struct udev;

namespace quib {

class UdevMonitor;

// Tells when access to the input devices may have changed, without polling:
// inotify on the device directories reports a node that appeared, vanished or
// had its mode or ACL changed (the seat's uaccess ACL, a new udev rule); a udev
// monitor reports a device that udev has finished setting up, when its
// classification as a keyboard becomes visible. A burst of changes (udev
// touches several nodes per device) is reported once, after 200 ms of quiet.
// Main thread only; nothing runs while nothing changes.
class AccessChangeMonitor final : public AccessChangeWatch {
  public:
    AccessChangeMonitor(const std::vector<std::filesystem::path>& directories,
                        std::function<void()> onChange);
    ~AccessChangeMonitor() override;
    AccessChangeMonitor(const AccessChangeMonitor&) = delete;
    AccessChangeMonitor& operator=(const AccessChangeMonitor&) = delete;

    // False when no directory could be watched: the caller falls back to polling.
    bool isWatching() const { return m_watches > 0; }

  private:
    void drainInotify();
    void drainUdev();

    std::function<void()> m_onChange;
    int m_inotify = -1;
    int m_watches = 0;
    std::unique_ptr<QSocketNotifier> m_inotifyNotifier;
    udev* m_udev = nullptr;
    std::unique_ptr<UdevMonitor> m_udevMonitor;
    std::unique_ptr<QSocketNotifier> m_udevNotifier;
    QTimer m_quiet;
};

}  // namespace quib
