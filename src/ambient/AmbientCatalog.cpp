#include "ambient/AmbientCatalog.h"

namespace quib {

namespace {

struct SoundRow {
    std::string_view name;
    std::string_view file;  // empty: generated
};

constexpr std::array<SoundRow, kAmbientSoundCount> kSounds{{
    {"Brown Noise", ""},
    {"Pink Noise", "pinknoise"},
    {"Rain", "rain"},
    {"Ocean", "ocean"},
    {"Campfire", "campfire"},
    {"Cafe", "cafe"},
    {"Train", "train"},
    {"Forest", "forest"},
    {"Thunderstorm", "thunderstorm"},
}};

struct TrackRow {
    std::string_view name;
    std::string_view file;
    int cost;
};

constexpr std::array<TrackRow, kMusicTrackCount> kTracks{{
    {"Lo-Fi Chill", "lofi_chill", 3},
    {"Deep Focus", "deep_focus", 3},
    {"Night Drive", "night_drive", 3},
    {"Synthwave", "synthwave", 3},
    {"Ambient Piano", "ambient_piano", 3},
    {"Rainy Cafe", "rainy_cafe", 3},
}};

template <typename Enum, std::size_t N>
std::array<Enum, N> enumerate() {
    std::array<Enum, N> cases{};
    for (std::size_t i = 0; i < N; ++i) {
        cases[i] = static_cast<Enum>(i);
    }
    return cases;
}

template <typename Enum, typename Rows>
std::optional<Enum> lookup(const Rows& rows, std::string_view text) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == text) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

}  // namespace

const std::array<AmbientSound, kAmbientSoundCount>& allAmbientSounds() {
    static const auto all = enumerate<AmbientSound, kAmbientSoundCount>();
    return all;
}

const std::array<MusicTrack, kMusicTrackCount>& allMusicTracks() {
    static const auto all = enumerate<MusicTrack, kMusicTrackCount>();
    return all;
}

std::string_view rawValue(AmbientSound sound) {
    return kSounds[static_cast<std::size_t>(sound)].name;
}

std::string_view rawValue(MusicTrack track) {
    return kTracks[static_cast<std::size_t>(track)].name;
}

std::optional<AmbientSound> ambientSoundFromRawValue(std::string_view text) {
    return lookup<AmbientSound>(kSounds, text);
}

std::optional<MusicTrack> musicTrackFromRawValue(std::string_view text) {
    return lookup<MusicTrack>(kTracks, text);
}

std::optional<std::string_view> fileName(AmbientSound sound) {
    const std::string_view file = kSounds[static_cast<std::size_t>(sound)].file;
    if (file.empty()) {
        return std::nullopt;
    }
    return file;
}

bool isNoise(AmbientSound sound) {
    return sound == AmbientSound::brownNoise;
}

std::string_view fileName(MusicTrack track) {
    return kTracks[static_cast<std::size_t>(track)].file;
}

int cost(MusicTrack track) {
    return kTracks[static_cast<std::size_t>(track)].cost;
}

}  // namespace quib
