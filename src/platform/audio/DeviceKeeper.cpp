#include "platform/audio/DeviceKeeper.h"

#include <algorithm>

#include "platform/Log.h"

namespace quib {

DeviceKeeper::DeviceKeeper(Mixer& mixer, std::unique_ptr<AudioOutput> output, DevicePolicy policy)
    : m_mixer(mixer),
      m_output(std::move(output)),
      m_policy(policy),
      m_startTimeout(policy.startTimeout),
      m_thread([this] { run(); }) {}

DeviceKeeper::~DeviceKeeper() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping.store(true);
    }
    m_sleep.notify_all();
    m_wakeRequests.fetch_add(1);
    m_wakeRequests.notify_all();
    m_thread.join();
    closeDevice();
}

std::int64_t DeviceKeeper::nanos(std::chrono::milliseconds duration) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
}

std::int64_t DeviceKeeper::now() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void DeviceKeeper::requestSound() {
    m_lastPlayNanos.store(now(), std::memory_order_relaxed);
    m_soundRequested.store(true, std::memory_order_release);
    // Pairs with the exchange in closeDevice() and pauseDevice(): either the
    // keeper sees this request after closing or pausing, or this thread sees
    // the device closed or paused and wakes it.
    const std::uint32_t state = m_open.fetch_add(0, std::memory_order_acq_rel);
    // A running output may have stopped writing because it was silent; it is
    // woken too, so that the sound does not wait for the server to ask.
    if (state != kClosed) {
        m_output->resume();
    }
    if (state != kRunning) {
        m_wakeRequests.fetch_add(1, std::memory_order_release);
        m_wakeRequests.notify_one();
    }
}

bool DeviceKeeper::applyCommandsWhileClosed() {
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || isOpen()) {
        return false;
    }
    m_mixer.applyPendingCommands();
    return true;
}

void DeviceKeeper::requestReopen() {
    // No lock: a wake-up lost between the keeper's check and its wait only
    // delays the reopen to the next watchdog tick.
    m_reopenRequested.store(true, std::memory_order_release);
    m_sleep.notify_all();
}

DeviceStatistics DeviceKeeper::statistics() const {
    return DeviceStatistics{m_opens.load(),       m_callbacks.load(),        m_losses.load(),
                            m_startStalls.load(), m_longestOpenNanos.load(), m_checks.load()};
}

AudioOutput::Rendered DeviceKeeper::render(void* self, float* output, int frames) {
    using Sounding = AudioOutput::Sounding;
    auto* keeper = static_cast<DeviceKeeper*>(self);
    keeper->m_callbacks.fetch_add(1, std::memory_order_relaxed);
    const bool started = keeper->m_mixer.render(output, frames);
    if (keeper->m_probeNanos.load(std::memory_order_relaxed) < 0) {
        keeper->probe(output, frames);
    }
    const Sounding sounding = keeper->m_mixer.isLasting()    ? Sounding::lasting
                              : keeper->m_mixer.isSounding() ? Sounding::ending
                                                             : Sounding::nothing;
    return AudioOutput::Rendered{sounding, started};
}

// Only while a benchmark armed the probe: steady_clock is a vDSO read here,
// not a trip into the kernel.
void DeviceKeeper::probe(const float* output, int frames) {
    if (m_probeCallbackNanos.load(std::memory_order_relaxed) < 0) {
        m_probeCallbackNanos.store(now(), std::memory_order_release);
    }
    for (int i = 0; i < frames * kOutputChannels; ++i) {
        if (output[i] != 0.0F) {
            m_probeNanos.store(now(), std::memory_order_release);
            return;
        }
    }
}

void DeviceKeeper::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping.load()) {
        if (isPaused()) {
            whilePaused(lock);
        } else if (isOpen()) {
            whileOpen(lock);
        } else {
            whileClosed(lock);
        }
    }
    closeDevice();
    m_output->releaseThreadState();
}

bool DeviceKeeper::tryOpen() {
    m_callbacksAtOpen = m_callbacks.load(std::memory_order_relaxed);
    const std::int64_t start = now();
    EngineResult result = m_output->open(&DeviceKeeper::render, this);
    m_longestOpenNanos.store(std::max(m_longestOpenNanos.load(), now() - start));
    if (!result.succeeded) {
        if (!m_reportedNoDevice) {
            m_reportedNoDevice = true;
            logLine("No audio device, sounds are silent: ", result.error);
        }
        return false;
    }
    m_reportedNoDevice = false;
    m_stalledChecks = 0;
    ++m_opens;
    m_open.store(kRunning, std::memory_order_release);
    return true;
}

void DeviceKeeper::closeDevice() {
    if (isOpen()) {
        m_output->close();
        m_open.exchange(kClosed, std::memory_order_acq_rel);
    }
}

void DeviceKeeper::pauseDevice() {
    m_open.exchange(kPaused, std::memory_order_acq_rel);
    m_output->pause();
    // A sound requested between the idle check and the exchange saw the
    // device running, so nobody else resumes it.
    if (m_soundRequested.load(std::memory_order_acquire) || m_mixer.hasPendingCommands()) {
        m_output->resume();
        m_open.store(kRunning, std::memory_order_release);
    }
}

}  // namespace quib
