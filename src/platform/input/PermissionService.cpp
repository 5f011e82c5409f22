#include "platform/input/PermissionService.h"

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <algorithm>

#include "platform/Paths.h"
#include "platform/input/AccessChangeMonitor.h"
#include "platform/input/UdevInput.h"
#include "platform/input/helper/HelperPermissionService.h"

namespace quib {

namespace {

bool canOpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

std::vector<std::string> presentKeyboards() {
    udev* context = udev_new();
    std::vector<std::string> paths = enumerateInputDevices(context, DeviceKinds::keyboardsOnly);
    udev_unref(context);
    return paths;
}

}  // namespace

EvdevPermissionService::EvdevPermissionService(std::vector<std::string> devicePaths,
                                               AccessNotifier notifier,
                                               std::filesystem::path inputDirectory)
    : m_devicePaths(std::move(devicePaths)),
      m_inputDirectory(std::move(inputDirectory)),
      m_notifier(std::move(notifier)) {}

std::unique_ptr<AccessChangeWatch> EvdevPermissionService::watchChanges(
    std::function<void()> onChange) {
    std::vector<std::filesystem::path> directories;
    for (const auto& path : m_devicePaths) {
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        directories.push_back(parent.empty() ? "." : parent);
    }
    if (directories.empty()) {
        directories.push_back(m_inputDirectory);
    }
    std::sort(directories.begin(), directories.end());
    directories.erase(std::unique(directories.begin(), directories.end()), directories.end());
    auto monitor = std::make_unique<AccessChangeMonitor>(directories, std::move(onChange));
    if (!monitor->isWatching()) {
        return nullptr;
    }
    return monitor;
}

bool EvdevPermissionService::isTrusted() const {
    const std::vector<std::string> paths =
        m_devicePaths.empty() ? presentKeyboards() : m_devicePaths;
    return std::any_of(paths.begin(), paths.end(), canOpenForReading);
}

bool EvdevPermissionService::requestTrust() {
    if (isTrusted()) {
        return true;
    }
    if (!m_notified && m_notifier) {
        m_notified = true;
        m_notifier("QUIB cannot hear your keyboard",
                   "QUIB needs the input helper that comes with its package, or read access to the "
                   "keyboard and mouse devices; the guide explains both: " +
                       accessGuideUrl());
    }
    return false;
}

std::unique_ptr<PermissionService> createPermissionService(
    InputBackend backend, const std::vector<std::string>& devicePaths, AccessNotifier notifier) {
    const InputBackend resolved = resolveInputBackend(backend, devicePaths);
    if (resolved == InputBackend::x11) {
        return std::make_unique<X11PermissionService>();
    }
    if (resolved == InputBackend::helper) {
        return std::make_unique<HelperPermissionService>(std::move(notifier));
    }
    return std::make_unique<EvdevPermissionService>(devicePaths, std::move(notifier));
}

std::filesystem::path accessGuidePath() {
    const std::filesystem::path installed = resourceDirectory() / "access-guide.html";
    std::error_code error;
    if (std::filesystem::is_regular_file(installed, error)) {
        return installed;
    }
    return std::filesystem::path(QUIB_SOURCE_DIR) / "packaging" / "access-guide.html";
}

std::string accessGuideUrl() {
    return "file://" + accessGuidePath().string();
}

}  // namespace quib
