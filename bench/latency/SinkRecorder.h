#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "latency/Onsets.h"

namespace quib::bench {

// Records a PulseAudio source (the null sink's monitor) through `parec` at a
// small latency, keeps a mono envelope of it and stamps every read on the
// monotonic clock as it arrives, so that recorded frames can be placed on the
// clock the input was injected on.
class SinkRecorder {
  public:
    static constexpr int kRate = 48000;

    explicit SinkRecorder(std::string source);
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Waits until data flows (a fresh server takes about 2 s); false on timeout.
    bool waitForData(int seconds);
    // Click onsets recorded so far, in monotonic nanoseconds.
    std::vector<std::int64_t> onsetNanos(const OnsetOptions& options = {});

    // The recorded level (peak per millisecond) from `nanos` on, for looking
    // at a missed click by eye.
    std::vector<float> levelsAfter(std::int64_t nanos, int millis);

  private:
    void read();

    pid_t m_child = -1;
    int m_pipe = -1;
    std::mutex m_mutex;
    std::vector<float> m_envelope;
    std::vector<ChunkStamp> m_chunks;
    std::atomic<bool> m_stopping{false};
    std::thread m_reader;
};

std::int64_t monotonicNanos();
// How far ahead of playing a sample the sink of `monitor` renders it (its
// configured latency, from `pactl`), in nanoseconds; 0 if unknown.
std::int64_t configuredSinkLatency(const std::string& monitor);

}  // namespace quib::bench
