#include <cstdlib>

#include "platform/input/EvdevInputSource.h"
#include "platform/input/InputSource.h"
#include "platform/input/PermissionService.h"
#include "platform/input/X11InputSource.h"
#include "platform/input/helper/HelperInputSource.h"

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
    if (text == "helper") {
        return InputBackend::helper;
    }
    return std::nullopt;
}

namespace {

bool isX11Session() {
    return environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY");
}

}  // namespace

InputBackend resolveInputBackend(InputBackend backend, const std::vector<std::string>& devicePaths,
                                 InputAccess access) {
    if (backend != InputBackend::automatic) {
        return backend;
    }
    // Device files only make sense to the evdev backend, whatever the session.
    if (!devicePaths.empty()) {
        return InputBackend::evdev;
    }
    if (isX11Session()) {
        return InputBackend::x11;
    }
    // Devices that are readable already cost nothing more to read; the helper
    // is the way in that makes nobody else able to read them.
    if (!access.devicesReadable && access.helperInstalled) {
        return InputBackend::helper;
    }
    return InputBackend::evdev;
}

InputBackend resolveInputBackend(InputBackend backend,
                                 const std::vector<std::string>& devicePaths) {
    if (backend != InputBackend::automatic || !devicePaths.empty() || isX11Session()) {
        return resolveInputBackend(backend, devicePaths, InputAccess{});
    }
    const InputAccess access{EvdevPermissionService({}, {}).isTrusted(),
                             findInputHelper().has_value()};
    return resolveInputBackend(backend, devicePaths, access);
}

std::unique_ptr<InputSource> createInputSource(InputBackend backend,
                                               const std::vector<std::string>& devicePaths) {
    const InputBackend resolved = resolveInputBackend(backend, devicePaths);
    if (resolved == InputBackend::x11) {
        return std::make_unique<X11InputSource>();
    }
    if (resolved == InputBackend::helper) {
        return std::make_unique<HelperInputSource>(
            findInputHelper().value_or("/usr/libexec/quib/quib-input-helper"));
    }
    return std::make_unique<EvdevInputSource>(devicePaths);
}

}  // namespace quib
