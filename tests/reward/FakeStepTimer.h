#pragma once

#include <functional>
#include <vector>

#include "reward/StepTimer.h"

namespace quib::test {

// The reel's timer under the test's hand: it records every delay asked for
// and fires when told to.
class FakeStepTimer final : public StepTimer {
  public:
    void start(double seconds, std::function<void()> fire) override {
        delays.push_back(seconds);
        m_fire = std::move(fire);
    }
    void stop() override { m_fire = nullptr; }
    bool isActive() const override { return m_fire != nullptr; }

    // Runs the pending step; false when none is pending.
    bool fire() {
        auto fire = std::move(m_fire);
        m_fire = nullptr;
        if (!fire) {
            return false;
        }
        fire();
        return true;
    }

    std::vector<double> delays;

  private:
    std::function<void()> m_fire;
};

}  // namespace quib::test
