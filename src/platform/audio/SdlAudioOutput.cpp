#include "platform/audio/SdlAudioOutput.h"

#include <SDL.h>

#include <string>

#include "platform/Log.h"

namespace quib {

SdlAudioOutput::SdlAudioOutput(int bufferFrames) : m_bufferFrames(bufferFrames) {}

SdlAudioOutput::~SdlAudioOutput() {
    close();
    if (m_subsystemReady) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // SDL keeps per-thread error buffers until SDL_Quit; nobody else in the
    // program uses SDL, but check rather than pull the rug from under them.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) {
        SDL_Quit();
    }
}

EngineResult SdlAudioOutput::open(RenderFunction render, void* context) {
    if (m_subsystemReady && m_restartSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemReady = false;
    }
    m_restartSubsystem = false;
    if (!m_subsystemReady) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return EngineResult{false, SDL_GetError()};
        }
        m_subsystemReady = true;
    }
    m_render = render;
    m_context = context;
    SDL_AudioSpec wanted{};
    wanted.freq = kOutputSampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = static_cast<Uint16>(m_bufferFrames);
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // Only the buffer size may differ; SDL converts anything else for us.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (m_device == 0) {
        return EngineResult{false, SDL_GetError()};
    }
    if (!m_reportedFormat) {
        m_reportedFormat = true;
        logLine("Audio output: " + std::string(SDL_GetCurrentAudioDriver()) + ", " +
                std::to_string(obtained.freq) + " Hz, " + std::to_string(obtained.samples) +
                " frames per buffer");
    }
    SDL_PauseAudioDevice(m_device, 0);
    return {};
}

void SdlAudioOutput::close() {
    if (m_device != 0) {
        m_restartSubsystem = isLost();
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

bool SdlAudioOutput::isLost() const {
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

void SdlAudioOutput::releaseThreadState() {
    // SDL keeps an error buffer for every thread that called it; a thread it
    // did not create must give it back itself.
    SDL_TLSCleanup();
}

void SdlAudioOutput::callback(void* self, std::uint8_t* stream, int length) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    const int frames = length / static_cast<int>(sizeof(float) * kOutputChannels);
    // SDL hands a byte buffer that it allocated for float frames.
    output->m_render(output->m_context, reinterpret_cast<float*>(stream), frames);
}

}  // namespace quib
