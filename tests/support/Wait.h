#pragma once

// The one way a test waits: for a condition, with a deadline. A test never
// sleeps for a fixed time and then judges; a check that nothing happened first
// waits for something that must happen after it (a sync point).

#include <algorithm>
#include <chrono>
#include <thread>

#if __has_include(<QCoreApplication>)
#include <QCoreApplication>
#include <QThread>
#define QUIB_TEST_WAIT_RUNS_QT 1
#endif

namespace quib::test {

// Long enough for a loaded two-core machine under a sanitizer. A wait ends as
// soon as its condition holds, so only a failing test pays the whole of it.
inline constexpr std::chrono::milliseconds kPatience{10000};

namespace detail {

// Lets the work being waited for move on for up to a few milliseconds: the
// thread's Qt event loop runs where it has one (timers, sockets and queued
// calls are delivered there), then the thread sleeps.
inline void letOthersRun(std::chrono::milliseconds remaining) {
#ifdef QUIB_TEST_WAIT_RUNS_QT
    const QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && app->thread() == QThread::currentThread()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
#endif
    std::this_thread::sleep_for(
        std::clamp(remaining, std::chrono::milliseconds(0), std::chrono::milliseconds(5)));
}

}  // namespace detail

// Checks `condition` until it holds or `limit` has passed; whether it held.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = kPatience) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    while (!condition()) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            return false;
        }
        detail::letOthersRun(remaining);
    }
    return true;
}

}  // namespace quib::test
