// A sound pack of the size the community shares: importing it (checking,
// decoding every sound, copying), loading it when it is chosen, the memory it
// then holds, and what a key's click costs with it against a built-in profile.
#include <benchmark/benchmark.h>
#include <linux/input-event-codes.h>
#include <sndfile.h>

#include <cmath>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <random>

#include "audio/BenchSupport.h"
#include "platform/Paths.h"
#include "platform/audio/MixerEngine.h"
#include "platform/audio/SampleLoader.h"
#include "sound/Loudness.h"
#include "sound/SoundPlayer.h"
#include "sound/packs/PackLoader.h"
#include "sound/packs/PackStore.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

// A click: a decaying burst of noise through a resonance, `seconds` long.
void writeClick(const fs::path& path, double seconds, double hz, std::mt19937& random) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<float> data(static_cast<std::size_t>(seconds * info.samplerate));
    double y1 = 0.0;
    double y2 = 0.0;
    const double r = 0.995;
    const double c = 2.0 * r * std::cos(2.0 * M_PI * hz / info.samplerate);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const double x = noise(random) * std::exp(-static_cast<double>(i) / 600.0);
        const double y = x + c * y1 - r * r * y2;
        y2 = y1;
        y1 = y;
        data[i] = static_cast<float>(std::tanh(0.2 * y));
    }
    sf_writef_float(file, data.data(), static_cast<sf_count_t>(data.size()));
    sf_close(file);
}

// A "multi" pack: a press and a release for each of the 88 first keys, 16-bit
// WAV at 44.1 kHz; 0.33 s per file makes it about 5 MB.
// Removed when the benchmark ends.
struct TemporaryFolder {
    fs::path path;
    ~TemporaryFolder() { fs::remove_all(path); }
};

const fs::path& fiveMegabytePack() {
    static const TemporaryFolder folder{[] {
        char pattern[] = "/tmp/quib-bench-pack-XXXXXX";
        const fs::path root = ::mkdtemp(pattern);
        std::mt19937 random(7);
        std::ofstream config(root / "config.json");
        config << R"({"version":2,"name":"Bench Pack","key_define_type":"multi","defines":{)";
        for (int key = 1; key <= 88; ++key) {
            std::string name = std::to_string(key);
            name.insert(name.begin(), 'k');  // not "k" + ...: GCC 12 -Wrestrict
            writeClick(root / (name + ".wav"), 0.33, 1500.0 + 20.0 * key, random);
            writeClick(root / (name + "-up.wav"), 0.33, 2500.0 + 20.0 * key, random);
            config << (key == 1 ? "" : ",") << '"' << key << R"(":")" << name << R"(.wav",")" << key
                   << R"(-up":")" << name << R"(-up.wav")";
        }
        config << "}}";
        return root;
    }()};
    return folder.path;
}

std::uintmax_t folderBytes(const fs::path& folder) {
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        bytes += entry.is_regular_file() ? entry.file_size() : 0;
    }
    return bytes;
}

void BM_ImportPack(benchmark::State& state) {
    const fs::path& source = fiveMegabytePack();
    char pattern[] = "/tmp/quib-bench-home-XXXXXX";
    const fs::path home = ::mkdtemp(pattern);
    for (auto _ : state) {
        const PackImport result = importPack(source, home);
        if (!result.pack) {
            state.SkipWithError(result.problem.c_str());
            break;
        }
    }
    state.counters["pack_MB"] = static_cast<double>(folderBytes(source)) / 1e6;
    fs::remove_all(home);
}
BENCHMARK(BM_ImportPack)->Unit(benchmark::kMillisecond)->Iterations(5);

// The pack's sounds as 16-bit PCM at their own rates and channels: what the
// memory a loaded pack holds is measured against.
double pcm16Bytes(const PackPlan& plan) {
    double bytes = 0.0;
    for (const auto& file : plan.files) {
        std::string error;
        if (const auto header = readSampleHeader(file, error)) {
            bytes += static_cast<double>(header->frames) * header->channels * 2.0;
        }
    }
    return bytes;
}

// What the running program does when a pack is chosen, and what it keeps:
// /0 a pack imported before its loudness was kept (measured as it loads),
// /1 one whose loudness was stored at import; both matched.
void BM_LoadPack(benchmark::State& state) {
    const PackPlan plan = planPack(fiveMegabytePack());
    std::error_code error;
    fs::remove(plan.directory / kPackLoudnessFile, error);
    std::string problem;
    if (state.range(0) == 1 && !storePackLoudness(plan.directory, -30.0, problem)) {
        state.SkipWithError(problem.c_str());
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        const PackLoad load = loadPack(plan, -21.0);
        if (!load.sounds) {
            state.SkipWithError(load.problem.c_str());
            break;
        }
        const Sample& held = *load.sounds->sample;
        bytes = held.data.size() * sizeof(float) + held.pcm16.size() * sizeof(std::int16_t) +
                load.sounds->clips.size() * sizeof(SoundClip) + sizeof(KeySoundSet);
    }
    state.counters["loaded_MiB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["vs_pcm16"] = static_cast<double>(bytes) / pcm16Bytes(plan);
    fs::remove(plan.directory / kPackLoudnessFile, error);
}
BENCHMARK(BM_LoadPack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// Measuring the built-in profiles' loudness, which the worker does once
// before the first pack it matches (QUIB_RESOURCE_DIR names the resources).
void BM_BuiltInLoudness(benchmark::State& state) {
    const auto load = [](std::string_view name) -> std::shared_ptr<const Sample> {
        const auto file = findResource("Sounds", std::string(name), "wav");
        return file ? loadSampleFile(*file, Streaming::never).sample : nullptr;
    };
    for (auto _ : state) {
        if (!builtInLoudness(load)) {
            state.SkipWithError("no built-in sounds: set QUIB_RESOURCE_DIR");
            break;
        }
    }
}
BENCHMARK(BM_BuiltInLoudness)->Unit(benchmark::kMillisecond)->Iterations(5);

// The main thread while a pack loads on the worker: it runs its queue, as the
// event loop does, and the longest step it takes (the swap included, which is
// handing the loaded set to the player) is the longest a key would wait.
void BM_MainThreadStallWhileLoading(benchmark::State& state) {
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::mxBlue, std::nullopt);
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<PackLoader::Task> queue;
    PackLoader loader([&](PackLoader::Task task) {
        const std::lock_guard lock(mutex);
        queue.push_back(std::move(task));
        wake.notify_one();
    });
    double longest = 0.0;
    for (auto _ : state) {
        bool swapped = false;
        loader.load("bench-pack", fiveMegabytePack(), true,
                    [&](const std::string& id, PackLoad load) {
                        player.setKeyPack(id, std::move(*load.sounds));
                        swapped = true;
                    });
        while (!swapped) {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, std::chrono::microseconds(500), [&] { return !queue.empty(); });
            const auto start = std::chrono::steady_clock::now();
            while (!queue.empty()) {
                PackLoader::Task task = std::move(queue.front());
                queue.pop_front();
                lock.unlock();
                task();
                lock.lock();
            }
            lock.unlock();
            player.playKeyPress(KEY_A);  // the key path keeps working meanwhile
            const auto step = std::chrono::steady_clock::now() - start;
            longest = std::max(longest, std::chrono::duration<double, std::milli>(step).count());
        }
        // The old set goes on the main thread with the swap; what it costs
        // counts too, so the next iteration starts from a loaded pack.
    }
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(BM_MainThreadStallWhileLoading)->Unit(benchmark::kMillisecond)->Iterations(5);

// A key's press and release on the main thread, with the pack and with a
// built-in profile with release sounds (MX Blue); the queue is drained by a
// render outside the timed part.
void BM_KeyPressAndRelease(benchmark::State& state) {
    const fs::path resources = bench::makeResources();
    bench::writeTone(resources / "Sounds" / "mxblue_key_down.wav", 0.1, 1, 0.5F);
    bench::writeTone(resources / "Sounds" / "mxblue_key_up.wav", 0.05, 1, 0.3F);
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::mxBlue, std::nullopt);
    player.setStereoWidth(0.4F);
    if (state.range(0) == 1) {
        PackLoad load = loadPack(planPack(fiveMegabytePack()));
        player.setKeyPack("bench-pack", std::move(*load.sounds));
    }
    std::vector<float> block(2 * 256);
    constexpr int kBurst = 100;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBurst; ++i) {
            const auto key = static_cast<std::uint16_t>(KEY_ESC + i % 80);
            player.playKeyPress(key);
            player.playKeyRelease(key);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        engine.render(block.data(), 256);
    }
    state.SetLabel(state.range(0) == 1 ? "pack" : "built-in (MX Blue)");
    state.counters["key"] = benchmark::Counter(
        kBurst, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KeyPressAndRelease)->Arg(0)->Arg(1)->UseManualTime();

}  // namespace
}  // namespace quib

BENCHMARK_MAIN();
