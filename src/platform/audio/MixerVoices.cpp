// The per-voice part of the mixer's render loop. Everything here runs on the
// audio thread; see the rules at the top of Mixer.h.
#include <algorithm>
#include <cmath>

#include "platform/audio/Mixer.h"

namespace quib {

bool Mixer::advanceEnvelope(Voice& voice) {
    if (voice.state == VoiceState::releasing) {
        voice.envelope -= voice.fadeStep;
        return voice.envelope > 0.0F;
    }
    voice.envelope = std::min(1.0F, voice.envelope + kFadeInStep);
    return true;
}

namespace {

// One frame between two of the sample's frames, each value times `gain`.
template <typename Value>
void interpolateFrame(const Value* data, std::int64_t channels, std::int64_t index,
                      std::int64_t next, float fraction, float gain, float& left, float& right) {
    for (std::int64_t channel = 0; channel < channels; ++channel) {
        const float a = static_cast<float>(data[index * channels + channel]) * gain;
        const float b =
            next >= 0 ? static_cast<float>(data[next * channels + channel]) * gain : 0.0F;
        (channel == 0 ? left : right) = a + (b - a) * fraction;
    }
    if (channels == 1) {
        right = left;
    }
}

}  // namespace

void Mixer::readMemoryFrame(Voice& voice, float& left, float& right) {
    const Sample& sample = *voice.sample;
    const auto frames = static_cast<double>(sample.frames);
    if (voice.looping && voice.position >= frames) {
        voice.position = std::fmod(voice.position, frames);
    }
    const auto index = static_cast<std::int64_t>(voice.position);
    const float fraction = static_cast<float>(voice.position - static_cast<double>(index));
    std::int64_t next = index + 1;
    if (static_cast<double>(next) >= voice.end) {
        next = voice.looping ? 0 : -1;
    }
    if (sample.data.empty()) {
        interpolateFrame(sample.pcm16.data(), sample.channels, index, next, fraction,
                         sample.pcm16Gain, left, right);
    } else {
        interpolateFrame(sample.data.data(), sample.channels, index, next, fraction, 1.0F, left,
                         right);
    }
    voice.position += static_cast<double>(voice.rate);
}

// Fills the scratch block from the voice's ring; false when the stream has
// ended and nothing is left.
bool Mixer::readStreamFrames(Voice& voice, int frames) {
    StreamRing& ring = *voice.ring;
    const auto wanted = static_cast<std::size_t>(frames);
    const std::size_t got = ring.read(m_streamScratch.data(), wanted);
    const auto channels = static_cast<std::size_t>(ring.channels());
    if (channels == 1) {
        for (std::size_t i = got; i-- > 0;) {
            m_streamScratch[2 * i + 1] = m_streamScratch[i];
            m_streamScratch[2 * i] = m_streamScratch[i];
        }
    }
    std::fill(m_streamScratch.begin() + static_cast<std::ptrdiff_t>(got * 2),
              m_streamScratch.begin() + static_cast<std::ptrdiff_t>(wanted * 2), 0.0F);
    if (got < wanted) {
        if (ring.finished()) {
            return got > 0;
        }
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

bool Mixer::mixVoice(Voice& voice, int frames) {
    readTarget(voice);
    if (voice.ring != nullptr && !readStreamFrames(voice, frames)) {
        return false;
    }
    for (int i = 0; i < frames; ++i) {
        voice.gain += std::clamp(voice.target - voice.gain, -kGainStep, kGainStep);
        if (!advanceEnvelope(voice)) {
            return false;
        }
        float left = 0.0F;
        float right = 0.0F;
        if (voice.ring != nullptr) {
            left = m_streamScratch[static_cast<std::size_t>(2 * i)];
            right = m_streamScratch[static_cast<std::size_t>(2 * i + 1)];
        } else if (voice.looping || voice.position < voice.end) {
            readMemoryFrame(voice, left, right);
        } else {
            return false;
        }
        float gain = voice.gain * voice.envelope;
        if (voice.partial) {
            // The part ends inside the recording: a short fade, not a cut.
            gain *=
                static_cast<float>(std::min(1.0, (voice.end - voice.position) / kPartTailFrames));
        }
        m_mix[static_cast<std::size_t>(2 * i)] += left * gain * voice.leftGain;
        m_mix[static_cast<std::size_t>(2 * i + 1)] += right * gain * voice.rightGain;
    }
    return true;
}

}  // namespace quib
