// libFuzzer target for the pack plan: a list of file names, a NUL byte, then
// a config. The files are made (empty) in a scratch folder and the plan is
// checked: a valid plan names only files of the pack, and every key's clips
// lie within the clips.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "sound/packs/SoundPack.h"

namespace fs = std::filesystem;

namespace {

const fs::path& scratchFolder() {
    static const fs::path folder = [] {
        char pattern[] = "/tmp/quib-plan-fuzz-XXXXXX";
        return fs::path(::mkdtemp(pattern));
    }();
    return folder;
}

bool isPlainRelative(std::string_view name) {
    return !name.empty() && name.size() < 100 && name.front() != '/' &&
           name.find("..") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    if (split == std::string_view::npos) {
        return 0;
    }
    const fs::path pack = scratchFolder() / "pack";
    std::error_code error;
    fs::remove_all(pack, error);
    fs::create_directories(pack, error);
    std::string_view names = input.substr(0, split);
    for (int count = 0; !names.empty() && count < 32; ++count) {
        const std::size_t end = std::min(names.find('\n'), names.size());
        const std::string_view name = names.substr(0, end);
        names.remove_prefix(std::min(end + 1, names.size()));
        if (isPlainRelative(name)) {
            const fs::path file = pack / fs::path(std::string(name));
            fs::create_directories(file.parent_path(), error);
            std::ofstream(file) << 'x';
        }
    }
    std::ofstream(pack / "config.json", std::ios::binary) << input.substr(split + 1);
    const quib::PackPlan plan = quib::planPack(pack);
    if (!plan.info.valid) {
        if (plan.info.problem.empty()) {
            std::abort();
        }
        return 0;
    }
    if (plan.clipFiles.size() != plan.clipSlices.size() ||
        plan.clipFiles.size() > quib::kMostPackClips) {
        std::abort();
    }
    for (const int file : plan.clipFiles) {
        if (file < 0 || static_cast<std::size_t>(file) >= plan.files.size() ||
            *plan.files[static_cast<std::size_t>(file)].lexically_relative(pack).begin() == "..") {
            std::abort();
        }
    }
    const auto within = [&](quib::ClipRange range) {
        return std::size_t{range.first} + range.count <= plan.clipFiles.size();
    };
    for (std::size_t key = 0; key < quib::KeySoundSet::kKeyCodes; ++key) {
        if (!within(plan.sounds.press[key]) || !within(plan.sounds.release[key])) {
            std::abort();
        }
    }
    if (!within(plan.sounds.pressFallback) || !within(plan.sounds.releaseFallback)) {
        std::abort();
    }
    return 0;
}
