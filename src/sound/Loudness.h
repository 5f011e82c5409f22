#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "sound/BuiltInKeySounds.h"
#include "sound/KeySounds.h"

namespace quib {

// How loud typing sounds with a set of key sounds, so that packs recorded at
// very different levels can play as loud as the built-in profiles.
//
// Loudness is EBU R128's integrated loudness (libebur128), in LUFS, of a
// steady typist: the presses one after another every kTypingSeconds, each
// ringing out over those that follow (at most its first second counts), as
// many presses as the set has (up to kMostMeasuredPresses, picked evenly)
// and at least kFewestMeasuredPresses (a set of one click plays it again).
// A pack's padding after each click thus changes nothing; its clicks do.
// Mono sounds count on both speakers, as they play.
inline constexpr double kTypingSeconds = 0.2;
inline constexpr std::size_t kFewestMeasuredPresses = 25;
inline constexpr std::size_t kMostMeasuredPresses = 128;

// The gain a pack is given at most, and at least: +12 dB, -30 dB.
inline constexpr double kMostBoostDb = 12.0;
inline constexpr double kMostCutDb = -30.0;

// The loudness of typing on `presses`, indices into `parts`; empty when they
// are silent (or there are none).
std::optional<double> typingLoudness(const std::vector<SoundPart>& parts,
                                     const std::vector<std::size_t>& presses);

// The largest magnitude of any value of the parts (1 is full scale).
float peakLevel(const std::vector<SoundPart>& parts);

// The gain that brings sounds of `loudness` to `reference`, within the bounds
// above and never past full scale for sounds whose peak is `peak`.
float matchingGain(double loudness, double reference, float peak);

// The built-in profiles' loudness: the mean, in LUFS, of every profile's one
// click (what a key plays with release sounds off). Empty when none of them
// loads. Slow (decodes 20 files): once per process, never on the input path.
std::optional<double> builtInLoudness(const SoundLoader& load);

}  // namespace quib
