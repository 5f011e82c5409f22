// Acoustic-style voices: struck and plucked instruments.

#include "Instruments.h"

#include "Voice.h"

namespace assetgen {

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
