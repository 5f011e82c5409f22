// Decoding a checked pack into the one sample the keyboard channel plays, at
// the level it plays at.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/Paths.h"
#include "platform/audio/SampleLoader.h"
#include "sound/Loudness.h"
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

// Every clip a key presses with, once each, in clip order.
std::vector<std::size_t> pressClips(const KeySoundSet& sounds, std::size_t clips) {
    std::vector<bool> pressed(clips, false);
    auto mark = [&pressed](ClipRange range) {
        for (std::size_t clip = range.first;
             clip < std::size_t{range.first} + range.count && clip < pressed.size(); ++clip) {
            pressed[clip] = true;
        }
    };
    std::for_each(sounds.press.begin(), sounds.press.end(), mark);
    mark(sounds.pressFallback);
    std::vector<std::size_t> presses;
    for (std::size_t clip = 0; clip < clips; ++clip) {
        if (pressed[clip]) {
            presses.push_back(clip);
        }
    }
    return presses;
}

// What the loudness file may say: R128's absolute gate is -70 LUFS, and
// nothing measures louder than a full-scale square wave (+3).
constexpr double kQuietestStoredLufs = -70.0;
constexpr double kLoudestStoredLufs = 3.0;
constexpr std::uintmax_t kLargestLoudnessFile = 4096;

}  // namespace

std::optional<double> storedPackLoudness(const std::filesystem::path& directory) {
    const auto file = directory / kPackLoudnessFile;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kLargestLoudnessFile) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    try {
        const auto json = nlohmann::json::parse(text.str());
        const auto found = json.find("integratedLufs");
        if (!json.is_object() || found == json.end() || !found->is_number()) {
            return std::nullopt;
        }
        const auto value = found->get<double>();
        if (!std::isfinite(value) || value < kQuietestStoredLufs || value > kLoudestStoredLufs) {
            return std::nullopt;
        }
        return value;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

bool storePackLoudness(const std::filesystem::path& directory, double loudness,
                       std::string& problem) {
    const auto file = directory / kPackLoudnessFile;
    const std::string text =
        nlohmann::json{{"integratedLufs", std::round(loudness * 100.0) / 100.0}}.dump() + "\n";
    // Private at once, as the pack's own files are.
    const int out =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool written =
        out >= 0 && ::write(out, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if ((out >= 0 && ::close(out) != 0) || !written) {
        problem = "cannot write " + file.string();
        return false;
    }
    return true;
}

std::optional<double> builtInProfilesLoudness() {
    static std::once_flag measured;
    static std::optional<double> loudness;
    std::call_once(measured, [] {
        loudness = builtInLoudness([](std::string_view name) -> std::shared_ptr<const Sample> {
            const auto file = findResource("Sounds", std::string(name), "wav");
            return file ? loadSampleFile(*file, Streaming::never).sample : nullptr;
        });
    });
    return loudness;
}

PackLoad loadPack(const PackPlan& plan, std::optional<double> matchLoudness) {
    if (!plan.info.valid) {
        return PackLoad::refused(plan.info.problem);
    }
    std::vector<std::shared_ptr<const Sample>> decoded;
    if (auto problem = decodeAll(plan, decoded)) {
        return PackLoad::refused(std::move(*problem));
    }
    std::vector<SoundPart> parts;
    for (std::size_t clip = 0; clip < plan.clipFiles.size(); ++clip) {
        const auto& file = decoded[static_cast<std::size_t>(plan.clipFiles[clip])];
        parts.push_back(SoundPart{file, partOf(*file, plan.clipSlices[clip])});
    }
    std::optional<double> loudness = storedPackLoudness(plan.directory);
    if (!loudness) {
        loudness = typingLoudness(parts, pressClips(plan.sounds, parts.size()));
    }
    const float gain = matchLoudness && loudness
                           ? matchingGain(*loudness, *matchLoudness, peakLevel(parts))
                           : 1.0F;
    KeySoundSet sounds = joinSounds(parts, SampleStorage::pcm16, gain);
    decoded.clear();  // the decoded files go before the set is finished
    parts.clear();
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
        return PackLoad::refused("the pack holds no sound");
    }
    return PackLoad{std::move(sounds), {}, loudness, gain};
}

}  // namespace quib
