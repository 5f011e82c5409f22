#include "latency/Recording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace quib::bench {

std::int64_t monotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

Recording::Recording(bool cycles) : m_cycles(cycles) {
    m_envelope.reserve(static_cast<std::size_t>(kRate) * 600);
}

void Recording::append(const float* stereo, std::size_t frames, std::int64_t stamp) {
    std::lock_guard lock(m_mutex);
    for (std::size_t f = 0; f < frames; ++f) {
        m_envelope.push_back(std::max(std::abs(stereo[2 * f]), std::abs(stereo[2 * f + 1])));
    }
    m_chunks.push_back(ChunkStamp{stamp, static_cast<std::int64_t>(m_envelope.size())});
}

bool Recording::waitForData(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(m_mutex);
            if (m_envelope.size() > static_cast<std::size_t>(kRate) / 2) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::vector<std::int64_t> Recording::onsetNanos(const OnsetOptions& options) {
    std::lock_guard lock(m_mutex);
    const FrameClock clock(m_chunks, kRate, m_cycles);
    std::vector<std::int64_t> onsets = detectOnsets(m_envelope, kRate, options);
    for (auto& onset : onsets) {
        onset = clock.nanosOf(onset);
    }
    return onsets;
}

std::vector<float> Recording::levelsAfter(std::int64_t nanos, int millis) {
    std::lock_guard lock(m_mutex);
    const FrameClock clock(m_chunks, kRate, m_cycles);
    std::int64_t frame = 0;
    const std::int64_t size = static_cast<std::int64_t>(m_envelope.size());
    // The clock is monotonic in the frame: a bisection finds the first frame at `nanos`.
    for (std::int64_t step = std::int64_t{1} << 40; step > 0; step /= 2) {
        if (frame + step < size && clock.nanosOf(frame + step) < nanos) {
            frame += step;
        }
    }
    std::vector<float> levels(static_cast<std::size_t>(millis), 0.0F);
    for (std::int64_t i = 0; i < std::int64_t{millis} * kRate / 1000 && frame + i < size; ++i) {
        float& level = levels[static_cast<std::size_t>(i * 1000 / kRate)];
        level = std::max(level, m_envelope[static_cast<std::size_t>(frame + i)]);
    }
    return levels;
}

std::int64_t Recording::lostNanos() {
    std::lock_guard lock(m_mutex);
    const FrameClock clock(m_chunks, kRate, m_cycles);
    return clock.lostNanos();
}

void Recording::dumpIfAsked() {
    const char* dump = std::getenv("KEYCLICK_DUMP");
    std::lock_guard lock(m_mutex);
    if (dump == nullptr) {
        return;
    }
    if (FILE* file = std::fopen(dump, "wb")) {
        std::fwrite(m_envelope.data(), sizeof(float), m_envelope.size(), file);
        std::fclose(file);
    }
}

}  // namespace quib::bench
