#include "Ambience.h"

#include <array>

#include "Master.h"
#include "Noise.h"

namespace assetgen {

namespace {

constexpr std::array<std::string_view, 8> kNames{"pinknoise", "rain",  "ocean",  "campfire",
                                                 "cafe",      "train", "forest", "thunderstorm"};

using Renderer = Stereo (*)(std::size_t, Random&);

Stereo renderPlainRain(std::size_t frames, Random& random) {
    return renderRain(frames, {380.0, 14.0, 6.0, 1.0}, random);
}

constexpr std::array<Renderer, 8> kRenderers{renderPinkNoise, renderPlainRain,   renderOcean,
                                             renderCampfire,  renderCafe,        renderTrain,
                                             renderForest,    renderThunderstorm};

}  // namespace

std::span<const std::string_view> ambienceNames() {
    return kNames;
}

Stereo renderAmbience(std::string_view name, std::uint64_t seed) {
    Random random(seed);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            Stereo audio = kRenderers[i](secondsToFrames(kAmbienceSeconds), random);
            masterLoop(audio, kAmbienceRmsDb);
            return audio;
        }
    }
    return Stereo{};
}

Stereo renderPinkNoise(std::size_t frames, Random& random) {
    // Independent channels: a wide, even field rather than a point in the middle.
    Stereo audio(frames);
    audio.left = pinkNoise(frames, random);
    audio.right = pinkNoise(frames, random);
    return audio;
}

namespace {

// A tiny tick of a drop hitting a hard surface.
Mono dropTick(Random& random) {
    Mono tick(secondsToFrames(random.range(0.002, 0.006)));
    Biquad tone = Biquad::bandpass(random.range(2500.0, 8000.0), 0.9);
    for (std::size_t i = 0; i < tick.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        tick[i] = (tone.process(random.bipolar() * decay(t, 0.0007)));
    }
    return tick;
}

// A drop into a puddle: the entrained bubble rings with a rising pitch.
Mono dropPlink(Random& random) {
    Mono plink(secondsToFrames(0.04));
    const double start = random.range(1400.0, 3800.0);
    const double tau = random.range(0.006, 0.014);
    double phase = 0.0;
    for (std::size_t i = 0; i < plink.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        phase += start * (1.0 + 6.0 * t) / kSampleRate;
        plink[i] = (fastSine(phase) * decay(t, tau) * std::min(1.0, t * 4000.0));
    }
    return plink;
}

// A heavier drop on leaves or a sill: a soft knock with a little body.
Mono dropKnock(Random& random) {
    Mono knock(secondsToFrames(0.03));
    Resonator body(random.range(350.0, 1100.0), random.range(0.004, 0.009));
    Biquad tone = Biquad::lowpass(5000.0, 0.7);
    for (std::size_t i = 0; i < knock.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double burst = random.bipolar() * decay(t, 0.0006);
        knock[i] = (tone.process(body.process(burst) * 2.0 + burst * 0.5));
    }
    return knock;
}

void scatter(Stereo& audio, double perSecond, double level, Mono (*make)(Random&), Random& random) {
    const auto count =
        static_cast<std::size_t>(perSecond * static_cast<double>(audio.frames()) / kSampleRate);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = random.below(audio.frames());
        const double size = -std::log(1.0 - random.uniform() * 0.999);  // mostly small
        addWrapped(audio, start, make(random), level * size, random.bipolar() * 0.9);
    }
}

}  // namespace

Stereo renderRain(std::size_t frames, const RainStyle& style, Random& random) {
    Stereo audio(frames);
    const Mono swell = slowModulation(frames, random, 1, 4, 3);
    for (Mono* channel : {&audio.left, &audio.right}) {
        *channel = pinkNoise(frames, random);
        filterLoop(*channel, Biquad::highpass(350.0, 0.6));
        filterLoop(*channel, Biquad::lowpass(9000.0, 0.6));
        for (std::size_t i = 0; i < frames; ++i) {
            (*channel)[i] = ((*channel)[i] * style.bedLevel * (1.0 + 0.25 * swell[i]));
        }
    }
    scatter(audio, style.dropsPerSecond, 0.25, dropTick, random);
    scatter(audio, style.plinksPerSecond, 0.12, dropPlink, random);
    scatter(audio, style.heavyPerSecond, 0.09, dropKnock, random);
    return audio;
}

}  // namespace assetgen
