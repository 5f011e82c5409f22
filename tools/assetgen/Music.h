#pragma once

// Procedurally composed music loops. Each track is a whole number of bars
// long (at least a minute) and built with the Song arrangement, which makes
// the end continue into the start.

#include <span>
#include <string_view>

#include "Dsp.h"

namespace assetgen {

// Loudness of every track, so that switching tracks keeps the level.
inline constexpr double kTrackRmsDb = -19.0;

std::span<const std::string_view> trackNames();
Stereo renderTrack(std::string_view name, std::uint64_t seed);

Stereo composeLofiChill(std::uint64_t seed);
Stereo composeRainyCafe(std::uint64_t seed);
Stereo composeAmbientPiano(std::uint64_t seed);
Stereo composeDeepFocus(std::uint64_t seed);
Stereo composeNightDrive(std::uint64_t seed);
Stereo composeSynthwave(std::uint64_t seed);

}  // namespace assetgen
