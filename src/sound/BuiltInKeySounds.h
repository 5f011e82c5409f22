#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/audio/AudioEngine.h"
#include "sound/KeySounds.h"
#include "sound/SoundProfile.h"

namespace quib {

// Decodes one file of the "Sounds" resource folder by its base name; null
// when it is missing or does not decode.
using SoundLoader = std::function<std::shared_ptr<const Sample>(std::string_view)>;

// What the keyboard plays for a built-in profile, as one set. With release
// sounds on, a mechanical profile's keys play the press and the return of
// their class (KeyClasses.h), one of its takes at random per stroke, and the
// keys of no class the profile's plain press and return. A profile without
// strokes (or whose stroke files are missing), or any profile with release
// sounds off, plays its one click, which holds the return. Slow (decodes
// files): never on the input path.
std::optional<KeySoundSet> builtInKeySounds(SoundProfile profile, bool releaseSounds,
                                            const SoundLoader& load);

}  // namespace quib
