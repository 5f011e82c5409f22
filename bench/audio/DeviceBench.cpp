// Measures the real device path: the time from a play request to the first
// audible sample written by the output callback, with the device already
// open ("warm") and with it closed by the idle policy ("cold"); and an idle
// mode that clicks once and then waits, so the audio server's CPU can be
// sampled while the device is open and after the policy closed it.
//
//   bench_audio_device latency [clicks] [buffer frames]
//   bench_audio_device idle <seconds> [buffer frames]
//   bench_audio_device loop <seconds>   (a looping sound, for restarting the server under it)
//   bench_audio_device suspended [clicks]  (each click 7 s after the output paused: with
//                                           nothing else playing, the sink is suspended)
//
// QUIB_AUDIO_OUTPUT=pulse measures the PulseAudio output (which pauses a
// silent stream instead of closing it), QUIB_AUDIO_OUTPUT=pipewire the
// PipeWire output (which makes its stream inactive), instead of SDL2.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/BenchSupport.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/PipeWireOutput.h"
#include "platform/audio/PulseAudioOutput.h"
#include "platform/audio/SdlAudioOutput.h"

namespace quib {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::int64_t nowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<AudioOutput> makeOutput(int bufferFrames) {
    const char* choice = std::getenv("QUIB_AUDIO_OUTPUT");
    if (choice != nullptr && std::string(choice) == "pulse") {
        return std::make_unique<PulseAudioOutput>(bufferFrames);
    }
    if (choice != nullptr && std::string(choice) == "pipewire") {
        return std::make_unique<PipeWireOutput>();
    }
    return std::make_unique<SdlAudioOutput>(bufferFrames);
}

// Milliseconds from the play request to the first non-silent callback block.
double timeOneClick(MixerEngine& engine, PlayerHandle player) {
    DeviceKeeper& keeper = *engine.deviceKeeper();
    keeper.armLatencyProbe();
    const std::int64_t start = nowNanos();
    engine.play(player);
    const auto deadline = Clock::now() + 3s;
    while (keeper.latencyProbeNanos() < 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(50us);
    }
    const std::int64_t heard = keeper.latencyProbeNanos();
    return heard < 0 ? -1.0 : static_cast<double>(heard - start) / 1e6;
}

void report(const char* name, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    const auto slow =
        std::count_if(samples.begin(), samples.end(), [](double ms) { return ms > 20.0; });
    std::printf("%s: n=%zu min=%.2f median=%.2f p90=%.2f max=%.2f ms, %td over 20 ms\n", name,
                samples.size(), samples.front(), at(0.5), at(0.9), samples.back(), slow);
}

int latency(int clicks, int bufferFrames) {
    DevicePolicy policy;
    policy.idleGrace = 300ms;
    policy.watchdogInterval = 50ms;
    MixerEngine engine(makeOutput(bufferFrames), policy);
    const auto sample = engine.loadSample(std::filesystem::path(std::getenv("QUIB_RESOURCE_DIR")) /
                                          "Sounds/focus.wav");
    const PlayerHandle player = engine.preparePlayer(sample.sample);
    std::vector<double> warm;
    std::vector<double> cold;
    for (int i = 0; i < clicks; ++i) {
        while (engine.deviceKeeper()->isOpen() && !engine.deviceKeeper()->isPaused()) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(100ms);
        cold.push_back(timeOneClick(engine, player));
        if (cold.back() > 20.0 || cold.back() < 0.0) {
            std::printf("slow cold click %d: %.1f ms, first callback %.1f ms before the sound\n", i,
                        cold.back(),
                        static_cast<double>(engine.deviceKeeper()->latencyProbeNanos() -
                                            engine.deviceKeeper()->probeCallbackNanos()) /
                            1e6);
        }
        for (int typed = 0; typed < 5; ++typed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(60 + 13 * typed));
            warm.push_back(timeOneClick(engine, player));
        }
    }
    report("warm (device open)", warm);
    report("cold (device closed or paused by the idle policy)", cold);
    const DeviceStatistics device = engine.statistics().device;
    std::printf(
        "device opens=%llu slowest open=%.1f ms streams restarted at start=%llu losses=%llu\n",
        static_cast<unsigned long long>(device.opens),
        static_cast<double>(device.longestOpenNanos) / 1e6,
        static_cast<unsigned long long>(device.startStalls),
        static_cast<unsigned long long>(device.losses));
    return 0;
}

// The session manager suspends a sink that nothing has played to for 5 s;
// the first click then waits for it to be started again.
int suspended(int clicks) {
    DevicePolicy policy;
    policy.pauseAfter = 300ms;
    MixerEngine engine(makeOutput(256), policy);
    const auto sample = engine.loadSample(std::filesystem::path(std::getenv("QUIB_RESOURCE_DIR")) /
                                          "Sounds/focus.wav");
    const PlayerHandle player = engine.preparePlayer(sample.sample);
    timeOneClick(engine, player);  // opens the device
    std::vector<double> samples;
    for (int i = 0; i < clicks; ++i) {
        while (!engine.deviceKeeper()->isPaused()) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(7s);
        samples.push_back(timeOneClick(engine, player));
    }
    report("7 s after the output paused", samples);
    return 0;
}

int idle(int seconds, int bufferFrames) {
    MixerEngine engine(makeOutput(bufferFrames), DevicePolicy{});
    const auto sample = engine.loadSample(std::filesystem::path(std::getenv("QUIB_RESOURCE_DIR")) /
                                          "Sounds/focus.wav");
    engine.play(engine.preparePlayer(sample.sample));
    for (int second = 0; second < seconds; ++second) {
        std::this_thread::sleep_for(1s);
        const DeviceKeeper& keeper = *engine.deviceKeeper();
        std::printf("t=%ds device %s\n", second + 1,
                    keeper.isPaused() ? "paused" : (keeper.isOpen() ? "open" : "closed"));
        std::fflush(stdout);
    }
    return 0;
}

int loop(int seconds) {
    MixerEngine engine(makeOutput(256), DevicePolicy{});
    const auto sample = engine.loadSample(std::filesystem::path(std::getenv("QUIB_RESOURCE_DIR")) /
                                          "Sounds/long_click.wav");
    const PlayerHandle player = engine.preparePlayer(sample.sample);
    engine.setLooping(player, LoopMode::endless);
    engine.play(player);
    for (int tick = 0; tick < seconds * 4; ++tick) {
        std::this_thread::sleep_for(250ms);
        const DeviceStatistics device = engine.statistics().device;
        std::printf("t=%.2fs opens=%llu losses=%llu callbacks=%llu\n", (tick + 1) / 4.0,
                    static_cast<unsigned long long>(device.opens),
                    static_cast<unsigned long long>(device.losses),
                    static_cast<unsigned long long>(device.callbacks));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace
}  // namespace quib

int main(int argc, char** argv) {
    const std::filesystem::path resources = quib::bench::makeResources();
    const std::string mode = argc > 1 ? argv[1] : "latency";
    const int count = argc > 2 ? std::atoi(argv[2]) : 20;
    const int frames = argc > 3 ? std::atoi(argv[3]) : 256;
    int result = 0;
    if (mode == "idle") {
        result = quib::idle(count, frames);
    } else if (mode == "loop") {
        result = quib::loop(count);
    } else if (mode == "suspended") {
        result = quib::suspended(count);
    } else {
        result = quib::latency(count, frames);
    }
    std::filesystem::remove_all(resources);
    return result;
}
