#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quib {

// Background ambiences; any number can play at once. Only brownNoise is
// generated; every other one (pinkNoise included) is a looping file.
enum class AmbientSound : std::uint8_t {
    brownNoise,
    pinkNoise,
    rain,
    ocean,
    campfire,
    cafe,
    train,
    forest,
    thunderstorm,
};

// Music tracks: at most one plays; each is bought with coins.
enum class MusicTrack : std::uint8_t {
    lofiChill,
    deepFocus,
    nightDrive,
    synthwave,
    ambientPiano,
    rainyCafe,
};

inline constexpr std::size_t kAmbientSoundCount = 9;
inline constexpr std::size_t kMusicTrackCount = 6;

const std::array<AmbientSound, kAmbientSoundCount>& allAmbientSounds();
const std::array<MusicTrack, kMusicTrackCount>& allMusicTracks();

// Raw values are display names and the stored forms; lookups are exact and
// case-sensitive.
std::string_view rawValue(AmbientSound sound);
std::string_view rawValue(MusicTrack track);
std::optional<AmbientSound> ambientSoundFromRawValue(std::string_view text);
std::optional<MusicTrack> musicTrackFromRawValue(std::string_view text);

// Resource base name in "Ambient"; absent for the generated brown noise.
std::optional<std::string_view> fileName(AmbientSound sound);
bool isNoise(AmbientSound sound);
// Resource base name in "Tracks".
std::string_view fileName(MusicTrack track);
// Price in coins.
int cost(MusicTrack track);

}  // namespace quib
