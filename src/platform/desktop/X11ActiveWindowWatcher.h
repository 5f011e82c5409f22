#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/desktop/ActiveWindowWatcher.h"

class QSocketNotifier;
struct xcb_connection_t;

namespace quib {

// The active window on X11, from the window manager's EWMH properties: the
// root window's _NET_ACTIVE_WINDOW, and that window's _NET_WM_STATE (full
// screen) and WM_CLASS. It selects property changes on the root window and
// on the active window, on an XCB connection of its own, and reads them when
// they come: nothing polls, and a desktop where nobody switches windows costs
// nothing. XCB returns protocol errors (a window destroyed between two
// requests) as values, so they are dropped rather than ending the process.
//
// Limits: under a Wayland compositor only XWayland's windows are known, so
// the factory does not use it there; without an EWMH window manager
// (_NET_SUPPORTED without _NET_ACTIVE_WINDOW) it reports itself unavailable.
class X11ActiveWindowWatcher final : public ActiveWindowWatcher {
  public:
    // An empty display name means $DISPLAY.
    explicit X11ActiveWindowWatcher(const std::string& displayName = {});
    ~X11ActiveWindowWatcher() override;
    X11ActiveWindowWatcher(const X11ActiveWindowWatcher&) = delete;
    X11ActiveWindowWatcher& operator=(const X11ActiveWindowWatcher&) = delete;

    bool isAvailable() const override { return m_available; }
    ActiveWindow activeWindow() const override { return m_window; }

  private:
    struct Atoms;

    void readEvents();
    enum class Source { socket, queue };
    bool takeEvents(Source source);
    bool isWatched(std::uint32_t window, std::uint32_t atom) const;
    void refresh();
    void follow(std::uint32_t window);
    bool managerSupportsActiveWindow();

    xcb_connection_t* m_connection = nullptr;
    std::unique_ptr<Atoms> m_atoms;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::uint32_t m_root = 0;
    std::uint32_t m_followed = 0;  // the active window whose properties we select
    bool m_available = false;
    ActiveWindow m_window;
};

}  // namespace quib
