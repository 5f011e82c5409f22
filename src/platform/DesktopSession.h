#pragma once

namespace quib {

// Whether the desktop tells which window is active and whether it fills the
// screen: an X11 session (DISPLAY set, no Wayland compositor). Under Wayland
// only XWayland's windows could be seen, so it does not count.
bool desktopTellsActiveWindow();
// A Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland).
bool isWaylandSession();

}  // namespace quib
