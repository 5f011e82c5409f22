#pragma once

#include <memory>
#include <span>

#include "platform/RandomSource.h"
#include "platform/audio/AudioEngine.h"

namespace quib {

// Brown noise: a leaky integrator of uniform white noise, 44100 Hz mono
// float. Each step adds w * 0.02 (w uniform on -1 ... 1), shrinks the sum by
// 0.998, clamps it to -1 ... 1 and writes 0.7 times it, so the output stays
// within +-0.7 with a standard deviation near 0.13. Every generator starts
// from silence (state 0).
//
// render() runs on the audio thread: the random source must be a user-space
// generator that never blocks or allocates (SystemRandom is one: seeded once
// from the kernel, then pure arithmetic).
class BrownNoise final : public SignalGenerator {
  public:
    static constexpr int kSampleRate = 44100;

    explicit BrownNoise(std::unique_ptr<RandomSource> random);

    int sampleRate() const override { return kSampleRate; }
    void render(std::span<float> output) override;
    float state() const { return m_brownState; }

  private:
    std::unique_ptr<RandomSource> m_random;
    float m_brownState = 0.0F;
};

}  // namespace quib
