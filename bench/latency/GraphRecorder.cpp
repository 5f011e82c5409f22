#include "latency/GraphRecorder.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace quib::bench {

namespace {

constexpr std::size_t kPieceFrames = 2048;  // the graph's largest quantum
constexpr std::size_t kPieces = 1024;       // 2.7 s at 128 frames a cycle

// One graph cycle's frames, handed from the graph's thread to the drainer.
struct Piece {
    std::int64_t stamp = 0;
    std::size_t frames = 0;
    std::array<float, 2 * kPieceFrames> samples{};
};

}  // namespace

struct GraphRecorder::Stream {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    // A single-producer, single-consumer ring: the graph's thread never waits.
    std::vector<Piece> ring = std::vector<Piece>(kPieces);
    std::atomic<std::size_t> written{0};
    std::atomic<std::size_t> read{0};
    std::atomic<std::size_t> dropped{0};

    static void onProcess(void* self);
};

void GraphRecorder::Stream::onProcess(void* self) {
    auto* recorder = static_cast<Stream*>(self);
    pw_buffer* buffer = pw_stream_dequeue_buffer(recorder->stream);
    if (buffer == nullptr) {
        return;
    }
    pw_time time{};
    pw_stream_get_time_n(recorder->stream, &time, sizeof time);
    const spa_data& data = buffer->buffer->datas[0];
    const std::size_t frames = std::min<std::size_t>(data.chunk->size / 8, kPieceFrames);
    const std::size_t slot = recorder->written.load(std::memory_order_relaxed);
    if (data.data != nullptr && slot - recorder->read.load(std::memory_order_acquire) < kPieces) {
        Piece& piece = recorder->ring[slot % kPieces];
        const auto* samples = static_cast<const float*>(data.data) + data.chunk->offset / 4;
        std::copy_n(samples, 2 * frames, piece.samples.begin());
        piece.frames = frames;
        // What the sink's monitor hands over in a cycle is what the sink took
        // in the cycle before, which a device starts to play about when this
        // cycle starts (it still had the last cycle's frames to play).
        piece.stamp = time.now;
        recorder->written.store(slot + 1, std::memory_order_release);
    } else {
        recorder->dropped.fetch_add(1, std::memory_order_relaxed);
    }
    pw_stream_queue_buffer(recorder->stream, buffer);
}

GraphRecorder::GraphRecorder(const std::string& sink)
    : Recording(true), m_stream(std::make_unique<Stream>()) {
    pw_init(nullptr, nullptr);
    m_stream->loop = pw_thread_loop_new("keyclick-recorder", nullptr);
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.process = &Stream::onProcess;
        return e;
    }();
    // client-rt.conf: the graph's thread of this process runs at real-time
    // priority, so that the recording keeps up on a busy machine.
    m_stream->context =
        pw_context_new(pw_thread_loop_get_loop(m_stream->loop),
                       pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    pw_thread_loop_lock(m_stream->loop);
    pw_thread_loop_start(m_stream->loop);
    m_stream->core = pw_context_connect(m_stream->context, nullptr, 0);
    m_stream->stream =
        m_stream->core == nullptr
            ? nullptr
            : pw_stream_new(m_stream->core, "keyclick-recorder",
                            pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                              "Capture", PW_KEY_STREAM_CAPTURE_SINK, "true",
                                              PW_KEY_TARGET_OBJECT, sink.c_str(), nullptr));
    if (m_stream->stream != nullptr) {
        pw_stream_add_listener(m_stream->stream, &m_stream->listener, &events, m_stream.get());
    }
    std::array<std::uint8_t, 1024> storage{};
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage.data(), storage.size());
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = kRate;
    info.channels = 2;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod* format = spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info);
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    if (m_stream->stream == nullptr ||
        pw_stream_connect(m_stream->stream, PW_DIRECTION_INPUT, PW_ID_ANY, flags, &format, 1) < 0) {
        std::fprintf(stderr, "keyclick: the PipeWire recorder could not connect\n");
    }
    pw_thread_loop_unlock(m_stream->loop);
    m_drainer = std::thread([this] { drain(); });
}

GraphRecorder::~GraphRecorder() {
    m_stopping = true;
    m_drainer.join();
    pw_thread_loop_lock(m_stream->loop);
    if (m_stream->stream != nullptr) {
        pw_stream_destroy(m_stream->stream);
    }
    if (m_stream->core != nullptr) {
        pw_core_disconnect(m_stream->core);
    }
    pw_thread_loop_unlock(m_stream->loop);
    pw_thread_loop_stop(m_stream->loop);
    pw_context_destroy(m_stream->context);
    pw_thread_loop_destroy(m_stream->loop);
    if (const std::size_t dropped = m_stream->dropped.load()) {
        std::fprintf(stderr, "keyclick: the recorder dropped %zu cycles\n", dropped);
    }
    dumpIfAsked();
}

void GraphRecorder::drain() {
    // Ahead of ordinary work where the system allows it, so that the ring
    // does not fill on a busy machine.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    while (!m_stopping.load()) {
        const std::size_t end = m_stream->written.load(std::memory_order_acquire);
        for (std::size_t k = m_stream->read.load(std::memory_order_relaxed); k < end; ++k) {
            const Piece& piece = m_stream->ring[k % kPieces];
            append(piece.samples.data(), piece.frames, piece.stamp);
            m_stream->read.store(k + 1, std::memory_order_release);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace quib::bench
