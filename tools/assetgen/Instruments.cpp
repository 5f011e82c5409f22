#include "Instruments.h"

#include <algorithm>

namespace assetgen {

namespace {

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
double polyBlep(double t, double dt) {
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
        phase -= std::floor(phase);
        return 2.0 * phase - 1.0 - polyBlep(phase, dt);
    }
};

}  // namespace

Mono electricPiano(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const Envelope env{0.002, 1.6 - note.pitch / 120.0, 0.0, 0.18};
    Mono out(env.frames(note.duration));
    const double detune = 1.0 + random.bipolar() * 0.0008;
    Decay decay0(0.25);
    Decay decay1(0.04);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double index = (0.4 + 1.4 * note.velocity) * decay0.next();
        const double modulator = fastSine(f * detune * t) * index;
        const double tine = fastSine(f * 7.0 * t) * 0.06 * note.velocity * decay1.next();
        const double body = fastSine(f * t + modulator / kTwoPi * 1.5);
        out[i] = ((body + tine) * gate.next() * note.velocity);
    }
    return out;
}

Mono piano(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const double ring = std::clamp(5.0 - (note.pitch - 40.0) * 0.06, 1.2, 5.0);
    const Envelope env{0.001, ring, 0.0, 0.25};
    Mono out(env.frames(note.duration));
    constexpr int kPartials = 7;
    std::vector<double> amplitude;
    std::vector<double> frequency;
    std::vector<Decay> partialDecay;
    const double brightness = 0.6 + 0.8 * note.velocity;
    for (int n = 1; n <= kPartials; ++n) {
        const double partial = f * n * std::sqrt(1.0 + 0.0004 * n * n);
        if (partial > 15000.0) {
            break;
        }
        frequency.push_back(partial * (1.0 + random.bipolar() * 0.0003));
        amplitude.push_back(std::pow(1.0 / n, 2.2 - brightness) * (n == 1 ? 1.0 : 0.8));
        partialDecay.emplace_back(ring / (1.0 + 0.7 * (n - 1)));
    }
    Decay release(env.release);
    const std::size_t heldFrames = secondsToFrames(note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double sum = 0.0;
        for (std::size_t n = 0; n < frequency.size(); ++n) {
            sum += amplitude[n] * partialDecay[n].next() * fastSine(frequency[n] * t);
        }
        const double released = i < heldFrames ? 1.0 : release.next();
        out[i] = (sum * released * std::min(1.0, t / 0.001) * note.velocity * 0.6);
    }
    return out;
}

namespace {

Mono sawPad(const NoteSpec& note, Random& random, const Envelope& env, double corner) {
    const double f = midiToFrequency(note.pitch);
    Mono out(env.frames(note.duration));
    Saw saws[3] = {{random.uniform()}, {random.uniform()}, {random.uniform()}};
    const double detune[3] = {1.0, 1.0045, 0.9952};
    Biquad filter = Biquad::lowpass(corner, 0.8);
    Biquad filter2 = Biquad::lowpass(corner * 1.3, 0.6);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        double sum = 0.0;
        for (int s = 0; s < 3; ++s) {
            sum += saws[s].process(f * detune[s]);
        }
        out[i] = (filter2.process(filter.process(sum)) * gate.next() * note.velocity * 0.3);
    }
    return out;
}

}  // namespace

Mono pad(const NoteSpec& note, Random& random) {
    return sawPad(note, random, {0.6, 3.0, 0.7, 0.8}, 1800.0);
}

Mono warmPad(const NoteSpec& note, Random& random) {
    return sawPad(note, random, {2.0, 6.0, 0.8, 1.5}, 900.0);
}

Mono uprightBass(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch) * (1.0 + random.bipolar() * 0.001);
    const Envelope env{0.004, 0.8, 0.25, 0.08};
    Mono out(env.frames(note.duration));
    Decay decay0(0.05);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double thumb = 0.35 * decay0.next();
        const double tone =
            fastSine(f * t) + (0.3 + thumb) * fastSine(2.0 * f * t) + 0.12 * fastSine(3.0 * f * t);
        out[i] = (std::tanh(tone * 1.2) * gate.next() * note.velocity);
    }
    return out;
}

Mono synthBass(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const Envelope env{0.003, 0.4, 0.6, 0.05};
    Mono out(env.frames(note.duration));
    Saw saw{random.uniform()};
    double state1 = 0.0;
    double state2 = 0.0;
    Decay decay0(0.08);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double corner = 180.0 + 1400.0 * note.velocity * decay0.next();
        const double k = kTwoPi * corner / kSampleRate;
        state1 += k * (saw.process(f) - state1);
        state2 += k * (state1 - state2);
        const double sub = fastSine(f * t) * 0.5;
        out[i] = ((state2 + sub) * gate.next() * 0.9);
    }
    return out;
}

Mono pluck(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const Envelope env{0.001, 0.18, 0.0, 0.06};
    Mono out(env.frames(note.duration));
    Saw saws[2] = {{random.uniform()}, {random.uniform()}};
    double state1 = 0.0;
    double state2 = 0.0;
    Decay decay0(0.06);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double corner = 500.0 + 5000.0 * note.velocity * decay0.next();
        const double k = std::min(1.0, kTwoPi * corner / kSampleRate);
        const double raw = 0.5 * (saws[0].process(f) + saws[1].process(f * 1.006));
        state1 += k * (raw - state1);
        state2 += k * (state1 - state2);
        out[i] = (state2 * gate.next() * note.velocity);
    }
    return out;
}

Mono lead(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const Envelope env{0.04, 1.5, 0.7, 0.25};
    Mono out(env.frames(note.duration));
    Biquad tone = Biquad::lowpass(2600.0, 0.7);
    double phase = random.uniform();
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double vibrato = 1.0 + 0.004 * std::min(1.0, t / 0.4) * fastSine(5.2 * t);
        phase += f * vibrato / kSampleRate;
        // Odd harmonics only: a hollow, square-like voice that stays soft.
        const double square =
            fastSine(phase) + fastSine(3 * phase) / 3.0 + fastSine(5 * phase) / 6.0;
        out[i] = (tone.process(square) * gate.next() * note.velocity);
    }
    return out;
}

Mono bell(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch);
    const Envelope env{0.002, 2.5, 0.0, 1.0};
    Mono out(env.frames(note.duration));
    const double spread = 1.0 + random.bipolar() * 0.001;
    Decay decay0(0.8);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double index = 1.2 * decay0.next();
        const double modulator = fastSine(f * 3.5 * spread * t) * index;
        out[i] = (fastSine(f * t + modulator / kTwoPi) * gate.next() * note.velocity);
    }
    return out;
}

Mono vibraphone(const NoteSpec& note, Random& random) {
    const double f = midiToFrequency(note.pitch) * (1.0 + random.bipolar() * 0.0005);
    const Envelope env{0.002, 1.8, 0.0, 0.3};
    Mono out(env.frames(note.duration));
    Decay decay0(0.3);
    Decay decay1(0.05);
    EnvelopeRunner gate(env, note.duration);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double tremolo = 1.0 - 0.25 * (0.5 + 0.5 * fastSine(5.5 * t));
        const double tone = fastSine(f * t) + 0.25 * decay0.next() * fastSine(4.0 * f * t) +
                            0.08 * decay1.next() * fastSine(10.0 * f * t);
        out[i] = (tone * tremolo * gate.next() * note.velocity);
    }
    return out;
}

}  // namespace assetgen
