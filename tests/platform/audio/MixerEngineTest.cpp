// The offline engine: what a play request does to the rendered output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"

namespace quib {
namespace {

constexpr int kBlock = 256;

using test::renderFrames;

// The last frame (left channel) that is not silent, or -1.
int lastSoundingFrame(const std::vector<float>& output) {
    for (std::size_t frame = output.size() / 2; frame-- > 0;) {
        if (std::fabs(output[frame * 2]) > 1e-6F) {
            return static_cast<int>(frame);
        }
    }
    return -1;
}

class MixerEngineTest : public ::testing::Test {
  protected:
    std::shared_ptr<const Sample> constantClick(std::size_t frames = 4800, float level = 0.5F) {
        const auto file = resources.file("Sounds", "click.wav");
        test::writeSound(file, test::constantSignal(frames, level), 1, kOutputSampleRate,
                         SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        SampleLoad load = engine.loadSample(file);
        EXPECT_TRUE(load.sample) << load.error;
        return load.sample;
    }

    test::ResourceDirectory resources;
    MixerEngine engine;
};

TEST_F(MixerEngineTest, ClickStartsInTheFirstBlockAfterPlay) {
    const PlayerHandle player = engine.preparePlayer(constantClick());
    renderFrames(engine, kBlock);
    engine.play(player);
    const std::vector<float> block = renderFrames(engine, kBlock);
    EXPECT_GT(block[0], 0.0F);
    EXPECT_GT(block[1], 0.0F) << "a mono sample sounds on both channels";
    EXPECT_NEAR(block[2 * 100], 0.5F * 0.8F, 1e-4F) << "full level after the short fade-in";
}

TEST_F(MixerEngineTest, RateShortensTheClickInProportion) {
    const PlayerHandle player = engine.preparePlayer(constantClick(4800));
    engine.play(player);
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 6000)), 4799, 1);
    engine.setRate(player, 1.07F);
    engine.play(player);
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 6000)), 4800 / 1.07, 2);
    // A clip's rate is for that play alone: the player's own rate stays.
    engine.playClip(player, PlayOptions{2.0F, 0.0F, 0, 0});
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 6000)), 2400, 2);
    engine.play(player);
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 6000)), 4800 / 1.07, 2);
}

TEST_F(MixerEngineTest, PanTurnsDownOnlyTheFarChannel) {
    const PlayerHandle player = engine.preparePlayer(constantClick());
    const std::pair<float, std::pair<float, float>> cases[] = {
        {0.0F, {1.0F, 1.0F}},  {-0.4F, {1.0F, 0.6F}}, {1.0F, {0.0F, 1.0F}},
        {-1.0F, {1.0F, 0.0F}}, {7.0F, {0.0F, 1.0F}},  {std::nanf(""), {1.0F, 1.0F}},
    };
    for (const auto& [pan, gains] : cases) {
        engine.playClip(player, PlayOptions{1.0F, pan, 0, 0});
        const std::vector<float> block = renderFrames(engine, kBlock);
        EXPECT_NEAR(block[2 * 200], 0.5F * 0.8F * gains.first, 1e-4F) << pan;
        EXPECT_NEAR(block[2 * 200 + 1], 0.5F * 0.8F * gains.second, 1e-4F) << pan;
        engine.stop(player);
        renderFrames(engine, 4 * kBlock);
    }
}

TEST_F(MixerEngineTest, APartOfTheSamplePlaysAndFadesOutAtItsEnd) {
    // A ramp: the level tells which frame of the sample is playing.
    const auto file = resources.file("Sounds", "ramp.wav");
    std::vector<float> ramp(4800);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<float>(i) / 4800.0F;
    }
    test::writeSound(file, ramp, 1, kOutputSampleRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const PlayerHandle player = engine.preparePlayer(engine.loadSample(file).sample);
    engine.playClip(player, PlayOptions{1.0F, 0.0F, 2400, 960});
    const std::vector<float> output = renderFrames(engine, 4 * kBlock);
    EXPECT_NEAR(output[2 * 100], (2400.0F + 100.0F) / 4800.0F * 0.8F, 1e-3F);
    EXPECT_NEAR(lastSoundingFrame(output), 959, 2) << "the part's 960 frames, no more";
    EXPECT_LT(output[2 * 955], output[2 * 850] * 0.1F) << "faded over its last frames";

    engine.playClip(player, PlayOptions{2.0F, 0.0F, 4000, 0});  // to the end, at twice the speed
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 4 * kBlock)), 400, 2);
    engine.playClip(player, PlayOptions{1.0F, 0.0F, 9999, 10});  // past the end: nothing
    EXPECT_EQ(lastSoundingFrame(renderFrames(engine, kBlock)), -1);
}

TEST_F(MixerEngineTest, VolumeScalesTheOutput) {
    const PlayerHandle player = engine.preparePlayer(constantClick());
    engine.play(player);
    const float full = renderFrames(engine, 1024)[2 * 1000];
    engine.setVolume(player, 0.25F);
    engine.play(player);
    const float quarter = renderFrames(engine, 1024)[2 * 1000];
    EXPECT_NEAR(quarter / full, 0.25F, 1e-3F);
}

TEST_F(MixerEngineTest, SixteenBitFramesPlayAtTheirGain) {
    const float full = [this] {
        const PlayerHandle player = engine.preparePlayer(constantClick());
        engine.play(player);
        const float level = renderFrames(engine, 1024)[2 * 1000];
        engine.releasePlayer(player);
        renderFrames(engine, 4800);  // heard out before the next one starts
        return level;
    }();
    for (const float gain : {1.0F, 2.0F}) {
        auto held = std::make_shared<Sample>();
        held->channels = 2;
        held->frames = 4800;
        held->pcm16.assign(2 * 4800, 16384);  // 0.5
        held->pcm16Gain = gain / 32768.0F;
        const PlayerHandle player = engine.preparePlayer(held);
        engine.play(player);
        const std::vector<float> output = renderFrames(engine, 1024);
        EXPECT_NEAR(output[2 * 1000] / full, gain, 1e-3F) << gain;
        EXPECT_NEAR(output[2 * 1000 + 1] / full, gain, 1e-3F) << "right, " << gain;
        engine.releasePlayer(player);
        renderFrames(engine, 4800);
    }
}

TEST_F(MixerEngineTest, VolumeChangeWhileSoundingRampsInsteadOfJumping) {
    const PlayerHandle player = engine.preparePlayer(constantClick(48000));
    engine.play(player);
    renderFrames(engine, 512);
    engine.setVolume(player, 0.0F);
    const std::vector<float> output = renderFrames(engine, 512);
    for (std::size_t frame = 1; frame < 512; ++frame) {
        EXPECT_LT(std::fabs(output[frame * 2] - output[frame * 2 - 2]), 0.01F) << frame;
    }
    EXPECT_EQ(output[2 * 511], 0.0F) << "the ramp ends within a few milliseconds";
}

TEST_F(MixerEngineTest, RestartWhileSoundingPlaysFromTheStartAgain) {
    const PlayerHandle player = engine.preparePlayer(constantClick(4800));
    engine.play(player);
    renderFrames(engine, 3000);
    engine.play(player);
    EXPECT_NEAR(lastSoundingFrame(renderFrames(engine, 6000)), 4799, 1);
}

TEST_F(MixerEngineTest, StaleHandleDoesNothing) {
    const auto sample = constantClick();
    const PlayerHandle old = engine.preparePlayer(sample);
    engine.releasePlayer(old);
    const PlayerHandle fresh = engine.preparePlayer(sample);
    ASSERT_EQ(fresh.index, old.index) << "the slot is reused";
    engine.setVolume(old, 0.0F);
    engine.play(old);
    EXPECT_EQ(lastSoundingFrame(renderFrames(engine, 1024)), -1);
    engine.play(fresh);
    EXPECT_GT(renderFrames(engine, 1024)[2 * 500], 0.3F) << "the old handle changed nothing";
}

TEST_F(MixerEngineTest, GarbageVolumesAndRatesAreSanitised) {
    EXPECT_EQ(sanitizeVolume(std::nanf("")), 0.0F);
    EXPECT_EQ(sanitizeVolume(-0.5F), 0.0F);
    EXPECT_EQ(sanitizeVolume(7.0F), 1.0F);
    EXPECT_EQ(sanitizeVolume(INFINITY), 1.0F);
    EXPECT_EQ(sanitizeRate(std::nanf("")), 0.25F);
    EXPECT_EQ(sanitizeRate(-3.0F), 0.25F);
    EXPECT_EQ(sanitizeRate(1e9F), 4.0F);
    EXPECT_EQ(sanitizeRate(1.07F), 1.07F);

    const PlayerHandle player = engine.preparePlayer(constantClick(4800));
    engine.setVolume(player, 1e30F);
    engine.setRate(player, INFINITY);
    engine.play(player);
    const std::vector<float> output = renderFrames(engine, 6000);
    EXPECT_NEAR(lastSoundingFrame(output), 4800 / 4, 2);
    for (float value : output) {
        ASSERT_TRUE(std::isfinite(value));
        ASSERT_LE(std::fabs(value), 1.0F);
    }
}

TEST_F(MixerEngineTest, StopFadesOutOverAboutTenMilliseconds) {
    const PlayerHandle player = engine.preparePlayer(constantClick(48000));
    engine.play(player);
    renderFrames(engine, 512);
    engine.stop(player);
    const std::vector<float> output = renderFrames(engine, 1024);
    EXPECT_GT(output[0], 0.0F) << "no hard cut";
    EXPECT_NEAR(lastSoundingFrame(output), 480, 2);
}

TEST_F(MixerEngineTest, ReleasedPlayerFadesAtItsOwnLevelWhileItsSlotIsReused) {
    const auto sample = constantClick(48000);
    const PlayerHandle old = engine.preparePlayer(sample);
    engine.setLooping(old, LoopMode::endless);
    engine.setVolume(old, 0.1F);
    engine.play(old);
    renderFrames(engine, 512);
    engine.releasePlayer(old);
    const PlayerHandle fresh = engine.preparePlayer(sample);
    ASSERT_EQ(fresh.index, old.index);
    engine.setVolume(fresh, 1.0F);
    const std::vector<float> fade = renderFrames(engine, 1024);
    EXPECT_GT(fade[0], 0.0F) << "the old voice fades rather than stopping dead";
    EXPECT_LE(*std::max_element(fade.begin(), fade.end()), 0.5F * 0.1F * 0.8F + 1e-6F)
        << "the new player's volume never reaches the old voice";
    engine.play(fresh);
    const std::vector<float> start = renderFrames(engine, 256);
    EXPECT_LT(start[0], 0.5F * 0.8F * 0.1F) << "the new sound starts from silence";
    EXPECT_NEAR(start[2 * 200], 0.5F * 0.8F, 1e-4F);
}

TEST_F(MixerEngineTest, FullQueueDropsPlaysAndCountsThem) {
    const PlayerHandle player = engine.preparePlayer(constantClick());
    for (int i = 0; i < 1100; ++i) {
        engine.play(player);
    }
    EXPECT_GT(engine.statistics().droppedCommands, 0U);
    renderFrames(engine, 256);
    engine.play(player);
    EXPECT_GT(renderFrames(engine, 256)[200], 0.0F) << "the engine plays on after the overflow";
}

TEST_F(MixerEngineTest, BusyVoicesAreTakenOverOldestFirst) {
    const auto sample = constantClick(48000, 0.01F);
    std::vector<PlayerHandle> players;
    for (int i = 0; i <= kMaxVoices; ++i) {
        players.push_back(engine.preparePlayer(sample));
        engine.play(players.back());
    }
    const float level = renderFrames(engine, 512)[2 * 400];
    EXPECT_NEAR(level, 0.01F * 0.8F * kMaxVoices, 1e-3F) << "never more voices than the array";
    engine.stop(players.front());  // the oldest was taken over: stopping it changes nothing
    EXPECT_NEAR(renderFrames(engine, 512)[2 * 400], level, 1e-4F);
}

TEST_F(MixerEngineTest, ALoopIsNeverTakenOverByOneShots) {
    const PlayerHandle loop = engine.preparePlayer(constantClick(4800, 0.25F));
    engine.setLooping(loop, LoopMode::endless);
    engine.play(loop);  // the oldest voice
    const auto click = constantClick(48000, 0.01F);
    for (int i = 0; i < kMaxVoices; ++i) {
        engine.play(engine.preparePlayer(click));
    }
    const float level = renderFrames(engine, 512)[2 * 400];
    EXPECT_NEAR(level, (0.25F + 0.01F * (kMaxVoices - 1)) * 0.8F, 1e-3F);
}

}  // namespace
}  // namespace quib
