#pragma once

#include <filesystem>
#include <span>

#include "platform/audio/AudioEngine.h"

namespace quib {

// Files longer than this are streamed while they play instead of being held
// in memory (a minute of stereo float is 23 MB).
inline constexpr double kStreamAboveSeconds = 20.0;

enum class Streaming { aboveLimit, never };

// Decodes a sound file with libsndfile and converts it to the output rate.
// A file that cannot be opened, has no frames, more than two channels, an
// absurd rate, or whose data ends early is refused with a readable error.
// Files above kStreamAboveSeconds are streamed unless told never to.
SampleLoad loadSampleFile(const std::filesystem::path& file,
                          Streaming streaming = Streaming::aboveLimit);

// The same decoding over bytes in memory, for the fuzzer and the tests.
// Never streams.
SampleLoad loadSampleFromMemory(std::span<const unsigned char> bytes);

// Linear interpolation of interleaved frames from one rate to another.
std::vector<float> resampleLinear(const std::vector<float>& input, int channels, int inputRate,
                                  int outputRate);

}  // namespace quib
