#include "platform/audio/PipeWireOutput.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/Log.h"
#include "platform/audio/PipeWireGraph.h"

namespace quib {

namespace {

// The library's method macros cast the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
void listenToCore(pw_core* core, spa_hook& listener, const pw_core_events& events, void* data) {
    pw_core_add_listener(core, &listener, &events, data);
}
#pragma GCC diagnostic pop

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

}  // namespace

PipeWireOutput::PipeWireOutput() : m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

PipeWireOutput::~PipeWireOutput() {
    close();
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

bool PipeWireOutput::serverAnswers() {
    initialiseLibrary();
    pw_loop* loop = pw_loop_new(nullptr);
    pw_context* context = loop != nullptr ? pw_context_new(loop, nullptr, 0) : nullptr;
    pw_core* core = context != nullptr ? pw_context_connect(context, nullptr, 0) : nullptr;
    const bool answered = core != nullptr;
    if (core != nullptr) {
        pw_core_disconnect(core);
    }
    if (context != nullptr) {
        pw_context_destroy(context);
    }
    if (loop != nullptr) {
        pw_loop_destroy(loop);
    }
    return answered;
}

EngineResult PipeWireOutput::open(RenderFunction renderFunction, void* context) {
    close();
    m_render = renderFunction;
    m_renderContext = context;
    m_lost.store(false, std::memory_order_release);
    m_wantActive.store(true, std::memory_order_release);
    m_active = true;
    std::string error;
    if (m_wakeFd < 0 || !connect(error)) {
        disconnect();
        return EngineResult{false, "PipeWire: " + (error.empty() ? std::strerror(errno) : error)};
    }
    pw_thread_loop_lock(m_graph->loop);
    const bool streaming = createStream(error) && waitUntilStreaming(error);
    // PIPEWIRE_LATENCY in the environment overrides the quantum asked for.
    const char* latency = streaming ? pw_properties_get(pw_stream_get_properties(m_graph->stream),
                                                        PW_KEY_NODE_LATENCY)
                                    : nullptr;
    const std::string asked = latency != nullptr ? latency : "";
    pw_thread_loop_unlock(m_graph->loop);
    if (!streaming) {
        disconnect();
        return EngineResult{false, "PipeWire: " + error};
    }
    if (!m_reportedFormat) {
        m_reportedFormat = true;
        logLine("Audio output: PipeWire, " + std::to_string(kOutputSampleRate) +
                " Hz, a quantum of " + asked + " asked for");
    }
    return {};
}

void PipeWireOutput::close() {
    disconnect();
}

// The library's loop runs on a thread of its own; the context's modules
// (client-rt.conf) give the graph's data thread real-time priority where the
// system allows it.
bool PipeWireOutput::connect(std::string& error) {
    initialiseLibrary();
    m_graph = std::make_unique<Graph>();
    m_graph->loop = pw_thread_loop_new("quib-audio", nullptr);
    if (m_graph->loop == nullptr) {
        return false;
    }
    m_graph->context = pw_context_new(
        pw_thread_loop_get_loop(m_graph->loop),
        pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", PW_KEY_APP_NAME, "QUIB", nullptr),
        0);
    if (m_graph->context == nullptr || pw_thread_loop_start(m_graph->loop) < 0) {
        return false;
    }
    pw_thread_loop_lock(m_graph->loop);
    m_graph->core = pw_context_connect(m_graph->context, nullptr, 0);
    if (m_graph->core != nullptr) {
        listenToCore(m_graph->core, m_graph->coreListener, Graph::kCoreEvents, this);
        m_graph->wake = pw_loop_add_io(pw_thread_loop_get_loop(m_graph->loop), m_wakeFd, SPA_IO_IN,
                                       false, &Graph::onWake, this);
    } else {
        error = std::string("no server: ") + std::strerror(errno);
    }
    pw_thread_loop_unlock(m_graph->loop);
    return m_graph->core != nullptr;
}

void PipeWireOutput::disconnect() {
    if (m_graph == nullptr) {
        return;
    }
    if (m_graph->loop != nullptr) {
        pw_thread_loop_lock(m_graph->loop);
        m_graph->releaseStream();
        if (m_graph->wake != nullptr) {
            pw_loop_destroy_source(pw_thread_loop_get_loop(m_graph->loop), m_graph->wake);
        }
        if (m_graph->core != nullptr) {
            spa_hook_remove(&m_graph->coreListener);
            pw_core_disconnect(m_graph->core);
        }
        pw_thread_loop_unlock(m_graph->loop);
        pw_thread_loop_stop(m_graph->loop);
    }
    if (m_graph->context != nullptr) {
        pw_context_destroy(m_graph->context);
    }
    if (m_graph->loop != nullptr) {
        pw_thread_loop_destroy(m_graph->loop);
    }
    m_graph.reset();
}

void PipeWireOutput::pause() {
    m_wantActive.store(false, std::memory_order_release);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void PipeWireOutput::resume() {
    if (!m_wantActive.exchange(true, std::memory_order_acq_rel)) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
}

}  // namespace quib
