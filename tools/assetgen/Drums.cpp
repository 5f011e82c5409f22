#include "Drums.h"

#include <algorithm>

namespace assetgen {

namespace {

Mono noiseHit(Random& random, double seconds, double tau, Biquad tone, double attack = 0.0) {
    Mono out(secondsToFrames(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double rise = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
        out[i] = (tone.process(random.bipolar()) * decay(t, tau) * rise);
    }
    return out;
}

}  // namespace

Mono kick(Random& random, double punch) {
    Mono out(secondsToFrames(0.7));
    double phase = 0.0;
    Biquad click = Biquad::bandpass(3000.0, 0.8);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double frequency = 48.0 + (70.0 + 110.0 * punch) * decay(t, 0.035);
        phase += frequency / kSampleRate;
        const double body = fastSine(phase) * decay(t, 0.22) * std::min(1.0, t * 2000.0);
        const double attack = click.process(random.bipolar()) * decay(t, 0.003) * punch * 0.6;
        out[i] = (std::tanh(1.4 * body) + attack);
    }
    return out;
}

Mono snare(Random& random, double snappy) {
    Mono out = noiseHit(random, 0.35, 0.07 + 0.06 * snappy, Biquad::bandpass(4000.0, 0.6));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double shell = (fastSine(185.0 * t) + 0.5 * fastSine(330.0 * t)) * decay(t, 0.05);
        out[i] = (out[i] * (0.5 + snappy) * 1.6 + shell * (1.2 - 0.6 * snappy));
    }
    return out;
}

Mono gatedSnare(Random& random) {
    Mono out = snare(random, 0.8);
    out.resize(secondsToFrames(0.34), 0.0);
    // The room behind the snare, held flat and then cut: the gated sound.
    Mono room = noiseHit(random, 0.34, 10.0, Biquad::lowpass(5500.0, 0.7), 0.01);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double gate = t < 0.24 ? 1.0 : decay(t - 0.24, 0.015);
        out[i] = (out[i] + room[i] * 0.55 * gate);
    }
    return out;
}

Mono hiHat(Random& random, bool open) {
    Biquad tone = Biquad::highpass(7500.0, 0.7);
    return noiseHit(random, open ? 0.6 : 0.12, open ? 0.14 : 0.025, tone);
}

Mono rimClick(Random& random) {
    Mono out = noiseHit(random, 0.08, 0.006, Biquad::bandpass(2200.0, 2.0));
    Resonator wood(1700.0, 0.012);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = (out[i] * 2.5 + wood.process(i == 0 ? 1.0 : 0.0) * 0.6);
    }
    return out;
}

Mono brushTap(Random& random) {
    return noiseHit(random, 0.2, 0.05, Biquad::bandpass(3500.0, 0.7), 0.002);
}

Mono brushSwish(Random& random, double seconds) {
    Mono out = noiseHit(random, seconds, 100.0, Biquad::bandpass(3000.0, 0.9));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(out.size());
        out[i] = (out[i] * std::sin(kPi * x) * std::sin(kPi * x));
    }
    return out;
}

Mono ride(Random& random) {
    Mono out = noiseHit(random, 1.2, 0.3, Biquad::highpass(6000.0, 0.7));
    constexpr double kPartials[] = {3150.0, 4270.0, 5110.0, 6420.0, 7380.0};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double bell = 0.0;
        for (const double partial : kPartials) {
            bell += fastSine(partial * t);
        }
        out[i] = (out[i] * 0.5 + bell * 0.08 * decay(t, 0.4));
    }
    return out;
}

Mono vinylTick(Random& random) {
    return noiseHit(random, 0.004, 0.0004, Biquad::highpass(1500.0, 0.7));
}

}  // namespace assetgen
