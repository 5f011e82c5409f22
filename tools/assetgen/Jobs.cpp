#include "Jobs.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "Ambience.h"
#include "Clicks.h"
#include "Images.h"
#include "KeySwitch.h"
#include "Music.h"
#include "Vorbis.h"
#include "Wav.h"

namespace assetgen {

namespace {

// Seeds derive from the file name so that adding a file never changes another.
std::uint64_t seedFor(std::string_view name) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

// Clicks are one-shots in 24 bits: their quiet tails would lose their grain in 16.
template <typename Recipe, typename Render>
void addClickJobs(std::vector<Job>& jobs, const std::vector<Recipe>& recipes, Render render) {
    for (const Recipe& recipe : recipes) {
        jobs.push_back({std::string(recipe.name), "Sounds/" + std::string(recipe.name) + ".wav",
                        0.01, [&recipe, render](const std::string& path) {
                            return writeWav(path, render(recipe, seedFor(recipe.name)),
                                            SampleFormat::pcm24);
                        }});
    }
}

// Ambiences and tracks are long: they ship as Ogg Vorbis (a WAV of each would
// make the package a hundred megabytes), or as 16-bit WAV for comparisons.
// A loop written in one format removes the same loop in the other, which an
// earlier run may have left, so that the directory holds one file per loop.
template <typename Render>
Job loopJob(std::string_view folder, std::string_view name, double cost, Render render,
            LoopFormat format) {
    const std::string base = std::string(folder) + "/" + std::string(name);
    const bool wav = format == LoopFormat::wav;
    return {std::string(name), base + (wav ? ".wav" : ".ogg"), cost,
            [name, render, wav](const std::string& path) {
                const auto other = std::string(name) + (wav ? ".ogg" : ".wav");
                std::error_code ignored;
                std::filesystem::remove(std::filesystem::path(path).parent_path() / other, ignored);
                const Stereo audio = render(name, seedFor(name));
                return wav ? writeWav(path, audio, SampleFormat::pcm16)
                           : writeVorbis(path, audio, kLoopQuality,
                                         static_cast<std::uint32_t>(seedFor(name)));
            }};
}

void addLoopJobs(std::vector<Job>& jobs, LoopFormat format) {
    for (const std::string_view name : ambienceNames()) {
        jobs.push_back(loopJob("Ambient", name, 1.0, renderAmbience, format));
    }
    for (const std::string_view name : trackNames()) {
        jobs.push_back(loopJob("Tracks", name, 3.0, renderTrack, format));
    }
}

}  // namespace

std::vector<Job> allJobs(LoopFormat loops) {
    std::vector<Job> jobs;
    addClickJobs(jobs, clickRecipes(), renderClick);
    addClickJobs(jobs, switchRecipes(), renderSwitch);
    addClickJobs(jobs, keyStrokeRecipes(), renderStroke);
    addClickJobs(jobs, keyVariantRecipes(), renderStroke);
    addLoopJobs(jobs, loops);
    addImageJobs(jobs);
    return jobs;
}

namespace {

// Writes next to the target and renames, so an interrupted build never leaves
// a truncated file that a later build would take for finished.
bool runOne(const Job& job, const std::filesystem::path& directory) {
    const std::filesystem::path target = directory / job.relativePath;
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    const std::filesystem::path partial = target.string() + ".part";
    if (!job.write(partial.string())) {
        std::filesystem::remove(partial, error);
        return false;
    }
    std::filesystem::rename(partial, target, error);
    if (error) {
        std::fprintf(stderr, "assetgen: cannot rename %s: %s\n", partial.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

// Decaying filters and reverb tails end in subnormal numbers, which the FPU
// handles dozens of times slower; they are far below 16-bit resolution, so
// flushing them to zero changes nothing audible and keeps the output the same
// on every run.
void flushDenormalsToZero() {
#if defined(__SSE__)
    _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
    _mm_setcsr(_mm_getcsr() | 0x0040);  // denormals-are-zero
#endif
}

}  // namespace

bool runJobs(const std::vector<Job>& jobs, const std::string& outputDirectory, unsigned threads) {
    std::vector<const Job*> order;
    for (const Job& job : jobs) {
        order.push_back(&job);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Job* a, const Job* b) { return a->cost > b->cost; });
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto worker = [&] {
        flushDenormalsToZero();
        for (std::size_t i = next++; i < order.size(); i = next++) {
            if (!runOne(*order[i], outputDirectory)) {
                failed = true;
            }
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::max(1u, threads); ++t) {
        workers.emplace_back(worker);
    }
    for (std::thread& thread : workers) {
        thread.join();
    }
    return !failed;
}

}  // namespace assetgen
