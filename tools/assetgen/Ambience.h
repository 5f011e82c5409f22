#pragma once

// Looping ambiences: 30 seconds of stereo that repeat without a seam. Every
// element is built periodic (noise filtered around the loop, events wrapped
// past the end), so no crossfade is needed and the level never dips.

#include <span>
#include <string_view>

#include "Dsp.h"

namespace assetgen {

inline constexpr double kAmbienceSeconds = 30.0;
// Loudness of every ambience, so switching between them keeps the level.
inline constexpr double kAmbienceRmsDb = -22.0;

std::span<const std::string_view> ambienceNames();
Stereo renderAmbience(std::string_view name, std::uint64_t seed);

// Rain, also used under the rainy music and the thunderstorm.
struct RainStyle {
    double dropsPerSecond;
    double plinksPerSecond;
    double heavyPerSecond;
    double bedLevel;
};
Stereo renderRain(std::size_t frames, const RainStyle& style, Random& random);

Stereo renderPinkNoise(std::size_t frames, Random& random);
Stereo renderOcean(std::size_t frames, Random& random);
Stereo renderCampfire(std::size_t frames, Random& random);
Stereo renderTrain(std::size_t frames, Random& random);
Stereo renderThunderstorm(std::size_t frames, Random& random);
Stereo renderCafe(std::size_t frames, Random& random);
Stereo renderForest(std::size_t frames, Random& random);

}  // namespace assetgen
