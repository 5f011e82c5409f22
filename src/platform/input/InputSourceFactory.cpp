#include <cstdlib>

#include "platform/input/EvdevInputSource.h"
#include "platform/input/InputSource.h"
#include "platform/input/X11InputSource.h"

namespace quib {

namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<InputBackend> parseInputBackend(std::string_view text) {
    if (text == "auto") {
        return InputBackend::automatic;
    }
    if (text == "evdev") {
        return InputBackend::evdev;
    }
    if (text == "x11") {
        return InputBackend::x11;
    }
    return std::nullopt;
}

InputBackend resolveInputBackend(InputBackend backend,
                                 const std::vector<std::string>& devicePaths) {
    if (backend != InputBackend::automatic) {
        return backend;
    }
    // Device files only make sense to the evdev backend, whatever the session.
    if (!devicePaths.empty()) {
        return InputBackend::evdev;
    }
    const bool x11Session = environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY");
    return x11Session ? InputBackend::x11 : InputBackend::evdev;
}

std::unique_ptr<InputSource> createInputSource(InputBackend backend,
                                               const std::vector<std::string>& devicePaths) {
    if (resolveInputBackend(backend, devicePaths) == InputBackend::x11) {
        return std::make_unique<X11InputSource>();
    }
    return std::make_unique<EvdevInputSource>(devicePaths);
}

}  // namespace quib
