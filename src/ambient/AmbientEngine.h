#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "ambient/AmbientCatalog.h"
#include "ambient/BrownNoise.h"
#include "platform/RandomSource.h"
#include "platform/audio/AudioEngine.h"

namespace quib {

// The focus-audio player: any number of ambient sounds at once, at most one
// music track beside them, one shared volume for everything it plays. Brown
// noise is the engine's generator voice; every other sound and the track is
// a looping player of its own.
//
// A sound whose file is missing or unplayable is still recorded as active,
// and a track that cannot play is still current: the panel shows the user's
// choice, and switching it off clears it as usual. Main thread only.
class AmbientEngine {
  public:
    using RandomFactory = std::function<std::unique_ptr<RandomSource>()>;

    explicit AmbientEngine(AudioEngine& engine);
    // The noise's random source comes from randomFactory (one per start).
    AmbientEngine(AudioEngine& engine, RandomFactory randomFactory);
    ~AmbientEngine();
    AmbientEngine(const AmbientEngine&) = delete;
    AmbientEngine& operator=(const AmbientEngine&) = delete;

    void toggle(AmbientSound sound);
    // Switches the sound on; nothing if it already is.
    void play(AmbientSound sound);
    // Every ambient sound off; the track keeps playing.
    void stopAmbientOnly();
    // Ambient sounds and the track off.
    void stop();
    void playTrack(MusicTrack track);
    void stopTrack();
    void toggleTrack(MusicTrack track);

    float volume() const { return m_volume; }
    void setVolume(float volume);

    bool isPlaying() const { return !m_activeSounds.empty() || m_currentTrack.has_value(); }
    bool isSoundActive(AmbientSound sound) const { return m_activeSounds.contains(sound); }
    std::optional<AmbientSound> currentSound() const;
    const std::set<AmbientSound>& activeSounds() const { return m_activeSounds; }
    std::optional<MusicTrack> currentTrack() const { return m_currentTrack; }

  private:
    void switchOn(AmbientSound sound);
    void stopAllNoise();
    void playNoise();
    void stopNoiseEngine();
    void playFile(AmbientSound sound);
    void releaseFilePlayers();
    void releaseTrackPlayer();
    PlayerHandle startLoop(const std::filesystem::path& file, std::string& error);

    AudioEngine& m_engine;
    RandomFactory m_randomFactory;
    std::shared_ptr<BrownNoise> m_sourceNode;
    std::map<AmbientSound, PlayerHandle> m_filePlayers;
    std::optional<PlayerHandle> m_trackPlayer;
    std::set<AmbientSound> m_activeSounds;
    std::optional<MusicTrack> m_currentTrack;
    float m_volume = 0.15F;
};

}  // namespace quib
