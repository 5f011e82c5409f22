#include "sound/BuiltInKeySounds.h"

#include "sound/KeyLayout.h"

namespace quib {

namespace {

// The takes of one class of keys: their presses, then their releases. Empty
// when a file of the class is missing (resources from before the classes).
std::vector<SoundPart> classParts(SoundProfile profile, KeyClass keyClass,
                                  const SoundLoader& load) {
    std::vector<SoundPart> presses;
    std::vector<SoundPart> releases;
    for (int take = 1; take <= kKeyTakes; ++take) {
        const auto files = keyStrokeFiles(profile, keyClass, take);
        auto press = files ? load(files->press) : nullptr;
        auto release = press ? load(files->release) : nullptr;
        if (!release) {
            return {};
        }
        presses.push_back(SoundPart::whole(std::move(press)));
        releases.push_back(SoundPart::whole(std::move(release)));
    }
    presses.insert(presses.end(), releases.begin(), releases.end());
    return presses;
}

// Clips 0 and 1 are the press and the return of the keys of no class; each
// class's takes follow, and every key of a class plays one of them.
std::optional<KeySoundSet> strokeSet(SoundProfile profile, const KeyStrokeFiles& strokes,
                                     const SoundLoader& load) {
    auto press = load(strokes.press);
    auto release = press ? load(strokes.release) : nullptr;
    if (!press || !release) {
        return std::nullopt;
    }
    std::vector<SoundPart> parts{SoundPart::whole(press), SoundPart::whole(release)};
    std::array<std::uint16_t, kKeyClassCount> firsts{};
    std::array<bool, kKeyClassCount> present{};
    for (std::size_t index = 0; index < kKeyClassCount; ++index) {
        std::vector<SoundPart> takes = classParts(profile, static_cast<KeyClass>(index), load);
        if (takes.empty()) {
            break;  // one missing file says the rest are missing too: one log line
        }
        firsts[index] = static_cast<std::uint16_t>(parts.size());
        present[index] = true;
        parts.insert(parts.end(), takes.begin(), takes.end());
    }
    KeySoundSet set = joinSounds(parts);
    set.pressFallback = ClipRange{0, 1};
    set.releaseFallback = ClipRange{1, 1};
    constexpr auto kTakes = static_cast<std::uint16_t>(kKeyTakes);
    for (std::size_t code = 0; code < KeySoundSet::kKeyCodes; ++code) {
        const auto keyClass = keyClassOf(static_cast<std::uint16_t>(code));
        const auto index = keyClass ? static_cast<std::size_t>(*keyClass) : 0;
        if (keyClass && present[index]) {
            set.press[code] = ClipRange{firsts[index], kTakes};
            set.release[code] =
                ClipRange{static_cast<std::uint16_t>(firsts[index] + kTakes), kTakes};
        }
    }
    return set;
}

}  // namespace

std::optional<KeySoundSet> builtInKeySounds(SoundProfile profile, bool releaseSounds,
                                            const SoundLoader& load) {
    if (const auto strokes = releaseSounds ? keyStrokeFiles(profile) : std::nullopt) {
        if (auto set = strokeSet(profile, *strokes, load)) {
            return set;
        }
    }
    auto click = load(keyFile(profile));
    if (!click) {
        return std::nullopt;
    }
    KeySoundSet set = joinSounds({SoundPart::whole(click)});
    set.pressFallback = ClipRange{0, 1};
    return set;
}

}  // namespace quib
