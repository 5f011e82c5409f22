#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/input/InputSource.h"

namespace quib {

// A watch on access changes; the calls stop when it is destroyed.
class AccessChangeWatch {
  public:
    virtual ~AccessChangeWatch() = default;
};

// Whether QUIB may observe input, asked in two ways: once with a request that
// may show the user how to grant access, and silently by the watchdog.
class PermissionService {
  public:
    virtual ~PermissionService() = default;
    // Reports trust; when untrusted, may tell the user how to grant access.
    virtual bool requestTrust() = 0;
    // Reports trust without telling the user anything.
    virtual bool isTrusted() const = 0;
    // Whether trust is read access to the input devices (evdev); under X11
    // nothing has to be granted.
    virtual bool needsDeviceAccess() const { return true; }
    // Whether keys come through the input helper, which shares classes of
    // keys only.
    virtual bool throughInputHelper() const { return false; }
    // Which input is used and what it lets other programs of the user read,
    // in one or two sentences (the onboarding and the tray say it).
    virtual std::string inputDescription() const {
        return "Input: the input devices, read directly. Every program of yours can read "
               "them too, key codes included.";
    }
    // Calls onChange (main thread) whenever trust may have changed, for as long
    // as the returned watch lives. Null when this service cannot tell: the
    // caller then polls isTrusted().
    virtual std::unique_ptr<AccessChangeWatch> watchChanges(std::function<void()> onChange) {
        (void)onChange;
        return nullptr;
    }
};

// Posts a user notification (title, body); the application routes it to the
// desktop's notification service.
using AccessNotifier = std::function<void(std::string title, std::string body)>;

// evdev: trusted when at least one keyboard event device (or, with given device
// files, one of those files) can be opened for reading. The request posts one
// notification per run that points to the access guide; it never asks for root.
// Changes are watched in the devices' directory (inputDirectory, or the
// directories of the given files); enumerating and opening every keyboard is
// left to the moments when something there changed.
class EvdevPermissionService final : public PermissionService {
  public:
    EvdevPermissionService(std::vector<std::string> devicePaths, AccessNotifier notifier,
                           std::filesystem::path inputDirectory = "/dev/input");
    bool requestTrust() override;
    bool isTrusted() const override;
    std::unique_ptr<AccessChangeWatch> watchChanges(std::function<void()> onChange) override;

  private:
    std::vector<std::string> m_devicePaths;
    std::filesystem::path m_inputDirectory;
    AccessNotifier m_notifier;
    bool m_notified = false;
};

// X11 needs no permission to record input: always trusted.
class X11PermissionService final : public PermissionService {
  public:
    bool requestTrust() override { return true; }
    bool isTrusted() const override { return true; }
    bool needsDeviceAccess() const override { return false; }
    std::string inputDescription() const override {
        return "Input: X11 RECORD. Every X11 program on this display can record the keys "
               "too; nothing more is granted.";
    }
};

// The service that matches the input backend (resolved as createInputSource
// does; pass the resolved backend to both).
std::unique_ptr<PermissionService> createPermissionService(
    InputBackend backend, const std::vector<std::string>& devicePaths, AccessNotifier notifier);

// The installed guide that explains how to grant access (share/quib/access-guide.html),
// or the copy in the source tree when running from the build tree.
std::filesystem::path accessGuidePath();
// The same as a file:// URL, for opening in a browser.
std::string accessGuideUrl();

}  // namespace quib
