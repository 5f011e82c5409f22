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
    // Bounded in double before rounding: a cut is never longer than its file.
    const auto frames = static_cast<double>(file.frames);
    const std::int64_t start = std::llround(std::min(frames, slice->startMs * kFramesPerMs));
    const std::int64_t length = std::llround(
        std::min(frames - static_cast<double>(start), slice->durationMs * kFramesPerMs));
    return SoundClip{start, length};
}

std::string tooLong(const char* what) {
    return std::string(what) + " more than " + std::to_string(static_cast<int>(kMostPackSeconds)) +
           " s of sound";
}

// The pack's length from its files' headers, before any of them is decoded:
// the files together, then the clips once cut (an alias or a take is a clip
// of its own, so it counts again).
std::optional<std::string> checkLength(const PackPlan& plan) {
    std::vector<double> fileSeconds;
    double files = 0.0;
    for (const auto& file : plan.files) {
        std::string error;
        const auto header = readSampleHeader(file, error);
        if (!header) {
            return error;
        }
        fileSeconds.push_back(header->seconds());
        if ((files += header->seconds()) > kMostPackSeconds) {
            return tooLong("the pack's files hold");
        }
    }
    double clips = 0.0;
    for (std::size_t clip = 0; clip < plan.clipFiles.size(); ++clip) {
        const double whole = fileSeconds[static_cast<std::size_t>(plan.clipFiles[clip])];
        const auto& slice = plan.clipSlices[clip];
        clips += slice
                     ? std::clamp(whole - slice->startMs / 1000.0, 0.0, slice->durationMs / 1000.0)
                     : whole;
        if (clips > kMostPackSeconds) {
            return tooLong("the pack's sounds, as its config cuts them, hold");
        }
    }
    return std::nullopt;
}

std::optional<std::string> decodeAll(const PackPlan& plan,
                                     std::vector<std::shared_ptr<const Sample>>& decoded) {
    if (auto problem = checkLength(plan)) {
        return problem;
    }
    for (const auto& file : plan.files) {
        SampleLoad load = loadSampleFile(file, Streaming::never);
        if (!load.sample) {
            return load.error;
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
    // A cut that starts past its file's end holds nothing: its key is silent
    // (a clip of no frames would play to the end of the sample).
    for (auto* keys : {&sounds.press, &sounds.release}) {
        for (ClipRange& range : *keys) {
            if (range.count == 1 && sounds.clips[range.first].frames == 0) {
                range = ClipRange{};
            }
        }
    }
    sounds.pressFallback = plan.sounds.pressFallback;
    sounds.releaseFallback = plan.sounds.releaseFallback;
    sounds.variesRate = false;
    if (sounds.sample->frames == 0) {
        return PackLoad{std::nullopt, "the pack holds no sound"};
    }
    return PackLoad{std::move(sounds), {}};
}

}  // namespace quib
