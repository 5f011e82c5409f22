// The PulseAudio output against a real server of the test's own: a click is
// heard on the sink's monitor, a silent output has no stream at the server,
// an open stream stops writing while silent, and clicks come back after the
// server restarts and after the default sink changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "latency/SinkRecorder.h"
#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/PrivatePulseServer.h"
#include "platform/audio/PulseAudioOutput.h"

namespace quib {
namespace {

using namespace std::chrono_literals;
using bench::SinkRecorder;

class PulseOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << "pulseaudio did not start";
        const auto file = resources.file("Sounds", "click.wav");
        test::writeSound(file, test::constantSignal(2400, 0.6F), 1, kOutputSampleRate);
        startEngine(100ms);
    }
    void startEngine(std::chrono::milliseconds pauseAfter) {
        engine.reset();
        DevicePolicy policy;
        policy.pauseAfter = pauseAfter;
        engine = std::make_unique<MixerEngine>(std::make_unique<PulseAudioOutput>(), policy);
        player =
            engine->preparePlayer(engine->loadSample(resources.file("Sounds", "click.wav")).sample);
    }
    void TearDown() override { engine.reset(); }

    // Plays every 200 ms until the monitor of `sink` records a click, or the
    // time is up.
    bool clickHeardOn(const std::string& sink, std::chrono::milliseconds limit = 3000ms) {
        SinkRecorder recorder(sink + ".monitor");
        if (!recorder.waitForData(10)) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            engine->play(player);
            std::this_thread::sleep_for(200ms);
            if (!recorder.onsetNanos().empty()) {
                return true;
            }
        }
        return false;
    }
    // Plays `first`, then the click 20 ms after `first` is heard; the time
    // from that play to the click's onset (the monitor's clock is estimated,
    // so an onset at once may read a little before the play), or none if an
    // onset was missed (the detector misses one now and then).
    std::optional<std::int64_t> clickOverNanos(PlayerHandle first) {
        SinkRecorder recorder("ci.monitor");
        if (!recorder.waitForData(10)) {
            return std::nullopt;
        }
        engine->play(first);
        if (!test::waitFor([&] { return !recorder.onsetNanos().empty(); }, 1000ms)) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(20ms);
        const std::int64_t asked = bench::monotonicNanos();
        engine->play(player);
        std::this_thread::sleep_for(300ms);
        const std::vector<std::int64_t> onsets = recorder.onsetNanos();
        if (onsets.size() != 2) {
            return std::nullopt;
        }
        return onsets[1] - asked;
    }

    // Streams playing to the server, the keep-alive included.
    int streams() const {
        const std::string list = server.pactlOutput("list short sink-inputs");
        return static_cast<int>(std::count(list.begin(), list.end(), '\n'));
    }

    // The buffer latency the server reports for QUIB's stream, in
    // microseconds; -1 without one.
    long bufferLatencyMicros() const {
        const std::string list = server.pactlOutput("list sink-inputs");
        std::size_t start = 0;
        while ((start = list.find("Sink Input #", start)) != std::string::npos) {
            const std::size_t end = list.find("Sink Input #", start + 1);
            const std::string block = list.substr(start, end - start);
            const std::size_t at = block.find("Buffer Latency: ");
            if (block.find("application.name = \"QUIB\"") != std::string::npos &&
                at != std::string::npos) {
                return std::stol(block.substr(at + 16));
            }
            start = end;
        }
        return -1;
    }

    test::PrivatePulseServer server;
    test::ResourceDirectory resources;
    std::unique_ptr<MixerEngine> engine;
    PlayerHandle player;
};

TEST_F(PulseOutputTest, SilentOutputLeavesNoStreamAndTheNextClickIsHeard) {
    ASSERT_TRUE(clickHeardOn("ci"));
    ASSERT_TRUE(test::waitFor([&] { return streams() == 1; }, 2000ms));
    EXPECT_TRUE(engine->deviceKeeper()->isPaused());
    EXPECT_TRUE(clickHeardOn("ci", 400ms)) << "the first play after the pause is heard";
    EXPECT_EQ(engine->statistics().device.opens, 1U) << "resumed, not reopened";
}

TEST_F(PulseOutputTest, OpenStreamStopsWritingWhileSilentAndTheNextClickIsHeard) {
    startEngine(10s);
    ASSERT_TRUE(clickHeardOn("ci"));
    // The rest of the queue plays out within a buffer; then nothing is asked for.
    std::this_thread::sleep_for(300ms);
    const std::uint64_t callbacks = engine->statistics().device.callbacks;
    // Longer than the keeper gives a stream that stopped pulling while sounding.
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(engine->statistics().device.callbacks, callbacks) << "silence is not rendered";
    EXPECT_EQ(engine->statistics().device.losses, 0U) << "a silent stream is not a lost one";
    EXPECT_FALSE(engine->deviceKeeper()->isPaused());
    EXPECT_TRUE(clickHeardOn("ci", 400ms)) << "the first play after the silence is heard";
    EXPECT_GT(engine->statistics().device.callbacks, callbacks);
    EXPECT_EQ(engine->statistics().device.opens, 1U);
}

TEST_F(PulseOutputTest, ShortSoundOnANewStreamIsNotTakenForAStalledStart) {
    const auto tick = resources.file("Sounds", "tick.wav");
    test::writeSound(tick, test::constantSignal(480, 0.6F), 1, kOutputSampleRate);
    player = engine->preparePlayer(engine->loadSample(tick).sample);
    ASSERT_TRUE(clickHeardOn("ci"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(engine->statistics().device.startStalls, 0U);
    EXPECT_EQ(engine->statistics().device.opens, 1U);
}

// A click that starts while another still sounds does not wait behind the
// queue the long buffer holds (about 30 ms here).
TEST_F(PulseOutputTest, ClickOverASoundingClickIsHeardAtOnce) {
    startEngine(10s);
    ASSERT_TRUE(clickHeardOn("ci"));
    const auto hum = resources.file("Sounds", "hum.wav");
    test::writeSound(hum, test::constantSignal(kOutputSampleRate / 4, 0.1F), 1, kOutputSampleRate);
    const PlayerHandle first = engine->preparePlayer(engine->loadSample(hum).sample);
    // The best of three, so that a scheduling delay on a busy machine is not
    // taken for a click held behind the queue (about 30 ms).
    std::vector<std::int64_t> latencies;
    for (int attempt = 0; attempt < 6 && latencies.size() < 3; ++attempt) {
        std::this_thread::sleep_for(300ms);
        if (const auto latency = clickOverNanos(first)) {
            latencies.push_back(*latency);
        }
    }
    ASSERT_FALSE(latencies.empty()) << "both sounds are heard";
    EXPECT_LT(*std::min_element(latencies.begin(), latencies.end()), 12'000'000)
        << "not held behind the queued buffer";
}

// A click over a lasting sound would wait behind the whole queue.
TEST_F(PulseOutputTest, BufferIsShortOnlyWhileALastingSoundPlays) {
    const auto tone = resources.file("Sounds", "tone.wav");
    test::writeSound(tone, test::constantSignal(2 * kOutputSampleRate, 0.3F), 1, kOutputSampleRate);
    struct Case {
        LoopMode mode;
        bool shortBuffer;
    };
    for (const Case& c : {Case{LoopMode::once, false}, Case{LoopMode::endless, true}}) {
        const PlayerHandle sound = engine->preparePlayer(engine->loadSample(tone).sample);
        engine->setLooping(sound, c.mode);
        engine->play(sound);
        long latency = -1;
        ASSERT_TRUE(test::waitFor(
            [&] {
                latency = bufferLatencyMicros();
                return latency >= 0 && (latency < 10'000) == c.shortBuffer;
            },
            5000ms))
            << "looping " << (c.mode == LoopMode::endless) << ", latency " << latency << " us";
        engine->stop(sound);
        std::this_thread::sleep_for(300ms);
    }
}

TEST_F(PulseOutputTest, ClicksComeBackAfterTheServerRestarts) {
    ASSERT_TRUE(clickHeardOn("ci"));
    testing::internal::CaptureStderr();
    server.stop();
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(clickHeardOn("ci"));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_GE(engine->statistics().device.losses, 1U) << log;
}

TEST_F(PulseOutputTest, StreamFollowsTheDefaultSink) {
    ASSERT_TRUE(clickHeardOn("ci"));
    ASSERT_TRUE(server.pactl("load-module module-null-sink sink_name=desk rate=48000 channels=2"));
    ASSERT_TRUE(server.pactl("set-default-sink desk"));
    EXPECT_TRUE(clickHeardOn("desk"));
}

TEST(PulseOutputWithoutServerTest, NoServerIsReportedAndOpeningFailsWithAReason) {
    setenv("PULSE_SERVER", "unix:/nonexistent/quib-test.sock", 1);
    EXPECT_FALSE(PulseAudioOutput::serverAnswers(500));
    PulseAudioOutput output;
    const EngineResult result =
        output.open([](void*, float*, int) { return AudioOutput::Rendered{}; }, nullptr);
    unsetenv("PULSE_SERVER");
    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.error.find("PulseAudio"), std::string::npos) << result.error;
}

}  // namespace
}  // namespace quib
