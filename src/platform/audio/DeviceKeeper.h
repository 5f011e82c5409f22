#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/Mixer.h"

namespace quib {

struct DevicePolicy {
    // An output that can pause cheaply (PulseAudio: the stream ends, the
    // connection stays) is paused this long after the last sound: paused, it
    // costs the server nothing, and resuming is about as quick as any click.
    std::chrono::milliseconds pauseAfter{300};
    // Any other output (SDL2) stays open this long after the last sound. Its
    // open stream costs the audio server about 5 % of a core even when silent
    // and SDL's pause does not remove that cost, so the device is closed when
    // idle; reopening adds 1-3 ms to the next click. 20 s spans the pauses of
    // someone who is writing, so a typing session keeps one stream.
    std::chrono::milliseconds idleGrace{20000};
    // How often an open device is checked for loss and idleness.
    std::chrono::milliseconds watchdogInterval{250};
    // After a loss, the mixer's state is kept and the device retried this
    // long before sounds are given up as silent.
    std::chrono::milliseconds keepStateAfterLoss{5000};
    std::chrono::milliseconds retryInterval{250};
    // A new stream that has not pulled within this time is opened again.
    std::chrono::milliseconds startTimeout{40};
};

struct DeviceStatistics {
    std::uint64_t opens = 0;
    std::uint64_t callbacks = 0;
    std::uint64_t losses = 0;
    std::uint64_t startStalls = 0;      // streams reopened because they never started
    std::int64_t longestOpenNanos = 0;  // the slowest call that opened the device
    std::uint64_t checks = 0;           // looks at an open device by the watchdog
};

// Opens the output when there is something to play, watches it while it
// plays, reopens it after a loss, and pauses or closes it when idle. Runs on
// its own thread, which sleeps without a timeout while nothing plays; the
// main thread only wakes it (and resumes a paused output itself, so that a
// click never waits for this thread), never waits for it.
class DeviceKeeper {
  public:
    DeviceKeeper(Mixer& mixer, std::unique_ptr<AudioOutput> output, DevicePolicy policy);
    ~DeviceKeeper();
    DeviceKeeper(const DeviceKeeper&) = delete;
    DeviceKeeper& operator=(const DeviceKeeper&) = delete;

    // Main thread, after pushing a command that makes sound (a play or the
    // generator's start). Other commands never open the device: they wait
    // for the next open or are applied by applyCommandsWhileClosed().
    void requestSound();
    // Main thread: runs the pending commands on the caller's thread if the
    // device is closed and nobody else holds it; false otherwise.
    bool applyCommandsWhileClosed();
    // Main thread: a running device is closed and opened again at once, as
    // after a loss but without counting one; a paused one when it next
    // resumes; a closed device is left alone.
    void requestReopen();

    bool isOpen() const { return m_open.load(std::memory_order_acquire) != kClosed; }
    bool isPaused() const { return m_open.load(std::memory_order_acquire) == kPaused; }
    DeviceStatistics statistics() const;
    // Steady-clock nanoseconds of the first callback and of the first audible
    // block after arming (negative until they happen).
    void armLatencyProbe() {
        m_probeCallbackNanos.store(-1, std::memory_order_release);
        m_probeNanos.store(-1, std::memory_order_release);
    }
    std::int64_t latencyProbeNanos() const { return m_probeNanos.load(std::memory_order_acquire); }
    std::int64_t probeCallbackNanos() const {
        return m_probeCallbackNanos.load(std::memory_order_acquire);
    }

  private:
    static constexpr std::uint32_t kClosed = 0;
    static constexpr std::uint32_t kRunning = 1;
    static constexpr std::uint32_t kPaused = 2;

    static AudioOutput::Rendered render(void* self, float* output, int frames);
    void probe(const float* output, int frames);
    void run();
    void whileClosed(std::unique_lock<std::mutex>& lock);
    void whileOpen(std::unique_lock<std::mutex>& lock);
    void whilePaused(std::unique_lock<std::mutex>& lock);
    bool restartStalledStart(std::unique_lock<std::mutex>& lock);
    bool outputMayRest() const;
    void handleLoss();
    void closeForReopen();
    void pauseDevice();
    bool tryOpen();
    void closeDevice();
    std::int64_t now() const;
    static std::int64_t nanos(std::chrono::milliseconds duration);

    Mixer& m_mixer;
    std::unique_ptr<AudioOutput> m_output;
    DevicePolicy m_policy;
    mutable std::mutex m_mutex;
    std::condition_variable m_sleep;
    // kClosed, kRunning or kPaused. Both sides change or read it with
    // read-modify-write operations, so that a command pushed just as the
    // device closes or pauses is seen either by the keeper or by the main
    // thread.
    std::atomic<std::uint32_t> m_open{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint32_t> m_wakeRequests{0};
    std::atomic<bool> m_soundRequested{false};
    std::atomic<bool> m_reopenRequested{false};
    std::atomic<std::int64_t> m_lastPlayNanos{0};
    std::atomic<std::uint64_t> m_callbacks{0};
    std::atomic<std::int64_t> m_probeNanos{0};
    std::atomic<std::int64_t> m_probeCallbackNanos{0};
    std::atomic<std::uint64_t> m_opens{0};
    std::atomic<std::uint64_t> m_losses{0};
    std::atomic<std::uint64_t> m_startStalls{0};
    std::atomic<std::int64_t> m_longestOpenNanos{0};
    std::atomic<std::uint64_t> m_checks{0};
    std::uint64_t m_callbacksAtOpen = 0;
    std::chrono::milliseconds m_startTimeout;
    std::int64_t m_keepStateUntil = 0;
    std::int64_t m_nextRetry = 0;
    bool m_reportedNoDevice = false;
    int m_stalledChecks = 0;
    std::thread m_thread;
};

}  // namespace quib
