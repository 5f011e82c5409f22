#include "sound/BuiltInKeySounds.h"

namespace quib {

std::optional<KeySoundSet> builtInKeySounds(SoundProfile profile, bool releaseSounds,
                                            const SoundLoader& load) {
    if (const auto strokes = releaseSounds ? keyStrokeFiles(profile) : std::nullopt) {
        auto press = load(strokes->press);
        auto release = press ? load(strokes->release) : nullptr;
        if (press && release) {
            KeySoundSet set = joinSounds({SoundPart::whole(press), SoundPart::whole(release)});
            set.pressFallback = ClipRange{0, 1};
            set.releaseFallback = ClipRange{1, 1};
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
