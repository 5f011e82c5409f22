#pragma once

// Envelope and oscillator helpers shared by the instrument voices.

#include <algorithm>
#include <cmath>

#include "Dsp.h"

namespace assetgen {

// An exponential decay advanced by one multiplication per sample: the
// instruments run hundreds of millions of samples and exp() would dominate.
struct Decay {
    double value;
    double factor;
    explicit Decay(double tau, double start = 1.0)
        : value(start), factor(std::exp(-1.0 / (tau * kSampleRate))) {}
    double next() {
        const double current = value;
        value *= factor;
        return current;
    }
};

// Gate envelope: linear attack, the note's own decay while held, then a
// release; `sustain` is the level the held decay settles on.
struct Envelope {
    double attack;
    double decayTime;
    double sustain;
    double release;
    // The release is cut at -48 dB, well below everything else in a mix.
    std::size_t frames(double held) const { return secondsToFrames(held + release * 5.5); }
};

class EnvelopeRunner {
  public:
    EnvelopeRunner(const Envelope& envelope, double held)
        : m_envelope(envelope),
          m_attackStep(envelope.attack > 0.0 ? 1.0 / (envelope.attack * kSampleRate) : 1.0),
          m_heldFrames(secondsToFrames(held)),
          m_body(envelope.decayTime),
          m_release(envelope.release) {}
    double next() {
        m_attack = std::min(1.0, m_attack + m_attackStep);
        const double body = m_envelope.sustain + (1.0 - m_envelope.sustain) * m_body.next();
        if (m_index++ < m_heldFrames) {
            m_level = m_attack * body;
            return m_level;
        }
        return m_level * m_release.next();
    }

  private:
    Envelope m_envelope;
    double m_attackStep;
    std::size_t m_heldFrames;
    Decay m_body;
    Decay m_release;
    double m_attack = 0.0;
    double m_level = 0.0;
    std::size_t m_index = 0;
};

// Band-limited sawtooth by PolyBLEP: the discontinuity is smoothed over one
// sample on either side, which removes most of the audible aliasing.
inline double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Saw {
    double phase;
    double process(double frequency) {
        const double dt = frequency / kSampleRate;
        phase += dt;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
        return 2.0 * phase - 1.0 - polyBlep(phase, dt);
    }
};

}  // namespace assetgen
