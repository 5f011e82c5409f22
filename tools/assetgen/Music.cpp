#include "Music.h"

#include <array>

#include "Master.h"

namespace assetgen {

namespace {

constexpr std::array<std::string_view, 6> kNames{"lofi_chill", "deep_focus",    "night_drive",
                                                 "synthwave",  "ambient_piano", "rainy_cafe"};

using Composer = Stereo (*)(std::uint64_t);
constexpr std::array<Composer, 6> kComposers{composeLofiChill,    composeDeepFocus,
                                             composeNightDrive,   composeSynthwave,
                                             composeAmbientPiano, composeRainyCafe};

}  // namespace

std::span<const std::string_view> trackNames() {
    return kNames;
}

Stereo renderTrack(std::string_view name, std::uint64_t seed) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            Stereo audio = kComposers[i](seed);
            masterLoop(audio, kTrackRmsDb);
            return audio;
        }
    }
    return Stereo{};
}

}  // namespace assetgen
