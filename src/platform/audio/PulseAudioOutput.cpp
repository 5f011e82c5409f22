#include "platform/audio/PulseAudioOutput.h"

#include <pulse/pulseaudio.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/Log.h"

namespace quib {

namespace {

bool isOver(pa_context_state_t state) {
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
}

bool isOver(pa_stream_state_t state) {
    return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
}

}  // namespace

PulseAudioOutput::PulseAudioOutput(int bufferFrames)
    : m_bufferFrames(bufferFrames), m_loop(pa_mainloop_new()) {}

PulseAudioOutput::~PulseAudioOutput() {
    close();
    pa_mainloop_free(m_loop);
}

std::optional<std::string> PulseAudioOutput::serverName(int timeoutMillis) {
    PulseAudioOutput probe;
    std::string error;
    std::optional<std::string> name;
    if (probe.connect(error, timeoutMillis)) {
        name = probe.askServerName(timeoutMillis);
    }
    probe.disconnect();
    return name;
}

std::optional<std::string> PulseAudioOutput::askServerName(int timeoutMillis) {
    const auto onInfo = [](pa_context*, const pa_server_info* info, void* self) {
        static_cast<PulseAudioOutput*>(self)->m_serverName =
            info != nullptr && info->server_name != nullptr ? info->server_name : "";
    };
    if (pa_operation* operation = pa_context_get_server_info(m_context, onInfo, this)) {
        pa_operation_unref(operation);
    }
    iterateUntil([](PulseAudioOutput& self) { return self.m_serverName.has_value(); },
                 timeoutMillis);
    return m_serverName;
}

// Runs the loop on the calling thread (the loop's own thread is not running
// yet) until `done` holds or the time is up.
bool PulseAudioOutput::iterateUntil(bool (*done)(PulseAudioOutput&), int timeoutMillis) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
    while (!done(*this)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (pa_mainloop_prepare(m_loop, 20'000) < 0 || pa_mainloop_poll(m_loop) < 0 ||
            pa_mainloop_dispatch(m_loop) < 0) {
            return false;
        }
    }
    return true;
}

bool PulseAudioOutput::connect(std::string& error, int timeoutMillis) {
    m_lost.store(false, std::memory_order_release);
    m_context = pa_context_new(pa_mainloop_get_api(m_loop), "QUIB");
    pa_context_set_state_callback(m_context, &PulseAudioOutput::onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = pa_strerror(pa_context_errno(m_context));
        return false;
    }
    const bool answered = iterateUntil(
        [](PulseAudioOutput& self) { return isOver(pa_context_get_state(self.m_context)); },
        timeoutMillis);
    if (!answered || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        error = answered ? pa_strerror(pa_context_errno(m_context)) : "the server did not answer";
        return false;
    }
    return true;
}

// Asks for a new stream; it plays once the server has set it up and asked
// for its first data, which the write callback then renders.
bool PulseAudioOutput::startStream(std::string& error) {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kOutputSampleRate, kOutputChannels};
    m_stream = pa_stream_new(m_context, "clicks", &format, nullptr);
    if (m_stream == nullptr) {
        error = pa_strerror(pa_context_errno(m_context));
        return false;
    }
    pa_stream_set_state_callback(m_stream, &PulseAudioOutput::onStreamState, this);
    pa_stream_set_write_callback(m_stream, &PulseAudioOutput::onWritable, this);
    const pa_buffer_attr attributes = bufferAttributes();
    if (pa_stream_connect_playback(m_stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY,
                                   nullptr, nullptr) < 0) {
        error = pa_strerror(pa_context_errno(m_context));
        return false;
    }
    return true;
}

bool PulseAudioOutput::createStream(std::string& error) {
    if (!startStream(error) ||
        !iterateUntil(
            [](PulseAudioOutput& self) { return isOver(pa_stream_get_state(self.m_stream)); },
            2000) ||
        pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        if (error.empty()) {
            error = pa_strerror(pa_context_errno(m_context));
        }
        return false;
    }
    if (!m_reportedFormat) {
        m_reportedFormat = true;
        const pa_buffer_attr* granted = pa_stream_get_buffer_attr(m_stream);
        logLine("Audio output: PulseAudio, " + std::to_string(kOutputSampleRate) + " Hz, " +
                std::to_string(granted->tlength / kFrameBytes) + " frames of buffer");
    }
    return true;
}

EngineResult PulseAudioOutput::open(RenderFunction render, void* context) {
    close();
    m_render = render;
    m_renderContext = context;
    m_quit.store(false);
    m_wantPaused.store(false);
    m_paused = false;
    std::string error;
    if (!connect(error, 2000) || !createStream(error)) {
        disconnect();
        return EngineResult{false, "PulseAudio: " + error};
    }
    m_thread = std::thread([this] { run(); });
    return {};
}

void PulseAudioOutput::close() {
    if (m_thread.joinable()) {
        m_quit.store(true);
        pa_mainloop_wakeup(m_loop);
        m_thread.join();
    }
    disconnect();
}

void PulseAudioOutput::releaseStream() {
    m_silent = false;
    m_shortBuffer = false;
    if (m_stream != nullptr) {
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
}

void PulseAudioOutput::disconnect() {
    releaseStream();
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
}

void PulseAudioOutput::pause() {
    m_wantPaused.store(true, std::memory_order_release);
    pa_mainloop_wakeup(m_loop);
}

void PulseAudioOutput::resume() {
    m_wantPaused.store(false, std::memory_order_release);
    m_soundWaiting.store(true, std::memory_order_release);
    pa_mainloop_wakeup(m_loop);
}

void PulseAudioOutput::run() {
    // The clicks' thread should win against ordinary work; where the system
    // does not allow it (no CAP_SYS_NICE), it runs at normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -11);
    while (!m_quit.load(std::memory_order_acquire)) {
        applyWantedState();
        if (m_soundWaiting.exchange(false, std::memory_order_acq_rel)) {
            writeAskedSound();
        }
        if (pa_mainloop_iterate(m_loop, 1, nullptr) < 0) {
            break;
        }
    }
}

void PulseAudioOutput::applyWantedState() {
    const bool wanted = m_wantPaused.load(std::memory_order_acquire);
    if (wanted == m_paused || isLost()) {
        return;
    }
    m_paused = wanted;
    if (wanted) {
        releaseStream();
        return;
    }
    // The server sets the stream up and asks for its first block at once;
    // the write callback renders it, the click at its head.
    std::string error;
    if (!startStream(error)) {
        m_lost.store(true, std::memory_order_release);
    }
}

void PulseAudioOutput::onContextState(pa_context* context, void* self) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        static_cast<PulseAudioOutput*>(self)->m_lost.store(true, std::memory_order_release);
    }
}

void PulseAudioOutput::onStreamState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        static_cast<PulseAudioOutput*>(self)->m_lost.store(true, std::memory_order_release);
    }
}

}  // namespace quib
