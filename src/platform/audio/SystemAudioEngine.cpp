#include "platform/audio/SystemAudioEngine.h"

#include <SDL.h>

#include "platform/Log.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/SdlAudioOutput.h"

namespace quib {

std::unique_ptr<AudioEngine> createSystemAudioEngine() {
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
