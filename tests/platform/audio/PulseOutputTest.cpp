// What only the PulseAudio output does, against a PulseAudio server of the
// test's own: an open stream stops writing while silent, a short sound on a
// new stream is not taken for a stalled start, and the buffer is short only
// while a lasting sound plays.
#include "platform/audio/OutputTestFixture.h"
#include "platform/audio/PrivatePulseServer.h"
#include "platform/audio/PulseAudioOutput.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

class PulseOutputTest : public test::OutputTestBase {
  protected:
    void SetUp() override {
        startServer(std::make_unique<test::PrivatePulseServer>());
        startEngine(pulse, 100ms);
    }

    // The buffer latency the server reports for QUIB's stream, in
    // microseconds; -1 without one.
    long bufferLatencyMicros() const {
        const std::string list = server->pactlOutput("list sink-inputs");
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

    const OutputFactory pulse = [] { return std::make_unique<PulseAudioOutput>(); };
};

TEST_F(PulseOutputTest, OpenStreamStopsWritingWhileSilentAndTheNextClickIsHeard) {
    startEngine(pulse, 10s);
    ASSERT_TRUE(clickHeardOn("ci"));
    // The rest of the queue plays out within a buffer; then nothing is asked for.
    ASSERT_TRUE(test::waitFor([&] { return quietOver(2); }, 5s)) << "silence is not rendered";
    // Longer than the keeper gives a stream that stopped pulling while sounding.
    EXPECT_TRUE(quietOver(10)) << "silence is not rendered";
    EXPECT_EQ(engine->statistics().device.losses, 0U) << "a silent stream is not a lost one";
    EXPECT_FALSE(engine->deviceKeeper()->isPaused());
    const std::uint64_t callbacks = engine->statistics().device.callbacks;
    EXPECT_TRUE(clickHeardOn("ci")) << "the first play after the silence is heard";
    EXPECT_GT(engine->statistics().device.callbacks, callbacks);
    EXPECT_EQ(engine->statistics().device.opens, 1U);
}

TEST_F(PulseOutputTest, ShortSoundOnANewStreamIsNotTakenForAStalledStart) {
    test::writeSound(resources.file("Sounds", "tick.wav"), test::constantSignal(480, 0.6F), 1,
                     kOutputSampleRate);
    player = prepare("tick.wav");
    ASSERT_TRUE(clickHeardOn("ci"));
    // Paused once the sound has played: the start was judged by then.
    ASSERT_TRUE(test::waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
    EXPECT_EQ(engine->statistics().device.startStalls, 0U);
    EXPECT_EQ(engine->statistics().device.opens, 1U);
}

// A click over a lasting sound would wait behind the whole queue.
TEST_F(PulseOutputTest, BufferIsShortOnlyWhileALastingSoundPlays) {
    test::writeSound(resources.file("Sounds", "tone.wav"),
                     test::constantSignal(2 * kOutputSampleRate, 0.3F), 1, kOutputSampleRate);
    struct Case {
        LoopMode mode;
        bool shortBuffer;
    };
    for (const Case& c : {Case{LoopMode::once, false}, Case{LoopMode::endless, true}}) {
        const PlayerHandle sound = prepare("tone.wav");
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
        ASSERT_TRUE(test::waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
    }
}

}  // namespace
}  // namespace quib
