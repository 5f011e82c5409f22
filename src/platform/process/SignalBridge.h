#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace quib {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the main thread, so that a
// session logout, Ctrl+C or `kill` ends the program through its normal
// shut-down (the statistics are flushed) instead of killing it mid-write.
// The signal handler only writes the signal number into a self-pipe, which is
// async-signal-safe; a QSocketNotifier reads it on the main thread.
//
// Limits: one bridge at a time per process (a second one logs a line and stays
// inert); the previous handlers are restored when it is destroyed. A signal
// that arrives while the main thread is blocked is handled once it returns to
// the event loop.
class SignalBridge {
  public:
    // Installs the handlers. Without onSignal set, a signal quits the
    // application's event loop, also when it arrives while start-up code
    // processes events before QCoreApplication::exec() runs (the quit then
    // happens as soon as exec() does).
    SignalBridge();
    ~SignalBridge();
    SignalBridge(const SignalBridge&) = delete;
    SignalBridge& operator=(const SignalBridge&) = delete;

    bool isActive() const { return m_notifier != nullptr; }

    // Called on the main thread with the signal number.
    std::function<void(int)> onSignal;

  private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace quib
