#include "platform/audio/SystemAudioEngine.h"

#include <SDL.h>

#include <cstdlib>
#include <string_view>

#include "platform/Log.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/PulseAudioOutput.h"
#include "platform/audio/SdlAudioOutput.h"

namespace quib {

namespace {

std::string_view requestedOutput() {
    const char* value = std::getenv("QUIB_AUDIO_OUTPUT");
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

}  // namespace

std::unique_ptr<AudioEngine> createSystemAudioEngine() {
    // PulseAudio (or PipeWire's pulse server) first: only there can a silent
    // stream be let go while the connection stays, which gives every click
    // the small buffer's latency at no cost between clicks.
    if (requestedOutput() != "sdl" && PulseAudioOutput::serverAnswers(1000)) {
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
