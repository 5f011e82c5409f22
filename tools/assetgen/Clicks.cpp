#include "Clicks.h"

#include "Master.h"

namespace assetgen {

namespace {

// A noise burst with a sharp front and an exponential back, low-passed to the
// strike's brightness: a harder contact has a shorter, brighter burst.
Mono excitation(const Strike& strike, std::size_t length, Random& random) {
    Mono burst(length, 0.0);
    Biquad tone = Biquad::lowpass(strike.brightness, 0.707);
    const double tau = std::max(strike.burst, 1.0 / kSampleRate) / 3.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double impulse = i == 0 ? 1.0 : 0.0;
        burst[i] = (tone.process(impulse + random.bipolar() * decay(t, tau)));
    }
    return burst;
}

// The contact noise heard directly, optionally as a band sweeping in pitch
// (a stroke across a surface rather than a hit).
Mono contactNoise(const Strike& strike, const Mono& burst) {
    Mono out(burst);
    if (strike.sweepTo <= 0.0) {
        return out;
    }
    const double start = strike.brightness;
    for (std::size_t block = 0; block < out.size(); block += 32) {
        const double progress = static_cast<double>(block) / static_cast<double>(out.size());
        Biquad band = Biquad::bandpass(start * std::pow(strike.sweepTo / start, progress), 1.2);
        for (std::size_t i = block; i < std::min(out.size(), block + 32); ++i) {
            out[i] = (band.process(burst[i]) * 3.0);
        }
    }
    return out;
}

Mono renderStrike(const Strike& strike, std::size_t length, Random& random) {
    const Mono burst = excitation(strike, length, random);
    Mono out = contactNoise(strike, burst);
    for (double& value : out) {
        value = (value * strike.contact);
    }
    for (const Mode& mode : strike.modes) {
        Resonator resonator(mode.frequency, mode.decay);
        for (std::size_t i = 0; i < length; ++i) {
            out[i] += (resonator.process(burst[i]) * mode.gain);
        }
    }
    return out;
}

}  // namespace

Mono renderClick(const ClickRecipe& recipe, std::uint64_t seed) {
    Random random(seed);
    const std::size_t length = secondsToFrames(recipe.length);
    Mono mix(length, 0.0);
    for (const Strike& strike : recipe.strikes) {
        const std::size_t offset = secondsToFrames(strike.time);
        if (offset >= length) {
            continue;
        }
        const Mono part = renderStrike(strike, length - offset, random);
        for (std::size_t i = 0; i < part.size(); ++i) {
            mix[offset + i] += (part[i] * strike.gain);
        }
    }
    Biquad highpass = Biquad::highpass(recipe.highpass, 0.707);
    Biquad lowpass = Biquad::lowpass(recipe.lowpass, 0.707);
    for (double& value : mix) {
        value = (lowpass.process(highpass.process(value)));
    }
    finishClick(mix);
    return mix;
}

}  // namespace assetgen
