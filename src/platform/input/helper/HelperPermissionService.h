#pragma once

#include "platform/input/PermissionService.h"

namespace quib {

// Through the input helper nothing has to be granted to the user: trusted
// while the helper is installed. The request tells, once per run, that it is
// missing (a build that was not installed, a removed package).
class HelperPermissionService final : public PermissionService {
  public:
    explicit HelperPermissionService(AccessNotifier notifier);
    bool requestTrust() override;
    bool isTrusted() const override;
    bool needsDeviceAccess() const override { return false; }
    bool throughInputHelper() const override { return true; }
    std::string inputDescription() const override;

  private:
    AccessNotifier m_notifier;
    bool m_notified = false;
};

}  // namespace quib
