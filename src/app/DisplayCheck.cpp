#include "app/DisplayCheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace quib {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Connects as Qt's display plugin would, through xcb.
bool xServerAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// The compositor's socket: WAYLAND_DISPLAY is a path, or a name in the
// runtime folder.
bool compositorAnswers(const std::string& name) {
    if (!environment("WAYLAND_SOCKET").empty()) {
        return true;  // a connection handed over by the compositor itself
    }
    const std::string path =
        name.starts_with('/') ? name : environment("XDG_RUNTIME_DIR") + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

bool qtWaylandInstalled() {
    const std::filesystem::path platforms =
        QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(platforms, error)) {
        if (entry.path().filename().string().starts_with("libqwayland")) {
            return true;
        }
    }
    return false;
}

std::string x11Problem(const std::string& display) {
    if (display.empty()) {
        return "DISPLAY is not set";
    }
    return xServerAnswers() ? "" : "no X server answers at DISPLAY=" + display;
}

std::string waylandProblem(const std::string& wayland) {
    if (wayland.empty()) {
        return "WAYLAND_DISPLAY is not set";
    }
    if (!compositorAnswers(wayland)) {
        return "no Wayland compositor answers at WAYLAND_DISPLAY=" + wayland;
    }
    return qtWaylandInstalled() ? ""
                                : "the Wayland session at WAYLAND_DISPLAY=" + wayland +
                                      " has no X server (XWayland), and Qt's Wayland platform "
                                      "(package qt6-wayland) is not installed";
}

}  // namespace

std::string missingDisplay() {
    const std::string platform = environment("QT_QPA_PLATFORM");
    const std::string display = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (platform.starts_with("xcb")) {
        return x11Problem(display);
    }
    if (platform.starts_with("wayland")) {
        return waylandProblem(wayland);
    }
    if (!platform.empty()) {
        return "";  // offscreen, vnc, ...: the user's choice needs no display
    }
    if (display.empty() && wayland.empty()) {
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    if (!display.empty() && xServerAnswers()) {
        return "";
    }
    return wayland.empty() ? x11Problem(display) : waylandProblem(wayland);
}

}  // namespace quib
