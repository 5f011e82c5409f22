// Forest: wind in the trees, leaves, and a few species of songbird.

#include "Ambience.h"
#include "Master.h"
#include "Noise.h"
#include "Reverb.h"

namespace assetgen {

namespace {

// Sings one note into `out`: a sine whose pitch glides from `from` to `to`,
// with a smooth envelope and a little of the second harmonic.
std::size_t sing(Mono& out, std::size_t at, double seconds, double from, double to, double level) {
    const std::size_t length = secondsToFrames(seconds);
    double phase = 0.0;
    for (std::size_t i = 0; i < length && at + i < out.size(); ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(length);
        phase += (from + (to - from) * x) / kSampleRate;
        const double envelope = std::pow(std::sin(kPi * x), 1.5);
        out[at + i] += (level * envelope * (fastSine(phase) + 0.12 * fastSine(2.0 * phase)));
    }
    return at + length;
}

// A whistler: a few slow, falling notes.
Mono whistler(Random& random) {
    Mono song(secondsToFrames(2.5), 0.0);
    const double pitch = random.range(2400.0, 3200.0);
    std::size_t at = 0;
    const std::size_t notes = 3 + random.below(3);
    for (std::size_t n = 0; n < notes; ++n) {
        const double base = pitch * (1.0 - 0.05 * static_cast<double>(n));
        at = sing(song, at, random.range(0.12, 0.2), base * 1.08, base * 0.9, 1.0);
        at += secondsToFrames(random.range(0.08, 0.16));
    }
    return song;
}

// A chirper: quick upward chirps in a burst.
Mono chirper(Random& random) {
    Mono song(secondsToFrames(1.5), 0.0);
    const double pitch = random.range(3300.0, 4300.0);
    std::size_t at = 0;
    const std::size_t chirps = 4 + random.below(6);
    for (std::size_t n = 0; n < chirps; ++n) {
        at = sing(song, at, 0.045, pitch * 0.8, pitch * 1.3, 0.8);
        at += secondsToFrames(random.range(0.05, 0.09));
    }
    return song;
}

// A trill: a fast run of identical short notes.
Mono triller(Random& random) {
    Mono song(secondsToFrames(1.6), 0.0);
    const double pitch = random.range(4200.0, 5200.0);
    std::size_t at = 0;
    for (int n = 0; n < 22; ++n) {
        at = sing(song, at, 0.03, pitch * 1.1, pitch * 0.92, 0.6 + 0.02 * n);
        at += secondsToFrames(0.018);
    }
    return song;
}

// A dove in the distance: two low hoots.
Mono dove(Random& random) {
    Mono song(secondsToFrames(1.6), 0.0);
    const double pitch = random.range(480.0, 560.0);
    std::size_t at = sing(song, 0, 0.35, pitch * 1.05, pitch, 1.0);
    at += secondsToFrames(0.2);
    sing(song, at, 0.55, pitch, pitch * 0.92, 0.9);
    return song;
}

void addBirds(Stereo& audio, Random& random) {
    Mono (*const species[])(Random&) = {whistler, chirper, triller, dove};
    for (int call = 0; call < 16; ++call) {
        const std::size_t kind = random.below(4);
        Mono song = species[kind](random);
        const double distance = random.range(0.25, 1.0);
        Biquad air = Biquad::lowpass(9000.0 * distance + 2000.0, 0.7);
        for (double& value : song) {
            value = (air.process(value));
        }
        const double level = (kind == 3 ? 0.16 : 0.14) * distance;
        addWrapped(audio, random.below(audio.frames()), song, level, random.bipolar() * 0.85);
    }
}

}  // namespace

Stereo renderForest(std::size_t frames, Random& random) {
    Stereo audio(frames);
    const Mono gusts = slowModulation(frames, random, 1, 6, 5);
    const Mono flutter = slowModulation(frames, random, 150, 400, 6);
    for (Mono* channel : {&audio.left, &audio.right}) {
        Mono wind = pinkNoise(frames, random);
        filterLoop(wind, Biquad::bandpass(500.0, 0.5));
        Mono leaves = whiteNoise(frames, random);
        filterLoop(leaves, Biquad::highpass(2500.0, 0.7));
        filterLoop(leaves, Biquad::lowpass(9000.0, 0.7));
        for (std::size_t i = 0; i < frames; ++i) {
            const double gust = 0.6 + 0.4 * gusts[i];
            const double rustle = gust * gust * (0.6 + 0.4 * flutter[i]);
            (*channel)[i] = (wind[i] * gust * 0.8 + leaves[i] * rustle * 0.03);
        }
    }
    addBirds(audio, random);
    reverbLoop(audio, 0.5, 0.3, 0.2);
    return audio;
}

}  // namespace assetgen
