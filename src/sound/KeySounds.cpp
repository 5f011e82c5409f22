#include "sound/KeySounds.h"

#include <algorithm>
#include <cmath>

namespace quib {

bool KeySoundSet::hasReleases() const {
    return !releaseFallback.isEmpty() ||
           std::any_of(release.begin(), release.end(), [](ClipRange r) { return !r.isEmpty(); });
}

int KeySoundSet::ownKeys() const {
    return static_cast<int>(
        std::count_if(press.begin(), press.end(), [](ClipRange r) { return !r.isEmpty(); }));
}

ClipRange KeySoundSet::anyPress() const {
    constexpr std::uint16_t kSpace = 57;  // KEY_SPACE
    if (!pressFallback.isEmpty() || !press[kSpace].isEmpty()) {
        return pressOf(kSpace);
    }
    const auto first =
        std::find_if(press.begin(), press.end(), [](ClipRange r) { return !r.isEmpty(); });
    return first != press.end() ? *first : ClipRange{};
}

SoundPart SoundPart::whole(std::shared_ptr<const Sample> sample) {
    const std::int64_t frames = sample->isStreamed() ? 0 : sample->frames;
    return SoundPart{std::move(sample), SoundClip{0, frames}};
}

KeySoundSet joinSounds(const std::vector<SoundPart>& parts, SampleStorage storage, float gain) {
    auto joined = std::make_shared<Sample>();
    joined->channels = 1;
    joined->fileSampleRate = kOutputSampleRate;
    std::int64_t total = 0;
    for (const SoundPart& part : parts) {
        joined->channels = std::max(joined->channels, part.sample->channels);
        total += part.part.frames;
    }
    const bool pcm16 = storage == SampleStorage::pcm16;
    const auto values = static_cast<std::size_t>(total * joined->channels);
    if (pcm16) {
        joined->pcm16.reserve(values);
        joined->pcm16Gain = gain / 32767.0F;
    } else {
        joined->data.reserve(values);
    }
    KeySoundSet set;
    for (const SoundPart& part : parts) {
        const Sample& from = *part.sample;
        set.clips.push_back(SoundClip{joined->frames, part.part.frames});
        for (std::int64_t frame = part.part.start; frame < part.part.start + part.part.frames;
             ++frame) {
            const float* in = &from.data[static_cast<std::size_t>(frame * from.channels)];
            for (int channel = 0; channel < joined->channels; ++channel) {
                const float value = in[std::min(channel, from.channels - 1)];
                if (pcm16) {
                    joined->pcm16.push_back(static_cast<std::int16_t>(
                        std::lrint(std::clamp(value, -1.0F, 1.0F) * 32767.0F)));
                } else {
                    joined->data.push_back(value * gain);
                }
            }
        }
        joined->frames += part.part.frames;
    }
    set.sample = std::move(joined);
    return set;
}

}  // namespace quib
