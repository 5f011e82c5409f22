#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/input/InputSource.h"

namespace quib {

// Whether QUIB may observe input, asked in two ways: once with a request that
// may show the user how to grant access, and silently by the pollers.
class PermissionService {
  public:
    virtual ~PermissionService() = default;
    // Reports trust; when untrusted, may tell the user how to grant access.
    virtual bool requestTrust() = 0;
    // Reports trust without telling the user anything.
    virtual bool isTrusted() const = 0;
};

// Posts a user notification (title, body); the application routes it to the
// desktop's notification service.
using AccessNotifier = std::function<void(std::string title, std::string body)>;

// evdev: trusted when at least one keyboard event device (or, with given device
// files, one of those files) can be opened for reading. The request posts one
// notification per run that points to the access guide; it never asks for root.
class EvdevPermissionService final : public PermissionService {
  public:
    EvdevPermissionService(std::vector<std::string> devicePaths, AccessNotifier notifier);
    bool requestTrust() override;
    bool isTrusted() const override;

  private:
    std::vector<std::string> m_devicePaths;
    AccessNotifier m_notifier;
    bool m_notified = false;
};

// X11 needs no permission to record input: always trusted.
class X11PermissionService final : public PermissionService {
  public:
    bool requestTrust() override { return true; }
    bool isTrusted() const override { return true; }
};

// The service that matches the input backend (resolved as createInputSource does).
std::unique_ptr<PermissionService> createPermissionService(
    InputBackend backend, const std::vector<std::string>& devicePaths, AccessNotifier notifier);

// The installed guide that explains how to grant access (share/quib/access-guide.html),
// or the copy in the source tree when running from the build tree.
std::filesystem::path accessGuidePath();
// The same as a file:// URL, for opening in a browser.
std::string accessGuideUrl();

}  // namespace quib
