#pragma once

// Periodic noise and modulation sources for loops: every function returns a
// signal whose end continues smoothly into its start.

#include "Dsp.h"

namespace assetgen {

Mono whiteNoise(std::size_t length, Random& random);
Mono pinkNoise(std::size_t length, Random& random);
// Red noise: integrated white noise with a gentle leak, like a distant roar.
Mono brownNoise(std::size_t length, Random& random);

// Slow random movement in [-1, 1]: a sum of sinusoids with a whole number of
// cycles per loop, between minCycles and maxCycles.
Mono slowModulation(std::size_t length, Random& random, int minCycles, int maxCycles, int partials);

// Applies a biquad to a periodic signal (two passes, keeps the second).
void filterLoop(Mono& signal, Biquad filter);

}  // namespace assetgen
