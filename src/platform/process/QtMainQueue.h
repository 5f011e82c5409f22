#pragma once

#include <QObject>

#include <chrono>
#include <functional>

#include "platform/MainQueue.h"

namespace quib {

// The main queue on top of the Qt event loop. Tasks are delivered as queued
// meta-calls to a context object that lives on the main thread, so post() and
// postDelayed() may be called from any thread (the statistics flush thread
// among them). Tasks run in the order they were posted.
//
// Limits: create it on the main thread, after the QCoreApplication, and keep
// it alive until every thread that posts to it has stopped; tasks still queued
// when it is destroyed are dropped, never run. Delayed tasks with equal delays
// run in posting order only as far as QTimer keeps it (it does in practice).
class QtMainQueue final : public MainQueue {
  public:
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    void post(std::function<void()> task) override;
    void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

  private:
    QObject m_context;
};

}  // namespace quib
