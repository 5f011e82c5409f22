// Decoding a checked pack into the one sample the keyboard channel plays.
#include <algorithm>
#include <cmath>

#include "platform/audio/SampleLoader.h"
#include "sound/packs/SoundPack.h"

namespace quib {

namespace {

constexpr double kFramesPerMs = kOutputSampleRate / 1000.0;

// The part of a decoded file a clip plays, in frames at the output rate; a
// slice reaching past the end is cut there (packs are often off by a few ms).
SoundClip partOf(const Sample& file, const std::optional<PackPlan::Slice>& slice) {
    if (!slice) {
        return SoundClip{0, file.frames};
    }
    const std::int64_t start =
        std::min<std::int64_t>(file.frames, std::llround(slice->startMs * kFramesPerMs));
    const auto length = std::llround(slice->durationMs * kFramesPerMs);
    return SoundClip{start, std::min<std::int64_t>(length, file.frames - start)};
}

std::optional<std::string> decodeAll(const PackPlan& plan,
                                     std::vector<std::shared_ptr<const Sample>>& decoded) {
    double seconds = 0.0;
    for (const auto& file : plan.files) {
        SampleLoad load = loadSampleFile(file, Streaming::never);
        if (!load.sample) {
            return load.error;
        }
        seconds += static_cast<double>(load.sample->frames) / kOutputSampleRate;
        if (seconds > kMostPackSeconds) {
            return "the pack holds more than " +
                   std::to_string(static_cast<int>(kMostPackSeconds)) + " s of sound";
        }
        decoded.push_back(std::move(load.sample));
    }
    return std::nullopt;
}

}  // namespace

PackLoad loadPack(const PackPlan& plan) {
    if (!plan.info.valid) {
        return PackLoad{std::nullopt, plan.info.problem};
    }
    std::vector<std::shared_ptr<const Sample>> decoded;
    if (auto problem = decodeAll(plan, decoded)) {
        return PackLoad{std::nullopt, std::move(*problem)};
    }
    std::vector<SoundPart> parts;
    for (std::size_t clip = 0; clip < plan.clipFiles.size(); ++clip) {
        const auto& file = decoded[static_cast<std::size_t>(plan.clipFiles[clip])];
        parts.push_back(SoundPart{file, partOf(*file, plan.clipSlices[clip])});
    }
    KeySoundSet sounds = joinSounds(parts);
    sounds.press = plan.sounds.press;
    sounds.release = plan.sounds.release;
    sounds.pressFallback = plan.sounds.pressFallback;
    sounds.releaseFallback = plan.sounds.releaseFallback;
    sounds.variesRate = false;
    if (sounds.sample->frames == 0) {
        return PackLoad{std::nullopt, "the pack holds no sound"};
    }
    return PackLoad{std::move(sounds), {}};
}

}  // namespace quib
