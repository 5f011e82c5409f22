#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>

#include "platform/MainQueue.h"
#include "platform/desktop/RecordingWatcher.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;
struct pa_source_info;
struct pa_source_output_info;

namespace quib {

// Recording as the audio server sees it, on a libpulse connection of its own
// (PulseAudio, or PipeWire through pipewire-pulse, which lists PipeWire's
// own streams the same way): recording means at least one recording stream
// ("source output") that is running (not corked) on a source that is not a
// monitor. Recordings of a monitor (a screen recorder taking the desktop's
// sound), level meters (peak-detecting streams, as volume panels show) and
// this process's own streams do not count.
//
// It subscribes to the server's source and source-output events and lists
// the streams again after each, on libpulse's own thread, which sleeps in the
// kernel while nothing changes: no timer, no wake-up. Changes reach the main
// thread through the main queue. When there is no server, or it goes away,
// it reports no recording and tries again after 1 s, then after twice as long
// each time up to every 30 s: one attempt per step, one timer at a time.
class PulseRecordingWatcher final : public RecordingWatcher {
  public:
    struct RetryDelays {
        std::chrono::milliseconds first{1000};
        std::chrono::milliseconds longest{30000};
    };
    explicit PulseRecordingWatcher(MainQueue& mainQueue);
    PulseRecordingWatcher(MainQueue& mainQueue, RetryDelays delays);
    ~PulseRecordingWatcher() override;
    PulseRecordingWatcher(const PulseRecordingWatcher&) = delete;
    PulseRecordingWatcher& operator=(const PulseRecordingWatcher&) = delete;

    // Starts the loop thread and the first connection; false (with a log
    // line) when the loop cannot run at all.
    bool start();
    bool isRecording() const override { return m_recording; }
    // For tests: connections tried so far, and retries waiting (0 or 1).
    int connectionAttempts() const { return m_attempts.load(std::memory_order_relaxed); }
    int pendingRetries() const { return m_pendingRetries.load(std::memory_order_relaxed); }

  private:
    // On the loop thread.
    void connect();
    void lose();
    void fail(pa_context* context);
    void retryLater();
    void scan();
    void finishScan();
    void report(bool recording);
    bool countsAsRecording(const pa_source_output_info& info) const;
    static void onContextState(pa_context* context, void* self);
    static void onEvent(pa_context* context, int type, std::uint32_t index, void* self);
    static void onSource(pa_context* context, const pa_source_info* info, int eol, void* self);
    static void onSourceOutput(pa_context* context, const pa_source_output_info* info, int eol,
                               void* self);

    MainQueue& m_mainQueue;
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    pa_threaded_mainloop* m_loop;
    pa_context* m_context = nullptr;
    pa_time_event* m_retry = nullptr;
    RetryDelays m_delays;
    std::chrono::milliseconds m_retryDelay;
    std::atomic<int> m_attempts{0};
    std::atomic<int> m_pendingRetries{0};
    bool m_loggedFailure = false;
    bool m_scanning = false;
    bool m_scanAgain = false;
    std::set<std::uint32_t> m_monitors;
    int m_recordings = 0;
    bool m_reported = false;
    bool m_recording = false;  // the main thread's view
};

}  // namespace quib
