#include "Noise.h"

#include <algorithm>

#include "Master.h"

namespace assetgen {

Mono whiteNoise(std::size_t length, Random& random) {
    Mono noise(length);
    for (double& value : noise) {
        value = (random.bipolar());
    }
    return noise;
}

Mono pinkNoise(std::size_t length, Random& random) {
    Mono noise = whiteNoise(length, random);
    PinkFilter pink;
    filterCircular(noise, [&pink](double x) { return pink.process(x); });
    return noise;
}

Mono brownNoise(std::size_t length, Random& random) {
    Mono noise = whiteNoise(length, random);
    double state = 0.0;
    // The leak (a 30 Hz corner) keeps the integral from wandering off and
    // spends no level on rumble below what speakers can play.
    const double leak = 1.0 - kTwoPi * 30.0 / kSampleRate;
    filterCircular(noise, [&state, leak](double x) { return state = state * leak + x * 0.02; });
    return noise;
}

Mono slowModulation(std::size_t length, Random& random, int minCycles, int maxCycles,
                    int partials) {
    Mono out(length, 0.0);
    double norm = 0.0;
    for (int p = 0; p < partials; ++p) {
        const auto cycles = static_cast<double>(
            minCycles +
            static_cast<int>(random.below(static_cast<std::size_t>(maxCycles - minCycles + 1))));
        const double phase = random.uniform();
        const double amplitude = random.range(0.5, 1.0);
        norm += amplitude;
        const double step = cycles / static_cast<double>(length);
        for (std::size_t i = 0; i < length; ++i) {
            out[i] += (amplitude * fastSine(phase + step * static_cast<double>(i)));
        }
    }
    // Sums of sines rarely reach their bound; a gentler norm uses the range.
    const double scale = 1.6 / std::max(norm, 1e-9);
    for (double& value : out) {
        value = (std::clamp(value * scale, -1.0, 1.0));
    }
    return out;
}

void filterLoop(Mono& signal, Biquad filter) {
    filterCircular(signal, [&filter](double x) { return filter.process(x); });
}

}  // namespace assetgen
