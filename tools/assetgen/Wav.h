#pragma once

#include <string>

#include "Dsp.h"

namespace assetgen {

enum class SampleFormat { pcm16, pcm24 };

// Writes a 48 kHz WAV file; false (with a message on stderr) on failure.
bool writeWav(const std::string& path, const Mono& samples, SampleFormat format);
bool writeWav(const std::string& path, const Stereo& audio, SampleFormat format);

}  // namespace assetgen
