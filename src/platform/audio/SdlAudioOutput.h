#pragma once

#include <cstdint>

#include "platform/audio/AudioOutput.h"

namespace quib {

// The audio device through SDL2's audio subsystem (nothing else of SDL is
// initialised). Asks for 256-frame buffers (5.3 ms at 48 kHz) unless told
// otherwise and logs once what the device granted. After a loss the subsystem is restarted on the
// next open, so that a restarted audio server is found again.
class SdlAudioOutput final : public AudioOutput {
  public:
    explicit SdlAudioOutput(int bufferFrames = 256);
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    EngineResult open(RenderFunction render, void* context) override;
    void close() override;
    bool isLost() const override;
    void releaseThreadState() override;

  private:
    static void callback(void* self, std::uint8_t* stream, int length);

    int m_bufferFrames;
    std::uint32_t m_device = 0;
    bool m_subsystemReady = false;
    bool m_reportedFormat = false;
    bool m_restartSubsystem = false;
    RenderFunction m_render = nullptr;
    void* m_context = nullptr;
};

}  // namespace quib
