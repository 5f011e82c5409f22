#include "ambient/AmbientEngine.h"

#include <string>

#include "platform/Log.h"

namespace quib {

AmbientEngine::AmbientEngine(AudioEngine& engine)
    : AmbientEngine(engine, [] { return std::make_unique<SystemRandom>(); }) {}

AmbientEngine::AmbientEngine(AudioEngine& engine, RandomFactory randomFactory)
    : m_engine(engine), m_randomFactory(std::move(randomFactory)) {}

AmbientEngine::~AmbientEngine() {
    stopNoiseEngine();
    releaseFilePlayers();
    releaseTrackPlayer();
}

void AmbientEngine::toggle(AmbientSound sound) {
    if (!m_activeSounds.contains(sound)) {
        switchOn(sound);
        return;
    }
    if (isNoise(sound)) {
        stopNoiseEngine();
    } else if (auto found = m_filePlayers.find(sound); found != m_filePlayers.end()) {
        m_engine.stop(found->second);
        m_engine.releasePlayer(found->second);
        m_filePlayers.erase(found);
    }
    m_activeSounds.erase(sound);
}

void AmbientEngine::play(AmbientSound sound) {
    if (!m_activeSounds.contains(sound)) {
        switchOn(sound);
    }
}

void AmbientEngine::switchOn(AmbientSound sound) {
    if (isNoise(sound)) {
        stopAllNoise();
        playNoise();
    } else {
        playFile(sound);
    }
    // Recorded whatever the outcome: the user's choice stands.
    m_activeSounds.insert(sound);
}

void AmbientEngine::stopAllNoise() {
    std::erase_if(m_activeSounds, [](AmbientSound sound) { return isNoise(sound); });
    stopNoiseEngine();
}

void AmbientEngine::playNoise() {
    m_sourceNode = std::make_shared<BrownNoise>(m_randomFactory());
    m_engine.setGeneratorGain(m_volume);
    EngineResult result = m_engine.startGenerator(m_sourceNode);
    if (!result.succeeded) {
        logLine("AmbientEngine noise start failed: ", result.error);
    }
}

void AmbientEngine::stopNoiseEngine() {
    if (m_sourceNode) {
        m_engine.stopGenerator();
        m_sourceNode.reset();
    }
}

PlayerHandle AmbientEngine::startLoop(const std::filesystem::path& file, std::string& error) {
    SampleLoad load = m_engine.loadSample(file);
    if (!load.sample) {
        error = load.error;
        return {};
    }
    const PlayerHandle player = m_engine.preparePlayer(load.sample);
    if (!player.isValid()) {
        error = file.filename().string() + ": no free player";
        return {};
    }
    m_engine.setLooping(player, LoopMode::endless);
    m_engine.setVolume(player, m_volume);
    m_engine.play(player);
    return player;
}

}  // namespace quib
