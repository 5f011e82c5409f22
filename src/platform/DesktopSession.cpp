#include "platform/DesktopSession.h"

#include <cstdlib>
#include <string_view>

namespace quib {

namespace {

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

bool isWaylandSession() {
    return !variable("WAYLAND_DISPLAY").empty() || variable("XDG_SESSION_TYPE") == "wayland";
}

bool desktopTellsActiveWindow() {
    return !isWaylandSession() && !variable("DISPLAY").empty();
}

}  // namespace quib
