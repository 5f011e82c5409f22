#pragma once

// The PipeWire library's objects behind PipeWireOutput, and the callbacks the
// library calls with the output as their data. Only the output's files
// include this.

#include <pipewire/pipewire.h>

#include <string>

#include "platform/audio/PipeWireOutput.h"

namespace quib {

struct PipeWireOutput::Graph {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_source* wake = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    // The stream's state and error as last reported; under the loop's lock.
    pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    std::string error;

    static const pw_core_events kCoreEvents;
    static const pw_stream_events kStreamEvents;
    static void onWake(void* self, int fd, std::uint32_t mask);
    static void onProcess(void* self);
    static void onStreamState(void* self, pw_stream_state old, pw_stream_state state,
                              const char* error);
    static void onCoreError(void* self, std::uint32_t id, int seq, int result, const char* message);

    // Under the loop's lock; no callback of the stream runs afterwards.
    void releaseStream();
};

}  // namespace quib
