#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "platform/audio/AudioOutput.h"

struct pa_mainloop;
struct pa_context;
struct pa_stream;
struct pa_buffer_attr;

namespace quib {

// The audio device through libpulse, which PulseAudio and PipeWire's pulse
// server both speak. Unlike SDL2, it can pause without closing: pausing ends
// the stream but keeps the connection to the server, so a paused output costs
// the server nothing (no stream, no latency request that would keep the sink
// waking often), and resuming asks for a new stream on that connection,
// which plays within a couple of milliseconds (a full reopen, as SDL2 does it,
// takes 3 ms and up to 13).
//
// Its own thread runs a libpulse main loop and renders whenever the server
// asks for data. The stream is not pinned to a device, so the server moves it
// when the default sink changes; a lost connection is reported by isLost()
// for the device keeper to reopen.
//
// While the stream is open it is written only while something sounds: a
// silent block is not written, so the stream runs empty and the server stops
// asking for data (the stream waits for `prebuf` bytes before it plays
// again). The next sound is written at once, and the server, seeing the
// stream's underrun end, rewinds the sink and plays it within a millisecond
// or two whatever the buffer size. So the buffer can be large (32 ms, written
// 10.7 ms at a time: about 94 wake-ups a second here and at the server while
// sounds play, where a 4 ms buffer took about 750). A sound is rendered as
// soon as it is asked for, not when the server next asks, and to its end (up
// to 128 ms), so that the server need not ask while a click plays. A click that starts
// while another still sounds would wait behind what is queued, so when a
// request's worth or more is queued it is dropped (`pa_stream_flush`, sent
// with the block that starts the click; the server rewinds the sink and asks
// for the rest of the buffer again, which the mixer fills from where it had
// got to): the old click skips ahead by at most the queued span, under the
// new one's attack. While a lasting sound plays the stream never runs empty,
// so the buffer is made short for as long as it plays.
//
// Measured alternatives (see README, Performance): corking the stream instead
// keeps its small latency request at the sink, which then wakes twice as
// often while QUIB is silent; growing the buffer while silent still wakes
// QUIB about 100 times a second.
class PulseAudioOutput final : public AudioOutput {
  public:
    // The buffer asked for at the server, in frames at 48 kHz; the server
    // grants 1536 of 2048 (32 ms) and asks for a quarter at a time.
    explicit PulseAudioOutput(int bufferFrames = 2048);
    // The buffer while a lasting sound (an ambience, a track) plays, so that
    // a click over it is not held back by a long queue: 192 frames granted.
    static constexpr int kShortBufferFrames = 256;
    // One frame of the stream: float samples, interleaved.
    static constexpr std::size_t kFrameBytes = sizeof(float) * kOutputChannels;
    ~PulseAudioOutput() override;
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    // The name of the server that answers within `timeoutMillis`, if one
    // does (the factory's choice: PipeWire's pulse layer names itself).
    static std::optional<std::string> serverName(int timeoutMillis);

    EngineResult open(RenderFunction render, void* context) override;
    void close() override;
    bool isLost() const override { return m_lost.load(std::memory_order_acquire); }
    bool reportsLoss() const override { return true; }
    bool canPause() const override { return true; }
    void pause() override;
    // Also wakes a running stream that stopped writing because it was silent.
    void resume() override;

  private:
    bool connect(std::string& error, int timeoutMillis);
    std::optional<std::string> askServerName(int timeoutMillis);
    bool startStream(std::string& error);
    bool createStream(std::string& error);
    void releaseStream();
    bool iterateUntil(bool (*done)(PulseAudioOutput&), int timeoutMillis);
    void run();
    void applyWantedState();
    void writeBlocks(std::size_t bytes);
    void writeAskedSound();
    bool queueToDrop() const;
    void dropQueued();
    int bufferFrames() const;
    int minimumWriteFrames() const;
    pa_buffer_attr bufferAttributes() const;
    void useShortBuffer(bool shortBuffer);
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
    std::atomic<bool> m_soundWaiting{false};
    bool m_paused = false;  // the loop thread's view
    bool m_silent = false;  // the last block rendered was silent and not written
    bool m_shortBuffer = false;
    bool m_reportedFormat = false;
    std::optional<std::string> m_serverName;
    std::thread m_thread;
};

}  // namespace quib
