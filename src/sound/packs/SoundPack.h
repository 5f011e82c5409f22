#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sound/KeySounds.h"
#include "sound/packs/PackConfig.h"

namespace quib {

// What `quib packs list` and the SOUNDS tab show of an imported pack.
struct PackInfo {
    std::string id;  // the folder's name under <data dir>/packs
    std::string name;
    int keys = 0;          // keys with a sound of their own
    bool release = false;  // has sounds for keys coming back up
    bool valid = false;
    std::string problem;  // why it is not valid: "config.json: 'name' is missing"
};

// A pack on disk, checked without decoding: its config read and every file
// it names found. A file is found by its path as written, relative to the
// folder that holds config.json; where no file has that exact path, by that
// path whatever its case; where none has that either, by its base name when
// exactly one file of the pack has it (several is a problem named in the
// message).
//
// `sounds` has the layout of the loaded set, its clips naming parts of
// `files` instead of frames: clip i plays files[clipFiles[i]], whole when
// clipSlices[i] is empty, else that slice in milliseconds.
struct PackPlan {
    struct Slice {
        double startMs = 0.0;
        double durationMs = 0.0;
    };

    PackInfo info;
    std::string declaredId;  // the config's `id`, if it has one
    std::filesystem::path directory;
    std::vector<std::filesystem::path> files;
    std::vector<int> clipFiles;
    std::vector<std::optional<Slice>> clipSlices;
    KeySoundSet sounds;  // ranges only: no sample, no clips yet
};

// Reads and checks the pack in `directory` (its folder name is the id).
PackPlan planPack(const std::filesystem::path& directory);

// The most sound one pack may hold: its files together, in seconds at their
// own rates as their headers state before anything is decoded, and its
// clips together once cut, every alias and take counted. A pack is clicks;
// loaded, every second of it is 192 KB of memory (stereo 16-bit at 48 kHz)
// while it is chosen, 35 MB for 180 s (while it loads, its files are also
// decoded to float once: 69 MB more at most).
inline constexpr double kMostPackSeconds = 180.0;
// Clips are numbered in 16 bits.
inline constexpr std::size_t kMostPackClips = 65535;

struct PackLoad {
    std::optional<KeySoundSet> sounds;
    std::string problem;  // names the file when one does not decode
    // The pack's loudness (Loudness.h), in LUFS: as stored at import, else
    // measured now; empty when it is silent.
    std::optional<double> loudness;
    float gain = 1.0F;  // what it plays at, against its recordings

    static PackLoad refused(std::string problem) {
        PackLoad load;
        load.problem = std::move(problem);
        return load;
    }
};

// Decodes a valid plan's files into one 16-bit sample at the output rate.
// With `matchLoudness` (the built-in profiles' loudness), the pack plays at
// the gain that brings it there (matchingGain); without, as recorded. Slow
// (file access and decoding): never on the input path.
PackLoad loadPack(const PackPlan& plan, std::optional<double> matchLoudness = std::nullopt);

// The loudness QUIB measured when it imported the pack, kept in this file at
// the top of the pack's folder; packs imported before it have none, and are
// measured whenever they load instead.
inline constexpr const char* kPackLoudnessFile = ".quib-loudness.json";
// Empty when the pack has no such file or it does not read as one.
std::optional<double> storedPackLoudness(const std::filesystem::path& directory);
bool storePackLoudness(const std::filesystem::path& directory, double loudness,
                       std::string& problem);

// The built-in profiles' loudness (builtInLoudness), from the resource
// folder's sounds: measured at the first call, then kept. Empty when the
// sounds are missing. Slow the first time: never on the input path.
std::optional<double> builtInProfilesLoudness();

// The folder's config.json: the shallowest file of that name, whatever its
// case; empty when there is none.
std::filesystem::path findPackConfig(const std::filesystem::path& directory);

}  // namespace quib
