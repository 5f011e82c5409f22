#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace quib {

// The audio device through PipeWire's own library, for desktops whose sound
// server is PipeWire. Its pulse layer serves the PulseAudio output too, but
// there a stream that ends or stops being written lets the graph fall back
// to its default quantum (1024 frames, 21 ms), and a click after a pause
// waits for the next of those cycles and plays a cycle later: PipeWire never
// rewinds what it has rendered. A stream of the graph's own, active, holds
// the quantum it asks for (`node.latency`) for the whole graph; an inactive
// one does not.
//
// So the stream stays active, rendering silence, while someone types, and
// becomes inactive (`pw_stream_set_active`) once the device keeper pauses
// it: an inactive stream is not scheduled at all, costs nothing, and keeps
// its place in the graph, so resuming is one request to the server. Only the
// first click after a long pause waits for the graph's quantum of the moment
// (or for a suspended device to wake).
//
// 128 frames (2.7 ms): a click waits up to one cycle to be rendered and a
// device plays it about one cycle later, 4 ms on average; 256 frames made
// that 8 ms (see README, Performance). While the stream is active QUIB's data
// thread wakes 375 times a second.
//
// The library's thread loop talks to the server; rendering happens on the
// graph's real-time data thread of this process. A lost server or stream is
// reported by isLost() for the device keeper to reopen; the stream names no
// target, so the session manager moves it when the default sink changes.
class PipeWireOutput final : public AudioOutput {
  public:
    // The quantum asked of the graph while the stream is active.
    static constexpr int kQuantumFrames = 128;
    // How long the stream stays active after the last sound: it spans the
    // pauses of someone who types, and keeps a real device from being
    // suspended in between (the session manager suspends it after 5 s).
    static constexpr std::chrono::milliseconds kActiveAfterSound{20000};

    PipeWireOutput();
    ~PipeWireOutput() override;
    PipeWireOutput(const PipeWireOutput&) = delete;
    PipeWireOutput& operator=(const PipeWireOutput&) = delete;

    // Whether a PipeWire server accepts a connection (the factory's choice).
    static bool serverAnswers();

    EngineResult open(RenderFunction render, void* context) override;
    void close() override;
    bool isLost() const override { return m_lost.load(std::memory_order_acquire); }
    bool reportsLoss() const override { return true; }
    bool canPause() const override { return true; }
    // Makes the stream inactive; the keeper's thread.
    void pause() override;
    // Makes it active again: one write to an event the thread loop waits on.
    void resume() override;

  private:
    struct Graph;  // the library's objects, and the callbacks it calls
    bool connect(std::string& error);
    bool createStream(std::string& error);
    bool waitUntilStreaming(std::string& error);
    void disconnect();
    void render();
    void applyWantedState();

    std::unique_ptr<Graph> m_graph;
    RenderFunction m_render = nullptr;
    void* m_renderContext = nullptr;
    int m_wakeFd = -1;  // lives as long as the output: resume() may race close()
    std::atomic<bool> m_lost{false};
    std::atomic<bool> m_wantActive{true};
    bool m_active = true;  // the thread loop's view
    bool m_reportedFormat = false;
};

}  // namespace quib
