#pragma once

#include <memory>

#include "platform/audio/AudioEngine.h"

namespace quib {

// The engine of the running program: the PipeWire output where PipeWire's
// pulse layer answers (its stream stays active while someone types, see
// PipeWireOutput), the PulseAudio output where PulseAudio itself does, else
// SDL2, which reaches ALSA and the rest. QUIB_AUDIO_OUTPUT=pipewire, pulse or
// sdl picks one anyway. Without a usable audio subsystem it falls back to the
// null output (one log line) and every sound is a silent no-op.
std::unique_ptr<AudioEngine> createSystemAudioEngine();

}  // namespace quib
