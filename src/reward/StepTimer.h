#pragma once

#include <QTimer>
#include <functional>

namespace quib {

// The reel's one-shot timer. The window runs on a precise Qt timer on the main
// loop; tests drive the reel by firing it themselves, so none of them sleeps.
class StepTimer {
  public:
    virtual ~StepTimer() = default;
    // Calls fire once, `seconds` from now, replacing anything pending.
    virtual void start(double seconds, std::function<void()> fire) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// A single-shot QTimer of the precise kind (the coarse kind may be 5 % late).
// Owned by the window's owner, it dies with it: a pending step can never reach
// a reveal that is gone or keep it alive.
class QtStepTimer final : public StepTimer {
  public:
    QtStepTimer();
    void start(double seconds, std::function<void()> fire) override;
    void stop() override;
    bool isActive() const override { return m_timer.isActive(); }

  private:
    QTimer m_timer;
    std::function<void()> m_fire;
};

}  // namespace quib
