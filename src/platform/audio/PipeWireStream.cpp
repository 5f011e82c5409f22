// The PipeWire output's stream: connecting it, rendering into it on the
// graph's data thread, making it active or inactive, and noticing its loss.
#include <spa/param/audio/format-utils.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/audio/PipeWireGraph.h"

namespace quib {

namespace {

constexpr std::uint32_t kFrameBytes = sizeof(float) * kOutputChannels;
constexpr int kStartSeconds = 3;

const spa_pod* streamFormat(spa_pod_builder& builder) {
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = kOutputSampleRate;
    info.channels = kOutputChannels;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    return spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info);
}

}  // namespace

const pw_core_events PipeWireOutput::Graph::kCoreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.error = &Graph::onCoreError;
    return events;
}();

const pw_stream_events PipeWireOutput::Graph::kStreamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = &Graph::onStreamState;
    events.process = &Graph::onProcess;
    return events;
}();

// The stream asks the graph for a short quantum and names no target: it
// plays on the default sink and follows it when it changes.
bool PipeWireOutput::createStream(std::string& error) {
    const std::string latency =
        std::to_string(kQuantumFrames) + "/" + std::to_string(kOutputSampleRate);
    m_graph->stream = pw_stream_new(
        m_graph->core, "clicks",
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback",
                          PW_KEY_APP_NAME, "QUIB", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr));
    if (m_graph->stream == nullptr) {
        error = "the stream could not be made";
        return false;
    }
    pw_stream_add_listener(m_graph->stream, &m_graph->streamListener, &Graph::kStreamEvents, this);
    std::array<std::uint8_t, 1024> storage{};
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage.data(), storage.size());
    const spa_pod* format = streamFormat(builder);
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(m_graph->stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, &format, 1) < 0) {
        error = "the stream could not be connected";
        return false;
    }
    return true;
}

// Under the loop's lock: the session manager links the stream to a sink,
// then the graph starts pulling it.
bool PipeWireOutput::waitUntilStreaming(std::string& error) {
    timespec deadline{};
    pw_thread_loop_get_time(m_graph->loop, &deadline, kStartSeconds * SPA_NSEC_PER_SEC);
    while (m_graph->state != PW_STREAM_STATE_STREAMING && !isLost()) {
        if (pw_thread_loop_timed_wait_full(m_graph->loop, &deadline) != 0) {
            error = "no sink took the stream within " + std::to_string(kStartSeconds) + " s";
            return false;
        }
    }
    if (isLost()) {
        error = m_graph->error.empty() ? "the server went away" : m_graph->error;
        return false;
    }
    return true;
}

void PipeWireOutput::Graph::releaseStream() {
    if (stream != nullptr) {
        spa_hook_remove(&streamListener);
        pw_stream_destroy(stream);
        stream = nullptr;
    }
}

// The graph's data thread, once a cycle while the stream is active.
void PipeWireOutput::render() {
    pw_buffer* buffer = pw_stream_dequeue_buffer(m_graph->stream);
    if (buffer == nullptr) {
        return;
    }
    spa_data& data = buffer->buffer->datas[0];
    if (data.data != nullptr) {
        std::uint64_t frames = data.maxsize / kFrameBytes;
        if (buffer->requested != 0) {
            frames = std::min(frames, buffer->requested);
        }
        m_render(m_renderContext, static_cast<float*>(data.data), static_cast<int>(frames));
        data.chunk->offset = 0;
        data.chunk->stride = kFrameBytes;
        data.chunk->size = static_cast<std::uint32_t>(frames * kFrameBytes);
    }
    pw_stream_queue_buffer(m_graph->stream, buffer);
}

// The thread loop, with its lock held.
void PipeWireOutput::applyWantedState() {
    const bool wanted = m_wantActive.load(std::memory_order_acquire);
    if (wanted == m_active || m_graph->stream == nullptr) {
        return;
    }
    m_active = wanted;
    pw_stream_set_active(m_graph->stream, wanted);
}

void PipeWireOutput::Graph::onWake(void* self, int fd, std::uint32_t) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(fd, &count, sizeof count);
    static_cast<PipeWireOutput*>(self)->applyWantedState();
}

void PipeWireOutput::Graph::onProcess(void* self) {
    static_cast<PipeWireOutput*>(self)->render();
}

void PipeWireOutput::Graph::onStreamState(void* self, pw_stream_state, pw_stream_state state,
                                          const char* error) {
    auto* output = static_cast<PipeWireOutput*>(self);
    output->m_graph->state = state;
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        output->m_graph->error = error != nullptr ? error : "the stream was disconnected";
        output->m_lost.store(true, std::memory_order_release);
    }
    pw_thread_loop_signal(output->m_graph->loop, false);
}

// An error on the core itself is fatal: the server went away or refused us.
void PipeWireOutput::Graph::onCoreError(void* self, std::uint32_t id, int, int,
                                        const char* message) {
    if (id != PW_ID_CORE) {
        return;
    }
    auto* output = static_cast<PipeWireOutput*>(self);
    output->m_graph->error = message != nullptr ? message : "the server reported an error";
    output->m_lost.store(true, std::memory_order_release);
    pw_thread_loop_signal(output->m_graph->loop, false);
}

}  // namespace quib
