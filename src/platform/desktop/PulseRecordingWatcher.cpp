#include "platform/desktop/PulseRecordingWatcher.h"

#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Log.h"

namespace quib {

namespace {

template <typename Operation>
void drop(Operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

}  // namespace

PulseRecordingWatcher::PulseRecordingWatcher(MainQueue& mainQueue)
    : PulseRecordingWatcher(mainQueue, RetryDelays{}) {}

PulseRecordingWatcher::PulseRecordingWatcher(MainQueue& mainQueue, RetryDelays delays)
    : m_mainQueue(mainQueue),
      m_loop(pa_threaded_mainloop_new()),
      m_delays(delays),
      m_retryDelay(delays.first) {}

PulseRecordingWatcher::~PulseRecordingWatcher() {
    if (m_loop == nullptr) {
        return;
    }
    pa_threaded_mainloop_stop(m_loop);  // joins the loop thread; the rest runs here
    lose();
    if (m_retry != nullptr) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
        m_pendingRetries.fetch_sub(1, std::memory_order_relaxed);
    }
    pa_threaded_mainloop_free(m_loop);
}

bool PulseRecordingWatcher::start() {
    if (m_loop == nullptr) {
        logLine("Cannot watch for calls: no libpulse main loop");
        return false;
    }
    pa_threaded_mainloop_set_name(m_loop, "quib-calls");
    pa_threaded_mainloop_lock(m_loop);
    connect();
    pa_threaded_mainloop_unlock(m_loop);
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        logLine("Cannot watch for calls: the libpulse thread did not start");
        return false;
    }
    return true;
}

void PulseRecordingWatcher::connect() {
    m_attempts.fetch_add(1, std::memory_order_relaxed);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "QUIB");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "quib");
    m_context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "QUIB", properties);
    pa_proplist_free(properties);
    pa_context_set_state_callback(m_context, &PulseRecordingWatcher::onContextState, this);
    // A connection that fails at once has usually told the state callback
    // already, which failed it: the second report changes nothing.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        fail(m_context);
    }
}

// The one way to the next attempt: the connection is dropped and a single
// retry waits, however many times the failure is reported.
void PulseRecordingWatcher::fail(pa_context* context) {
    if (context != nullptr && !m_loggedFailure) {
        logLine("Cannot watch for calls, trying again later: ",
                pa_strerror(pa_context_errno(context)));
        m_loggedFailure = true;
    }
    lose();
    retryLater();
}

// Forgets the connection: without a server nothing records that we can hear.
void PulseRecordingWatcher::lose() {
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    m_scanning = m_scanAgain = false;
    m_recordings = 0;
    report(false);
}

void PulseRecordingWatcher::retryLater() {
    if (m_retry != nullptr) {
        return;
    }
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(m_retryDelay.count()) * PA_USEC_PER_MSEC);
    m_retryDelay = std::min(m_retryDelay * 2, m_delays.longest);
    const auto retry = [](pa_mainloop_api* loopApi, pa_time_event* event, const timeval*,
                          void* self) {
        auto& watcher = *static_cast<PulseRecordingWatcher*>(self);
        loopApi->time_free(event);
        watcher.m_pendingRetries.fetch_sub(1, std::memory_order_relaxed);
        watcher.m_retry = nullptr;
        watcher.connect();
    };
    m_retry = api->time_new(api, &when, retry, this);
    m_pendingRetries.fetch_add(m_retry != nullptr ? 1 : 0, std::memory_order_relaxed);
}

void PulseRecordingWatcher::onContextState(pa_context* context, void* self) {
    auto& watcher = *static_cast<PulseRecordingWatcher*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        watcher.m_retryDelay = watcher.m_delays.first;
        watcher.m_loggedFailure = false;
        pa_context_set_subscribe_callback(
            context,
            [](pa_context* c, pa_subscription_event_type_t type, std::uint32_t index, void* w) {
                onEvent(c, static_cast<int>(type), index, w);
            },
            self);
        drop(pa_context_subscribe(
            context,
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE |
                                                PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT),
            nullptr, nullptr));
        watcher.scan();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        watcher.fail(context);
    }
}

void PulseRecordingWatcher::onEvent(pa_context*, int, std::uint32_t, void* self) {
    static_cast<PulseRecordingWatcher*>(self)->scan();
}

// Lists the sources (to know the monitors), then the recording streams. A
// change while a listing runs asks for one more afterwards.
void PulseRecordingWatcher::scan() {
    if (m_scanning) {
        m_scanAgain = true;
        return;
    }
    m_scanning = true;
    m_monitors.clear();
    m_recordings = 0;
    drop(pa_context_get_source_info_list(m_context, &PulseRecordingWatcher::onSource, this));
}

void PulseRecordingWatcher::onSource(pa_context* context, const pa_source_info* info, int eol,
                                     void* self) {
    auto& watcher = *static_cast<PulseRecordingWatcher*>(self);
    if (eol == 0 && info != nullptr) {
        if (info->monitor_of_sink != PA_INVALID_INDEX) {
            watcher.m_monitors.insert(info->index);
        }
        return;
    }
    drop(pa_context_get_source_output_info_list(context, &PulseRecordingWatcher::onSourceOutput,
                                                self));
}

void PulseRecordingWatcher::onSourceOutput(pa_context*, const pa_source_output_info* info, int eol,
                                           void* self) {
    auto& watcher = *static_cast<PulseRecordingWatcher*>(self);
    if (eol == 0 && info != nullptr) {
        watcher.m_recordings += watcher.countsAsRecording(*info) ? 1 : 0;
        return;
    }
    watcher.finishScan();
}

bool PulseRecordingWatcher::countsAsRecording(const pa_source_output_info& info) const {
    if (info.corked != 0 || m_monitors.count(info.source) > 0) {
        return false;
    }
    if (info.resample_method != nullptr && std::strcmp(info.resample_method, "peaks") == 0) {
        return false;  // a level meter
    }
    const char* process = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    return process == nullptr || std::to_string(getpid()) != process;
}

void PulseRecordingWatcher::finishScan() {
    m_scanning = false;
    report(m_recordings > 0);
    if (m_scanAgain) {
        m_scanAgain = false;
        scan();
    }
}

void PulseRecordingWatcher::report(bool recording) {
    if (recording == m_reported) {
        return;
    }
    m_reported = recording;
    std::weak_ptr<char> alive = m_alive;
    m_mainQueue.post([this, alive, recording] {
        if (alive.expired() || recording == m_recording) {
            return;
        }
        m_recording = recording;
        if (onRecordingChanged) {
            onRecordingChanged(recording);
        }
    });
}

}  // namespace quib
