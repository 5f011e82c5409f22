#pragma once

#include <cstdint>
#include <string>

#include "Dsp.h"

namespace assetgen {

// Variable-bitrate quality of the loops (libvorbis scale -0.1..1.0): 0.4 is
// about 128 kbit/s for 48 kHz stereo, where the codec's changes are not heard.
inline constexpr float kLoopQuality = 0.4F;

// The loudest a loop may decode to: below full scale, so that nothing clips.
inline constexpr double kMaxDecodedPeak = 0.98;

// Writes 48 kHz stereo as Ogg Vorbis; false (with a message on stderr) on
// failure. The stream's serial number is given rather than drawn at random,
// so the same audio always gives the same bytes. A loop that would decode
// above kMaxDecodedPeak is encoded at the gain that keeps it under.
bool writeVorbis(const std::string& path, const Stereo& audio, float quality, std::uint32_t serial);

}  // namespace assetgen
