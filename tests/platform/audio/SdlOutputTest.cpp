// The SDL2 output for real, through SDL's "disk" driver, which writes what
// the callback produced into a file as fast as it can.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/SdlAudioOutput.h"

namespace quib {
namespace {

bool fileHasSound(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::vector<float> samples(4096);
    while (stream.read(reinterpret_cast<char*>(samples.data()), 4096 * sizeof(float)) ||
           stream.gcount() > 0) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(stream.gcount()) / sizeof(float);
             ++i) {
            if (samples[i] > 0.3F) {
                return true;
            }
        }
    }
    return false;
}

TEST(SdlOutputTest, ClickReachesTheDeviceAsFloatStereo) {
    test::ResourceDirectory resources;
    const auto recording = resources.file("out", "device.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    const auto clickFile = resources.file("Sounds", "click.wav");
    test::writeSound(clickFile, test::constantSignal(4800, 0.6F), 1, kOutputSampleRate);
    {
        MixerEngine engine(std::make_unique<SdlAudioOutput>(), DevicePolicy{});
        const PlayerHandle player = engine.preparePlayer(engine.loadSample(clickFile).sample);
        engine.play(player);
        EXPECT_TRUE(test::waitFor([&] { return fileHasSound(recording); }));
    }
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace quib
