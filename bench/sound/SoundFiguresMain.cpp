// sound_figures: the timbre and length of every built-in key profile and of
// any sound pack, measured the same way, so that a profile can be held
// against a recording of the switch it is named after.
//
//   sound_figures [--resources DIR] [FOLDER]...
//
// For each built-in profile: its one-file click (played when release sounds
// are off), and the median over the keys of its press and of its release as
// the keyboard plays them with release sounds on. For each FOLDER: a sound
// pack (a folder with a config.json) measured over its keys the same way, or
// a plain folder of sound files, each file one press except those whose
// names end in "-up", "_up", "-1" or "release" (releases).
// Every file is decoded to 48 kHz by the program's own loader and mixed to
// mono; SoundFigures.h says what is measured. Prints a Markdown table.
// The resources are those of the build the program sits in unless DIR (or
// QUIB_RESOURCE_DIR) names others.
#include <linux/input-event-codes.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/audio/SampleLoader.h"
#include "sound/BuiltInKeySounds.h"
#include "sound/Loudness.h"
#include "sound/SoundFigures.h"
#include "sound/packs/SoundPack.h"

namespace quib::bench {
namespace {

namespace fs = std::filesystem;

// A full-size keyboard's keys: the main block, the function keys and the keypad.
constexpr std::uint16_t kFirstKey = KEY_ESC;
constexpr std::uint16_t kLastKey = KEY_F12;

std::vector<double> monoOf(const Sample& sample, SoundClip clip) {
    std::vector<double> mono;
    mono.reserve(static_cast<std::size_t>(clip.frames));
    for (std::int64_t frame = clip.start; frame < clip.start + clip.frames; ++frame) {
        double sum = 0.0;
        for (int channel = 0; channel < sample.channels; ++channel) {
            const auto index = static_cast<std::size_t>(frame * sample.channels + channel);
            sum += sample.data.empty() ? static_cast<double>(sample.pcm16[index]) *
                                             static_cast<double>(sample.pcm16Gain)
                                       : static_cast<double>(sample.data[index]);
        }
        mono.push_back(sum / sample.channels);
    }
    return mono;
}

struct Median {
    SoundFigures figures;
    int sounds = 0;  // keys (or files) the median is over
};

Median medianOver(const std::vector<SoundFigures>& all) {
    std::vector<double> centroids;
    std::vector<double> decays;
    for (const SoundFigures& figures : all) {
        centroids.push_back(figures.centroidHz);
        decays.push_back(figures.decayMs);
    }
    return {{medianOf(centroids), medianOf(decays)}, static_cast<int>(all.size())};
}

// Each key's figures are the median over its takes; the set's, the median
// over its keys (the keys with sounds of their own, else its fallback).
Median measureKeys(const KeySoundSet& set, bool releases) {
    std::map<std::size_t, SoundFigures> byClip;
    auto figuresOf = [&](std::size_t clip) {
        auto found = byClip.find(clip);
        if (found == byClip.end()) {
            found = byClip
                        .emplace(clip, measureSound(monoOf(*set.sample, set.clips[clip]),
                                                    kOutputSampleRate))
                        .first;
        }
        return found->second;
    };
    auto keyFigures = [&](ClipRange range) {
        std::vector<SoundFigures> takes;
        for (std::uint16_t take = 0; take < range.count; ++take) {
            takes.push_back(figuresOf(range.first + take));
        }
        return medianOver(takes).figures;
    };
    const auto& own = releases ? set.release : set.press;
    std::vector<SoundFigures> keys;
    const bool anyOwn =
        std::any_of(own.begin(), own.end(), [](ClipRange r) { return !r.isEmpty(); });
    for (std::uint16_t code = anyOwn ? 0 : kFirstKey; code < KeySoundSet::kKeyCodes; ++code) {
        if (anyOwn ? !own[code].isEmpty() : code <= kLastKey) {
            const ClipRange range = releases ? set.releaseOf(code) : set.pressOf(code);
            if (!range.isEmpty()) {
                keys.push_back(keyFigures(range));
            }
        }
    }
    return medianOver(keys);
}

std::string cell(const Median& median) {
    if (median.sounds == 0) {
        return "- | -";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f kHz | %.0f ms", median.figures.centroidHz / 1000.0,
                  median.figures.decayMs);
    return text;
}

void printRow(const std::string& name, const std::string& click, const Median& press,
              const Median& release) {
    std::printf("| %s | %s | %s (%d) | %s |\n", name.c_str(), click.c_str(), cell(press).c_str(),
                press.sounds, cell(release).c_str());
}

std::shared_ptr<const Sample> loadResource(std::string_view name) {
    const auto file = findResource("Sounds", std::string(name), "wav");
    return file ? loadSampleFile(*file, Streaming::never).sample : nullptr;
}

bool printProfiles() {
    bool found = false;
    for (const SoundProfile profile : allSoundProfiles()) {
        const auto click = loadResource(keyFile(profile));
        const auto perKey = builtInKeySounds(profile, true, loadResource);
        if (!click || !perKey) {
            std::fprintf(stderr, "sound_figures: no sounds for %s in %s\n",
                         std::string(rawValue(profile)).c_str(), resourceDirectory().c_str());
            continue;
        }
        found = true;
        const Median whole =
            medianOver({measureSound(monoOf(*click, {0, click->frames}), kOutputSampleRate)});
        printRow(std::string(rawValue(profile)), cell(whole), measureKeys(*perKey, false),
                 measureKeys(*perKey, true));
    }
    return found;
}

bool isReleaseName(const std::string& stem) {
    for (const char* end : {"-up", "_up", "-1", "release"}) {
        if (stem.ends_with(end)) {
            return true;
        }
    }
    return false;
}

// A folder of loose sound files, one press or release each.
bool printFolder(const fs::path& folder) {
    std::vector<SoundFigures> presses;
    std::vector<SoundFigures> releases;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || extension == ".json" || extension == ".txt") {
            continue;
        }
        const SampleLoad load = loadSampleFile(entry.path(), Streaming::never);
        if (!load.sample) {
            continue;
        }
        const SoundFigures figures =
            measureSound(monoOf(*load.sample, {0, load.sample->frames}), kOutputSampleRate);
        (isReleaseName(entry.path().stem().string()) ? releases : presses).push_back(figures);
    }
    if (presses.empty()) {
        std::fprintf(stderr, "sound_figures: no sound files in %s\n", folder.c_str());
        return false;
    }
    printRow(folder.filename().string() + " (files)", "- | -", medianOver(presses),
             medianOver(releases));
    return true;
}

bool printPack(const fs::path& folder) {
    if (findPackConfig(folder).empty()) {
        return printFolder(folder);
    }
    const PackLoad load = loadPack(planPack(folder));
    if (!load.sounds) {
        std::fprintf(stderr, "sound_figures: %s: %s\n", folder.c_str(), load.problem.c_str());
        return false;
    }
    printRow(folder.filename().string() + " (pack)", "- | -", measureKeys(*load.sounds, false),
             measureKeys(*load.sounds, true));
    return true;
}

// Each built-in profile's loudness and their mean, which packs are matched
// to; then each pack's, and the gain it plays at when matched.
void printLoudness(const std::vector<fs::path>& folders) {
    std::printf(
        "\n| loudness (EBU R128, a steady typist's presses) | LUFS | matched gain |\n"
        "|---|---|---|\n");
    for (const SoundProfile profile : allSoundProfiles()) {
        const auto file = findResource("Sounds", std::string(keyFile(profile)), "wav");
        const auto click = file ? loadSampleFile(*file, Streaming::never).sample : nullptr;
        const auto loudness = click ? typingLoudness({SoundPart::whole(click)}, {0}) : std::nullopt;
        std::printf("| %s | %.1f | |\n", std::string(rawValue(profile)).c_str(),
                    loudness.value_or(NAN));
    }
    const auto reference = builtInProfilesLoudness();
    std::printf("| the built-in profiles' mean | %.1f | |\n", reference.value_or(NAN));
    for (const auto& folder : folders) {
        if (findPackConfig(folder).empty()) {
            continue;
        }
        const PackLoad load = loadPack(planPack(folder), reference);
        std::printf("| %s (pack) | %.1f | %+.1f dB |\n", folder.filename().c_str(),
                    load.loudness.value_or(NAN), 20.0 * std::log10(static_cast<double>(load.gain)));
    }
}

}  // namespace
}  // namespace quib::bench

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--resources" && i + 1 < argc) {
            setenv("QUIB_RESOURCE_DIR", argv[++i], 1);
        } else if (!argument.empty() && argument[0] != '-') {
            folders.emplace_back(std::filesystem::path(argument).lexically_normal());
        } else {
            std::fprintf(stderr, "usage: sound_figures [--resources DIR] [FOLDER]...\n");
            return 2;
        }
    }
    if (std::getenv("QUIB_RESOURCE_DIR") == nullptr) {
        // Beside the build's bench/ folder lies its resources/ folder.
        std::error_code error;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        const auto built = exe.parent_path().parent_path() / "resources";
        if (!error && std::filesystem::is_directory(built, error)) {
            setenv("QUIB_RESOURCE_DIR", built.c_str(), 1);
        }
    }
    std::printf(
        "| profile or pack | click: centroid | decay | press (keys): centroid | decay | "
        "release: centroid | decay |\n|---|---|---|---|---|---|---|\n");
    bool ok = quib::bench::printProfiles();
    for (const auto& folder : folders) {
        ok = quib::bench::printPack(folder) && ok;
    }
    quib::bench::printLoudness(folders);
    return ok ? 0 : 1;
}
