#pragma once

#include <memory>

#include "platform/audio/AudioEngine.h"

namespace quib {

// The engine of the running program with the default device policy: the
// PulseAudio output when a server answers (PipeWire's pulse server counts),
// else SDL2, which reaches ALSA and the rest. QUIB_AUDIO_OUTPUT=sdl picks SDL2
// anyway. Without a usable audio subsystem it falls back to the null output
// (one log line) and every sound is a silent no-op.
std::unique_ptr<AudioEngine> createSystemAudioEngine();

}  // namespace quib
