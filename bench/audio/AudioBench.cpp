// Main-thread cost of a click, and the mixer's cost per second of output
// with a full focus-audio scene, plus the engine's memory in that scene.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ambient/AmbientEngine.h"
#include "audio/BenchSupport.h"
#include "platform/Paths.h"
#include "platform/audio/MixerEngine.h"
#include "sound/SoundPlayer.h"

namespace quib {
namespace {

const std::filesystem::path& resources() {
    static const std::filesystem::path root = bench::makeResources();
    return root;
}

// Each iteration times a burst of clicks; "click" is the time of one. The
// queue is drained by a render outside the timed part.
void BM_PlayKeyClick(benchmark::State& state) {
    resources();
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::clicky);
    std::vector<float> block(2 * 256);
    constexpr int kBurst = 200;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBurst; ++i) {
            player.playKeyClick();
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        engine.render(block.data(), 256);
    }
    state.counters["click"] = benchmark::Counter(
        kBurst, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["dropped"] = static_cast<double>(engine.statistics().droppedCommands);
}
BENCHMARK(BM_PlayKeyClick)->UseManualTime()->Repetitions(5)->ReportAggregatesOnly(true);

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // small blocks and mmapped large ones
}

// Ten overlapping click voices, brown noise, three streamed ambiences and a
// streamed track. A quarter second is rendered per timed step (the rings
// hold half a second), then the reader thread gets time to refill them.
void BM_MixOneSecondFullScene(benchmark::State& state) {
    resources();
    const std::size_t heapBefore = heapInUse();
    auto engine = std::make_unique<MixerEngine>();
    AmbientEngine ambient(*engine);
    ambient.setVolume(0.5F);
    for (AmbientSound sound : {AmbientSound::brownNoise, AmbientSound::rain, AmbientSound::forest,
                               AmbientSound::ocean}) {
        ambient.toggle(sound);
    }
    ambient.playTrack(MusicTrack::lofiChill);
    const SampleLoad click = engine->loadSample(*findResource("Sounds", "long_click", "wav"));
    std::vector<PlayerHandle> clicks;
    for (int i = 0; i < 10; ++i) {
        clicks.push_back(engine->preparePlayer(click.sample));
        engine->setLooping(clicks.back(), LoopMode::endless);
        engine->play(clicks.back());
    }
    std::vector<float> output(2 * 12000);
    const std::size_t heapPlaying = heapInUse();
    for (auto _ : state) {
        double seconds = 0.0;
        for (int quarter = 0; quarter < 4; ++quarter) {
            const auto start = std::chrono::steady_clock::now();
            for (int done = 0; done < 12000; done += 256) {
                engine->render(&output[static_cast<std::size_t>(done) * 2],
                               std::min(256, 12000 - done));
            }
            seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        state.SetIterationTime(seconds);
    }
    state.counters["engine_heap_MB"] = static_cast<double>(heapPlaying - heapBefore) / 1e6;
    state.counters["underruns"] = static_cast<double>(engine->statistics().underruns);
}
BENCHMARK(BM_MixOneSecondFullScene)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The whole process's CPU (mixer and the reader thread that decodes) while
// three ambiences and a track play from the generated resources, rendered in
// quarter seconds at about the pace of the device. "core_percent" is the
// share of one core at real time. The resources are QUIB_BENCH_RESOURCE_DIR,
// else build/resources beside build/bench; `quib-assetgen DIR --wav-loops`
// makes the uncompressed set to compare with.
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::filesystem::path generatedResources() {
    const char* given = std::getenv("QUIB_BENCH_RESOURCE_DIR");
    return given != nullptr
               ? std::filesystem::path(given)
               : std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() /
                     "resources";
}

void BM_FocusAudioProcessCpu(benchmark::State& state) {
    const std::filesystem::path root = generatedResources();
    if (!std::filesystem::exists(root / "Tracks")) {
        state.SkipWithError("no generated resources (set QUIB_BENCH_RESOURCE_DIR)");
        return;
    }
    setenv("QUIB_RESOURCE_DIR", root.c_str(), 1);
    auto engine = std::make_unique<MixerEngine>();
    AmbientEngine ambient(*engine);
    for (AmbientSound sound : {AmbientSound::rain, AmbientSound::forest, AmbientSound::ocean}) {
        ambient.toggle(sound);
    }
    ambient.playTrack(MusicTrack::lofiChill);
    std::vector<float> output(2 * 12000);
    double cpu = 0.0;
    double audio = 0.0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        for (int done = 0; done < 12000; done += 256) {
            engine->render(&output[static_cast<std::size_t>(done) * 2],
                           std::min(256, 12000 - done));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        cpu += processCpuSeconds() - before;
        audio += 0.25;
    }
    state.counters["core_percent"] = 100.0 * cpu / audio;
    state.counters["underruns"] = static_cast<double>(engine->statistics().underruns);
    setenv("QUIB_RESOURCE_DIR", resources().c_str(), 1);
}
BENCHMARK(BM_FocusAudioProcessCpu)->Iterations(120);

}  // namespace
}  // namespace quib

BENCHMARK_MAIN();
