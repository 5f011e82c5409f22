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

// What the keyboard plays for a built-in profile, as one set: the press and,
// with release sounds on, the return stroke of every key. A profile without
// strokes (or whose stroke files are missing) plays its one click, which
// holds the return. Slow (decodes files): never on the input path.
std::optional<KeySoundSet> builtInKeySounds(SoundProfile profile, bool releaseSounds,
                                            const SoundLoader& load);

}  // namespace quib
