#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quib {

// What the desktop says of the window the user works in.
struct ActiveWindow {
    bool fullScreen = false;
    // The window's WM_CLASS: its instance name, then its class name.
    std::vector<std::string> classes;

    bool operator==(const ActiveWindow&) const = default;
};

// Follows the active window, for the options that mute the clicks in full
// screen or in chosen applications. Main thread only.
class ActiveWindowWatcher {
  public:
    virtual ~ActiveWindowWatcher() = default;
    // Whether the desktop tells at all (an X11 window manager that follows
    // the EWMH conventions); when it does not, activeWindow() stays empty.
    virtual bool isAvailable() const = 0;
    virtual ActiveWindow activeWindow() const = 0;
    // Called when activeWindow() or isAvailable() changes.
    std::function<void()> onActiveWindowChanged;
};

// For desktops that do not tell (Wayland) and tests.
class NullActiveWindowWatcher final : public ActiveWindowWatcher {
  public:
    bool isAvailable() const override { return false; }
    ActiveWindow activeWindow() const override { return {}; }
};

}  // namespace quib
