#pragma once

#include <functional>
#include <string>

namespace quib {

// The desktop's notification service as the celebrations see it: post a
// notification with a title, a body and an identifier (a later post with the
// same identifier replaces the earlier notification), with the desktop's
// default notification sound, and learn when the user clicks any of them.
// Posting never blocks and never fails visibly: a desktop without a
// notification service drops the notification.
class NotificationCenter {
  public:
    virtual ~NotificationCenter() = default;

    virtual void post(const std::string& title, const std::string& body,
                      const std::string& identifier) = 0;

    // The same without a sound, for news of what the user just did (a sound
    // could reach a microphone, or break the silence that was asked for).
    virtual void postSilently(const std::string& title, const std::string& body,
                              const std::string& identifier) {
        post(title, body, identifier);
    }

    // Called on the main thread when the user clicks a notification posted
    // here. Which notification was clicked is not reported: every click does
    // the same.
    std::function<void()> onActivated;
};

// For runs without notifications (and tests of code that posts): drops
// everything and never calls onActivated.
class NullNotificationCenter final : public NotificationCenter {
  public:
    void post(const std::string&, const std::string&, const std::string&) override {}
};

}  // namespace quib
