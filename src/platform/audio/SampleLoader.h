#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

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

// What a sound file's header states, read without decoding anything.
struct SampleHeader {
    std::int64_t frames = 0;  // at the file's own rate
    int sampleRate = 0;
    int channels = 0;

    double seconds() const { return static_cast<double>(frames) / sampleRate; }
};
// nullopt with `error` (naming the file) when loadSampleFile would refuse the
// file for its header.
std::optional<SampleHeader> readSampleHeader(const std::filesystem::path& file, std::string& error);

// The same decoding over bytes in memory, for the fuzzer and the tests.
// Never streams.
SampleLoad loadSampleFromMemory(std::span<const unsigned char> bytes);

// Linear interpolation of interleaved frames from one rate to another.
std::vector<float> resampleLinear(const std::vector<float>& input, int channels, int inputRate,
                                  int outputRate);

}  // namespace quib
