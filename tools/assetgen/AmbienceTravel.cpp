// The train ride and the distant storm: rumbles with a rhythm or with rolls.

#include "Ambience.h"
#include "Master.h"
#include "Noise.h"
#include "Reverb.h"

namespace assetgen {

namespace {

// A wheel crossing a rail joint: a dull thud with a metallic edge.
Mono railClack(Random& random) {
    Mono out(secondsToFrames(0.25));
    Resonator thud(random.range(80.0, 110.0), 0.04);
    Resonator ring(random.range(1300.0, 1700.0), 0.012);
    Resonator ring2(random.range(2600.0, 3100.0), 0.008);
    Biquad tone = Biquad::lowpass(4000.0, 0.7);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double burst = random.bipolar() * decay(t, 0.002) + (i == 0 ? 4.0 : 0.0);
        const double metal = ring.process(burst) * 0.6 + ring2.process(burst) * 0.3;
        out[i] = (tone.process(thud.process(burst) * 0.4 + metal + burst * 0.3));
    }
    return out;
}

}  // namespace

Stereo renderTrain(std::size_t frames, Random& random) {
    Stereo audio(frames);
    const Mono sway = slowModulation(frames, random, 3, 12, 4);
    for (Mono* channel : {&audio.left, &audio.right}) {
        Mono rumble = brownNoise(frames, random);
        filterLoop(rumble, Biquad::lowpass(250.0, 0.9));
        Mono rail = pinkNoise(frames, random);
        filterLoop(rail, Biquad::bandpass(700.0, 0.5));
        for (std::size_t i = 0; i < frames; ++i) {
            (*channel)[i] = ((rumble[i] * 1.0 + rail[i] * 2.0) * (1.0 + 0.15 * sway[i]));
        }
    }
    // A joint every 1.25 s (24 per loop): each bogie passes it as a pair of
    // axles, "ta-dum", and the car's second bogie follows 0.85 s later.
    const std::size_t period = frames / 24;
    for (std::size_t joint = 0; joint < 24; ++joint) {
        const std::size_t base = joint * period;
        for (const double offset : {0.0, 0.11, 0.85, 0.96}) {
            const double jitter = random.range(-0.004, 0.004);
            const std::size_t at = base + secondsToFrames(offset + 0.01 + jitter);
            const double level = (offset < 0.5 ? 0.9 : 0.6) * random.range(0.85, 1.1);
            addWrapped(audio, at, railClack(random), level, offset < 0.5 ? -0.15 : 0.15);
        }
    }
    reverbLoop(audio, 0.25, 0.7, 0.1);
    return audio;
}

namespace {

// A distant roll of thunder: a crack cluster that rolls and fades, dark.
void addThunder(Stereo& audio, std::size_t at, double seconds, Random& random) {
    const std::size_t length = secondsToFrames(seconds);
    Mono noise = brownNoise(length, random);
    Mono rolls = slowModulation(length, random, static_cast<int>(seconds * 1.0),
                                static_cast<int>(seconds * 4.0), 5);
    Biquad tone = Biquad::lowpass(260.0, 0.7);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double shape = std::min(1.0, t / 0.35) * decay(t, seconds / 4.0);
        const double roll = 0.55 + 0.45 * rolls[i];
        noise[i] = (tone.process(noise[i] * shape * roll * roll) * 7.0);
    }
    addWrapped(audio, at, noise, 1.0, random.range(-0.4, 0.4));
}

}  // namespace

Stereo renderThunderstorm(std::size_t frames, Random& random) {
    Stereo audio = renderRain(frames, {650.0, 22.0, 14.0, 1.5}, random);
    addThunder(audio, secondsToFrames(3.0), 11.0, random);
    addThunder(audio, secondsToFrames(18.5), 9.0, random);
    reverbLoop(audio, 0.8, 0.6, 0.25);
    return audio;
}

}  // namespace assetgen
