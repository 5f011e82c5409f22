// The player and generator operations of the engine (main thread).
#include <algorithm>
#include <cmath>

#include "platform/audio/AudioStream.h"
#include "platform/audio/MixerEngine.h"

namespace quib {

void MixerEngine::releasePlayer(PlayerHandle player) {
    PlayerSlot* slot = find(player);
    if (slot == nullptr) {
        return;
    }
    const std::uint64_t sequence = send(
        MixerCommand{MixerCommand::Type::detach, player.index, 0.0F, nullptr, nullptr, nullptr, 0},
        Delivery::mustArrive);
    retire(Retired{sequence, std::move(slot->sample), std::move(slot->stream), nullptr});
    *slot = PlayerSlot{slot->generation, false, false, false, nullptr, nullptr};
}

void MixerEngine::play(PlayerHandle player) {
    sendPlay(player, MixerCommand{MixerCommand::Type::play, player.index, 0.0F, nullptr, nullptr,
                                  nullptr, 0});
}

void MixerEngine::playClip(PlayerHandle player, const PlayOptions& options) {
    MixerCommand command{MixerCommand::Type::play,
                         player.index,
                         sanitizeRate(options.rate),
                         nullptr,
                         nullptr,
                         nullptr,
                         0};
    command.pan = std::isnan(options.pan) ? 0.0F : std::clamp(options.pan, -1.0F, 1.0F);
    command.start = std::max<std::int64_t>(options.startFrame, 0);
    command.frames = std::max<std::int64_t>(options.frameCount, 0);
    sendPlay(player, command);
}

// One queue write: the rate, the pan and the part travel with the play.
void MixerEngine::sendPlay(PlayerHandle player, MixerCommand command) {
    PlayerSlot* slot = find(player);
    if (slot == nullptr) {
        return;
    }
    if (slot->stream) {
        // A stream cannot rewind under the audio thread: a replay gets a
        // fresh stream from the start of the file.
        if (slot->streamPlayed && !attachStream(player.index, *slot)) {
            return;
        }
        slot->streamPlayed = true;
    }
    send(command, Delivery::mayDrop);
    if (m_keeper) {
        m_keeper->requestSound();
    }
}

void MixerEngine::stop(PlayerHandle player) {
    if (find(player) != nullptr) {
        send(MixerCommand{MixerCommand::Type::stop, player.index, 0.0F, nullptr, nullptr, nullptr,
                          0},
             Delivery::mustArrive);
    }
}

void MixerEngine::setVolume(PlayerHandle player, float volume) {
    if (find(player) != nullptr) {
        m_mixer.setPlayerVolume(player.index, player.generation, sanitizeVolume(volume));
    }
}

void MixerEngine::setRate(PlayerHandle player, float rate) {
    if (find(player) != nullptr) {
        send(MixerCommand{MixerCommand::Type::setRate, player.index, sanitizeRate(rate), nullptr,
                          nullptr, nullptr, 0},
             Delivery::mayDrop);
    }
}

void MixerEngine::setLooping(PlayerHandle player, LoopMode mode) {
    PlayerSlot* slot = find(player);
    if (slot == nullptr) {
        return;
    }
    slot->looping = mode == LoopMode::endless;
    if (slot->stream) {
        slot->stream->setLooping(slot->looping);
    }
    send(MixerCommand{MixerCommand::Type::setLooping, player.index, slot->looping ? 1.0F : 0.0F,
                      nullptr, nullptr, nullptr, 0},
         Delivery::mustArrive);
}

EngineResult MixerEngine::startGenerator(std::shared_ptr<SignalGenerator> generator) {
    if (!generator || generator->sampleRate() <= 0) {
        return EngineResult{false, "no generator to start"};
    }
    stopGenerator();
    m_generator = std::move(generator);
    send(MixerCommand{MixerCommand::Type::startGenerator, 0, 0.0F, nullptr, nullptr,
                      m_generator.get(), 0},
         Delivery::mustArrive);
    if (m_keeper) {
        m_keeper->requestSound();
    }
    return {};
}

void MixerEngine::stopGenerator() {
    if (!m_generator) {
        return;
    }
    const std::uint64_t sequence =
        send(MixerCommand{MixerCommand::Type::stopGenerator, 0, 0.0F, nullptr, nullptr, nullptr, 0},
             Delivery::mustArrive);
    retire(Retired{sequence, nullptr, nullptr, std::move(m_generator)});
}

void MixerEngine::setGeneratorGain(float gain) {
    m_mixer.setGeneratorGain(sanitizeVolume(gain));
}

void MixerEngine::reopenDevice() {
    if (m_keeper) {
        m_keeper->requestReopen();
    }
}

void MixerEngine::render(float* output, int frames) {
    if (!m_keeper) {
        flushBacklog();
        m_mixer.render(output, frames);
        collectRetired();
    }
}

EngineStatistics MixerEngine::statistics() const {
    return EngineStatistics{m_dropped, m_mixer.underruns(),
                            m_keeper ? m_keeper->statistics() : DeviceStatistics{}};
}

}  // namespace quib
