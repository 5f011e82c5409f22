// The file players of the ambient engine: ambiences and the music track.
#include <string>

#include "ambient/AmbientEngine.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace quib {

namespace {

// One file per ambience or track, in any format libsndfile decodes: the
// compressed ones that the package ships first, then the uncompressed.
std::optional<std::filesystem::path> findRecording(const char* directory, std::string_view name) {
    for (const char* extension : {"ogg", "opus", "flac", "caf", "wav"}) {
        if (auto file = findResource(directory, std::string(name), extension)) {
            return file;
        }
    }
    return std::nullopt;
}

}  // namespace

void AmbientEngine::playFile(AmbientSound sound) {
    const auto name = fileName(sound);
    if (!name) {
        return;
    }
    const auto file = findRecording("Ambient", *name);
    if (!file) {
        logLine("Ambient file not found: ", *name);
        return;
    }
    std::string error;
    const PlayerHandle player = startLoop(*file, error);
    if (!player.isValid()) {
        logLine("Failed to play ambient file: ", error);
        return;
    }
    m_filePlayers[sound] = player;
}

void AmbientEngine::playTrack(MusicTrack track) {
    releaseTrackPlayer();
    m_currentTrack = track;
    const auto file = findRecording("Tracks", fileName(track));
    if (!file) {
        logLine("Track file not found: ", fileName(track));
        return;
    }
    std::string error;
    const PlayerHandle player = startLoop(*file, error);
    if (!player.isValid()) {
        logLine("Failed to play track: ", error);
        return;
    }
    m_trackPlayer = player;
}

void AmbientEngine::stopTrack() {
    releaseTrackPlayer();
    m_currentTrack.reset();
}

void AmbientEngine::toggleTrack(MusicTrack track) {
    if (m_currentTrack == track) {
        stopTrack();
    } else {
        playTrack(track);
    }
}

void AmbientEngine::stopAmbientOnly() {
    stopNoiseEngine();
    releaseFilePlayers();
    m_activeSounds.clear();
}

void AmbientEngine::stop() {
    stopAmbientOnly();
    stopTrack();
}

void AmbientEngine::setVolume(float volume) {
    m_volume = volume;
    m_engine.setGeneratorGain(volume);
    for (const auto& [sound, player] : m_filePlayers) {
        m_engine.setVolume(player, volume);
    }
    if (m_trackPlayer) {
        m_engine.setVolume(*m_trackPlayer, volume);
    }
}

std::optional<AmbientSound> AmbientEngine::currentSound() const {
    if (m_activeSounds.empty()) {
        return std::nullopt;
    }
    return *m_activeSounds.begin();
}

void AmbientEngine::releaseFilePlayers() {
    for (const auto& [sound, player] : m_filePlayers) {
        m_engine.stop(player);
        m_engine.releasePlayer(player);
    }
    m_filePlayers.clear();
}

void AmbientEngine::releaseTrackPlayer() {
    if (m_trackPlayer) {
        m_engine.stop(*m_trackPlayer);
        m_engine.releasePlayer(*m_trackPlayer);
        m_trackPlayer.reset();
    }
}

}  // namespace quib
