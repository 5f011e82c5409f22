// Which voice a play gets, and what a stop or a detach does to the voices
// (audio thread; see the rules at the top of Mixer.h).
#include <algorithm>

#include "platform/audio/Mixer.h"

namespace quib {

// The player's sound is about to be freed: its voices fade out reading it,
// and hold the command's sequence back until they are done. A voice that was
// never heard ends at once.
void Mixer::letGoOfPlayer(std::uint32_t playerIndex, std::uint64_t sequence) {
    for (Voice& voice : m_voices) {
        if (voice.state == VoiceState::free || voice.player != playerIndex) {
            continue;
        }
        if (voice.envelope <= 0.0F) {
            voice.state = VoiceState::free;
            continue;
        }
        if (voice.state == VoiceState::playing) {
            voice.state = VoiceState::releasing;
            voice.fadeStep = kStopFadeStep;
        }
        if (voice.heldBy == 0) {
            voice.heldBy = sequence;
        }
    }
}

void Mixer::startVoice(std::uint32_t playerIndex, float rate) {
    Player& player = m_players[playerIndex];
    if (player.sample == nullptr) {
        return;
    }
    releaseVoice(playerIndex, kRestartFadeStep);
    const int index = takeVoice();
    if (index < 0) {
        return;
    }
    Voice& voice = m_voices[static_cast<std::size_t>(index)];
    voice = Voice{};
    voice.state = VoiceState::playing;
    voice.player = playerIndex;
    voice.generation = player.generation;
    voice.sample = player.sample;
    voice.ring = player.ring;
    voice.rate = rate;
    voice.looping = player.looping;
    placeVoice(voice, player);
    readTarget(voice);
    voice.gain = voice.target;
    voice.startOrder = ++m_startCounter;
    player.voice = index;
    // Also seen by the device keeper when commands were applied while the
    // device was closed: the voice still needs a device to be heard.
    m_sounding.store(true, std::memory_order_release);
}

// Where a new voice sounds and which part of its sample it plays. A loop or
// a stream always plays the whole.
void Mixer::placeVoice(Voice& voice, const Player& player) {
    voice.leftGain = std::min(1.0F, 1.0F - player.pan);
    voice.rightGain = std::min(1.0F, 1.0F + player.pan);
    const std::int64_t frames = voice.sample->frames;
    voice.end = static_cast<double>(frames);
    if (voice.looping || voice.ring != nullptr) {
        return;
    }
    const std::int64_t start = std::clamp<std::int64_t>(player.start, 0, frames);
    voice.position = static_cast<double>(start);
    if (player.frames > 0 && player.frames < frames - start) {
        voice.end = static_cast<double>(start + player.frames);
        voice.partial = true;
    }
}

void Mixer::releaseVoice(std::uint32_t playerIndex, float fadeStep) {
    Player& player = m_players[playerIndex];
    if (player.voice >= 0) {
        Voice& voice = m_voices[static_cast<std::size_t>(player.voice)];
        if (voice.state == VoiceState::playing && voice.player == playerIndex) {
            voice.state = VoiceState::releasing;
            voice.fadeStep = fadeStep;
        }
        player.voice = -1;
    }
}

// A free voice, else the oldest fading one, else the oldest one-shot. A loop
// is never taken over: with every voice on a loop, the new sound is refused
// (only a one-shot can be lost that way, as no program plays 32 loops).
int Mixer::takeVoice() {
    int chosen = -1;
    int chosenRank = 0;
    for (int index = 0; index < kMaxVoices; ++index) {
        const Voice& voice = m_voices[static_cast<std::size_t>(index)];
        if (voice.state == VoiceState::free) {
            return index;
        }
        const int rank = voice.state == VoiceState::releasing ? 2 : (voice.looping ? 0 : 1);
        if (rank > chosenRank ||
            (rank == chosenRank && rank > 0 &&
             voice.startOrder < m_voices[static_cast<std::size_t>(chosen)].startOrder)) {
            chosen = index;
            chosenRank = rank;
        }
    }
    if (chosen >= 0) {
        Player& owner = m_players[m_voices[static_cast<std::size_t>(chosen)].player];
        if (owner.voice == chosen) {
            owner.voice = -1;
        }
    }
    return chosen;
}

}  // namespace quib
