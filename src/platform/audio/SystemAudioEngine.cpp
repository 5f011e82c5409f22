#include "platform/audio/SystemAudioEngine.h"

#include <SDL.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Log.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/PipeWireOutput.h"
#include "platform/audio/PulseAudioOutput.h"
#include "platform/audio/SdlAudioOutput.h"

namespace quib {

namespace {

// QUIB_AUDIO_OUTPUT=pipewire, pulse or sdl picks an output; unset, the
// server decides.
std::string_view requestedOutput() {
    const char* value = std::getenv("QUIB_AUDIO_OUTPUT");
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

std::unique_ptr<AudioEngine> pipeWireEngine() {
    DevicePolicy policy;
    policy.pauseAfter = PipeWireOutput::kActiveAfterSound;
    return std::make_unique<MixerEngine>(std::make_unique<PipeWireOutput>(), policy);
}

}  // namespace

std::unique_ptr<AudioEngine> createSystemAudioEngine() {
    // PipeWire through its own library where PipeWire serves the desktop's
    // sound (its pulse layer says so in its name), else PulseAudio: on both,
    // a silent stream can be let go while the connection stays, which gives
    // every click a short buffer's latency at little or no cost between them.
    const std::string_view wanted = requestedOutput();
    const std::optional<std::string> pulse =
        wanted.empty() || wanted == "pulse" ? PulseAudioOutput::serverName(1000) : std::nullopt;
    const bool onPipeWire = wanted == "pipewire" || (wanted.empty() && pulse &&
                                                     pulse->find("PipeWire") != std::string::npos);
    if (onPipeWire && PipeWireOutput::serverAnswers()) {
        return pipeWireEngine();
    }
    if (pulse) {
        return std::make_unique<MixerEngine>(std::make_unique<PulseAudioOutput>(), DevicePolicy{});
    }
    // A trial start of the subsystem: if SDL has no audio driver at all the
    // program runs on silently instead of retrying on every click.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        logLine("No audio output, sounds are silent: ", SDL_GetError());
        return std::make_unique<MixerEngine>(std::make_unique<NullAudioOutput>(), DevicePolicy{});
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return std::make_unique<MixerEngine>(std::make_unique<SdlAudioOutput>(), DevicePolicy{});
}

}  // namespace quib
