#pragma once

// What the tests of the real outputs share: an audio server of the test's
// own, a click sound, an engine on the output under test, and listening to
// the server's null sink through the key-to-sound harness's recorder.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "latency/SinkRecorder.h"
#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/ServerProcesses.h"

namespace quib::test {

using namespace std::chrono_literals;

class OutputTestBase : public ::testing::Test {
  protected:
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

    void startServer(std::unique_ptr<PrivateAudioServer> audioServer) {
        server = std::move(audioServer);
        ASSERT_TRUE(server->start()) << "the audio server did not start";
        test::writeSound(resources.file("Sounds", "click.wav"), test::constantSignal(2400, 0.6F), 1,
                         kOutputSampleRate);
    }
    void startEngine(OutputFactory factory, std::chrono::milliseconds pauseAfter) {
        engine.reset();
        DevicePolicy policy;
        policy.pauseAfter = pauseAfter;
        engine = std::make_unique<MixerEngine>(factory(), policy);
        player = prepare("click.wav");
    }
    PlayerHandle prepare(const std::string& name) {
        return engine->preparePlayer(engine->loadSample(resources.file("Sounds", name)).sample);
    }
    void TearDown() override { engine.reset(); }

    // Plays every 200 ms until the monitor of `sink` records a click, or the
    // time is up.
    bool clickHeardOn(const std::string& sink, std::chrono::milliseconds limit = 3000ms) {
        bench::SinkRecorder recorder(sink + ".monitor");
        if (!recorder.waitForData(10)) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            engine->play(player);
            if (test::waitFor([&] { return !recorder.onsetNanos().empty(); }, 200ms)) {
                return true;
            }
        }
        return false;
    }

    // Plays `first`, then the click 20 ms after `first` is heard; the time
    // from that play to the click's onset on the recording's clock, or none
    // if an onset was missed (the detector misses one now and then).
    std::optional<std::int64_t> clickOverNanos(PlayerHandle first) {
        bench::SinkRecorder recorder("ci.monitor");
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
        if (!test::waitFor([&] { return recorder.onsetNanos().size() >= 2; }, 1000ms)) {
            return std::nullopt;
        }
        return recorder.onsetNanos()[1] - asked;
    }

    // Whether the output rendered nothing over `checks` looks of the
    // device keeper's watchdog.
    bool quietOver(int checks) {
        const auto before = engine->statistics().device;
        return test::waitFor(
                   [&] { return engine->statistics().device.checks >= before.checks + checks; },
                   10s) &&
               engine->statistics().device.callbacks == before.callbacks;
    }

    std::unique_ptr<PrivateAudioServer> server;
    test::ResourceDirectory resources;
    std::unique_ptr<MixerEngine> engine;
    PlayerHandle player;
};

}  // namespace quib::test
