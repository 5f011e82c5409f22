// Decoding, looping and streaming: what a file turns into at the speakers.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "platform/audio/AudioStream.h"
#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/SampleLoader.h"

namespace quib {
namespace {

class SampleLoaderTest : public ::testing::Test {
  protected:
    test::ResourceDirectory resources;
};

TEST_F(SampleLoaderTest, FileAtAnotherRateIsConvertedToTheOutputRate) {
    const auto file = resources.file("Sounds", "slow.wav");
    test::writeSound(file, test::sineSignal(4410, 2, 441.0, 0.5F), 2, 44100);
    SampleLoad load = loadSampleFile(file);
    ASSERT_TRUE(load.sample) << load.error;
    EXPECT_EQ(load.sample->channels, 2);
    EXPECT_EQ(load.sample->fileSampleRate, 44100);
    EXPECT_NEAR(static_cast<double>(load.sample->frames), 4800, 1);
    EXPECT_FALSE(load.sample->isStreamed());
    // A 100 Hz sine keeps its frequency: 480 output frames per period.
    EXPECT_NEAR(load.sample->data[2 * 120], 0.5F, 0.01F);
}

TEST_F(SampleLoaderTest, FlacAndOggDecodeLikeWav) {
    const auto signal = test::sineSignal(4800, 1, 48.0, 0.5F);
    for (const auto& [name, format] : {std::pair{"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                                       std::pair{"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                                       std::pair{"a.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16}}) {
        const auto file = resources.file("Sounds", name);
        test::writeSound(file, signal, 1, kOutputSampleRate, format);
        SampleLoad load = loadSampleFile(file);
        ASSERT_TRUE(load.sample) << name << ": " << load.error;
        EXPECT_NEAR(static_cast<double>(load.sample->frames), 4800, 2) << name;
    }
}

TEST_F(SampleLoaderTest, MalformedAndTruncatedFilesAreRefusedWithAReason) {
    const auto garbage = resources.file("Sounds", "garbage.wav");
    std::ofstream(garbage) << "RIFF\x10\0\0\0WAVEfmt this is not a sound";
    const auto empty = resources.file("Sounds", "empty.wav");
    std::ofstream(empty).flush();
    const auto cut = resources.file("Sounds", "cut.wav");
    test::writeSound(cut, test::constantSignal(4800, 0.5F), 1, kOutputSampleRate);
    std::filesystem::resize_file(cut, 44 + 2000);
    const auto cutHeader = resources.file("Sounds", "cutheader.wav");
    test::writeSound(cutHeader, test::constantSignal(4800, 0.5F), 1, kOutputSampleRate);
    std::filesystem::resize_file(cutHeader, 30);

    for (const auto& file :
         {garbage, empty, cut, cutHeader, resources.file("Sounds", "none.wav")}) {
        SampleLoad load = loadSampleFile(file);
        EXPECT_FALSE(load.sample) << file;
        EXPECT_NE(load.error.find(file.filename().string()), std::string::npos) << load.error;
    }
}

TEST_F(SampleLoaderTest, MoreThanTwoChannelsIsRefused) {
    const auto file = resources.file("Sounds", "surround.wav");
    test::writeSound(file, test::constantSignal(6 * 100, 0.1F), 6, kOutputSampleRate);
    SampleLoad load = loadSampleFile(file);
    EXPECT_FALSE(load.sample);
    EXPECT_NE(load.error.find("channel"), std::string::npos);
}

TEST_F(SampleLoaderTest, NonFiniteFloatSamplesNeverReachTheMix) {
    const auto file = resources.file("Sounds", "nan.wav");
    test::writeSound(file, {0.5F, NAN, INFINITY, -INFINITY, 3.0F}, 1, kOutputSampleRate,
                     SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SampleLoad load = loadSampleFile(file);
    ASSERT_TRUE(load.sample) << load.error;
    EXPECT_EQ(load.sample->data, (std::vector<float>{0.5F, 0.0F, 0.0F, 0.0F, 1.0F}));
}

TEST_F(SampleLoaderTest, LoopingSampleRepeatsWithoutAGapOrAStep) {
    // 100 whole periods of a 48-frame sine: a seamless loop joins them exactly.
    const auto file = resources.file("Ambient", "tone.wav");
    test::writeSound(file, test::sineSignal(4800, 2, 48.0, 0.5F), 2, kOutputSampleRate,
                     SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    MixerEngine engine;
    const PlayerHandle player = engine.preparePlayer(engine.loadSample(file).sample);
    engine.setLooping(player, LoopMode::endless);
    engine.play(player);
    std::vector<float> output(2 * 12000);
    for (std::size_t done = 0; done < 12000; done += 200) {
        engine.render(&output[done * 2], 200);
    }
    for (std::size_t frame = 64; frame < 12000; ++frame) {
        const double expected = 0.4 * std::sin(2.0 * M_PI * static_cast<double>(frame) / 48.0);
        ASSERT_NEAR(output[frame * 2], expected, 1e-4) << "frame " << frame;
    }
}

// Streams a looping 100 Hz sine of amplitude 0.5 across its seam at 21 s.
void expectStreamedSineLoops(const Sample& sample, double tolerance) {
    std::string error;
    auto stream = AudioStream::open(sample, error);
    ASSERT_TRUE(stream) << error;
    stream->setLooping(true);
    // 480 output frames per period at 48 kHz.
    std::vector<float> chunk(4096);
    std::size_t position = 0;
    while (position < static_cast<std::size_t>(kOutputSampleRate) * 22) {
        stream->fill();
        const std::size_t got = stream->ring().read(chunk.data(), chunk.size());
        ASSERT_GT(got, 0U);
        for (std::size_t i = 0; i < got; ++i, ++position) {
            const double expected =
                0.5 * std::sin(2.0 * M_PI * static_cast<double>(position) / 480.0);
            ASSERT_NEAR(chunk[i], expected, tolerance) << "frame " << position;
        }
    }
}

// A long file is streamed, and rewinding it at the end of a loop lands on its
// first frame: in WAV, and in Ogg Vorbis, where a seek has pages to search
// (there the codec's own error is allowed, far below a step).
TEST_F(SampleLoaderTest, LongFileIsStreamedAndLoopsSeamlessly) {
    const struct {
        const char* name;
        int format;
        double tolerance;
    } cases[] = {{"long.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2e-3},
                 {"long.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.05}};
    const std::size_t frames = static_cast<std::size_t>(kStreamAboveSeconds + 1) * 8000;
    for (const auto& format : cases) {
        const auto file = resources.file("Tracks", format.name);
        test::writeSound(file, test::sineSignal(frames, 1, 80.0, 0.5F), 1, 8000, format.format);
        SampleLoad load = loadSampleFile(file);
        ASSERT_TRUE(load.sample) << load.error;
        ASSERT_TRUE(load.sample->isStreamed());
        EXPECT_TRUE(load.sample->data.empty()) << "nothing of a long file is held in memory";
        expectStreamedSineLoops(*load.sample, format.tolerance);
    }
}

TEST_F(SampleLoaderTest, StreamedPlayerSoundsAtOnceThroughTheEngine) {
    const std::size_t frames = static_cast<std::size_t>(kStreamAboveSeconds + 1) * 8000;
    const auto file = resources.file("Tracks", "long.wav");
    test::writeSound(file, test::constantSignal(frames * 2, 0.5F), 2, 8000);
    MixerEngine engine;
    const PlayerHandle player = engine.preparePlayer(engine.loadSample(file).sample);
    ASSERT_TRUE(player.isValid());
    engine.play(player);
    std::vector<float> output(2 * 256);
    engine.render(output.data(), 256);
    EXPECT_NEAR(output[2 * 200], 0.4F, 1e-3F);
    EXPECT_EQ(engine.statistics().underruns, 0U);
    engine.releasePlayer(player);
}

}  // namespace
}  // namespace quib
