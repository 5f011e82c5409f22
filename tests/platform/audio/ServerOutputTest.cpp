// Each output against the server it is made for, started by the test: the
// PulseAudio output on PulseAudio, the PipeWire output on PipeWire. A click
// is heard, a silent output is paused rather than closed, a click over a
// sounding one is not held back, clicks come back after the server restarts
// and follow the default sink, and the program's factory picks the output
// that suits the server.
#include <gmock/gmock.h>

#include <algorithm>

#include "platform/audio/OutputTestFixture.h"
#include "platform/audio/PipeWireOutput.h"
#include "platform/audio/PrivatePipeWireServer.h"
#include "platform/audio/PrivatePulseServer.h"
#include "platform/audio/PulseAudioOutput.h"
#include "platform/audio/SystemAudioEngine.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

struct Backend {
    const char* name;
    std::function<std::unique_ptr<test::PrivateAudioServer>()> server;
    std::function<std::unique_ptr<AudioOutput>()> output;
    const char* logged;  // how the output names itself in the log
};

const Backend kBackends[] = {
    {"PulseAudio", [] { return std::make_unique<test::PrivatePulseServer>(); },
     [] { return std::make_unique<PulseAudioOutput>(); }, "Audio output: PulseAudio"},
    {"PipeWire", [] { return std::make_unique<test::PrivatePipeWireServer>(); },
     [] { return std::make_unique<PipeWireOutput>(); }, "Audio output: PipeWire"},
};

class ServerOutputTest : public test::OutputTestBase,
                         public ::testing::WithParamInterface<Backend> {
  protected:
    void SetUp() override {
        startServer(GetParam().server());
        startEngine(GetParam().output, 100ms);
    }
    // Whether the server lists a stream of QUIB's that is not corked.
    bool streamRunning() const {
        const std::string list = server->pactlOutput("list sink-inputs");
        std::size_t start = 0;
        while ((start = list.find("Sink Input #", start)) != std::string::npos) {
            const std::size_t end = list.find("Sink Input #", start + 1);
            const std::string block = list.substr(start, end - start);
            if (block.find("application.name = \"QUIB\"") != std::string::npos &&
                block.find("Corked: no") != std::string::npos) {
                return true;
            }
            start = end;
        }
        return false;
    }
};

// Paused, the PulseAudio output has no stream at the server and the PipeWire
// output's stream is inactive: neither is running there.
TEST_P(ServerOutputTest, SilentOutputIsPausedAndResumedByTheNextClick) {
    startEngine(GetParam().output, 1s);
    ASSERT_TRUE(clickHeardOn("ci"));
    EXPECT_TRUE(streamRunning()) << "the server sees the stream while it plays";
    ASSERT_TRUE(test::waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
    EXPECT_TRUE(test::waitFor([&] { return !streamRunning(); }, 5s));
    EXPECT_TRUE(clickHeardOn("ci")) << "the first play after the pause is heard";
    EXPECT_EQ(engine->statistics().device.opens, 1U) << "resumed, not reopened";
}

// A click that starts while another sound plays is heard at once: not held
// behind what an output queued of the first (up to 128 ms), allowing for a
// loaded machine. The best of three, so that one scheduling delay does not
// count.
TEST_P(ServerOutputTest, ClickOverASoundingSoundIsNotHeldBehindIt) {
    startEngine(GetParam().output, 10s);
    ASSERT_TRUE(clickHeardOn("ci"));
    test::writeSound(resources.file("Sounds", "hum.wav"),
                     test::constantSignal(kOutputSampleRate / 2, 0.1F), 1, kOutputSampleRate);
    const PlayerHandle hum = prepare("hum.wav");
    std::vector<std::int64_t> latencies;
    for (int attempt = 0; attempt < 6 && latencies.size() < 3; ++attempt) {
        if (const auto latency = clickOverNanos(hum)) {
            latencies.push_back(*latency);
        }
        engine->stop(hum);
    }
    ASSERT_FALSE(latencies.empty()) << "both sounds are heard";
    EXPECT_LT(*std::min_element(latencies.begin(), latencies.end()), 64'000'000);
}

// Focus audio: a loop plays on past the pause delay, heard all along.
TEST_P(ServerOutputTest, LastingSoundPlaysOnPastThePauseDelay) {
    test::writeSound(resources.file("Sounds", "tone.wav"),
                     test::constantSignal(kOutputSampleRate / 4, 0.3F), 1, kOutputSampleRate);
    const PlayerHandle tone = prepare("tone.wav");
    engine->setLooping(tone, LoopMode::endless);
    bench::SinkRecorder recorder("ci.monitor");
    ASSERT_TRUE(recorder.waitForData(10));
    engine->play(tone);
    ASSERT_TRUE(test::waitFor([&] { return !recorder.onsetNanos().empty(); }, 5s));
    // Looked at by the watchdog over more than three pause delays.
    const auto checks = engine->statistics().device.checks;
    ASSERT_TRUE(
        test::waitFor([&] { return engine->statistics().device.checks >= checks + 8; }, 10s));
    EXPECT_FALSE(engine->deviceKeeper()->isPaused());
    // Any 100 ms from here on, heard nearly all through: on a loaded machine
    // the recording itself may lose a few frames of one stretch.
    const auto since = bench::monotonicNanos();
    ASSERT_TRUE(test::waitFor(
        [&] {
            const auto from = std::max(since, bench::monotonicNanos() - 400'000'000);
            const std::vector<float> levels = recorder.levelsAfter(from, 100);
            return std::count_if(levels.begin(), levels.end(),
                                 [](float level) { return level > 0.2F; }) >= 90;
        },
        5s))
        << "still heard";
}

TEST_P(ServerOutputTest, ClicksComeBackAfterTheServerRestarts) {
    ASSERT_TRUE(clickHeardOn("ci"));
    testing::internal::CaptureStderr();
    server->stop();
    ASSERT_TRUE(server->start());
    EXPECT_TRUE(clickHeardOn("ci", 10s));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_GE(engine->statistics().device.losses, 1U) << log;
}

TEST_P(ServerOutputTest, StreamFollowsTheDefaultSink) {
    ASSERT_TRUE(clickHeardOn("ci"));
    ASSERT_TRUE(server->pactl("load-module module-null-sink sink_name=desk rate=48000 channels=2"));
    ASSERT_TRUE(test::waitFor([&] { return server->pactl("set-default-sink desk"); }, 5s));
    EXPECT_TRUE(clickHeardOn("desk", 5s));
}

TEST_P(ServerOutputTest, ProgramPicksTheOutputMadeForTheServer) {
    engine.reset();
    testing::internal::CaptureStderr();
    std::unique_ptr<AudioEngine> system = createSystemAudioEngine();
    const PlayerHandle click =
        system->preparePlayer(system->loadSample(resources.file("Sounds", "click.wav")).sample);
    bench::SinkRecorder recorder("ci.monitor");
    ASSERT_TRUE(recorder.waitForData(10));
    EXPECT_TRUE(test::waitFor(
        [&] {
            system->play(click);
            return !recorder.onsetNanos().empty();
        },
        5s));
    system.reset();
    EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr(GetParam().logged));
}

void PrintTo(const Backend& backend, std::ostream* out) {
    *out << backend.name;
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerOutputTest, ::testing::ValuesIn(kBackends),
                         [](const auto& backend) { return std::string(backend.param.name); });

TEST(OutputWithoutServerTest, NoServerIsReportedAndOpeningFailsWithAReason) {
    setenv("PULSE_SERVER", "unix:/nonexistent/quib-test.sock", 1);
    setenv("PIPEWIRE_REMOTE", "/nonexistent/quib-test-pipewire", 1);
    EXPECT_FALSE(PulseAudioOutput::serverName(500));
    EXPECT_FALSE(PipeWireOutput::serverAnswers());
    for (const Backend& backend : kBackends) {
        const std::unique_ptr<AudioOutput> output = backend.output();
        const EngineResult result =
            output->open([](void*, float*, int) { return AudioOutput::Rendered{}; }, nullptr);
        EXPECT_FALSE(result.succeeded);
        EXPECT_THAT(result.error, testing::HasSubstr(backend.name));
    }
    unsetenv("PULSE_SERVER");
    unsetenv("PIPEWIRE_REMOTE");
}

}  // namespace
}  // namespace quib
