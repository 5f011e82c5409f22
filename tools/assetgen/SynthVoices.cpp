// Synthesizer voices: detuned saw pads, basses, plucks and a soft lead.

#include "Instruments.h"
#include "Voice.h"

namespace assetgen {

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

}  // namespace assetgen
