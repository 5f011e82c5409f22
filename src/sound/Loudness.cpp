#include "sound/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace quib {

namespace {

constexpr auto kPressStep = static_cast<std::int64_t>(kTypingSeconds * kOutputSampleRate);
constexpr std::int64_t kLongestMeasuredPress = kOutputSampleRate;  // one second

struct MeterDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using LoudnessMeter = std::unique_ptr<ebur128_state, MeterDeleter>;

// The presses to measure: every one, or kMostMeasuredPresses spread evenly
// over them; each valid and not empty.
std::vector<const SoundPart*> measuredPresses(const std::vector<SoundPart>& parts,
                                              const std::vector<std::size_t>& presses) {
    std::vector<const SoundPart*> kept;
    for (const std::size_t index : presses) {
        if (index < parts.size() && parts[index].part.frames > 0 && parts[index].sample &&
            !parts[index].sample->data.empty()) {
            kept.push_back(&parts[index]);
        }
    }
    if (kept.size() <= kMostMeasuredPresses) {
        return kept;
    }
    std::vector<const SoundPart*> spread;
    for (std::size_t n = 0; n < kMostMeasuredPresses; ++n) {
        spread.push_back(kept[n * kept.size() / kMostMeasuredPresses]);
    }
    return spread;
}

}  // namespace

std::optional<double> typingLoudness(const std::vector<SoundPart>& parts,
                                     const std::vector<std::size_t>& presses) {
    const std::vector<const SoundPart*> measured = measuredPresses(parts, presses);
    if (measured.empty()) {
        return std::nullopt;
    }
    int channels = 1;
    for (const SoundPart* press : measured) {
        channels = std::max(channels, press->sample->channels);
    }
    const std::size_t count = std::max(measured.size(), kFewestMeasuredPresses);
    const auto frames = static_cast<std::int64_t>(count - 1) * kPressStep + kLongestMeasuredPress;
    std::vector<float> typing(static_cast<std::size_t>(frames * channels), 0.0F);
    for (std::size_t n = 0; n < count; ++n) {
        const SoundPart& press = *measured[n % measured.size()];
        const Sample& from = *press.sample;
        const std::int64_t length = std::min(press.part.frames, kLongestMeasuredPress);
        const auto at = static_cast<std::int64_t>(n) * kPressStep;
        for (std::int64_t frame = 0; frame < length; ++frame) {
            const float* in =
                &from.data[static_cast<std::size_t>((press.part.start + frame) * from.channels)];
            float* out = &typing[static_cast<std::size_t>((at + frame) * channels)];
            for (int channel = 0; channel < channels; ++channel) {
                out[channel] += in[std::min(channel, from.channels - 1)];
            }
        }
    }
    const LoudnessMeter meter(
        ebur128_init(static_cast<unsigned>(channels), kOutputSampleRate, EBUR128_MODE_I));
    if (!meter) {
        return std::nullopt;
    }
    if (channels == 1) {
        ebur128_set_channel(meter.get(), 0, EBUR128_DUAL_MONO);  // heard on both speakers
    }
    double loudness = 0.0;
    if (ebur128_add_frames_float(meter.get(), typing.data(), static_cast<std::size_t>(frames)) !=
            EBUR128_SUCCESS ||
        ebur128_loudness_global(meter.get(), &loudness) != EBUR128_SUCCESS ||
        !std::isfinite(loudness)) {
        return std::nullopt;  // silence measures -inf
    }
    return loudness;
}

float peakLevel(const std::vector<SoundPart>& parts) {
    float peak = 0.0F;
    for (const SoundPart& part : parts) {
        const Sample& from = *part.sample;
        if (from.data.empty()) {
            continue;
        }
        const auto first = static_cast<std::size_t>(part.part.start * from.channels);
        const auto last =
            static_cast<std::size_t>((part.part.start + part.part.frames) * from.channels);
        for (std::size_t index = first; index < last; ++index) {
            peak = std::max(peak, std::abs(from.data[index]));
        }
    }
    return peak;
}

float matchingGain(double loudness, double reference, float peak) {
    if (!std::isfinite(loudness) || !std::isfinite(reference)) {
        return 1.0F;
    }
    const double db = std::clamp(reference - loudness, kMostCutDb, kMostBoostDb);
    double gain = std::pow(10.0, db / 20.0);
    if (peak > 0.0F && std::isfinite(peak)) {
        gain = std::min(gain, std::max(1.0, 1.0 / static_cast<double>(peak)));
    }
    return static_cast<float>(gain);
}

std::optional<double> builtInLoudness(const SoundLoader& load) {
    double sum = 0.0;
    int measured = 0;
    for (const SoundProfile profile : allSoundProfiles()) {
        const auto click = load(keyFile(profile));
        if (!click) {
            continue;
        }
        if (const auto loudness = typingLoudness({SoundPart::whole(click)}, {0})) {
            sum += *loudness;
            ++measured;
        }
    }
    if (measured == 0) {
        return std::nullopt;
    }
    return sum / measured;
}

}  // namespace quib
