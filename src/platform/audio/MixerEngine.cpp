#include "platform/audio/MixerEngine.h"

#include <cmath>

#include "platform/audio/AudioStream.h"
#include "platform/audio/SampleLoader.h"

namespace quib {

float sanitizeVolume(float volume) {
    if (std::isnan(volume) || volume < 0.0F) {
        return 0.0F;
    }
    return volume > 1.0F ? 1.0F : volume;
}

float sanitizeRate(float rate) {
    if (std::isnan(rate) || rate < 0.25F) {
        return 0.25F;
    }
    return rate > 4.0F ? 4.0F : rate;
}

MixerEngine::MixerEngine() : m_slots(kMaxPlayers) {}

MixerEngine::MixerEngine(std::unique_ptr<AudioOutput> output, DevicePolicy policy)
    : m_keeper(std::make_unique<DeviceKeeper>(m_mixer, std::move(output), policy)),
      m_slots(kMaxPlayers) {}

MixerEngine::~MixerEngine() {
    // The keeper closes the device first, so no callback reads the players
    // while their memory goes away.
    m_keeper.reset();
    m_reader.reset();
}

SampleLoad MixerEngine::loadSample(const std::filesystem::path& file) {
    return loadSampleFile(file);
}

MixerEngine::PlayerSlot* MixerEngine::find(PlayerHandle player) {
    if (player.index >= m_slots.size()) {
        return nullptr;
    }
    PlayerSlot& slot = m_slots[player.index];
    return slot.inUse && slot.generation == player.generation ? &slot : nullptr;
}

std::uint64_t MixerEngine::send(MixerCommand command, Delivery delivery) {
    command.sequence = m_nextSequence++;
    if (flushBacklog() && m_mixer.push(command)) {
        return command.sequence;
    }
    if (delivery == Delivery::mustArrive) {
        m_backlog.push_back(command);
    } else {
        ++m_dropped;
    }
    return command.sequence;
}

// True when the backlog is empty afterwards, so that order is kept.
bool MixerEngine::flushBacklog() {
    while (!m_backlog.empty() && m_mixer.push(m_backlog.front())) {
        m_backlog.pop_front();
    }
    return m_backlog.empty();
}

void MixerEngine::retire(Retired retired) {
    m_retired.push_back(std::move(retired));
    collectRetired();
}

void MixerEngine::collectRetired() {
    if (!m_keeper) {
        m_mixer.applyPendingCommands();
    } else if (!m_retired.empty() && m_mixer.hasPendingCommands()) {
        m_keeper->applyCommandsWhileClosed();
    }
    flushBacklog();
    const std::uint64_t released = m_mixer.releasedSequence();
    std::erase_if(m_retired, [this, released](Retired& retired) {
        if (retired.sequence > released) {
            return false;
        }
        if (retired.stream && m_reader) {
            m_reader->remove(retired.stream.get());
        }
        return true;
    });
}

PlayerHandle MixerEngine::preparePlayer(std::shared_ptr<const Sample> sample) {
    collectRetired();
    if (!sample || sample->channels < 1 || sample->channels > 2 ||
        (!sample->isStreamed() && sample->frames <= 0)) {
        return {};
    }
    for (std::uint32_t index = 0; index < m_slots.size(); ++index) {
        PlayerSlot& slot = m_slots[index];
        if (slot.inUse) {
            continue;
        }
        slot = PlayerSlot{m_nextGeneration++, true, false, false, std::move(sample), nullptr};
        if (m_nextGeneration == 0) {
            m_nextGeneration = 1;
        }
        m_mixer.setPlayerVolume(index, slot.generation, 1.0F);
        if (slot.sample->isStreamed() && !attachStream(index, slot)) {
            slot = PlayerSlot{};
            return {};
        }
        if (!slot.sample->isStreamed()) {
            send(MixerCommand{MixerCommand::Type::attach, index, 0.0F, slot.sample.get(), nullptr,
                              nullptr, 0, slot.generation},
                 Delivery::mustArrive);
        }
        return PlayerHandle{index, slot.generation};
    }
    return {};
}

bool MixerEngine::attachStream(std::uint32_t index, PlayerSlot& slot) {
    std::string error;
    auto stream = AudioStream::open(*slot.sample, error);
    if (!stream) {
        return false;
    }
    stream->setLooping(slot.looping);
    if (!m_reader) {
        m_reader = std::make_unique<StreamReader>();
    }
    m_reader->add(stream);
    const std::uint64_t sequence =
        send(MixerCommand{MixerCommand::Type::attach, index, 0.0F, slot.sample.get(),
                          &stream->ring(), nullptr, 0, slot.generation},
             Delivery::mustArrive);
    if (slot.stream) {
        retire(Retired{sequence, nullptr, std::move(slot.stream), nullptr});
    }
    slot.stream = std::move(stream);
    slot.streamPlayed = false;
    return true;
}

}  // namespace quib
