#pragma once

// Finds where clicks begin in a recording of the audio server's output.
//
// The recording is raw interleaved float samples, as `parec --format=float32le`
// writes them. The detector works on 1 ms blocks: a block starts a click when
// its peak is above an absolute threshold and at least `rise` times the
// envelope of what came before (a peak follower that halves every
// `envelopeHalfLife`). The envelope lets a click that starts while the previous
// one still rings (auto-repeat, 40 ms apart) count, while a dip inside one
// click (a brief underrun) does not start a second one. The onset time is the
// first sample of that block at or above the threshold. Streaming: a long
// recording is fed in pieces.

#include <cstddef>
#include <vector>

namespace quib::e2e {

struct OnsetOptions {
    int sampleRate = 48000;
    int channels = 2;
    float threshold = 0.01F;  // -40 dBFS: the null sink's silence is exact zeros
    float rise = 2.0F;
    double envelopeHalfLife = 0.008;  // seconds
    double hold = 0.010;              // seconds after an onset in which no other starts
};

class OnsetDetector {
  public:
    explicit OnsetDetector(const OnsetOptions& options = {});

    // Takes `frames` interleaved frames; a partial block waits for the next call.
    void feed(const float* samples, std::size_t frames);
    // Onset times in seconds from the first sample fed.
    const std::vector<double>& onsets() const { return m_onsets; }
    // Seconds fed so far.
    double duration() const;

  private:
    void finishBlock();

    OnsetOptions m_options;
    std::size_t m_blockFrames;
    float m_decayPerBlock;
    std::vector<float> m_block;  // one block of per-frame magnitudes
    std::size_t m_framesSeen = 0;
    float m_envelope = 0.0F;
    double m_lastOnset = -1.0;
    std::vector<double> m_onsets;
};

// The RMS level of frames [from, to) of interleaved samples, over all channels.
double rmsLevel(const std::vector<float>& samples, int channels, std::size_t from, std::size_t to);

}  // namespace quib::e2e
