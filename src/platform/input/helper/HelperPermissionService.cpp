#include "platform/input/helper/HelperPermissionService.h"

#include "platform/input/helper/HelperInputSource.h"

namespace quib {

HelperPermissionService::HelperPermissionService(AccessNotifier notifier)
    : m_notifier(std::move(notifier)) {}

bool HelperPermissionService::isTrusted() const {
    return findInputHelper().has_value();
}

bool HelperPermissionService::requestTrust() {
    if (isTrusted()) {
        return true;
    }
    if (!m_notified && m_notifier) {
        m_notified = true;
        m_notifier("QUIB cannot hear your keyboard",
                   "The input helper quib-input-helper is not installed. Install the QUIB "
                   "package, or see the guide: " +
                       accessGuideUrl());
    }
    return false;
}

std::string HelperPermissionService::inputDescription() const {
    return "Input: the input helper. It shares only key down and up, mouse presses and "
           "the kind of key (space, Enter, Backspace, Tab, modifier, other): no program "
           "can read what you type from it.";
}

}  // namespace quib
