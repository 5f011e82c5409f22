#pragma once

#include <chrono>
#include <functional>

namespace quib {

// The application's main (UI) thread seen from code that must not depend on Qt:
// tasks posted here run later, in order, on the main thread.
class MainQueue {
  public:
    virtual ~MainQueue() = default;
    virtual void post(std::function<void()> task) = 0;
    virtual void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) = 0;
};

}  // namespace quib
