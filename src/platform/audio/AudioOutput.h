#pragma once

#include <cstdint>

#include "platform/audio/AudioEngine.h"

namespace quib {

// A device the mixer plays through: float32, 48 kHz, stereo, pulled by a
// callback on the device's own thread. One class per backend.
class AudioOutput {
  public:
    // What still sounds after a render call: nothing (an output may stop
    // writing silence), sounds that end by themselves (clicks), or a lasting
    // sound (a loop, a stream, the generator) that keeps the output writing.
    enum class Sounding : std::uint8_t { nothing, ending, lasting };
    // What a render call produced: what still sounds, and whether a sound
    // started at the head of the block (its first frame), which an output
    // that queues ahead should not hold behind what it queued.
    struct Rendered {
        Sounding sounding = Sounding::nothing;
        bool started = false;
    };
    // Fills `frames` frames.
    using RenderFunction = Rendered (*)(void* context, float* output, int frames);

    virtual ~AudioOutput() = default;
    // Opens the device and starts pulling; fails with a readable error.
    virtual EngineResult open(RenderFunction render, void* context) = 0;
    // Stops pulling; when it returns, no callback runs or will run.
    virtual void close() = 0;
    // The device vanished while open (server restart, unplugged headset).
    virtual bool isLost() const = 0;
    // Whether isLost() is told by the device itself. Such an output is given
    // longer before a stream that stopped pulling counts as lost: a busy
    // server is slow, not gone, and reopening would only add to its work.
    virtual bool reportsLoss() const { return false; }
    // Called on the thread that opened and closed the device, before it ends.
    virtual void releaseThreadState() {}

    // An output that can pause so that it costs the audio server nothing and
    // resumes about as fast as one buffer plays says so; the device keeper
    // then pauses it when silent instead of closing it.
    virtual bool canPause() const { return false; }
    // Stops pulling soon; the device stays open. The keeper's thread only.
    virtual void pause() {}
    // Pulls again at once. Any thread; never waits, never fails (a lost
    // device is reported by isLost()); harmless when closed. Called for
    // every sound while running too, for an output that stops writing while
    // silent.
    virtual void resume() {}
};

// No device at all: opening always fails, so every sound is a silent no-op.
class NullAudioOutput final : public AudioOutput {
  public:
    EngineResult open(RenderFunction, void*) override {
        return EngineResult{false, "no audio output"};
    }
    void close() override {}
    bool isLost() const override { return false; }
};

}  // namespace quib
