#include "platform/audio/Mixer.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace quib {

namespace {

// About -2 dB, so that a few full-scale clicks together rarely reach the clip.
constexpr float kHeadroom = 0.8F;

std::uint64_t packVolume(std::uint32_t generation, float volume) {
    return (std::uint64_t{generation} << 32) | std::bit_cast<std::uint32_t>(volume);
}

}  // namespace

Mixer::Mixer() {
    for (auto& volume : m_volumes) {
        volume.store(packVolume(0, 1.0F), std::memory_order_relaxed);
    }
}

void Mixer::setPlayerVolume(std::uint32_t player, std::uint32_t generation, float volume) {
    if (player < kMaxPlayers) {
        m_volumes[player].store(packVolume(generation, volume), std::memory_order_release);
    }
}

// The volume set for the voice's player, if it was set for the player the
// voice belongs to; a reused slot's new volume leaves the old voice alone.
void Mixer::readTarget(Voice& voice) const {
    const std::uint64_t packed = m_volumes[voice.player].load(std::memory_order_acquire);
    if (static_cast<std::uint32_t>(packed >> 32) == voice.generation) {
        voice.target = std::bit_cast<float>(static_cast<std::uint32_t>(packed));
    }
}

void Mixer::applyCommands() {
    while (auto command = m_commands.pop()) {
        apply(*command);
        m_appliedSequence = std::max(m_appliedSequence, command->sequence);
    }
    publishReleased();
}

void Mixer::apply(const MixerCommand& command) {
    if (command.player >= kMaxPlayers) {
        return;
    }
    Player& player = m_players[command.player];
    switch (command.type) {
        case MixerCommand::Type::attach:
        case MixerCommand::Type::detach:
            letGoOfPlayer(command.player, command.sequence);
            player = Player{};
            if (command.type == MixerCommand::Type::attach) {
                player.sample = command.sample;
                player.ring = command.ring;
                player.generation = command.generation;
            }
            break;
        case MixerCommand::Type::play:
            // A clip's rate plays this voice only; the player keeps its own.
            player.pan = command.pan;
            player.start = command.start;
            player.frames = command.frames;
            startVoice(command.player, command.value > 0.0F ? command.value : player.rate);
            break;
        case MixerCommand::Type::stop:
            releaseVoice(command.player, kStopFadeStep);
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
            startGenerator(command);
            break;
        case MixerCommand::Type::stopGenerator:
            stopGenerator(command.sequence);
            break;
    }
}

void Mixer::discardPendingCommands() {
    applyCommands();
    for (Voice& voice : m_voices) {
        voice.state = VoiceState::free;
    }
    for (Player& player : m_players) {
        player.voice = -1;
    }
    bool generating = false;
    for (Generator& generator : m_generators) {
        if (generator.releasing) {
            generator = Generator{};
        }
        generating = generating || generator.source != nullptr;
    }
    publishReleased();
    m_sounding.store(generating, std::memory_order_release);
    m_lasting.store(generating, std::memory_order_release);
}

void Mixer::publishReleased() {
    std::uint64_t released = m_appliedSequence;
    for (const Voice& voice : m_voices) {
        if (voice.state != VoiceState::free && voice.heldBy != 0) {
            released = std::min(released, voice.heldBy - 1);
        }
    }
    for (const Generator& generator : m_generators) {
        if (generator.source != nullptr && generator.heldBy != 0) {
            released = std::min(released, generator.heldBy - 1);
        }
    }
    m_releasedSequence.store(released, std::memory_order_release);
}

bool Mixer::render(float* output, int frames) {
    const std::uint64_t started = m_startCounter;
    applyCommands();
    while (frames > 0) {
        const int block = std::min(frames, kMixerBlockFrames);
        renderBlock(output, block);
        output += block * kOutputChannels;
        frames -= block;
    }
    publishReleased();
    return m_startCounter != started;
}

void Mixer::renderBlock(float* output, int frames) {
    const std::size_t samples = static_cast<std::size_t>(frames) * kOutputChannels;
    std::fill_n(m_mix.begin(), samples, 0.0F);
    bool sounding = false;
    bool lasting = false;
    for (std::size_t index = 0; index < m_voices.size(); ++index) {
        Voice& voice = m_voices[index];
        if (voice.state == VoiceState::free) {
            continue;
        }
        if (mixVoice(voice, frames)) {
            sounding = true;
            lasting = lasting || voice.looping || voice.ring != nullptr;
            continue;
        }
        voice.state = VoiceState::free;
        Player& owner = m_players[voice.player];
        if (owner.voice == static_cast<int>(index)) {
            owner.voice = -1;
        }
    }
    for (Generator& generator : m_generators) {
        if (generator.source != nullptr && !mixGenerator(generator, frames)) {
            generator = Generator{};
        }
        sounding = sounding || generator.source != nullptr;
        lasting = lasting || generator.source != nullptr;
    }
    for (std::size_t i = 0; i < samples; ++i) {
        output[i] = std::clamp(m_mix[i] * kHeadroom, -1.0F, 1.0F);
    }
    m_sounding.store(sounding, std::memory_order_release);
    m_lasting.store(lasting, std::memory_order_release);
}

}  // namespace quib
