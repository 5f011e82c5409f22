#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RandomSource.h"
#include "platform/audio/AudioEngine.h"
#include "sound/KeySounds.h"
#include "sound/SoundProfile.h"

namespace quib {

// Plays the click of every key press and release and of every mouse press.
// Two independent channels, key and mouse, each with its own volume and pool
// of players on one shared decoded sample: clicks of a channel overlap up to
// the pool's size, and the next rapid click restarts the oldest.
//
// The keyboard plays a built-in profile or an imported pack, both as a
// KeySoundSet: per key code the clips of its press and release, placed in
// the stereo field where the key sits on a keyboard. The mechanical profiles
// sound their return stroke on key-up while release sounds are on. The mouse
// plays its profile's one sound, centred.
//
// Everything slow (finding and decoding files, building the set) happens
// when a profile or pack is set, so a click costs two table reads, a random
// draw and one queue write, and allocates nothing.
//
// Main thread only. Volumes are stored as given; the engine sanitises what
// reaches the speakers.
class SoundPlayer {
  public:
    static constexpr std::size_t kPoolSize = 5;     // the mouse
    static constexpr std::size_t kKeyPoolSize = 8;  // presses and releases overlap

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

    // The keyboard's built-in profile; empty while a pack plays or the
    // keyboard is off.
    std::optional<SoundProfile> keyProfile() const { return m_key.profile; }
    std::optional<SoundProfile> mouseProfile() const { return m_mouse.profile; }
    // Stores the profile and rebuilds that channel's pool, even when
    // unchanged; for the keyboard, a pack stops playing.
    void setKeyProfile(std::optional<SoundProfile> profile);
    void setMouseProfile(std::optional<SoundProfile> profile);
    // The pack the keyboard plays (its id; empty when none), and choosing one
    // with its loaded sounds.
    const std::string& keyPack() const { return m_key.pack; }
    void setKeyPack(const std::string& id, KeySoundSet sounds);
    bool keyEnabled() const { return m_key.profile.has_value() || !m_key.pack.empty(); }
    bool mouseEnabled() const { return m_mouse.profile.has_value(); }

    // A key click that belongs to no key in particular (the start-up sign,
    // celebrations, the panel's test): the profile's press, centred.
    void playKeyClick();
    // The press and the release of the key with this evdev code. Code 0 is a
    // key the input did not name (the input helper's "other" class): one of
    // the letter sounds, picked at random per press, centred. A per-key pack
    // thus keeps its variety, not its mapping.
    void playKeyPress(std::uint16_t keyCode);
    void playKeyRelease(std::uint16_t keyCode);
    void playMouseClick();

    // Whether keys sound again when they come back up (`quib set
    // release-sounds`), and how far keys are placed left and right by their
    // place on the keyboard, 0 (centred) to 1 (`quib set stereo-width`).
    bool releaseSounds() const { return m_releaseSounds; }
    void setReleaseSounds(bool on);
    float stereoWidth() const { return m_stereoWidth; }
    void setStereoWidth(float width);

    // Silenced for a while (during a call, in full screen): the plays do
    // nothing, whatever the profiles, which stay as the user chose them.
    bool isSilenced() const { return m_silenced; }
    void setSilenced(bool silenced) { m_silenced = silenced; }

    // The pools, in creation order (for the panel's diagnostics and tests).
    const std::vector<PlayerHandle>& keyPlayers() const { return m_key.players; }
    const std::vector<PlayerHandle>& mousePlayers() const { return m_mouse.players; }
    // What the keyboard plays.
    const KeySoundSet& keySounds() const { return m_key.sounds; }

  private:
    struct Channel {
        std::vector<PlayerHandle> players;
        std::int64_t index = 0;
        float volume = 1.0F;
        std::optional<SoundProfile> profile;
        std::string pack;    // keyboard only
        KeySoundSet sounds;  // keyboard only
    };

    // SoundPlayer.cpp
    void releasePool(Channel& channel);
    void clearPool(Channel& channel);
    std::vector<PlayerHandle> buildPlayerPool(std::shared_ptr<const Sample> sample,
                                              std::size_t size);
    std::shared_ptr<const Sample> loadSound(std::string_view fileName);
    void applyVolume(const Channel& channel);
    PlayerHandle nextPlayer(Channel& channel);

    // SoundPlayerKeys.cpp
    void rebuildKeys();
    std::optional<KeySoundSet> builtInKeySounds(SoundProfile profile);
    void playKeyClip(ClipRange range, float pan);
    std::uint16_t randomLetter();

    AudioEngine& m_engine;
    RandomSource& m_random;
    Channel m_key;
    Channel m_mouse;
    bool m_releaseSounds = true;
    float m_stereoWidth = 0.0F;
    bool m_silenced = false;
    // The letter keys with a press of their own in what the keyboard plays.
    std::array<std::uint16_t, 26> m_letters{};
    std::size_t m_letterCount = 0;
};

// A rate drawn uniformly from lower ... upper, both ends included: r from
// 0 ... 2^24, upper exactly when r = 2^24.
float randomRate(RandomSource& random, float lowerRate, float upperRate);

}  // namespace quib
