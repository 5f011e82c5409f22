#include "platform/process/QtMainQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "platform/Log.h"

namespace quib {

QtMainQueue::QtMainQueue() {
    if (QCoreApplication::instance() == nullptr) {
        logLine("Main queue created before the application: tasks will not run");
        return;
    }
    // The queue may be built on another thread in a test; its tasks still
    // belong to the thread that runs the application's event loop.
    m_context.moveToThread(QCoreApplication::instance()->thread());
}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> task) {
    if (!task) {
        return;
    }
    QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
}

void QtMainQueue::postDelayed(std::chrono::milliseconds delay, std::function<void()> task) {
    if (!task) {
        return;
    }
    // A timer must be started by the thread it belongs to, so the timer is
    // armed from a queued task on the main thread, never from the caller's.
    // The delay counts from this call, not from when the main thread gets to it.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + delay;
    QObject* context = &m_context;
    post([context, deadline, task = std::move(task)]() mutable {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        QTimer::singleShot(std::max(remaining, std::chrono::milliseconds(0)), Qt::PreciseTimer,
                           context, std::move(task));
    });
}

}  // namespace quib
