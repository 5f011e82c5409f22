#include "reward/StepTimer.h"

#include <chrono>
#include <cmath>

namespace quib {

QtStepTimer::QtStepTimer() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // Moved out first: the step may start the next one.
        auto fire = std::move(m_fire);
        m_fire = nullptr;
        if (fire) {
            fire();
        }
    });
}

void QtStepTimer::start(double seconds, std::function<void()> fire) {
    m_fire = std::move(fire);
    m_timer.start(std::chrono::milliseconds(std::lround(seconds * 1000.0)));
}

void QtStepTimer::stop() {
    m_timer.stop();
    m_fire = nullptr;
}

}  // namespace quib
