#pragma once

#include <QGuiApplication>

namespace quib {

// Whether QUIB's windows go through XWayland in a Wayland session. There the
// X pointer moves only while it is over X windows (over the desktop's own bar
// it stands still), and the compositor's X11 window manager places windows
// itself, whatever position they ask for.
inline bool throughXWayland() {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace quib
