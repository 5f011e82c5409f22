// Ambiences built from noise shaped by slow envelopes: sea, fire, train, storm.

#include "Ambience.h"
#include "Master.h"
#include "Noise.h"
#include "Reverb.h"

namespace assetgen {

namespace {

// Adds one raised-cosine rise followed by an exponential fall, wrapped.
void addSwell(Mono& envelope, std::size_t start, double rise, double fall, double height) {
    const std::size_t riseFrames = secondsToFrames(rise);
    const std::size_t length = riseFrames + secondsToFrames(fall * 5.0);
    Mono shape(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        shape[i] = (i < riseFrames ? 0.5 - 0.5 * std::cos(kPi * t / rise) : decay(t - rise, fall));
    }
    addWrapped(envelope, start, shape, height);
}

// A low-pass whose corner follows an envelope, run around the loop twice.
void sweepLowpass(Mono& signal, const Mono& envelope, double low, double high) {
    double state = 0.0;
    std::size_t index = 0;
    filterCircular(signal, [&](double x) {
        const double corner =
            low + (high - low) * std::min(1.0, static_cast<double>(envelope[index]));
        index = index + 1 == envelope.size() ? 0 : index + 1;
        state += (kTwoPi * corner / kSampleRate) * (x - state);
        return state;
    });
}

}  // namespace

Stereo renderOcean(std::size_t frames, Random& random) {
    // Four waves of uneven spacing; each swells, breaks and washes back.
    Mono swell(frames, 0.0);
    Mono crash(frames, 0.0);
    const double spacing = static_cast<double>(frames) / 4.0;
    for (int wave = 0; wave < 4; ++wave) {
        const auto start =
            static_cast<std::size_t>(spacing * (wave + random.range(-0.12, 0.12)) + frames);
        const double height = random.range(0.7, 1.0);
        addSwell(swell, start, random.range(2.5, 3.5), random.range(1.8, 2.6), height);
        addSwell(crash, start + secondsToFrames(2.6), random.range(0.3, 0.6),
                 random.range(1.2, 1.8), height);
    }
    Stereo audio(frames);
    for (Mono* channel : {&audio.left, &audio.right}) {
        Mono body = brownNoise(frames, random);
        filterLoop(body, Biquad::highpass(60.0, 0.7));
        Mono surf = pinkNoise(frames, random);
        sweepLowpass(surf, crash, 300.0, 5000.0);
        for (std::size_t i = 0; i < frames; ++i) {
            (*channel)[i] =
                (body[i] * (0.35 + 0.65 * swell[i]) * 0.8 + surf[i] * (0.1 + crash[i]) * 1.3);
        }
    }
    reverbLoop(audio, 0.6, 0.5, 0.2);
    return audio;
}

namespace {

// One crackle: a millisecond of bright noise; pops add a resonant snap.
Mono crackle(Random& random, bool pop) {
    Mono out(secondsToFrames(pop ? 0.03 : 0.006));
    Biquad bright = Biquad::highpass(random.range(1200.0, 3000.0), 0.7);
    Resonator snap(random.range(700.0, 2200.0), 0.005);
    const double tau = random.range(0.0002, pop ? 0.002 : 0.0008);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double burst = random.bipolar() * decay(t, tau);
        out[i] = (bright.process(burst) + (pop ? snap.process(burst) * 0.8 : 0.0));
    }
    return out;
}

}  // namespace

Stereo renderCampfire(std::size_t frames, Random& random) {
    Stereo audio(frames);
    const Mono flicker = slowModulation(frames, random, 20, 80, 6);
    for (Mono* channel : {&audio.left, &audio.right}) {
        Mono roar = brownNoise(frames, random);
        filterLoop(roar, Biquad::lowpass(350.0, 0.7));
        filterLoop(roar, Biquad::highpass(80.0, 0.7));
        Mono hiss = whiteNoise(frames, random);
        filterLoop(hiss, Biquad::bandpass(3500.0, 0.8));
        for (std::size_t i = 0; i < frames; ++i) {
            const double f = 1.0 + 0.3 * flicker[i];
            (*channel)[i] = (roar[i] * 1.4 * f + hiss[i] * 0.018 * f * f);
        }
    }
    // Crackles come in little clusters, as gas escapes from a split log.
    const std::size_t clusters = static_cast<std::size_t>(3.0 * kAmbienceSeconds);
    for (std::size_t c = 0; c < clusters; ++c) {
        std::size_t at = random.below(frames);
        const double pan = random.bipolar() * 0.7;
        const std::size_t count = 1 + random.below(6);
        for (std::size_t k = 0; k < count; ++k) {
            const bool pop = random.chance(0.12);
            const double size = std::pow(random.uniform(), 2.0) * (pop ? 2.0 : 1.4);
            addWrapped(audio, at, crackle(random, pop), size, pan + random.bipolar() * 0.1);
            at += secondsToFrames(random.range(0.01, 0.12));
        }
    }
    reverbLoop(audio, 0.3, 0.6, 0.12);
    return audio;
}

}  // namespace assetgen
