#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/audio/AudioOutput.h"

struct pa_mainloop;
struct pa_context;
struct pa_stream;

namespace quib {

// The audio device through libpulse, which PulseAudio and PipeWire's pulse
// server both speak. Unlike SDL2, it can cork the stream: a corked stream
// costs the server nothing, yet stays connected, so the next click plays as
// soon as the uncork and its first block reach the server.
//
// Its own thread runs a libpulse main loop. It renders when the server asks
// for data and, on resume(), writes the first block at once instead of
// waiting for the server's request. The queue is flushed when the stream is
// corked, so that a resumed stream starts with the new sound, not with what
// was queued before the pause.
//
// The stream follows the default sink: it is not pinned to a device, so the
// server moves it when the default changes.
class PulseAudioOutput final : public AudioOutput {
  public:
    // 256 frames at 48 kHz: 5.3 ms of buffering at the server.
    explicit PulseAudioOutput(int bufferFrames = 256);
    ~PulseAudioOutput() override;
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    // Whether a server answers within `timeoutMillis` (the factory's choice).
    static bool serverAnswers(int timeoutMillis);

    EngineResult open(RenderFunction render, void* context) override;
    void close() override;
    bool isLost() const override { return m_lost.load(std::memory_order_acquire); }
    bool canPause() const override { return true; }
    void pause() override;
    void resume() override;

  private:
    bool connect(std::string& error, int timeoutMillis);
    bool createStream(std::string& error);
    bool iterateUntil(bool (*done)(PulseAudioOutput&), int timeoutMillis);
    void run();
    void applyWantedState();
    void writeBlocks(std::size_t bytes);
    void disconnect();
    static void onWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);

    int m_bufferFrames;
    pa_mainloop* m_loop;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    RenderFunction m_render = nullptr;
    void* m_renderContext = nullptr;
    std::atomic<bool> m_wantPaused{false};
    std::atomic<bool> m_lost{false};
    std::atomic<bool> m_quit{false};
    bool m_corked = false;
    bool m_reportedFormat = false;
    std::thread m_thread;
};

}  // namespace quib
