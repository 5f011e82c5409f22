// The ambient engine over a recording fake engine, and over the offline
// mixer for what reaches the output.
#include "ambient/AmbientEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/FakeAudioEngine.h"
#include "platform/audio/MixerEngine.h"
#include "support/Fakes.h"

namespace quib {
namespace {

using test::FakeAudioEngine;
using testing::ElementsAre;

class AmbientEngineTest : public ::testing::Test {
  protected:
    AmbientEngineTest() {
        for (AmbientSound sound : allAmbientSounds()) {
            if (auto name = fileName(sound)) {
                touch("Ambient", std::string(*name) + ".wav");
            }
        }
        for (MusicTrack track : allMusicTracks()) {
            touch("Tracks", std::string(fileName(track)) + ".wav");
        }
    }
    void touch(const std::string& directory, const std::string& name) {
        test::writeSound(resources.file(directory, name), {0.1F, 0.1F}, 1, kOutputSampleRate);
    }

    test::ResourceDirectory resources;
    FakeAudioEngine engine;
};

TEST_F(AmbientEngineTest, SoundsHaveLoopingPlayersOfTheirOwnAtTheSharedVolume) {
    AmbientEngine ambient(engine);
    ambient.toggle(AmbientSound::rain);
    ambient.toggle(AmbientSound::forest);
    EXPECT_THAT(ambient.activeSounds(), ElementsAre(AmbientSound::rain, AmbientSound::forest));
    EXPECT_EQ(engine.callsOf("loop").size(), 2U);
    EXPECT_EQ(engine.callsOf("volume")[0].value, 0.15F);
    EXPECT_EQ(engine.callsOf("play").size(), 2U);

    ambient.toggle(AmbientSound::rain);
    EXPECT_THAT(ambient.activeSounds(), ElementsAre(AmbientSound::forest));
    const auto released = engine.callsOf("release");
    ASSERT_EQ(released.size(), 1U);
    EXPECT_EQ(released[0].player, engine.callsOf("play")[0].player) << "only rain's player";
}

// Each format added beside the WAV ranks above those before it.
TEST_F(AmbientEngineTest, CompressedFormatsArePreferredOverWav) {
    for (const std::string extension : {"caf", "flac", "opus", "ogg"}) {
        touch("Ambient", "rain." + extension);
        engine.loadedFiles.clear();
        AmbientEngine ambient(engine);
        ambient.play(AmbientSound::rain);
        ASSERT_EQ(engine.loadedFiles.size(), 1U);
        EXPECT_EQ(engine.loadedFiles[0].filename(), "rain." + extension);
    }
}

TEST_F(AmbientEngineTest, BrownNoiseTogglesTheGeneratorAndPlayDoesNotRestartIt) {
    AmbientEngine ambient(engine);
    ambient.setVolume(0.4F);
    ambient.toggle(AmbientSound::brownNoise);
    ASSERT_TRUE(engine.generator);
    EXPECT_EQ(engine.generatorGain, 0.4F);
    EXPECT_EQ(engine.generator->sampleRate(), 44100);
    ambient.play(AmbientSound::brownNoise);
    EXPECT_EQ(engine.callsOf("startGenerator").size(), 1U);
    ambient.toggle(AmbientSound::brownNoise);
    EXPECT_FALSE(engine.generator);
    EXPECT_FALSE(ambient.isSoundActive(AmbientSound::brownNoise));
}

TEST_F(AmbientEngineTest, EveryNoiseStartBeginsFromSilence) {
    AmbientEngine ambient(engine);
    ambient.toggle(AmbientSound::brownNoise);
    std::vector<float> output(1000);
    engine.generator->render(output);
    ambient.toggle(AmbientSound::brownNoise);
    ambient.toggle(AmbientSound::brownNoise);
    EXPECT_EQ(static_cast<BrownNoise&>(*engine.generator).state(), 0.0F);
}

TEST_F(AmbientEngineTest, NoiseStartFailureIsLoggedAndTheSoundStaysChosen) {
    engine.failGenerator = true;
    AmbientEngine ambient(engine);
    testing::internal::CaptureStderr();
    ambient.toggle(AmbientSound::brownNoise);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[QUIB] AmbientEngine noise start failed: device busy\n");
    EXPECT_TRUE(ambient.isSoundActive(AmbientSound::brownNoise));
}

TEST_F(AmbientEngineTest, TrackReplacesTheTrackAndToggleStopsIt) {
    AmbientEngine ambient(engine);
    ambient.toggleTrack(MusicTrack::synthwave);
    ambient.toggleTrack(MusicTrack::deepFocus);
    EXPECT_EQ(ambient.currentTrack(), MusicTrack::deepFocus);
    EXPECT_EQ(engine.callsOf("release").size(), 1U) << "synthwave's player went";
    ambient.toggleTrack(MusicTrack::deepFocus);
    EXPECT_FALSE(ambient.currentTrack());
    EXPECT_FALSE(ambient.isPlaying());
}

TEST_F(AmbientEngineTest, StopAmbientOnlyKeepsTheTrackAndStopEndsEverything) {
    AmbientEngine ambient(engine);
    ambient.toggle(AmbientSound::rain);
    ambient.toggle(AmbientSound::brownNoise);
    ambient.playTrack(MusicTrack::lofiChill);
    ambient.stopAmbientOnly();
    EXPECT_TRUE(ambient.activeSounds().empty());
    EXPECT_FALSE(engine.generator);
    EXPECT_EQ(ambient.currentTrack(), MusicTrack::lofiChill);
    EXPECT_TRUE(ambient.isPlaying());
    EXPECT_EQ(engine.callsOf("release").size(), 1U) << "the track's player is untouched";
    ambient.stop();
    EXPECT_FALSE(ambient.isPlaying());
    EXPECT_EQ(engine.callsOf("release").size(), 2U);
}

TEST_F(AmbientEngineTest, VolumeReachesEveryPlayerTheGeneratorAndLaterSounds) {
    AmbientEngine ambient(engine);
    ambient.toggle(AmbientSound::rain);
    ambient.toggle(AmbientSound::ocean);
    ambient.playTrack(MusicTrack::nightDrive);
    engine.calls.clear();
    ambient.setVolume(0.5F);
    EXPECT_EQ(engine.callsOf("volume").size(), 3U);
    EXPECT_EQ(engine.generatorGain, 0.5F);
    ambient.toggle(AmbientSound::cafe);
    EXPECT_EQ(engine.callsOf("volume").back().value, 0.5F);
}

TEST_F(AmbientEngineTest, MissingFilesAreLoggedAndStillRecorded) {
    std::filesystem::remove(resources.file("Ambient", "pinknoise.wav"));
    std::filesystem::remove(resources.file("Tracks", "rainy_cafe.wav"));
    AmbientEngine ambient(engine);
    testing::internal::CaptureStderr();
    ambient.toggle(AmbientSound::pinkNoise);
    ambient.playTrack(MusicTrack::rainyCafe);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[QUIB] Ambient file not found: pinknoise\n"
              "[QUIB] Track file not found: rainy_cafe\n");
    EXPECT_TRUE(ambient.isSoundActive(AmbientSound::pinkNoise));
    EXPECT_EQ(ambient.currentSound(), AmbientSound::pinkNoise);
    EXPECT_EQ(ambient.currentTrack(), MusicTrack::rainyCafe);
    EXPECT_TRUE(engine.callsOf("play").empty());
}

TEST_F(AmbientEngineTest, UnplayableFilesAreLoggedWithTheReason) {
    engine.failLoads = true;
    AmbientEngine ambient(engine);
    testing::internal::CaptureStderr();
    ambient.toggle(AmbientSound::rain);
    ambient.playTrack(MusicTrack::lofiChill);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[QUIB] Failed to play ambient file: rain.wav: broken\n"
              "[QUIB] Failed to play track: lofi_chill.wav: broken\n");
    EXPECT_TRUE(ambient.isSoundActive(AmbientSound::rain));
    EXPECT_TRUE(ambient.isPlaying());
}

TEST(AmbientEngineMixTest, AmbienceLoopsAtTheSharedVolumeAndStopSilencesIt) {
    test::ResourceDirectory resources;
    test::writeSound(resources.file("Ambient", "rain.wav"), test::constantSignal(4800, 0.5F), 1,
                     kOutputSampleRate);
    MixerEngine engine;
    AmbientEngine ambient(engine);
    ambient.setVolume(0.5F);
    ambient.toggle(AmbientSound::rain);
    std::vector<float> output(2 * 9600);
    engine.render(output.data(), 9600);
    EXPECT_NEAR(output[2 * 9000], 0.5F * 0.5F * 0.8F, 1e-3F) << "the loop continues past its end";
    ambient.stop();
    engine.render(output.data(), 512);
    EXPECT_EQ(output[2 * 500], 0.0F);
}

// The largest sample-to-sample step of the left channel within [from, to).
float largestStep(const std::vector<float>& output, std::size_t from, std::size_t to) {
    float largest = 0.0F;
    for (std::size_t frame = std::max<std::size_t>(from, 1); frame < to; ++frame) {
        largest = std::max(largest, std::fabs(output[2 * frame] - output[2 * frame - 2]));
    }
    return largest;
}

TEST(AmbientEngineMixTest, EveryStopFadesWithoutAStepLargerThanTheSignalsOwn) {
    test::ResourceDirectory resources;
    const auto sine = test::sineSignal(4800, 1, 480.0, 0.5F);
    test::writeSound(resources.file("Ambient", "rain.wav"), sine, 1, kOutputSampleRate,
                     SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    test::writeSound(resources.file("Tracks", "lofi_chill.wav"), sine, 1, kOutputSampleRate,
                     SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const std::vector<std::pair<std::string, std::function<void(AmbientEngine&, bool)>>> cases{
        {"loop", [](AmbientEngine& a, bool) { a.toggle(AmbientSound::rain); }},
        {"noise", [](AmbientEngine& a, bool) { a.toggle(AmbientSound::brownNoise); }},
        {"track", [](AmbientEngine& a,
                     bool on) { on ? a.playTrack(MusicTrack::lofiChill) : a.stopTrack(); }},
    };
    for (const auto& [name, toggle] : cases) {
        MixerEngine engine;
        AmbientEngine ambient(engine, [] { return std::make_unique<test::SeededRandom>(11); });
        ambient.setVolume(0.5F);
        toggle(ambient, true);
        constexpr std::size_t kPlayed = 4920;  // the stop falls on a crest of the sine
        std::vector<float> output(2 * (kPlayed + 2400));
        engine.render(output.data(), static_cast<int>(kPlayed));
        toggle(ambient, false);
        engine.render(output.data() + 2 * kPlayed, 2400);
        const float own = largestStep(output, kPlayed - 2400, kPlayed);
        EXPECT_GT(own, 0.0F) << name;
        EXPECT_LE(largestStep(output, kPlayed, kPlayed + 2400), own) << name;
        EXPECT_NE(output[2 * (kPlayed + 120)], 0.0F) << name << ": fading, not cut";
        EXPECT_EQ(output[2 * (kPlayed + 960)], 0.0F) << name << ": silent after 20 ms";
    }
}

}  // namespace
}  // namespace quib
