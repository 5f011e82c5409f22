#pragma once

#include <functional>

namespace quib {

// The user's desktop session as the controller sees it: whether the screen is
// locked, and when the machine is about to sleep or has woken up. Every
// callback runs on the main thread.
class SessionMonitor {
  public:
    virtual ~SessionMonitor() = default;

    // Whether the screen is locked now, as far as the monitor knows.
    virtual bool isLocked() const = 0;

    // The screen was locked (true) or unlocked (false); called on changes only.
    std::function<void(bool locked)> onLockChanged;
    // The machine is about to sleep. The sleep waits (briefly) until the
    // callback returns, so work that must reach the disk belongs here.
    std::function<void()> onWillSleep;
    // The machine has woken up.
    std::function<void()> onDidWake;
};

}  // namespace quib
