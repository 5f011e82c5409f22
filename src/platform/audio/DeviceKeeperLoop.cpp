// The three states of the device keeper's thread: closed, running, paused.
#include <algorithm>

#include "platform/Log.h"
#include "platform/audio/DeviceKeeper.h"

namespace quib {

void DeviceKeeper::whileClosed(std::unique_lock<std::mutex>& lock) {
    m_reopenRequested.store(false, std::memory_order_relaxed);  // the next open is a fresh one
    const std::uint32_t seen = m_wakeRequests.load(std::memory_order_acquire);
    const bool wanted =
        m_soundRequested.exchange(false, std::memory_order_acq_rel) || m_mixer.isSounding();
    const bool attempted = wanted && now() >= m_nextRetry;
    if (attempted && tryOpen()) {
        return;
    }
    if (wanted && now() < m_keepStateUntil) {
        // A device just vanished: keep every voice and try again shortly.
        m_mixer.applyPendingCommands();
        m_nextRetry = now() + nanos(m_policy.retryInterval);
        m_sleep.wait_for(lock, m_policy.retryInterval, [this] { return m_stopping.load(); });
        return;
    }
    if (wanted) {
        // No device: every sound is a silent no-op; the next play tries again,
        // at most once per retry interval (counted from the last try, so that
        // plays closer together than that still try now and then).
        m_mixer.discardPendingCommands();
        if (attempted) {
            m_nextRetry = now() + nanos(m_policy.retryInterval);
        }
    }
    lock.unlock();
    m_wakeRequests.wait(seen, std::memory_order_acquire);
    lock.lock();
}

// An output that can pause stops pulling by itself once the sound it was
// opened for has been rendered (a short click may take one callback).
bool DeviceKeeper::outputMayRest() const {
    return m_output->canPause() && !m_mixer.isSounding() && !m_mixer.hasPendingCommands();
}

// A freshly opened stream sometimes never starts (seen on an idle PulseAudio
// sink); waiting for the watchdog would hold the click back half a second.
// The first callback normally comes within 3 ms, so a stream that has not
// pulled once after the start timeout is reopened at once. The timeout
// doubles each time, in case this device is merely slow to wake.
bool DeviceKeeper::restartStalledStart(std::unique_lock<std::mutex>& lock) {
    m_sleep.wait_for(lock, m_startTimeout, [this] { return m_stopping.load(); });
    // One callback is not a start: a stalled stream has been seen to pull
    // once and then never again.
    if (m_stopping.load() || m_callbacks.load(std::memory_order_relaxed) >= m_callbacksAtOpen + 2 ||
        outputMayRest()) {
        return false;
    }
    m_startTimeout = std::min(m_startTimeout * 2, m_policy.watchdogInterval);
    ++m_startStalls;
    closeDevice();
    m_keepStateUntil = now() + nanos(m_policy.keepStateAfterLoss);
    m_nextRetry = 0;
    // Whatever was asked of the stream has not been heard yet.
    m_soundRequested.store(true, std::memory_order_relaxed);
    return true;
}

void DeviceKeeper::whileOpen(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t callbacksBefore = m_callbacks.load(std::memory_order_relaxed);
    if (callbacksBefore < m_callbacksAtOpen + 2 && restartStalledStart(lock)) {
        return;
    }
    // A pausing output is checked more often, so that it pauses soon after
    // the last sound; a check costs a few microseconds.
    const auto interval = m_output->canPause()
                              ? std::min(m_policy.watchdogInterval, m_policy.pauseAfter / 2)
                              : m_policy.watchdogInterval;
    m_sleep.wait_for(lock, interval,
                     [this] { return m_stopping.load() || m_reopenRequested.load(); });
    if (m_stopping.load()) {
        return;
    }
    m_checks.fetch_add(1, std::memory_order_relaxed);
    // Asked for after a system sleep; a device that says it is lost is a loss.
    if (m_reopenRequested.exchange(false, std::memory_order_acq_rel) && !m_output->isLost()) {
        logLine("Reopening the audio device after a system sleep");
        closeForReopen();
        return;
    }
    // One quiet interval can be a loaded machine; two in a row is a device
    // that stopped pulling (eight for one that reports its own loss).
    const bool quiet = m_callbacks.load(std::memory_order_relaxed) == callbacksBefore;
    m_stalledChecks = quiet && !outputMayRest() ? m_stalledChecks + 1 : 0;
    const int stalledLimit = m_output->reportsLoss() ? 8 : 2;
    if (m_output->isLost() || m_stalledChecks >= stalledLimit) {
        handleLoss();
        return;
    }
    // A request seen here is already in the queue for the running device.
    m_soundRequested.exchange(false, std::memory_order_acq_rel);
    const std::int64_t idleFor = now() - m_lastPlayNanos.load(std::memory_order_relaxed);
    if (m_mixer.isSounding() || m_mixer.hasPendingCommands()) {
        return;
    }
    if (m_output->canPause() && idleFor >= nanos(m_policy.pauseAfter)) {
        pauseDevice();
    } else if (!m_output->canPause() && idleFor >= nanos(m_policy.idleGrace)) {
        closeDevice();
    }
}

// Paused: nothing to watch, so the thread sleeps until a sound is asked for.
// The main thread has already resumed the output by then; this thread goes
// back to watching it.
void DeviceKeeper::whilePaused(std::unique_lock<std::mutex>& lock) {
    const std::uint32_t seen = m_wakeRequests.load(std::memory_order_acquire);
    if (m_output->isLost()) {
        handleLoss();
        return;
    }
    if (m_soundRequested.load(std::memory_order_acquire) || m_mixer.hasPendingCommands()) {
        m_output->resume();
        m_open.store(kRunning, std::memory_order_release);
        // Not checked as a new stream is: a resumed stream can wait for a
        // sink that the server suspended meanwhile, and reopening would only
        // wait longer. The watchdog still sees one that never pulls again.
        m_callbacksAtOpen = 0;
        return;
    }
    lock.unlock();
    m_wakeRequests.wait(seen, std::memory_order_acquire);
    lock.lock();
}

void DeviceKeeper::handleLoss() {
    logLine(m_output->isLost() ? "Audio device lost, reopening the default device"
                               : "Audio device stopped playing, reopening the default device");
    ++m_losses;
    closeForReopen();
}

// Every voice is kept and the default device opened again at once.
void DeviceKeeper::closeForReopen() {
    m_stalledChecks = 0;
    closeDevice();
    m_keepStateUntil = now() + nanos(m_policy.keepStateAfterLoss);
    m_nextRetry = 0;
    m_soundRequested.store(true, std::memory_order_relaxed);
}

}  // namespace quib
