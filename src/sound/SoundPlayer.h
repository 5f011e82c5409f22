#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/RandomSource.h"
#include "platform/audio/AudioEngine.h"
#include "sound/SoundProfile.h"

namespace quib {

// Plays the click of every key press and mouse press. Two independent
// channels, key and mouse, each with its own profile, volume and pool of
// five players on one shared decoded sample: up to five clicks of a channel
// overlap, and the sixth rapid click restarts the oldest. Everything slow
// (finding and decoding the file) happens when a profile is set, so a click
// costs a modulo, a random draw and two queue writes.
//
// Main thread only. Volumes are stored as given; the engine sanitises what
// reaches the speakers.
class SoundPlayer {
  public:
    static constexpr std::size_t kPoolSize = 5;

    SoundPlayer(AudioEngine& engine, RandomSource& random, std::optional<SoundProfile> keyProfile,
                std::optional<SoundProfile> mouseProfile);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    float keyVolume() const { return m_key.volume; }
    void setKeyVolume(float volume);
    float mouseVolume() const { return m_mouse.volume; }
    void setMouseVolume(float volume);
    // Reads the key volume; writing sets both channels.
    float volume() const { return m_key.volume; }
    void setVolume(float volume);

    std::optional<SoundProfile> keyProfile() const { return m_key.profile; }
    std::optional<SoundProfile> mouseProfile() const { return m_mouse.profile; }
    // Stores the profile and rebuilds that channel's pool, even when unchanged.
    void setKeyProfile(std::optional<SoundProfile> profile);
    void setMouseProfile(std::optional<SoundProfile> profile);
    bool keyEnabled() const { return m_key.profile.has_value(); }
    bool mouseEnabled() const { return m_mouse.profile.has_value(); }

    // A key click that belongs to no key in particular (the start-up sign,
    // celebrations, the panel's test): the profile's press, centred.
    void playKeyClick();
    // The press and the release of the key with this evdev code.
    void playKeyPress(std::uint16_t keyCode);
    void playKeyRelease(std::uint16_t keyCode);
    void playMouseClick();

    // Whether keys sound again when they come back up (`quib set
    // release-sounds`), and how far keys are placed left and right by their
    // place on the keyboard, 0 (centred) to 1 (`quib set stereo-width`).
    bool releaseSounds() const { return m_releaseSounds; }
    void setReleaseSounds(bool on) { m_releaseSounds = on; }
    float stereoWidth() const { return m_stereoWidth; }
    void setStereoWidth(float width);

    // Silenced for a while (during a call, in full screen): the plays do
    // nothing, whatever the profiles, which stay as the user chose them.
    bool isSilenced() const { return m_silenced; }
    void setSilenced(bool silenced) { m_silenced = silenced; }

    // The pools, in creation order (for the panel's diagnostics and tests).
    const std::vector<PlayerHandle>& keyPlayers() const { return m_key.players; }
    const std::vector<PlayerHandle>& mousePlayers() const { return m_mouse.players; }

  private:
    struct Channel {
        std::vector<PlayerHandle> players;
        std::int64_t index = 0;
        float volume = 1.0F;
        std::optional<SoundProfile> profile;
    };

    void rebuild(Channel& channel, std::optional<std::string_view> fileName);
    void releasePool(Channel& channel);
    std::vector<PlayerHandle> buildPlayerPool(std::string_view fileName);
    void applyVolume(const Channel& channel);
    void playClick(Channel& channel, float lowerRate, float upperRate);

    AudioEngine& m_engine;
    RandomSource& m_random;
    Channel m_key;
    Channel m_mouse;
    bool m_releaseSounds = true;
    float m_stereoWidth = 0.0F;
    bool m_silenced = false;
};

// A rate drawn uniformly from lower ... upper, both ends included: r from
// 0 ... 2^24, upper exactly when r = 2^24.
float randomRate(RandomSource& random, float lowerRate, float upperRate);

}  // namespace quib
