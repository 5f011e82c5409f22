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
// it names found. Files are found by base name at any depth of the pack's
// folder, whatever their case, as the community's packs expect.
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

// The most sound one pack may hold once decoded: a pack is clicks, and every
// second of it is 384 KB of memory (stereo) while it is chosen.
inline constexpr double kMostPackSeconds = 180.0;

struct PackLoad {
    std::optional<KeySoundSet> sounds;
    std::string problem;  // names the file when one does not decode
};

// Decodes a valid plan's files into one sample at the output rate. Slow
// (file access and decoding): never on the input path.
PackLoad loadPack(const PackPlan& plan);

// The folder's config.json: the shallowest file of that name, whatever its
// case; empty when there is none.
std::filesystem::path findPackConfig(const std::filesystem::path& directory);

}  // namespace quib
