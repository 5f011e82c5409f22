#pragma once

#include <memory>

#include "platform/audio/AudioEngine.h"

namespace quib {

// The engine of the running program: SDL2 output with the default device
// policy. Without a usable audio subsystem it falls back to the null output
// (one log line) and every sound is a silent no-op.
std::unique_ptr<AudioEngine> createSystemAudioEngine();

}  // namespace quib
