#include "platform/audio/Mixer.h"

#include <algorithm>
#include <cmath>

namespace quib {

namespace {

// About -2 dB, so that a few full-scale clicks together rarely reach the clip.
constexpr float kHeadroom = 0.8F;

}  // namespace

Mixer::Mixer() {
    for (auto& volume : m_volumes) {
        volume.store(1.0F, std::memory_order_relaxed);
    }
}

void Mixer::setPlayerVolume(std::uint32_t player, float volume) {
    if (player < kMaxPlayers) {
        m_volumes[player].store(volume, std::memory_order_release);
    }
}

void Mixer::applyCommands() {
    std::uint64_t last = 0;
    while (auto command = m_commands.pop()) {
        apply(*command);
        last = command->sequence;
    }
    if (last != 0) {
        m_processedSequence.store(last, std::memory_order_release);
    }
}

void Mixer::apply(const MixerCommand& command) {
    if (command.player >= kMaxPlayers) {
        return;
    }
    Player& player = m_players[command.player];
    switch (command.type) {
        case MixerCommand::Type::attach:
        case MixerCommand::Type::detach:
            // The old sound's memory is freed once this command is processed,
            // so no voice may keep reading it, not even to fade out.
            for (Voice& voice : m_voices) {
                if (voice.state != VoiceState::free && voice.player == command.player) {
                    voice.state = VoiceState::free;
                }
            }
            player = Player{};
            if (command.type == MixerCommand::Type::attach) {
                player.sample = command.sample;
                player.ring = command.ring;
            }
            break;
        case MixerCommand::Type::play:
            startVoice(command.player);
            break;
        case MixerCommand::Type::stop:
            releaseVoice(command.player);
            break;
        case MixerCommand::Type::setRate:
            player.rate = command.value;
            if (player.voice >= 0) {
                m_voices[static_cast<std::size_t>(player.voice)].rate = command.value;
            }
            break;
        case MixerCommand::Type::setLooping:
            player.looping = command.value != 0.0F;
            if (player.voice >= 0) {
                m_voices[static_cast<std::size_t>(player.voice)].looping = player.looping;
            }
            break;
        case MixerCommand::Type::startGenerator:
            m_generator = command.generator;
            m_generatorStep = static_cast<double>(m_generator->sampleRate()) / kOutputSampleRate;
            m_generatorFraction = 1.0;
            m_generatorPrevious = 0.0F;
            m_generatorNext = 0.0F;
            m_generatorRead = m_generatorBuffer.size();
            m_generatorCurrentGain = m_generatorGain.load(std::memory_order_acquire);
            m_sounding.store(true, std::memory_order_release);
            break;
        case MixerCommand::Type::stopGenerator:
            m_generator = nullptr;
            break;
    }
}

void Mixer::startVoice(std::uint32_t playerIndex) {
    Player& player = m_players[playerIndex];
    if (player.sample == nullptr) {
        return;
    }
    releaseVoice(playerIndex);
    const int index = takeVoice();
    Voice& voice = m_voices[static_cast<std::size_t>(index)];
    voice = Voice{};
    voice.state = VoiceState::playing;
    voice.player = playerIndex;
    voice.sample = player.sample;
    voice.ring = player.ring;
    voice.rate = player.rate;
    voice.looping = player.looping;
    voice.gain = m_volumes[playerIndex].load(std::memory_order_acquire);
    voice.startOrder = ++m_startCounter;
    player.voice = index;
    // Also seen by the device keeper when commands were applied while the
    // device was closed: the voice still needs a device to be heard.
    m_sounding.store(true, std::memory_order_release);
}

void Mixer::releaseVoice(std::uint32_t playerIndex) {
    Player& player = m_players[playerIndex];
    if (player.voice >= 0) {
        Voice& voice = m_voices[static_cast<std::size_t>(player.voice)];
        if (voice.state == VoiceState::playing && voice.player == playerIndex) {
            voice.state = VoiceState::releasing;
        }
        player.voice = -1;
    }
}

int Mixer::takeVoice() {
    int oldest = 0;
    for (int index = 0; index < kMaxVoices; ++index) {
        const Voice& voice = m_voices[static_cast<std::size_t>(index)];
        if (voice.state == VoiceState::free) {
            return index;
        }
        if (voice.startOrder < m_voices[static_cast<std::size_t>(oldest)].startOrder) {
            oldest = index;
        }
    }
    // Every voice sounds: the oldest one is cut to make room for the new sound.
    Player& owner = m_players[m_voices[static_cast<std::size_t>(oldest)].player];
    if (owner.voice == oldest) {
        owner.voice = -1;
    }
    return oldest;
}

void Mixer::discardPendingCommands() {
    applyCommands();
    for (Voice& voice : m_voices) {
        voice.state = VoiceState::free;
    }
    for (Player& player : m_players) {
        player.voice = -1;
    }
    m_sounding.store(m_generator != nullptr, std::memory_order_release);
}

void Mixer::render(float* output, int frames) {
    applyCommands();
    while (frames > 0) {
        const int block = std::min(frames, kMixerBlockFrames);
        renderBlock(output, block);
        output += block * kOutputChannels;
        frames -= block;
    }
}

void Mixer::renderBlock(float* output, int frames) {
    const std::size_t samples = static_cast<std::size_t>(frames) * kOutputChannels;
    std::fill_n(m_mix.begin(), samples, 0.0F);
    bool sounding = false;
    for (std::size_t index = 0; index < m_voices.size(); ++index) {
        Voice& voice = m_voices[index];
        if (voice.state == VoiceState::free) {
            continue;
        }
        if (mixVoice(voice, frames)) {
            sounding = true;
            continue;
        }
        voice.state = VoiceState::free;
        Player& owner = m_players[voice.player];
        if (owner.voice == static_cast<int>(index)) {
            owner.voice = -1;
        }
    }
    if (m_generator != nullptr) {
        mixGenerator(frames);
        sounding = true;
    }
    for (std::size_t i = 0; i < samples; ++i) {
        output[i] = std::clamp(m_mix[i] * kHeadroom, -1.0F, 1.0F);
    }
    m_sounding.store(sounding, std::memory_order_release);
}

}  // namespace quib
