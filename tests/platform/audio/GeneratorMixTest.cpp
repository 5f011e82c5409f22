// The generator voice: resampled to the output rate, scaled by its gain,
// kept alive by the engine until the audio side let go of it.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"

namespace quib {
namespace {

class ConstantGenerator final : public SignalGenerator {
  public:
    int sampleRate() const override { return 44100; }
    void render(std::span<float> output) override {
        for (float& value : output) {
            value = 0.5F;
        }
        rendered += output.size();
    }
    std::size_t rendered = 0;
};

using test::renderFrames;

TEST(GeneratorMixTest, GeneratorPlaysAtItsGainAndItsOwnRate) {
    MixerEngine engine;
    auto generator = std::make_shared<ConstantGenerator>();
    engine.setGeneratorGain(0.5F);
    ASSERT_TRUE(engine.startGenerator(generator).succeeded);
    const std::vector<float> output = renderFrames(engine, 48000);
    EXPECT_NEAR(output[2 * 47000], 0.5F * 0.5F * 0.8F, 1e-4F);
    // One second at the output rate pulls one second at the generator's rate.
    EXPECT_NEAR(static_cast<double>(generator->rendered), 44100, 64);
}

TEST(GeneratorMixTest, StoppedGeneratorFadesOutAndIsReleasedOnlyAfterTheFade) {
    MixerEngine engine;
    auto generator = std::make_shared<ConstantGenerator>();
    std::weak_ptr<ConstantGenerator> watch = generator;
    engine.startGenerator(std::move(generator));
    renderFrames(engine, 256);
    engine.stopGenerator();
    EXPECT_FALSE(watch.expired()) << "the audio side still reads it while it fades";
    const std::vector<float> output = renderFrames(engine, 1024);
    EXPECT_GT(output[2 * 10], 0.0F) << "no hard cut";
    EXPECT_EQ(output[2 * 600], 0.0F) << "silent after about 10 ms";
    EXPECT_TRUE(watch.expired()) << "let go of once the fade has ended";
}

TEST(GeneratorMixTest, GarbageGeneratorGainIsSilence) {
    MixerEngine engine;
    engine.setGeneratorGain(std::nanf(""));
    engine.startGenerator(std::make_shared<ConstantGenerator>());
    const std::vector<float> output = renderFrames(engine, 4800);
    EXPECT_EQ(output[2 * 4000], 0.0F);
}

}  // namespace
}  // namespace quib
